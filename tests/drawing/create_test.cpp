// New drawings and entity creation, checked by an independent reader (ezdxf): what Korvane
// writes must load without audit errors, keep handles unique under $HANDSEED, give every
// entity and follower its owner, and carry the coordinates, layers, colours and Chinese
// text that were asked for — in new drawings and in drawings of every version read.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "drawing/create.h"
#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;
using korvane::test::quote;
using korvane::test::run;
namespace fs = std::filesystem;

namespace {

// What one created entity should look like to the other reader.
struct Expect {
    std::string type, layer;
    int color = 256;
    std::vector<double> p;  // its points, x,y,z each
    std::map<std::string, std::string> fields = {};
};

// A parcel-sized ring at survey coordinates.
const std::vector<Point3> kRing = {{548000.125, 2543000.5, 3.5}, {548040.0, 2543000.5, 3.5},
                                   {548040.0, 2543030.25, 3.5}, {548000.125, 2543030.25, 3.5}};

std::string long_text() {
    std::string s;
    for (int i = 0; i < 40; ++i) s += "权利人张三李四共有宗地\n";
    return s + "完";
}

// Creates one entity of every kind; returns what the reader should find, in order.
std::vector<Expect> add_everything(Document& doc) {
    const bool r12 = doc.is_r12();
    std::vector<Expect> ex;
    auto flat = [](const std::vector<Point3>& pts) {
        std::vector<double> v;
        for (const auto& p : pts) v.insert(v.end(), {p.x, p.y, p.z});
        return v;
    };

    RecordId id = add_point(doc, {548001.125, 2543002.5, 12.75}, "工作记录");
    Entity(doc, id).set_color(1);
    ex.push_back({"POINT", "工作记录", 1, {548001.125, 2543002.5, 12.75}});

    add_line(doc, {548000, 2543000, 0}, {548100.5, 2543050.25, 1}, "道路");
    ex.push_back({"LINE", "道路", 256, {548000, 2543000, 0, 548100.5, 2543050.25, 1}});

    id = add_lwpolyline(doc, kRing, true, "独有宗地", {0, 0.5, 0, -0.25});
    Entity(doc, id).set_color(5);
    ex.push_back({r12 ? "POLYLINE" : "LWPOLYLINE", "独有宗地", 5, flat(kRing), {{"closed", "1"}}});

    std::vector<Point3> ditch = {{1, 2, 7}, {5, 2, 7}, {5, 9, 7}};
    add_polyline(doc, ditch, false, "沟渠", true);
    ex.push_back({"POLYLINE", "沟渠", 256, flat(ditch), {{"closed", "1"}, {"three_d", "0"}}});

    std::vector<Point3> wall = {{0, 0, 1}, {10, 0, 2.5}, {10, 10, 4}};
    add_polyline(doc, wall, true, "三维线");
    ex.push_back({"POLYLINE", "三维线", 256, flat(wall), {{"closed", "0"}, {"three_d", "1"}}});

    id = add_text(doc, "张三 JC001 宗地", {548010, 2543010, 0}, 2.5, "注记");
    Entity(doc, id).set_color(3);
    ex.push_back({"TEXT", "注记", 3, {548010, 2543010, 0}, {{"text", "张三 JC001 宗地"}, {"height", "2.5"}}});

    std::string note = long_text();
    add_mtext(doc, note, {548020, 2543020, 0}, 3, "注记");
    std::string as_read = note;
    for (size_t at; (at = as_read.find('\n')) != std::string::npos;) as_read.replace(at, 1, r12 ? " " : "\\P");
    ex.push_back({r12 ? "TEXT" : "MTEXT", "注记", 256, {548020, 2543020, 0}, {{"text", as_read}, {"height", "3"}}});

    add_circle(doc, {548030, 2543030, 0}, 4.5);
    ex.push_back({"CIRCLE", "0", 256, {548030, 2543030, 0}, {{"radius", "4.5"}}});

    add_arc(doc, {548030, 2543030, 0}, 6, 30, 300, "界址线");
    ex.push_back({"ARC", "界址线", 256, {548030, 2543030, 0}, {{"radius", "6"}, {"start", "30"}, {"end", "300"}}});
    return ex;
}

void expect_probe_clean(const Probe& p) {
    ASSERT_EQ(p.status, 0) << p.output;
    EXPECT_EQ(p.audit.at("errors"), "0") << p.audit.at("messages");
    EXPECT_EQ(p.audit.at("recover_errors"), "0") << p.audit.at("messages");
    EXPECT_EQ(p.audit.at("recover_fixes"), "0") << p.audit.at("messages");
    EXPECT_EQ(p.structure.at("duplicates"), "0");
    EXPECT_EQ(p.structure.at("seed_above"), "1") << "max " << p.structure.at("max") << " seed " << p.structure.at("seed");
    EXPECT_EQ(p.structure.at("problems"), "0") << p.structure.at("first_problem");
}

void expect_created(const Probe& p, const std::vector<Expect>& ex) {
    ASSERT_GE(p.entities.size(), ex.size());
    size_t base = p.entities.size() - ex.size();  // new entities come last, in order
    for (size_t k = 0; k < ex.size(); ++k) {
        const Fields& got = p.entities[base + k];
        const Expect& want = ex[k];
        SCOPED_TRACE("entity " + std::to_string(k) + " " + want.type);
        EXPECT_EQ(got.at("type"), want.type);
        EXPECT_EQ(got.at("layer"), want.layer);
        EXPECT_EQ(got.at("color"), std::to_string(want.color));
        std::vector<double> pts = numbers(got.at("p"));
        ASSERT_EQ(pts.size(), want.p.size()) << got.at("p");
        for (size_t i = 0; i < pts.size(); ++i) EXPECT_DOUBLE_EQ(pts[i], want.p[i]) << "coordinate " << i;
        for (const auto& [key, value] : want.fields) {
            ASSERT_TRUE(got.count(key)) << key;
            if (key == "text" || key == "closed" || key == "three_d") EXPECT_EQ(got.at(key), value) << key;
            else EXPECT_DOUBLE_EQ(std::stod(got.at(key)), std::stod(value)) << key;
        }
        EXPECT_TRUE(p.layers.count(want.layer)) << "layer " << want.layer << " not in the LAYER table";
    }
}

// Loads, creates everything, saves and has the other reader check it all.
void create_and_check(Document doc, const std::string& label, size_t entities_before) {
    SCOPED_TRACE(label);
    TempDir dir;
    auto ex = add_everything(doc);
    std::string out = dir.file("created.dxf");
    doc.save(out);
    Probe p = probe(out);
    expect_probe_clean(p);
    if (::testing::Test::HasFatalFailure()) return;
    EXPECT_EQ(p.entities.size(), entities_before + ex.size());
    expect_created(p, ex);
}

Document made_by_ezdxf(const std::string& version, TempDir& dir) {
    std::string path = dir.file(version + ".dxf");
    int status = -1;
    std::string out = ezdxf({"make", version, path}, &status);
    EXPECT_EQ(status, 0) << out;
    return Document::load(path);
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

TEST(NewDrawing, IsACompleteR2010DrawingAnotherReaderAccepts) {
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

    TempDir dir;
    doc.save(dir.file("new.dxf"));
    Probe p = probe(dir.file("new.dxf"));
    expect_probe_clean(p);
    EXPECT_EQ(p.drawing["version"], "AC1024");
    EXPECT_TRUE(p.entities.empty());
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

TEST(NewDrawing, RoundTripsThroughConvertUnchanged) {
    TempDir dir;
    Document::create().save(dir.file("a.dxf"));
    fs::path cli = fs::canonical("/proc/self/exe").parent_path().parent_path().parent_path() / "src/app/korvane-cli";
    ASSERT_TRUE(fs::exists(cli)) << "korvane-cli is built with the tests; not found at " << cli;
    int status = -1;
    std::string out = run(quote(cli.string()) + " convert " + quote(dir.file("a.dxf")) + " " + quote(dir.file("b.dxf")), &status);
    ASSERT_EQ(status, 0) << out;
    out = run("/usr/bin/python3 " + quote(std::string(KORVANE_SOURCE_DIR) + "/tests/tools/compare_tags.py") + " " +
                  quote(dir.file("a.dxf")) + " " + quote(dir.file("b.dxf")),
              &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(read_file(dir.file("a.dxf")), read_file(dir.file("b.dxf")));
}

// ------------------------------------------------------------------ creation

TEST(Create, EveryTypeInANewDrawing) { create_and_check(Document::create(), "new drawing", 0); }

TEST(Create, EveryTypeInDrawingsOfEachVersion) {
    TempDir dir;
    for (std::string version : {"R12", "R2000", "R2004", "R2018"}) {
        Document doc = made_by_ezdxf(version, dir);
        size_t before = doc.modelspace().size();
        ASSERT_GT(before, 0u);
        create_and_check(std::move(doc), version, before);
    }
}

TEST(Create, EveryTypeInAnR12DrawingWithoutHandles) {
    Document doc = Document::parse(kR12WithoutHandles, "r12.dxf");
    auto ex = add_everything(doc);
    for (RecordId id : doc.modelspace()) {
        EXPECT_FALSE(doc.handle_of(id)) << doc.type(id);
        for (RecordId f : doc.record(id).followers) EXPECT_FALSE(doc.handle_of(f)) << doc.type(f);
        for (const Tag& t : doc.record(id).tags) EXPECT_TRUE(t.code != 100 && t.code != 330) << doc.type(id);
    }
    EXPECT_FALSE(doc.header_range("$HANDSEED"));
    create_and_check(Document::parse(kR12WithoutHandles, "r12.dxf"), "R12 without handles", 1);
}

TEST(Create, EveryTypeInDrawingsFromTheCorpus) {
    for (std::string name : {"sample_AC1015_ascii.dxf", "sample_AC1032_ascii.dxf"}) {
        if (!fs::exists(corpus("autocad/" + name))) GTEST_SKIP() << "the DXF corpus is not at " << corpus("autocad/" + name);
        Document doc = Document::load(corpus("autocad/" + name));
        size_t before = doc.modelspace().size();
        create_and_check(std::move(doc), name, before);
    }
}

TEST(Create, ExistingLayersAreReusedAndNewOnesRegistered) {
    TempDir dir;
    Document doc = made_by_ezdxf("R2004", dir);
    size_t layers_before = layers(doc).size();
    add_line(doc, {0, 0, 0}, {1, 1, 0}, "界址线");  // exists, colour 3
    add_line(doc, {0, 0, 0}, {1, 1, 0}, "界址线");
    add_point(doc, {0, 0, 0}, "新图层");
    add_point(doc, {1, 1, 0}, "新图层");
    auto all = layers(doc);
    EXPECT_EQ(all.size(), layers_before + 1);
    LayerInfo existing = layer_info(doc, find_table_entry(doc, "LAYER", "界址线"));
    EXPECT_EQ(existing.color, 3);
    LayerInfo added = layer_info(doc, find_table_entry(doc, "LAYER", "新图层"));
    EXPECT_EQ(added.color, 7);
    EXPECT_TRUE(added.on);
}

TEST(Create, UndoTakesBackWhatWasCreated) {
    Document doc = Document::create();
    add_point(doc, {1, 1, 0});
    std::string before = doc.to_dxf();
    uint64_t seed = doc.next_handle();

    doc.begin_undo_step("draw");
    RecordId poly = add_polyline(doc, {{0, 0, 0}, {1, 0, 0}}, false, "新层");
    RecordId text = add_text(doc, "字", {0, 0, 0}, 1);
    doc.end_undo_step();
    uint64_t poly_handle = *doc.handle_of(poly), text_handle = *doc.handle_of(text);
    EXPECT_EQ(doc.modelspace().size(), 3u);

    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.modelspace().size(), 1u);
    EXPECT_EQ(doc.find_handle(poly_handle), kNoRecord);
    EXPECT_EQ(doc.find_handle(text_handle), kNoRecord);
    EXPECT_EQ(find_table_entry(doc, "LAYER", "新层"), kNoRecord);
    EXPECT_EQ(doc.next_handle(), seed);
    EXPECT_EQ(doc.to_dxf(), before);

    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(doc.modelspace().size(), 3u);
    EXPECT_EQ(doc.find_handle(text_handle), text);
    EXPECT_EQ(doc.find_handle(*doc.handle_of(doc.record(poly).followers.front())), doc.record(poly).followers.front());
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
