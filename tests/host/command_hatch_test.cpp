// HATCH and -BOUNDARY with the texts the parcel and island tools send, their undo, and the
// hand-over to the user when the text runs out.
#include <cmath>

#include "command_fixture.h"
#include "drawing/hatch.h"

namespace korvane::host::testing {

namespace {

class HatchCommandTest : public CommandFixture {
protected:
    drawing::RecordId parcel = drawing::kNoRecord;
    std::string parcel_handle;

    void SetUp() override {
        CommandFixture::SetUp();
        drawing::add_layer(d(), "独有宗地");
        drawing::add_layer(d(), "构面层");
        parcel = square(548100, 2543000, 100, "独有宗地");
        parcel_handle = handle(parcel);
    }
    std::string hatch_text(const std::string& spacing, const std::string& yn, const std::string& h) {
        return "hatch\ru\r45\r" + spacing + "\r" + yn + "\r" + handent(h) + "\r\r";
    }
};

}  // namespace

TEST_F(HatchCommandTest, UserDefinedHatchOfAParcelBecomesTheLastEntity) {
    send("-layer\rs\r构面层\r\r");
    size_t before = modelspace().size();
    send(hatch_text("2", "N", parcel_handle));
    ASSERT_EQ(modelspace().size(), before + 1) << all_lines();
    drawing::RecordId h = last();
    EXPECT_EQ(d().type(h), "HATCH");
    EXPECT_EQ(drawing::Entity(d(), h).layer(), "构面层") << "hatches go on the current layer";
    // Its pattern, angle and spacing are parcel_checks.check.py's (ezdxf).
    auto info = drawing::read_hatch(d(), h);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->cross);
    EXPECT_TRUE(info->associative);
    ASSERT_EQ(info->loops.size(), 1u);
    ASSERT_EQ(info->loops[0].sources.size(), 1u);
    EXPECT_EQ(info->loops[0].sources[0], drawing::Entity(d(), parcel).handle());
    EXPECT_TRUE(input.requests.empty()) << all_lines();
}

TEST_F(HatchCommandTest, NoEntityAtAllWhenTheBoundaryIsNotAClosedPolyline) {
    auto open = drawing::add_lwpolyline(d(), {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, false, "0");
    auto line = drawing::add_line(d(), {0, 0, 0}, {5, 5, 0});
    size_t before = modelspace().size();
    uint64_t seed = d().next_handle();
    send(hatch_text("2", "Y", handle(open)));
    send(hatch_text("2", "Y", handle(line)));
    send(hatch_text("2", "Y", "FFFFF"));  // no such entity
    EXPECT_EQ(modelspace().size(), before);
    EXPECT_EQ(last(), line) << "the last entity is still the old one";
    EXPECT_EQ(d().next_handle(), seed) << "no handle was used up";
    EXPECT_TRUE(printed("不是闭合的多段线"));
    EXPECT_TRUE(printed("未选择对象"));
    EXPECT_FALSE(d().can_undo() && d().undo_name() == "HATCH") << "a hatch that made nothing is no undo step";
}

TEST_F(HatchCommandTest, InsideAToolsBracketTheHatchIsPartOfTheToolsStep) {
    // What the parcel form does: hatch, then move the newest entity to its layer and colour.
    d().begin_undo_step("SXB 保存");
    send(hatch_text("2", "Y", parcel_handle));
    drawing::Entity(d(), last()).set_layer("构面层");
    drawing::Entity(d(), last()).set_color(2);
    d().end_undo_step();
    EXPECT_EQ(d().undo_name(), "SXB 保存");
    size_t with = modelspace().size();
    send("u\r");
    EXPECT_TRUE(printed("放弃 SXB 保存"));
    EXPECT_EQ(modelspace().size(), with - 1);
    EXPECT_TRUE(drawing::reactors(d(), parcel).empty()) << "the boundary no longer names the hatch";
    EXPECT_FALSE(d().can_undo());
}

TEST_F(HatchCommandTest, TheUserAnswersWhatTheTextLeavesOpen) {
    input.real(2);
    input.text("N");
    input.entity(parcel_handle);
    input.enter();
    send("hatch\ru\r45\r");
    ASSERT_EQ(d().type(last()), "HATCH") << all_lines();
    EXPECT_DOUBLE_EQ(drawing::read_hatch(d(), last())->scale, 2);
    ASSERT_EQ(input.requests.size(), 4u);
    EXPECT_NE(input.requests[0].prompt.find("行距"), std::string::npos);
    EXPECT_NE(input.requests[2].prompt.find("选择对象"), std::string::npos);
}

TEST_F(HatchCommandTest, ACancelledSelectionMakesNothing) {
    input.cancel();
    size_t before = modelspace().size();
    send("hatch\ru\r45\r2\rN\r");
    EXPECT_EQ(modelspace().size(), before);
    EXPECT_TRUE(printed("*取消*"));
}

TEST_F(HatchCommandTest, OnlyUserDefinedPatternsAndPositiveSpacing) {
    // A refused answer is asked again: the next answer in the text takes its place.
    send("hatch\rANSI31\r\r30\r0\r-1\r3\rN\r" + handent(parcel_handle) + "\r\r");
    ASSERT_EQ(d().type(last()), "HATCH") << all_lines();
    EXPECT_TRUE(printed("图案 \"ANSI31\" 不可用"));
    EXPECT_TRUE(printed("值必须为正且非零"));
    EXPECT_DOUBLE_EQ(drawing::read_hatch(d(), last())->scale, 3);
    // The next hatch offers the previous answers as defaults.
    send("hatch\ru\r\r\r\r" + handent(parcel_handle) + "\r\r");
    auto info = drawing::read_hatch(d(), last());
    EXPECT_DOUBLE_EQ(info->angle, 30);
    EXPECT_DOUBLE_EQ(info->scale, 3);
}

TEST_F(HatchCommandTest, SelectionByPreviousAndLast) {
    auto other = square(0, 0, 10);
    send("hatch\ru\r0\r1\rN\rL\r\r");  // L: the last entity, the square just drawn
    EXPECT_EQ(drawing::read_hatch(d(), last())->loops[0].sources[0], drawing::Entity(d(), other).handle());
    send("hatch\ru\r0\r1\rN\rP\r\r");  // P: the previous selection, the same square
    EXPECT_EQ(drawing::read_hatch(d(), last())->loops[0].sources[0], drawing::Entity(d(), other).handle());
    input.select({parcel_handle});
    input.enter();
    send("hatch\ru\r0\r1\rN\r");
    EXPECT_EQ(drawing::read_hatch(d(), last())->loops[0].sources[0], drawing::Entity(d(), parcel).handle());
}

// ---- -BOUNDARY ----

namespace {

class BoundaryCommandTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        // Three parcels side by side, drawn with shared edges, and a loose line.
        square(548000, 2543000, 100);
        square(548100, 2543000, 100);
        square(548200, 2543000, 100);
        drawing::add_line(d(), {548000, 2543200, 0}, {548300, 2543200, 0});
        hd->zoom_extents(host.screen_width(), host.screen_height());
    }
};

}  // namespace

TEST_F(BoundaryCommandTest, NothingWhenThePointIsInNoClosedRegion) {
    size_t before = modelspace().size();
    send("_-Boundary\r548150,2543150\r\r");
    send("_-Boundary\r0,0\r\r");
    EXPECT_EQ(modelspace().size(), before);
    EXPECT_TRUE(printed("未找到有效的边界"));
    EXPECT_FALSE(d().can_undo());
}

}  // namespace korvane::host::testing
