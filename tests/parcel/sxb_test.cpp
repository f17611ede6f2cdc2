// The parcel attribute form over the embedded host, on tests/data/parcel_form.dxf (written by
// ezdxf, see tools/fixtures/make_parcel_form.py): 36 a sole-owned parcel without data, 37 one with the
// add-on's two-item feature code, 38 one with 23 items, 39 jointly owned, 3A disputed,
// 3B state land and 3C sole-owned parcels with records, 3D an open polyline, 3E and 3F texts,
// 40 a work-record point, 41..44 four lines round a closed area at x 548400..548440.
#include "../common/hosted_test.h"
#include "drawing/entity.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"
#include "parcel/sxb.h"

namespace korvane::parcel {
namespace {

using host::InputAnswer;

// The code table and the drawing in place, as the panel's last picture button finds them.
class Hosted : public test::HostedTest {
protected:
    std::filesystem::path data = dir / "data";
    void SetUp() override {
        HostedTest::SetUp();
        std::filesystem::copy_file(source(std::string("data/") + kCodeTableFile), data / kCodeTableFile);
        host.open(source("tests/data/parcel_form.dxf"));
    }
};

class Form : public Hosted {
protected:
    std::unique_ptr<SXB> f;
    int panel_resets = 0;

    void SetUp() override {
        Hosted::SetUp();
        f = std::make_unique<SXB>(session, [this] { ++panel_resets; });
        f->load();
    }

    drawing::Document& doc() { return host.active()->doc(); }
    drawing::Entity entity(const std::string& handle) {
        drawing::RecordId id = doc().find_handle(handle);
        EXPECT_NE(id, drawing::kNoRecord) << handle;
        return drawing::Entity(doc(), id);
    }
    std::vector<std::string> record(const std::string& handle) {
        std::vector<std::string> out;
        for (const auto& item : entity(handle).xdata()) out.push_back(item.text);
        return out;
    }
    size_t count() { return host.active()->modelspace().size(); }
    drawing::Entity newest() { return drawing::Entity(doc(), host.active()->modelspace().back()); }
    void pick(const std::string& handle) { input.push(InputAnswer::entity(handle)); }
    bool line_shown(const std::string& text) {
        for (const auto& l : transcript.lines())
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
    std::string last_message() { return ui.messages().empty() ? "" : ui.messages().back(); }
    bool save_enabled() { return f->control("Command2").enabled; }
    bool boxes_enabled() {
        bool all = true;
        for (int k = kFirstBox; k <= kLastBox; ++k) all = all && f->control("Text1(" + std::to_string(k) + ")").enabled;
        return all;
    }
    // Select a parcel and fill what a save needs.
    void select(const std::string& handle) {
        pick(handle);
        f->click("选择");
        ASSERT_FALSE(input.failed()) << input.failure();
    }
    void surveyor() {
        f->set_text("Text1(18)", "陈建国");
        f->set_text("Text1(19)", "12-06-2026");
    }
};

// ---- the window ----

TEST_F(Form, TitleAndExportTipNameTheFilesWhereTheyAreOnThisMachine) {
    EXPECT_EQ(f->caption, "属性表[" + (data / "经济组织代码对照表.ini").string() + "]");
    EXPECT_NE(f->control("Command6").tooltip.find((data / "集体土地权属调查表.xlsx").string()), std::string::npos);
}

TEST_F(Form, MissingTableIsReportedAndTheFilterOff) {
    std::filesystem::remove(data / kCodeTableFile);
    SXB g(session);
    g.load();
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_NE(last_message().find("无法找到：“"), std::string::npos);
    EXPECT_NE(last_message().find("应建立该文件，格式：经济组织名称，权属代码"), std::string::npos);
    EXPECT_NE(last_message().find("{exclamation}"), std::string::npos);
    EXPECT_FALSE(g.control("Text2").enabled);
}

// ---- select and view ----

// The option a parcel's layer chooses is parcel_form.scn's; state land leaves it as it was.
TEST_F(Form, SelectOfStateLandKeepsTheOption) {
    select("3A");
    EXPECT_EQ(f->chosen_type(), ParcelType::Disputed);
    select("3B");
    EXPECT_EQ(f->chosen_type(), ParcelType::Disputed);
    EXPECT_EQ(f->box(4), "岭南县交通运输局");
}

TEST_F(Form, CancelledSelectDisablesSaveAndKeepsTheRest) {
    select("3C");
    input.push(InputAnswer::cancel());
    f->click("Command1");
    EXPECT_TRUE(line_shown(kNoParcelLine));
    EXPECT_FALSE(save_enabled());
    EXPECT_EQ(f->handle(), "3C");
    EXPECT_EQ(f->box(4), "上围村民小组");
}

TEST_F(Form, ViewShowsWithoutTouchingTheDrawing) {
    size_t before = count();
    pick("39");
    f->click("查看");
    EXPECT_EQ(f->box(4), "上围村民小组/下围村民小组");
    EXPECT_FALSE(save_enabled());
    EXPECT_FALSE(boxes_enabled());
    EXPECT_EQ(f->handle(), "");
    EXPECT_EQ(count(), before);
    EXPECT_EQ(entity("39").color(), 3);
    EXPECT_EQ(entity("39").constant_width(), 0);
}

// ---- save ----

// The state code moving a parcel is SaveChecks' and parcel_form.scn's.
TEST_F(Form, NoOptionChosenKeepsTheLayer) {
    select("36");
    surveyor();
    ASSERT_EQ(f->chosen_type(), ParcelType::None);
    f->set_text("Text1(2)", "123");
    f->click("保存");
    EXPECT_EQ(entity("36").layer(), "独有宗地");
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(Form, TwoSavesGiveTwoStamps) {
    select("3C");
    f->click("保存");
    std::string first = record("3C")[19];
    clock.set({2026, 12, 6, 10, 1, 0});
    select("3C");
    f->click("保存");
    EXPECT_EQ(first, "120636000");
    EXPECT_EQ(record("3C")[19], "120636060");
}

TEST_F(Form, HatchOnlyOnWhatTheHostMade) {
    // The open polyline cannot be hatched: the newest entity (a line) must stay as it is.
    drawing::Entity line = newest();
    std::string layer = line.layer();
    int colour = line.color();
    size_t before = count();
    select("3D");
    EXPECT_EQ(count(), before);
    EXPECT_EQ(line.layer(), layer);
    EXPECT_EQ(line.color(), colour);
    f->set_text("Text1(2)", "1");
    surveyor();
    f->click("保存");
    EXPECT_EQ(line.layer(), layer);
    EXPECT_EQ(line.color(), colour);
    EXPECT_EQ(record("3D").size(), 22u);
}

TEST_F(Form, SaveOfAParcelNoLongerThereSaysSo) {
    select("36");
    surveyor();
    host::HostError err;
    auto app = host.GetObject(host::kHostClass, err);
    app->ActiveDocument()->HandleToObject("36")->Delete();
    f->click("保存");
    EXPECT_EQ(last_message().find(kParcelGoneMessage) != std::string::npos, true) << last_message();
    EXPECT_EQ(f->handle(), "36");
    EXPECT_EQ(f->box(18), "陈建国");
}

TEST_F(Form, ARecordTheDrawingRefusesIsNotReportedAsSaved) {
    select("3C");
    std::string long_text;
    for (int i = 0; i < 100; ++i) long_text += "四至";  // 600 bytes: beyond an extended-data string
    f->set_text("Text1(5)", long_text);
    size_t before = count();
    f->click("保存");
    EXPECT_NE(last_message().find("宗地属性没有写入"), std::string::npos) << last_message();
    EXPECT_EQ(record("3C")[4], "上围村民小组,");  // the old record stands
    EXPECT_EQ(count(), before);
    EXPECT_FALSE(line_shown(kSavedLine));
    EXPECT_TRUE(save_enabled());
    EXPECT_EQ(f->box(5), long_text);
}

// ---- point pick, labels, list, closing ----

TEST_F(Form, LabelPicks) {
    pick("3F");
    f->click("Label1(1)");  // 权利人: a state holder's name from the drawing
    EXPECT_EQ(f->box(4), "岭南县水务局");
    EXPECT_EQ(f->box(2), kStateCode);
    EXPECT_EQ(f->box(3), "999999");
    pick("3E");
    f->click("Label1(8)");  // 东至
    EXPECT_EQ(f->box(6), "禾坪村民小组");
    pick("40");
    f->click("Label1(13)");  // 调查记事 from a work-record point
    EXPECT_EQ(f->box(17), "田埂中");
    EXPECT_EQ(f->box(18), "县测绘队");
    EXPECT_EQ(f->box(19), "08-21-2012");
    pick("36");  // no data: the boxes stay
    f->click("Label1(14)");
    EXPECT_EQ(f->box(18), "县测绘队");
    f->click("Label1(16)");  // 批准日期: nothing but the panel's handle
    EXPECT_EQ(panel_resets, 5);
    EXPECT_EQ(input.pending(), 0u);
}

// The filter and the picks themselves are the code table's tests; here what the form adds.
TEST_F(Form, ListClickAndFilters) {
    f->set_text("Text2", "村");
    ASSERT_FALSE(f->control("Combo1").items.empty());
    f->select_item("Combo1", 0);
    EXPECT_EQ(f->control("Combo1").tooltip, "上围村民小组");
    f->set_text("Text2", "");  // blank: the list stays
    EXPECT_FALSE(f->control("Combo1").items.empty());
    // No option chosen: a double click fills nothing.
    f->set_text("Text2", "sw");
    f->dblclick_item("Combo1", 0);
    EXPECT_EQ(f->box(2), "");
}

// ---- from the panel ----

using FormFromPanel = Hosted;

TEST_F(FormFromPanel, TheLastPictureButtonOpensItAndLabelsResetThePanelHandle) {
    common::save_ini(settings, "Filepath", "tiles");
    common::save_ini(settings, "ProgramUPdate", "120819");
    panel::Workspace ws{host, ui};
    auto& panel = ws.maifrm();
    int shown = 0;
    ws.on_form_opened = [&](common::FormModel&) { ++shown; };
    panel.click("Picture1(15)");
    auto* form = dynamic_cast<SXB*>(ws.form("SXB"));
    ASSERT_NE(form, nullptr);
    panel.click("Picture1(15)");  // open already: brought forward
    EXPECT_EQ(shown, 2);

    // A label click puts the panel's record handle back to idle.
    input.push(InputAnswer::at({548010, 2543010, 0}));
    panel.click("增加");
    ASSERT_NE(panel.control("Label4").text, "没有实体可操作");
    form->click("Label1(16)");
    EXPECT_EQ(panel.control("Label4").text, "没有实体可操作");

    // Closed and opened again: loaded afresh.
    form->close();
    panel.click("Picture1(15)");
    EXPECT_FALSE(form->closed);
    EXPECT_EQ(form->control("Frame3").text, "34");
    EXPECT_EQ(shown, 3);
}

}  // namespace
}  // namespace korvane::parcel
