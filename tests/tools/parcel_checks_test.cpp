// What the duplicate-point check reports to its callers, and the island marking's care to
// change only a hatch its own command made.
#include "tools/duplicate_points.h"
#include "tools/parcel_islands.h"

#include "tools_fixture.h"

namespace korvane::tools::testing {
namespace {

using host::InputAnswer;

using ParcelChecks = ToolsFixture;

TEST_F(ParcelChecks, DuplicateCheckReportsEachRepeatedVertex) {
    input.push(InputAnswer::selection({"38", "39", "3A", "3B", "3C", "3D"}));
    DuplicateCheckResult result;
    host::run_command(ws.session(), host::FrameVariant::C, [&](host::CommandContext& ctx) {
        host::SelectionSetPtr set = ctx.doc()->SelectionSets()->Add("text");
        set->SelectOnScreen();
        result = mark_duplicate_points(ctx);
    });
    EXPECT_EQ(result.parcels, 6);
    std::vector<std::tuple<std::string, size_t, double, double>> found;
    for (const auto& f : result.findings) found.emplace_back(f.handle, f.vertex.index, f.vertex.x, f.vertex.y);
    using T = std::tuple<std::string, size_t, double, double>;
    EXPECT_EQ(found, (std::vector<T>{T{"38", 1, 100.004, 200.001}, T{"3D", 2, 550, 200}, T{"3D", 5, 500, 250}}));
}

TEST_F(ParcelChecks, DuplicateCheckStopsWhenCancelled) {
    ui.cancel_progress_at(2);
    input.push(InputAnswer::selection({"38", "39", "3D"}));
    click("FCK_STSZ_JianChaxiancfd");
    EXPECT_EQ(entity("38")->color(), 1);
    EXPECT_EQ(entity("3D")->color(), 4);  // the third parcel was not reached
}

TEST_F(ParcelChecks, IslandMarkingChangesNoEntityItsHatchCommandDidNotMake) {
    // An open polyline on a parcel layer inside the outer parcel cannot be hatched; the last
    // entity of the drawing is then an older one, which must stay as it is.
    host::ModelSpacePtr ms = doc()->ModelSpace();
    host::EntityPtr open = ms->AddLightWeightPolyline({1160, 1020, 1190, 1020, 1190, 1050});
    open->SetLayer("独有宗地");
    host::EntityPtr last = ms->AddText("最后", {1300, 1300, 0}, 5);
    const long before = ms->Count();
    input.push(InputAnswer::selection({"3E"}));
    click("FCK_STSZ_BiaoSizongdidao");
    EXPECT_EQ(ms->Count(), before + 2);  // the two closed islands
    EXPECT_EQ(last->Layer(), "0");
    EXPECT_EQ(last->color(), 256);
    EXPECT_TRUE(last->GetXData("").empty());
    EXPECT_TRUE(transcript.contains("边界定义错误"));
}

}  // namespace
}  // namespace korvane::tools::testing
