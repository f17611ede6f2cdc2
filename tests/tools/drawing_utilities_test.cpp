// The panel's drawing utilities and the reports of the tools menu where a scenario cannot look:
// what is sent (or not) after a cancelled pick, the view window's text, the report's failure.
#include <fstream>

#include "panel/maifrm.h"
#include "tools/point_report.h"
#include "tools/temp_drawing.h"
#include "tools/view_window.h"
#include "tools/xdata_display.h"

#include "tools_fixture.h"

namespace korvane::tools::testing {
namespace {

using host::InputAnswer;

TEST(ViewWindow, TextKeepsFifteenDigitsAndNeedsFourNumbers) {
    const ViewWindow w = view_window(1000.0 / 3, 2000, 90, 1600, 900);
    const std::optional<ViewWindow> back = parse_window_text(window_text(w));
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->x1, w.x1, 1e-12);
    EXPECT_NEAR(back->x2, w.x2, 1e-12);
    EXPECT_EQ(window_text({920, 1955, 1080, 2045.5}), "920,1955,1080,2045.5");
    for (const char* bad : {"", "1,2,3", "1,2,x,4"}) EXPECT_EQ(parse_window_text(bad), std::nullopt) << bad;
}

TEST(ExtendedData, NumbersAndPointsAreShownAsText) {
    host::XData data;
    data.add(1001, std::string("South"));
    data.add(1070, 12LL);
    data.add(1040, 2.5);
    data.add(1010, host::Point{1, 2, 0});
    data.add(1000, std::string("  "));
    EXPECT_EQ(extended_data_lines(data), (std::vector<std::string>{" 0  South->1001", " 1  12->1070", " 2  2.5->1040",
                                                                   " 3  1,2,0->1010", " 4    ->1000"}));
    EXPECT_EQ(extended_data_box_text(data, "0"), "扩展属性：\r\n[1] 12\r\n[2] 2.5\r\n[3] 1,2,0\r\n[图层]0");
}

using DrawingUtilities = ToolsFixture;

TEST_F(DrawingUtilities, CancelledLayerPickSendsNothing) {
    input.push(InputAnswer::cancel());
    ws.maifrm().click("Picture1(8)");
    EXPECT_FALSE(transcript.contains("命令:"));
}

TEST_F(DrawingUtilities, TemporaryDrawingOfAnEarlierRunIsInsertedWithoutZoom) {
    {
        std::ifstream src(std::string(KORVANE_SOURCE_DIR) + "/tests/data/utilities.dxf", std::ios::binary);
        std::ofstream(ui.paths().temp_drawing(), std::ios::binary) << src.rdbuf();
    }
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
