#pragma once
// Surface materials of 3D bodies: the material of a footprint's simple
// solids, and that of a parametric footprint's package body. Kept with the
// design; nothing renders them.

#include <QColor>
#include <QImage>
#include <optional>
#include <pugixml.hpp>

// Surface of one 3D body, read from its "material" child.
class QelMaterial {
public:
    QColor color = QColor::fromRgbF(1, 1, 1, 1);
    bool reflectiveSurface = false;
    double reflectivePower = 1.0;
    // The file stores no texture, so reading always leaves none.
    std::optional<QImage> bitmap;

    // "color" (kept when missing or unreadable), "reflective" (exactly
    // "true"; anything else, a missing attribute too, is false),
    // "reflectivePower" (single precision, widened; kept when missing or
    // unreadable); then drops the bitmap.
    void readXML(pugi::xml_node element);
};

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
