#include "entities/schematic/TerminalTypes.h"

#include "core/EnumWords.h"

namespace {
constexpr auto kOrientations = enumWords<TerminalOrientation>({
    {TerminalOrientation::any, "any"},
    {TerminalOrientation::top, "top"},
    {TerminalOrientation::bottom, "bottom"},
    {TerminalOrientation::left, "left"},
    {TerminalOrientation::right, "right"},
});
constexpr auto kLengths = enumWords<TerminalLineLength>({
    {TerminalLineLength::Point, "point"},
    {TerminalLineLength::Short, "short"},
    {TerminalLineLength::Medium, "medium"},
    {TerminalLineLength::Long, "long"},
});
constexpr auto kTypes = enumWords<TerminalType>({
    {TerminalType::line, "line"},
    {TerminalType::clock, "clock"},
    {TerminalType::dot, "dot"},
    {TerminalType::dotClock, "dotClock"},
    {TerminalType::shortPin, "short"},
    {TerminalType::zeroLength, "zeroLength"},
    {TerminalType::inputWedge, "inputWedge"},
    {TerminalType::outputWedge, "outputWedge"},
    {TerminalType::point, "point"},
    {TerminalType::medium, "medium"},
});
}

std::optional<TerminalOrientation> terminalOrientationFromString(std::string_view t) { return kOrientations.fromString(t); }
std::optional<TerminalLineLength> terminalLineLengthFromString(std::string_view t) { return kLengths.fromString(t); }
std::optional<TerminalType> terminalTypeFromString(std::string_view t) { return kTypes.fromString(t); }

const char* toString(TerminalOrientation v) { return kOrientations.toString(v); }
const char* toString(TerminalLineLength v) { return kLengths.toString(v); }
const char* toString(TerminalType v) { return kTypes.toString(v); }

double terminalLineLengthValue(TerminalLineLength v)
{
    switch (v) {
    case TerminalLineLength::Point: return 0.0;
    case TerminalLineLength::Short: return 0.1;
    case TerminalLineLength::Medium: return 0.2;
    case TerminalLineLength::Long: return 0.3;
    }
    return 0.2;
}
