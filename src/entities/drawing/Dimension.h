#pragma once
// A linear dimension (element "dimension"): a dimension line between two
// measured points, optionally moved off them by an offset and joined to them
// by extension lines, end markers, and the measured length in the sheet's
// units (or a fixed text). Everything drawn is laid out at the start of each
// bounding-box pass; drawing only reads the layout.

#include "core/Brush.h"
#include "core/Font.h"
#include "core/Geometry.h"
#include "core/Pen.h"
#include "core/Units.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <QString>
#include <QTransform>
#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

enum class DimensionArrowStyle { none, line, arrow, box };
enum class DimensionStyle { angled, horizontal, vertical };
std::optional<DimensionArrowStyle> dimensionArrowStyleFromString(std::string_view text);
std::optional<DimensionStyle> dimensionStyleFromString(std::string_view text);

class Dimension : public Entity, public IPen {
public:
    explicit Dimension(GraphicsSheet* sheet);

    // Kept; nothing reads it.
    static constexpr double gap = 0.05;
    // Lines, extension lines, ticks and boxes. The layout sets its caps to
    // flat and the tick and box markers rewrite caps and join as they draw.
    Pen pen;
    // Text and arrow-head colour; the layout replaces it by the pen colour.
    Brush brush;
    bool displayValue = true;
    QPointF start{0, 0};
    QPointF end{0, 0};
    DimensionArrowStyle markerStyle = DimensionArrowStyle::arrow;
    double offset = 0;
    // Shown instead of the value when displayValue is off.
    QString prefix;
    bool reverse = false;
    DimensionStyle style = DimensionStyle::angled;
    QPointF textOffset{0, 0};
    // Kept; no effect on the layout.
    bool textOnTop = true;
    static inline const QString defaultFontName = QStringLiteral("ArialTM");
    Font font;

    // Kept, without effect.
    QTransform startOffsetMatrix;
    QTransform endOffsetMatrix;
    double lineLength = 0;
    double dimensionUnit = 0;

    // Derived by the layout.
    QPointF startOffset{0, 0};
    QPointF endOffset{0, 0};
    std::optional<QTransform> offsetMatrix;
    QString text;
    QPointF textCenter{0, 0};
    double textAngleInDegrees = 0;
    bool inlineText = false;
    std::vector<LineF> lines;
    double dimensionWidth = 0;
    std::vector<QPointF> startArrowPoints;
    std::vector<QPointF> endArrowPoints;
    bool drawOffsets = false;
    QPointF manipulatorStart{0, 0};
    QPointF manipulatorEnd{0, 0};

    // Entity attributes, pen, "displayText", "end", font, "marker",
    // "offset", "prefix", "reverse", "start", "style", "textOffsetX",
    // "textOffsetY", "textOnTop".
    void readXML(pugi::xml_node element) override;
    // The layout, then the measured points, the line, the offset points and
    // the text's corners, each mapped through netTransform.
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Dimension"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    Pen* entityPen() override { return &pen; }

    // Recomputes every derived field from the stored ones and the sheet's
    // units. Own coordinates; the box is left empty.
    void layout();
    // The text's rectangle as laid out: centred on the text position, turned
    // with the text and moved with an offset line. Own coordinates.
    std::array<QPointF, 4> textCorners() const;
    // The measured length m in the units: at least one and at most four
    // fraction digits in the user's locale, then the unit's suffix; "?" for a
    // length that is not finite.
    static QString formatValue(double inches, Units units);
    static const char* unitSuffix(Units units);
};

// "Dimension" over an empty parameter area.
class DimensionEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit DimensionEditor(std::shared_ptr<Dimension> dimension, QWidget* parent = nullptr);
    std::shared_ptr<Dimension> dimension;
};
