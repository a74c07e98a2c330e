#include "entities/pcb/Bodies3D.h"

#include "core/Readers.h"

#include <utility>

Entity3D::Entity3D(GraphicsSheet* sheet) : Entity(sheet)
{
}

void Entity3D::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    onBottom = readBoolAttribute(element, "onBottom", false);
    for (pugi::xml_node child = element.child("material"); child; child = child.next_sibling("material"))
        material.readXML(child);
}

SizedBody3D::SizedBody3D(GraphicsSheet* sheet) : Entity3D(sheet)
{
}

void SizedBody3D::readXML(pugi::xml_node element)
{
    Entity3D::readXML(element);
    center = readVector3Attribute(element, "center", center);
    size = readVector3Attribute(element, "size", size);
}

Box::Box(GraphicsSheet* sheet) : SizedBody3D(sheet)
{
}

Cone::Cone(GraphicsSheet* sheet) : SizedBody3D(sheet)
{
}

Cylinder::Cylinder(GraphicsSheet* sheet) : SizedBody3D(sheet)
{
}

Sphere::Sphere(GraphicsSheet* sheet) : Entity3D(sheet)
{
}

void Sphere::readXML(pugi::xml_node element)
{
    Entity3D::readXML(element);
    center = readVector3Attribute(element, "center", center);
    radius = readFloatAttribute(element, "radius", radius);
}

Torus::Torus(GraphicsSheet* sheet) : Entity3D(sheet)
{
}

double Torus::tubeRadius()
{
    if (!tubeRadius_)
        tubeRadius_ = radius * 0.25;
    return *tubeRadius_;
}

void Torus::readXML(pugi::xml_node element)
{
    Entity3D::readXML(element);
    center = readVector3Attribute(element, "center", center);
    radius = readFloatAttribute(element, "radius", radius);
    tubeRadius_ = readFloatAttribute(element, "tubeRadius", tubeRadius());
}

Model3D::Model3D(GraphicsSheet* sheet) : Entity3D(sheet)
{
}

void Model3D::readXML(pugi::xml_node element)
{
    Entity3D::readXML(element);
    meshListID = readTextAttribute(element, "mesh", meshListID);
    meshOnBottom = readBoolAttribute(element, "OnBottom", meshOnBottom);
}

namespace {

template <class E, class Editor>
QWidget* makeEditor(const std::shared_ptr<Entity>& self)
{
    return new Editor(std::static_pointer_cast<E>(self));
}

} // namespace

QWidget* Box::editorView(const std::shared_ptr<Entity>& self) { return makeEditor<Box, BoxEditor>(self); }
QWidget* Cone::editorView(const std::shared_ptr<Entity>& self) { return makeEditor<Cone, ConeEditor>(self); }
QWidget* Cylinder::editorView(const std::shared_ptr<Entity>& self) { return makeEditor<Cylinder, CylinderEditor>(self); }
QWidget* Sphere::editorView(const std::shared_ptr<Entity>& self) { return makeEditor<Sphere, SphereEditor>(self); }
QWidget* Torus::editorView(const std::shared_ptr<Entity>& self) { return makeEditor<Torus, TorusEditor>(self); }
QWidget* Model3D::editorView(const std::shared_ptr<Entity>& self) { return makeEditor<Model3D, Model3DEditor>(self); }

BoxEditor::BoxEditor(std::shared_ptr<Box> b, QWidget* parent)
    : FrameEditor(QStringLiteral("3D Box"), {}, parent), box(std::move(b))
{
    keepEntityAlive(box);
}

ConeEditor::ConeEditor(std::shared_ptr<Cone> c, QWidget* parent)
    : FrameEditor(QStringLiteral("3D Cone"), {}, parent), cone(std::move(c))
{
    keepEntityAlive(cone);
}

CylinderEditor::CylinderEditor(std::shared_ptr<Cylinder> c, QWidget* parent)
    : FrameEditor(QStringLiteral("3D Cylinder"), {}, parent), cylinder(std::move(c))
{
    keepEntityAlive(cylinder);
}

SphereEditor::SphereEditor(std::shared_ptr<Sphere> s, QWidget* parent)
    : FrameEditor(QStringLiteral("3D Sphere"), {}, parent), sphere(std::move(s))
{
    keepEntityAlive(sphere);
}

TorusEditor::TorusEditor(std::shared_ptr<Torus> t, QWidget* parent)
    : FrameEditor(QStringLiteral("3D Torus"), {}, parent), torus(std::move(t))
{
    keepEntityAlive(torus);
}

Model3DEditor::Model3DEditor(std::shared_ptr<Model3D> m, QWidget* parent)
    : FrameEditor(QStringLiteral("3D Model"), {}, parent), model3D(std::move(m))
{
    keepEntityAlive(model3D);
}
