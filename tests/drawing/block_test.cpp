// Blocks: reading INSERTs, exploding, inserting other drawings as blocks or exploded,
// writing entities out as a drawing; across code pages and versions; read back by ezdxf.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "drawing_support.h"
#include "drawing/block.h"
#include "drawing/create.h"
#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/hatch.h"
#include "drawing/image.h"
#include "drawing/tables.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {

std::vector<RecordId> of_type(const Document& doc, const std::vector<RecordId>& ids, std::string_view type) {
    std::vector<RecordId> out;
    for (RecordId id : ids)
        if (doc.type(id) == type) out.push_back(id);
    return out;
}

// A drawing to insert: a line on layer 0 with colour by block, a closed polyline on
// 界址线 with a user hatch, a text on 注记, a circle and an image; $INSBASE (100,100).
struct Source {
    std::string path;
    std::string image;
};

Source make_source(const TempDir& dir, const std::string& name, Point3 insbase = {100, 100, 0}) {
    Source s;
    s.image = dir / "tile.png";
    write_file(s.image, png_header(100, 50));
    Document doc = Document::create();
    doc.set_header("$INSBASE", {doc.make_real(10, insbase.x), doc.make_real(20, insbase.y), doc.make_real(30, insbase.z)});
    RecordId line = add_line(doc, {100, 100, 0}, {110, 100, 0}, "0");
    Entity(doc, line).set_color(0);
    RecordId pl = add_lwpolyline(doc, {{100, 100, 0}, {110, 100, 0}, {110, 110, 0}, {100, 110, 0}}, true, "界址线");
    UserHatchOptions o;
    o.layer = "界址线";
    EXPECT_NE(add_user_hatch(doc, pl, o), kNoRecord);
    add_text(doc, "界址点", {105, 105, 0}, 2.5, "注记");
    add_circle(doc, {120, 100, 0}, 5, "0");
    EXPECT_NE(add_image(doc, s.image, {130, 100, 0}, 10, 0, "影像"), kNoRecord);
    s.path = dir / name;
    doc.save(s.path);
    return s;
}

}  // namespace

TEST(BlockRead, InsertsAndBlocksOfOtherWriters) {
    KORVANE_NEED_CORPUS();
    Document doc = Document::load(corpus("various/xclip.dxf"));
    auto b9 = read_insert(doc, doc.find_handle("B9"));
    ASSERT_TRUE(b9);
    EXPECT_EQ(b9->name, "BaseBlock");
    expect_near(b9->insertion, 5, 5);
    EXPECT_EQ(b9->sx, 1);
    EXPECT_EQ(b9->rotation, 0);
    EXPECT_DOUBLE_EQ(insert_rotation(doc, doc.find_handle("F0")), 45);
    expect_near(insert_point(doc, doc.find_handle("F0")), 17.269750963371, 0.041009747639);
    RecordId block = find_block(doc, "BASEBLOCK");  // names compare without regard to case
    ASSERT_NE(block, kNoRecord);
    EXPECT_EQ(block_name(doc, block), "BaseBlock");
    EXPECT_FALSE(block_entities(doc, block).empty());
    for (RecordId e : block_entities(doc, block)) EXPECT_NE(doc.type(e), "ENDBLK");

    Document sample = Document::load(corpus("autocad/sample_AC1024_ascii.dxf"));
    auto tick = read_insert(sample, sample.find_handle("660"));
    ASSERT_TRUE(tick);
    EXPECT_EQ(tick->name, "_ArchTick");
    EXPECT_EQ(tick->sx, 2.5);
    EXPECT_EQ(tick->sz, 2.5);
    EXPECT_EQ(tick->rotation, 225);
    EXPECT_NE(find_block(sample, "_ArchTick"), kNoRecord);
    EXPECT_EQ(find_block(sample, "no such block"), kNoRecord);
    EXPECT_EQ(insert_block_name(sample, sample.find_handle("A43")), "my_block");
}

TEST(BlockInsert, AnotherDrawingAsABlockThenExploded) {
    KORVANE_NEED_EZDXF();
    TempDir dir;
    Source src = make_source(dir, "界址图框.dxf");
    Document doc = Document::load(small_drawing("r2000"));
    CopyReport report;
    RecordId ref = insert_dxf_as_block(doc, src.path, {1000, 2000, 0}, 2, 2, 2, 90, "图框", &report);
    ASSERT_NE(ref, kNoRecord) << report.error;
    EXPECT_TRUE(report.skipped.empty());
    EXPECT_EQ(doc.modelspace().back(), ref);
    // Inserting the same drawing again uses the block already there.
    ASSERT_NE(insert_dxf_as_block(doc, src.path, {0, 0, 0}, 1, 1, 1, 0, "0"), kNoRecord);
    auto names = block_names(doc);
    EXPECT_EQ(std::count(names.begin(), names.end(), "界址图框"), 1);
    doc.save(dir / "as_block.dxf");
    std::string out = facts("blocks", dir / "as_block.dxf");
    EXPECT_NE(out.find("block 界址图框 base=100.0,100.0,0.0 entities=LINE,LWPOLYLINE,HATCH,TEXT,CIRCLE,IMAGE"), std::string::npos)
        << out;
    EXPECT_NE(out.find("\nlayer 界址线\n"), std::string::npos) << out;
    EXPECT_EQ(field(facts_by_prefix(out, "entity ")[Entity(doc, ref).handle_text()], "geom"),
              "界址图框|1000.0,2000.0,0.0|2.0,2.0,2.0|90.0");

    // Explode: world = insertion + R(90°)·2·(p − base); layer 0 and colour by block take the
    // reference's.
    Entity(doc, ref).set_color(5);
    std::string before = doc.to_dxf();
    doc.begin_undo_step("explode");
    std::vector<RecordId> parts = explode_insert(doc, ref, &report);
    doc.end_undo_step();
    ASSERT_EQ(parts.size(), 6u) << report.error;
    EXPECT_TRUE(doc.record(ref).erased);
    doc.save(dir / "exploded.dxf");
    auto ents = facts_by_prefix(facts("blocks", dir / "exploded.dxf"), "entity ");
    auto part = [&](const char* type) { return ents[Entity(doc, of_type(doc, parts, type).at(0)).handle_text()]; };
    EXPECT_EQ(part("LINE").substr(0, part("LINE").find(" owner=")), "type=LINE layer=图框 color=5");
    EXPECT_EQ(field(part("LINE"), "geom"), "1000.0,2000.0,0.0;1000.0,2020.0,0.0");
    EXPECT_EQ(field(part("CIRCLE"), "layer") + " " + field(part("CIRCLE"), "color"), "图框 256");
    EXPECT_EQ(field(part("CIRCLE"), "geom"), "1000.0,2040.0,0.0|10.0");
    EXPECT_EQ(field(part("TEXT"), "layer"), "注记");
    EXPECT_EQ(field(part("TEXT"), "geom"), "990.0,2010.0,0.0|界址点|5.0|90.0");
    EXPECT_EQ(field(part("HATCH"), "geom"), "0|") << "no longer associative";
    EXPECT_EQ(field(part("IMAGE"), "geom"), "1000.0,2060.0,0.0|0.0,0.2,0.0|-0.2,0.0,0.0|" + src.image);
    EXPECT_EQ(ents.count(Entity(doc, ref).handle_text()), 0u);
    facts("images", dir / "exploded.dxf");
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.to_dxf(), before);
}

TEST(BlockInsert, StarFileCopiesIntoModelSpace) {
    TempDir dir;
    // At scale 1 where it was drawn, temp_drawing.scn reads the copy back with ezdxf; here
    // placed elsewhere, turned and scaled.
    Source src = make_source(dir, "frame.dxf", {0, 0, 0});
    Document doc = Document::create();
    CopyReport report;
    auto ids = insert_dxf_exploded(doc, src.path, {10, 0, 0}, 0.5, 180, &report);
    ASSERT_EQ(ids.size(), 6u) << report.error;
    EXPECT_EQ(doc.modelspace(), ids);
    EXPECT_EQ(find_block(doc, "frame"), kNoRecord);  // no block is left behind
    expect_near(Entity(doc, ids[0]).point(11).value(), -45, -50);
    EXPECT_EQ(Entity(doc, ids[0]).layer(), "0");
}

TEST(BlockWblock, RoundTripThroughAFile) {
    KORVANE_NEED_EZDXF();
    TempDir dir;
    const std::string file = small_drawing("r2000");
    Document doc = Document::load(file);
    std::vector<RecordId> chosen;
    for (const char* handle : {"31", "34", "3B", "3C"}) chosen.push_back(doc.find_handle(handle));  // square ring text circle
    std::string out = dir / "TempDwg.dxf";
    CopyReport report;
    ASSERT_TRUE(write_wblock(doc, chosen, {5, 5, 0}, out, &report)) << report.error;
    EXPECT_EQ(report.copied, 4u);
    std::string facts_out = facts("blocks", out);
    EXPECT_NE(facts_out.find("version=AC1024"), std::string::npos);
    auto ents = lines_with(facts_out, "entity ");
    ASSERT_EQ(ents.size(), 4u) << facts_out;
    EXPECT_EQ(field(ents[0], "geom"), "-5.0,-5.0,0.0;5.0,-5.0,0.0;5.0,5.0,0.0;-5.0,5.0,0.0");
    EXPECT_EQ(field(ents[0], "layer"), "宗地");
    EXPECT_EQ(field(ents[0], "color"), "3");
    EXPECT_EQ(field(ents[1], "geom"), "55.0,-5.0,-0.5;65.0,-5.0,0.0;65.0,5.0,0.0;55.0,5.0,0.0");
    EXPECT_EQ(field(ents[2], "geom"), "0.0,35.0,0.0|界址点|2.5|0.0");  // GBK drawing, UTF-8 copy
    EXPECT_EQ(field(ents[2], "layer"), "注记");

    // And back: "*file" at the base point puts everything where it was.
    Document back = Document::load(file);
    for (RecordId id : chosen) back.erase(id);
    auto ids = insert_dxf_exploded(back, out, {5, 5, 0}, 1, 0, &report);
    ASSERT_EQ(ids.size(), 4u);
    EXPECT_EQ(Entity(back, ids[0]).vertices(), Entity(doc, chosen[0]).vertices());
    EXPECT_EQ(Entity(back, ids[1]).vertices(), Entity(doc, chosen[1]).vertices());
    EXPECT_EQ(Entity(back, ids[1]).bulges(), Entity(doc, chosen[1]).bulges());
    back.save(dir / "back.dxf");
    EXPECT_NE(facts("blocks", dir / "back.dxf").find("geom=5.0,40.0,0.0|界址点|2.5|0.0"), std::string::npos);
}

TEST(BlockInsert, BetweenR12AndLaterVersions) {
    KORVANE_NEED_EZDXF();
    TempDir dir;
    Source src = make_source(dir, "frame.dxf", {0, 0, 0});
    const std::string r12_file = small_drawing("r12");

    // A later drawing into R12: the lightweight polyline becomes an old-style one; hatch and
    // image have no R12 form and are counted as left out.
    Document old = Document::load(r12_file);
    CopyReport report;
    auto ids = insert_dxf_exploded(old, src.path, {0, 0, 0}, 1, 0, &report);
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_EQ(report.skipped["HATCH"], 1u);
    EXPECT_EQ(report.skipped["IMAGE"], 1u);
    RecordId poly = of_type(old, ids, "POLYLINE").at(0);
    EXPECT_EQ(Entity(old, poly).vertices().size(), 4u);
    EXPECT_TRUE(Entity(old, poly).closed());
    RecordId as_block = insert_dxf_as_block(old, src.path, {50, 50, 0}, 1, 1, 1, 0, "0", &report);
    ASSERT_NE(as_block, kNoRecord);
    std::string out = dir / "old_out.dxf";
    old.save(out);
    std::string r = facts("blocks", out);
    EXPECT_NE(r.find("version=AC1009"), std::string::npos);
    EXPECT_NE(r.find("geom=100.0,100.0,0.0;110.0,100.0,0.0;110.0,110.0,0.0;100.0,110.0,0.0"), std::string::npos) << r;
    EXPECT_NE(r.find("|界址点|"), std::string::npos) << r;
    EXPECT_NE(r.find("block frame base=0.0,0.0,0.0 entities=LINE,POLYLINE,TEXT,CIRCLE"), std::string::npos) << r;

    // R12 into a later drawing: subclass markers are added where they belong.
    Document later = Document::create();
    RecordId ref = insert_dxf_as_block(later, r12_file, {0, 0, 0}, 1, 1, 1, 0, "0", &report);
    ASSERT_NE(ref, kNoRecord) << report.error;
    auto parts = explode_insert(later, ref, &report);
    EXPECT_EQ(parts.size(), 7u);
    auto star = insert_dxf_exploded(later, r12_file, {100, 0, 0}, 1, 0, &report);
    EXPECT_EQ(star.size(), 7u);
    std::string out2 = dir / "later.dxf";
    later.save(out2);
    r = facts("blocks", out2);
    EXPECT_NE(r.find("type=TEXT layer=注记"), std::string::npos) << r;
    EXPECT_NE(r.find("geom=60.0,0.0,-0.5;70.0,0.0,0.0;70.0,10.0,0.0;60.0,10.0,0.0"), std::string::npos) << r;
}

TEST(BlockInsert, NestedBlocksComeAlong) {
    TempDir dir;
    // tree.dxf: a circle; park.dxf: a reference to tree plus a line.
    Document tree = Document::create();
    add_circle(tree, {0, 0, 0}, 1, "树");
    std::string tree_file = dir / "tree.dxf";
    tree.save(tree_file);
    Document park = Document::create();
    ASSERT_NE(insert_dxf_as_block(park, tree_file, {10, 0, 0}), kNoRecord);
    add_line(park, {0, 0, 0}, {20, 0, 0});
    std::string park_file = dir / "park.dxf";
    park.save(park_file);

    Document doc = Document::create();
    RecordId ref = insert_dxf_as_block(doc, park_file, {100, 100, 0});
    ASSERT_NE(ref, kNoRecord);
    EXPECT_NE(find_block(doc, "tree"), kNoRecord);
    auto parts = explode_insert(doc, ref);
    ASSERT_EQ(parts.size(), 2u);
    auto inner = read_insert(doc, parts[0]);
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->name, "tree");
    expect_near(inner->insertion, 110, 100);
    auto circle = explode_insert(doc, parts[0]);
    ASSERT_EQ(circle.size(), 1u);
    expect_near(Entity(doc, circle[0]).point(10).value(), 110, 100);
    EXPECT_EQ(Entity(doc, circle[0]).layer(), "树");
}

TEST(BlockInsert, Refusals) {
    TempDir dir;
    Source src = make_source(dir, "frame.dxf");
    Document doc = Document::create();
    CopyReport report;
    EXPECT_EQ(insert_dxf_as_block(doc, dir / "missing.dxf", {0, 0, 0}, 1, 1, 1, 0, "0", &report), kNoRecord);
    EXPECT_NE(report.error.find("missing.dxf"), std::string::npos) << report.error;
    std::string junk = dir / "junk.dxf";
    write_file(junk, "this is not a drawing\n");
    report = {};
    EXPECT_TRUE(insert_dxf_exploded(doc, junk, {0, 0, 0}, 1, 0, &report).empty());
    EXPECT_FALSE(report.error.empty());
    EXPECT_TRUE(insert_dxf_exploded(doc, src.path, {0, 0, 0}, 0, 0, &report).empty());
    EXPECT_TRUE(doc.modelspace().empty());
    EXPECT_EQ(add_insert(doc, "no such block", {0, 0, 0}), kNoRecord);

    RecordId line = add_line(doc, {0, 0, 0}, {1, 1, 0});
    EXPECT_TRUE(explode_insert(doc, line).empty());
    RecordId skewed = insert_dxf_as_block(doc, src.path, {0, 0, 0}, 1, 2, 1, 0, "0");
    ASSERT_NE(skewed, kNoRecord);
    std::string before = doc.to_dxf();
    report = {};
    EXPECT_TRUE(explode_insert(doc, skewed, &report).empty());
    EXPECT_FALSE(report.error.empty());
    EXPECT_EQ(doc.to_dxf(), before);  // nothing changed
    // Equal negative scales are a half turn: that explodes.
    RecordId mirrored = add_insert(doc, "frame", {0, 0, 0}, -1, -1, 1, 0);
    auto parts = explode_insert(doc, mirrored);
    ASSERT_EQ(parts.size(), 6u);
    expect_near(Entity(doc, parts[0]).point(11).value(), -10, 0);

    EXPECT_FALSE(write_wblock(doc, {line}, {0, 0, 0}, dir / "no/such/folder/out.dxf", &report));
    EXPECT_FALSE(report.error.empty());
}

TEST(BlockExplode, AttributesBecomeTextAndDefinitionsStayBehind) {
    TempDir dir;
    // The drawing to insert: a line and an attribute definition.
    Document src = Document::create();
    add_line(src, {0, 0, 0}, {10, 0, 0});
    std::vector<Tag> attdef = entity_head(src, "ATTDEF", "0", "AcDbText");
    for (Tag t : {src.make_real(10, 1.0), src.make_real(20, 1.0), src.make_real(30, 0.0), src.make_real(40, 2.0),
                  src.make_text(1, "?"), src.make_raw(100, "AcDbAttributeDefinition"), src.make_text(3, "宗地号"),
                  src.make_raw(2, "ZDH"), src.make_int(70, 0)})
        attdef.push_back(t);
    add_entity(src, attdef);
    std::string file = dir / "tag.dxf";
    src.save(file);

    Document doc = Document::create();
    RecordId ref = insert_dxf_as_block(doc, file, {100, 0, 0}, 1, 1, 1, 0, "标注");
    ASSERT_NE(ref, kNoRecord);
    // Two attributes on the reference, one of them invisible.
    uint64_t owner = Entity(doc, ref).handle();
    auto attrib = [&](const char* value, int flags) {
        std::vector<Tag> a = entity_head(doc, "ATTRIB", "标注", "AcDbText", owner);
        for (Tag t : {doc.make_real(10, 101.0), doc.make_real(20, 1.0), doc.make_real(30, 0.0), doc.make_real(40, 2.0),
                      doc.make_text(1, value), doc.make_raw(100, "AcDbAttribute"), doc.make_raw(2, "ZDH"),
                      doc.make_int(70, flags), doc.make_int(74, 2)})
            a.push_back(t);
        Record r;
        r.tags = std::move(a);
        return doc.add_record(std::move(r));
    };
    RecordId shown = attrib("JB001", 0), hidden = attrib("secret", 1);
    Record seq;
    seq.tags = entity_head(doc, "SEQEND", "标注", {}, owner);
    RecordId seqend = doc.add_record(std::move(seq));
    {
        Record& r = doc.edit(ref);
        r.followers = {shown, hidden, seqend};
    }
    Entity(doc, ref).set_integer(66, 1, 100);
    for (RecordId f : {shown, hidden, seqend}) doc.index_handle(f);

    auto parts = explode_insert(doc, ref);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(doc.type(parts[0]), "LINE");
    EXPECT_EQ(doc.type(parts[1]), "TEXT");
    Entity text(doc, parts[1]);
    EXPECT_EQ(text.text(), "JB001");
    EXPECT_EQ(text.valign(), 2);  // the attribute's vertical alignment (74) became the text's (73)
    EXPECT_FALSE(text.text_of(2).has_value());
    expect_near(text.point(10).value(), 101, 1);
    for (RecordId id : doc.modelspace()) EXPECT_NE(doc.type(id), "ATTDEF");
    if (!has_ezdxf()) return;
    std::string out = dir / "exploded.dxf";
    doc.save(out);
    std::string r = facts("blocks", out);
    EXPECT_NE(r.find("type=TEXT layer=标注 color=256 owner="), std::string::npos) << r;
    EXPECT_NE(r.find("geom=101.0,1.0,0.0|JB001|2.0|0.0"), std::string::npos) << r;
}
