#include "entities/drawing/Picture.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "editors/ExtrusionEditor.h"
#include "editors/ParameterEditors.h"

#include <algorithm>
#include <cmath>

namespace {

// The image's pixels to the device's: stretched over the rectangle (y up in
// the model, so turned upside down), then the model to the device.
QTransform imageToDevice(const QTransform& toDevice, const QRectF& r, QSize image, double ratio)
{
    if (image.isEmpty())
        return QTransform(0, 0, 0, 0, 0, 0);
    return QTransform::fromScale(r.width() / image.width(), -r.height() / image.height())
        * QTransform::fromTranslate(r.left(), r.bottom()) * toDevice * QTransform::fromScale(ratio, ratio);
}

// Draws the image filtered through the transform in tiles of a grid fixed to
// the image's place on the device, each tile's pixels then copied as they
// are. Qt's filtering steps across a span from where it meets the device,
// so a picture drawn straight would come out a level apart where a band or
// a narrow view begins elsewhere; in tiles it starts at the same pixels
// however the device is cut. False, having drawn nothing, for a transform
// this cannot draw (a perspective, one too large for the device's
// coordinates).
bool drawAnchored(QPainter& painter, const QTransform& toDevice, const QImage& image)
{
    QPaintDevice* device = painter.device();
    if (image.isNull() || !device || toDevice.type() == QTransform::TxProject)
        return false;
    const double limit = 1 << 24;
    const QRectF onDevice = toDevice.mapRect(QRectF(QPointF(0, 0), image.size()));
    if (!(std::abs(toDevice.dx()) < limit && std::abs(toDevice.dy()) < limit && onDevice.width() < limit
            && onDevice.height() < limit))
        return false;
    // The grid's origin: the image's corner, on whole pixels.
    const QPointF anchor(std::floor(toDevice.dx()), std::floor(toDevice.dy()));
    const qreal ratio = device->devicePixelRatioF();
    QRectF shown = onDevice.intersected(QRectF(0, 0, device->width() * ratio, device->height() * ratio));
    if (painter.hasClipping())
        shown = shown.intersected(painter.deviceTransform().mapRect(painter.clipBoundingRect()));
    if (shown.isEmpty())
        return true;
    const int tileWidth = 256, tileHeight = 64;
    const int firstColumn = int(std::floor((shown.left() - anchor.x()) / tileWidth));
    const int lastColumn = int(std::floor((shown.right() - anchor.x()) / tileWidth));
    const int firstRow = int(std::floor((shown.top() - anchor.y()) / tileHeight));
    const int lastRow = int(std::floor((shown.bottom() - anchor.y()) / tileHeight));
    QImage tile(tileWidth, tileHeight, QImage::Format_ARGB32_Premultiplied);
    if (tile.isNull())
        return false;
    tile.setDevicePixelRatio(ratio);
    painter.save();
    painter.resetTransform();
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const QPointF at(column * tileWidth, row * tileHeight);
            tile.fill(Qt::transparent);
            {
                QPainter tilePainter(&tile);
                tilePainter.setRenderHints(painter.renderHints() | QPainter::SmoothPixmapTransform);
                const QTransform& t = toDevice;
                // The fraction of the corner past the anchor, then the tile's place.
                tilePainter.setTransform(QTransform(t.m11(), t.m12(), t.m21(), t.m22(), t.dx() - anchor.x() - at.x(),
                                             t.dy() - anchor.y() - at.y())
                    * QTransform::fromScale(1 / ratio, 1 / ratio));
                tilePainter.drawImage(QPointF(0, 0), image);
            }
            painter.drawImage((anchor + at) / ratio, tile);
        }
    }
    painter.restore();
    return true;
}

} // namespace

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
            const QImage image = g.context.inkBounds() ? QImage(1, 1, QImage::Format_ARGB32_Premultiplied)
                                                       : decodedImage(QSize(pixels(w), pixels(h)));
            if (g.context.inkBounds() || !drawAnchored(painter, imageToDevice(g.context.transform(), r, image.size(), ratio), image)) {
                // Scaled images are filtered rather than sampled.
                const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
                painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                g.context.drawImage(r, image);
                painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
            }
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
