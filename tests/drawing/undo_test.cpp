// Undo and redo: a step takes back everything it created, changed or erased, and the
// drawing is then written exactly as before, handles included.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "drawing/create.h"
#include "drawing/document.h"
#include "drawing/draw_order.h"
#include "drawing/entity.h"
#include "drawing/hatch.h"
#include "drawing/image.h"
#include "drawing/tables.h"
#include "drawing/transform.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

TEST(Undo, EveryKindOfChangeComesBackExactly) {
    Document doc = Document::parse(r2010_text(), "t");
    const std::string original = doc.to_dxf();
    const uint64_t seed = doc.next_handle();
    const size_t entities = doc.modelspace().size();

    doc.begin_undo_step("edit parcels");
    Entity parcel(doc, doc.find_handle("40"));
    parcel.set_layer("工作记录");
    parcel.set_color(2);
    parcel.set_xdata({XDataItem::app("South"), XDataItem::string("JC0009"), XDataItem::int_value(7)});
    parcel.set_xdata({XDataItem::app("New_App"), XDataItem::string("新")});  // registers New_App
    parcel.set_vertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    RecordId layer = add_layer(doc, "新图层");
    set_layer_color(doc, layer, 5);
    set_layer_frozen(doc, find_table_entry(doc, "LAYER", "独有宗地"), true);
    set_layer_on(doc, find_table_entry(doc, "LAYER", "0"), false);
    Entity polyline(doc, doc.find_handle("41"));
    polyline.set_vertices({{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}});  // one VERTEX more
    uint64_t added_vertex = Entity(doc, polyline.rec().followers[3]).handle();
    doc.erase(doc.find_handle("4B"));  // LINE
    doc.erase(doc.find_handle("46"));  // INSERT with its ATTRIB and SEQEND
    RecordId point = add_point(doc, {1.5, 2.5, 0});
    uint64_t point_handle = Entity(doc, point).handle();
    doc.set_header("$INSBASE", {doc.make_real(10, 5), doc.make_real(20, 6), doc.make_real(30, 0)});
    doc.end_undo_step();

    const std::string edited = doc.to_dxf();
    ASSERT_NE(edited, original);
    EXPECT_TRUE(doc.can_undo());
    EXPECT_EQ(doc.undo_name(), "edit parcels");

    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.to_dxf(), original) << "every tag as before, $HANDSEED included";
    EXPECT_EQ(doc.next_handle(), seed);
    EXPECT_EQ(doc.modelspace().size(), entities);
    EXPECT_NE(doc.find_handle("4B"), kNoRecord) << "erased entities come back with their handles";
    EXPECT_NE(doc.find_handle("47"), kNoRecord) << "followers too";
    EXPECT_EQ(doc.find_handle(point_handle), kNoRecord) << "added entities are gone";
    EXPECT_EQ(doc.find_handle(added_vertex), kNoRecord);
    EXPECT_EQ(find_table_entry(doc, "APPID", "New_App"), kNoRecord);
    EXPECT_EQ(find_table_entry(doc, "LAYER", "新图层"), kNoRecord);
    EXPECT_FALSE(layer_info(doc, find_table_entry(doc, "LAYER", "独有宗地")).frozen);
    EXPECT_TRUE(layer_info(doc, find_table_entry(doc, "LAYER", "0")).on);
    EXPECT_EQ(Entity(doc, doc.find_handle("40")).xdata("South")[1].text, "JC0001");
    EXPECT_EQ(Entity(doc, doc.find_handle("41")).vertices().size(), 3u);
    EXPECT_TRUE(doc.can_redo());

    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(doc.to_dxf(), edited);
    EXPECT_EQ(doc.find_handle("4B"), kNoRecord);
    ASSERT_NE(doc.find_handle(point_handle), kNoRecord);
    EXPECT_EQ(Entity(doc, doc.find_handle(point_handle)).point(10), (Point3{1.5, 2.5, 0}));
    EXPECT_NE(doc.find_handle(added_vertex), kNoRecord);
    EXPECT_NE(find_table_entry(doc, "APPID", "New_App"), kNoRecord);
    EXPECT_EQ(doc.modelspace().size(), entities - 2 + 1);

    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.to_dxf(), original) << "and back once more";
}

TEST(Undo, StepsAreUndoneInOrderAndANewStepClearsRedo) {
    Document doc = Document::parse(r2010_text(), "t");
    const std::string s0 = doc.to_dxf();
    doc.begin_undo_step("one");
    Entity(doc, doc.find_handle("49")).set_text("一");
    doc.end_undo_step();
    const std::string s1 = doc.to_dxf();
    doc.begin_undo_step("two");
    RecordId p = add_point(doc, {1, 1, 0});
    uint64_t h = Entity(doc, p).handle();
    doc.end_undo_step();

    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.to_dxf(), s1);
    EXPECT_EQ(doc.redo_name(), "two");
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.to_dxf(), s0);
    EXPECT_FALSE(doc.undo()) << "nothing left";
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(doc.to_dxf(), s1);

    // A new step after an undo: the redo history is gone, and the handle given out by the
    // undone step is free again and belongs to the new entity.
    doc.begin_undo_step("three");
    RecordId q = add_point(doc, {2, 2, 0});
    doc.end_undo_step();
    EXPECT_FALSE(doc.can_redo());
    EXPECT_EQ(Entity(doc, q).handle(), h);
    EXPECT_EQ(doc.find_handle(h), q);
    EXPECT_EQ(Entity(doc, doc.find_handle(h)).point(10), (Point3{2, 2, 0}));
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.find_handle(h), kNoRecord);
    EXPECT_EQ(doc.to_dxf(), s1);
}

TEST(Undo, NestedStepsAreOneAndEmptyStepsAreNone) {
    Document doc = Document::parse(r2010_text(), "t");
    const std::string s0 = doc.to_dxf();
    doc.begin_undo_step("outer");
    Entity(doc, doc.find_handle("40")).set_color(1);
    doc.begin_undo_step("inner");
    Entity(doc, doc.find_handle("41")).set_color(2);
    doc.end_undo_step();
    EXPECT_FALSE(doc.undo()) << "no undo while a step is open";
    doc.end_undo_step();
    EXPECT_EQ(doc.undo_name(), "outer");
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.to_dxf(), s0) << "both changes in one step";
    EXPECT_FALSE(doc.can_undo());

    doc.begin_undo_step("nothing");
    (void)Entity(doc, doc.find_handle("40")).layer();
    doc.end_undo_step();
    EXPECT_FALSE(doc.can_undo()) << "a step that changed nothing is not kept";
}

// What the engine's writers do, each undone as one step: the drawing comes back byte for byte
// with its handle seed, and is redone as it was after the edit.
TEST(Undo, EachEditOfTheEngineIsOneStep) {
    TempDir dir;
    write_file(dir / "tile.png", png_header(20, 10));
    const std::vector<std::pair<const char*, std::function<void(Document&)>>> edits = {
        {"create", [](Document& d) {
             add_polyline(d, {{0, 0, 0}, {1, 0, 0}}, false, "新层");
             add_text(d, "字", {0, 0, 0}, 1);
         }},
        {"hatch with its reactor", [](Document& d) { add_user_hatch(d, d.modelspace()[0], {}); }},
        {"image with its objects", [&](Document& d) {
             set_image_clip(d, add_image(d, dir / "tile.png", {0, 0, 0}, 10), {{1, 1, 0}, {4, 4, 0}});
         }},
        {"draw order", [](Document& d) {
             auto order = d.modelspace();
             std::reverse(order.begin(), order.end());
             set_draw_order(d, order);
         }},
        {"transform", [](Document& d) {
             for (RecordId id : d.modelspace()) rotate(Entity(d, id), {0, 0, 0}, 1);
         }},
    };
    for (const auto& [name, edit] : edits) {
        Document doc = Document::create();
        add_lwpolyline(doc, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, true);
        add_polyline(doc, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, false, "沟渠", true);
        const std::string before = doc.to_dxf();
        const uint64_t seed = doc.next_handle();
        doc.begin_undo_step(name);
        edit(doc);
        doc.end_undo_step();
        const std::string after = doc.to_dxf();
        ASSERT_NE(after, before) << name;
        ASSERT_TRUE(doc.undo()) << name;
        EXPECT_EQ(doc.to_dxf(), before) << name;
        EXPECT_EQ(doc.next_handle(), seed) << name;
        ASSERT_TRUE(doc.redo()) << name;
        EXPECT_EQ(doc.to_dxf(), after) << name;
    }
}
