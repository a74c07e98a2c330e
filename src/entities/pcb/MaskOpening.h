#pragma once
// What the board fill leaves open besides the pads: vias, holes through the
// board and cutouts. Each fills its own opening, so the fill does not need to
// know their shapes.

class Graphics;
class QColor;

class IMaskOpening {
public:
    virtual ~IMaskOpening() = default;
    // Fills the opening in the colour at sheet level: the entity places it by
    // its net transform. margin is the solder-mask margin (finite) by which
    // the opening exceeds what the entity draws.
    virtual void fillMaskOpening(Graphics& g, const QColor& color, double margin) = 0;
    // How far the opening reaches beyond the entity's bounding box, besides
    // the margin and a device pixel; the fill skips openings wholly off it.
    virtual double maskOpeningOverhang() const { return 0; }
};
