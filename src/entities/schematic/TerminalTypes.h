#pragma once
// Enumerations of schematic pins, shared by symbol terminals, inter-wire
// connectors and ports. Each converts from the word written in the file (none
// for any other word) and back.

#include <optional>
#include <string_view>

// The direction in which a pin leaves its body: top +y, bottom -y, left -x,
// right +x; any has no direction.
enum class TerminalOrientation { any, top, bottom, left, right };

enum class TerminalLineLength { Point, Short, Medium, Long };

enum class TerminalType { line, clock, dot, dotClock, shortPin, zeroLength, inputWedge, outputWedge, point, medium };

std::optional<TerminalOrientation> terminalOrientationFromString(std::string_view text);
std::optional<TerminalLineLength> terminalLineLengthFromString(std::string_view text);
std::optional<TerminalType> terminalTypeFromString(std::string_view text);

const char* toString(TerminalOrientation v);
const char* toString(TerminalLineLength v);
const char* toString(TerminalType v);

// Pin line length in inches: 0.0, 0.1, 0.2, 0.3.
double terminalLineLengthValue(TerminalLineLength v);
