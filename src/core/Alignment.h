#pragma once
#include <optional>
#include <string_view>

enum class ContentAlignment {
    bottomCenter, bottomLeft, bottomRight,
    middleCenter, middleLeft, middleRight,
    topCenter, topLeft, topRight
};
std::optional<ContentAlignment> contentAlignmentFromString(std::string_view text);
const char* toString(ContentAlignment a);

enum class StringAlignment { center, far, near };
std::optional<StringAlignment> stringAlignmentFromString(std::string_view text);
const char* toString(StringAlignment a);
