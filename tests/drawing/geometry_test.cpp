#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>

#include "drawing/geometry.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

// ---------------------------------------------------------------- bounds

TEST(EntityBounds, EachTypeByItsExtremePoints) {
    const double r2 = std::sqrt(2.0), c10 = 2 * std::cos(std::numbers::pi / 18), s10 = 2 * std::sin(std::numbers::pi / 18);
    DxfBuilder b;
    b.blocks = "0\nBLOCK\n8\n0\n2\nMARK\n70\n0\n10\n1\n20\n1\n30\n0\n0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n3\n21\n2\n31\n0\n"
               "0\nENDBLK\n8\n0\n";
    // A 10 x 10 square whose bottom edge bulges out into a half circle (radius 5, down to y = -5);
    // a negative bulge bulges the other way.
    b.lwpolyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true, {}, {1.0, 0, 0, 0});
    b.lwpolyline({{0, 0}, {10, 0}}, false, {}, {-1.0});
    b.circle({100, 200}, 3);
    b.arc({0, 0}, 2, 350, 10);  // across 0 degrees: reaches x = 2
    b.arc({0, 0}, 2, 45, 135);  // the top quadrant point, y = 2
    b.circle({10, 5}, 1, {}, "210\n0\n220\n0\n230\n-1\n");  // extrusion (0,0,-1): object x is world -x
    b.text({5, 6}, "ABC");  // by its insertion point
    // The block spans (0,0)-(3,2) about its base (1,1): x -1..2, y -1..1; scaled by 2: x -2..4,
    // y -2..2; turned 90 degrees: x -2..2, y -2..4, at (100,100).
    b.raw("INSERT", "2\nMARK\n10\n100\n20\n100\n30\n0\n41\n2\n42\n2\n50\n90\n");
    // An image of 4 x 2 pixels of 0.5 units at (10, 20).
    b.raw("IMAGE", "10\n10\n20\n20\n30\n0\n11\n0.5\n21\n0\n31\n0\n12\n0\n22\n0.5\n32\n0\n13\n4\n23\n2\n");
    b.raw("LWPOLYLINE", "100\nAcDbPolyline\n90\n0\n70\n0\n");  // no vertices: no place
    const std::vector<std::optional<Box2>> want = {
        Box2{0, -5, 10, 10}, Box2{0, 0, 10, 5},   Box2{97, 197, 103, 203}, Box2{c10, -s10, 2, s10}, Box2{-r2, r2, r2, 2},
        Box2{-11, 4, -9, 6}, Box2{5, 6, 5, 6}, Box2{98, 98, 102, 104},   Box2{10, 20, 12, 21},   std::nullopt};
    Document doc = b.doc();
    ASSERT_EQ(doc.modelspace().size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        auto got = entity_bounds(doc, doc.modelspace()[i]);
        ASSERT_EQ(bool(got), bool(want[i])) << i;
        if (!got) continue;
        EXPECT_NEAR(got->min_x, want[i]->min_x, 1e-9) << i;
        EXPECT_NEAR(got->min_y, want[i]->min_y, 1e-9) << i;
        EXPECT_NEAR(got->max_x, want[i]->max_x, 1e-9) << i;
        EXPECT_NEAR(got->max_y, want[i]->max_y, 1e-9) << i;
    }
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
    Shape s = entity_shape(doc, doc.modelspace()[0]);
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
    EXPECT_FALSE(entity_bounds(doc, doc.modelspace()[0]));
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
    auto v = doc.modelspace();
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
    auto v = doc.modelspace();
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
    auto v = doc.modelspace();
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
    Shape s = entity_shape(doc, doc.modelspace()[0], arcs);
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
