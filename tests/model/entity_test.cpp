#include "ModelTestEntities.h"
#include "TestSupport.h"

#include "core/Readers.h"
#include "model/ClosedCurve.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <string>

namespace {

void readInto(Entity& e, const std::string& xml)
{
    pugi::xml_document doc = parseXml(xml);
    e.readXML(doc.first_child());
}

QPointF mapped(const std::optional<QTransform>& t, QPointF p)
{
    return t ? t->map(p) : p;
}

void expectNear(QPointF actual, QPointF expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
}

} // namespace

TEST(EntityReading, CommonAttributes)
{
    TestRect e(nullptr);
    readInto(e, R"(<testRect identifier="R7" userCannotSelect="true" locked="true" layer="3"/>)");
    EXPECT_EQ(e.identifier, "R7");
    EXPECT_TRUE(e.userCannotSelect);
    EXPECT_TRUE(e.locked);
    EXPECT_EQ(e.layerIndex, 3);
    EXPECT_FALSE(e.singleLevelTransform);
    EXPECT_TRUE(e.attributes.empty());

    // Flags are true only for the exact word; a bad or out-of-range layer is 0.
    TestRect f(nullptr);
    f.layerIndex = 5;
    readInto(f, R"(<testRect userCannotSelect="True" locked="1" layer="99999999999"/>)");
    EXPECT_FALSE(f.userCannotSelect);
    EXPECT_FALSE(f.locked);
    EXPECT_EQ(f.layerIndex, 0);

    TestRect g(nullptr);
    readInto(g, R"(<testRect layer=" 2"/>)");
    EXPECT_EQ(g.layerIndex, 0);
    EXPECT_TRUE(g.identifier.isEmpty());
}

TEST(EntityReading, RepeatedShortTextsShareStorage)
{
    const QString a = sharedText(QString(16, 'y'));
    QString b = sharedText(QString(16, 'y'));
    EXPECT_EQ(a.constData(), b.constData());
    b += 'z'; // an edit leaves the other holder's text alone
    EXPECT_EQ(a, QString(16, 'y'));
    const QString c = sharedText(QString(17, 'y'));
    EXPECT_NE(c.constData(), sharedText(QString(17, 'y')).constData());
}

TEST(EntityReading, MatrixAttributes)
{
    // An explicit identity leaves no transform.
    TestRect identity(nullptr);
    readInto(identity, R"(<testRect m11="1" m12="0" m21="0" m22="1" dx="0" dy="0"/>)");
    EXPECT_FALSE(identity.singleLevelTransform);

    TestRect shifted(nullptr);
    readInto(shifted, R"(<testRect dx="1.5" dy="-2"/>)");
    ASSERT_TRUE(shifted.singleLevelTransform);
    expectNear(shifted.singleLevelTransform->map(QPointF(1, 1)), QPointF(2.5, -1));

    // QTransform(m11, m12, m21, m22, dx, dy): a quarter turn counter-clockwise.
    TestRect rotated(nullptr);
    readInto(rotated, R"(<testRect m11="0" m12="1" m21="-1" m22="0" dx="1" dy="0"/>)");
    ASSERT_TRUE(rotated.singleLevelTransform);
    expectNear(rotated.singleLevelTransform->map(QPointF(1, 0)), QPointF(1, 1));
    expectNear(rotated.singleLevelTransform->map(QPointF(0, 1)), QPointF(0, 0));

    // Unreadable or non-finite values keep their identity defaults.
    TestRect bad(nullptr);
    readInto(bad, R"(<testRect m11="nan" m22="1e999" dx="abc" dy="1,5"/>)");
    EXPECT_FALSE(bad.singleLevelTransform);
}

TEST(EntityGeometry, NetTransformComposesOwnThenParent)
{
    TestRect e(nullptr);
    e.computeNetTransform(std::nullopt);
    EXPECT_FALSE(e.netTransform);

    const QTransform parent = QTransform::fromScale(2, 2);
    e.computeNetTransform(parent);
    ASSERT_TRUE(e.netTransform);
    EXPECT_EQ(*e.netTransform, parent);

    e.singleLevelTransform = QTransform::fromTranslate(1, 0);
    e.computeNetTransform(std::nullopt);
    EXPECT_EQ(*e.netTransform, QTransform::fromTranslate(1, 0));

    // Own first: (0,0) -> (1,0), then scaled -> (2,0). The other order would give (1,0).
    e.computeNetTransform(parent);
    expectNear(e.netTransform->map(QPointF(0, 0)), QPointF(2, 0));
}

TEST(EntityGeometry, EqualPlacementsAreSharedYetEditedApart)
{
    // Children placed under one parent share its value...
    TestRect a(nullptr), b(nullptr);
    const QTransform parent(0, 1, -1, 0, 3, 4);
    a.computeNetTransform(parent);
    b.computeNetTransform(parent);
    EXPECT_EQ(&a.netTransform.get(), &b.netTransform.get());
    // ...but writing one leaves the other as it was.
    a.netTransform = QTransform::fromTranslate(1, 0);
    EXPECT_EQ(*b.netTransform, parent);
    b.singleLevelTransform = b.netTransform;
    b.netTransform = std::nullopt;
    EXPECT_EQ(b.singleLevelTransform, parent);
    EXPECT_EQ(b.netTransform, std::nullopt);
    EXPECT_EQ(a.netTransform, QTransform::fromTranslate(1, 0));
    // A zero of the other sign is another value, not a shared one.
    TestRect c(nullptr);
    a.netTransform = QTransform(1, 0, 0, 1, 0, 0);
    c.netTransform = QTransform(1, 0, 0, 1, -0.0, 0);
    EXPECT_TRUE(std::signbit(c.netTransform->dx()));

    // Children given a holder's value take the holder's own block, also
    // after a sibling with a placement of its own; the holder's next
    // placement reaches them at the next pass.
    TestRect holder(nullptr), first(nullptr), turned(nullptr), last(nullptr);
    holder.singleLevelTransform = QTransform(0, 1, -1, 0, 7, 8);
    turned.singleLevelTransform = QTransform::fromScale(3, 3);
    for (const QTransform& placed : {QTransform(0, 1, -1, 0, 7, 8), QTransform::fromTranslate(5, 6)}) {
        holder.singleLevelTransform = placed;
        holder.computeNetTransform(std::nullopt);
        for (TestRect* child : {&first, &turned, &last})
            child->computeNetTransform(holder.netTransform);
        EXPECT_EQ(&first.netTransform.get(), &holder.netTransform.get());
        EXPECT_EQ(&last.netTransform.get(), &holder.netTransform.get());
        EXPECT_EQ(*last.netTransform, placed);
        EXPECT_EQ(*turned.netTransform, QTransform::fromScale(3, 3) * placed);
    }
}

TEST(EntityGeometry, UpdateGeometryFillsOwnAndParentBox)
{
    TestRect e(nullptr);
    e.rect = QRectF(0, 0, 1, 2);
    e.singleLevelTransform = QTransform::fromTranslate(1, 1);
    BoundingBox parent;
    e.updateGeometry(QTransform::fromScale(2, 2), &parent);
    ASSERT_TRUE(e.boundingBox.valid);
    expectNear(e.boundingBox.bottomLeft, QPointF(2, 2));
    expectNear(e.boundingBox.topRight, QPointF(4, 6));
    ASSERT_TRUE(parent.valid);
    expectNear(parent.bottomLeft, QPointF(2, 2));
    expectNear(parent.topRight, QPointF(4, 6));

    // The box is replaced on every update; an entity without extent adds nothing.
    Entity plain(nullptr);
    plain.boundingBox.addPoint(QPointF(50, 50));
    BoundingBox untouched;
    plain.updateGeometry(std::nullopt, &untouched);
    EXPECT_FALSE(plain.boundingBox.valid);
    EXPECT_FALSE(untouched.valid);
    EXPECT_EQ(plain.typeName(), "Unknown");
    EXPECT_EQ(editorFor(std::shared_ptr<Entity>(&plain, [](Entity*) {})), nullptr);
    EXPECT_EQ(editorFor(nullptr), nullptr);
}

TEST(UserAttributes, FloatsAndStringsInOrder)
{
    TestRect e(nullptr);
    readInto(e, R"(<testRect>
        <attributes>
          <attribute name="Tolerance" type="float" value="0.25"/>
          <attribute name="Supplier" value="Acme &amp; Co"/>
          <attribute name="Note" type="string" value=""/>
          <attribute name="Broken" type="float" value="1.5mm"/>
          <attribute name="Huge" type="float" value="1e999"/>
          <attribute type="float" value="2"/>
          <attribute name="Future" type="matrix" value="1"/>
          <other name="x" value="y"/>
        </attributes>
        <attributes><attribute name="Second" value="ignored"/></attributes>
      </testRect>)");
    ASSERT_EQ(e.attributes.items().size(), 3u);
    const auto* f = std::get_if<FloatAttribute>(&e.attributes.items()[0]);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->name, "Tolerance");
    EXPECT_DOUBLE_EQ(f->value, 0.25);
    const auto* s = std::get_if<StringAttribute>(&e.attributes.items()[1]);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->name, "Supplier");
    EXPECT_EQ(s->value, "Acme & Co");
    const auto* n = std::get_if<StringAttribute>(&e.attributes.items()[2]);
    ASSERT_TRUE(n);
    EXPECT_TRUE(n->value.isEmpty());
}

TEST(UserAttributes, CountIsCapped)
{
    std::string xml = "<attributes>";
    for (size_t i = 0; i < QelAttributes::kMaxItems + 5; ++i)
        xml += "<attribute name=\"a\" type=\"float\" value=\"1\"/>";
    xml += "</attributes>";
    pugi::xml_document doc = parseXml(xml);
    QelAttributes a;
    a.readXML(doc.first_child());
    EXPECT_EQ(a.items().size(), QelAttributes::kMaxItems);
    // Reading again replaces rather than appends.
    a.readXML(doc.first_child());
    EXPECT_EQ(a.items().size(), QelAttributes::kMaxItems);
}

TEST(EntityDrawing, SelectionFrameIsRedEvenUnderLayerColour)
{
    QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setTransform(testView());
        DrawingContext ctx(p);
        Graphics g(ctx);
        g.useLayerColor = true;
        g.layerColor = QColor(0, 0, 255);
        Entity e(nullptr);
        e.boundingBox.addPoint(QPointF(0.5, 0.5));
        e.boundingBox.addPoint(QPointF(1.5, 1.5));
        e.draw(g); // not selected: nothing
        EXPECT_EQ(img.pixelColor(50, 100), QColor(Qt::white));
        e.selected = true;
        e.draw(g);
    }
    img.save("/tmp/brindlex_model_selection.png");
    // Left edge x = 0.5 in -> device 50; a one-pixel line straddles it.
    const QColor onEdge = img.pixelColor(50, 100).red() > img.pixelColor(49, 100).red() ? img.pixelColor(50, 100) : img.pixelColor(49, 100);
    EXPECT_GT(onEdge.red(), 200);
    EXPECT_GT(onEdge.red() - onEdge.blue(), 80);
    EXPECT_EQ(img.pixelColor(100, 100), QColor(Qt::white)); // the inside is not filled
}

TEST(ClosedCurveReading, OutlinePenBrushAndFallbacks)
{
    ClosedCurve c(nullptr);
    readInto(c, R"(<closedCurve curveType="ellipse" x="1" y="2" width="3" height="4" roundness="0.5"
        roundedSide="top" widthEqualsHeight="true" penWidth="0.02" penColor="255,0,0" brushColor="0,0,255" layer="2"/>)");
    EXPECT_EQ(c.curveType(), CurveType::ellipse);
    EXPECT_EQ(c.rectangle, QRectF(1, 2, 3, 4));
    EXPECT_DOUBLE_EQ(c.roundness(), 0.5);
    EXPECT_EQ(c.roundedSide(), RoundedSideType::top);
    EXPECT_TRUE(c.lockWidthToHeight());
    EXPECT_NEAR(c.pen().width, 0.02, 1e-6);
    EXPECT_EQ(c.pen().color, QColor(255, 0, 0));
    EXPECT_EQ(c.brush().color, QColor(0, 0, 255));
    EXPECT_EQ(c.layerIndex, 2);
    // The editors' pen and brush are the curve's own (after sharing).
    Pen* ownPen = c.entityPen();
    EXPECT_EQ(ownPen, &c.pen());
    Brush* ownBrush = c.entityBrush();
    EXPECT_EQ(ownBrush, &c.brush());

    // Unknown words fall back to rectangle and all; missing ones keep the value.
    ClosedCurve d(nullptr);
    d.setRoundedSide(RoundedSideType::left);
    readInto(d, R"(<closedCurve curveType="hexagon" roundedSide="diagonal"/>)");
    EXPECT_EQ(d.curveType(), CurveType::rectangle);
    EXPECT_EQ(d.roundedSide(), RoundedSideType::all);
    ClosedCurve k(nullptr);
    k.setCurveType(CurveType::curve);
    k.setRoundedSide(RoundedSideType::left);
    readInto(k, R"(<closedCurve/>)");
    EXPECT_EQ(k.curveType(), CurveType::curve);
    EXPECT_EQ(k.roundedSide(), RoundedSideType::left);

    // Without Bezier attributes the default Bezier reads back; once given,
    // its fields are kept by a later reading that leaves them out.
    EXPECT_EQ(c.bezier().tension, 0.5);
    EXPECT_TRUE(c.bezier().points.empty() && !c.bezier().closed);
    readInto(k, R"(<closedCurve tension="2" closed="true"/>)");
    readInto(k, R"(<closedCurve points="0,0 1,0 1,1"/>)");
    EXPECT_EQ(k.bezier().tension, 2.0);
    EXPECT_TRUE(k.bezier().closed);
    EXPECT_EQ(k.bezier().points.size(), 3u);
    k.editBezier().points.clear();
    EXPECT_TRUE(k.bezier().points.empty());
}

TEST(ClosedCurveGeometry, BoundsUnderTransform)
{
    // Rectangle corners through the net transform (own rotation then parent shift).
    ClosedCurve r(nullptr);
    readInto(r, R"(<closedCurve x="0" y="0" width="2" height="1" m11="0" m12="1" m21="-1" m22="0"/>)");
    BoundingBox parent;
    r.updateGeometry(QTransform::fromTranslate(10, 0), &parent);
    ASSERT_TRUE(r.boundingBox.valid);
    expectNear(r.boundingBox.bottomLeft, QPointF(9, 0));
    expectNear(r.boundingBox.topRight, QPointF(10, 2));
    expectNear(parent.topRight, QPointF(10, 2));

    // A curve uses its Bezier points, not the rectangle.
    ClosedCurve c(nullptr);
    readInto(c, R"(<closedCurve curveType="curve" x="100" y="100" width="1" height="1" points="0,0 2,0 1,3" dx="1" dy="1"/>)");
    ASSERT_EQ(c.bezier().points.size(), 3u);
    c.updateGeometry(std::nullopt, nullptr);
    ASSERT_TRUE(c.boundingBox.valid);
    expectNear(c.boundingBox.bottomLeft, QPointF(1, 1));
    expectNear(c.boundingBox.topRight, QPointF(3, 4));
    expectNear(mapped(c.netTransform, QPointF(0, 0)), QPointF(1, 1));

    // Rounded corners stay inside the rectangle; the outline is in own coordinates.
    ClosedCurve rounded(nullptr);
    readInto(rounded, R"(<closedCurve x="0" y="0" width="2" height="1" roundness="1" dx="5"/>)");
    const QPainterPath path = rounded.outlinePath();
    EXPECT_EQ(path.fillRule(), Qt::WindingFill);
    EXPECT_TRUE(QRectF(-1e-9, -1e-9, 2 + 2e-9, 1 + 2e-9).contains(path.boundingRect()));
    EXPECT_FALSE(path.contains(QPointF(0.02, 0.02))); // the corner is cut away
    EXPECT_TRUE(path.contains(QPointF(1, 0.5)));
}

TEST(ClosedCurveDrawing, FillsAndStrokesUnderOwnTransform)
{
    QImage img(300, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    ClosedCurve rect(nullptr), ellipse(nullptr);
    readInto(rect, R"(<closedCurve x="0" y="0" width="0.8" height="0.6" roundness="0.5" dx="0.2" dy="0.2"
        penWidth="0.04" penColor="0,0,0" brushColor="0,0,255"/>)");
    readInto(ellipse, R"(<closedCurve curveType="ellipse" x="1.4" y="0.4" width="1.2" height="1.2"
        penWidth="0.02" penColor="255,0,0" brushColor="0,0,0,0"/>)");
    {
        QPainter p(&img);
        p.setTransform(testView());
        DrawingContext ctx(p);
        Graphics g(ctx);
        rect.draw(g);
        ellipse.draw(g);
    }
    img.save("/tmp/brindlex_model_closedcurve.png");
    // The rectangle spans device x 20..100 and y 120..180 (y flipped).
    EXPECT_EQ(img.pixelColor(60, 150), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(10, 150), QColor(Qt::white));
    // Rounded corner: the square corner point is empty.
    EXPECT_EQ(img.pixelColor(21, 179), QColor(Qt::white));
    // The transparent-brush ellipse is stroked, not filled.
    EXPECT_EQ(img.pixelColor(200, 100), QColor(Qt::white));
    const QColor edge = img.pixelColor(140, 100);
    EXPECT_GT(edge.red(), 200);
    EXPECT_LT(edge.green(), 100);
}
