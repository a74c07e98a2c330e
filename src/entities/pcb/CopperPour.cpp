#include "entities/pcb/CopperPour.h"

#include "core/Graphics.h"
#include "core/PathDetail.h"
#include "core/Readers.h"
#include "document/PCB.h"

#include <algorithm>

CopperPour::CopperPour(GraphicsSheet* sheet) : ClosedCurve(sheet)
{
}

void CopperPour::readXML(pugi::xml_node element)
{
    ClosedCurve::readXML(element);
    steps = readInt32Attribute(element, "steps", steps);
    if (std::optional<std::string> s = readStringAttribute(element, "signalName"))
        signalName = QString::fromStdString(*s);
    addThermalRelief = readBoolAttribute(element, "addThermalRelief", addThermalRelief);
    // A pour written without children keeps the brush of its attributes.
    if (!element.first_child())
        return;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        const std::string_view name = child.name();
        if (name == "fill") {
            planeSurface.readXML(child);
        } else if (name == "graphicsPathWithUnconnectedRemoved") {
            GraphicsPath path;
            path.read(child);
            graphicsPathWithUnconnectedRemoved = std::move(path);
        }
    }
    editBrush().color = QColor::fromRgbF(1, 1, 1, 0);
}

void CopperPour::draw(Graphics& g) const
{
    // The switch lives in the PCB settings; a pour on any other sheet has
    // none to consult and draws as if pours were shown.
    if (auto* pcb = dynamic_cast<PCB*>(sheet); pcb && !pcb->pcbSettings.showCopperPours)
        return;
    ClosedCurve::draw(g);
    const QColor white = QColor::fromRgbF(1, 1, 1, 1);
    if (planeSurface.path) {
        g.pushTransform(singleLevelTransform);
        g.context.setFillColor(g.effectiveColor(white));
        g.context.beginPath();
        g.context.addPath(*planeSurface.path);
        g.context.fillPath(Qt::WindingFill);
        g.popTransform(singleLevelTransform);
    } else if (graphicsPathWithUnconnectedRemoved) {
        g.pushTransform(singleLevelTransform);
        g.fillPolygon(white, *graphicsPathWithUnconnectedRemoved);
        g.popTransform(singleLevelTransform);
    }
}

void CopperPour::calculateBoundingBox()
{
    ClosedCurve::calculateBoundingBox();
    // The stored copper is drawn in the pour's own coordinates like the
    // outline, and may lie beyond it (or come without one).
    if (planeSurface.path) {
        PathDetail::prepare(*planeSurface.path);
        settlePath(*planeSurface.path);
        if (!planeSurface.path->isEmpty())
            boundingBox.addTransformedRect(planeSurface.path->controlPointRect(), netTransform);
    } else if (graphicsPathWithUnconnectedRemoved) {
        graphicsPathWithUnconnectedRemoved->keepPath();
        settlePath(graphicsPathWithUnconnectedRemoved->drawnPath());
        const auto& points = graphicsPathWithUnconnectedRemoved->pathPoints;
        if (!points.empty()) {
            double left = points.front().at.x(), right = left, bottom = points.front().at.y(), top = bottom;
            for (const auto& p : points) {
                left = std::min(left, p.at.x());
                right = std::max(right, p.at.x());
                bottom = std::min(bottom, p.at.y());
                top = std::max(top, p.at.y());
            }
            boundingBox.addTransformedRect(QRectF(QPointF(left, bottom), QPointF(right, top)), netTransform);
        }
    }
}

QWidget* CopperPour::editorView(const std::shared_ptr<Entity>& self)
{
    return new CopperPourEditor(std::static_pointer_cast<CopperPour>(self));
}

SplitPowerPlane::SplitPowerPlane(GraphicsSheet* sheet) : ClosedCurve(sheet)
{
}

void SplitPowerPlane::readXML(pugi::xml_node element)
{
    ClosedCurve::readXML(element);
    steps = readInt32Attribute(element, "steps", steps);
    if (std::optional<std::string> s = readStringAttribute(element, "signalName"))
        signalName = QString::fromStdString(*s);
    addThermalRelief = readBoolAttribute(element, "doNotBlockRouting", addThermalRelief);
}

QWidget* SplitPowerPlane::editorView(const std::shared_ptr<Entity>& self)
{
    return new SplitPowerPlaneEditor(std::static_pointer_cast<SplitPowerPlane>(self));
}

CopperPourEditor::CopperPourEditor(std::shared_ptr<CopperPour> pour, QWidget* parent)
    : FrameEditor(QStringLiteral("Copper Pour"), QString(), parent), copperPour(std::move(pour))
{
    keepEntityAlive(copperPour);
}

SplitPowerPlaneEditor::SplitPowerPlaneEditor(std::shared_ptr<SplitPowerPlane> plane, QWidget* parent)
    : FrameEditor(QStringLiteral("Splt Power Plane"), QString(), parent), splitPowerPlane(std::move(plane))
{
    keepEntityAlive(splitPowerPlane);
}
