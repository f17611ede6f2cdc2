// Bad input: every kind is refused with an error naming the file and line, or repaired
// with a warning; nothing crashes, hangs, or loads half a drawing silently.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "drawing/audit.h"
#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/geometry.h"
#include "drawing/hatch.h"
#include "drawing/image.h"
#include "drawing/tables.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;
namespace fs = std::filesystem;

namespace {

// The error a text gets, or "" when it loads.
struct Refusal {
    bool refused = false;
    std::string file, message;
    size_t line = 0;
};

Refusal refusal(const std::string& text, const std::string& name = "bad.dxf") {
    Refusal r;
    try {
        Document::parse(text, name);
    } catch (const DxfError& e) {
        r.refused = true;
        r.file = e.file();
        r.line = e.line();
        r.message = e.what();
    }
    return r;
}

bool has_warning(const LoadReport& report, const std::string& part) {
    return std::any_of(report.warnings.begin(), report.warnings.end(),
                       [&](const std::string& w) { return w.find(part) != std::string::npos; });
}

std::string all(const LoadReport& report) {
    std::string s;
    for (const auto& w : report.warnings) s += w + "\n";
    return s;
}

// A damaged drawing loaded, and what the load said.
struct Loaded {
    Document doc;
    LoadReport report;
};

// Loads the text; each part of `warned` must be found in a warning.
Loaded load_warned(const std::string& text, std::initializer_list<const char*> warned) {
    Loaded l;
    l.doc = Document::parse(text, "t", &l.report);
    for (const char* part : warned) EXPECT_TRUE(has_warning(l.report, part)) << part << "\n" << all(l.report);
    return l;
}

// What was repaired stays repaired: written and read again, the drawing needs nothing more.
Document reload_clean(const Document& doc) {
    LoadReport again;
    Document reloaded = Document::parse(doc.to_dxf(), "t", &again);
    EXPECT_TRUE(again.warnings.empty()) << all(again);
    return reloaded;
}

std::string entities(const std::string& body) {
    return "  0\nSECTION\n  2\nENTITIES\n" + body + "  0\nENDSEC\n  0\nEOF\n";
}

}  // namespace

TEST(BadInput, RefusedWithFileLineAndReason) {
    struct Case {
        const char* what;
        std::string text;
        size_t line;
        const char* says;
    } cases[] = {
        {"empty file", "", 0, "文件是空的"},
        {"only blank lines", "\n\n  \n", 1, "这不是 DXF 文件（以空行开头）"},
        {"not a DXF", "Parcel list\n1;张三;12.5\n", 1, "这不是 DXF 文件"},
        {"numbers, but not a DXF", "12\n34\n", 1, "这不是 DXF 文件"},
        {"binary DXF", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "\x00\x00SECTION", 1, "二进制 DXF"},
        {"DWG", std::string("AC1018\0\0\0\0\0\0", 12), 1, "DWG 图形"},
        {"UTF-16", std::string("\xFF\xFE\x30\x00\x0A\x00", 6), 1, "UTF-16 文本"},
        {"group code not a number", entities("  0\nPOINT\n  8\n0\n1O\n1.0\n"), 9, "组码不是数字：\"1O\""},
        {"group code out of range", entities("  0\nPOINT\n5000\nx\n"), 7, "组码超出范围"},
        {"real that is not a number", entities("  0\nPOINT\n  8\n0\n 10\n1,5\n"), 10, "组 10 应为数字，却是\"1,5\""},
        {"integer that is not a number", entities("  0\nPOINT\n 62\nred\n"), 8, "组 62 应为数字"},
        {"integer beyond any range", entities("  0\nPOINT\n 62\n1e30\n"), 8, "组 62 应为数字"},
        {"empty number", entities("  0\nPOINT\n 40\n   \n"), 8, "组 40 应为数字"},
        {"truncated after a group code", "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10", 7, "缺少其值"},
        {"truncated inside a section", "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10\n1.5\n 20\n2.", 10,
         "文件在 ENTITIES 段（始于第 1 行）中结束"},
        {"empty line for a group code", entities("  0\nPOINT\n\n1.0\n"), 7, "应为组码处是空行"},
    };
    for (const Case& c : cases) {
        Refusal r = refusal(c.text, "dir/field 1.dxf");
        ASSERT_TRUE(r.refused) << c.what;
        EXPECT_EQ(r.file, "dir/field 1.dxf") << c.what;
        EXPECT_EQ(r.line, c.line) << c.what << ": " << r.message;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << c.what << ": " << r.message;
        if (c.line) {
            EXPECT_EQ(r.message.rfind("dir/field 1.dxf:" + std::to_string(c.line) + ": ", 0), 0u) << r.message;
        } else {
            EXPECT_EQ(r.message, "dir/field 1.dxf: 文件是空的");
        }
    }
}

TEST(BadInput, NumbersNoIntegerHoldsAreClampedAndHugeAnglesEndTheirArcs) {
    // A hatch whose clockwise arc edge ends 1e300 degrees back and that claims more loops than
    // an int holds; an image 1e300 pixels wide and -7 high.
    Document doc = Document::parse(
        entities("  0\nHATCH\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n  2\nSOLID\n 70\n1\n 71\n0\n 91\n9000000000\n"
                 " 92\n1\n 93\n1\n 72\n2\n 10\n0\n 20\n0\n 40\n1\n 50\n0\n 51\n-1e300\n 73\n1\n 97\n0\n"
                 "  0\nIMAGE\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n0\n 31\n0\n 12\n0\n 22\n1\n 32\n0\n"
                 " 13\n1e300\n 23\n-7\n"),
        "clamp.dxf");
    std::vector<RecordId> ids = doc.modelspace();
    ASSERT_EQ(ids.size(), 2u);
    auto hatch = read_hatch(doc, ids[0]);
    ASSERT_TRUE(hatch);
    ASSERT_EQ(hatch->loops.size(), 1u);
    EXPECT_LE(loop_outline(hatch->loops[0], 1e-3).size(), 4097u);
    EXPECT_TRUE(entity_bounds(doc, ids[0]));
    EXPECT_EQ(image_pixel_size(doc, ids[1]), (PixelSize{UINT32_MAX, 0}));
}

TEST(BadInput, InvalidBytesForTheCodePageNameTheLine) {
    std::string gbk_header = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1018\n  9\n$DWGCODEPAGE\n  3\nANSI_936\n  0\nENDSEC\n";
    // D5C5 is 张; B6 followed by 7F is no GBK character.
    Refusal r = refusal(gbk_header + entities("  0\nTEXT\n  1\n\xD5\xC5\xB6\x7F\n"));
    ASSERT_TRUE(r.refused);
    EXPECT_EQ(r.line, 22u) << r.message;
    EXPECT_NE(r.message.find("CP936"), std::string::npos) << r.message;
    EXPECT_FALSE(refusal(gbk_header + entities("  0\nTEXT\n  1\n\xD5\xC5\xC8\xFD\n")).refused);

    std::string utf8_header = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1024\n  0\nENDSEC\n";
    // GBK bytes in a drawing that must be UTF-8: refused, not shown as garbage.
    r = refusal(utf8_header + entities("  0\nTEXT\n  8\n0\n  1\n\xD5\xC5\xC8\xFD\n"));
    ASSERT_TRUE(r.refused);
    EXPECT_EQ(r.line, 20u) << r.message;
    EXPECT_NE(r.message.find("UTF-8"), std::string::npos) << r.message;
    // Extended data is checked like any other value.
    r = refusal(utf8_header + entities("  0\nPOINT\n1001\nSouth\n1000\nok\n1000\n\xE5\xAE\n"));
    ASSERT_TRUE(r.refused);
    EXPECT_EQ(r.line, 22u) << r.message;
}

TEST(BadInput, TheCommandLineExitsWithStatus2AndTheMessage) {
    TempDir dir;
    write_file(dir / "notes.dxf", "Parcel list\n1;张三\n");
    write_file(dir / "cut.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\n");
    std::string out;
    auto cli = [&](const std::string& command, const std::vector<fs::path>& files) {
        std::string line = std::string(KORVANE_CLI) + " " + command;
        for (const auto& f : files) line += " " + korvane::test::quote(f.string());
        int status = -1;
        out = korvane::test::run(line, &status);
        return status;
    };
    EXPECT_EQ(cli("convert", {dir / "notes.dxf", dir / "o.dxf"}), 2);
    EXPECT_NE(out.find("error: " + (dir / "notes.dxf").string() + ":1: 这不是 DXF 文件"), std::string::npos) << out;
    EXPECT_EQ(cli("info", {dir / "cut.dxf"}), 2);
    EXPECT_NE(out.find((dir / "cut.dxf").string() + ":7: "), std::string::npos) << out;
    EXPECT_EQ(cli("convert", {dir / "missing.dxf", dir / "o.dxf"}), 2);
    EXPECT_NE(out.find("missing.dxf"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(dir / "o.dxf")) << "nothing is written from a refused drawing";
}

TEST(Recovery, MissingEofAndTrashAfterEofAreWarnedAndRepaired) {
    std::string sound = r2010_text();
    EXPECT_EQ(load_warned(sound.substr(0, sound.size() - 8), {"没有 0/EOF"}).doc.to_dxf(), sound);
    EXPECT_EQ(load_warned(sound + "garbage written by a crashed program\n  0\nLINE\n", {"0/EOF 之后的数据已舍弃（从第"}).doc.to_dxf(),
              sound);
}

TEST(Recovery, MisplacedAndRepeatedSectionsAreMergedWithAWarning) {
    // A writer that ended the header early and then wrote each entity in a section of its own.
    Loaded l = load_warned("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
                           "  9\n$EXTMIN\n 10\n0.0\n 20\n0.0\n  0\nENDSEC\n"
                           "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n  0\nENDSEC\n"
                           "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  8\n0\n 10\n5\n 20\n5\n  0\nENDSEC\n  0\nEOF\n",
                           {"1 处头变量在 HEADER 段之外，已移入 HEADER 段（第 11 行）", "1 个重复的段（ENTITIES，第一个在第 37 行）"});
    EXPECT_EQ(l.doc.header_text("$EXTMIN"), "0.0");
    EXPECT_EQ(l.doc.modelspace().size(), 2u) << "the second section's entities are in model space";
    EXPECT_EQ(reload_clean(l.doc).modelspace().size(), 2u);
}

TEST(Recovery, ThousandsOfDamagedPlacesGiveOneWarningEach) {
    // A writer gone wrong the same way many times: each kind is counted, not listed.
    std::string text = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n";
    for (int i = 0; i < 5000; ++i)
        text += "  0\nSECTION\n  2\nENTITIES\n  0\nPOLYLINE\n  8\n0\n 66\n1\n  0\nVERTEX\n  8\n0\n 10\n" + std::to_string(i) +
                "\n 20\n0\n  0\nENDSEC\n  9\n$X" + std::to_string(i) + "\n 70\n1\n  0\nENDSEC\n";
    Loaded l = load_warned(text + "  0\nEOF\n", {"5000 个 POLYLINE 缺少 SEQEND", "5000 处头变量在 HEADER 段之外"});
    EXPECT_LE(l.report.warnings.size(), 6u) << all(l.report);
    EXPECT_EQ(l.doc.modelspace().size(), 5000u);
}

TEST(Recovery, PolylineWithoutSeqendGetsOneThatCadProgramsAccept) {
    Groups g = r2010_groups();
    auto seq = std::find(g.begin(), g.end(), std::pair<int, std::string>(0, "SEQEND"));
    g.erase(seq, seq + 5);  // the POLYLINE's SEQEND with its handle, owner, marker and layer
    Loaded l = load_warned(dxf_text(g), {"1 个 POLYLINE 缺少 SEQEND，已补上"});
    RecordId seqend = l.doc.record(l.doc.find_handle("41")).followers.back();
    ASSERT_EQ(l.doc.type(seqend), "SEQEND");
    Entity s(l.doc, seqend);
    EXPECT_NE(s.handle(), 0u);
    EXPECT_EQ(s.text_of(330), "41");
    EXPECT_EQ(s.text_of(100), "AcDbEntity");
    reload_clean(l.doc);
}

// ------------------------------------------------------------------- structure checks

TEST(Audit, HandlesThatAreMissingDuplicatedOrEmptyAreReplaced) {
    Groups g = replaced(replaced(r2010_groups(), 5, "43", "42"), 5, "4B", "");  // a vertex with its neighbour's handle; an empty one
    g.erase(std::find(g.begin(), g.end(), std::pair<int, std::string>(5, "49")));  // TEXT without a handle
    Loaded l = load_warned(dxf_text(g), {"1 个记录的句柄已被占用，已换新句柄：VERTEX 42 -> 100",
                                         "1 个记录的句柄为空或无效，已换新句柄：LINE -> 101", "1 个记录没有句柄，已给新句柄：TEXT 102（第"});
    EXPECT_NE(reload_clean(l.doc).to_dxf().find("$HANDSEED\n  5\n103\n"), std::string::npos) << "the seed stays above every handle";
}

TEST(Audit, OwnersThatDoNotExistAreRepaired) {
    Groups g = r2010_groups();
    // The LINE names a block record that is not there; the ATTRIB's owner is gone too.
    for (size_t i = 0; i + 1 < g.size(); ++i) {
        if (g[i] == std::pair<int, std::string>(5, "4B")) g[i + 1].second = "DEAD";
        if (g[i] == std::pair<int, std::string>(5, "47")) g.erase(g.begin() + long(i) + 1);
    }
    Loaded l = load_warned(dxf_text(g), {"2 个记录的所有者不存在（或没有）"});
    EXPECT_EQ(Entity(l.doc, l.doc.find_handle("4B")).text_of(330), "1F");
    EXPECT_EQ(Entity(l.doc, l.doc.find_handle("47")).text_of(330), "46") << "a follower belongs to its INSERT";
    EXPECT_EQ(l.doc.record(l.doc.find_handle("47")).tags[2].code, 330) << "the owner stands right after the handle";
}

TEST(Audit, TableEntriesWithoutTheirTableGetItBack) {
    Groups g = r2010_groups();
    auto head = std::find(g.begin(), g.end(), std::pair<int, std::string>(2, "BLOCK_RECORD"));
    g.erase(head - 1, head + 5);  // (0 TABLE)(2 BLOCK_RECORD)(5 1)(330 0)(100 ...)(70 3)
    Loaded l = load_warned(dxf_text(g), {"1 个表有表项却没有 TABLE 头，已补上：BLOCK_RECORD"});
    EXPECT_EQ(table_entries(l.doc, "BLOCK_RECORD").size(), 3u);
    RecordId table = l.doc.find_handle("1");
    ASSERT_NE(table, kNoRecord) << "the head takes the handle its entries name as owner";
    EXPECT_EQ(l.doc.type(table), "TABLE");
    EXPECT_EQ(l.doc.modelspace_owner(), 0x1Fu);
}

TEST(Audit, BlockDefinitionsWithoutNameOrBlockRecord) {
    Groups g = r2010_groups();
    Groups broken = {
        // unnamed and empty: nothing can use it
        {0, "BLOCK"}, {5, "60"}, {330, "61"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockBegin"}, {70, "0"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {1, ""},
        {0, "ENDBLK"}, {5, "62"}, {330, "61"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"},
        // named, with an entity, but its block record is missing
        {0, "BLOCK"}, {5, "63"}, {330, "64"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockBegin"},
        {2, "界址点"}, {70, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, "界址点"}, {1, ""},
        {0, "POINT"}, {5, "65"}, {330, "64"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbPoint"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"},
        {0, "ENDBLK"}, {5, "66"}, {330, "64"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"},
    };
    g.insert(std::find(g.begin(), g.end(), std::pair<int, std::string>(2, "ENTITIES")) - 2, broken.begin(), broken.end());
    Loaded l = load_warned(dxf_text(g), {"1 个无名且无实体的块定义已删除：BLOCK 60", "1 个块定义没有块记录，已补上：\"界址点\""});
    RecordId record = l.doc.find_handle("64");
    ASSERT_NE(record, kNoRecord) << "the new record takes the handle the block's entities name";
    EXPECT_EQ(l.doc.type(record), "BLOCK_RECORD");
    EXPECT_EQ(entry_name(l.doc, record), "界址点");
    EXPECT_EQ(l.doc.find_handle("60"), kNoRecord);
    EXPECT_EQ(reload_clean(l.doc).to_dxf().find("\n  5\n60\n"), std::string::npos);
}

TEST(Audit, BrokenLayoutLinksAreRestoredFromTheOtherSide) {
    Groups g = r2010_groups();
    // The model layout names a block record that does not exist; paper space's record lost its layout.
    for (size_t i = 0; i + 1 < g.size(); ++i)
        if (g[i] == std::pair<int, std::string>(1, "Model")) g[i + 3].second = "FFFA";
    Loaded l = load_warned(dxf_text(replaced(g, 340, "26", "FFFB")),
                           {"1 个布局指向不存在的块记录，已重新连到自己的块记录：LAYOUT 22（第",
                            "1 个块记录与其布局的链接已断，已恢复：\"*Paper_Space\""});
    EXPECT_EQ(l.doc.to_dxf(), r2010_text()) << "both links are as they were before they broke";
}

TEST(Audit, UnregisteredApplicationsAreRegisteredAndMissingStylesReported) {
    Loaded l = load_warned(dxf_text(replaced(r2010_groups(), 1001, "ACAD", "Survey_Tool")), {"不在 APPID 表中，已注册：Survey_Tool"});
    RecordId app = find_table_entry(l.doc, "APPID", "SURVEY_TOOL");
    ASSERT_NE(app, kNoRecord);
    EXPECT_EQ(entry_name(l.doc, app), "Survey_Tool") << "registered as the data spells it";
    load_warned(dxf_text(replaced(r2010_groups(), 7, "Standard", "ROMANS")), {"STYLE 表中没有的文字样式（使用次数）：ROMANS (2)"});
}

// ------------------------------------------------------------------------ fuzzing

namespace {

// Loads a damaged text. Whatever loads must be usable, written, and load again from what was
// written without anything left to repair.
void survive(const std::string& text, const char* how, size_t at) {
    LoadReport report;
    std::string out;
    try {
        Document doc = Document::parse(text, "fuzz", &report);
        for (RecordId id : doc.modelspace()) {
            Entity e(doc, id);
            (void)e.layer();
            (void)e.color();
            (void)e.xdata();
            (void)e.text();
            (void)e.vertices();
            (void)e.bulges();
            (void)e.closed();
            (void)e.point(10);
        }
        (void)layers(doc);
        out = doc.to_dxf();
    } catch (const DxfError&) {
        return;
    }
    LoadReport again;
    Document doc2 = Document::parse(out, "fuzz", &again);
    std::string out2 = doc2.to_dxf();
    if (out2 != out) {
        // Where the two differ, with a few lines around.
        size_t d = 0;
        while (d < out.size() && d < out2.size() && out[d] == out2[d]) ++d;
        size_t from = d;
        for (int n = 0; n < 8 && from > 0; --from)
            if (out[from - 1] == '\n') ++n;
        ADD_FAILURE() << how << " at " << at << ": the written drawing changes when read again\n"
                      << "written:\n" << out.substr(from, d - from + 80) << "\nrewritten:\n" << out2.substr(from, d - from + 80)
                      << "\nwarnings:\n" << all(report) << "again:\n" << all(again);
    }
}

// Truncates the drawing at many lines and damages it in many ways.
void damage(const std::string& base, unsigned seed, int rounds) {
    std::vector<size_t> line_starts;
    for (size_t i = 0; i < base.size(); ++i)
        if (i == 0 || base[i - 1] == '\n') line_starts.push_back(i);
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };

    size_t step = std::max<size_t>(1, line_starts.size() / size_t(rounds));
    for (size_t k = 0; k < line_starts.size(); k += step) {
        survive(base.substr(0, line_starts[k]), "cut at line", k);  // truncated at a line
        survive(base.substr(0, line_starts[k] + 1), "cut inside line", k);
    }
    const char bytes[] = {'0', '9', ' ', '\n', '\r', '-', '.', 'x', '\xB6', '\xFF', '\0', '{'};
    for (int k = 0; k < rounds * 2; ++k) {
        std::string t = base;
        size_t at = pick(t.size());
        t[at] = bytes[pick(sizeof bytes)];
        survive(t, "byte replaced", at);
    }
    for (int k = 0; k < rounds; ++k) {
        // Whole lines dropped or repeated: groups lose their values, records their heads.
        std::string t = base;
        size_t line = pick(line_starts.size() - 1);
        size_t b = line_starts[line], e = line_starts[line + 1];
        if (k % 2) t.erase(b, e - b);
        else t.insert(b, base.substr(b, e - b));
        survive(t, k % 2 ? "line dropped" : "line repeated", line);
    }
    for (int k = 0; k < rounds; ++k) {
        // Records moved: followers without owners, entities in the wrong section.
        std::string t = base;
        size_t a = pick(line_starts.size() - 1), b = pick(line_starts.size() - 1);
        if (a > b) std::swap(a, b);
        size_t e = std::min(b + 8, line_starts.size() - 1);
        std::string moved = base.substr(line_starts[b], line_starts[e] - line_starts[b]);
        t.erase(line_starts[b], line_starts[e] - line_starts[b]);
        t.insert(line_starts[a], moved);
        survive(t, "lines moved", a);
    }
}

}  // namespace

TEST(Fuzz, DamagedDrawingsNeverCrashOrHang) {
    damage(r2010_text(), 20240601, 300);
    damage(dxf_text(replaced(r2010_groups(), 1, "AC1024", "AC1009")), 7, 100);  // read as R12
}

TEST(Fuzz, DamagedCorpusDrawingsNeverCrashOrHang) {
    fs::path dir = fs::path(KORVANE_CORPUS_DIR);
    if (!fs::is_directory(dir)) GTEST_SKIP() << "corpus folder missing: " << dir;
    unsigned seed = 1;
    for (const char* name : {"various/small_r14.dxf", "various/text_alignments.dxf", "malformed/layout_broken_links.dxf"}) {
        fs::path file = dir / name;
        if (!fs::exists(file)) continue;
        SCOPED_TRACE(name);
        damage(read_file(file), seed++, 120);
    }
}
