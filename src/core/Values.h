#pragma once
// Small value types shared by the whole model.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

// Boxed integer identity of sheets, nets, pads and terminals; equal and hashed
// by value.
struct Id {
    int64_t value = 0;
    friend bool operator==(const Id&, const Id&) = default;
};

template <>
struct std::hash<Id> {
    size_t operator()(const Id& id) const noexcept { return std::hash<int64_t>()(id.value); }
};

struct Vector3 {
    double x = 0, y = 0, z = 0;
    friend bool operator==(const Vector3&, const Vector3&) = default;
};

// 4x4 transform of 3D bodies, row-major; a new matrix is the identity.
struct Matrix4 {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double at(int row, int column) const { return m[size_t(row * 4 + column)]; }
    friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

// Which corners of a rounded rectangle are rounded.
enum class RoundedSideType { all, top, bottom, left, right };
std::optional<RoundedSideType> roundedSideTypeFromString(std::string_view text);
const char* toString(RoundedSideType value);
