#pragma once
// The words an enumeration is written with in a file: one table per
// enumeration, so that each word is written once for both directions.
//
//     constexpr auto kBrushWords = enumWords<BrushType>({
//         {BrushType::solid, "solid"},
//         {BrushType::hatch, "hatch"},
//     });
//     kBrushWords.fromString("hatch");        // BrushType::hatch
//     kBrushWords.toString(BrushType::solid); // "solid"

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

template <class E, std::size_t N>
struct EnumWords {
    std::pair<E, const char*> entries[N];

    // The value whose word is exactly `text` (case included, no trimming).
    constexpr std::optional<E> fromString(std::string_view text) const
    {
        for (const auto& [value, word] : entries)
            if (text == word)
                return value;
        return std::nullopt;
    }
    // The word of a value; the first entry's word for a value the table
    // does not list.
    constexpr const char* toString(E value) const
    {
        for (const auto& [v, word] : entries)
            if (v == value)
                return word;
        return entries[0].second;
    }
};

// A table of the given entries, counted for you.
template <class E, std::size_t N>
constexpr EnumWords<E, N> enumWords(const std::pair<E, const char*> (&entries)[N])
{
    EnumWords<E, N> table{};
    for (std::size_t i = 0; i < N; ++i)
        table.entries[i] = entries[i];
    return table;
}
