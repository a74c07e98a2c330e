#pragma once
// Fabrication marks: a fiducial and a Gerber flash, which are only kept, and
// a solder-mask opening, drawn as a translucent red outline.

#include "core/Alignment.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/ClosedCurve.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <optional>

class Fiducial : public Entity {
public:
    explicit Fiducial(GraphicsSheet* sheet);

    // Squares of the inner and the outer diameter about the centre.
    QRectF rectangle = QRectF(0, 0, 0, 0);
    QRectF outerRectangle = QRectF(0, 0, 0, 0);
    // Kept only.
    Pen pen = Pen(QColor(255, 255, 255), 0.0);
    QPointF modelSpacePosition = QPointF(0, 0);
    double diameter = 0;
    double outerDiameter = 0;
    bool addedByPcbBorder = false;
    bool twoSided = false;
    QString name;
    static constexpr ContentAlignment defaultNameAligned = ContentAlignment::middleRight;
    // Unset until read.
    std::optional<ContentAlignment> nameAligned;

    // "at" ((0, 0) when missing), "holeDiameter", "outerDiameter",
    // "addedByPcbBorder", "twoSided", "name", "alignment" (missing or unknown:
    // middleCenter); then both squares. The layer stays.
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Fiducial"); }
};

class GerberFlash : public Entity {
public:
    explicit GerberFlash(GraphicsSheet* sheet);

    QPointF modelSpacePosition = QPointF(0, 0);
    QString name;
    bool round = false;
    double crossHairThickness = 0;
    bool addThermalRelief = false;
    double holeDiameter = 0;
    double roundness = 0;
    QSizeF size = QSizeF(0, 0);

    // "modelSpacePosition", "name", "round", "crossHairThickness",
    // "addThermalRelief", "holeDiameter", "roundness", "size"; a missing one
    // keeps its value. The layer stays.
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Gerber Flash"); }
};

class NoMask : public ClosedCurve {
public:
    explicit NoMask(GraphicsSheet* sheet);

    bool addSolderPaste = false;

    // The closed curve, its brush colour then made translucent red (whatever
    // the file gave), and "addSolderPaste". The layer stays.
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("No Mask"); }
};

// Title only.
class FiducialEditor : public FrameEditor {
public:
    explicit FiducialEditor(std::shared_ptr<Fiducial> fiducial, QWidget* parent = nullptr);
    std::shared_ptr<Fiducial> fiducial;
};

class GerberFlashEditor : public FrameEditor {
public:
    explicit GerberFlashEditor(std::shared_ptr<GerberFlash> gerberFlash, QWidget* parent = nullptr);
    std::shared_ptr<GerberFlash> gerberFlash;
};

class NoMaskEditor : public FrameEditor {
public:
    explicit NoMaskEditor(std::shared_ptr<NoMask> noMask, QWidget* parent = nullptr);
    std::shared_ptr<NoMask> noMask;
};
