// Layer passes read what the last measure copied of each entity (its box and
// layers) instead of visiting every entity; the copy never outlives the
// entity it stands for.

#include "ModelTestEntities.h"
#include "TestSupport.h"
#include "core/ReadWorkers.h"

#include <gtest/gtest.h>

namespace {

struct Pass {
    QImage image{10, 10, QImage::Format_ARGB32_Premultiplied};
    QPainter painter{&image};
    DrawingContext context{painter};
    Graphics g{context};
    explicit Pass(int layer, const QRectF& visible = QRectF(-1, -1, 4, 4))
    {
        g.currentLayer = layer;
        g.viewportBoundingBox.addRect(visible);
    }
};

} // namespace

TEST(EntityListSlots, PassesFollowTheLastMeasureAndNeverAStaleEntity)
{
    registerTestEntities();
    auto doc = parseXml(R"(<sheet><entities>
        <testRect layer="1"/>
        <testHolder layer="0"><entities><testRect layer="2"/></entities></testHolder>
        <testRect layer="1" x="20" y="20"/>
      </entities></sheet>)");
    EntityList list;
    EntityList::readEntities(doc.first_child(), nullptr, list);
    list.updateBoundingBox(std::nullopt, nullptr);
    auto first = std::dynamic_pointer_cast<TestRect>(list.entities[0]);
    auto far = std::dynamic_pointer_cast<TestRect>(list.entities[2]);
    auto holder = std::dynamic_pointer_cast<TestHolder>(list.entities[1]);
    auto child = std::dynamic_pointer_cast<TestRect>(holder->children.entities[0]);

    { Pass p(1); list.draw(p.g); }
    EXPECT_EQ(first->draws, 1);
    EXPECT_EQ(far->draws, 0); // off the view
    { Pass p(2); list.draw(p.g); }
    EXPECT_EQ(child->draws, 1);
    EXPECT_EQ(holder->draws, 0);

    // An entity put in another's place is drawn from itself, not from the
    // slot of the one it replaced (which may be gone).
    auto replacement = std::make_shared<TestRect>(nullptr);
    replacement->layerIndex = 3;
    replacement->updateGeometry(std::nullopt, nullptr);
    list.entities[0] = replacement;
    first.reset();
    { Pass p(3); list.draw(p.g); }
    EXPECT_EQ(replacement->draws, 1);
    // An entity added since is drawn too.
    auto added = std::make_shared<TestRect>(nullptr);
    added->layerIndex = 4;
    list.entities.push_back(added);
    { Pass p(4); list.draw(p.g); }
    EXPECT_EQ(added->draws, 1);

    // A move and a change of layer count from the next measure on.
    far->rect = QRectF(0, 0, 1, 1);
    far->layerIndex = 5;
    list.updateBoundingBox(std::nullopt, nullptr);
    { Pass p(1); list.draw(p.g); }
    EXPECT_EQ(far->draws, 0);
    { Pass p(5); list.draw(p.g); }
    EXPECT_EQ(far->draws, 1);
    // Layers beyond the mask's range are still drawn.
    added->layerIndex = 1000;
    list.updateBoundingBox(std::nullopt, nullptr);
    { Pass p(1000); list.draw(p.g); }
    EXPECT_EQ(added->draws, 2);
}

TEST(EntityListSlots, ALongListVisitsExactlyTheEntitiesWhoseBoxMeetsTheView)
{
    struct ThreadsRestored {
        ~ThreadsRestored() { ReadWorkers::setThreads(0); }
    } restored;
    // A list this long is measured on several threads, its slots and grid
    // in parts too: they must stand for the list as one measure does.
    ReadWorkers::setThreads(4);
    for (const size_t count : {EntityList::kIndexMinEntities + 36, size_t(300)}) {
        SCOPED_TRACE(count);
        // A long list keeps a grid of its boxes: a row of unit squares two
        // apart, and one square over the whole row (too large for the grid).
        EntityList list;
        std::vector<std::shared_ptr<TestRect>> row;
        for (size_t i = 0; i < count; ++i) {
            auto e = std::make_shared<TestRect>(nullptr);
            e->rect = QRectF(2.0 * double(i), 0, 1, 1);
            row.push_back(e);
            list.entities.push_back(e);
        }
        auto cover = std::make_shared<TestRect>(nullptr);
        cover->rect = QRectF(0, -5, 2.0 * double(row.size()), 10);
        list.entities.push_back(cover);
        list.updateBoundingBox(std::nullopt, nullptr);
        auto drawn = [&](const QRectF& visible) {
            for (auto& e : row)
                e->draws = 0;
            cover->draws = 0;
            Pass p(0, visible);
            list.draw(p.g);
            std::vector<size_t> out;
            for (size_t i = 0; i < row.size(); ++i)
                if (row[i]->draws)
                    out.push_back(i);
            if (cover->draws)
                out.push_back(99999);
            return out;
        };
        // Touching counts; a hair past the edge does not.
        EXPECT_EQ(drawn(QRectF(21, 0.5, 1, 0.1)), (std::vector<size_t>{10, 11, 99999}));
        EXPECT_EQ(drawn(QRectF(21.001, 0.5, 0.998, 0.1)), std::vector<size_t>{99999});
        EXPECT_EQ(drawn(QRectF(40.5, 1.0001, 30, 1)), std::vector<size_t>{99999});
        EXPECT_EQ(drawn(QRectF(40.5, 5.0001, 30, 1)), std::vector<size_t>{});
        // A view over most of the list draws the same as one piece by piece.
        EXPECT_EQ(drawn(QRectF(-100, -100, 1000, 200)).size(), row.size() + 1);

        // A move counts from the next measure on; a replacement at once.
        row[10]->rect.translate(100, 0);
        EXPECT_EQ(drawn(QRectF(20.5, 0.5, 0.1, 0.1)), (std::vector<size_t>{10, 99999}));
        list.updateBoundingBox(std::nullopt, nullptr);
        EXPECT_EQ(drawn(QRectF(20.5, 0.5, 0.1, 0.1)), std::vector<size_t>{99999});
        EXPECT_EQ(drawn(QRectF(120.5, 0.5, 0.1, 0.1)), (std::vector<size_t>{10, 60, 99999}));
        auto moved = row[3];
        row[3] = std::make_shared<TestRect>(nullptr);
        row[3]->rect = QRectF(300, 300, 1, 1);
        row[3]->updateGeometry(std::nullopt, nullptr);
        list.entities[3] = row[3];
        EXPECT_EQ(drawn(QRectF(300.5, 300.5, 0.1, 0.1)), std::vector<size_t>{3});
        // Its ink is not measured until the list's next pass: culled by nothing.
        EXPECT_EQ(drawn(QRectF(6.5, 0.5, 0.1, 0.1)), (std::vector<size_t>{3, 99999}));

        // Read marks outlive the slots of a list that shrinks below the
        // length that keeps them; the short list is drawn from its entities.
        list.entities.resize(10);
        row.resize(10);
        const std::vector<uint8_t> marks{0, 1, 2, 3, 0, 1, 2, 3, 0, 1};
        list.setReadMarks(marks);
        list.updateBoundingBox(std::nullopt, nullptr);
        EXPECT_EQ(list.threadMarks(), marks);
        EXPECT_EQ(drawn(QRectF(4.5, 0.5, 0.1, 0.1)), std::vector<size_t>{2});
    }
}

TEST(EntityListSlots, CopiesOfOneEntityDrawTheirLowestAndTheirTopOnly)
{
    // 200 copies of one square, one on the other, and among them (as
    // copy 100) a larger square.
    EntityList list;
    std::vector<std::shared_ptr<TestRect>> stack;
    for (size_t i = 0; i < 200; ++i) {
        auto e = std::make_shared<TestRect>(nullptr);
        if (i == 100)
            e->rect = QRectF(0, 0, 2, 2);
        stack.push_back(e);
        list.entities.push_back(e);
    }
    list.updateBoundingBox(std::nullopt, nullptr);
    auto drawn = [&] {
        for (auto& e : stack)
            e->draws = e->holePasses = 0;
        Pass p(0);
        list.draw(p.g);
        list.drawHolePass(p.g, QColor(0, 0, 0));
        std::vector<size_t> out;
        for (size_t i = 0; i < stack.size(); ++i) {
            EXPECT_EQ(stack[i]->draws, stack[i]->holePasses) << i;
            if (stack[i]->draws)
                out.push_back(i);
        }
        return out;
    };
    // The lowest copies, the one that differs, and the top copy, which is
    // drawn over it as before.
    auto expected = [&](std::vector<size_t> extra) {
        std::vector<size_t> out;
        for (size_t i = 0; i < EntityList::kStackDrawn; ++i)
            out.push_back(i);
        out.push_back(100);
        out.push_back(199);
        out.insert(out.end(), extra.begin(), extra.end());
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(drawn(), expected({}));

    // A selected copy is drawn; so is a copy moved apart, from the next
    // measure on.
    stack[150]->selected = true;
    EXPECT_EQ(drawn(), expected({150}));
    stack[150]->selected = false;
    stack[150]->rect.translate(2, 0);
    EXPECT_EQ(drawn(), expected({}));
    list.updateBoundingBox(std::nullopt, nullptr);
    EXPECT_EQ(drawn(), expected({150}));
    // One copy more than are drawn from the bottom: all are drawn.
    list.entities.resize(EntityList::kStackDrawn + 1 + EntityList::kIndexMinEntities);
    stack.resize(list.entities.size());
    for (size_t i = EntityList::kStackDrawn + 1; i < stack.size(); ++i)
        stack[i]->rect = QRectF(0, 0, 1, 1 + 0.01 * double(i));
    list.updateBoundingBox(std::nullopt, nullptr);
    EXPECT_EQ(drawn().size(), stack.size());

    // A pick over the copies still finds the lowest.
    PickRig pick(testView(), 50, 150);
    EXPECT_EQ(list.draw(*pick.g), stack[0]);
}
