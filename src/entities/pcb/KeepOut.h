#pragma once
// An area of the board that routing and copper must avoid: a closed curve
// always filled translucent red, whatever brush the file gives it.

#include "editors/EntityEditor.h"
#include "model/ClosedCurve.h"

#include <memory>

class PcbKeepOut : public ClosedCurve {
public:
    explicit PcbKeepOut(GraphicsSheet* sheet);

    // The closed curve's attributes; then the brush colour is made
    // translucent red (1, 0, 0, 0.1). The pen stays as read.
    void readXML(pugi::xml_node element) override;
    // As a closed curve, except that the PCB's "Keep Outs" switch hides it.
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Pcb Keep Out"); }
};

// Title only: a keep-out has nothing to edit.
class PcbKeepOutEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit PcbKeepOutEditor(std::shared_ptr<PcbKeepOut> pcbKeepOut, QWidget* parent = nullptr);
    std::shared_ptr<PcbKeepOut> pcbKeepOut;
};
