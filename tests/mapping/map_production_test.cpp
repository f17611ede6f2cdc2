// Map production below the scenarios (map_frames, map_labels): the centroid formula, a frame
// filled while its template is missing from the data directory, and the parcel shown while the
// user is asked where its label goes.
#include <gtest/gtest.h>

#include "../parcel/survey_fixture.h"
#include "mapping/map_frames.h"
#include "mapping/org_labels.h"

namespace korvane::mapping {
namespace {

using host::InputAnswer;
using parcel::testing::SurveyFixture;

TEST(PolygonCentroid, EitherOrientationAndNoneWithoutArea) {
    struct Case {
        std::vector<double> xs, ys;
        std::optional<std::pair<double, double>> want;
    } cases[] = {
        {{0, 10, 10, 0}, {0, 0, 20, 20}, std::pair{5.0, 10.0}},
        {{0, 0, 10, 10}, {0, 20, 20, 0}, std::pair{5.0, 10.0}},  // clockwise
        {{0, 4, 4, 2, 2, 0}, {0, 0, 2, 2, 4, 4}, std::pair{5.0 / 3, 5.0 / 3}},
        // At survey coordinates (the raw products would be off by metres).
        {{39500000, 39500025, 39500025, 39500000}, {2540000, 2540000, 2540025, 2540025}, std::pair{39500012.5, 2540012.5}},
        {{400, 410, 420}, {0, 0, 0}, std::nullopt},  // all on a line
        {{1, 2}, {1, 2}, std::nullopt},
    };
    for (const Case& c : cases) {
        std::optional<PlanePoint> got = polygon_centroid(c.xs, c.ys);
        ASSERT_EQ(got.has_value(), c.want.has_value());
        if (!got) continue;
        EXPECT_NEAR(got->x, c.want->first, 1e-6);
        EXPECT_NEAR(got->y, c.want->second, 1e-6);
    }
}

TEST_F(SurveyFixture, MissingTemplateIsNamedAfterTheImagesAreIn) {
    TileSource tiles{(dir / "tiles").string(), ".jpg"};
    std::filesystem::create_directories(dir / "tiles");
    std::filesystem::copy_file(std::string(KORVANE_SOURCE_DIR) + "/tests/scenarios/tiles/2543.00-548.00.jpg",
                               dir / "tiles" / "2543.00-548.00.jpg");
    std::string frame = polyline({{548200, 2543100}, {548800, 2543100}, {548800, 2543690}, {548200, 2543690}});
    input.push(InputAnswer::entity(frame));
    fill_frame(session, tiles, kParcelTemplate);
    std::string path = (dir / "data" / "宗地图(A3).dxf").string();
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(ui.messages()[0], "[提示] 根据打印比例尺修改比例尺注记。 {exclamation}");
    EXPECT_EQ(ui.messages()[1], "[提示] " + std::string(kMissingTemplateMessage) + path + " {critical}");
    // The tile is in and clipped all the same.
    host::SelectionSetPtr images = doc()->SelectionSets()->Add("images");
    images->Select(5, host::Filter().add(0, "IMAGE"));
    ASSERT_EQ(images->Count(), 1);
    EXPECT_TRUE(engine(images->Item(0)->Handle()).integer(280).value_or(0) == 1);
}

// Notes how a parcel looks each time the user is asked for a point.
class WatchingInput : public host::InputSource {
public:
    WatchingInput(host::ScriptInput& answers, std::function<void()> watch) : answers_(answers), watch_(std::move(watch)) {}
    std::optional<InputAnswer> next(const host::InputRequest& request) override {
        if (request.kind == host::InputKind::Point) watch_();
        return answers_.next(request);
    }

private:
    host::ScriptInput& answers_;
    std::function<void()> watch_;
};

TEST_F(SurveyFixture, AskedParcelIsShownWhiteAndWideThenRestored) {
    std::string l = polyline({{100, 0}, {130, 0}, {130, 15}, {110, 15}, {110, 32}, {100, 32}}, "L形组");
    entity(l)->SetConstantWidth(0.3);
    int colour_asked = 0;
    double width_asked = 0;
    WatchingInput watching(input, [&] {
        colour_asked = entity(l)->color();
        width_asked = engine(l).real(43).value_or(0);
    });
    host.set_input(watching);
    input.push(InputAnswer::selection({l}));
    input.push(InputAnswer::at({105, 20, 0}));
    label_organisations(session, LabelEntry::BoxCentre);
    EXPECT_EQ(colour_asked, 7);
    EXPECT_DOUBLE_EQ(width_asked, 0.5);
    EXPECT_EQ(entity(l)->color(), 4);
    EXPECT_DOUBLE_EQ(engine(l).real(43).value_or(-1), 0);
}

}  // namespace
}  // namespace korvane::mapping
