#include "entities/pcb/Track.h"

#include "core/Graphics.h"
#include "core/Palette.h"
#include "core/Readers.h"

void TrackVertices::addToBoundingBox(BoundingBox& box, const std::optional<QTransform>& t) const
{
    for (const QPointF& p : points)
        box.addPoint(t ? t->map(p) : p);
}

void readTrackVertices(pugi::xml_node element, TrackVertices& vertices)
{
    // Named as the children("vertex") walk names them: any node of that
    // name, whatever its kind.
    for (pugi::xml_node child = element.first_child(); xmlPresent(child); child = child.next_sibling()) {
        if (!xmlNameIs(child.name(), "vertex"))
            continue;
        TrackVertex v;
        // A vertex the file does not mark counts as routed.
        v.routed = true;
        const pugi::xml_attribute first = child.first_attribute();
        if (xmlPresent(first) && !xmlPresent(first.next_attribute()) && xmlNameIs(first.name(), "at")) {
            // Nearly every vertex holds its place alone: read it straight.
            v.position = parsePoint(first.value()).value_or(QPointF(0, 0));
        } else {
            v.position = readPointAttribute(child, "at", QPointF(0, 0));
            v.routed = readBoolAttribute(child, "routed", true);
            v.doNotDraw = readBoolAttribute(child, "doNotDraw", v.doNotDraw);
            v.width = readBoolAttribute(child, "width", v.width);
        }
        if (vertices.points.empty()) {
            // Most tracks are one segment.
            vertices.points.reserve(2);
            vertices.trackVertices.reserve(2);
        }
        vertices.trackVertices.push_back(v);
        vertices.points.push_back(v.position);
    }
}

// Track

Track::Track(GraphicsSheet* sheet) : Entity(sheet)
{
}

QWidget* Track::editorView(const std::shared_ptr<Entity>& self)
{
    return new TrackEditor(std::static_pointer_cast<Track>(self));
}

void Track::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    // A net sets its own width on its tracks once they are read.
    pen.width = 0.01;
    startTerminalId = readIdAttribute(element, "start", startTerminalId);
    endTerminalId = readIdAttribute(element, "end", endTerminalId);
    addSolderMaskHole = readBoolAttribute(element, "addSolderMaskHole", addSolderMaskHole);
    if (pugi::xml_node vertices = childElement(element, "vertices"))
        readTrackVertices(vertices, trackVertices);
    EntityList::readEntities(element, sheet, childEntities);
}

void Track::calculateBoundingBox()
{
    trackVertices.addToBoundingBox(boundingBox, netTransform);
    fullyRouted = true;
    for (const TrackVertex& v : trackVertices.trackVertices) {
        if (!v.routed) {
            fullyRouted = false;
            break;
        }
    }
}

void Track::draw(Graphics& g) const
{
    const std::vector<QPointF>& points = trackVertices.points;
    if (!fullyRouted || points.empty())
        return;
    Entity::draw(g);
    // Tracks always join round, whatever the pen says.
    Pen drawn = pen;
    drawn.lineJoin = LineJoin::round;
    g.pushTransform(singleLevelTransform);
    if (isDrawable(drawn.color) && !g.strokeThinPolyline(drawn, points)) {
        g.context.beginPath();
        g.context.moveTo(points.front());
        for (const QPointF& p : points)
            g.context.lineTo(p);
        g.context.strokePath();
    }
    g.popTransform(singleLevelTransform);
}

QString Track::typeName() const
{
    return QStringLiteral("Track");
}

// TrackJunction

TrackJunction::TrackJunction(GraphicsSheet* sheet) : Entity(sheet)
{
}

QWidget* TrackJunction::editorView(const std::shared_ptr<Entity>& self)
{
    return new TrackJunctionEditor(std::static_pointer_cast<TrackJunction>(self));
}

void TrackJunction::readXML(pugi::xml_node element)
{
    Entity::readXML(element);
    worldCenter = readPointAttribute(element, "at", worldCenter);
    diameter = readDoubleAttribute(element, "diameter", diameter);
    isTrackStubTerminal = readBoolAttribute(element, "isTrackStubTerminal", isTrackStubTerminal);
}

QString TrackJunction::typeName() const
{
    return QStringLiteral("Track Junction");
}

// DifferentialPairPolyline

DifferentialPairPolyline::DifferentialPairPolyline(GraphicsSheet* sheet) : Entity(sheet)
{
}

void DifferentialPairPolyline::updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox*)
{
    computeNetTransform(parentTransform);
    boundingBox = BoundingBox();
}

std::vector<std::shared_ptr<Track>> collectTracks(const EntityList& list)
{
    std::vector<std::shared_ptr<Track>> tracks;
    list.collect(tracks);
    return tracks;
}

// Editors

TrackEditor::TrackEditor(std::shared_ptr<Track> track, QWidget* parent)
    : NotImplementedEditor(QStringLiteral("Track"), parent)
    , track(std::move(track))
{
}

TrackJunctionEditor::TrackJunctionEditor(std::shared_ptr<TrackJunction> trackJunction, QWidget* parent)
    : FrameEditor(QStringLiteral("Track Junction"), {}, parent)
    , trackJunction(trackJunction)
{
    keepEntityAlive(std::move(trackJunction));
}
