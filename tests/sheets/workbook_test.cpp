// The workbook layer against an independent reader: every workbook written here is read back
// with openpyxl (workbook_facts.py), and everything but the written cells must be as it was.
#include "sheets/workbook.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "../common/shell.h"
#include "../common/temp_dir.h"

namespace korvane::sheets {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = KORVANE_SOURCE_DIR;
const fs::path kTemplate = kSource / "data" / "集体土地权属调查表.xlsx";

using Fact = std::vector<std::string>;

std::vector<Fact> run_facts(const std::string& mode, const fs::path& file) {
    std::string cmd = test::python_command("tests/sheets/workbook_facts.py", {mode, file.string()});
    int status = 0;
    std::string out = test::run(cmd, &status);
    if (status != 0) throw std::runtime_error(cmd + " failed:\n" + out);
    std::vector<Fact> facts;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        Fact f;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) f.push_back(field);
        facts.push_back(f);
    }
    return facts;
}

// Value facts keyed "SHEET!CELL" -> {type, value}.
std::map<std::string, std::pair<std::string, std::string>> values(const std::vector<Fact>& facts) {
    std::map<std::string, std::pair<std::string, std::string>> out;
    for (const Fact& f : facts)
        if (f.size() == 5 && f[0] == "value") out[f[1] + "!" + f[2]] = {f[3], f[4]};
    return out;
}

// Everything but the values: styles, merges, layout.
std::set<Fact> layout(const std::vector<Fact>& facts) {
    std::set<Fact> out;
    for (const Fact& f : facts)
        if (!f.empty() && f[0] != "value") out.insert(f);
    return out;
}

std::vector<std::string> of_kind(const std::vector<Fact>& facts, const std::string& kind) {
    std::vector<std::string> out;
    for (const Fact& f : facts)
        if (f.size() >= 2 && f[0] == kind) out.push_back(f.size() > 2 ? f[1] + " " + f[2] : f[1]);
    return out;
}

bool has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

TEST(CellReference, LettersAndRows) {
    EXPECT_EQ(parse_cell("H2"), (CellRef{2, 8}));
    EXPECT_EQ(parse_cell("u21"), (CellRef{21, 21}));
    EXPECT_EQ(parse_cell("$AB$10"), (CellRef{10, 28}));
    EXPECT_EQ(parse_cell("XFD1048576"), (CellRef{1048576, 16384}));
    EXPECT_EQ(column_letters(26), "Z");
    EXPECT_EQ(column_letters(27), "AA");
    EXPECT_EQ(column_letters(702), "ZZ");
    EXPECT_EQ(column_letters(703), "AAA");
    EXPECT_EQ(cell_name({47, 11}), "K47");
    for (const char* bad : {"", "A", "12", "A0", "1A", "A1B", "A-1", "A+1", "XFE1", "A1048577", "Ä1"})
        EXPECT_THROW(parse_cell(bad), WorkbookError) << bad;
}

// The shipped template filled as the survey-table export fills it: the written cells read back
// with their types, and every style, merge, width, height and print setting is the template's.
TEST(WorkbookTemplate, FilledCellsReadBackAndTheLayoutStays) {
    test::TempDir dir;
    Workbook wb = Workbook::open(kTemplate);
    EXPECT_EQ(wb.sheet_names(), (std::vector<std::string>{"主表", "附表1", "附表2", "附表3"}));
    wb.set_text("主表", "H2", "上村第一村民小组");
    wb.set_text("主表", "M3", "000123等");
    wb.set_text("主表", "U21", "共有2个地块，宗地号分别为：000123、000124。");
    wb.set_text("主表", "A6", "000123");
    wb.set_text("主表", "C6", "A1");
    wb.set_number("主表", "E6", 2543210.25);
    wb.set_number("主表", "G6", 548900.5);
    wb.set_text("主表", "I6", "沟渠");
    wb.set_text("主表", "K6", "中");
    wb.set_text("附表1", "C4", "A35");
    wb.set_number("附表3", "E47", 0.1);
    // Beyond the template's rows, and written out of order within a row.
    wb.set_text("附表3", "K60", "外");
    wb.set_text("附表3", "C60", "D9");
    wb.save_as(dir / "out.xlsx");

    auto before = run_facts("dump", kTemplate);
    auto after = run_facts("dump", dir / "out.xlsx");
    EXPECT_EQ(layout(before), layout(after));

    auto expected = values(before);
    expected["主表!H2"] = {"s", "上村第一村民小组"};
    expected["主表!M3"] = {"s", "000123等"};
    expected["主表!U21"] = {"s", "共有2个地块，宗地号分别为：000123、000124。"};
    expected["主表!A6"] = {"s", "000123"};
    expected["主表!C6"] = {"s", "A1"};
    expected["主表!E6"] = {"n", "2543210.25"};
    expected["主表!G6"] = {"n", "548900.5"};
    expected["主表!I6"] = {"s", "沟渠"};
    expected["主表!K6"] = {"s", "中"};
    expected["附表1!C4"] = {"s", "A35"};
    expected["附表3!E47"] = {"n", "0.1"};
    expected["附表3!C60"] = {"s", "D9"};
    expected["附表3!K60"] = {"s", "外"};
    EXPECT_EQ(values(after), expected);

    auto pkg = run_facts("package", dir / "out.xlsx");
    EXPECT_EQ(of_kind(pkg, "part"), of_kind(run_facts("package", kTemplate), "part"));
    EXPECT_EQ(of_kind(pkg, "ordered").size(), 4u);
}

// A workbook as other producers write it: prefixed main namespace, absolute relationship
// targets, shared strings, rows and cells without numbers, formulas with cached results and a
// calculation chain.
TEST(WorkbookForeign, SharedStringsFormulasAndImpliedPositions) {
    test::TempDir dir;
    run_facts("foreign", dir / "in.xlsx");
    Workbook wb = Workbook::open(dir / "in.xlsx");
    EXPECT_EQ(wb.sheet_names(), (std::vector<std::string>{"数据"}));
    wb.set_text("数据", "C1", "新值");      // was a shared string
    wb.set_number("数据", "B2", 10);        // was a formula
    wb.set_text("数据", "B3", "三");        // a cell known only by its place
    wb.set_text("数据", "D1", "宽");        // beyond the row's spans and the dimension
    wb.set_text("数据", "A5", "并");        // a new row after the unnumbered one
    wb.set_text("数据", "A4", "");          // an empty text makes no value
    wb.save_as(dir / "out.xlsx");

    auto facts = run_facts("dump", dir / "out.xlsx");
    std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"数据!A1", {"s", "标题"}}, {"数据!C1", {"s", "新值"}}, {"数据!D1", {"s", "宽"}},
        {"数据!A2", {"n", "1.5"}},  {"数据!B2", {"n", "10"}},   {"数据!C2", {"f", "=B2+1"}},
        {"数据!A3", {"n", "7"}},    {"数据!B3", {"s", "三"}},   {"数据!A5", {"s", "并"}},
    };
    EXPECT_EQ(values(facts), expected);
    auto styles = of_kind(facts, "style");
    // The written cells keep their styles: C1 the bold heading, B2 and B3 the framed 0.000 cells.
    auto style_of = [&](const std::string& cell) {
        for (const Fact& f : facts)
            if (f[0] == "style" && f[2] == cell) return f[3];
        return std::string("-");
    };
    EXPECT_EQ(style_of("C1"), style_of("A1"));
    EXPECT_NE(style_of("C1").find("font=宋体,14.0,1"), std::string::npos) << style_of("C1");
    EXPECT_NE(style_of("B2").find("fmt=0.000"), std::string::npos) << style_of("B2");
    EXPECT_EQ(style_of("B3"), style_of("B2"));
    EXPECT_TRUE(has(of_kind(facts, "merge"), "数据 A5:B5"));

    auto pkg = run_facts("package", dir / "out.xlsx");
    auto parts = of_kind(pkg, "part");
    EXPECT_FALSE(has(parts, "xl/calcChain.xml"));
    EXPECT_TRUE(has(parts, "xl/sharedStrings.xml"));
    EXPECT_FALSE(has(of_kind(pkg, "override"), "/xl/calcChain.xml"));
    EXPECT_FALSE(has(of_kind(pkg, "relationship"), "calcChain.xml"));
    EXPECT_TRUE(has(of_kind(pkg, "calcPr"), "fullCalcOnLoad=\"1\""));
    EXPECT_TRUE(has(of_kind(pkg, "cached"), "xl/worksheets/data.xml 0"));  // no stale result of C2 left
}

// Texts stay texts, exactly. A control character, which XML cannot hold, goes in as the
// package's _xHHHH_ escape, and a text that looks like such an escape is itself escaped so that
// spreadsheet programs show it as typed; openpyxl shows both escapes undecoded.
TEST(WorkbookText, KeptExactlyAsText) {
    test::TempDir dir;
    const std::vector<std::string> texts = {"000123", "  两端空格  ", "行一\n行二", "a\x01z", "_x0041_", "<&>\"'",
                                            "0.50", "1E3"};
    const std::map<std::string, std::string> escaped = {{"a\x01z", "a_x0001_z"}, {"_x0041_", "_x005F_x0041_"}};
    Workbook wb = Workbook::open(kTemplate);
    for (size_t i = 0; i < texts.size(); ++i) wb.set_text("附表2", CellRef{int(4 + i), 1}, texts[i]);
    wb.save_as(dir / "out.xlsx");
    auto got = values(run_facts("dump", dir / "out.xlsx"));
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string shown;
        for (char c : texts[i]) shown += c == '\n' ? std::string("\\n") : std::string(1, c);
        if (escaped.count(texts[i])) shown = escaped.at(texts[i]);
        auto it = got.find("附表2!A" + std::to_string(4 + i));
        ASSERT_NE(it, got.end()) << texts[i];
        EXPECT_EQ(it->second.first, "s") << texts[i];
        EXPECT_EQ(it->second.second, shown);
    }
}

TEST(WorkbookErrors, SayWhatIsWrong) {
    test::TempDir dir;
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const WorkbookError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    std::string missing = message([&] { Workbook::open(dir / "无.xlsx"); });
    EXPECT_NE(missing.find("无.xlsx"), std::string::npos) << missing;

    std::ofstream(dir / "text.xlsx") << "not a package";
    EXPECT_NE(message([&] { Workbook::open(dir / "text.xlsx"); }).find("not a workbook package"), std::string::npos);

    Workbook wb = Workbook::open(kTemplate);
    std::string sheet = message([&] { wb.set_text("附表4", "A1", "x"); });
    EXPECT_NE(sheet.find("no sheet \"附表4\""), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("\"附表3\""), std::string::npos) << sheet;
    EXPECT_THROW(wb.set_text("主表", "A0", "x"), WorkbookError);
    EXPECT_THROW(wb.set_number("主表", "E6", std::nan("")), WorkbookError);

    std::string folder = message([&] { wb.save_as(dir / "没有的目录" / "a.xlsx"); });
    EXPECT_NE(folder.find("cannot save workbook"), std::string::npos) << folder;
    EXPECT_FALSE(fs::exists(dir / "没有的目录"));

    // A save over an existing workbook replaces it whole.
    std::ofstream(dir / "old.xlsx") << "old";
    wb.save_as(dir / "old.xlsx");
    EXPECT_EQ(Workbook::open(dir / "old.xlsx").sheet_names().size(), 4u);
}

}  // namespace
}  // namespace korvane::sheets
