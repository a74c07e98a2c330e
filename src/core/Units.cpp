#include "core/Units.h"

#include "core/EnumWords.h"

namespace {
// The file's words, and the labels shown to the user; "inch" first, for a
// value out of range.
constexpr auto kUnitWords = enumWords<Units>({
    {Units::inch, "inch"},
    {Units::thou, "thou"},
    {Units::micron, "micron"},
    {Units::mm, "mm"},
    {Units::cm, "cm"},
    {Units::m, "m"},
});
constexpr auto kUnitLabels = enumWords<Units>({
    {Units::inch, "inch"},
    {Units::thou, "thou"},
    {Units::micron, "\u00b5m"},
    {Units::mm, "mm"},
    {Units::cm, "cm"},
    {Units::m, "m"},
});
}

double unitsPerInch(Units u)
{
    switch (u) {
    case Units::thou: return 1000;
    case Units::inch: return 1;
    case Units::micron: return 25400;
    case Units::mm: return 25.4;
    case Units::cm: return 2.54;
    case Units::m: return 0.0254;
    }
    return 1;
}

const char* toString(Units u) { return kUnitWords.toString(u); }

const char* unitsLabel(Units u) { return kUnitLabels.toString(u); }

std::optional<Units> unitsFromString(std::string_view text) { return kUnitWords.fromString(text); }
