#pragma once
// The body outline of a schematic symbol: the rectangle whose sides its pins
// attach to, filled and outlined, optionally with rounded corners. Which
// sides may take pins is stored, not used.

#include "core/Brush.h"
#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QRectF>
#include <memory>

// Elements "terminalMagnet", "partBorder" and "symbolBorder".
class TerminalMagnet : public Entity {
public:
    explicit TerminalMagnet(GraphicsSheet* sheet);

    // The corner radius of a rounded outline, in inches.
    static constexpr double kCornerRadius = 0.06;

    QRectF rectangle = QRectF(0, 0, 0, 0);
    Pen pen;
    Brush brush;
    bool canAddTerminalsToTop = true;
    bool canAddTerminalsToBottom = true;
    bool canAddTerminalsToLeft = true;
    bool canAddTerminalsToRight = true;
    bool roundedCorners = false;

    // Entity attributes, the pen and brush of the element, "x", "y", "width",
    // "height", then the flags ("useTop", "useBottom", "useLeft", "useRight",
    // "roundedCorners").
    void readXML(pugi::xml_node element) override;
    // The rectangle under the net transform, grown by half a visible pen.
    void calculateBoundingBox() override;
    // No selection frame.
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Terminal Magnet"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    // The rounded outline in own coordinates.
    QPainterPath roundedOutline() const;
};

class TerminalMagnetEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit TerminalMagnetEditor(std::shared_ptr<TerminalMagnet> magnet, QWidget* parent = nullptr);
    std::shared_ptr<TerminalMagnet> terminalMagnet;
};
