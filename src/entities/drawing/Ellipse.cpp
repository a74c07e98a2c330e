#include "entities/drawing/Ellipse.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "editors/ExtrusionEditor.h"
#include "editors/FillEditor.h"
#include "editors/ParameterEditors.h"
#include "editors/PenEditor.h"

Ellipse::Ellipse(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Ellipse::setCenter(const QPointF& c)
{
    center_ = c;
    rectangle.moveTopLeft(QPointF(c.x() - rectangle.width() / 2, c.y() - rectangle.height() / 2));
}

void Ellipse::setSize(const QSizeF& s)
{
    size_ = s;
    rectangle.setSize(s);
    // The centre shown follows, so that typing it back moves nothing.
    center_ = rectangle.center();
}

void Ellipse::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen.readXML(element);
    brush.readXML(element);
    rectangle = readRectAttribute(element, rectangle);
    extrusionBase = readDoubleAttribute(element, "extrusionBase", extrusionBase);
    extrusionHeight = readDoubleAttribute(element, "extrusionHeight", extrusionHeight);
    doNotBlockRouting = readBoolAttribute(element, "doNotBlockRouting", doNotBlockRouting);
    sphere = readBoolAttribute(element, "sphere", sphere);
    // Storing the centre directly keeps the origin exactly as read (moving it
    // by +w/2-w/2 may round).
    center_ = rectangle.center();
    setSize(rectangle.size());
}

void Ellipse::calculateBoundingBox()
{
    boundingBox.addTransformedRect(rectangle, netTransform);
    // The gradient spans the rectangle in the ellipse's own coordinates.
    brush.rectangle = rectangle;
    if (isDrawable(pen.color))
        boundingBox = boundingBox.expanded(pen.width / 2);
}

void Ellipse::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    g.fillAndStrokeEllipse(pen, brush, rectangle);
    g.popTransform(singleLevelTransform);
}

QWidget* Ellipse::editorView(const std::shared_ptr<Entity>& self)
{
    return new EllipseEditor(std::static_pointer_cast<Ellipse>(self));
}

EllipseEditor::EllipseEditor(std::shared_ptr<Ellipse> ellipse, QWidget* parent)
    : EntityEditor(QStringLiteral("Ellipse"), QStringLiteral("circle"), parent), ellipse_(std::move(ellipse))
{
    keepEntityAlive(ellipse_);
    Ellipse* e = ellipse_.get();
    const UnitsSource units = entityUnits(e);
    auto* params = new EntityContentEditor;
    params->addControl(new PointParametersEditor(
        [e] { return e->center(); }, [e](const QPointF& c) { e->setCenter(c); }, QStringLiteral("Center"), units));
    params->addControl(new SizeParametersEditor(
        [e] { return e->size(); }, [e](const QSizeF& s) { e->setSize(s); }, QStringLiteral("Size"), units));
    addContent(params);
    addContent(new ExtrusionEditor(e, e->extrusionBase, e->extrusionHeight, units));
    addContent(new PenEditor(e->pen, units));
    addContent(new FillEditor(e->brush));
}
