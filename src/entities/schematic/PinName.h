#pragma once
// A pin name with overlines. The file marks each overlined span inside the
// name with U+02C6 (opens) and U+02C7 (closes); the marks are never shown.

#include "core/Font.h"

#include <QString>
#include <vector>

// One overline, as x positions from the left edge of the shown text.
struct Overstrike {
    double start = 0;
    double end = 0;
    friend bool operator==(const Overstrike&, const Overstrike&) = default;
};

class TextWithOverstrikes {
public:
    // The name with every mark removed.
    QString formatFreeText;
    // In the order their closing marks (or the end of the text) were met.
    std::vector<Overstrike> overstrikes;
};

inline constexpr QChar kOverlineOpenMark = QChar(0x02C6);
inline constexpr QChar kOverlineCloseMark = QChar(0x02C7);

bool hasOverstrikeMarks(const QString& text);
QString withoutOverstrikeMarks(const QString& text);

// Splits a marked name into the shown text and its overlines, measured in the
// font by user-perceived characters. An opening mark inside an open span and
// a closing mark outside one are ignored; a span still open at the end runs to
// the end of the text. An opening mark with no shown character after it has
// no left edge to start from and opens nothing.
TextWithOverstrikes parseOverstrikeText(const Font& font, const QString& text);
