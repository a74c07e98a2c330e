#pragma once
// The base of every text in a design: one string anchored at a point with an
// alignment about it, set in a font and filled with the brush colour. Free
// texts, note boxes, push buttons, footprint and schematic texts derive
// from it.
//
// Layout: each line is measured by the ink bounds (w, h) of its glyphs at the
// font's height x 1.38; its lower-left corner is the anchor minus an offset
// chosen by the alignment, so the alignment names the side of the anchor the
// text lies on (bottomLeft: left of and below the anchor). The glyphs are
// drawn with their baseline start at that corner, moved left by a tenth of
// the font height.
//
// Lines are separated by carriage return + line feed; `lines` and the
// multi-line placement follow the text after the next bounding-box pass.

#include "core/Alignment.h"
#include "core/Brush.h"
#include "core/Font.h"
#include "core/Geometry.h"
#include "core/TextMetrics.h"
#include "model/Entity.h"

#include <QGlyphRun>
#include <QList>
#include <QPainterPath>
#include <QTransform>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class TextEntity : public Entity, public IBrush {
public:
    explicit TextEntity(GraphicsSheet* sheet);
    ~TextEntity() override;

    // Hostile files must not make layout unbounded: a text keeps at most this
    // many lines, and at most this many characters (UTF-16 units) of it are
    // laid out, counted over its lines in order. What lies beyond is kept in
    // `text` but neither measured nor drawn.
    static constexpr int kMaxLines = 10000;
    static constexpr int kMaxLaidOutCharacters = 16384;
    // Below this height of the set font on screen (device pixels) glyphs are
    // unreadable blurs: outside picking, the text's ink box is filled with a
    // faint colour instead of the glyphs (0 always draws glyphs).
    static inline double glyphThresholdPixels = 3.0;
    static constexpr double kBlurAlpha = 0.28; // about the glyphs' mean coverage

    // Derived in the bounding-box pass from the number of lines; no rule
    // reads it.
    double textTop = 0;
    Brush brush;
    QString text;
    // `text` split at each carriage return + line feed, refreshed by the
    // bounding-box pass (at most kMaxLines entries; none before it).
    QStringList lines() const;
    qsizetype lineCount() const;
    // The anchor, in the entity's own coordinates.
    QPointF position = QPointF(0, 0);
    // Read and kept; the layout does not use them.
    StringAlignment stringAlignment = StringAlignment::center;
    ContentAlignment contentAlignment = ContentAlignment::middleCenter;
    bool rotateInParts = true;

private:
    // Kept here, with the flag above, where they fill what would be
    // padding (boards hold thousands of texts).
    bool layoutValid_ = false;
    bool layoutShaped_ = false;
    bool measuredInKey_ = false;
    // How many lines the text measured was split into (none before the
    // first measure), and the glyphs and outline elements this entity's
    // runs hold, counted against a process-wide budget (runs over the
    // budget keep no shaped glyphs).
    int measuredLines_ = 0;
    int heldElements_ = 0;

public:
    Font font;

    // The box several lines are placed from, in the entity's own
    // coordinates (no transform applied): each line's rectangle measured
    // about the anchor, and the anchor. A subclass that adds geometry of its
    // own to boundingBox adds it here too (untransformed) so its lines are
    // placed from the same box whatever the transform. For one line it is
    // boundingBox in own coordinates; with several, boundingBox also holds
    // the ink of every line where it is drawn.
    BoundingBox placingBox;

    // Entity attributes, "text", "stringAlignment", "alignment", "at", the
    // font's attributes, "rotateInParts", the brush's attributes.
    void readXML(pugi::xml_node element) override;
    // measureLines, then addPlacedLines.
    void calculateBoundingBox() override;
    // Also lays the text out for drawing (frames drawn in bands only read
    // the layout).
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
    // The selection frame, then the text.
    void draw(Graphics& g) const override;
    // Text "<text>", or Text "<first line>" ... for a text with line feeds
    // (and for one longer than kMaxLaidOutCharacters, cut there).
    QString typeName() const override;
    // The text editor: the anchor and the text.
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    Brush* entityBrush() override { return &brush; }

    // Shapes ahead the lines of every text in the list and its holders, on
    // several threads where there are many, so the geometry pass finds
    // them cached.
    static void prepareShapes(EntityList& list);

    // The offset (dx, dy) subtracted from the anchor to give the lower-left
    // corner of a line whose ink bounds are w x h.
    static QPointF alignmentOffset(ContentAlignment alignment, QSizeF inkSize);
    // Width and height of the ink bounds of one line as it is laid out.
    QSizeF lineSize(const QString& line) const;
    // The rectangle a line occupies about the anchor, in own coordinates.
    QRectF lineRect(const QString& line) const;
    // The ink of a line drawn as the only one, in own coordinates: its
    // glyphs from the origin placeLine gives it (empty at the anchor for
    // blanks).
    QRectF lineInk(const QString& line) const;

    // One line as drawn. Its outlines come from the line's shared shape, at
    // a font size of kOutlineUnitsPerSize pixels, y up, placed by
    // placement(): Qt flattens curves far faster when a path is scaled down
    // than when tiny model-unit outlines are scaled up to the screen. Asked
    // for through glyphRuns() with the glyph cache on, `drawn->shaped` holds
    // the glyphs as laid out at the same size (y down, baseline at 0), placed
    // by shapedPlacement(). A run only laid out (by the geometry pass) has no
    // `drawn` part. Drawing fills the outlines only.
    struct GlyphRun {
        struct Drawn {
            QList<QGlyphRun> shaped;
        };
        std::shared_ptr<const TextShape> shape;
        QPointF origin; // the text position, in own coordinates
        std::unique_ptr<Drawn> drawn;
        // unit: model units per outline unit (runUnit() of the text).
        QTransform placement(double unit) const { return QTransform(unit, 0, 0, unit, origin.x(), origin.y()); }
        QTransform shapedPlacement(double unit) const { return QTransform(unit, 0, 0, -unit, origin.x(), origin.y()); }
    };
    static constexpr double kOutlineUnitsPerSize = 1000;
    // Whether glyphRuns() shapes the glyphs of the runs it lays out.
    static inline bool useGlyphCache = true;
    // The runs the next draw fills (cached; rebuilt when the text, lines,
    // font, alignment, anchor or placing box changed).
    std::span<const GlyphRun> glyphRuns();
    // Model units per unit of the runs' outlines: a thousandth of the set
    // size, so the outlines span hundreds of units.
    double runUnit() const { return font.pointSize() / kOutlineUnitsPerSize; }
    // A run's ink bounds where it is drawn, in own coordinates.
    QRectF inkOf(const GlyphRun& run) const;

protected:
    // The text alone (no selection frame), under the entity's own
    // transform: for subclasses that draw something of their own first.
    void drawText(Graphics& g) const;
    // Refreshes `lines` and `textTop` and adds each non-empty line's
    // rectangle and the anchor to boundingBox (under netTransform) and to
    // placingBox.
    void measureLines();
    // For a text of several lines: the ink of each line where it is drawn,
    // placed from placingBox as it stands, into boundingBox (under
    // netTransform). A subclass calls it once its placingBox is complete.
    void addPlacedLines();

private:
    // What a layout was made for: every input it read.
    struct LayoutKey {
        // One line: the text. Several: the text the lines were measured
        // from (equal texts split alike).
        QString text;
        QString family;
        QPointF position;
        double height = 0;
        double bottom = 0; // of the placing box, for several lines
        double top = 0;
        ContentAlignment alignment = ContentAlignment::middleCenter;
        bool multiLine = false;
        bool bold = false;
        bool italic = false;
    };
    LayoutKey currentKey() const;
    // Where one line is drawn with its reference y: the glyphs' origin and
    // their ink there; none for a line that draws nothing.
    struct PlacedLine {
        QPointF origin;
        QRectF ink;
    };
    std::optional<PlacedLine> placeLine(const QString& line, double referenceY) const;
    // f(line, reference y) for every non-empty line of several as laid
    // out, placed from a box spanning bottom to top.
    template <class F>
    void forEachLineReference(double bottom, double top, F&& f) const;
    // Whether the kept layout was made for currentKey().
    bool layoutCurrent() const;
    // The runs of a layout, each with a shape. Most texts are one line: its
    // run is kept in place, several in a list of their own.
    class Runs {
    public:
        void push_back(GlyphRun&& run);
        void clear();
        size_t size() const { return several_ ? several_->size() : one_.shape ? 1 : 0; }
        bool empty() const { return size() == 0; }
        GlyphRun* data() { return several_ ? several_->data() : &one_; }
        const GlyphRun* data() const { return several_ ? several_->data() : &one_; }
        GlyphRun& operator[](size_t i) { return data()[i]; }
        const GlyphRun& operator[](size_t i) const { return data()[i]; }
        const GlyphRun* begin() const { return data(); }
        const GlyphRun* end() const { return data() + size(); }

    private:
        GlyphRun one_; // without a shape while there is none
        std::unique_ptr<std::vector<GlyphRun>> several_;
    };
    // The runs of the layout for the key (glyphs shaped when asked to).
    Runs layoutRuns(const LayoutKey& key, bool shape) const;
    void rebuildLayout(const LayoutKey& key, bool shape);
    // A run's outlines made afresh.
    QPainterPath runOutlines(const GlyphRun& run) const;
    // The run's outlines, made on first use (kept while the budget allows).
    void releaseCachedGlyphs();

    // The text the lines were measured from: mostly the text the layout
    // was made for, then kept there alone; else apart (none before the
    // first measure).
    const QString& measuredText() const;
    void setMeasuredText(const QString& measured);
    std::unique_ptr<QString> measuredApart_;
    // The list of several lines; empty for one.
    QStringList severalLines() const;

    LayoutKey layoutKey_;
    Runs runs_;
};
