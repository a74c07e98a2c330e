#pragma once
// Text measuring in model units. Text is set in the font's family at
// height x 1.38; sizes are those of the ink ("image") bounds of one line.
// Only the family, bold and italic shape the text: underline and strikeout
// are kept in Font but neither measured nor drawn. Fonts and outlines are
// cached per process, behind a lock: frames are drawn on several threads.

#include "core/Font.h"

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QString>
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
// (baseline start) at (0, 0), non-zero fill rule; cached, so repeated draws
// are cheap (the path is implicitly shared). Empty for a height that is zero,
// negative or not finite.
QPainterPath textPath(const Font& font, const QString& text);
// The ink bounds of textPath, in the same coordinates.
QRectF textInkBounds(const Font& font, const QString& text);
// Whether text in the font has any size at all (a positive, finite height).
bool hasTextSize(const Font& font);
// Empties the outline cache (tests and memory pressure).
void clearTextPathCache();
int textPathCacheSize();
