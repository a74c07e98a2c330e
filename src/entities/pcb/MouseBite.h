#pragma once
// A break-off tab of a panelised board: its parameters and a child list of
// drilled holes. Both are kept only: they draw nothing but the selection
// frame of their boxes, which stay empty. The mouse bite is not a holder,
// so its holes take part in no pass of the sheet.

#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <QPointF>
#include <QRectF>
#include <memory>
#include <optional>

// Each setting is a fixed default and a value filled lazily: reading an unset
// value stores the default and returns it.
class MouseByteParameters {
public:
    static constexpr int defaultNumberOfHoles = 5;
    static constexpr double defaultHoleDiameter = 0.0;
    static constexpr double defaultHoleSpacing = 0.0;
    // 75 mm.
    static constexpr double defaultMaximumMouserBiteSeparation = 75 / 25.4;

    int numberOfHoles();
    double holeDiameter();
    double holeSpacing();
    double maximumMouserBiteSeparation();

    void setNumberOfHoles(int value) { numberOfHoles_ = value; }
    void setHoleDiameter(double value) { holeDiameter_ = value; }
    void setHoleSpacing(double value) { holeSpacing_ = value; }
    void setMaximumMouserBiteSeparation(double value) { maximumMouserBiteSeparation_ = value; }

    bool isNumberOfHolesSet() const { return numberOfHoles_.has_value(); }
    bool isHoleDiameterSet() const { return holeDiameter_.has_value(); }
    bool isHoleSpacingSet() const { return holeSpacing_.has_value(); }
    bool isMaximumMouserBiteSeparationSet() const { return maximumMouserBiteSeparation_.has_value(); }

private:
    std::optional<int> numberOfHoles_;
    std::optional<double> holeDiameter_;
    std::optional<double> holeSpacing_;
    std::optional<double> maximumMouserBiteSeparation_;
};

class MouseBite : public Entity {
public:
    explicit MouseBite(GraphicsSheet* sheet);

    QPointF position = QPointF(0, 0);
    MouseByteParameters mouseByteParameters;
    // The holes.
    EntityList entities;

    // "at" (missing keeps the position), the parameters, then the children.
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Mouse-Bite"); }
};

// "numberOfHoles", "holeDiameter", "holeSpacing" and
// "maximumMouserBiteSeparation" of the element; a missing or unreadable one
// keeps the current value. All four count as set afterwards.
void readMouseBiteParameters(pugi::xml_node element, MouseByteParameters& parameters);

class MouseBiteHole : public Entity {
public:
    explicit MouseBiteHole(GraphicsSheet* sheet);

    // The square of side diameter about the centre, derived when read.
    QRectF rectangle = QRectF(0, 0, 0, 0);
    // Neither read nor used, like the three fields after the diameter.
    Pen pen = Pen(QColor(255, 255, 255), 0.0);
    int index = 0;
    QPointF modelSpacePosition = QPointF(0, 0);
    double diameter = 0;
    double copperPourGap = 0;
    bool useCopperPourGap = false;
    bool addedByPcbBorder = false;

    // "at" ((0, 0) when missing), "holeDiameter", "index"; then the square.
    void readXML(pugi::xml_node element) override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Mouse-Bite Hole"); }
};

// Title only.
class MouseBiteEditor : public FrameEditor {
public:
    explicit MouseBiteEditor(std::shared_ptr<MouseBite> mouseBite, QWidget* parent = nullptr);
    std::shared_ptr<MouseBite> mouseBite;
};

class MouseBiteHoleEditor : public FrameEditor {
public:
    explicit MouseBiteHoleEditor(std::shared_ptr<MouseBiteHole> mouseBiteHole, QWidget* parent = nullptr);
    std::shared_ptr<MouseBiteHole> mouseBiteHole;
};
