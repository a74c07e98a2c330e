#pragma once
// Surface material of a parametric footprint's package body. Kept with the
// design; nothing renders it.

#include <QColor>
#include <optional>
#include <pugixml.hpp>

// Texture of a generated body. The file stores none, so it holds nothing.
struct ParametricBitmap {
};

struct MaterialParameters {
    bool reflectiveSurface = false;
    double reflectivePower = 1.0;
    QColor color = QColor::fromRgbF(1, 1, 1, 1);
    std::optional<ParametricBitmap> parametricBitmap;

    // "reflectiveSurface" (exactly "true"; missing keeps the flag),
    // "reflectivePower" (double precision; kept when missing or unreadable)
    // and "color" (kept when missing or unreadable) from the element that
    // carries them, the footprint's own; then drops the bitmap.
    void readMaterialParameters(pugi::xml_node element);
};
