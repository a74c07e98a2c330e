#include "core/Values.h"

#include "core/EnumWords.h"

namespace {
constexpr auto kRoundedSideWords = enumWords<RoundedSideType>({
    {RoundedSideType::all, "all"},
    {RoundedSideType::top, "top"},
    {RoundedSideType::bottom, "bottom"},
    {RoundedSideType::left, "left"},
    {RoundedSideType::right, "right"},
});
}

std::optional<RoundedSideType> roundedSideTypeFromString(std::string_view text) { return kRoundedSideWords.fromString(text); }

const char* toString(RoundedSideType value) { return kRoundedSideWords.toString(value); }
