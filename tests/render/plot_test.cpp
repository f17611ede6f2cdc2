// Plotting's choices: the paper for an extent, the scale as typed. What a plot draws is read
// back from PDFs in the scenario map_plot.
#include <gtest/gtest.h>

#include "render/plot.h"

namespace korvane::render {
namespace {

TEST(Plot, SmallestPaperHoldsTheExtentEitherWay) {
    struct Case {
        double w, h;
        const char* name;  // "" none fits
        bool landscape;
    } cases[] = {
        {210, 297, "A4", false},  {297, 210, "A4", true},  {300, 295, "A3", true},
        {450, 442, "A1", false},  {900, 884, "", false},   {1189, 841, "A0", true},
        {142.2, 80, "A4", false}, {211, 100, "A4", true},
    };
    for (const Case& c : cases) {
        std::optional<Paper> p = smallest_paper(c.w, c.h);
        ASSERT_EQ(p.has_value(), *c.name != 0) << c.w << " x " << c.h;
        if (!p) continue;
        EXPECT_EQ(p->name, c.name) << c.w << " x " << c.h;
        EXPECT_EQ(p->landscape(), c.landscape) << c.w << " x " << c.h;
    }
    EXPECT_EQ(plan_plot({drawing::Box2{0, 0, 900, 884}, 1000}).error, kNoPaperMessage);
    EXPECT_EQ(plan_plot({drawing::Box2{0, 0, 900, 884}, 2000}).paper.name, "A1");
    EXPECT_EQ(plan_plot({drawing::Box2{5, 5, 5, 9}, 2000}).error, kEmptyExtentMessage);
}

TEST(Plot, ScaleAsTyped) {
    EXPECT_EQ(scale_of("1:2000"), 2000);
    EXPECT_EQ(scale_of("500"), 500);
    EXPECT_EQ(scale_of("1:2500.5"), 2500.5);
    for (const char* bad : {"", "1:", "1:0", "-5", "1:2000x", "abc", "1:nan"}) EXPECT_EQ(scale_of(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace korvane::render
