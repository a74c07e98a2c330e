#pragma once
// One copper land of a footprint: a closed outline centred on a point, an
// optional drilled hole, a pad name and a signal name.

#include "model/ClosedCurve.h"

#include <QPainterPath>
#include <QSharedData>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>
#include <memory>
#include <optional>
#include <utility>
#include <string_view>
#include <vector>

class Font;
class PCB;

// How the 3D pin of a pad is oriented and shaped; stored only.
enum class PinOrientation3D : unsigned char { top, bottom, left, right };
std::optional<PinOrientation3D> pinOrientation3DFromString(std::string_view text);
const char* toString(PinOrientation3D value);

enum class PinType3D : unsigned char { none, round, square, dip, gullWing };
std::optional<PinType3D> pinType3DFromString(std::string_view text);
const char* toString(PinType3D value);

// The measured ink of a pad name, shared by the pads of that name.
struct PadNameInk : QSharedData {
    QString name;
    QRectF ink;
};

class Pad : public ClosedCurve {
public:
    explicit Pad(GraphicsSheet* sheet);

    // Outline caches. The outline does not change after reading; code that
    // changes it must call invalidateOutlines().
    // Whether the outline is kept, see outline().
    bool hasCachedOutline() const { return outlineMade(); }

    // The pad's settings as read, shared with the pads of equal settings
    // (a board repeats a few kinds of pad tens of thousands of times). The
    // edit call changes this pad's alone.
    struct Properties {
        // The pad's name within its footprint (the pads of a footprint kind
        // repeat it on every copy).
        QString name;
        // The drilled hole's size; (0, 0) for a surface-mount pad.
        QSizeF holeSize = QSizeF(0, 0);
        int copperPourGap = 0;
        PinOrientation3D orientation3D = PinOrientation3D::left;
        PinType3D type3D = PinType3D::none;
        bool add3DSolder = false;
        bool autoGenerate3D = true;
        bool autoGenerateSolderMaskHole = true;
        bool autoGenerateSolderPaste = true;
        bool checked = false;
        bool goldPlated = false;
        bool lockedToWidth = false;
        bool onEdge = false;
        bool surfaceMount = true;
        bool useCopperPourGap = false;
        bool rectangularHole = false;
        // The ink of the name as measured for the pad name font, when kept
        // (derived: not compared).
        QExplicitlySharedDataPointer<const PadNameInk> nameInk;
        bool sameAs(const Properties& other) const;
    };
    const Properties& properties() const { return properties_.get(); }
    Properties& editProperties() { return properties_.edit(); }
    const QString& name() const { return properties_.get().name; }
    bool surfaceMount() const { return properties_.get().surfaceMount; }
    QSizeF holeSize() const { return properties_.get().holeSize; }
    // Whether both hold one block of settings.
    bool sharesPropertiesWith(const Pad& other) const { return properties_.sharesWith(other.properties_); }

    Id id;
    QPointF modelSpaceCenter = QPointF(0, 0);
    CompactText signalName;
    // The outline's size as read: the rectangle's, which is centred on
    // modelSpaceCenter. (Derived: boards hold tens of thousands of pads.)
    QSizeF size() const { return rectangle.size(); }
    // The hole about the centre, of holeSize; (0, 0, 0, 0) for a
    // surface-mount pad. (Derived: boards hold tens of thousands of pads.)
    QRectF holeRectangle() const;
    // The outline and, for a curve, its grown polygon, in one block: a
    // rounded one is shared by the pads of its shape.
    struct Grown {
        std::vector<QPointF> points;
        double margin = 0; // the margin it was grown by
    };
    struct Outline : QSharedData {
        QPainterPath path;
        std::optional<Grown> grown;
    };
    // A curve outline sampled and grown by the solder-mask margin, made by
    // the geometry pass for the margin of the time (drawing only reads it);
    // none before.
    const std::vector<QPointF>* cachedExpandedBezierPolygon() const
    {
        return outline_ && outline_->grown ? &outline_->grown->points : nullptr;
    }

    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    // The outline filled with the brush, never stroked: a pad's pen is
    // transparent from its making and its reading on (drawing changes
    // nothing on the pad).
    void draw(Graphics& g) const override;
    // The pad painted solid yellow.
    void drawPadPass(Graphics& g) const override;
    // The hole in black, then the name. The colour is not used.
    void drawHolePass(Graphics& g, const QColor& color) const override;
    void calculateBoundingBox() override;
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;

    // The name label, level on screen; only from the hole pass.
    void drawPadName(Graphics& g) const;
    // Adds what the hole pass can draw (hole and name), in sheet
    // coordinates, as last measured, to reach: nothing for a pad without a
    // hole. The hole's hairline is the caller's margin.
    void addHolePassReach(BoundingBox& reach) const;
    // Whether drawPadName draws anything: a named pad tall enough on the
    // device, its name at least partly in view.
    bool padNameShown(Graphics& g) const;
    // Rounded corners of a smaller radius on the device (in pixels) are
    // drawn square outside picking.
    static constexpr double kSquareCornerPixels = 0.5;
    // Adds the outline grown by the solder-mask margin, placed by the net
    // transform, to the context's current path (for the board fill's clip).
    void addPadClearanceOutline(Graphics& g);
    // Fills that outline in the colour (the board fill clears openings with
    // it), with the level of detail of the drawing facade.
    void fillPadClearance(Graphics& g, const QColor& color);

    // The rotation about the pad centre that keeps the name level on the
    // sheet under the net transform; none for a level pad. (Measured when
    // asked: only pads tall enough on the device show their name.)
    std::optional<QTransform> padNameRotationTransform() const;

    std::optional<PadIdentity> padIdentity() const override { return PadIdentity{id, name()}; }

    // Whether the size is finite and not negative: a pad whose size is not
    // draws no outline and no name in any pass.
    bool hasDrawableOutline() const;
    // Whether a hole is drawn: a positive, finite hole width and a finite
    // height that is not negative.
    bool hasDrawableHole() const;
    // The outline (built on first use), placed in pad coordinates by
    // outlinePlacement(): a rounded rectangle lies about the origin and is
    // shared by every pad of the same size and rounding; a curve outline is
    // in pad coordinates already.
    const QPainterPath& outline();
    QTransform outlinePlacement() const;
    // For drawing, which builds nothing: the kept outline and its placement,
    // or (not measured since reading or an edit) the outline made into
    // scratch, placed as it is.
    const QPainterPath& drawnOutline(QPainterPath& scratch, QTransform& placement) const;
    void invalidateOutlines();

    // The font of every pad name: "Arial", 0.01 inch high.
    static const Font& padNameFont();

protected:
    // The pen is made transparent: the outline is filled only, whatever
    // pen the file gives.
    void adjustReadStyle(CurveStyle& style) override;

private:
    PCB* pcbSheet() const;
    double solderMaskMargin() const;
    // The grown curve outline for that margin: the kept one when it is for
    // that margin, else one made into scratch.
    const std::vector<QPointF>& expandedBezierPolygon(double margin, std::vector<QPointF>& scratch) const;
    std::vector<QPointF> makeExpandedBezierPolygon(double margin) const;
    // Adds the rounded outline grown by the margin to the current path.
    void addRoundedClearance(Graphics& g, double margin) const;

    // The name's ink bounds: as the geometry pass kept them for that name
    // (keepNameInk), else measured now. Drawing only reads what is kept.
    QRectF nameInkBounds() const;
    void keepNameInk();
    // outline_ holds the outline once made (possibly empty).
    QExplicitlySharedDataPointer<const Outline> outline_;
    bool outlineMade() const { return kindFlag_; }
    SharedValue<Properties> properties_;
};
