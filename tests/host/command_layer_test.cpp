// -LAYER and the system variables on the command line, with the texts the tools send.
#include "command_fixture.h"

namespace korvane::host::testing {

namespace {

class LayerCommandTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        for (const char* name : {"独有宗地", "共有宗地", "界址点", "道路"}) drawing::add_layer(d(), name);
    }
    bool on(const std::string& name) {
        return drawing::layer_info(d(), drawing::find_table_entry(d(), "LAYER", name)).on;
    }
    std::string clayer() { return std::get<std::string>(var("CLAYER")); }
};

}  // namespace

// Setting an existing layer current as 只显当前层 sends it is temp_drawing.scn's ($CLAYER read
// back with ezdxf).
TEST_F(LayerCommandTest, SetOfAMissingLayerSaysSoAndCreatesNothing) {
    size_t before = drawing::layers(d()).size();
    send("-layer\rs\r没有的层\r\r");
    EXPECT_EQ(clayer(), "0");
    EXPECT_EQ(drawing::layers(d()).size(), before);
    EXPECT_TRUE(printed("未找到图层 \"没有的层\""));
    EXPECT_TRUE(input.requests.empty()) << "the option prompt took the final Enter";
}

TEST_F(LayerCommandTest, OnOffWithNameListsWildcardsAndTheYesAnswer) {
    send("-layer\roff\r*宗地,道路\r\r");
    EXPECT_FALSE(on("独有宗地"));
    EXPECT_FALSE(on("共有宗地"));
    EXPECT_FALSE(on("道路"));
    EXPECT_TRUE(on("界址点"));
    send("-layer\ron\r独有宗地\roff\r0\rY\r\r");
    EXPECT_TRUE(on("独有宗地"));
    EXPECT_FALSE(on("0")) << "Y turns the current layer off too";
}

TEST_F(LayerCommandTest, NewMakeFreezeAndColor) {
    send("-layer\rn\r宗地岛,构面层\rm\r检查图层\rc\r2\r构面层\rf\r道路\r\r");
    EXPECT_NE(drawing::find_table_entry(d(), "LAYER", "宗地岛"), drawing::kNoRecord);
    EXPECT_EQ(clayer(), "检查图层");
    auto info = drawing::layer_info(d(), drawing::find_table_entry(d(), "LAYER", "构面层"));
    EXPECT_EQ(info.color, 2);
    EXPECT_TRUE(drawing::layer_info(d(), drawing::find_table_entry(d(), "LAYER", "道路")).frozen);
    send("-layer\rf\r检查图层\r\r");
    EXPECT_FALSE(drawing::layer_info(d(), drawing::find_table_entry(d(), "LAYER", "检查图层")).frozen);
    EXPECT_TRUE(printed("无法冻结当前图层"));
}

TEST_F(LayerCommandTest, SetByPickingAnObjectAndOffBySelection) {
    auto id = drawing::add_point(d(), {1, 1, 0}, "道路");
    send("-layer\rs\r\r" + handent(handle(id)) + "\r\r");
    EXPECT_EQ(clayer(), "道路");
    auto sq = square(10, 10, 5, "共有宗地");
    send("-layer\roff\r\r" + handent(handle(sq)) + "\r\r\r");
    EXPECT_FALSE(on("共有宗地"));
    EXPECT_TRUE(on("独有宗地"));
}

TEST_F(LayerCommandTest, OneTypedLayerCommandIsOneUndoStep) {
    send("-layer\rs\r道路\roff\r独有宗地,共有宗地\rn\r新层\r\r");
    ASSERT_EQ(clayer(), "道路");
    send("u\r");
    EXPECT_EQ(clayer(), "0");
    EXPECT_TRUE(on("独有宗地"));
    EXPECT_TRUE(on("共有宗地"));
    EXPECT_EQ(drawing::find_table_entry(d(), "LAYER", "新层"), drawing::kNoRecord);
    send("redo\r");
    EXPECT_EQ(clayer(), "道路");
    EXPECT_FALSE(on("共有宗地"));
}

// ---- system variables ----

using SystemVariableTest = CommandFixture;

TEST_F(SystemVariableTest, AnInvalidValueIsRefusedAndAskedAgain) {
    send("pdmode\r32\r");
    input.enter();
    send("PDMODE\r7\r");
    EXPECT_EQ(std::get<long long>(var("pdmode")), 32);
    EXPECT_TRUE(printed("需要 0-4"));
    ASSERT_EQ(input.requests.size(), 1u) << "asked once more after the refusal";
    send("pdmode\r3\r");
    EXPECT_EQ(std::get<long long>(var("pdmode")), 3);
}

TEST_F(SystemVariableTest, TheVariablesTheToolsSet) {
    // IMAGEFRAME is read back after map_frames.scn and image_tiles.scn.
    send("osmode\r16416\r");
    send("filedia\r0\r");
    EXPECT_EQ(std::get<long long>(var("OSMODE")), 16416);
    EXPECT_EQ(std::get<long long>(var("filedia")), 0);
    send("filedia\r1\r");
    EXPECT_EQ(std::get<long long>(var("FILEDIA")), 1);
    // The tools' own SetVariable goes through the same rules.
    EXPECT_FALSE(set_system_variable(*hd, "filedia", Value(2LL)));
    EXPECT_FALSE(set_system_variable(*hd, "CLAYER", Value(std::string("没有的层"))));
    EXPECT_TRUE(set_system_variable(*hd, "pdsize", Value(std::string("0.5"))));
    EXPECT_EQ(std::get<double>(var("PDSIZE")), 0.5);
}

TEST_F(SystemVariableTest, EnterKeepsTheValueAndAHeaderVariableCanBeSetByName) {
    send("pdmode\r\r");
    EXPECT_EQ(std::get<long long>(var("pdmode")), 0);
    EXPECT_TRUE(printed("输入 PDMODE 的新值 <0>:"));
    send("ltscale\r2.5\r");
    EXPECT_EQ(std::get<double>(var("LTSCALE")), 2.5);
    EXPECT_EQ(d().header_text("$LTSCALE").value_or(""), "2.5");
}

TEST_F(SystemVariableTest, ViewVariablesAreReadOnly) {
    hd->view().center = {1000, 2000, 0};
    hd->view().height = 90;
    EXPECT_EQ(std::get<Point>(var("VIEWCTR")), (Point{1000, 2000, 0}));
    EXPECT_EQ(std::get<double>(var("VIEWSIZE")), 90.0);
    EXPECT_EQ(std::get<Point>(var("SCREENSIZE")), (Point{1600, 900, 0}));
    EXPECT_FALSE(set_system_variable(*hd, "VIEWSIZE", Value(10.0)));
    send("viewsize\r10\r");
    EXPECT_EQ(std::get<double>(var("VIEWSIZE")), 90.0);
    EXPECT_TRUE(printed("VIEWSIZE = 90 (只读)"));
    EXPECT_TRUE(printed("未知命令\"10\"")) << "the value went to the command prompt";
}

TEST_F(SystemVariableTest, SettingAVariableIsUndone) {
    auto as_created = d().header_text("$PDMODE");
    send("pdmode\r32\r");
    send("pdmode\r0\r");
    send("u\r");
    EXPECT_EQ(std::get<long long>(var("pdmode")), 32);
    send("undo\r\r");
    EXPECT_EQ(std::get<long long>(var("pdmode")), 0);
    EXPECT_EQ(d().header_text("$PDMODE"), as_created) << "the header is as it was, tags and all";
}

TEST_F(SystemVariableTest, SetvarAndAnR12Drawing) {
    send("setvar\rpdmode\r3\r");
    EXPECT_EQ(std::get<long long>(var("pdmode")), 3);
    auto& r12 = host.add(drawing::Document::parse(
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  9\n$PDMODE\n 70\n     0\n  0\nENDSEC\n"
        "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n 70\n1\n  0\nLAYER\n  2\n0\n 70\n0\n 62\n7\n  6\n"
        "CONTINUOUS\n  0\nENDTAB\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n",
        "r12"));
    host.interpreter().send(r12, "pdmode\r35\rIMAGEFRAME\r0\r");
    EXPECT_EQ(r12.doc().header_text("$PDMODE").value_or(""), "35");
    EXPECT_EQ(std::get<long long>(get_system_variable(r12, host, "IMAGEFRAME")), 0)
        << "without a place in an R12 drawing the setting is kept for the session";
}

}  // namespace korvane::host::testing
