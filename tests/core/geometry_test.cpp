#include "TestSupport.h"

#include "core/Geometry.h"
#include "core/GraphicsPath.h"
#include "core/PlaneSurface.h"

#include <gtest/gtest.h>

#include <QPolygonF>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

double polygonArea(const std::vector<QPointF>& pts)
{
    double sum = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        const QPointF a = pts[i], b = pts[(i + 1) % pts.size()];
        sum += a.x() * b.y() - a.y() * b.x();
    }
    return std::abs(sum) / 2;
}

bool allFinite(const std::vector<QPointF>& pts)
{
    for (QPointF p : pts)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            return false;
    return true;
}

bool pathFinite(const QPainterPath& path)
{
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (!std::isfinite(e.x) || !std::isfinite(e.y))
            return false;
    }
    return true;
}

QPointF elementPoint(const QPainterPath& path, int i)
{
    const QPainterPath::Element e = path.elementAt(i);
    return QPointF(e.x, e.y);
}

void expectNear(QPointF actual, QPointF expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
}

} // namespace

TEST(BoundingBox, GrowsByPointsAndIgnoresNonFinitePoints)
{
    BoundingBox box;
    EXPECT_FALSE(box.valid);
    EXPECT_FALSE(box.contains(QPointF(0, 0)));

    box.addPoint(QPointF(std::numeric_limits<double>::quiet_NaN(), 1));
    box.addPoint(QPointF(1, std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(box.valid);

    box.addPoint(QPointF(1, 2));
    EXPECT_TRUE(box.valid);
    EXPECT_EQ(box.bottomLeft, QPointF(1, 2));
    EXPECT_EQ(box.topRight, QPointF(1, 2));
    box.addPoint(QPointF(-1, 5));
    box.addPoint(QPointF(std::numeric_limits<double>::quiet_NaN(), 0));
    EXPECT_EQ(box.bottomLeft, QPointF(-1, 2));
    EXPECT_EQ(box.topRight, QPointF(1, 5));
    EXPECT_TRUE(box.contains(QPointF(1, 5)));
    EXPECT_FALSE(box.contains(QPointF(1.01, 5)));
}

TEST(BoundingBox, TransformedRectanglesAndBoxes)
{
    // A quarter turn maps the rectangle (1..3, 0..1) onto (-1..0, 1..3).
    const QTransform quarter = QTransform().rotate(90);
    BoundingBox box;
    box.addTransformedRect(QRectF(1, 0, 2, 1), quarter);
    expectNear(box.bottomLeft, QPointF(-1, 1));
    expectNear(box.topRight, QPointF(0, 3));

    BoundingBox plain;
    plain.addTransformedRect(QRectF(1, 0, 2, 1), std::nullopt);
    EXPECT_EQ(plain.bottomLeft, QPointF(1, 0));
    EXPECT_EQ(plain.topRight, QPointF(3, 1));

    // A rotated box takes all four corners, so it is the box of the diamond.
    BoundingBox rotated;
    rotated.addTransformedBox(plain, QTransform().rotate(45));
    const double h = std::sqrt(0.5);
    expectNear(rotated.bottomLeft, QPointF(0, h));
    expectNear(rotated.topRight, QPointF(3 * h, 4 * h));

    // An invalid box adds nothing, not even its (0,0) corners.
    BoundingBox target;
    target.addTransformedBox(BoundingBox(), QTransform().translate(5, 5));
    EXPECT_FALSE(target.valid);
    target.addPoint(QPointF(10, 10));
    target.addTransformedBox(BoundingBox(), std::nullopt);
    EXPECT_EQ(target.bottomLeft, QPointF(10, 10));
}

TEST(BoundingBox, ExpandedAndIntersects)
{
    EXPECT_FALSE(BoundingBox().expanded(1).valid);

    BoundingBox box;
    box.addRect(QRectF(0, 0, 2, 1));
    const BoundingBox grown = box.expanded(0.5);
    EXPECT_EQ(grown.bottomLeft, QPointF(-0.5, -0.5));
    EXPECT_EQ(grown.topRight, QPointF(2.5, 1.5));
    // Shrinking past the centre stops at the centre line.
    const BoundingBox shrunk = box.expanded(-0.75);
    EXPECT_EQ(shrunk.bottomLeft, QPointF(0.75, 0.5));
    EXPECT_EQ(shrunk.topRight, QPointF(1.25, 0.5));

    BoundingBox touching;
    touching.addRect(QRectF(2, 1, 1, 1));
    EXPECT_TRUE(box.intersects(touching));
    BoundingBox apart;
    apart.addRect(QRectF(2.01, 0, 1, 1));
    EXPECT_FALSE(box.intersects(apart));
    EXPECT_FALSE(box.intersects(BoundingBox()));
    EXPECT_FALSE(BoundingBox().intersects(box));
}

TEST(Geometry, CornerPointsAndConcatenationOrder)
{
    const auto corners = cornerPoints(QRectF(1, 2, 3, 4));
    EXPECT_EQ(corners[0], QPointF(1, 2));
    EXPECT_EQ(corners[1], QPointF(4, 2));
    EXPECT_EQ(corners[2], QPointF(4, 6));
    EXPECT_EQ(corners[3], QPointF(1, 6));

    // Own first, then the parent: translating by (1,0) and then turning a
    // quarter takes the origin to (0,1), not to (1,0).
    const QTransform own = QTransform().translate(1, 0);
    const QTransform parent = QTransform().rotate(90);
    const std::optional<QTransform> both = concatTransforms(own, parent);
    ASSERT_TRUE(both);
    expectNear(both->map(QPointF(0, 0)), QPointF(0, 1));
    expectNear(transformPoints({QPointF(0, 0)}, *both)[0], QPointF(0, 1));

    EXPECT_EQ(concatTransforms(own, std::nullopt), own);
    EXPECT_EQ(concatTransforms(std::nullopt, parent), parent);
    EXPECT_FALSE(concatTransforms(std::nullopt, std::nullopt));
}

TEST(Geometry, ArcsRunCounterClockwiseFromTheirStartPoint)
{
    QPainterPath path;
    addArc(path, QPointF(1, 1), 2, 0, kPi / 2);
    // An empty path starts at the arc, with no line from the origin.
    EXPECT_EQ(path.elementAt(0).type, QPainterPath::MoveToElement);
    expectNear(elementPoint(path, 0), QPointF(3, 1));
    expectNear(path.currentPosition(), QPointF(1, 3));
    expectNear(path.pointAtPercent(0.5), QPointF(1 + 2 * std::sqrt(0.5), 1 + 2 * std::sqrt(0.5)), 1e-3);

    // On a path that has a current point the arc is joined by a line.
    QPainterPath joined;
    joined.moveTo(0, 0);
    addArc(joined, QPointF(0, 0), 1, kPi, -kPi);
    EXPECT_EQ(joined.elementAt(1).type, QPainterPath::LineToElement);
    expectNear(elementPoint(joined, 1), QPointF(-1, 0));
    expectNear(joined.currentPosition(), QPointF(1, 0));
    // A clockwise half turn from the left passes over the top.
    EXPECT_GT(joined.boundingRect().bottom(), 0.99);

    QPainterPath untouched;
    addArc(untouched, QPointF(0, 0), std::numeric_limits<double>::quiet_NaN(), 0, 1);
    EXPECT_TRUE(untouched.isEmpty());
}

TEST(RoundedRectangle, RadiusAndSelectedCorners)
{
    const QRectF rect(0, 0, 4, 2);
    // Points just inside each corner: bottom-left, bottom-right, top-right, top-left.
    const QPointF nearCorner[4] = {QPointF(0.05, 0.05), QPointF(3.95, 0.05), QPointF(3.95, 1.95), QPointF(0.05, 1.95)};
    auto rounded = [&](RoundedSideType side) {
        const QPainterPath path = RoundedRectanglePath::path(side, rect, 0.5);
        std::array<bool, 4> cut{};
        for (int i = 0; i < 4; ++i)
            cut[size_t(i)] = !path.contains(nearCorner[i]);
        return cut;
    };
    EXPECT_EQ(rounded(RoundedSideType::all), (std::array<bool, 4>{true, true, true, true}));
    EXPECT_EQ(rounded(RoundedSideType::top), (std::array<bool, 4>{false, false, true, true}));
    EXPECT_EQ(rounded(RoundedSideType::bottom), (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(rounded(RoundedSideType::left), (std::array<bool, 4>{true, false, false, true}));
    EXPECT_EQ(rounded(RoundedSideType::right), (std::array<bool, 4>{false, true, true, false}));

    // Ratio 0.5 of half the shorter side: radius 0.5 about (0.5, 0.5).
    const QPainterPath half = RoundedRectanglePath::path(RoundedSideType::all, rect, 0.5);
    EXPECT_TRUE(half.contains(QPointF(0.2, 0.2)));  // 0.42 from the centre
    EXPECT_FALSE(half.contains(QPointF(0.1, 0.1))); // 0.57 from the centre
    EXPECT_EQ(half.boundingRect(), rect);

    // Zero ratio: the plain rectangle; a huge ratio is held to half the
    // shorter side; a flipped rectangle is the same rectangle.
    EXPECT_TRUE(RoundedRectanglePath::path(RoundedSideType::all, rect, 0).contains(nearCorner[0]));
    const QPainterPath clamped = RoundedRectanglePath::path(RoundedSideType::all, rect, 50);
    EXPECT_EQ(clamped.boundingRect(), rect);
    EXPECT_TRUE(clamped.contains(QPointF(2, 0.05)));
    EXPECT_FALSE(clamped.contains(QPointF(0.2, 0.2))); // 1.13 from (1, 1)
    const QPainterPath flipped = RoundedRectanglePath::path(RoundedSideType::all, QRectF(4, 2, -4, -2), 0.5);
    EXPECT_EQ(flipped.boundingRect(), rect);
    EXPECT_FALSE(flipped.contains(QPointF(0.1, 0.1)));
    EXPECT_TRUE(flipped.contains(QPointF(2, 1)));
}

TEST(PolygonExpander, SquareGrowsBySameAmountForEitherWinding)
{
    const std::vector<QPointF> ccw = {QPointF(0, 0), QPointF(2, 0), QPointF(2, 2), QPointF(0, 2)};
    const std::vector<QPointF> cw(ccw.rbegin(), ccw.rend());
    for (const auto& square : {ccw, cw}) {
        const std::vector<QPointF> grown = PolygonExpander::expand(square, 0.5);
        ASSERT_EQ(grown.size(), 4u);
        EXPECT_NEAR(polygonArea(grown), 9.0, 1e-9);
        const QRectF box = QPolygonF(QList<QPointF>(grown.begin(), grown.end())).boundingRect();
        EXPECT_EQ(box, QRectF(-0.5, -0.5, 3, 3));
        EXPECT_NEAR(polygonArea(PolygonExpander::expand(square, -0.5)), 1.0, 1e-9);
    }
}

TEST(PolygonExpander, DegenerateInputGivesFinitePoints)
{
    // Repeated points and a closing repeat change nothing.
    const std::vector<QPointF> repeated = {QPointF(0, 0), QPointF(0, 0), QPointF(2, 0), QPointF(2, 2),
                                           QPointF(2, 2), QPointF(0, 2), QPointF(0, 0)};
    const std::vector<QPointF> grown = PolygonExpander::expand(repeated, 0.5);
    EXPECT_EQ(grown.size(), 4u);
    EXPECT_NEAR(polygonArea(grown), 9.0, 1e-9);

    EXPECT_EQ(PolygonExpander::expand({QPointF(0, 0), QPointF(1, 1)}, 1).size(), 2u);
    EXPECT_TRUE(PolygonExpander::expand({}, 1).empty());
    const auto line = PolygonExpander::expand({QPointF(0, 0), QPointF(1, 0), QPointF(2, 0)}, 1);
    EXPECT_TRUE(allFinite(line));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto withNaN = PolygonExpander::expand({QPointF(0, 0), QPointF(nan, 1), QPointF(1, 0), QPointF(0, 1)}, 0.1);
    EXPECT_EQ(withNaN.size(), 3u);
    EXPECT_TRUE(allFinite(withNaN));
}

TEST(PolygonExpander, SharpCornersAreCutAtFourTimesTheOffset)
{
    // The corner at (10, 0) is under 3 degrees: its full miter would reach
    // about 40 offsets out.
    const double d = 0.1;
    const std::vector<QPointF> sliver = {QPointF(0, 0), QPointF(10, 0), QPointF(0, 0.5)};
    const std::vector<QPointF> grown = PolygonExpander::expand(sliver, d);
    ASSERT_TRUE(allFinite(grown));
    EXPECT_EQ(grown.size(), 4u); // the sharp corner becomes two points
    double furthest = 0;
    for (QPointF p : grown) {
        double nearest = 1e9;
        for (QPointF q : sliver)
            nearest = std::min(nearest, std::hypot(p.x() - q.x(), p.y() - q.y()));
        furthest = std::max(furthest, nearest);
    }
    EXPECT_LT(furthest, 4.5 * d); // cut across the miter 4 offsets out
    EXPECT_GT(polygonArea(grown), polygonArea(sliver));

    // A concave notch grown outwards keeps the true meeting point.
    const std::vector<QPointF> notch = {QPointF(0, 0), QPointF(4, 0), QPointF(4, 4), QPointF(2, 0.5), QPointF(0, 4)};
    const std::vector<QPointF> notchGrown = PolygonExpander::expand(notch, 0.1);
    EXPECT_EQ(notchGrown.size(), 5u);
    EXPECT_TRUE(allFinite(notchGrown));
}

TEST(PolylineCurver, RoundedCornerTouchesBothSegments)
{
    // A right angle: the tangent points lie r from the corner.
    PolylineCurver square({QPointF(0, 0), QPointF(1, 0), QPointF(1, 1)}, false);
    const QPainterPath path = square.buildPath();
    expectNear(elementPoint(path, 0), QPointF(0, 0));
    expectNear(elementPoint(path, 1), QPointF(0.95, 0));
    expectNear(path.currentPosition(), QPointF(1, 1));
    // The arc ends on the second segment and keeps r from its centre.
    expectNear(elementPoint(path, path.elementCount() - 2), QPointF(1, 0.05));
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
        for (QPointF p : poly) {
            if (p.x() > 0.95 && p.y() < 0.05) {
                EXPECT_NEAR(std::hypot(p.x() - 0.95, p.y() - 0.05), 0.05, 1e-3);
            }
        }
    }

    // Sixty degrees between the segments: r / tan(30 degrees) from the corner.
    const QPointF third(1 - 0.5, std::sqrt(3.0) / 2);
    PolylineCurver sharp({QPointF(0, 0), QPointF(1, 0), third}, false);
    const QPainterPath sharpPath = sharp.buildPath();
    const double t = 0.05 / std::tan(kPi / 6);
    expectNear(elementPoint(sharpPath, 1), QPointF(1 - t, 0));
    expectNear(elementPoint(sharpPath, sharpPath.elementCount() - 2), QPointF(1 - t * 0.5, t * std::sqrt(3.0) / 2));
}

TEST(PolylineCurver, BevelledCornerIsOneStraightCut)
{
    PolylineCurver bevel({QPointF(0, 0), QPointF(1, 0), QPointF(1, 1)}, true);
    const QPainterPath path = bevel.buildPath();
    ASSERT_EQ(path.elementCount(), 4);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(path.elementAt(i).type, QPainterPath::LineToElement);
    expectNear(elementPoint(path, 1), QPointF(0.95, 0));
    expectNear(elementPoint(path, 2), QPointF(1, 0.05));
    expectNear(elementPoint(path, 3), QPointF(1, 1));
}

TEST(PolylineCurver, AwkwardCornersStayFinite)
{
    // Straight through: the corner stays as it is.
    const QPainterPath straight = PolylineCurver({QPointF(0, 0), QPointF(1, 0), QPointF(2, 0)}, false).buildPath();
    EXPECT_EQ(straight.elementCount(), 3);
    // Full reversal and repeated points.
    const QPainterPath back =
        PolylineCurver({QPointF(0, 0), QPointF(1, 0), QPointF(1, 0), QPointF(0, 0)}, false).buildPath();
    EXPECT_TRUE(pathFinite(back));
    EXPECT_EQ(back.elementCount(), 3);
    // A middle segment shorter than two tangent distances: each corner gets
    // half of it, so the rounding never runs past the segment.
    const QPainterPath zigzag =
        PolylineCurver({QPointF(0, 0), QPointF(1, 0), QPointF(1, 0.02), QPointF(0, 0.02)}, false).buildPath();
    EXPECT_TRUE(pathFinite(zigzag));
    EXPECT_LE(zigzag.boundingRect().right(), 1 + 1e-9);
    expectNear(elementPoint(zigzag, 1), QPointF(0.99, 0));
    // Short end segments are used whole at most.
    const QPainterPath tiny = PolylineCurver({QPointF(0, 0), QPointF(0.01, 0), QPointF(0.01, 0.01)}, false).buildPath();
    EXPECT_TRUE(pathFinite(tiny));
    EXPECT_LE(tiny.boundingRect().right(), 0.01 + 1e-9);

    EXPECT_TRUE(PolylineCurver({}, false).buildPath().isEmpty());
    EXPECT_EQ(PolylineCurver({QPointF(1, 1)}, false).buildPath().elementCount(), 1);
}

TEST(Vertices, ReadsVertexChildrenAndBoundsThem)
{
    const auto doc = parseXml(R"(<vertices><vertex at="1,2"/><other at="9,9"/><vertex at="bad"/><vertex at="-1,0.5"/></vertices>)");
    Vertices vertices;
    vertices.points.push_back(QPointF(5, 5));
    vertices.read(doc.first_child());
    ASSERT_EQ(vertices.points.size(), 4u);
    EXPECT_EQ(vertices.points[1], QPointF(1, 2));
    EXPECT_EQ(vertices.points[2], QPointF(0, 0));
    EXPECT_EQ(vertices.points[3], QPointF(-1, 0.5));

    BoundingBox box;
    vertices.addToBoundingBox(box, QTransform().translate(10, 0));
    EXPECT_EQ(box.bottomLeft, QPointF(9, 0));
    EXPECT_EQ(box.topRight, QPointF(15, 5));
}

TEST(GraphicsPath, ReadsPointChildrenOnly)
{
    const auto doc = parseXml(R"(<shape>
        <point at="1,2"/>
        text
        <point at="1;2" type="3"/>
        <pointer at="7,7"/>
        <!-- comment -->
        <point at="0.5,-4" type="x"/>
        <point type="2"/>
    </shape>)");
    GraphicsPath path;
    path.pathPoints.push_back({QPointF(9, 9), 1});
    path.read(doc.first_child());
    ASSERT_EQ(path.pathPoints.size(), 5u); // appended, not replaced
    EXPECT_EQ(path.pathPoints[1].at, QPointF(1, 2));
    EXPECT_EQ(path.pathPoints[1].type, 0);
    EXPECT_EQ(path.pathPoints[2].at, QPointF(0, 0));
    EXPECT_EQ(path.pathPoints[2].type, 3);
    EXPECT_EQ(path.pathPoints[3].at, QPointF(0.5, -4));
    EXPECT_EQ(path.pathPoints[3].type, 0);
    EXPECT_EQ(path.pathPoints[4].at, QPointF(0, 0));
    EXPECT_EQ(path.pathPoints[4].type, 2);
}

TEST(PlaneSurface, HolesStayOpenUnderEitherFillRule)
{
    // Outline and hole both counter-clockwise, as a file may give them.
    const auto doc = parseXml(R"(<fill>
        <polygon><vertex at="0,0"/><vertex at="4.1,0"/><vertex at="4,4"/><vertex at="0,4"/></polygon>
        <polygon isHole="true"><vertex at="1,1"/><vertex at="3,1"/><vertex at="3,3"/><vertex at="1,3"/></polygon>
        <polygon><vertex other="1,1" at="9,9"/><vertex at="10,x"/></polygon>
    </fill>)");
    PlaneSurface surface;
    surface.readXML(doc.first_child());
    ASSERT_EQ(surface.contours.size(), 3u);
    EXPECT_FALSE(surface.contours[0].isHole);
    EXPECT_TRUE(surface.contours[1].isHole);
    EXPECT_EQ(surface.contours[1].points[2], QPointF(3, 3));
    // Points keep the single-precision value read, widened; a contour too
    // short to enclose anything is kept but not drawn.
    EXPECT_EQ(surface.contours[0].points[1], QPointF(double(4.1f), 0));
    EXPECT_EQ(surface.contours[2].points.size(), 2u);
    EXPECT_EQ(surface.contours[2].points[0], QPointF(9, 9));
    EXPECT_EQ(surface.contours[2].points[1], QPointF(0, 0)); // unreadable
    EXPECT_EQ(surface.path->elementCount(), 10);
    ASSERT_TRUE(surface.path);
    EXPECT_EQ(surface.path->fillRule(), Qt::OddEvenFill);
    EXPECT_TRUE(surface.path->contains(QPointF(0.5, 0.5)));
    EXPECT_FALSE(surface.path->contains(QPointF(2, 2)));

    QPainterPath winding = *surface.path;
    winding.setFillRule(Qt::WindingFill);
    EXPECT_TRUE(winding.contains(QPointF(0.5, 0.5)));
    EXPECT_FALSE(winding.contains(QPointF(2, 2)));

    // Repeated points are dropped as lineTo drops them: the path is the one
    // moveTo, lineTo and closeSubpath make.
    const auto repeated = parseXml(R"(<fill><polygon><vertex at="0,0"/><vertex at="0,0"/><vertex at="2,0"/>
        <vertex at="2,0"/><vertex at="2,2"/><vertex at="0,0"/></polygon></fill>)");
    surface.readXML(repeated.first_child());
    QPainterPath expected;
    expected.moveTo(0, 0);
    for (const QPointF p : {QPointF(0, 0), QPointF(2, 0), QPointF(2, 0), QPointF(2, 2), QPointF(0, 0)})
        expected.lineTo(p);
    expected.closeSubpath();
    ASSERT_TRUE(surface.path);
    ASSERT_EQ(surface.path->elementCount(), expected.elementCount());
    for (int i = 0; i < expected.elementCount(); ++i)
        EXPECT_EQ(QPointF(surface.path->elementAt(i)), QPointF(expected.elementAt(i))) << i;

    // Without polygons there is nothing to fill and no path.
    const auto empty = parseXml("<fill/>");
    surface.readXML(empty.first_child());
    EXPECT_TRUE(surface.contours.empty());
    EXPECT_FALSE(surface.path);
}
