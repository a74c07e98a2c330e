#pragma once
// The keep-clear rectangle around a component, carried by its footprint and
// drawn as a thin magenta outline while the PCB shows courtyards.

#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QRectF>
#include <memory>

class Courtyard : public Entity, public IPen {
public:
    explicit Courtyard(GraphicsSheet* sheet);

    QRectF rectangle = QRectF(0, 0, 0, 0);
    Pen pen{QColor::fromRgbF(1, 0, 1, 1), 0};
    // Stored for an outline generator; drawing and geometry ignore them.
    bool autosize = true;
    bool visibleInPcb = true;
    static constexpr double defaultMargin = 0.5 / 25.4;
    double margin = defaultMargin;

    // Entity attributes, the pen, "x" "y" "width" "height", "autosize",
    // "visibleInPcb", "margin" (a whole C-locale number; anything else keeps
    // the margin).
    void readXML(pugi::xml_node element) override;
    // Only on a PCB sheet that shows courtyards: the selection frame, then
    // the rectangle stroked with the pen, never filled.
    void draw(Graphics& g) const override;
    // The rectangle under the net transform; the pen does not widen it.
    void calculateBoundingBox() override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Courtyard"); }

    Pen* entityPen() override { return &pen; }
};

// Title only: the courtyard has nothing to edit.
class CourtyardEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit CourtyardEditor(std::shared_ptr<Courtyard> courtyard, QWidget* parent = nullptr);
    std::shared_ptr<Courtyard> courtyard;
};
