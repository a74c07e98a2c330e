#include "entities/drawing/Picture.h"

#include "core/Graphics.h"
#include "core/Readers.h"
#include "editors/ExtrusionEditor.h"
#include "editors/ParameterEditors.h"

#include <cmath>

Picture::Picture(GraphicsSheet* sheet) : Entity(sheet)
{
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
    image = readBitmapData(element, "pixels", image);
    // Stored directly so the origin stays exactly as read.
    center_ = rectangle.center();
    setSize(rectangle.size());
}

void Picture::calculateBoundingBox()
{
    boundingBox.addTransformedRect(rectangle, netTransform);
}

void Picture::draw(Graphics& g)
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    // A rectangle with a negative size covers the same area as its normal
    // form; the image is drawn there the right way up.
    const QRectF r = rectangle.normalized();
    if (!image.isNull() && std::isfinite(r.width()) && std::isfinite(r.height())) {
        // Scaled images are filtered rather than sampled.
        QPainter& painter = g.context.painter();
        const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        g.context.drawImage(r, image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    }
    g.popTransform(singleLevelTransform);
}

QWidget* Picture::editorView()
{
    return new PictureEditor(std::static_pointer_cast<Picture>(shared_from_this()));
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
