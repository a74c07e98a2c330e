#include "core/Values.h"

std::optional<RoundedSideType> roundedSideTypeFromString(std::string_view text)
{
    if (text == "all") return RoundedSideType::all;
    if (text == "top") return RoundedSideType::top;
    if (text == "bottom") return RoundedSideType::bottom;
    if (text == "left") return RoundedSideType::left;
    if (text == "right") return RoundedSideType::right;
    return std::nullopt;
}

const char* toString(RoundedSideType value)
{
    switch (value) {
    case RoundedSideType::all: return "all";
    case RoundedSideType::top: return "top";
    case RoundedSideType::bottom: return "bottom";
    case RoundedSideType::left: return "left";
    case RoundedSideType::right: return "right";
    }
    return "all";
}
