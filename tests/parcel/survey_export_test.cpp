// 输出调查表: the corner walk and the numbering rules, then the command over the embedded host for
// what the end-to-end scenario (survey_village.scn, read back with ezdxf and openpyxl) does not
// meet: sequence numbering, rows past the main sheet, a duplicate mark, a second export, refusals.
#include "parcel/survey_export.h"

#include <cmath>
#include <fstream>

#include "common/file_io.h"
#include "common/text.h"
#include "parcel/boundary_numbering.h"
#include "survey_fixture.h"

namespace korvane::parcel {
namespace {

namespace fs = std::filesystem;

constexpr double X0 = 548000, Y0 = 2543000;

TEST(CornerWalk, OrientationAndStartCorner) {
    const std::vector<Corner> ccw = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const std::vector<Corner> cw = {{10, 0}, {0, 0}, {0, 10}, {10, 10}};
    EXPECT_LT(orientation_sum(ccw), 0);
    EXPECT_GT(orientation_sum(cw), 0);
    const std::vector<Corner> from_nw = {{0, 10}, {0, 0}, {10, 0}, {10, 10}};
    EXPECT_EQ(walking_order(ccw), from_nw);
    EXPECT_EQ(walking_order(cw), from_nw);
    // No corner strictly north-west of the box centre: the first corner after the orientation.
    EXPECT_EQ(walking_order({{0, 0}, {10, 0}, {10, 10}}), (std::vector<Corner>{{0, 0}, {10, 0}, {10, 10}}));
    EXPECT_EQ(walking_order({{0, 0}, {10, 10}, {10, 0}}), (std::vector<Corner>{{10, 0}, {10, 10}, {0, 0}}));
    // A corner on the centre's meridian is not west of it.
    EXPECT_EQ(walking_order({{5, 0}, {10, 5}, {5, 10}, {0, 5}}).front(), (Corner{5, 0}));
    // No area (orientation sum exactly 0): the drawn order stays, the start rule still applies.
    const std::vector<Corner> flat = {{10, 0}, {0, 0}, {5, 0}};
    EXPECT_EQ(orientation_sum(flat), 0);
    EXPECT_EQ(walking_order(flat), flat);
    EXPECT_TRUE(walking_order({}).empty());
}

TEST(CornerWalk, RingNumbersAndRows) {
    auto ring = search_ring({100, 200});
    ASSERT_EQ(ring.size(), 36u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_NEAR(std::hypot(ring[3 * i] - 100, ring[3 * i + 1] - 200), 0.1, 1e-9);
        EXPECT_EQ(ring[3 * i + 2], 0);
    }
    EXPECT_NEAR(ring[0], 100.1, 1e-9);         // 0°
    EXPECT_NEAR(ring[3 * 3 + 1], 200.1, 1e-9);  // 90°
    EXPECT_EQ(point_number(1, 1, 1), "A1");
    EXPECT_EQ(point_number(1, 2, 12), "B12");
    EXPECT_EQ(point_number(2, 24, 3), "24_3");
    // The rows up to 附表3!41 are RowsContinueOnTheFollowingSheets' (openpyxl); the last sheet goes on.
    EXPECT_EQ(std::string(sheet_row(200).sheet) + "!" + std::to_string(sheet_row(200).row), "附表3!76");
}

TEST(SurveyNames, FileNamesAndNote) {
    EXPECT_TRUE(valid_file_name("上村第一村民小组"));
    EXPECT_TRUE(valid_file_name("张三 李四"));
    for (const char* bad : {"", ".", "..", "甲/乙", "a\\b", "c:d", "e*", "f?", "\"g\"", "<h>", "i|j", "k.", "l ", "m\tn"})
        EXPECT_FALSE(valid_file_name(bad)) << bad;
    EXPECT_FALSE(valid_file_name(std::string(251, 'a')));  // the note of several parcels: survey_village
}

class SurveyExport : public testing::SurveyFixture {
protected:
    fs::path list_file() { return dir / "data" / "界址点坐标成果.INI"; }
    fs::path workbook(const std::string& holder = "上村第一村民小组") { return dir / "out" / (holder + ".xlsx"); }
    std::string list_bytes() { return fs::exists(list_file()) ? common::read_file_bytes(list_file()) : "(none)"; }
    static std::string gbk_lines(const std::vector<std::string>& lines) {
        std::string out;
        for (const auto& l : lines) out += common::utf8_to_gbk(l) + "\r\n";
        return out;
    }
    SurveyResult run(const std::vector<std::string>& selected, std::optional<long> mode = 1) {
        select(selected);
        if (mode) integer(*mode);
        SurveyResult r = survey_export(session);
        EXPECT_FALSE(input.failed()) << input.failure();
        EXPECT_EQ(input.pending(), 0u);
        return r;
    }
    // Label text -> its position.
    std::map<std::string, std::pair<double, double>> labels() {
        std::map<std::string, std::pair<double, double>> out;
        for (auto& t : of_type("TEXT")) {
            EXPECT_EQ(t.real(40), 5.0);
            out[t.text_of(1).value_or("")] = {t.point(10)->x, t.point(10)->y};
        }
        return out;
    }
    long pdmode() {
        host::Value v = doc()->GetVariable("pdmode");
        if (auto n = std::get_if<long long>(&v)) return long(*n);
        if (auto d = std::get_if<double>(&v)) return long(*d);
        return -1;
    }
    // A square of 20 with marks described by where they are.
    std::string marked_square(double x, double y, const std::string& holder, const std::string& number) {
        mark(x, y + 20, "沟渠,中");
        mark(x, y, "田埂,中");
        mark(x + 20, y, "道路,中");
        mark(x + 20, y + 20, "围墙,外");
        return square(x, y, 20, holder, number);
    }
};

// An outline that repeats its first vertex at the end passes that corner twice; its mark is
// numbered once.
TEST_F(SurveyExport, RepeatedClosingVertexNumbersItsMarkOnce) {
    mark(X0, Y0, "田埂,中");
    mark(X0 + 20, Y0 + 20, "围墙,外");
    std::string p = polyline({{X0, Y0}, {X0 + 20, Y0}, {X0 + 20, Y0 + 20}, {X0, Y0 + 20}, {X0, Y0}}, "上村第一村民小组",
                             "000123");
    SurveyResult r = run({p});
    EXPECT_EQ(r.outcome, SurveyOutcome::Saved);
    EXPECT_EQ(list_bytes(), gbk_lines({"1,2543000,548000,田埂,中", "2,2543020,548020,围墙,外"}));
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(SurveyExport, TwoParcelsInSequenceMode) {
    std::string a = marked_square(X0, Y0, "上村第一村民小组", "000123");
    std::string b = marked_square(X0 + 100, Y0, "上村第二村民小组", "000124");
    run({a, b}, 2);
    EXPECT_EQ(ui.shown_files(), std::vector<std::string>{workbook().string()});
    auto l = labels();
    EXPECT_EQ(l.size(), 8u);
    EXPECT_TRUE(l.count("1_1") && l.count("1_4") && l.count("2_1") && l.count("2_4"));
    EXPECT_EQ(cells(workbook())["主表!C13"], "s:2_4");
}

// Fewer than 24 parcels: the mode is asked; no answer means letters.
TEST_F(SurveyExport, NoAnswerMeansLetters) {
    std::string a = marked_square(X0, Y0, "上村第一村民小组", "000123");
    select({a});
    input.push(host::InputAnswer::enter());
    survey_export(session);
    EXPECT_TRUE(labels().count("A1"));
}

TEST_F(SurveyExport, TwentyFourParcelsAreNumberedInSequenceWithoutAsking) {
    std::vector<std::string> parcels;
    for (int i = 0; i < 24; ++i) parcels.push_back(square(X0 + 50 * i, Y0, 20, "上村第一村民小组", "0001" + std::to_string(10 + i)));
    mark(X0 + 50 * 23, Y0 + 20);
    SurveyResult r = run(parcels, std::nullopt);
    EXPECT_FALSE(line_shown(kModePrompt));
    EXPECT_EQ(r.parcels, 24);
    EXPECT_EQ(labels().count("24_1"), 1u);
    auto c = cells(workbook());
    EXPECT_EQ(c["主表!A6"], "s:000133");  // the last parcel's number, its row being the first numbered
    EXPECT_EQ(c["主表!C6"], "s:24_1");
}

// 40 parcels of 4 points: the rows run through "主表" (6..39), "附表1" and "附表2" (4..47) to "附表3".
TEST_F(SurveyExport, RowsContinueOnTheFollowingSheets) {
    std::vector<std::string> parcels;
    for (int i = 0; i < 40; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "%06d", 100 + i);
        parcels.push_back(marked_square(X0 + 50 * i, Y0, "上村第一村民小组", number));
    }
    SurveyResult r = run(parcels, std::nullopt);
    EXPECT_EQ(r.points, 160);
    auto c = cells(workbook());
    EXPECT_EQ(c["主表!C39"], "s:9_2");
    EXPECT_EQ(c["主表!A38"], "s:000108");
    EXPECT_EQ(c["附表1!C4"], "s:9_3");
    EXPECT_EQ(c["附表1!A6"], "s:000109");
    EXPECT_EQ(c["附表1!C47"], "s:20_2");
    EXPECT_EQ(c["附表2!C4"], "s:20_3");
    EXPECT_EQ(c["附表2!C47"], "s:31_2");
    EXPECT_EQ(c["附表3!C4"], "s:31_3");
    EXPECT_EQ(c["附表3!C41"], "s:40_4");
    EXPECT_EQ(c["附表3!E41"], "n:2543020");
    EXPECT_EQ(c.count("附表3!C42"), 0u);
    EXPECT_EQ(c.count("主表!C40"), 0u);
}

// Two marks at one corner stop the export there: earlier corners and parcels stay numbered and
// listed, no workbook is saved, the point display comes back.
TEST_F(SurveyExport, DuplicateMarkStops) {
    std::string a = marked_square(X0, Y0, "上村第一村民小组", "000123");
    std::string b = marked_square(X0 + 100, Y0, "上村第二村民小组", "000124");
    mark(X0 + 120.05, Y0, "多余,点");  // beside b's third corner in walking order
    SurveyResult r = run({a, b});
    EXPECT_EQ(r.outcome, SurveyOutcome::DuplicateMark);
    EXPECT_EQ(ui.messages(), std::vector<std::string>{"[提示] 有重复点，程序中断！ {critical}"});
    auto l = labels();
    EXPECT_EQ(l.size(), 6u);
    EXPECT_EQ(l.at("B2"), (std::pair<double, double>{X0 + 100, Y0}));
    size_t unnumbered = 0;
    for (auto& m : of_type("POINT")) unnumbered += m.layer() == "今后界址点";
    EXPECT_EQ(unnumbered, 3u);
    EXPECT_EQ(list_bytes(), gbk_lines({"1,2543020,548000,沟渠,中", "2,2543000,548000,田埂,中",
                                       "3,2543000,548020,道路,中", "4,2543020,548020,围墙,外",
                                       "1,2543020,548100,沟渠,中", "2,2543000,548100,田埂,中"}));
    EXPECT_FALSE(fs::exists(workbook()));
    EXPECT_TRUE(ui.shown_files().empty());
    EXPECT_EQ(pdmode(), 32);
}

// A mark the drawing refuses (its record would hold a text of more than 255 bytes: the parcel's
// ownership code with "-1") stops the export with the host's reason: no workbook, nothing listed.
TEST_F(SurveyExport, RefusedMarkStops) {
    mark(X0, Y0 + 20, "沟渠,中");
    std::string a = polyline({{X0, Y0}, {X0 + 20, Y0}, {X0 + 20, Y0 + 20}, {X0, Y0 + 20}}, "上村第一村民小组",
                             "000123", std::string(254, '4'));
    SurveyResult r = run({a});
    EXPECT_EQ(r.outcome, SurveyOutcome::DrawingFailed);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_NE(ui.messages()[0].find("界址点 A1 没有写入图形："), std::string::npos) << ui.messages()[0];
    EXPECT_NE(ui.messages()[0].find("longer than 255 bytes"), std::string::npos) << ui.messages()[0];
    EXPECT_EQ(list_bytes(), "");
    EXPECT_FALSE(fs::exists(workbook()));
    EXPECT_EQ(pdmode(), 32);
}

// A second export of the same parcel finds no unnumbered marks: nothing numbered or listed.
TEST_F(SurveyExport, SecondExportListsNothing) {
    std::string a = marked_square(X0, Y0, "上村第一村民小组", "000123");
    run({a});
    run({a});
    EXPECT_EQ(labels().size(), 4u);
    EXPECT_EQ(of_type("CIRCLE").size(), 4u);
    EXPECT_EQ(list_bytes(), "");
    auto c = cells(workbook());
    EXPECT_EQ(c["主表!A6"], "s:000123");
    EXPECT_EQ(c.count("主表!C6"), 0u);
}

// Refusals before anything is numbered; each leaves the marks as they were and the points shown.
TEST_F(SurveyExport, RefusalsChangeNothing) {
    std::string a = marked_square(X0, Y0, "上村第一村民小组", "000123");
    std::string bad = marked_square(X0 + 100, Y0, "甲/乙", "000124");
    const fs::path tpl = dir / "data" / "集体土地权属调查表.xlsx";
    auto nothing_numbered = [&] {
        EXPECT_TRUE(of_type("TEXT").empty());
        EXPECT_FALSE(fs::exists(list_file()));
        EXPECT_EQ(pdmode(), 32);
    };

    run({a}, 3);
    EXPECT_TRUE(line_shown("-----非法输入-----."));
    nothing_numbered();

    run({bad});
    EXPECT_TRUE(ui.message_contains("权利人“甲/乙”不能用作调查表的文件名"));
    nothing_numbered();

    for (const char* lock : {"~$集体土地权属调查表.xlsx", ".~lock.集体土地权属调查表.xlsx#"}) {
        std::ofstream(dir / "data" / lock) << "x";
        run({a});
        EXPECT_EQ(ui.messages().back(), "[友情提示] 文件已打开！请不要重复打开。");
        fs::remove(dir / "data" / lock);
        nothing_numbered();
    }

    fs::remove(tpl);
    run({a});
    EXPECT_EQ(ui.messages().back(), "[友情提示] " + tpl.string() + "未找到！");
    nothing_numbered();

    std::ofstream(tpl) << "not a workbook";
    run({a});
    EXPECT_NE(ui.messages().back().find("调查表模板无法使用"), std::string::npos);
    nothing_numbered();
    EXPECT_TRUE(ui.shown_files().empty());
}

}  // namespace
}  // namespace korvane::parcel
