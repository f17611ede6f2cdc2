// The checking forms on a headless host: the entry lines of the quality-check list and where
// they lead, the resize rule, findings added from code, the point lines of the batch view and
// its zoom, the unit lines of the boundary extraction. The forms' round trips through the
// drawing and files are the scenarios quality_check, point_view and unit_selection.
#include <gtest/gtest.h>

#include "../parcel/survey_fixture.h"
#include "checks/dwsx.h"
#include "checks/jxgl.h"
#include "checks/zljc.h"

namespace korvane::checks {
namespace {

using parcel::testing::SurveyFixture;

TEST(QualityCheckEntry, KeepsFiveFieldsAndFindsThePlaceFromTheEnd) {
    EXPECT_EQ(check_entry_line(" 缺点,补测", "1.00,2.00", "2026-12-6", "王,李"), " 缺点，补测,1.00,2.00,2026-12-6,王，李");
    struct Case {
        const char* line;
        std::optional<host::Point> place;
    } cases[] = {
        {"界址点缺失,547651.72,2542694.62,2026-12-6,王检查", host::Point{547651.72, 2542694.62, 0}},
        // Written elsewhere with commas in the remark: the place is still found.
        {"沟渠,中,有误,10.50,-20.25,2026-12-6,王", host::Point{10.5, -20.25, 0}},
        {"短行,3,4", host::Point{3, 4, 0}},
        {"无坐标,x,y,2026-12-6,王", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(check_entry_place(c.line), c.place) << c.line;
}

class ChecksFixture : public SurveyFixture {
protected:
    common::FixedClock clock{common::LocalTime{2026, 12, 6, 10, 0, 0}};
    void SetUp() override {
        SurveyFixture::SetUp();
        ui.set_clock(&clock);
    }
};

TEST_F(ChecksFixture, QualityListFollowsTheResizeRuleAndTakesFindingsFromCode) {
    ZLJC form(session);
    form.load();
    form.width = 7000;
    form.height = 6000;
    form.resize();
    const auto& list = form.control("List1");
    EXPECT_EQ(list.height, 6000 - list.top - 1000);
    EXPECT_EQ(list.width, 7000 - list.left - 200);
    for (const char* b : {"Command2", "Command3", "Command4", "Command5"}) EXPECT_EQ(form.control(b).top, 5000) << b;
    EXPECT_EQ(form.control("Command1").top, 120);

    EXPECT_EQ(form.add_entry("宗地重叠,面积 2.5", {10, 20.005, 0}, "自动检查"), "宗地重叠，面积 2.5,10.00,20.01,2026-12-6,自动检查");
    ASSERT_EQ(form.entries().size(), 1u);
    EXPECT_TRUE(form.control("Label1").text.empty());  // the boxes are not touched
}

TEST(PointLine, NeedsValuesThreeAndSix) {
    auto record = [](size_t items) {
        host::XData d;
        d.add(1001, std::string("South"));
        const char* values[] = {"000000", "08-19-2012", "测绘队", "指界人", "人员", "沟渠,中", "9999"};
        for (size_t i = 1; i < items; ++i) d.add(1000, std::string(values[(i - 1) % 7]));
        return d;
    };
    EXPECT_EQ(point_line({2543210.46, 548900.2, 0}, record(8)), "2543210.5,548900.2,沟渠,中 |,测绘队");
    EXPECT_EQ(point_line({1, 2, 0}, record(7)), "1.0,2.0,沟渠,中 |,测绘队");
    EXPECT_EQ(point_line({1, 2, 0}, record(6)), std::nullopt);
    EXPECT_EQ(point_line({1, 2, 0}, host::XData{}), std::nullopt);
}

TEST_F(ChecksFixture, PointViewZoomsToTheRoundedPlace) {
    dwsx form(session);
    form.load();
    form.control("List1").items = {"2543210.5,548900.2,沟渠,中 |,测绘队"};
    form.select_item("List1", 0);
    EXPECT_EQ(host.active()->view().center, (host::Point{2543210.5, 548900.2, 0}));
    EXPECT_EQ(host.active()->view().height, 120);
}

TEST(UnitLine, TakesTheLevelsKeyFromAWholeRecord) {
    parcel::ParcelAttributeRecord r;
    r.value(parcel::Item::YSDM) = " 440123101001 ";
    r.value(parcel::Item::TDQLR) = "上围村民小组";
    r.value(parcel::Item::Zen_DM) = " 44012";
    r.value(parcel::Item::Cun_DM) = " 44012310";
    const host::XData data = r.to_xdata();
    EXPECT_EQ(unit_line(data, UnitLevel::Township)->line, "44012,|上围村民小组");
    EXPECT_EQ(unit_line(data, UnitLevel::Village)->line, "44012310,|上围村民小组");
    EXPECT_EQ(unit_line(data, UnitLevel::Group)->key, "440123101001");
    host::XData short_data = data;
    short_data.codes.pop_back();
    short_data.values.pop_back();
    EXPECT_FALSE(unit_line(short_data, UnitLevel::Group));
}

}  // namespace
}  // namespace korvane::checks
