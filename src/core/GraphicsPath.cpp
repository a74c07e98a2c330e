#include "core/GraphicsPath.h"

#include "core/PathDetail.h"
#include "core/Readers.h"

#include <algorithm>
#include <cstring>

void GraphicsPath::read(pugi::xml_node element)
{
    for (pugi::xml_node child = element.child("point"); child; child = child.next_sibling("point")) {
        PathPoint point;
        point.at = readPointAttribute(child, "at", QPointF(0, 0));
        point.type = readInt32Attribute(child, "type", 0);
        pathPoints.push_back(point);
    }
}

QPainterPath GraphicsPath::polygonPath() const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    if (pathPoints.empty())
        return path;
    path.reserve(int(std::min<size_t>(pathPoints.size() + 2, size_t(1) << 30)));
    path.moveTo(pathPoints.front().at);
    for (const PathPoint& p : pathPoints)
        path.lineTo(p.at);
    path.lineTo(pathPoints.front().at);
    return path;
}

GraphicsPath::Kept GraphicsPath::fingerprint() const
{
    Kept k;
    k.data = pathPoints.data();
    k.count = pathPoints.size();
    if (!pathPoints.empty()) {
        k.front = pathPoints.front().at;
        k.back = pathPoints.back().at;
    }
    return k;
}

bool GraphicsPath::sameLook(const Kept& a, const Kept& b)
{
    return a.data == b.data && a.count == b.count && a.front == b.front && a.back == b.back;
}

void GraphicsPath::keepPath()
{
    Kept now = fingerprint();
    // FNV-1a over the coordinates' bits: an edit anywhere in the list shows.
    std::uint64_t h = 14695981039346656037ull;
    for (const PathPoint& p : pathPoints) {
        const double xy[2] = {p.at.x(), p.at.y()};
        std::uint64_t bits[2];
        std::memcpy(bits, xy, sizeof bits);
        h = (h ^ bits[0]) * 1099511628211ull;
        h = (h ^ bits[1]) * 1099511628211ull;
    }
    now.hash = h;
    if (!kept_ || !sameLook(*kept_, now) || kept_->hash != now.hash) {
        now.path = polygonPath();
        kept_ = std::make_shared<const Kept>(std::move(now));
    }
    PathDetail::prepare(kept_->path);
}

QPainterPath GraphicsPath::drawnPath() const
{
    if (kept_ && sameLook(*kept_, fingerprint()))
        return kept_->path;
    return polygonPath();
}
