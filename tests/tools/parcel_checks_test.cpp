// The duplicate-point check's stop on Cancel and the island marking's care to change only a hatch
// its own command made. What both mark is parcel_checks.check.py's (ezdxf).
#include "tools/duplicate_points.h"
#include "tools/parcel_islands.h"

#include "tools_fixture.h"

namespace korvane::tools::testing {
namespace {

using host::InputAnswer;

using ParcelChecks = ToolsFixture;

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
