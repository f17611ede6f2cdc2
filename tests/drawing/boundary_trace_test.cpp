#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "drawing/boundary_trace.h"
#include "drawing/entity.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {


// True when both rings hold the same points (each within `tol`), whatever the start point.
bool same_corners(const std::vector<Point2>& got, std::vector<Point2> want, double tol) {
    if (want.size() > 1 && want.front() == want.back()) want.pop_back();
    if (got.size() != want.size()) return false;
    for (const Point2& w : want)
        if (std::none_of(got.begin(), got.end(), [&](const Point2& g) { return std::hypot(g.x - w.x, g.y - w.y) <= tol; }))
            return false;
    return true;
}

}  // namespace

TEST(BoundaryTrace, SquareAmongSquares) {
    const double W = 23.7, H = 31.3;
    DxfBuilder b;
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 5; ++i) b.lwpolyline(grid_parcel(i, j, W, H), true, {"ZD"});
    Document doc = b.doc();
    SpatialIndex index(doc);
    for (auto [i, j] : {std::pair{2, 2}, std::pair{0, 0}, std::pair{4, 1}}) {
        auto want = grid_parcel(i, j, W, H);
        Point2 inside{want[0].x + W / 3, want[0].y + H / 4};
        auto ring = trace_boundary(index, inside);
        ASSERT_TRUE(ring) << i << "," << j;
        EXPECT_TRUE(same_corners(*ring, want, 1e-6)) << i << "," << j << ": " << ring->size() << " points";
        EXPECT_GT(ring_signed_area(*ring), 0);  // counter-clockwise
        EXPECT_NEAR(ring_signed_area(*ring), W * H, 1e-3);
    }
}

TEST(BoundaryTrace, KeepsCoordinatesGivenInMillimetres) {
    DxfBuilder b;
    b.square(kX0 + 100.123, kY0 + 200.457, kX0 + 130.001, kY0 + 240.999);
    b.square(kX0 + 130.001, kY0 + 200.457, kX0 + 150.5, kY0 + 240.999);
    Document doc = b.doc();
    SpatialIndex index(doc);
    auto ring = trace_boundary(index, {kX0 + 110, kY0 + 220});
    ASSERT_TRUE(ring);
    std::vector<Point2> want{{kX0 + 100.123, kY0 + 200.457}, {kX0 + 130.001, kY0 + 200.457},
                             {kX0 + 130.001, kY0 + 240.999}, {kX0 + 100.123, kY0 + 240.999}};
    EXPECT_TRUE(same_corners(*ring, want, 0.0)) << "corners should come back as the very same numbers";
}

TEST(BoundaryTrace, RegionOfLinesAndArcs) {
    // A stadium: two lines joined by two half circles (radius 5), and a crossing line outside it.
    DxfBuilder b;
    b.line({0, 0}, {20, 0});
    b.line({0, 10}, {20, 10});
    b.arc({20, 5}, 5, 270, 90);
    b.arc({0, 5}, 5, 90, 270);
    b.line({-10, 20}, {30, 20});
    Document doc = b.doc();
    SpatialIndex index(doc);
    auto ring = trace_boundary(index, {10, 5});
    ASSERT_TRUE(ring);
    double area = ring_signed_area(*ring);
    double exact = 20 * 10 + std::numbers::pi * 25;
    EXPECT_LT(area, exact);
    EXPECT_GT(area, exact - 0.05);
    Box2 box;
    for (const Point2& p : *ring) box.add(p);
    EXPECT_NEAR(box.min_x, -5, 1e-4);
    EXPECT_NEAR(box.max_x, 25, 1e-4);
    // Inside one of the half circles the same region comes back.
    auto again = trace_boundary(index, {23, 5});
    ASSERT_TRUE(again);
    EXPECT_NEAR(ring_signed_area(*again), area, 1e-9);
}

TEST(BoundaryTrace, CircleCutByALine) {
    DxfBuilder b;
    b.circle({0, 0}, 10);
    b.line({-20, 0}, {20, 0});
    Document doc = b.doc();
    SpatialIndex index(doc);
    auto upper = trace_boundary(index, {0, 5});
    ASSERT_TRUE(upper);
    EXPECT_NEAR(ring_signed_area(*upper), std::numbers::pi * 100 / 2, 0.2);
    for (const Point2& p : *upper) EXPECT_GE(p.y, -1e-9);
}

TEST(BoundaryTrace, OpenPointsGiveNothing) {
    DxfBuilder b;
    b.square(0, 0, 10, 10);
    b.lwpolyline({{20, 0}, {30, 0}, {30, 10}, {20, 10}}, false);  // a U, open at the left
    b.line({40, 0}, {40, 100});
    Document doc = b.doc();
    SpatialIndex index(doc);
    EXPECT_FALSE(trace_boundary(index, {15, 5}));    // between the two
    EXPECT_FALSE(trace_boundary(index, {25, 5}));    // inside the open U
    EXPECT_FALSE(trace_boundary(index, {-50, 5}));   // outside the drawing
    EXPECT_FALSE(trace_boundary(index, {10, 5}));    // on a line
    EXPECT_TRUE(trace_boundary(index, {5, 5}));
}

TEST(BoundaryTrace, IslandsStayInTheOuterRing) {
    DxfBuilder b;
    b.square(0, 0, 100, 100);
    b.square(40, 40, 60, 60);
    Document doc = b.doc();
    SpatialIndex index(doc);
    auto outer = trace_boundary(index, {10, 10});
    ASSERT_TRUE(outer);
    EXPECT_NEAR(ring_signed_area(*outer), 10000, 1e-6);  // the island is not cut out
    auto inner = trace_boundary(index, {50, 50});
    ASSERT_TRUE(inner);
    EXPECT_NEAR(ring_signed_area(*inner), 400, 1e-6);
}

TEST(BoundaryTrace, GrowsTheSearchUntilNoEntityOutsideCanSplitTheRegion) {
    // A long strip split far from the picked point; a small first window sees only the strip.
    DxfBuilder b;
    b.square(0, 0, 1000, 10);
    b.line({900, 0}, {900, 10});
    b.square(5000, 5000, 5001, 5001);  // makes the drawing large
    Document doc = b.doc();
    SpatialIndex index(doc);
    BoundaryOptions small;
    small.start_half_size = 1;
    auto ring = trace_boundary(index, {5, 5}, small);
    ASSERT_TRUE(ring);
    EXPECT_NEAR(ring_signed_area(*ring), 9000, 1e-6);
    auto right = trace_boundary(index, {950, 5}, small);
    ASSERT_TRUE(right);
    EXPECT_NEAR(ring_signed_area(*right), 1000, 1e-6);
}

TEST(BoundaryTrace, FollowsTheDrawingAfterChanges) {
    DxfBuilder b;
    b.square(0, 0, 10, 10);
    Document doc = b.doc();
    SpatialIndex index(doc);
    auto before = trace_boundary(index, {2, 5});
    ASSERT_TRUE(before);
    EXPECT_NEAR(ring_signed_area(*before), 100, 1e-9);
    Entity square(doc, doc.modelspace()[0]);
    square.set_vertices({{0, 0, 0}, {10, 0, 0}, {10, 20, 0}, {0, 20, 0}});
    auto after = trace_boundary(index, {2, 5});
    ASSERT_TRUE(after);
    EXPECT_NEAR(ring_signed_area(*after), 200, 1e-9);
}
