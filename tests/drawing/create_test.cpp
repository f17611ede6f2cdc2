// New drawings and entity creation, checked by an independent reader (ezdxf): what Korvane
// writes must load without audit errors, keep handles unique under $HANDSEED, give every
// entity and follower its owner, and carry the coordinates, layers, colours and Chinese
// text that were asked for — in new drawings and in drawings of every version read.
#include <gtest/gtest.h>

#include "drawing/create.h"
#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;
namespace fs = std::filesystem;

namespace {

// Creates one entity of every kind; returns the lines `ezdxf_probe.py probe` must print for them.
std::vector<std::string> add_everything(Document& doc) {
    const bool r12 = doc.is_r12();
    Entity(doc, add_point(doc, {548001.125, 2543002.5, 12.75}, "工作记录")).set_color(1);
    add_line(doc, {548000, 2543000, 0}, {548100.5, 2543050.25, 1}, "道路");
    // A parcel-sized ring at survey coordinates.
    Entity(doc, add_lwpolyline(doc, {{548000.125, 2543000.5, 3.5}, {548040, 2543000.5, 3.5}, {548040, 2543030.25, 3.5},
                                     {548000.125, 2543030.25, 3.5}},
                               true, "独有宗地", {0, 0.5, 0, -0.25}))
        .set_color(5);
    add_polyline(doc, {{1, 2, 7}, {5, 2, 7}, {5, 9, 7}}, false, "沟渠", true);
    add_polyline(doc, {{0, 0, 1}, {10, 0, 2.5}, {10, 10, 4}}, true, "三维线");
    Entity(doc, add_text(doc, "张三 JC001 宗地", {548010, 2543010, 0}, 2.5, "注记")).set_color(3);
    std::string note, as_read;
    for (int i = 0; i < 40; ++i) {
        note += "权利人张三李四共有宗地\n";
        as_read += std::string("权利人张三李四共有宗地") + (r12 ? " " : "\\P");
    }
    add_mtext(doc, note + "完", {548020, 2543020, 0}, 3, "注记");
    add_circle(doc, {548030, 2543030, 0}, 4.5);
    add_arc(doc, {548030, 2543030, 0}, 6, 30, 300, "界址线");
    return {
        "POINT layer=工作记录 color=1 p=548001.125,2543002.5,12.75",
        "LINE layer=道路 color=256 p=548000.0,2543000.0,0.0;548100.5,2543050.25,1.0",
        std::string(r12 ? "POLYLINE" : "LWPOLYLINE") +
            " layer=独有宗地 color=5 p=548000.125,2543000.5,3.5;548040.0,2543000.5,3.5;548040.0,2543030.25,3.5;"
            "548000.125,2543030.25,3.5 closed=1 bulge=0.0,0.5,0.0,-0.25" + (r12 ? " three_d=0" : ""),
        "POLYLINE layer=沟渠 color=256 p=1.0,2.0,7.0;5.0,2.0,7.0;5.0,9.0,7.0 closed=1 bulge=0.0,0.0,0.0 three_d=0",
        "POLYLINE layer=三维线 color=256 p=0.0,0.0,1.0;10.0,0.0,2.5;10.0,10.0,4.0 closed=0 bulge=0.0,0.0,0.0 three_d=1",
        "TEXT layer=注记 color=3 p=548010.0,2543010.0,0.0 height=2.5 text=张三 JC001 宗地",
        std::string(r12 ? "TEXT" : "MTEXT") + " layer=注记 color=256 p=548020.0,2543020.0,0.0 height=3.0 text=" + as_read + "完",
        "CIRCLE layer=0 color=256 p=548030.0,2543030.0,0.0 radius=4.5",
        "ARC layer=界址线 color=256 p=548030.0,2543030.0,0.0 radius=6.0 start=30.0 end=300.0",
    };
}

// Creates everything, saves, and has the other reader check it all: nothing to complain about
// that it did not find before, the entities that were there as they were, the new ones last
// and as asked for, their layers in the LAYER table.
void create_and_check(Document doc, const std::string& label) {
    SCOPED_TRACE(label);
    TempDir dir;
    doc.save(dir / "before.dxf");
    RunResult before = ezdxf({"probe", dir / "before.dxf"});
    std::vector<std::string> want = lines_with(before.output, "entity ");
    for (const std::string& line : add_everything(doc)) want.push_back("entity " + line);
    doc.save(dir / "created.dxf");
    RunResult r = ezdxf({"probe", dir / "created.dxf"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(lines_with(r.output, "problem"), lines_with(before.output, "problem"));
    EXPECT_EQ(lines_with(r.output, "entity "), want);
    for (const std::string& line : want)
        EXPECT_NE(r.output.find("\nlayer " + field(line, "layer") + "\n"), std::string::npos) << line;
}

// R12 as the oldest writers left it: no handles at all.
const char* kR12WithoutHandles =
    "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n9\n$DWGCODEPAGE\n3\nANSI_936\n0\nENDSEC\n"
    "0\nSECTION\n2\nTABLES\n"
    "0\nTABLE\n2\nLTYPE\n70\n1\n0\nLTYPE\n2\nCONTINUOUS\n70\n0\n3\nSolid line\n72\n65\n73\n0\n40\n0.0\n0\nENDTAB\n"
    "0\nTABLE\n2\nLAYER\n70\n1\n0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n0\nENDTAB\n"
    "0\nTABLE\n2\nSTYLE\n70\n1\n0\nSTYLE\n2\nSTANDARD\n70\n0\n40\n0.0\n41\n1.0\n50\n0.0\n71\n0\n42\n2.5\n3\ntxt\n4\n\n"
    "0\nENDTAB\n0\nENDSEC\n"
    "0\nSECTION\n2\nBLOCKS\n0\nENDSEC\n"
    "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0.0\n20\n0.0\n30\n0.0\n11\n1.0\n21\n1.0\n31\n0.0\n0\nENDSEC\n0\nEOF\n";

}  // namespace

// ------------------------------------------------------------------ new drawings

TEST(NewDrawing, IsACompleteR2010Drawing) {
    Document doc = Document::create();
    EXPECT_EQ(doc.acadver(), "AC1024");
    EXPECT_EQ(doc.header_text("$DWGCODEPAGE"), "ANSI_936");
    EXPECT_EQ(doc.header_text("$INSUNITS"), "6");
    EXPECT_EQ(doc.header_text("$CLAYER"), "0");
    EXPECT_TRUE(doc.header_range("$PDMODE") && doc.header_range("$PDSIZE"));
    EXPECT_TRUE(doc.codec().is_utf8());
    // The standard entries other programs look up by name.
    for (auto [table, name] : std::vector<std::pair<const char*, const char*>>{
             {"VPORT", "*Active"}, {"LTYPE", "ByBlock"}, {"LTYPE", "ByLayer"}, {"LTYPE", "Continuous"},
             {"LAYER", "0"}, {"STYLE", "Standard"}, {"APPID", "ACAD"}, {"DIMSTYLE", "Standard"},
             {"BLOCK_RECORD", "*Model_Space"}, {"BLOCK_RECORD", "*Paper_Space"}})
        EXPECT_NE(find_table_entry(doc, table, name), kNoRecord) << table << " " << name;
    ASSERT_NE(doc.modelspace_owner(), 0u);
    EXPECT_EQ(entry_name(doc, doc.find_handle(doc.modelspace_owner())), "*Model_Space");
    EXPECT_TRUE(doc.modelspace().empty());
    EXPECT_FALSE(doc.modified());

    std::string text = doc.to_dxf();
    EXPECT_EQ(text.rfind("  0\r\nSECTION\r\n  2\r\nHEADER\r\n", 0), 0u) << "CR LF line ends";
    EXPECT_EQ(text.find("\r\r"), std::string::npos);
    EXPECT_EQ(Document::parse(text, "again").to_dxf(), text) << "read back, it is written as it was";
}

TEST(NewDrawing, EachOneIsItsOwnDrawing) {
    Document a = Document::create(), b = Document::create();
    EXPECT_NE(a.header_text("$FINGERPRINTGUID"), b.header_text("$FINGERPRINTGUID"));
    EXPECT_NE(a.header_text("$VERSIONGUID"), b.header_text("$VERSIONGUID"));
    // Created today (a Julian day number between 2024 and 2100).
    double created = std::stod(a.header_text("$TDCREATE").value_or("0"));
    EXPECT_GT(created, 2460311.0);
    EXPECT_LT(created, 2488070.0);
}

// ------------------------------------------------------------------ creation

TEST(Create, EveryTypeInNewDrawingsAndInDrawingsOfEachVersion) {
    create_and_check(Document::create(), "new drawing");
    create_and_check(Document::parse(kR12WithoutHandles, "r12.dxf"), "R12 without handles");
    // R12 and R2004 in GBK; R2000 in ANSI_1252, where Chinese travels as \U+ escapes.
    for (std::string name : {"r12", "r2000_1252", "r2004", "r2018_1252"})
        create_and_check(Document::load(small_drawing(name)), name);
    if (!fs::exists(KORVANE_CORPUS_DIR)) GTEST_SKIP() << "the DXF corpus is not at " << KORVANE_CORPUS_DIR;
    for (std::string name : {"sample_AC1015_ascii.dxf", "sample_AC1032_ascii.dxf"})
        create_and_check(Document::load(corpus("autocad/" + name)), name);
}

TEST(Create, NoHandlesInAnR12DrawingWithoutThem) {
    Document doc = Document::parse(kR12WithoutHandles, "r12.dxf");
    add_everything(doc);
    for (RecordId id : doc.modelspace()) {
        EXPECT_FALSE(doc.handle_of(id)) << doc.type(id);
        for (RecordId f : doc.record(id).followers) EXPECT_FALSE(doc.handle_of(f)) << doc.type(f);
        for (const Tag& t : doc.record(id).tags) EXPECT_TRUE(t.code != 100 && t.code != 330) << doc.type(id);
    }
    EXPECT_FALSE(doc.header_range("$HANDSEED"));
}

TEST(Create, ExistingLayersAreReusedAndNewOnesRegistered) {
    Document doc = Document::load(small_drawing("r2004"));
    size_t layers_before = layers(doc).size();
    add_line(doc, {0, 0, 0}, {1, 1, 0}, "宗地");  // exists, colour 3
    add_line(doc, {0, 0, 0}, {1, 1, 0}, "宗地");
    add_point(doc, {0, 0, 0}, "新图层");
    add_point(doc, {1, 1, 0}, "新图层");
    EXPECT_EQ(layers(doc).size(), layers_before + 1);
    EXPECT_EQ(layer_info(doc, find_table_entry(doc, "LAYER", "宗地")).color, 3);
    LayerInfo added = layer_info(doc, find_table_entry(doc, "LAYER", "新图层"));
    EXPECT_EQ(added.color, 7);
    EXPECT_TRUE(added.on);
}

TEST(Create, HandseedIsAddedToADrawingThatHadNone) {
    std::string text = Document::create().to_dxf();
    size_t at = text.find("  9\r\n$HANDSEED\r\n  5\r\n30\r\n");
    ASSERT_NE(at, std::string::npos);
    text.erase(at, std::string("  9\r\n$HANDSEED\r\n  5\r\n30\r\n").size());
    Document doc = Document::parse(text, "no-seed.dxf");
    ASSERT_FALSE(doc.header_range("$HANDSEED"));
    RecordId id = add_circle(doc, {0, 0, 0}, 1);
    ASSERT_TRUE(doc.header_text("$HANDSEED"));
    Document again = Document::parse(doc.to_dxf(), "again.dxf");
    EXPECT_GT(parse_handle(*again.header_text("$HANDSEED")), *doc.handle_of(id));
}
