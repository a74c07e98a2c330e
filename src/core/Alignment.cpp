#include "core/Alignment.h"

namespace {
constexpr const char* kContentNames[] = {"bottomCenter", "bottomLeft", "bottomRight",
                                         "middleCenter", "middleLeft", "middleRight",
                                         "topCenter", "topLeft", "topRight"};
constexpr const char* kStringNames[] = {"center", "far", "near"};
}

std::optional<ContentAlignment> contentAlignmentFromString(std::string_view text)
{
    for (int i = 0; i < 9; ++i)
        if (text == kContentNames[i])
            return ContentAlignment(i);
    return std::nullopt;
}

const char* toString(ContentAlignment a) { return kContentNames[int(a)]; }

std::optional<StringAlignment> stringAlignmentFromString(std::string_view text)
{
    for (int i = 0; i < 3; ++i)
        if (text == kStringNames[i])
            return StringAlignment(i);
    return std::nullopt;
}

const char* toString(StringAlignment a) { return kStringNames[int(a)]; }
