// The panel's drawing utilities and the reports of the tools menu where a scenario cannot look:
// what is sent (or not) after a cancelled pick, an insert without a window, the report's failure.
// The view window kept between the two drawings is temp_drawing.scn's (VIEWCTR, VIEWSIZE).
#include <fstream>

#include "panel/maifrm.h"
#include "tools/point_report.h"
#include "tools/temp_drawing.h"

#include "tools_fixture.h"

namespace korvane::tools::testing {
namespace {

using host::InputAnswer;

using DrawingUtilities = ToolsFixture;

TEST_F(DrawingUtilities, CancelledLayerPickSendsNothing) {
    input.push(InputAnswer::cancel());
    ws.maifrm().click("Picture1(8)");
    EXPECT_FALSE(transcript.contains("命令:"));
}

TEST_F(DrawingUtilities, TemporaryDrawingOfAnEarlierRunIsInsertedWithoutZoom) {
    std::filesystem::copy_file(std::string(KORVANE_SOURCE_DIR) + "/tests/data/utilities.dxf", ui.paths().temp_drawing());
    host.new_document();
    const host::View before = host.active()->view();
    TempDrawingState fresh;
    insert_temp_drawing(ws.session(), fresh);
    EXPECT_EQ(doc()->ModelSpace()->Count(), long(host.document(0).modelspace().size()));
    EXPECT_EQ(host.active()->view().center, before.center);
    EXPECT_EQ(host::Value(1LL), doc()->GetVariable("FILEDIA"));
}

TEST_F(DrawingUtilities, PointReportOfNothingIsAnEmptyFileShown) {
    input.push(InputAnswer::selection({"38"}));
    click("FCK_STSZ_shuchudianweishuxing");
    const auto file = ui.paths().data_file(kPointReportFile);
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    EXPECT_EQ(ui.shown_files(), std::vector<std::string>{file.string()});
}

TEST_F(DrawingUtilities, PointReportThatCannotBeWrittenIsReported) {
    std::filesystem::remove_all(ui.paths().data_dir);
    std::ofstream(ui.paths().data_dir) << "a file where the folder should be";
    input.push(InputAnswer::selection({"5B"}));
    click("FCK_STSZ_shuchudianweishuxing");
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_NE(ui.messages()[0].find("[错误] 无法写出点位说明文件"), std::string::npos) << ui.messages()[0];
    EXPECT_TRUE(ui.shown_files().empty());
}

}  // namespace
}  // namespace korvane::tools::testing
