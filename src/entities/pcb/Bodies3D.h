#pragma once
// Simple 3D solids a footprint may carry among its children: boxes, cones,
// cylinders, spheres, tori and references to stored meshes. The 2D view does
// not render them: they are read and kept, draw only the selection frame of
// the base and keep an empty box, so they never widen their footprint.

#include "core/Values.h"
#include "editors/EntityEditor.h"
#include "entities/pcb/Materials.h"
#include "model/Entity.h"

#include <memory>
#include <optional>

// Base of the bodies: side, surface material and placement matrix.
class Entity3D : public Entity {
public:
    bool onBottom = false;
    QelMaterial material;
    // Never read from the file: stays the identity.
    Matrix4 matrix4;

    // Entity attributes, "onBottom" (exactly "true"; anything else, a
    // missing attribute too, is false), then every "material" child in
    // document order into material. Other children are ignored.
    void readXML(pugi::xml_node element) override;

protected:
    explicit Entity3D(GraphicsSheet* sheet);
};

// Box, cone and cylinder: a centre and the extent along each axis.
class SizedBody3D : public Entity3D {
public:
    Vector3 center;
    Vector3 size;

    // Entity3D's attributes, then "center" and "size" ("x,y,z").
    void readXML(pugi::xml_node element) override;

protected:
    explicit SizedBody3D(GraphicsSheet* sheet);
};

class Box : public SizedBody3D {
public:
    explicit Box(GraphicsSheet* sheet);
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Box"); }
};

class Cone : public SizedBody3D {
public:
    explicit Cone(GraphicsSheet* sheet);
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Cone"); }
};

class Cylinder : public SizedBody3D {
public:
    explicit Cylinder(GraphicsSheet* sheet);
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Cylinder"); }
};

class Sphere : public Entity3D {
public:
    explicit Sphere(GraphicsSheet* sheet);
    Vector3 center;
    double radius = 1.0;

    // Entity3D's attributes, "center", "radius" (single precision).
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Sphere"); }
};

class Torus : public Entity3D {
public:
    explicit Torus(GraphicsSheet* sheet);
    Vector3 center;
    double radius = 1.0;

    // A quarter of the radius until first asked for (or read); fixed from
    // then on.
    double tubeRadius();
    void setTubeRadius(double r) { tubeRadius_ = r; }

    // Entity3D's attributes, "center", "radius", then "tubeRadius" whose
    // default is the (first-use) quarter of the radius just read; both at
    // single precision.
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Torus"); }

private:
    std::optional<double> tubeRadius_;
};

// A reference to a mesh stored elsewhere.
class Model3D : public Entity3D {
public:
    explicit Model3D(GraphicsSheet* sheet);
    QString meshListID;
    // "OnBottom" (capital O), a flag of its own beside Entity3D's onBottom.
    bool meshOnBottom = false;

    // Entity3D's attributes, "mesh" (text), "OnBottom".
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Model 3D"); }
};

// Title-only editors: a body has nothing to edit here.
class BoxEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit BoxEditor(std::shared_ptr<Box> box, QWidget* parent = nullptr);
    std::shared_ptr<Box> box;
};

class ConeEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit ConeEditor(std::shared_ptr<Cone> cone, QWidget* parent = nullptr);
    std::shared_ptr<Cone> cone;
};

class CylinderEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit CylinderEditor(std::shared_ptr<Cylinder> cylinder, QWidget* parent = nullptr);
    std::shared_ptr<Cylinder> cylinder;
};

class SphereEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit SphereEditor(std::shared_ptr<Sphere> sphere, QWidget* parent = nullptr);
    std::shared_ptr<Sphere> sphere;
};

class TorusEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit TorusEditor(std::shared_ptr<Torus> torus, QWidget* parent = nullptr);
    std::shared_ptr<Torus> torus;
};

class Model3DEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit Model3DEditor(std::shared_ptr<Model3D> model3D, QWidget* parent = nullptr);
    std::shared_ptr<Model3D> model3D;
};
