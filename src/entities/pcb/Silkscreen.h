#pragma once
// The printed outline of a component body, carried by its footprint: a
// rectangle in footprint coordinates in one of a few styles, with a filled
// pin-one notch in the top-left corner of a plain rectangle.

#include "core/Pen.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class Footprint;

enum class SilkscreenShape { rectangle, roundedRectangle, panasonic, round, rectangleCorners, none };
enum class NotchOnSide { left, right, top, bottom };
enum class LockedTo { courtyard, pads, none };

std::optional<SilkscreenShape> silkscreenShapeFromString(std::string_view text);
std::optional<NotchOnSide> notchOnSideFromString(std::string_view text);
std::optional<LockedTo> lockedToFromString(std::string_view text);
const char* toString(SilkscreenShape v);
const char* toString(NotchOnSide v);
const char* toString(LockedTo v);

class Silkscreen : public Entity, public IPen {
public:
    explicit Silkscreen(GraphicsSheet* sheet);

    // (The flags and kinds sit together: a board has a silkscreen per
    // footprint.)
    bool autoFitInsidePadsIfPossible = true;
    bool lockedToCourtyard = true;
    bool visibleInPcb = true;
    NotchOnSide notchOnSide = NotchOnSide::left;
    LockedTo lockedRectangleTo = LockedTo::courtyard;
    SilkscreenShape shape = SilkscreenShape::rectangle;
    // Arm lengths of the corner marks: width the horizontal arm, height the
    // vertical one.
    QSizeF cornerSize{0, 0};
    double margin = 0.5 / 25.4;
    Pen pen{QColor::fromRgbF(1, 1, 1, 1), 0.2 / 25.4};
    QRectF rectangle{0, 0, 0, 0};
    // The pin-one notch polygon, rebuilt with the bounding box.
    std::vector<QPointF> notchPoints;

    // Kept for an outline generator; reading fills neither (held apart,
    // none until set).
    std::weak_ptr<Footprint> footprint() const { return links_ ? links_->footprint : std::weak_ptr<Footprint>(); }
    void setFootprint(std::weak_ptr<Footprint> footprint) { links().footprint = std::move(footprint); }
    std::optional<QPointF> polarityMarkerPosition() const
    {
        return links_ ? links_->polarityMarkerPosition : std::nullopt;
    }
    void setPolarityMarkerPosition(std::optional<QPointF> position) { links().polarityMarkerPosition = position; }

    // Entity attributes, "autoFitInsidePadsIfPossible", "cornerSize",
    // "lockedToCourtyard", "lockedTo", "margin", "notchOnRight" (a side word),
    // the pen, "x" "y" "width" "height", "shape", "visibleInPcb".
    void readXML(pugi::xml_node element) override;
    // The notch (none for a rectangle narrower than four pen widths), then
    // the mapped rectangle, not widened by the pen.
    void calculateBoundingBox() override;
    void draw(Graphics& g) const override;
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    QString typeName() const override { return QStringLiteral("Silkscreen"); }

    Pen* entityPen() override { return &pen; }

private:
    void drawCornerMarks(Graphics& g) const;
    struct Links {
        std::weak_ptr<Footprint> footprint;
        std::optional<QPointF> polarityMarkerPosition;
    };
    Links& links()
    {
        if (!links_)
            links_ = std::make_unique<Links>();
        return *links_;
    }
    std::unique_ptr<Links> links_;
};

// Title only: the outline has nothing to edit.
class SilkscreenEditor : public FrameEditor {
    Q_OBJECT
public:
    explicit SilkscreenEditor(std::shared_ptr<Silkscreen> silkscreen, QWidget* parent = nullptr);
    std::shared_ptr<Silkscreen> silkscreen;
};
