#include "entities/pcb/Fiducials.h"

#include "core/Readers.h"

namespace {

QRectF squareAbout(QPointF center, double side)
{
    return QRectF(center.x() - side / 2, center.y() - side / 2, side, side);
}

} // namespace

Fiducial::Fiducial(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Fiducial::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    modelSpacePosition = readPointAttribute(element, "at", QPointF(0, 0));
    diameter = readDoubleAttribute(element, "holeDiameter", diameter);
    outerDiameter = readDoubleAttribute(element, "outerDiameter", outerDiameter);
    addedByPcbBorder = readBoolAttribute(element, "addedByPcbBorder", addedByPcbBorder);
    twoSided = readBoolAttribute(element, "twoSided", twoSided);
    name = readTextAttribute(element, "name", name);
    nameAligned = readEnumAttribute(element, "alignment", ContentAlignment::middleCenter, contentAlignmentFromString);
    rectangle = squareAbout(modelSpacePosition, diameter);
    outerRectangle = squareAbout(modelSpacePosition, outerDiameter);
}

QWidget* Fiducial::editorView(const std::shared_ptr<Entity>& self)
{
    return new FiducialEditor(std::static_pointer_cast<Fiducial>(self));
}

GerberFlash::GerberFlash(GraphicsSheet* sheet) : Entity(sheet)
{
}

void GerberFlash::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    modelSpacePosition = readPointAttribute(element, "modelSpacePosition", modelSpacePosition);
    name = readTextAttribute(element, "name", name);
    round = readBoolAttribute(element, "round", round);
    crossHairThickness = readDoubleAttribute(element, "crossHairThickness", crossHairThickness);
    addThermalRelief = readBoolAttribute(element, "addThermalRelief", addThermalRelief);
    holeDiameter = readDoubleAttribute(element, "holeDiameter", holeDiameter);
    roundness = readDoubleAttribute(element, "roundness", roundness);
    size = readSizeAttribute(element, "size", size);
}

QWidget* GerberFlash::editorView(const std::shared_ptr<Entity>& self)
{
    return new GerberFlashEditor(std::static_pointer_cast<GerberFlash>(self));
}

NoMask::NoMask(GraphicsSheet* sheet) : ClosedCurve(sheet)
{
}

void NoMask::readXML(pugi::xml_node element)
{
    ClosedCurve::readXML(element);
    // An opening always shows as a faint red area.
    editBrush().color = QColor::fromRgbF(1, 0, 0, 0.1f);
    addSolderPaste = readBoolAttribute(element, "addSolderPaste", addSolderPaste);
}

QWidget* NoMask::editorView(const std::shared_ptr<Entity>& self)
{
    return new NoMaskEditor(std::static_pointer_cast<NoMask>(self));
}

FiducialEditor::FiducialEditor(std::shared_ptr<Fiducial> f, QWidget* parent)
    : FrameEditor(QStringLiteral("Fiducial"), QString(), parent), fiducial(f)
{
    keepEntityAlive(std::move(f));
}

GerberFlashEditor::GerberFlashEditor(std::shared_ptr<GerberFlash> flash, QWidget* parent)
    : FrameEditor(QStringLiteral("Gerber Flash"), QString(), parent), gerberFlash(flash)
{
    keepEntityAlive(std::move(flash));
}

NoMaskEditor::NoMaskEditor(std::shared_ptr<NoMask> mask, QWidget* parent)
    : FrameEditor(QStringLiteral("No Mask"), QString(), parent), noMask(mask)
{
    keepEntityAlive(std::move(mask));
}
