#include "core/Units.h"

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

const char* toString(Units u)
{
    switch (u) {
    case Units::thou: return "thou";
    case Units::inch: return "inch";
    case Units::micron: return "micron";
    case Units::mm: return "mm";
    case Units::cm: return "cm";
    case Units::m: return "m";
    }
    return "inch";
}

const char* unitsLabel(Units u)
{
    switch (u) {
    case Units::thou: return "thou";
    case Units::inch: return "inch";
    case Units::micron: return "\u00b5m";
    case Units::mm: return "mm";
    case Units::cm: return "cm";
    case Units::m: return "m";
    }
    return "inch";
}

std::optional<Units> unitsFromString(std::string_view text)
{
    for (Units u : {Units::thou, Units::inch, Units::micron, Units::mm, Units::cm, Units::m})
        if (text == toString(u))
            return u;
    return std::nullopt;
}
