#include "common/text.h"
#include "drawing/tables.h"
#include "panel_fixture.h"

namespace korvane::panel::testing {

using common::load_ini;
using common::save_ini;

TEST_F(PanelFixture, FirstStartOnAFreshAccount) {
    MaiFrm& f = ws.maifrm();
    ASSERT_EQ(ui.messages().size(), 3u);
    // The image directory: the data directory's "影像" folder, made and named.
    const std::string images = (dir / "data" / "影像").string();
    EXPECT_TRUE(std::filesystem::is_directory(images));
    EXPECT_EQ(ui.messages()[0], "[提示] 默认工作目录为" + images + " {exclamation}");
    EXPECT_EQ(ui.messages()[1], "[升级] 你目前使用的为旧的软件版本！ / 程序有已更新到“120819”版本。 {exclamation}");
    EXPECT_NE(ui.messages()[2].find("[日志] 0724-增加"), std::string::npos);
    EXPECT_NE(ui.messages()[2].find("0818-主界面增加图层控制和点显示切换功能。 /  / 还有9次提示。"), std::string::npos);
    EXPECT_EQ(load_ini(settings, "ProgramSYCS"), "9");
    EXPECT_EQ(load_ini(settings, "PROGRAMUPDATE"), "120819");
    EXPECT_EQ(load_ini(settings, "filepath1"), "...");
    EXPECT_EQ(f.caption, "Korvane [Drovask]->" + title_form(images));
    EXPECT_EQ(f.control("Label2").text, "120819");
    EXPECT_TRUE(f.topmost);
    EXPECT_EQ(ws.fck().directory_entry(1).text, images);
}

TEST_F(PanelFixture, TheTitleShowsTheFoldersFixedWindowsLocationsStandFor) {
    save_ini(settings, "Filepath", "C:\\Tessivo\\影");
    MaiFrm& f = ws.maifrm();
    EXPECT_EQ(f.caption, "Korvane [Drovask]->" + title_form((dir / "data" / "影").string()));
    EXPECT_EQ(ui.messages()[0].find("默认工作目录"), std::string::npos) << "a stored folder is kept";
    f.set_title_directory("d:\\");
    EXPECT_EQ(f.caption, "Korvane [Drovask]->" + title_form((dir / "out").string()));
}

TEST_F(PanelFixture, NewerBuildStoredWarnsAndStopsTheLog) {
    save_ini(settings, "Filepath", "/data/tiles");
    save_ini(settings, "ProgramUPdate", "130101");
    save_ini(settings, "ProgramSYCS", "5");
    ws.maifrm();
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_NE(ui.messages()[0].find("[警告] 程序版本较之前使用的要旧，请确认软件的最新版本！ / 旧版本会导致处理出现错误，请谨慎使用！"),
              std::string::npos);
    EXPECT_NE(ui.messages()[0].find("{critical}"), std::string::npos);
    EXPECT_EQ(load_ini(settings, "ProgramSYCS"), "-1");
}

TEST_F(PanelFixture, OlderBuildStoredIsAnUpdate) {
    save_ini(settings, "Filepath", "/data/tiles");
    save_ini(settings, "ProgramUPdate", "120801");
    save_ini(settings, "ProgramSYCS", "0");
    ws.maifrm();
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(ui.messages()[0], "[升级] 程序有已更新到“120819”版本。 {exclamation}");
    EXPECT_NE(ui.messages()[1].find("还有9次提示。"), std::string::npos);
    EXPECT_EQ(load_ini(settings, "ProgramUPdate"), "120819");
}

TEST_F(PanelFixture, CounterThatIsNotANumberShowsNoLog) {
    save_ini(settings, "Filepath", "/data/tiles");
    save_ini(settings, "ProgramUPdate", "120819");
    save_ini(settings, "ProgramSYCS", "abc");
    ws.maifrm();
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(PanelFixture, LongWorkingDirectoryIsShortenedInTheTitle) {
    save_ini(settings, "Filepath", "/mnt/影像资料/二零一二年/南村一组/tiles");  // 26 characters
    save_ini(settings, "ProgramUPdate", "120819");
    MaiFrm& f = ws.maifrm();
    std::string shown = f.caption.substr(std::string(kPanelTitlePrefix).size());
    EXPECT_EQ(common::length(shown), 31u);
    EXPECT_EQ(shown, "/mnt/影像资料/二零一...零一二年/南村一组/tiles");
    EXPECT_EQ(title_form("short"), "short");
}

TEST_F(PanelFixture, DoubleClickNotice) {
    ws.maifrm().dblclick_background();
    EXPECT_TRUE(ui.message_contains("[更新说明] 2012.6.21增加对Tif图像的插入功能,程序默认为jpg格式。"));
}

// The named boxes alone (every other layer off, the current one too) are layer_boxes.scn's,
// read back with ezdxf.
TEST_F(PanelFixture, LayerBoxesSwitchTheRest) {
    drawing::Document& d = drawing().doc();
    drawing::add_layer(d, "道路");
    MaiFrm& f = ws.maifrm();
    f.set_check("Check1(4)", 1);  // 独 ticked, 其它 clear
    auto on = [&](const char* name) {
        auto id = drawing::find_table_entry(d, "LAYER", name);
        EXPECT_NE(id, drawing::kNoRecord) << name;
        return drawing::layer_info(d, id).on;
    };
    EXPECT_FALSE(on("道路"));
    f.set_check("Check1(7)", 1);  // everything else on, the clear named boxes stay off
    EXPECT_TRUE(on("道路"));
    EXPECT_TRUE(on("0"));
    EXPECT_FALSE(on("界址点"));

    // One undo step per click.
    ASSERT_TRUE(d.undo());
    EXPECT_FALSE(on("道路"));
}

TEST_F(PanelFixture, PointDisplayToggle) {
    drawing();
    MaiFrm& f = ws.maifrm();
    auto pdmode = [&] { return std::get<long long>(host.application()->ActiveDocument()->GetVariable("pdmode")); };
    auto pdsize = [&] { return std::get<double>(host.application()->ActiveDocument()->GetVariable("pdsize")); };
    host.application()->ActiveDocument()->SetVariable("pdmode", host::Value(3LL));
    f.click("切换点显示");
    EXPECT_EQ(pdmode(), 3);
    // 0 -> 32 at size 4 is layer_boxes.scn's.
    host.application()->ActiveDocument()->SetVariable("pdmode", host::Value(32LL));
    f.click("切换点显示");
    EXPECT_EQ(pdmode(), 0);
    EXPECT_EQ(pdsize(), 1);
}

TEST_F(PanelFixture, ControlsResolveByNameCaptionOrToolTip) {
    MaiFrm& f = ws.maifrm();
    EXPECT_EQ(f.resolve("其它所有").name, "Check1(7)");
    EXPECT_EQ(f.resolve("独").name, "Check1(4)");
    EXPECT_THROW(f.resolve("nothing like it"), common::FormError);
    EXPECT_THROW(ws.open_form("NoSuchForm"), common::FormError);
}

}  // namespace korvane::panel::testing
