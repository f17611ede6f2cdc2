#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "drawing/geometry.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {


std::vector<RecordId> ids(const Document& doc) { return doc.modelspace(); }

}  // namespace

// ---------------------------------------------------------------- bounds

TEST(EntityBounds, PolylineArcsReachTheirExtremePoints) {
    // A 10 x 10 square whose bottom edge bulges out into a half circle (radius 5, down to y = -5).
    DxfBuilder b;
    b.lwpolyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true, {}, {1.0, 0, 0, 0});
    Document doc = b.doc();
    auto box = entity_bounds(doc, ids(doc)[0]);
    ASSERT_TRUE(box);
    EXPECT_NEAR(box->min_y, -5.0, 1e-12);
    EXPECT_DOUBLE_EQ(box->min_x, 0);
    EXPECT_DOUBLE_EQ(box->max_x, 10);
    EXPECT_DOUBLE_EQ(box->max_y, 10);
}

TEST(EntityBounds, NegativeBulgeBulgesTheOtherWay) {
    DxfBuilder b;
    b.lwpolyline({{0, 0}, {10, 0}}, false, {}, {-1.0});
    Document doc = b.doc();
    auto box = entity_bounds(doc, ids(doc)[0]);
    ASSERT_TRUE(box);
    EXPECT_NEAR(box->max_y, 5.0, 1e-12);
    EXPECT_NEAR(box->min_y, 0.0, 1e-12);
}

TEST(EntityBounds, ArcsCirclesAndArcsAcrossZeroDegrees) {
    DxfBuilder b;
    b.circle({100, 200}, 3);
    b.arc({0, 0}, 2, 350, 10);   // crosses 0 degrees: reaches x = 2
    b.arc({0, 0}, 2, 45, 135);   // top quadrant point y = 2
    Document doc = b.doc();
    auto v = ids(doc);
    EXPECT_EQ(*entity_bounds(doc, v[0]), (Box2{97, 197, 103, 203}));
    auto across = *entity_bounds(doc, v[1]);
    EXPECT_NEAR(across.max_x, 2.0, 1e-12);
    EXPECT_NEAR(across.min_x, 2 * std::cos(10 * std::numbers::pi / 180), 1e-12);
    EXPECT_NEAR(across.max_y, 2 * std::sin(10 * std::numbers::pi / 180), 1e-12);
    auto top = *entity_bounds(doc, v[2]);
    EXPECT_NEAR(top.max_y, 2.0, 1e-12);
    EXPECT_NEAR(top.min_y, std::sqrt(2.0), 1e-12);
}

TEST(EntityBounds, MirroredExtrusionTakesObjectCoordinatesToWorld) {
    // Extrusion (0, 0, -1): the object x axis points to world -x.
    DxfBuilder b;
    b.circle({10, 5}, 1, {}, "210\n0\n220\n0\n230\n-1\n");
    Document doc = b.doc();
    EXPECT_EQ(*entity_bounds(doc, ids(doc)[0]), (Box2{-11, 4, -9, 6}));
}

TEST(EntityBounds, TextByInsertionPointInsertAndImageByTheirFrames) {
    DxfBuilder b;
    b.blocks =
        "0\nBLOCK\n8\n0\n2\nMARK\n70\n0\n10\n1\n20\n1\n30\n0\n"
        "0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n3\n21\n2\n31\n0\n"
        "0\nENDBLK\n8\n0\n";
    b.text({5, 6}, "ABC");
    // The block spans (0,0)-(3,2) around its base (1,1); scaled by 2 and turned 90 degrees at (100,100).
    b.raw("INSERT", "2\nMARK\n10\n100\n20\n100\n30\n0\n41\n2\n42\n2\n50\n90\n");
    // An image of 4 x 2 pixels of 0.5 units at (10, 20).
    b.raw("IMAGE", "10\n10\n20\n20\n30\n0\n11\n0.5\n21\n0\n31\n0\n12\n0\n22\n0.5\n32\n0\n13\n4\n23\n2\n");
    Document doc = b.doc();
    auto v = ids(doc);
    EXPECT_EQ(*entity_bounds(doc, v[0]), (Box2{5, 6, 5, 6}));
    Box2 ins = *entity_bounds(doc, v[1]);
    // Block box relative to base: x -1..2, y -1..1; scaled: x -2..4, y -2..2; turned 90: x -2..2, y -2..4.
    EXPECT_NEAR(ins.min_x, 98, 1e-9);
    EXPECT_NEAR(ins.max_x, 102, 1e-9);
    EXPECT_NEAR(ins.min_y, 98, 1e-9);
    EXPECT_NEAR(ins.max_y, 104, 1e-9);
    EXPECT_EQ(*entity_bounds(doc, v[2]), (Box2{10, 20, 12, 21}));
}

TEST(EntityBounds, HatchByItsBoundaryLoops) {
    DxfBuilder b;
    // Loop 1: polyline loop (a 4 x 4 square at 50,50); loop 2: edges (line + half circle above y=0).
    std::string body =
        "100\nAcDbHatch\n10\n0\n20\n0\n30\n0\n210\n0\n220\n0\n230\n1\n2\nSOLID\n70\n1\n71\n0\n91\n2\n"
        "92\n2\n72\n0\n73\n1\n93\n4\n10\n50\n20\n50\n10\n54\n20\n50\n10\n54\n20\n54\n10\n50\n20\n54\n97\n0\n"
        "92\n1\n93\n2\n72\n1\n10\n-10\n20\n0\n11\n10\n21\n0\n72\n2\n10\n0\n20\n0\n40\n10\n50\n0\n51\n180\n73\n1\n97\n0\n"
        "75\n0\n76\n1\n98\n1\n10\n1\n20\n1\n";
    b.raw("HATCH", body);
    Document doc = b.doc();
    Shape s = entity_shape(doc, ids(doc)[0]);
    ASSERT_EQ(s.paths.size(), 2u);
    EXPECT_TRUE(s.areal);
    Box2 box = s.bounds();
    EXPECT_NEAR(box.min_x, -10, 1e-9);
    EXPECT_NEAR(box.min_y, 0, 1e-9);
    EXPECT_NEAR(box.max_x, 54, 1e-9);
    EXPECT_NEAR(box.max_y, 54, 1e-9);
    // The half circle of the edge loop reaches y = 10.
    Box2 edges;
    for (const Point2& p : s.paths[1].points) edges.add(p);
    EXPECT_NEAR(edges.max_y, 10, 1e-9);
}

TEST(EntityBounds, EntitiesWithoutAPlaceHaveNone) {
    DxfBuilder b;
    b.raw("LWPOLYLINE", "100\nAcDbPolyline\n90\n0\n70\n0\n");
    Document doc = b.doc();
    EXPECT_FALSE(entity_bounds(doc, ids(doc)[0]));
}

// ---------------------------------------------------------------- areas and containment

TEST(PolylineArea, ArcsCountExactlyWhicheverWayTheRingRuns) {
    // 10 x 10 square, bottom edge bulging outwards as a half circle of radius 5.
    std::vector<Point2> ccw{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    double expected = 100 + std::numbers::pi * 25 / 2;
    EXPECT_NEAR(polyline_area(ccw, {1, 0, 0, 0}), expected, 1e-9);
    // The same figure clockwise: the bottom edge runs 10,0 -> 0,0 and must bulge the other way.
    std::vector<Point2> cw{{0, 10}, {10, 10}, {10, 0}, {0, 0}};
    EXPECT_NEAR(polyline_area(cw, {0, 0, -1, 0}), expected, 1e-9);
    // A bulge into the square takes the half circle away.
    EXPECT_NEAR(polyline_area(ccw, {-1, 0, 0, 0}), 100 - std::numbers::pi * 25 / 2, 1e-9);
    // A quarter-circle bulge (tan 22.5 degrees) on one edge.
    double b = std::tan(std::numbers::pi / 8);
    double r = 10 / (2 * std::sin(std::numbers::pi / 4));
    EXPECT_NEAR(polyline_area(ccw, {b, 0, 0, 0}), 100 + r * r / 2 * (std::numbers::pi / 2 - 1), 1e-9);
}

TEST(PolylineArea, RepeatedClosingVertexAndFarCoordinates) {
    std::vector<Point2> ring{{kX0, kY0}, {kX0 + 20, kY0}, {kX0 + 20, kY0 + 30}, {kX0, kY0 + 30}, {kX0, kY0}};
    EXPECT_NEAR(polyline_area(ring), 600, 1e-6);
}

TEST(EntityArea, PolylinesCirclesAndNothingForLines) {
    DxfBuilder b;
    b.lwpolyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true, {}, {1, 0, 0, 0});
    b.circle({0, 0}, 2);
    b.line({0, 0}, {1, 1});
    Document doc = b.doc();
    auto v = ids(doc);
    EXPECT_NEAR(*entity_area(doc, v[0]), 100 + std::numbers::pi * 25 / 2, 1e-9);
    EXPECT_NEAR(*entity_area(doc, v[1]), 4 * std::numbers::pi, 1e-12);
    EXPECT_FALSE(entity_area(doc, v[2]));
}

TEST(PointInPolygon, InsideOutsideAndOnTheBoundary) {
    std::vector<Point2> ring{{0, 0}, {10, 0}, {10, 10}, {5, 4}, {0, 10}};  // notched at the top
    EXPECT_EQ(locate_in_ring({2, 2}, ring), Location::Inside);
    EXPECT_EQ(locate_in_ring({5, 8}, ring), Location::Outside);  // in the notch
    EXPECT_EQ(locate_in_ring({5, 0}, ring), Location::Boundary);
    EXPECT_EQ(locate_in_ring({10, 10}, ring), Location::Boundary);
    EXPECT_EQ(locate_in_ring({-1, 5}, ring), Location::Outside);
    EXPECT_EQ(locate_in_ring({5, -1e-7}, ring, 1e-6), Location::Boundary);
}

TEST(PointInPolygon, FollowsTheArcsOfAClosedPolyline) {
    DxfBuilder b;
    b.lwpolyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true, {}, {1, 0, 0, 0});
    b.line({0, 0}, {1, 1});
    Document doc = b.doc();
    auto v = ids(doc);
    EXPECT_EQ(*locate_in_entity(doc, v[0], {5, -4}), Location::Inside);  // inside the half circle
    EXPECT_EQ(*locate_in_entity(doc, v[0], {0.5, -4}), Location::Outside);
    EXPECT_EQ(*locate_in_entity(doc, v[0], {5, 5}), Location::Inside);
    EXPECT_FALSE(locate_in_entity(doc, v[1], {0.5, 0.5}));
}

// ---------------------------------------------------------------- GEOS geometries

TEST(GeosShapes, ClosedPolylineGivesPolygonAndClosedOutline) {
    DxfBuilder b;
    b.square(kX0, kY0, kX0 + 20, kY0 + 30);  // closing vertex repeated
    b.lwpolyline({{0, 0}, {10, 0}, {10, 10}}, false);
    Document doc = b.doc();
    auto v = ids(doc);
    GeosContext ctx;
    GEOSContextHandle_t h = ctx.handle();
    Point2 origin{kX0, kY0};

    Shape closed = entity_shape(doc, v[0]);
    GeosGeom area = shape_area(ctx, closed, origin);
    ASSERT_TRUE(area);
    EXPECT_EQ(GEOSGeomTypeId_r(h, area.get()), GEOS_POLYGON);
    EXPECT_EQ(GEOSisValid_r(h, area.get()), 1);
    double a = 0;
    GEOSArea_r(h, area.get(), &a);
    EXPECT_NEAR(a, 600, 1e-9);

    GeosGeom outline = shape_outline(ctx, closed, origin);
    ASSERT_TRUE(outline);
    EXPECT_EQ(GEOSGeomTypeId_r(h, outline.get()), GEOS_LINESTRING);
    EXPECT_EQ(GEOSisClosed_r(h, outline.get()), 1);
    EXPECT_EQ(GEOSGeomGetNumPoints_r(h, outline.get()), 5);  // four corners and the closing point

    Shape open = entity_shape(doc, v[1]);
    EXPECT_FALSE(open.areal);
    EXPECT_FALSE(shape_area(ctx, open));
    GeosGeom line = shape_outline(ctx, open);
    ASSERT_TRUE(line);
    EXPECT_EQ(GEOSisClosed_r(h, line.get()), 0);
}

TEST(GeosShapes, ChordsOfACircleStayWithinTheChordError) {
    DxfBuilder b;
    b.circle({0, 0}, 1000);
    Document doc = b.doc();
    GeosContext ctx;
    ArcOptions arcs;
    Shape s = entity_shape(doc, ids(doc)[0], arcs);
    GeosGeom poly = shape_area(ctx, s);
    ASSERT_TRUE(poly);
    double a = 0;
    GEOSArea_r(ctx.handle(), poly.get(), &a);
    double full = std::numbers::pi * 1000 * 1000;
    EXPECT_LT(a, full);
    // Chord error e loses less than the perimeter times e.
    EXPECT_GT(a, full - 2 * std::numbers::pi * 1000 * arcs.chord_error);
}

TEST(GeosContextTest, ExteriorRingComesBackWithTheOrigin) {
    GeosContext ctx;
    Point2 origin{kX0, kY0};
    std::vector<Point2> ring{{kX0 + 1, kY0 + 1}, {kX0 + 3, kY0 + 1}, {kX0 + 3, kY0 + 4}};
    GeosGeom poly = ctx.polygon(ring, origin);
    ASSERT_TRUE(poly);
    EXPECT_EQ(ctx.exterior(poly.get(), origin), ring);
    // Too few distinct points make no polygon.
    EXPECT_FALSE(ctx.polygon({{0, 0}, {1, 1}, {1, 1}, {0, 0}}));
}
