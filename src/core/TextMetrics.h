#pragma once
// Text measuring in model units. Text is set in the font's family at
// height x 1.38; sizes are those of the ink ("image") bounds of one line.
// Only the family, bold and italic shape the text: underline and strikeout
// are kept in Font but neither measured nor drawn. Fonts, shapes and glyph
// outlines are cached per process, behind a lock: frames are drawn on
// several threads.

#include "core/Font.h"

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <span>
#include <vector>

// Width and height of the ink bounds of one line.
QSizeF textSize(const Font& font, const QString& text);

struct CharacterOffset {
    double start = 0;
    double end = 0;
};
// One record per user-perceived character: start and end x positions measured
// as the advance of the growing prefix.
std::vector<CharacterOffset> characterOffsets(const Font& font, const QString& text);

namespace TextMetric {
// Ink bounds centred on the origin; an empty text is measured as "O".
QRectF textRect(const Font& font, const QString& text);
QRectF textRect(const Font& font, const QString& text, QPointF center);
}

// The glyph outlines of one line in model units, y up, with the text origin
// (baseline start) at (0, 0), non-zero fill rule, made from the cached shape
// of the line. Empty for a height that is zero, negative or not finite.
QPainterPath textPath(const Font& font, const QString& text);

// One line shaped in a face at the reference size, where a unit is a
// thousandth of the set size (font height x 1.38): its glyphs and where they
// stand. Glyph outlines are loaded once per face and glyph and shared by
// every line that uses them. Immutable once made, so any thread may read it.
class TextShape {
public:
    struct Outline {
        QPainterPath path; // y up, glyph origin at (0, 0)
        QRectF bounds;
    };
    struct Glyph {
        std::shared_ptr<const Outline> outline;
        QPointF position; // of the glyph origin, y up
    };

    // The glyph outlines placed, y up, baseline start at (0, 0), non-zero
    // fill rule; a new path on every call.
    QPainterPath outline() const;
    // Ink bounds of the outline (empty for a line of blanks).
    const QRectF& ink() const { return ink_; }
    qsizetype elementCount() const { return elements_; }
    std::span<const Glyph> glyphs() const { return {glyphs_.get(), glyphCount_}; }

private:
    friend struct TextShaper;
    std::unique_ptr<Glyph[]> glyphs_;
    // Set instead of glyphs for a line Qt lays out past a hard break (a lone
    // line feed, a line or paragraph separator): its outline as one path.
    QPainterPath whole_;
    QRectF ink_;
    // Counts in 32 bits, which no line that fits in memory exceeds (the
    // element count saturates): a board caches thousands of shapes.
    quint32 glyphCount_ = 0;
    quint32 elements_ = 0;
};
// The cached shape of the line in the font; null for a height that is
// zero, negative or not finite, and for an empty text.
std::shared_ptr<const TextShape> textShape(const Font& font, const QString& text);
// One line in a font, to be shaped ahead.
struct TextShapeRequest {
    Font font;
    QString text;
};
// Shapes the lines not cached yet and caches them, as textShape would: on
// several threads when there are many, else on this one. Shapes no more
// than the cache holds.
void prepareTextShapes(const std::vector<TextShapeRequest>& texts);
// Whether the line's shape is cached (as prepareTextShapes leaves it).
bool textShapeKept(const Font& font, const QString& text);
// Model units per shape unit: a thousandth of the set size.
double textShapeUnit(const Font& font);
// The ink bounds of textPath, in the same coordinates.
QRectF textInkBounds(const Font& font, const QString& text);
// The same for a shape of the text in the font.
QRectF textInkBounds(const Font& font, const TextShape& shape);

// Whether text in the font has any size at all (a positive, finite height).
bool hasTextSize(const Font& font);
// Empties the shape and glyph outline caches (tests and memory pressure);
// shapes still held elsewhere stay valid.
void clearTextPathCache();
// Shapes cached, and glyph outlines some shape still uses.
int textPathCacheSize();
int glyphOutlineCacheSize();
