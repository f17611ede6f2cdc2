// Draw order: the file order and the SORTENTSTABLE kept in step, read and written both ways
// with ezdxf, and undone as one step.
#include <gtest/gtest.h>

#include "drawing_support.h"
#include "drawing/create.h"
#include "drawing/document.h"
#include "drawing/draw_order.h"
#include "drawing/entity.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {

class DrawOrder : public ::testing::Test {
protected:
    TempDir dir;
    Document doc = Document::create();
    RecordId a = kNoRecord, b = kNoRecord, c = kNoRecord, d = kNoRecord;

    void SetUp() override {
        for (RecordId* id : {&a, &b, &c, &d}) *id = add_line(doc, {0, 0, 0}, {10, double(*id == kNoRecord), 0});
    }
    std::string handles(const std::vector<RecordId>& ids) {
        std::string s;
        for (RecordId id : ids) s += (s.empty() ? "" : ",") + Entity(doc, id).handle_text();
        return s;
    }
    // What ezdxf draws first to last, after an audit that must find nothing.
    std::string ezdxf_order(const std::string& file) { return field(lines_with(facts("order", file), "order=").at(0), "order"); }
};

TEST_F(DrawOrder, ANewOrderIsTheFileOrderAndTheSortTableAlike) {
    KORVANE_NEED_EZDXF();
    std::vector<RecordId> order{d, b, a, c};
    set_draw_order(doc, order);
    EXPECT_EQ(doc.modelspace(), order);
    EXPECT_EQ(draw_order(doc), order);
    doc.save(dir / "ordered.dxf");
    EXPECT_EQ(ezdxf_order(dir / "ordered.dxf"), handles(order));

    // Ordered again: the table is rewritten, not added to; back in handle order it is empty.
    set_draw_order(doc, {a, b, c, d});
    doc.save(dir / "again.dxf");
    EXPECT_EQ(ezdxf_order(dir / "again.dxf"), handles({a, b, c, d}));
    EXPECT_TRUE(has_sort_table(doc));
}

TEST_F(DrawOrder, ASortTableOfAnotherProgramDecidesAndIsKeptInStep) {
    KORVANE_NEED_EZDXF();
    doc.save(dir / "plain.dxf");
    RunResult w = ezdxf({"set-order", dir / "plain.dxf", dir / "theirs.dxf", handles({c, a, d, b})});
    ASSERT_EQ(w.status, 0) << w.output;
    Document theirs = Document::load(dir / "theirs.dxf");
    auto id = [&](RecordId mine) { return theirs.find_handle(Entity(doc, mine).handle()); };
    // Their file keeps its order; the table alone orders the drawing.
    EXPECT_EQ(theirs.modelspace(), (std::vector<RecordId>{id(a), id(b), id(c), id(d)}));
    EXPECT_EQ(draw_order(theirs), (std::vector<RecordId>{id(c), id(a), id(d), id(b)}));

    set_draw_order(theirs, {id(b), id(c), id(a), id(d)});
    theirs.save(dir / "ours.dxf");
    EXPECT_EQ(ezdxf_order(dir / "ours.dxf"), handles({b, c, a, d}));
}

}  // namespace
