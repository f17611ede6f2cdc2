// The checking forms on a headless host: where an entry line of the quality-check list leads, a
// point without a whole record in the batch view and its zoom. The forms' round trips through the
// drawing and files (the findings of 自动检查 among them) are the scenarios quality_check,
// auto_check, point_view and unit_selection; the resize rule is checked on the real window.
#include <gtest/gtest.h>

#include "../parcel/survey_fixture.h"
#include "checks/dwsx.h"
#include "checks/zljc.h"

namespace korvane::checks {
namespace {

using parcel::testing::SurveyFixture;

// Five fields a line with the commas of a remark and a name made full-width: quality_check and
// auto_check read the saved lists back.
TEST(QualityCheckEntry, FindsThePlaceFromTheEnd) {
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

using ChecksFixture = SurveyFixture;

TEST(PointLine, NeedsValuesThreeAndSix) {
    host::XData d;
    d.add(1001, std::string("South"));
    for (const char* v : {"000000", "08-19-2012", "测绘队", "指界人", "人员"}) d.add(1000, std::string(v));
    EXPECT_EQ(point_line({1, 2, 0}, d), std::nullopt);
    d.add(1000, std::string("沟渠,中"));
    EXPECT_EQ(point_line({1, 2, 0}, d), "1.0,2.0,沟渠,中 |,测绘队");
}

TEST_F(ChecksFixture, PointViewZoomsToTheRoundedPlace) {
    dwsx form(session);
    form.load();
    form.control("List1").items = {"2543210.5,548900.2,沟渠,中 |,测绘队"};
    form.select_item("List1", 0);
    EXPECT_EQ(host.active()->view().center, (host::Point{2543210.5, 548900.2, 0}));
    EXPECT_EQ(host.active()->view().height, 120);
}

}  // namespace
}  // namespace korvane::checks
