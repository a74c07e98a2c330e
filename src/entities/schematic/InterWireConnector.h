#pragma once
// A connector joining wires by name (elements "interWireConnector" and
// "offpageConnector"): a flag whose tip touches the wire at the connection
// point, with the net's name in its body. The flag's head is 2h long and 2h
// wide (h = 0.0375); the body is as long as the measured name plus the
// margin. A probe point is marked by a thick bar across the body's far end.

#include "core/Alignment.h"
#include "core/Brush.h"
#include "core/Font.h"
#include "core/Geometry.h"
#include "core/Pen.h"
#include "entities/schematic/TerminalTypes.h"
#include "model/Entity.h"

#include <QPointF>
#include <QString>
#include <array>

class InterWireConnector : public Entity {
public:
    explicit InterWireConnector(GraphicsSheet* sheet);

    // Fixed at creation.
    Pen borderPen = Pen(QColor(0, 0, 0), 0.005);
    QString defaultText;
    double diffWidth = 0.1;

    // The tip of the flag.
    QPointF electricalConnectionPoint = QPointF(0, 0);
    QString electricalNodeName;
    Brush fillBrush = Brush(QColor::fromRgbF(1, 1, 0.69f, 1));
    // Nothing sets these.
    bool isNegativeDifferential = false;
    bool isPositiveDifferential = false;
    bool isProbe = false;
    // Added to the text width to give the body length.
    double margin = 0.1;
    // The outline, rebuilt in place: tip, head corner, body corners, the
    // body's far end, body corner, head corner, tip.
    std::array<QPointF, 7> points{};
    // Read and kept.
    StringAlignment stringAlignment = StringAlignment::center;
    // The side towards which the body extends from the tip; any is drawn as
    // right.
    TerminalOrientation terminalOrientation = TerminalOrientation::right;
    // The displayed text, set by each outline build.
    QString text = QStringLiteral("Connector");
    // The body rectangle.
    BoundingBox textBoundingBox;
    // The text colour, also the probe bar's.
    Brush textBrush = Brush(QColor(0, 0, 0));
    Font font;
    // Kept; not used for drawing.
    QPointF textPosition = QPointF(0, 0);
    QString userDefinedNodeName;

    // Half the flag's width: one unit in the last place above 0.0375.
    static const double kHalfWidth;

    // Entity attributes, "probe", "at", "margin", "name", "nodeName",
    // "orientation", the "fillBrush" and "textBrush" children, the "font"
    // child (height 0.04 unless it says otherwise), "stringAlignment".
    void readXML(pugi::xml_node element) override;
    // The outline; none for a connector without text.
    void calculateBoundingBox() override;
    // Outline, centred text and the probe bar.
    void draw(Graphics& g) const override;
    QString typeName() const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    // Chooses the displayed text, measures it and rebuilds `points` and
    // `textBoundingBox`.
    void buildConnectorOutline();
};
