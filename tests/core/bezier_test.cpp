#include "TestSupport.h"

#include "core/Bezier.h"
#include "core/Geometry.h"

#include <gtest/gtest.h>

#include <QTransform>

#include <array>
#include <cmath>

namespace {

Bezier readBezier(const std::string& xml)
{
    const auto doc = parseXml(xml);
    Bezier bezier;
    bezier.readXML(doc.first_child());
    return bezier;
}

QPointF elementPoint(const QPainterPath& path, int i)
{
    const QPainterPath::Element e = path.elementAt(i);
    return QPointF(e.x, e.y);
}

} // namespace

TEST(BezierReader, StyleFlagsAndPointLists)
{
    const Bezier b = readBezier(R"(<curve style="controlled" closed="true" tension="0.75"
        points=" 0,0 1,0  1,1&#10;0.1,1 " leftControls="0.5,0.5" rightControls=""/>)");
    EXPECT_EQ(b.style, BezierStyle::controlled);
    EXPECT_TRUE(b.closed);
    EXPECT_EQ(b.tension, 0.75);
    ASSERT_EQ(b.points.size(), 4u);
    EXPECT_EQ(b.points[2], QPointF(1, 1));
    EXPECT_EQ(b.points[3].x(), double(0.1f)); // single precision, widened
    ASSERT_EQ(b.leftControls.size(), 1u);
    EXPECT_TRUE(b.rightControls.empty());

    EXPECT_EQ(readBezier(R"(<c style="Smooth"/>)").style, BezierStyle::straight);
    EXPECT_EQ(readBezier(R"(<c style="smooth"/>)").style, BezierStyle::smooth);
    EXPECT_EQ(readBezier(R"(<c tension="1e6"/>)").tension, 10.0);
    EXPECT_EQ(readBezier(R"(<c tension="nan"/>)").tension, 0.5);
}

TEST(BezierReader, UnreadableListIsIgnoredWhole)
{
    const auto doc = parseXml(R"(<c points="0,0 1,x 2,2"/>)");
    Bezier b;
    b.points = {QPointF(7, 7)};
    b.readXML(doc.first_child());
    ASSERT_EQ(b.points.size(), 1u);
    EXPECT_EQ(b.points[0], QPointF(7, 7));

    for (const char* bad : {"1;2", "1,2,3", "1,", " ,1", "1,2 3", "1,nan", "1,1e999"}) {
        const auto d = parseXml(std::string("<c points=\"") + bad + "\"/>");
        Bezier kept;
        kept.points = {QPointF(7, 7)};
        kept.readXML(d.first_child());
        EXPECT_EQ(kept.points.size(), 1u) << bad;
    }
}

TEST(BezierReader, ChildListsWhenNoAttribute)
{
    const Bezier b = readBezier(R"(<c style="controlled">
        <points><point at="0,0"/><point at="2,0"/><vertex at="9,9"/><point at="bad"/></points>
        <rightControls><point at="1,1"/></rightControls>
        <points><point at="5,5"/></points>
    </c>)");
    ASSERT_EQ(b.points.size(), 3u);
    EXPECT_EQ(b.points[1], QPointF(2, 0));
    EXPECT_EQ(b.points[2], QPointF(0, 0));
    ASSERT_EQ(b.rightControls.size(), 1u);

    // The attribute wins over a child of the same name.
    const Bezier both = readBezier(R"(<c points="3,3"><points><point at="0,0"/><point at="1,1"/></points></c>)");
    ASSERT_EQ(both.points.size(), 1u);
    EXPECT_EQ(both.points[0], QPointF(3, 3));
}

TEST(BezierPath, StraightControlledAndSmooth)
{
    Bezier b;
    b.points = {QPointF(0, 0), QPointF(2, 0), QPointF(2, 2)};
    b.closed = true;
    const QPainterPath straight = b.path();
    ASSERT_EQ(straight.elementCount(), 4); // move, two lines, closing line
    EXPECT_EQ(straight.elementAt(1).type, QPainterPath::LineToElement);
    EXPECT_EQ(elementPoint(straight, 3), QPointF(0, 0));

    // Controlled: segment i uses rightControls[i] and leftControls[i+1]; a
    // missing control is the point itself.
    b.style = BezierStyle::controlled;
    b.closed = false;
    b.rightControls = {QPointF(1, -1)};
    b.leftControls = {QPointF(), QPointF(3, -1)};
    const QPainterPath controlled = b.path();
    ASSERT_EQ(controlled.elementCount(), 7);
    EXPECT_EQ(controlled.elementAt(1).type, QPainterPath::CurveToElement);
    EXPECT_EQ(elementPoint(controlled, 1), QPointF(1, -1));
    EXPECT_EQ(elementPoint(controlled, 2), QPointF(3, -1));
    EXPECT_EQ(elementPoint(controlled, 3), QPointF(2, 0));
    EXPECT_EQ(elementPoint(controlled, 4), QPointF(2, 0)); // no rightControls[1]
    EXPECT_EQ(elementPoint(controlled, 5), QPointF(2, 2)); // no leftControls[2]
    EXPECT_EQ(elementPoint(controlled, 6), QPointF(2, 2));

    // Smooth: passes through every point and bends between them.
    b.style = BezierStyle::smooth;
    b.tension = 1.0;
    b.closed = true;
    const QPainterPath smooth = b.path();
    EXPECT_EQ(elementPoint(smooth, 3), QPointF(2, 0));
    EXPECT_EQ(elementPoint(smooth, 6), QPointF(2, 2));
    EXPECT_EQ(elementPoint(smooth, 9), QPointF(0, 0));
    EXPECT_GT(smooth.boundingRect().right(), 2.0);
    EXPECT_EQ(smooth.fillRule(), Qt::WindingFill);

    EXPECT_TRUE(Bezier().path().isEmpty());
}

TEST(BezierSampler, SegmentsStepsAndBounds)
{
    Bezier b;
    b.points = {QPointF(0, 0), QPointF(1, 0), QPointF(1, 1), QPointF(0, 1)};
    EXPECT_TRUE(b.sample(0, 4, 20).empty()); // straight yields none

    b.style = BezierStyle::controlled; // no controls: straight cubic segments
    const std::vector<QPointF> loop = b.sample(0, 4, 20);
    // Four segments, the last closing back to point 0, which is not repeated.
    ASSERT_EQ(loop.size(), 80u);
    EXPECT_EQ(loop[0], QPointF(0, 0));
    EXPECT_EQ(loop[20], QPointF(1, 0));
    EXPECT_EQ(loop[60], QPointF(0, 1));
    EXPECT_NEAR(loop[10].x(), 0.5, 1e-12);
    EXPECT_NEAR(loop[10].y(), 0.0, 1e-12);

    const std::vector<QPointF> open = b.sample(1, 2, 4);
    ASSERT_EQ(open.size(), 5u);
    EXPECT_EQ(open.front(), QPointF(1, 0));
    EXPECT_EQ(open.back(), QPointF(1, 1));

    EXPECT_EQ(b.sample(0, 4, 0).size(), 4u);         // at least one step
    EXPECT_EQ(b.sample(0, 1, 1 << 30).size(), 1001u); // at most maxSteps
    EXPECT_EQ(b.sample(-5, 99, 1).size(), 4u);        // range held to the points
    EXPECT_TRUE(b.sample(3, 3, 10).empty());
    EXPECT_TRUE(b.sample(2, 1, 10).empty());

    // Sampled and grown, as a pad's clearance outline is built.
    b.style = BezierStyle::smooth;
    const std::vector<QPointF> grown = PolygonExpander::expand(b.sample(0, 4, 20), 0.004);
    ASSERT_FALSE(grown.empty());
    for (QPointF p : grown)
        EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()));
}

TEST(BezierFlatten, StraysNoMoreThanTheFlatnessWhereItIsMeasured)
{
    // An S-bend, a hairpin and a nearly straight cubic, flattened as drawn
    // (measured by a stretching, shearing linear part) and as they are.
    const std::vector<std::array<QPointF, 4>> cubics{{QPointF(0, 0), QPointF(1, 2), QPointF(2, -2), QPointF(3, 0)},
        {QPointF(0, 0), QPointF(4, 1), QPointF(4, 1.2), QPointF(0, 0.2)},
        {QPointF(0, 0), QPointF(1, 1e-4), QPointF(2, -1e-4), QPointF(3, 0)}};
    const QTransform stretch(800, 30, -60, 350, 0, 0);
    for (const QTransform* measure : {static_cast<const QTransform*>(nullptr), &stretch}) {
        const QTransform m = measure ? *measure : QTransform();
        for (const auto& c : cubics) {
            std::vector<QPointF> out{c[0]};
            flattenCubic(c[0], c[1], c[2], c[3], 0.25, out, measure);
            ASSERT_EQ(out.back(), c[3]);
            const size_t n = out.size() - 1; // uniform steps in t
            double worst = 0;
            for (size_t k = 0; k < n; ++k) {
                const QPointF a = m.map(out[k]), b = m.map(out[k + 1]);
                for (int j = 1; j < 16; ++j) {
                    const double t = (k + j / 16.0) / n, u = 1 - t;
                    const QPointF p = m.map(u * u * u * c[0] + 3 * u * u * t * c[1] + 3 * u * t * t * c[2] + t * t * t * c[3]);
                    const QPointF d = b - a, e = p - a;
                    worst = std::max(worst, std::abs(d.x() * e.y() - d.y() * e.x()) / std::hypot(d.x(), d.y()));
                }
            }
            EXPECT_LE(worst, 0.25);
        }
    }
    // Flat within the flatness: the end alone; bends too sharp for the
    // step limit, or not finite: at most 1024 steps.
    std::vector<QPointF> out;
    flattenCubic(QPointF(0, 0), QPointF(1, 0.05), QPointF(2, 0.05), QPointF(3, 0), 0.25, out);
    EXPECT_EQ(out.size(), 1u);
    out.clear();
    flattenCubic(QPointF(0, 0), QPointF(1e12, 1e12), QPointF(-1e12, 1e12), QPointF(3, 0), 0.25, out);
    EXPECT_EQ(out.size(), 1024u);
    out.clear();
    flattenCubic(QPointF(0, 0), QPointF(qInf(), 0), QPointF(qQNaN(), 1), QPointF(3, 0), 0.25, out);
    EXPECT_EQ(out.size(), 1u);
}

TEST(BezierPath, KeptPathIsDrawnOnlyWhileTheFieldsMatchIt)
{
    Bezier b;
    b.points = {{0, 0}, {1, 0}, {1, 1}};
    b.closed = true;
    b.keepPath();
    EXPECT_EQ(b.drawnPath(), b.path());
    // Every change the drawing would show gives the path afresh.
    b.points.push_back({0, 1});
    EXPECT_EQ(b.drawnPath().elementCount(), 5);
    b.keepPath();
    b.points.front() = {-1, -1};
    EXPECT_EQ(b.drawnPath().elementAt(0).x, -1);
    b.style = BezierStyle::smooth;
    EXPECT_EQ(b.drawnPath(), b.path());
    EXPECT_TRUE(b.drawnPath().elementAt(1).isCurveTo());
    b.keepPath();
    b.tension = 2;
    EXPECT_EQ(b.drawnPath(), b.path());
    b.closed = false;
    EXPECT_EQ(b.drawnPath(), b.path());
}
