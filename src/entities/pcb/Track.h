#pragma once
// Routed copper read from the file: tracks (chains of vertices stroked as one
// polyline), track junctions and differential-pair controllers. Nothing here
// routes or checks connectivity.

#include "core/Pen.h"
#include "core/Values.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"
#include "model/EntityList.h"

#include <QPointF>
#include <memory>
#include <vector>

class PcbNet;

// One vertex of a track. Only `routed` affects the drawing; the other flags
// are kept as read.
struct TrackVertex {
    QPointF position = QPointF(0, 0);
    bool routed = false;
    bool doNotDraw = false;
    bool width = false; // a flag, not a length
    bool selected = false;
};

// The vertex chain in two parallel arrays: points[i] is trackVertices[i].position.
struct TrackVertices {
    std::vector<QPointF> points;
    std::vector<TrackVertex> trackVertices;

    // Every point, mapped through the transform when given, into the box.
    void addToBoundingBox(BoundingBox& box, const std::optional<QTransform>& t) const;
};

// Appends every "vertex" child of element, in document order: "at",
// "routed" (missing means routed), "doNotDraw", "width".
void readTrackVertices(pugi::xml_node element, TrackVertices& vertices);

class Track : public Entity, public IEntityHolder {
public:
    explicit Track(GraphicsSheet* sheet);

    // The owning net; reading does not set it.
    std::weak_ptr<PcbNet> pcbNet;
    // Opaque black; the width is 0.01 after reading, or the net's width for a
    // track inside a net. The colour and style are never read from the file.
    Pen pen{QColor(0, 0, 0), 0};
    Id startTerminalId;
    Id endTerminalId;
    bool addSolderMaskHole = false;
    // Whether every vertex is routed; computed with the bounding box.
    bool fullyRouted = false;
    TrackVertices trackVertices;
    EntityList childEntities;

    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    // One polyline through every point, round joins and caps, only when the
    // track is fully routed and has points.
    void draw(Graphics& g) const override;
    // Not while the track is not drawn.
    bool showsSelectionFrame() const override { return fullyRouted && !trackVertices.points.empty(); }
    // The points under the net transform (not widened by the pen), and
    // fullyRouted refreshed.
    void calculateBoundingBox() override;
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;

    IEntityHolder* holder() override { return this; }

    const IEntityHolder* holder() const override { return this; }
    EntityList& entities() override { return childEntities; }
    const EntityList& entities() const override { return childEntities; }
    const std::optional<QTransform>& childTransform() const override { return singleLevelTransform; }
    // A track's children take part in neither extra pass.
    void drawChildrenPadPass(Graphics&) const override {}
    void drawChildrenHolePass(Graphics&, const QColor&) const override {}
};

// A junction point of tracks; kept as read, draws nothing.
class TrackJunction : public Entity {
public:
    explicit TrackJunction(GraphicsSheet* sheet);

    QPointF worldCenter = QPointF(0, 0);
    double diameter = 0;
    bool isTrackStubTerminal = false;

    QWidget* editorView(const std::shared_ptr<Entity>& self) override;
    void readXML(pugi::xml_node element) override;
    QString typeName() const override;
};

// A differential-pair controller ("pairController"): the common attributes
// only; no box, no drawing, no editor.
class DifferentialPairPolyline : public Entity {
public:
    explicit DifferentialPairPolyline(GraphicsSheet* sheet);

    // The net transform and an empty box; nothing reaches the parent's box.
    void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox) override;
};

// Every track of the list, descending into holders.
std::vector<std::shared_ptr<Track>> collectTracks(const EntityList& list);

// The track's placeholder editor titled "Track".
class TrackEditor : public NotImplementedEditor {
public:
    explicit TrackEditor(std::shared_ptr<Track> track, QWidget* parent = nullptr);
    std::shared_ptr<Track> track;
};

// The titled frame "Track Junction" with nothing to edit.
class TrackJunctionEditor : public FrameEditor {
public:
    explicit TrackJunctionEditor(std::shared_ptr<TrackJunction> trackJunction, QWidget* parent = nullptr);
    std::shared_ptr<TrackJunction> trackJunction;
};
