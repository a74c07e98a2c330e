#include "entities/schematic/TerminalTypes.h"

#include <array>
#include <utility>

namespace {
template <class E, size_t N>
std::optional<E> lookup(const std::array<std::pair<E, const char*>, N>& table, std::string_view text)
{
    for (const auto& [value, word] : table)
        if (text == word)
            return value;
    return std::nullopt;
}
template <class E, size_t N>
const char* word(const std::array<std::pair<E, const char*>, N>& table, E v)
{
    for (const auto& [value, w] : table)
        if (value == v)
            return w;
    return table[0].second;
}

constexpr std::array<std::pair<TerminalOrientation, const char*>, 5> kOrientations{{
    {TerminalOrientation::any, "any"},
    {TerminalOrientation::top, "top"},
    {TerminalOrientation::bottom, "bottom"},
    {TerminalOrientation::left, "left"},
    {TerminalOrientation::right, "right"},
}};
constexpr std::array<std::pair<TerminalLineLength, const char*>, 4> kLengths{{
    {TerminalLineLength::Point, "point"},
    {TerminalLineLength::Short, "short"},
    {TerminalLineLength::Medium, "medium"},
    {TerminalLineLength::Long, "long"},
}};
constexpr std::array<std::pair<TerminalType, const char*>, 10> kTypes{{
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
}};
}

std::optional<TerminalOrientation> terminalOrientationFromString(std::string_view t) { return lookup(kOrientations, t); }
std::optional<TerminalLineLength> terminalLineLengthFromString(std::string_view t) { return lookup(kLengths, t); }
std::optional<TerminalType> terminalTypeFromString(std::string_view t) { return lookup(kTypes, t); }

const char* toString(TerminalOrientation v) { return word(kOrientations, v); }
const char* toString(TerminalLineLength v) { return word(kLengths, v); }
const char* toString(TerminalType v) { return word(kTypes, v); }

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
