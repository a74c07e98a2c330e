#pragma once
// Bezier outline: through-points with left and right control points.

#include <QPainterPath>
#include <QPointF>
#include <cstddef>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

class QTransform;

enum class BezierStyle { straight, smooth, controlled };
std::optional<BezierStyle> bezierStyleFromString(std::string_view text);
const char* toString(BezierStyle v);

class Bezier {
public:
    // Longest point list read from a file, and most points one sample call
    // returns; both keep memory bounded on hostile input.
    static constexpr size_t maxPoints = 1'000'000;
    static constexpr size_t maxSamples = 2'000'000;
    static constexpr int maxSteps = 1000;

    BezierStyle style = BezierStyle::straight;
    bool closed = false;
    double tension = 0.5;
    std::vector<QPointF> points;
    std::vector<QPointF> leftControls;  // incoming control of each point
    std::vector<QPointF> rightControls; // outgoing control of each point

    // "style" (straight | smooth | controlled; another word gives straight),
    // "closed", "tension" (clamped to 0..10) and the point lists "points",
    // "leftControls", "rightControls" of the element it is given. A point
    // list is an attribute of blank-separated "x,y" pairs, each number at
    // single precision; a list with any unreadable pair, or longer than
    // maxPoints, is ignored as a whole. Without the attribute, the first
    // child element of that name is read instead, one point per "point"
    // child ("at", (0,0) when unreadable). Missing values keep the field.
    void readXML(pugi::xml_node element);
    // straight: the polyline through the points; controlled: cubic segments
    // point[i], rightControls[i], leftControls[i+1], point[i+1] (a missing
    // control is the point itself); smooth: cardinal spline with the tension.
    // Closed outlines add the segment back to the first point and close.
    QPainterPath path() const;
    // Points sampled along the segments from..to-1, segment i running from
    // point i to point i+1 (the last one back to point 0), steps per segment
    // (clamped to 1..maxSteps), followed by the end of the last segment
    // unless it repeats the first sample; a straight outline yields none.
    std::vector<QPointF> sample(int from, int to, int steps) const;
    // Keeps path() of the fields as they are now (the geometry pass calls
    // it), so that drawing does not build it again.
    void keepPath();
    // The kept path while the fields still match it, else path() afresh.
    QPainterPath drawnPath() const;

private:
    struct Kept {
        BezierStyle style;
        bool closed;
        double tension;
        const QPointF* points;
        size_t pointCount;
        const QPointF* left;
        size_t leftCount;
        const QPointF* right;
        size_t rightCount;
        QPointF front, back;
        QPainterPath path;
    };
    Kept fingerprint() const;
    static bool sameFields(const Kept& a, const Kept& b);
    // Shared and never changed once made: copies of the Bezier and threads
    // drawing it read it freely.
    std::shared_ptr<const Kept> kept_;

    struct Segment {
        QPointF p0, c1, c2, p1;
    };
    Segment segment(size_t i) const;
};

// Appends the cubic p0 c1 c2 p3's points after p0 on uniform steps that
// stray from it by at most `flatness`, measured as `measure` (when given)
// maps the curve: a linear part gives the same steps wherever the device's
// origin lies. The points are the curve's own, unmapped.
void flattenCubic(QPointF p0, QPointF c1, QPointF c2, QPointF p3, double flatness, std::vector<QPointF>& out,
    const QTransform* measure = nullptr);
