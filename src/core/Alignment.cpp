#include "core/Alignment.h"

#include "core/EnumWords.h"

namespace {
constexpr auto kContentWords = enumWords<ContentAlignment>({
    {ContentAlignment::bottomCenter, "bottomCenter"},
    {ContentAlignment::bottomLeft, "bottomLeft"},
    {ContentAlignment::bottomRight, "bottomRight"},
    {ContentAlignment::middleCenter, "middleCenter"},
    {ContentAlignment::middleLeft, "middleLeft"},
    {ContentAlignment::middleRight, "middleRight"},
    {ContentAlignment::topCenter, "topCenter"},
    {ContentAlignment::topLeft, "topLeft"},
    {ContentAlignment::topRight, "topRight"},
});
constexpr auto kStringWords = enumWords<StringAlignment>({
    {StringAlignment::center, "center"},
    {StringAlignment::far, "far"},
    {StringAlignment::near, "near"},
});
}

std::optional<ContentAlignment> contentAlignmentFromString(std::string_view text) { return kContentWords.fromString(text); }

const char* toString(ContentAlignment a) { return kContentWords.toString(a); }

std::optional<StringAlignment> stringAlignmentFromString(std::string_view text) { return kStringWords.fromString(text); }

const char* toString(StringAlignment a) { return kStringWords.toString(a); }
