// The spatial index follows a drawing through long runs of mixed edits — appends, moves, vertex
// edits of old-style polylines, extended data, erasing, undo and redo, header and layer changes —
// taking in only what the change log names where it can, and always answering as an index built
// afresh on the same drawing does.
#include <gtest/gtest.h>

#include <random>

#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/spatial_index.h"
#include "drawing/tables.h"
#include "drawing/transform.h"

namespace korvane::drawing {
namespace {

class IndexFollowTest : public ::testing::Test {
protected:
    Document doc = Document::create();
    std::mt19937 rng{20261206};

    double coord() { return std::uniform_real_distribution<double>(0, 1000)(rng); }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    RecordId some_entity() {
        auto ms = doc.modelspace();
        return ms.empty() ? kNoRecord : ms[size_t(pick(int(ms.size())))];
    }

    void add_something() {
        double x = coord(), y = coord();
        switch (pick(4)) {
            case 0: add_point(doc, {x, y, 0}); break;
            case 1: add_lwpolyline(doc, {{x, y, 0}, {x + 20, y, 0}, {x + 20, y + 15, 0}}, true); break;
            case 2: add_polyline(doc, {{x, y, 0}, {x + 5, y + 30, 0}, {x - 10, y + 8, 0}}, false); break;
            default: add_circle(doc, {x, y, 0}, 1 + coord() / 100); break;
        }
    }

    // One random change; returns what it was, for the failure message.
    std::string change() {
        RecordId id = some_entity();
        int what = id == kNoRecord ? 0 : pick(9);
        doc.begin_undo_step("test");
        std::string done;
        switch (what) {
            case 0: add_something(); done = "add"; break;
            case 1: move(Entity(doc, id), coord() - 500, coord() - 500); done = "move"; break;
            case 2: {
                Entity e(doc, id);
                if (e.is_polyline()) {
                    auto v = e.vertices();
                    if (!v.empty()) v[0] = {coord(), coord(), 0};
                    e.set_vertices(v);
                }
                done = "vertices";
                break;
            }
            case 3:
                Entity(doc, id).set_xdata({XDataItem::app("South"), XDataItem::string("甲" + std::to_string(pick(99)))});
                done = "xdata";
                break;
            case 4: Entity(doc, id).set_color(1 + pick(7)); done = "colour"; break;
            case 5: doc.erase(id); done = "erase"; break;
            case 6: doc.set_header("$PDMODE", {doc.make_int(70, pick(2) ? 32 : 0)}); done = "header"; break;
            case 7: add_layer(doc, "层" + std::to_string(pick(5))); done = "layer"; break;
            default: add_something(); add_something(); done = "add two"; break;
        }
        doc.end_undo_step();
        int after = pick(10);
        if (after == 0 && doc.undo()) done += ", undo";
        else if (after == 1 && doc.undo() && doc.redo()) done += ", undo, redo";
        return done;
    }
};

TEST_F(IndexFollowTest, AnswersAsAFreshIndexThroughMixedEdits) {
    for (int i = 0; i < 200; ++i) add_something();
    SpatialIndex followed(doc);
    ASSERT_EQ(followed.size(), 200u);
    std::string history;
    for (int step = 0; step < 600; ++step) {
        history += change() + "; ";
        if (step % 3 != 0) continue;  // several changes between searches, too
        SpatialIndex fresh(doc);
        for (int q = 0; q < 3; ++q) {
            double x = coord(), y = coord(), w = coord() / 4, h = coord() / 4;
            Box2 box{x, y, x + w, y + h};
            // Same entities in the same drawing order.
            ASSERT_EQ(followed.query(box), fresh.query(box)) << "after: " << history;
        }
        ASSERT_EQ(followed.size(), fresh.size()) << "after: " << history;
        if (step % 60 == 0) history.clear();
    }
    // Most catching up came from the log, not from walks or builds of the whole drawing.
    EXPECT_LT(followed.builds(), 40u);
}

TEST_F(IndexFollowTest, ExtendedDataWritesBetweenSearchesDoNotReindex) {
    for (int i = 0; i < 300; ++i) add_lwpolyline(doc, {{i * 10.0, 0, 0}, {i * 10.0 + 8, 0, 0}, {i * 10.0 + 8, 8, 0}}, true);
    SpatialIndex index(doc);
    ASSERT_EQ(index.size(), 300u);
    size_t reindexed = index.reindexed();
    for (RecordId id : doc.modelspace()) {
        ASSERT_EQ(index.query(Box2{-1, -1, 5000, 10}).size(), 300u);
        Entity(doc, id).set_xdata({XDataItem::app("South"), XDataItem::string("东至")});
        Entity(doc, id).set_color(1);
    }
    EXPECT_EQ(index.reindexed(), reindexed) << "a write that does not move an entity takes nothing in";
    EXPECT_EQ(index.builds(), 1u);
    // A move is taken in, and found where it went.
    RecordId first = doc.modelspace().front();
    move(Entity(doc, first), 0, 100);
    EXPECT_EQ(index.query(Box2{-1, 99, 9, 109}), std::vector<RecordId>{first});
    EXPECT_EQ(index.builds(), 1u);
}

}  // namespace
}  // namespace korvane::drawing
