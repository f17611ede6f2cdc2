// The boundary-walk block of the main panel against a real drawing (tests/data/parcels.dxf,
// written by ezdxf): handles 37 and 39 are parcels with attribute records, 3B a parcel with a
// one-item feature code, 43..45 work-record points with 12-item records (map numbers 1..3),
// 46 a line.
#include <gtest/gtest.h>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "host/embedded_host.h"
#include "panel/boundary_walk.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"

namespace korvane::panel::testing {
namespace {

using host::InputAnswer;

// What the panel looked like while the command waited.
struct WaitSnapshot {
    double seconds = 0;
    std::vector<uint32_t> colours;
    std::vector<std::string> texts;
};

class SnapshotUi : public common::RecordingUi {
public:
    using RecordingUi::RecordingUi;
    common::FormModel* panel = nullptr;
    std::vector<WaitSnapshot> waits;
    void wait(double seconds) override {
        WaitSnapshot s{seconds, {}, {}};
        if (panel)
            for (int i = 0; i < 6; ++i) {
                const auto& c = panel->control("Text1(" + std::to_string(i) + ")");
                s.colours.push_back(c.back_color);
                s.texts.push_back(c.text);
            }
        waits.push_back(std::move(s));
        RecordingUi::wait(seconds);
    }
};

class BoundaryWalk : public ::testing::Test {
protected:
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    common::MemorySettings settings;
    common::FixedClock clock{common::LocalTime{2026, 12, 6, 10, 0, 0}};
    SnapshotUi ui{settings, common::Paths{}};
    Workspace ws{host, ui};
    MaiFrm* f = nullptr;
    size_t messages_before = 0;

    void SetUp() override {
        ui.set_clock(&clock);
        common::save_ini(settings, "Filepath", "tiles");
        common::save_ini(settings, "ProgramUPdate", "120819");
        host.open(std::string(KORVANE_SOURCE_DIR) + "/tests/data/parcels.dxf");
        f = &ws.maifrm();
        ui.panel = f;
        messages_before = ui.messages().size();
    }

    drawing::Document& doc() { return host.active()->doc(); }
    drawing::Entity entity(const std::string& handle) {
        drawing::RecordId id = doc().find_handle(handle);
        EXPECT_NE(id, drawing::kNoRecord) << handle;
        return drawing::Entity(doc(), id);
    }
    // The "South" record as texts, item 0 the application name; every data item must be text.
    std::vector<std::string> record(const std::string& handle) {
        std::vector<std::string> out;
        for (const auto& item : entity(handle).xdata("South")) {
            EXPECT_EQ(item.code, out.empty() ? 1001 : 1000) << handle << " item " << out.size();
            out.push_back(item.text);
        }
        return out;
    }
    std::vector<std::string> new_messages() {
        return {ui.messages().begin() + long(messages_before), ui.messages().end()};
    }

    void point(double x, double y) { input.push(InputAnswer::at({x, y, 0})); }
    void pick(const std::string& handle) { input.push(InputAnswer::entity(handle)); }
    void select(std::vector<std::string> handles) { input.push(InputAnswer::selection(std::move(handles))); }

    std::string box(int i) { return f->control("Text1(" + std::to_string(i) + ")").text; }
    void set_box(int i, const std::string& t) { f->set_text("Text1(" + std::to_string(i) + ")", t); }
    std::string handle_field() { return f->control("Label4").text; }
    bool confirm_enabled() { return f->control("Command3").enabled; }

    // Adds a point at (x, y) and returns its handle.
    std::string add_at(double x, double y) {
        point(x, y);
        f->click("增加");
        EXPECT_FALSE(input.failed()) << input.failure();
        return handle_field();
    }
    void fill_boxes() {
        const char* values[] = {"08-19-2012", " 测绘队 ", "李四", "镇政府、村委", "田埂中", "7"};
        for (int i = 0; i < 6; ++i) set_box(i, values[i]);
    }
};

// ---- the block as the panel shows it ----

TEST_F(BoundaryWalk, PlotterDefaultComesFromTheSettings) {
    common::save_ini(settings, "plotter", "县测绘队");
    auto fresh = ws.make_form("MaiFrm");
    EXPECT_EQ(fresh->control("Text1(1)").text, "县测绘队");
    EXPECT_EQ(fresh->control("Text1(0)").text, "调查日期");  // until the panel's load puts today's date there
}

// ---- 增加 ----

TEST_F(BoundaryWalk, AddFlashesTheBoxesGreyForAFifthOfASecond) {
    std::string first = box(0);
    add_at(548010, 2543010);
    ASSERT_EQ(ui.waits.size(), 1u);
    EXPECT_DOUBLE_EQ(ui.waits[0].seconds, 0.2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ui.waits[0].colours[size_t(i)], 0x808080u);
    EXPECT_EQ(ui.waits[0].texts[0], first);  // 增加 keeps the texts while grey
    for (int i = 0; i < 6; ++i) EXPECT_EQ(f->control("Text1(" + std::to_string(i) + ")").back_color, 0xFFFFFFu);
}

TEST_F(BoundaryWalk, MapNumberTextForms) {
    set_box(5, " 41 ");  // a number with blanks around it still counts; the record keeps the blanks
    std::string a = add_at(548001, 2543001);
    EXPECT_EQ(record(a)[7], " 41 ");
    EXPECT_EQ(box(5), "42");
    set_box(5, "2.5");
    add_at(548002, 2543002);
    EXPECT_EQ(box(5), "3.5");
    set_box(5, "-1");
    add_at(548003, 2543003);
    EXPECT_EQ(box(5), "0");
}

// ---- 查看 and 修改/确定 ----

TEST_F(BoundaryWalk, ViewShowsTheRecordAfterTheBoxesFlashEmpty) {
    pick("44");
    f->click("查看");
    EXPECT_TRUE(transcript.contains("请选择点位"));
    EXPECT_EQ(handle_field(), "44");
    EXPECT_TRUE(confirm_enabled());
    const char* shown[] = {"08-19-2012", "测绘队", "村民推选代表", "镇政府、国土所", "水沟中心", "2"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(box(i), shown[i]);
    // The flash: boxes empty and grey for half a second.
    ASSERT_EQ(ui.waits.size(), 1u);
    EXPECT_DOUBLE_EQ(ui.waits[0].seconds, 0.5);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ui.waits[0].colours[size_t(i)], 0x808080u);
        EXPECT_EQ(ui.waits[0].texts[size_t(i)], "");
        EXPECT_EQ(f->control("Text1(" + std::to_string(i) + ")").back_color, 0xFFFFFFu);
    }
}

TEST_F(BoundaryWalk, ConfirmWritesTheBoxesAsTypedAndMovesToTheWorkLayer) {
    pick("45");
    f->click("查看");
    fill_boxes();
    f->click("修改/确定");
    EXPECT_EQ(record("45"), (std::vector<std::string>{"South", "000000", "08-19-2012", " 测绘队 ", "李四", "镇政府、村委",
                                                      "田埂中", "7"}));
    // A future point with its number taken back: on the work layer again, still yellow.
    set_box(5, "9999");
    pick("45");
    f->click("查看");
    EXPECT_EQ(box(5), "7");
    set_box(5, "9999");
    f->click("修改/确定");
    EXPECT_EQ(entity("45").layer(), "今后界址点");
    EXPECT_EQ(entity("45").color(), 2);
    EXPECT_EQ(box(5), "9999");
    pick("45");
    f->click("查看");
    set_box(5, "8");
    f->click("修改/确定");
    EXPECT_EQ(entity("45").layer(), "工作记录");
    EXPECT_EQ(entity("45").color(), 2);  // the colour is not touched by 修改/确定
}

TEST_F(BoundaryWalk, ViewOfAShortRecordFillsOnlyTheItemsItHas) {
    pick("3B");  // one item: the add-on's feature code
    f->click("查看");
    for (int i = 0; i < 6; ++i) EXPECT_EQ(box(i), "") << i;
    EXPECT_EQ(handle_field(), "3B");
    pick("46");  // a line without data
    f->click("查看");
    for (int i = 0; i < 6; ++i) EXPECT_EQ(box(i), "") << i;
    EXPECT_EQ(handle_field(), "46");
}

TEST_F(BoundaryWalk, ConfirmWithNothingBeingEditedIsRefusedAfterTheHostCheck) {
    // Other forms put the handle field back to its idle text; a blank around it counts too.
    f->control("Label4").text = " 没有实体可操作 ";
    f->control("Command3").enabled = true;
    f->click("修改/确定");
    ASSERT_EQ(new_messages().size(), 1u);
    EXPECT_EQ(new_messages()[0], "[提示] 没有可操作的实体！ {critical}");
    EXPECT_EQ(host.last_activated_caption, "");  // ended before the host was brought forward

    host.stop();
    walk_confirm(*f, ws);
    EXPECT_EQ(ui.messages().back(), "[提示] AutoCAD(、)没有运行或版本不符合！ / 本功能需先启动AutoCAD系统 {critical}");
}

// ---- foreign data is never overwritten: what counts as a work record (修改/确定 refusing the
// rest is boundary_walk.scn and bad_input_walk.scn) ----

TEST(WorkRecord, WhatCountsAsOne) {
    std::array<std::string, 6> fields{"d", "p", "z", "r", "s", "1"};
    EXPECT_TRUE(is_work_record(make_work_record(fields, true)));
    EXPECT_TRUE(is_work_record(make_work_record(fields, false)));
    EXPECT_EQ(make_work_record(fields, true).size(), 12u);
    EXPECT_EQ(make_work_record(fields, false).size(), 8u);

    host::XData upper = make_work_record(fields, false);
    upper.values[0] = std::string("SOUTH");  // application names match in any case
    EXPECT_TRUE(is_work_record(upper));

    host::XData other_app = make_work_record(fields, false);
    other_app.values[0] = std::string("North");
    EXPECT_FALSE(is_work_record(other_app));

    host::XData blank_mark = make_work_record(fields, false);
    blank_mark.values[1] = std::string("000000 ");
    EXPECT_FALSE(is_work_record(blank_mark));

    host::XData number_mark = make_work_record(fields, false);
    number_mark.codes[1] = 1070;
    number_mark.values[1] = 0LL;
    EXPECT_FALSE(is_work_record(number_mark));

    host::XData seven = make_work_record(fields, false);
    seven.codes.pop_back();
    seven.values.pop_back();
    EXPECT_FALSE(is_work_record(seven));
    host::XData nine = make_work_record(fields, false);
    nine.add(1000, std::string("extra"));  // a length the block never writes
    EXPECT_FALSE(is_work_record(nine));
    EXPECT_FALSE(is_work_record(host::XData{}));
}

// ---- 统改 ----

TEST_F(BoundaryWalk, ChangeAllTakesAnEmptyAnswerAsAValue) {
    select({"43"});
    input.push(InputAnswer::enter());
    f->click("Command5");
    EXPECT_EQ(record("43")[4], "");
    EXPECT_EQ(record("44")[4], "村民推选代表");
}

}  // namespace
}  // namespace korvane::panel::testing
