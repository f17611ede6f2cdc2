// Polylines and texts are read straight from their groups when a drawing is opened, for the
// renderer's items and the index's boxes alike; what they give must be what the entities'
// shapes give, arcs, extrusions and repeated or missing vertices included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/geometry.h"
#include "drawing/image_files.h"
#include "drawing/spatial_index.h"
#include "render/items.h"

namespace korvane::render {
namespace {

TEST(Items, ReadFromTheGroupsAsTheirShapesAre) {
    const std::vector<std::string> entities = {
        // closed, the last vertex the first again
        "LWPOLYLINE\n8\nA\n90\n4\n70\n1\n10\n1\n20\n2\n10\n3\n20\n2\n10\n3\n20\n5\n10\n1\n20\n2",
        // open, repeated vertices
        "LWPOLYLINE\n8\nA\n90\n5\n70\n0\n10\n1\n20\n2\n10\n1\n20\n2\n10\n4\n20\n2\n10\n4\n20\n2\n10\n1\n20\n2",
        "LWPOLYLINE\n8\nA\n90\n1\n10\n7\n20\n8",  // one vertex: a point
        "LWPOLYLINE\n8\nA\n90\n0\n70\n1",         // none
        "LWPOLYLINE\n8\nA\n90\n2\n43\n0.5\n10\n1\n20\n1\n42\n0\n10\n5\n20\n1",  // width, a straight bulge
        "LWPOLYLINE\n8\nA\n90\n3\n70\n1\n10\n0\n20\n0\n42\n0.4142\n10\n10\n20\n0\n10\n10\n20\n10",  // an arc
        "LWPOLYLINE\n8\nA\n90\n2\n10\n1\n20\n1\n10\n5\n20\n3\n210\n0\n220\n0\n230\n-1",  // extruded
        "LWPOLYLINE\n8\nA\n90\n2\n10\n1\n10\n5\n20\n3",  // an x without its y
        "LWPOLYLINE\n8\nA\n90\n3\n10\n-0.0\n20\n1\n10\n0\n20\n1\n10\n1e2\n20\n1.5E1",
        "TEXT\n8\nA\n10\n3\n20\n4\n30\n0\n40\n2.5\n1\nJ1\n50\n30\n72\n1\n11\n6\n21\n7\n73\n2",
        "TEXT\n8\nA\n1\nno point",
        "TEXT\n8\nA\n10\n3\n20\n4\n1\nturned\n210\n0\n220\n0\n230\n-1",
        "MTEXT\n8\nA\n10\n9\n20\n8\n40\n3\n1\nparagraph",
        "POINT\n8\nA\n10\n-5\n20\n6",
        "CIRCLE\n8\nA\n10\n1\n20\n1\n40\n2",
    };
    std::string dxf = "0\nSECTION\n2\nENTITIES\n";
    for (const std::string& e : entities) dxf += "0\n" + e + "\n";
    dxf += "0\nENDSEC\n0\nEOF\n";
    const drawing::Document doc = drawing::Document::parse(dxf, "items.dxf");
    ASSERT_EQ(doc.modelspace().size(), entities.size());

    LayerTable layers;
    drawing::BlockBoxCache blocks;
    drawing::ImageFileLocator files("", "");
    ItemBuilder builder(doc, layers, blocks, files);
    drawing::SpatialIndex index(doc);
    for (drawing::RecordId id : doc.modelspace()) {
        SCOPED_TRACE(std::string(doc.type(id)) + " " + std::to_string(id));
        if (doc.type(id) != "LWPOLYLINE") continue;
        const drawing::Shape shape = drawing::entity_shape(doc, id);
        const std::unique_ptr<Item> item = builder.build(id, false);
        ASSERT_EQ(item->kind, shape.empty() ? Item::Skip : Item::Lines);
        EXPECT_EQ(item->points, shape.points);
        ASSERT_EQ(item->paths.size(), shape.paths.size());
        for (size_t k = 0; k < shape.paths.size(); ++k) {
            EXPECT_EQ(item->paths[k].points, shape.paths[k].points);
            EXPECT_EQ(item->paths[k].closed, shape.paths[k].closed);
        }
        EXPECT_EQ(item->width, drawing::EntityView(doc, id).constant_width());
    }
    // Each entry's box is its entity's; the polyline without vertices has none.
    std::vector<uint32_t> all;
    index.query_entries(index.extents(), all);
    EXPECT_EQ(all.size(), entities.size() - 1);
    for (uint32_t e : all) {
        const drawing::Box2 want = *drawing::entity_bounds(doc, index.entry_id(e)), got = index.entry_box(e);
        EXPECT_TRUE(got.min_x == want.min_x && got.min_y == want.min_y && got.max_x == want.max_x && got.max_y == want.max_y);
    }
}

}  // namespace
}  // namespace korvane::render
