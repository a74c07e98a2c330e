#include "entities/pcb/KeepOut.h"

#include <utility>

PcbKeepOut::PcbKeepOut(GraphicsSheet* sheet) : ClosedCurve(sheet)
{
}

void PcbKeepOut::readXML(pugi::xml_node element)
{
    ClosedCurve::readXML(element);
    brush.color = QColor::fromRgbF(1, 0, 0, 0.1f);
}

QWidget* PcbKeepOut::editorView()
{
    return new PcbKeepOutEditor(std::static_pointer_cast<PcbKeepOut>(shared_from_this()));
}

PcbKeepOutEditor::PcbKeepOutEditor(std::shared_ptr<PcbKeepOut> k, QWidget* parent)
    : FrameEditor(QStringLiteral("PCB Keep Out"), {}, parent), pcbKeepOut(std::move(k))
{
    keepEntityAlive(pcbKeepOut);
}
