#pragma once
#include <optional>
#include <string_view>

// Units of length offered to the user; the model is always in inches.
enum class Units { thou, inch, micron, mm, cm, m };

double unitsPerInch(Units u);
const char* toString(Units u);  // the word written in files
const char* unitsLabel(Units u); // what the user sees
std::optional<Units> unitsFromString(std::string_view text);
