#include "entities/pcb/KeepOut.h"

#include "document/PCB.h"

#include <utility>

PcbKeepOut::PcbKeepOut(GraphicsSheet* sheet) : ClosedCurve(sheet)
{
}

void PcbKeepOut::readXML(pugi::xml_node element)
{
    ClosedCurve::readXML(element);
    editBrush().color = QColor::fromRgbF(1, 0, 0, 0.1f);
}

void PcbKeepOut::draw(Graphics& g) const
{
    // The view settings offer a "Keep Outs" switch; without this test it
    // would change nothing on the board.
    if (auto* pcb = dynamic_cast<PCB*>(sheet); pcb && !pcb->pcbSettings.showKeepOuts)
        return;
    ClosedCurve::draw(g);
}

QWidget* PcbKeepOut::editorView(const std::shared_ptr<Entity>& self)
{
    return new PcbKeepOutEditor(std::static_pointer_cast<PcbKeepOut>(self));
}

PcbKeepOutEditor::PcbKeepOutEditor(std::shared_ptr<PcbKeepOut> k, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Keep Out"), {}, parent), pcbKeepOut(std::move(k))
{
    keepEntityAlive(pcbKeepOut);
}
