#pragma once
#include <QColor>
#include <QString>
#include <vector>

// "#rrggbb" gives that opaque colour; anything else opaque grey (0.25, 0.25, 0.25).
QColor colorFromHex(const QString& text);

// The fifteen fixed palette colours after the nine primaries, created once.
const std::vector<QColor>& paletteColors();
// The whole row of 24 palette colours, left to right.
std::vector<QColor> paletteRow();

// A colour is drawn only when its alpha is at least 0.01.
inline bool isDrawable(const QColor& c) { return c.alphaF() >= 0.01f; }
