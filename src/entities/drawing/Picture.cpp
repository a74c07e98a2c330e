#include "entities/drawing/Picture.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "editors/ExtrusionEditor.h"
#include "editors/ParameterEditors.h"

#include <algorithm>
#include <cmath>

Picture::Picture(GraphicsSheet* sheet) : Entity(sheet)
{
}

Picture::~Picture()
{
    if (imageKey_)
        ImageCache::shared().release(imageKey_);
}

QImage Picture::decodedImage(QSize shown) const
{
    if (!hasImage())
        return QImage();
    return ImageCache::shared().image(imageKey_, image_, shown);
}

void Picture::setCenter(const QPointF& c)
{
    center_ = c;
    rectangle.moveTopLeft(QPointF(c.x() - rectangle.width() / 2, c.y() - rectangle.height() / 2));
}

void Picture::setSize(const QSizeF& s)
{
    size_ = s;
    rectangle.setSize(s);
    // The centre shown follows, so that typing it back moves nothing.
    center_ = rectangle.center();
}

void Picture::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    rectangle = readRectAttribute(element, rectangle);
    rotateInParts = readBoolAttribute(element, "rotateInParts", rotateInParts);
    // The attribute's name really ends with a blank.
    subPickable = readBoolAttribute(element, "subPickable ", subPickable);
    extrusionBase = readDoubleAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readDoubleAttribute(element, "extrusionHeight", extrusionHeight);
    // A failure keeps the image there is.
    if (std::optional<EncodedImage> read = readEncodedImage(element, "pixels")) {
        if (imageKey_)
            ImageCache::shared().release(imageKey_);
        image_ = std::move(*read);
        // Pictures of the same bytes share one key, and so their decodes.
        imageKey_ = ImageCache::shared().acquire(image_.bytes);
    }
    // Stored directly so the origin stays exactly as read.
    center_ = rectangle.center();
    setSize(rectangle.size());
}

void Picture::calculateBoundingBox()
{
    boundingBox.addTransformedRect(rectangle, netTransform);
}

void Picture::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    // A rectangle with a negative size covers the same area as its normal
    // form; the image is drawn there the right way up.
    const QRectF r = rectangle.normalized();
    if (hasImage() && std::isfinite(r.width()) && std::isfinite(r.height()) && !r.isEmpty()) {
        if (g.picking) {
            g.context.saveState();
            g.context.setFillColor(QColor(Qt::black));
            g.context.beginPath();
            g.context.addRect(r);
            g.context.fillPath();
            g.context.restoreState();
        } else {
            // The rectangle's sides on the device, in pixels.
            QPainter& painter = g.context.painter();
            const QTransform t = g.context.transform();
            const double ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
            const double w = std::hypot(t.m11(), t.m12()) * r.width() * ratio;
            const double h = std::hypot(t.m21(), t.m22()) * r.height() * ratio;
            auto pixels = [](double v) { return std::isfinite(v) ? int(std::clamp(std::ceil(v), 1.0, 1e9)) : 1; };
            // A measure of the ink needs where the picture lies, not its pixels.
            const QImage image = g.context.measuring() ? QImage(1, 1, QImage::Format_ARGB32_Premultiplied)
                                                       : decodedImage(QSize(pixels(w), pixels(h)));
            // Scaled images are filtered rather than sampled.
            const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            g.context.drawImage(r, image);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        }
    }
    g.popTransform(singleLevelTransform);
}

QWidget* Picture::editorView(const std::shared_ptr<Entity>& self)
{
    return new PictureEditor(std::static_pointer_cast<Picture>(self));
}

PictureEditor::PictureEditor(std::shared_ptr<Picture> picture, QWidget* parent)
    : EntityEditor(QStringLiteral("Picture"), QStringLiteral("rectangle"), parent), picture_(std::move(picture))
{
    keepEntityAlive(picture_);
    Picture* p = picture_.get();
    const UnitsSource units = entityUnits(p);
    auto* params = new EntityContentEditor;
    params->addControl(new PointParametersEditor(
        [p] { return p->center(); }, [p](const QPointF& c) { p->setCenter(c); }, QStringLiteral("Center"), units));
    params->addControl(new SizeParametersEditor(
        [p] { return p->size(); }, [p](const QSizeF& s) { p->setSize(s); }, QStringLiteral("Size"), units));
    addContent(params);
    addContent(new ExtrusionEditor(p, p->extrusionBase, p->extrusionHeight, units));
}
