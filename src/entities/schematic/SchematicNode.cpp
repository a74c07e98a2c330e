#include "entities/schematic/SchematicNode.h"

#include "core/Brush.h"
#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"
#include "document/Schematic.h"
#include "entities/schematic/SchematicEditors.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

// The "at" of a vertex element: (0, 0) when missing, none when present but
// not readable as two numbers.
std::optional<QPointF> vertexPosition(pugi::xml_node element)
{
    if (!element.attribute("at"))
        return QPointF(0, 0);
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const QPointF p = readPointAttribute(element, "at", QPointF(nan, nan));
    if (std::isnan(p.x()))
        return std::nullopt;
    return p;
}

// The hop of a jumper at j towards the next vertex, appended to points.
void appendHop(std::vector<QPointF>& points, QPointF j, QPointF next, double r)
{
    constexpr double pi = std::numbers::pi;
    constexpr double step = pi / 30;
    const double dx = next.x() - j.x(), dy = next.y() - j.y();
    const bool vertical = std::abs(dy) >= 0.01;
    const bool horizontal = std::abs(dx) >= 0.01;
    if (vertical == horizontal)
        return; // slanted, or the next vertex coincides: no hop
    auto add = [&](double a) { points.emplace_back(j.x() + r * std::cos(a), j.y() + r * std::sin(a)); };
    // The angle is accumulated step by step, so that the last sample falls
    // where repeated addition puts it.
    if (vertical) {
        if (dy > 0)
            for (double a = -pi / 2; a <= pi / 2 + pi / 60; a += step)
                add(a);
        else
            for (double a = pi / 2; a >= -pi / 2 - pi / 60; a -= step)
                add(a);
    } else {
        if (dx >= 0)
            for (double a = pi; a >= -pi / 60; a -= step)
                add(a);
        else
            for (double a = 0; a <= pi + pi / 60; a += step)
                add(a);
    }
}

} // namespace

std::shared_ptr<Pen> defaultWirePen()
{
    static const std::shared_ptr<Pen> pen = std::make_shared<Pen>(QColor(0, 0, 0), 0.007);
    return pen;
}

// Wire

Wire::Wire(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Wire::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    routed = readBoolAttribute(element, "routed", routed);
    startTerminalId = readIntAttribute(element, "from", startTerminalId);
    endTerminalId = readIntAttribute(element, "to", endTerminalId);
    for (pugi::xml_node child : element.children()) {
        if (child.type() != pugi::node_element)
            continue;
        const std::string_view name = child.name();
        if (name == "vertex") {
            if (std::optional<QPointF> p = vertexPosition(child)) {
                auto v = std::make_unique<WireVertex>();
                v->position = *p;
                wireVertices.push_back(std::move(v));
            }
        } else if (name == "vertexJumper") {
            if (std::optional<QPointF> p = vertexPosition(child)) {
                auto v = std::make_unique<WireVertexJumper>();
                v->position = *p;
                v->isBusJumper = readBoolAttribute(child, "bus", false);
                wireVertices.push_back(std::move(v));
            }
        }
    }
}

void Wire::buildWirePath(const std::optional<QTransform>& t)
{
    points.clear();
    path.reset();
    const size_t n = wireVertices.size();
    if (n == 0)
        return;
    points.reserve(n);
    for (size_t i = 0; i + 1 < n; ++i) {
        const WireVertex& v = *wireVertices[i];
        if (typeid(v) != typeid(WireVertexJumper)) {
            points.push_back(v.position);
            continue;
        }
        const double r = static_cast<const WireVertexJumper&>(v).isBusJumper ? kBusJumperRadius : kJumperRadius;
        appendHop(points, v.position, wireVertices[i + 1]->position, r);
    }
    points.push_back(wireVertices.back()->position);

    for (const QPointF& p : points)
        boundingBox.addPoint(t ? t->map(p) : p);

    // Off a schematic sheet there is no corner style: corners stay square.
    const auto* schematic = dynamic_cast<const Schematic*>(sheet);
    const WireCornerStyle corners = schematic ? schematic->schematicSettings.wireCorners : WireCornerStyle::orthogonal;
    if (corners == WireCornerStyle::orthogonal)
        return;
    PolylineCurver curver(points, corners == WireCornerStyle::beveled);
    curver.cornerRadius = kCornerRadius;
    path = curver.buildPath();
}

void Wire::calculateBoundingBox()
{
    buildWirePath(netTransform);
}

void Wire::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    if (path) {
        g.fillAndStrokePath(*path, *pen, Brush(QColor(0, 0, 0, 0)));
    } else if (!points.empty() && isDrawable(pen->color)) {
        g.applyPen(*pen);
        g.context.beginPath();
        g.context.moveTo(points.front());
        for (size_t i = 1; i < points.size(); ++i)
            g.context.lineTo(points[i]);
        g.context.strokePath();
    }
    g.popTransform(singleLevelTransform);
}

QString Wire::typeName() const
{
    return QStringLiteral("Wire");
}

QWidget* Wire::editorView(const std::shared_ptr<Entity>& self)
{
    return new WireEditor(std::static_pointer_cast<Wire>(self));
}

// WireContainer

WireContainer::WireContainer(GraphicsSheet* sheet)
    : Entity(sheet)
    , pen(std::make_shared<Pen>(defaultWirePen()->color, defaultWirePen()->width))
{
}

void WireContainer::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    pen->readXML(element);
    readWires(element);
}

void WireContainer::readWires(pugi::xml_node element)
{
    for (pugi::xml_node child : element.children("wire")) {
        auto wire = std::make_shared<Wire>(sheet);
        wire->elementName = QStringLiteral("wire");
        wire->readXML(child);
        wires.push_back(std::move(wire));
    }
}

void WireContainer::wireContainerBounds()
{
    for (const std::shared_ptr<Wire>& wire : wires) {
        wire->pen = pen;
        // The wire is drawn under the container's transform and its own.
        wire->computeNetTransform(netTransform);
        wire->boundingBox = BoundingBox();
        wire->buildWirePath(wire->netTransform);
        if (wire->boundingBox.valid)
            boundingBox.addTransformedBox(wire->boundingBox, std::nullopt);
    }
}

void WireContainer::calculateBoundingBox()
{
    wireContainerBounds();
}

void WireContainer::draw(Graphics& g) const
{
    Entity::draw(g);
    g.pushTransform(singleLevelTransform);
    for (const std::shared_ptr<Wire>& wire : wires)
        wire->draw(g);
    g.popTransform(singleLevelTransform);
}

// SchematicNode

SchematicNode::SchematicNode(GraphicsSheet* sheet) : WireContainer(sheet)
{
}

void SchematicNode::readXML(pugi::xml_node element)
{
    WireContainer::readXML(element);
    verified = readBoolAttribute(element, "verified", verified);
    index = readIntAttribute(element, "index", index);
    isDifferential = readBoolAttribute(element, "differential", isDifferential);
    isGround = readBoolAttribute(element, "isGround", isGround);
    ground = readBoolAttribute(element, "ground", ground);
    actualName = readTextAttribute(element, "name", actualName);
    userDefinedName = readTextAttribute(element, "userName", userDefinedName);
    netID = readIdAttribute(element, "netId", netID);
    voltage = readDoubleAttribute(element, "voltage", voltage);
    EntityList::readEntities(element, sheet, childEntities);
}

void SchematicNode::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox)
{
    // The net's own transform is composed here, and the box starts afresh,
    // so that boxes follow what drawing shows under nested placements.
    computeNetTransform(parentTransform);
    boundingBox = BoundingBox();
    wireContainerBounds();
    childEntities.updateBoundingBox(netTransform, &boundingBox);
    if (childEntities.boundingBox.valid)
        boundingBox.addTransformedBox(childEntities.boundingBox, std::nullopt);
    if (parentBox && boundingBox.valid)
        parentBox->addTransformedBox(boundingBox, std::nullopt);
}

QString SchematicNode::typeName() const
{
    return QStringLiteral("Node");
}

QWidget* SchematicNode::editorView(const std::shared_ptr<Entity>& self)
{
    return new SchematicNodeEditor(std::static_pointer_cast<SchematicNode>(self));
}
