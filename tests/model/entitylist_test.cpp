#include "ModelTestEntities.h"
#include "TestSupport.h"
#include "model/Group.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class EntityListTest : public ::testing::Test {
protected:
    void SetUp() override { registerTestEntities(); }

    void read(const std::string& xml)
    {
        doc = parseXml(xml);
        EntityList::readEntities(doc.first_child(), nullptr, list);
        list.updateBoundingBox(std::nullopt, nullptr);
    }
    template <class T = Entity>
    std::shared_ptr<T> at(size_t i) const
    {
        return std::dynamic_pointer_cast<T>(list.entities.at(i));
    }

    pugi::xml_document doc;
    EntityList list;
};

// The device pixel of a model point under testView().
std::pair<int, int> pixelOf(double x, double y)
{
    const QPointF d = testView().map(QPointF(x, y));
    return {int(d.x()), int(d.y())};
}

std::shared_ptr<Entity> pickAt(EntityList& list, double x, double y, bool subPicking = false, int layer = 0)
{
    auto [px, py] = pixelOf(x, y);
    PickRig rig(testView(), px, py);
    rig.g->subPicking = subPicking;
    rig.g->currentLayer = layer;
    return list.draw(*rig.g);
}

} // namespace

TEST_F(EntityListTest, ReadsKnownElementsInOrderAndSkipsTheRest)
{
    read(R"(<sheet>
        <entities>
          <testRect identifier="a"/>
          <!-- a comment -->
          text
          <noSuchEntity identifier="x"/>
          <testRect identifier="b" x="1" y="1" width="2" height="2"/>
        </entities>
        <other><testRect identifier="not read"/></other>
        <entities><testRect identifier="c"/></entities>
      </sheet>)");
    ASSERT_EQ(list.entities.size(), 3u);
    EXPECT_EQ(list.entities[0]->identifier, "a");
    EXPECT_EQ(list.entities[1]->identifier, "b");
    EXPECT_EQ(list.entities[2]->identifier, "c");
    EXPECT_EQ(list.entities[0]->elementName, "testRect");
    EXPECT_EQ(at<TestRect>(1)->rect, QRectF(1, 1, 2, 2));

    // Element names are compared exactly.
    pugi::xml_document other = parseXml("<TestRect/>");
    EXPECT_EQ(makeEntity(other.first_child(), nullptr), nullptr);
}

TEST_F(EntityListTest, BoundingBoxGathersChildrenUnderHolderTransforms)
{
    read(R"(<sheet><entities>
        <testRect x="0" y="0" width="1" height="1"/>
        <testHolder dx="10" dy="0"><entities>
          <testRect x="0" y="0" width="1" height="1" dx="0" dy="5"/>
        </entities></testHolder>
        <testRect/>
      </entities></sheet>)");
    BoundingBox parent;
    list.updateBoundingBox(QTransform::fromTranslate(0, 1), &parent);
    ASSERT_TRUE(list.boundingBox.valid);
    EXPECT_EQ(list.boundingBox.bottomLeft, QPointF(0, 1));
    EXPECT_EQ(list.boundingBox.topRight, QPointF(11, 7));
    EXPECT_EQ(parent.topRight, QPointF(11, 7));
    auto holder = at<TestHolder>(1);
    EXPECT_EQ(holder->children.entities[0]->boundingBox.bottomLeft, QPointF(10, 6));

    // An empty list leaves the parent box alone.
    EntityList empty;
    BoundingBox none;
    empty.updateBoundingBox(std::nullopt, &none);
    EXPECT_FALSE(empty.boundingBox.valid);
    EXPECT_FALSE(none.valid);
}

TEST_F(EntityListTest, DrawCullsOutsideTheVisibleBoxOnly)
{
    read(R"(<sheet><entities>
        <testRect x="0" y="0" width="1" height="1"/>
        <testRect x="5" y="5" width="1" height="1"/>
        <testRect x="1" y="1" width="1" height="1"/>
      </entities></sheet>)");
    at<TestRect>(2)->boundingBox = BoundingBox(); // no known extent: never culled

    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    DrawingContext ctx(p);
    Graphics g(ctx);
    g.viewportBoundingBox.addPoint(QPointF(-1, -1));
    g.viewportBoundingBox.addPoint(QPointF(1, 1)); // touches the first
    EXPECT_EQ(list.draw(g), nullptr);
    EXPECT_EQ(at<TestRect>(0)->draws, 1);
    EXPECT_EQ(at<TestRect>(1)->draws, 0);
    EXPECT_EQ(at<TestRect>(2)->draws, 1);

    // Without a visible box nothing is culled.
    g.viewportBoundingBox = BoundingBox();
    list.draw(g);
    EXPECT_EQ(at<TestRect>(1)->draws, 1);
}

TEST_F(EntityListTest, OnlyTheCurrentLayerDrawsButHoldersAlwaysDescend)
{
    read(R"(<sheet><entities>
        <testRect layer="1"/>
        <testHolder layer="1"><entities>
          <testRect layer="0"/>
          <testRect layer="1"/>
        </entities></testHolder>
      </entities></sheet>)");
    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    DrawingContext ctx(p);
    Graphics g(ctx);
    g.currentLayer = 0;
    list.draw(g);
    auto holder = at<TestHolder>(1);
    EXPECT_EQ(at<TestRect>(0)->draws, 0);
    EXPECT_EQ(holder->draws, 0);
    EXPECT_EQ(std::dynamic_pointer_cast<TestRect>(holder->children.entities[0])->draws, 1);
    EXPECT_EQ(std::dynamic_pointer_cast<TestRect>(holder->children.entities[1])->draws, 0);

    // Picking follows the same layer rule.
    EXPECT_EQ(pickAt(list, 0.5, 0.5, false, 2), nullptr);
    EXPECT_EQ(pickAt(list, 0.5, 0.5, false, 1), list.entities[0]);
}

TEST_F(EntityListTest, PickingReturnsTheFirstEntityHit)
{
    read(R"(<sheet><entities>
        <testRect identifier="a" x="0" y="0" width="1" height="1"/>
        <testRect identifier="b" x="0.5" y="0.5" width="1" height="1" userCannotSelect="true"/>
      </entities></sheet>)");
    EXPECT_EQ(pickAt(list, 0.75, 0.75), list.entities[0]); // overlap: the earlier one
    EXPECT_EQ(pickAt(list, 1.25, 1.25), list.entities[1]); // only b
    EXPECT_EQ(pickAt(list, 3, 3), nullptr);
    // The search stops at the first hit: b was drawn in the last two picks only.
    EXPECT_EQ(at<TestRect>(1)->draws, 2);
}

TEST_F(EntityListTest, PickingDescendsIntoHoldersUnderTheirTransform)
{
    read(R"(<sheet><entities>
        <testHolder identifier="outer" dx="2" dy="0"><entities>
          <testHolder identifier="inner" dx="0" dy="1"><entities>
            <testRect identifier="leaf" x="0" y="0" width="0.5" height="0.5"/>
          </entities></testHolder>
        </entities></testHolder>
      </entities></sheet>)");
    auto outer = at<TestHolder>(0);
    auto inner = std::dynamic_pointer_cast<TestHolder>(outer->children.entities[0]);
    auto leaf = inner->children.entities[0];
    ASSERT_EQ(leaf->identifier, "leaf");

    // The leaf lies at (2..2.5, 1..1.5) on the sheet.
    EXPECT_EQ(pickAt(list, 2.25, 1.25, false), outer);
    EXPECT_EQ(pickAt(list, 2.25, 1.25, true), leaf);
    EXPECT_EQ(pickAt(list, 0.25, 0.25, true), nullptr); // where it would be untransformed
    // Transforms pushed for the children are all popped again.
    auto [px, py] = pixelOf(2.25, 1.25);
    PickRig rig(testView(), px, py);
    const QTransform before = rig.context->transform();
    list.draw(*rig.g);
    EXPECT_EQ(rig.context->transform(), before);
}

TEST_F(EntityListTest, PassesVisitEveryChildExactlyOnce)
{
    // Three levels of holders, those at odd depths forwarding their own pass
    // to their children as footprints do, the others leaving it to the list.
    read(R"(<sheet><entities>
        <testRect identifier="top"/>
        <testHolder forwards="true" dx="1" dy="0"><entities>
          <testRect identifier="l1"/>
          <testHolder forwards="false" dx="1" dy="0"><entities>
            <testRect identifier="l2"/>
            <testHolder forwards="true" dx="1" dy="0"><entities>
              <testRect identifier="l3"/>
            </entities></testHolder>
          </entities></testHolder>
        </entities></testHolder>
      </entities></sheet>)");
    std::vector<std::shared_ptr<TestRect>> rects;
    list.collect(rects);
    ASSERT_EQ(rects.size(), 4u);
    std::vector<std::shared_ptr<TestHolder>> holders;
    list.collect(holders);
    EXPECT_EQ(holders.size(), 3u);

    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    DrawingContext ctx(p);
    Graphics g(ctx);
    list.drawPadPass(g);
    list.drawHolePass(g, QColor(255, 255, 0));
    for (size_t i = 0; i < rects.size(); ++i) {
        SCOPED_TRACE(rects[i]->identifier.toStdString());
        EXPECT_EQ(rects[i]->padPasses, 1);
        EXPECT_EQ(rects[i]->holePasses, 1);
        // Each level's transform is pushed once: depth i sits i inches right.
        EXPECT_DOUBLE_EQ(rects[i]->padPassTransform.dx(), double(i));
    }
    EXPECT_EQ(ctx.transform(), QTransform());

    // A second pass visits them again, once each.
    list.drawPadPass(g);
    for (const auto& r : rects)
        EXPECT_EQ(r->padPasses, 2);

    // A holder's children reached directly through the holder are visited too.
    holders[0]->drawChildrenPadPass(g);
    EXPECT_EQ(rects[1]->padPasses, 3);
    EXPECT_EQ(rects[3]->padPasses, 3);
    EXPECT_EQ(rects[0]->padPasses, 2);
}

TEST_F(EntityListTest, GroupHoldsItsChildrenUnderItsTransform)
{
    read(R"(<sheet><entities>
        <group identifier="g" dx="2" dy="1" layer="3"><entities>
          <testRect identifier="a" x="0" y="0" width="1" height="1"/>
          <noSuchEntity/>
          <group dx="1" dy="0"><entities><testRect identifier="b" x="0" y="0" width="0.5" height="0.5"/></entities></group>
        </entities></group>
        <group identifier="empty"/>
      </entities></sheet>)");
    auto group = at<Group>(0);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->typeName(), QStringLiteral("Group"));
    ASSERT_EQ(group->children.entities.size(), 2u);
    auto inner = std::dynamic_pointer_cast<Group>(group->children.entities[1]);
    ASSERT_TRUE(inner);
    auto a = std::dynamic_pointer_cast<TestRect>(group->children.entities[0]);
    auto b = std::dynamic_pointer_cast<TestRect>(inner->children.entities[0]);

    // Boxes: the children's, placed by every group above them.
    EXPECT_EQ(group->boundingBox.rect(), QRectF(2, 1, 1.5, 1));
    EXPECT_EQ(b->boundingBox.rect(), QRectF(3, 1, 0.5, 0.5));
    EXPECT_EQ(list.boundingBox.rect(), group->boundingBox.rect());
    EXPECT_FALSE(at<Group>(1)->boundingBox.valid); // no children, no extent

    // Drawn and picked where placed, on the children's own layer whatever
    // the group's; the group is what a click picks unless inner entities
    // are asked for.
    EXPECT_EQ(pickAt(list, 3.25, 1.25), group);
    EXPECT_EQ(pickAt(list, 3.25, 1.25, true), b);
    EXPECT_EQ(pickAt(list, 0.5, 0.5), nullptr);
    EXPECT_EQ(pickAt(list, 2.5, 1.5, false, 3), nullptr);

    // Pad and hole passes and searches reach every child, under the
    // group's transform.
    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    DrawingContext ctx(p);
    Graphics g(ctx);
    list.drawPadPass(g);
    list.drawHolePass(g, Qt::yellow);
    EXPECT_EQ(a->padPasses, 1);
    EXPECT_EQ(b->padPasses, 1);
    EXPECT_EQ(b->holePasses, 1);
    EXPECT_EQ(b->padPassTransform, QTransform::fromTranslate(3, 1));
    EXPECT_EQ(ctx.transform(), QTransform());
    std::vector<std::shared_ptr<TestRect>> rects;
    list.collect(rects);
    EXPECT_EQ(rects.size(), 2u);

    // Selection is cleared inside groups too.
    b->selected = true;
    list.clearSelection();
    EXPECT_FALSE(b->selected);
}

TEST_F(EntityListTest, ClearSelectionReachesChildren)
{
    read(R"(<sheet><entities>
        <testRect/>
        <testHolder><entities><testRect/></entities></testHolder>
      </entities></sheet>)");
    auto holder = at<TestHolder>(1);
    list.entities[0]->selected = true;
    holder->selected = true;
    holder->children.entities[0]->selected = true;
    list.clearSelection();
    EXPECT_FALSE(list.entities[0]->selected);
    EXPECT_FALSE(holder->selected);
    EXPECT_FALSE(holder->children.entities[0]->selected);
}

TEST_F(EntityListTest, DeepNestingStopsAtTheCap)
{
    // 10,000 holders one inside the other.
    const int levels = 10000;
    std::string xml = "<sheet>";
    xml.reserve(size_t(levels) * 60);
    for (int i = 0; i < levels; ++i)
        xml += "<entities><testHolder dx=\"0.001\" dy=\"0\">";
    xml += "<entities><testRect/></entities>";
    for (int i = 0; i < levels; ++i)
        xml += "</testHolder></entities>";
    xml += "</sheet>";
    read(xml);

    int depth = 0;
    EntityList* current = &list;
    while (!current->entities.empty()) {
        ++depth;
        ASSERT_LE(depth, EntityList::kMaxNesting);
        IEntityHolder* h = current->entities[0]->holder();
        ASSERT_TRUE(h);
        current = &h->entities();
    }
    EXPECT_EQ(depth, EntityList::kMaxNesting);

    // Everything that walks the tree copes with the deepest one allowed.
    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    DrawingContext ctx(p);
    Graphics g(ctx);
    list.draw(g);
    list.drawPadPass(g);
    list.drawHolePass(g, Qt::yellow);
    list.clearSelection();
    std::vector<std::shared_ptr<TestHolder>> all;
    list.collect(all);
    EXPECT_EQ(all.size(), size_t(EntityList::kMaxNesting));

    // The depth count is back to zero: a fresh read nests again.
    EntityList again;
    EntityList::readEntities(doc.first_child(), nullptr, again);
    all.clear();
    again.collect(all);
    EXPECT_EQ(all.size(), size_t(EntityList::kMaxNesting));
}

TEST_F(EntityListTest, ExtremeAndSingularPlacementsAreHarmless)
{
    // Finite matrices whose products overflow, and singular ones.
    read(R"(<sheet><entities>
        <testHolder m11="1e300" m22="1e300"><entities>
          <testHolder m11="1e300" m22="1e300" dx="1e300"><entities>
            <testRect x="0" y="0" width="1" height="1"/>
          </entities></testHolder>
        </entities></testHolder>
        <testHolder m11="0" m12="0" m21="0" m22="0"><entities>
          <testRect x="0" y="0" width="1" height="1"/>
        </entities></testHolder>
        <testRect x="0" y="0" width="1" height="1"/>
      </entities></sheet>)");
    QImage img(50, 50, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setTransform(testView());
        DrawingContext ctx(p);
        Graphics g(ctx);
        g.viewportBoundingBox.addPoint(QPointF(-1, -1));
        g.viewportBoundingBox.addPoint(QPointF(2, 2));
        list.draw(g);
        list.drawPadPass(g);
        list.drawHolePass(g, Qt::yellow);
    }
    // The ordinary rectangle is still found.
    EXPECT_EQ(pickAt(list, 0.5, 0.5), list.entities[2]);
}
