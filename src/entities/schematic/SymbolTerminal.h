#pragma once
// One pin of a schematic symbol, drawn in the symbol's coordinates: a line of
// one of four lengths leaving the body in one of four directions from its
// placement point, a decoration chosen by its type, the pin name inside the
// body (with optional overlines), the pad name outside it beside the pin, and
// a no-connect cross at the outer end. The pad name is not in the file: after
// reading, the pad-name assignment copies in the name of the pad whose
// identity is the terminal's padId.

#include "core/Alignment.h"
#include "core/Brush.h"
#include "core/Font.h"
#include "core/Geometry.h"
#include "core/Pen.h"
#include "document/SymbolPadNameSetter.h"
#include "editors/EntityEditor.h"
#include "entities/schematic/PinName.h"
#include "entities/schematic/TerminalTypes.h"
#include "model/Entity.h"

#include <QPointF>
#include <QString>
#include <memory>
#include <optional>

class SymbolTerminal : public Entity, public ITerminalPadLink {
public:
    explicit SymbolTerminal(GraphicsSheet* sheet);

    // A hostile file must not make layout unbounded: at most this many UTF-16
    // units of a pin or pad name are laid out (the rest is kept, not shown).
    static constexpr int kMaxShownNameLength = 1024;
    // Where the name lies from the placement point, and the pad name from
    // the pin.
    static constexpr double kNameGap = 0.05;
    static constexpr double kPadNameGap = 0.06;
    static constexpr double kPadNameRise = 0.05;
    // Half the side of the no-connect cross; radius of bubbles and circles.
    static constexpr double kMarkSize = 0.025;

    // Kept, used by no operation.
    const QPointF electricalConnectionPoint = QPointF(0, 0);
    // The measured box of the pin name and the parsed marked name.
    std::optional<BoundingBox> nameModelSpaceBoundingBox;
    std::optional<TextWithOverstrikes> textWithOverstrikes;
    // The centre at which the pad name is drawn, and its measured box.
    QPointF padNameModelPosition = QPointF(0, 0);
    const double borderMargin = 0.06;
    const double baseMargin = 0.05;
    std::optional<BoundingBox> padNameModelSpaceBoundingBox;
    bool italic = false;
    const Pen invisibleBlackPen{};
    // The decoration pen of ground terminals.
    const Pen invisibleGreenPen{};
    bool connectionsVerified = false;
    QString formatFreeText;
    bool groundTerminal = false;
    bool hide = true;
    TerminalLineLength lineLength = TerminalLineLength::Medium;
    QPointF nameTextOffset = QPointF(0, 0);
    bool nameVisibleInSchematic = true;
    bool noAssociatedPad = false;
    bool noConnect = false;
    TerminalOrientation orientation = TerminalOrientation::left;
    QPointF padNameTextOffset = QPointF(0, 0);
    bool padNameVisibleInSchematic = true;
    // The decoration pen; not read from the file.
    Pen pen = Pen(QColor(0, 0, 0), 0.007);
    // Its colour is the pin name's colour.
    Brush fillBrush = Brush(QColor(0, 0, 0));
    QString pinDescription;
    QPointF placementPoint = QPointF(0, 0);
    Id portId;
    StringAlignment stringAlignment = StringAlignment::center;
    // The direction every operation uses.
    TerminalOrientation terminalOrientation = TerminalOrientation::left;
    TerminalType type = TerminalType::medium;
    QString userDefinedNodeName;
    bool verified = false;
    bool visibleInSchematic = true;
    // The pin name, possibly with overline marks.
    QString name;
    Id padId;
    QString padName;
    // Set once the pin has been measured pointing up or down (never cleared):
    // the name is then drawn turned.
    bool vertical = false;
    Font nameFont;
    Font padNameFont;
    const double textMargin = 0.05;

    // Entity attributes, then the pin's attributes; the defaults of "length"
    // and "type" depend on the version of the file being read.
    void readXML(pugi::xml_node element) override;
    // The names' boxes, the pin line and its decoration, the no-connect cross.
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Symbol Terminal"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

    // The outer end of the pin line.
    QPointF pinEndPoint() const;
    // Places and measures the pad name (nothing for a hidden or empty one).
    void layoutTerminalPadName();
    // Parses and measures the pin name.
    void layoutTerminalName();
    void drawTerminalName(Graphics& g) const;
    void drawTerminalPadName(Graphics& g) const;
    void drawPinDecoration(Graphics& g) const;
    void drawNoConnectMark(Graphics& g) const;

    // The pad-name assignment's view of the terminal.
    ITerminalPadLink* terminalPadLinkCapability() override { return this; }
    Id terminalPadId() const override { return padId; }
    void setTerminalPadName(const QString& n) override { padName = n; }

    // The no-connect cross's pen: dark green, width 0.007.
    static const Pen& noConnectPen();
    // The name as laid out: the first kMaxShownNameLength units.
    static QString shownPart(const QString& text);

private:
    // Whether the name is hidden in a design that honours the flag.
    bool nameHidden() const;
    // The points a decoration reaches beyond the pin line.
    void addDecorationExtent(BoundingBox& box) const;
    // The connection dot's pen width, or none off a schematic sheet.
    std::optional<double> dotWidth() const;
};

class SymbolTerminalEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit SymbolTerminalEditor(std::shared_ptr<SymbolTerminal> terminal, QWidget* parent = nullptr);
    std::shared_ptr<SymbolTerminal> symbolTerminal;
};
