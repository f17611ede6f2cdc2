#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/hatch.h"
#include "drawing/selection.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {

std::vector<std::string> handles(const Document& doc, const std::vector<RecordId>& v) {
    std::vector<std::string> out;
    for (RecordId id : v) out.push_back(format_handle(*doc.handle_of(id)));
    return out;
}

std::vector<Point2> open_ring(std::vector<Point2> ring) {
    if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
    return ring;
}

}  // namespace

// ---------------------------------------------------------------- wildcards

TEST(Wildcards, MatchAsTheCadProgramsDo) {
    const std::vector<std::tuple<const char*, const char*, bool>> cases = {
        // Comma lists, any case, whole names; blanks count in names.
        {"LWPOLYLINE", "lwpolyline", true}, {"text,lwpolyline", "LWPOLYLINE", true},
        {"TEXT, LWPOLYLINE", "LWPOLYLINE", false}, {"POLYLINE", "LWPOLYLINE", false},
        {"LWPOLYLINE", "POLYLINE", false}, {"POLY*", "LWPOLYLINE", false}, {"*POLYLINE", "LWPOLYLINE", true},
        {"*POLYLINE", "POLYLINE", true}, {"?WPOLYLINE", "LWPOLYLINE", true}, {"?POLYLINE", "POLYLINE", false},
        // The other pattern characters.
        {"ZD#", "ZD7", true}, {"ZD#", "ZDA", false}, {"@D", "zd", true}, {"A.B", "A-B", true}, {"A.B", "AXB", false},
        {"[AB]1", "b1", true}, {"[~AB]1", "B1", false}, {"[A-C]*", "CIRCLE", true}, {"~TEXT", "MTEXT", true},
        {"~TEXT", "text", false}, {"A`,B", "A,B", true}, {"A`*", "A*", true}, {"A`*", "AB", false}, {"*", "", true},
        // ? is one character, not one byte.
        {"宗地?", "宗地岛", true}, {"宗地??", "宗地岛", false}, {"*岛", "宗地岛", true}, {"界址点,宗地", "宗地", true},
        {"宗地", "宗地岛", false},
    };
    for (const auto& [pattern, name, match] : cases) EXPECT_EQ(wildcard_match(pattern, name), match) << pattern << " " << name;
}

// ---------------------------------------------------------------- filters on a drawing

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        DxfBuilder b;
        b.lwpolyline({{0, 0}, {1, 0}, {1, 1}}, true, {"宗地", -1, xdata("South", {"000000", "JA01"})});  // 100
        b.lwpolyline({{0, 0}, {1, 0}, {1, 1}}, true, {"宗地岛", 256, xdata("OTHER", {"x"}) + xdata("South", {"JB02"})});  // 101
        b.raw("POLYLINE", "66\n1\n10\n0\n20\n0\n30\n0\n70\n0\n", {"宗地", 1});  // 102
        b.raw("VERTEX", "10\n0\n20\n0\n30\n0\n");
        b.raw("VERTEX", "10\n5\n20\n5\n30\n0\n");
        b.raw("SEQEND", "");
        b.text({0, 0}, "JA01", {"注记", 1, xdata("south", {"JA01"})});  // 106
        b.point({3, 3}, {"界址点", 2});                                   // 107
        b.circle({3, 3}, 1, {"ZD1"});                                      // 108
        doc = b.doc();
    }
    std::vector<std::string> select(std::initializer_list<std::pair<int, std::string>> pairs) {
        return handles(doc, select_all(doc, SelectionFilter(pairs)));
    }
    Document doc;
};

TEST_F(FilterTest, EachConditionAndTheirCombinations) {
    using V = std::vector<std::string>;
    EXPECT_EQ(handles(doc, select_all(doc)), (V{"100", "101", "102", "106", "107", "108"})) << "drawing order";
    struct Case {
        std::vector<std::pair<int, std::string>> filter;
        V expected;
    };
    const Case cases[] = {
        {{{0, "LWPOLYLINE"}}, {"100", "101"}},
        {{{0, "POLYLINE"}}, {"102"}},
        {{{0, "point"}}, {"107"}},
        {{{0, "text,Circle"}}, {"106", "108"}},
        {{{0, "*POLYLINE"}}, {"100", "101", "102"}},
        {{{0, "TEXT, CIRCLE"}}, {"106", "108"}},  // type names have no blanks
        {{{0, "VERTEX"}}, {}},                    // followers are not model-space entities
        {{{8, "宗地"}}, {"100", "102"}},
        {{{8, "宗地*"}}, {"100", "101", "102"}},
        {{{8, "宗地岛,界址点"}}, {"101", "107"}},
        {{{8, "zd#"}}, {"108"}},
        {{{62, "256"}}, {"100", "101", "108"}},  // by layer is also the colour of entities without one
        {{{62, "1"}}, {"102", "106"}},
        {{{62, "2"}}, {"107"}},
        {{{1000, "JA01"}}, {"100", "106"}},
        {{{1000, "JB02"}}, {"101"}},  // under the second application of the entity
        {{{1000, "ja01"}}, {}},       // values compare exactly
        {{{1000, "JA0"}}, {}},
        {{{1001, "SOUTH"}}, {"100", "101", "106"}},
        {{{1001, "OTHER"}}, {"101"}},
        // Pairs combine with AND.
        {{{0, "LWPOLYLINE"}, {8, "宗地"}}, {"100"}},
        {{{0, "LWPOLYLINE,TEXT"}, {1000, "JA01"}}, {"100", "106"}},
        {{{0, "LWPOLYLINE,TEXT"}, {1000, "JA01"}, {62, "1"}}, {"106"}},
        {{{1000, "JA01"}, {1000, "000000"}}, {"100"}},
        {{{0, "TEXT"}, {8, "宗地"}}, {}},
    };
    for (const Case& c : cases) {
        SelectionFilter filter;
        std::string label;
        for (const auto& [code, value] : c.filter) {
            filter.add(code, value);
            label += std::to_string(code) + "=" + value + " ";
        }
        EXPECT_EQ(handles(doc, select_all(doc, filter)), c.expected) << label;
    }
}

TEST_F(FilterTest, UnusableConditionsAreRefused) {
    EXPECT_THROW(SelectionFilter().add(-4, "<OR"), std::invalid_argument);
    EXPECT_THROW(SelectionFilter().add(62, "red"), std::invalid_argument);
    EXPECT_NO_THROW(SelectionFilter().add(62, "256"));
}

TEST_F(FilterTest, FollowsEditsOfLayerAndColour) {
    Entity e(doc, doc.modelspace()[4]);  // the point
    e.set_layer("宗地");
    e.set_color(256);
    using V = std::vector<std::string>;
    EXPECT_EQ(select({{8, "宗地"}, {62, "256"}}), (V{"100", "107"}));
}

// ---------------------------------------------------------------- polygons

// A 3 x 3 grid of adjacent parcels far from the origin whose shared edges are computed two ways,
// an island parcel inside the middle one, a text in the middle parcel and a far point.
class PolygonTest : public ::testing::Test {
protected:
    static constexpr double W = 23.7, H = 31.3;
    void SetUp() override {
        DxfBuilder b;
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                auto p = grid_parcel(i, j, W, H);
                b.lwpolyline(p, true, {"ZD"});  // handles 100..108, parcel (i, j) is 100 + 3j + i
            }
        Point2 c = centre(1, 1);
        b.lwpolyline({{c.x - 3, c.y - 3}, {c.x + 3, c.y - 3}, {c.x + 3, c.y + 3}, {c.x - 3, c.y + 3}}, true, {"ZD"});  // 109
        b.text({c.x + 6, c.y + 6}, "T", {"ZJ"});            // 10A
        b.point({grid_x(5, W), grid_y(5, H)}, {"JZD"});      // 10B far away
        doc = b.doc();
        index = std::make_unique<SpatialIndex>(doc);
    }
    Point2 centre(int i, int j) const { return {(grid_x(i, W) + grid_x(i + 1, W)) / 2, (grid_y(j, H) + grid_y(j + 1, H)) / 2}; }
    std::vector<std::string> sel(const std::vector<Point2>& poly, PolygonMode mode, const SelectionFilter& f = {},
                                 double tol = kPickTolerance) {
        return handles(doc, select_by_polygon(doc, *index, poly, mode, f, tol));
    }
    Document doc;
    std::unique_ptr<SpatialIndex> index;
};

TEST_F(PolygonTest, SharedEdgesReallyDifferInTheLastBit) {
    int differing = 0;
    for (int i = 1; i < 3; ++i) differing += grid_x(i, W) != grid_x_from_left(i, W);
    for (int j = 1; j < 3; ++j) differing += grid_y(j, H) != grid_y_from_below(j, H);
    EXPECT_GT(differing, 0) << "the fixture no longer exercises one-bit differences";
}

TEST_F(PolygonTest, CrossingTakesWhatTouchesWindowWhatLiesWhollyInside) {
    using V = std::vector<std::string>;
    const SelectionFilter parcels{{0, "LWPOLYLINE"}};
    const auto mid = grid_parcel(1, 1, W, H);
    const Point2 c = centre(1, 1), left = centre(0, 0), right = centre(2, 0), corner = mid[0];
    const std::vector<Point2> island{{c.x - 3, c.y - 3}, {c.x + 3, c.y - 3}, {c.x + 3, c.y + 3}, {c.x - 3, c.y + 3}};
    // A triangle whose tip touches the middle parcel's lower left corner from below left.
    const std::vector<Point2> tip{{corner.x - 5, corner.y - 1}, {corner.x - 1, corner.y - 5}, corner};
    struct Case {
        const char* what;
        std::vector<Point2> polygon;
        PolygonMode mode;
        SelectionFilter filter;
        V want;
    };
    const Case cases[] = {
        // The middle parcel's own vertices: all eight neighbours touch it (four along edges, four at
        // corners), the island and the text lie inside, the far point does not.
        {"the middle parcel", mid, PolygonMode::Crossing, {}, {"100", "101", "102", "103", "104", "105", "106", "107", "108", "109", "10A"}},
        {"a corner parcel", grid_parcel(0, 0, W, H), PolygonMode::Crossing, parcels, {"100", "101", "103", "104"}},
        {"the middle parcel", mid, PolygonMode::Window, {}, {"104", "109", "10A"}},
        {"the middle parcel", mid, PolygonMode::Window, parcels, {"104", "109"}},
        // The parcel around the island neither crosses nor touches it.
        {"the island", island, PolygonMode::Crossing, {}, {"109"}},
        {"the island", island, PolygonMode::Window, {}, {"109"}},
        {"inside the island", {{c.x - 1, c.y - 1}, {c.x + 1, c.y - 1}, {c.x + 1, c.y + 1}}, PolygonMode::Crossing, {}, {}},
        {"a tip on a corner", tip, PolygonMode::Crossing, {}, {"100", "101", "103", "104"}},
        {"a tip on a corner", tip, PolygonMode::Window, {}, {}},
        // A bow tie over the bottom row: its lobes lie in parcels 100 and 102, crossing in 101.
        {"a bow tie", {{left.x - 2, left.y - 2}, {right.x + 2, right.y + 2}, {right.x + 2, right.y - 2}, {left.x - 2, left.y + 2}},
         PolygonMode::Crossing, {}, {"100", "101", "102"}},
    };
    for (const Case& k : cases) EXPECT_EQ(sel(k.polygon, k.mode, k.filter), k.want) << k.what;
    // Every parcel of the grid finds itself, whichever way its edges were computed.
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            auto got = sel(grid_parcel(i, j, W, H), PolygonMode::Window, parcels);
            std::string self = format_handle(0x100 + 3 * j + i);
            EXPECT_TRUE(std::find(got.begin(), got.end(), self) != got.end()) << self;
        }
}

// What a crossing search takes without asking GEOS (an entity on one of the polygon's corners; a
// ring certainly simple, so not validated) is what GEOS alone takes: rings of the grid's own
// corners, moved by a hair, bow ties, a spike folding back along an edge, a corner on an edge.
TEST_F(PolygonTest, CrossingAgreesWithGeosAlone) {
    const GeosContext& ctx = index->geos();
    GEOSContextHandle_t h = ctx.handle();
    auto geos_alone = [&](const std::vector<Point2>& polygon) {
        GeosGeom poly = ctx.polygon(polygon, index->origin());
        if (GEOSisValid_r(h, poly.get()) != 1) poly = ctx.own(GEOSMakeValid_r(h, poly.get()));
        std::vector<RecordId> out;
        std::vector<uint32_t> all;
        index->query_entries(index->extents(), all);
        for (uint32_t e : all) {
            double d = 0;
            const GEOSGeometry* g = index->entry_outline(e);
            if (g && (GEOSIntersects_r(h, poly.get(), g) == 1 || (GEOSDistance_r(h, poly.get(), g, &d) == 1 && d <= kPickTolerance)))
                out.push_back(index->entry_id(e));
        }
        return handles(doc, out);
    };
    const auto mid = grid_parcel(1, 1, W, H);
    const Point2 a = mid[0], b = mid[1], c = mid[2], d = mid[3];
    const double hair = 1e-9;
    const std::vector<std::vector<Point2>> polygons = {
        mid, grid_parcel(0, 0, W, H), grid_parcel(2, 1, W, H),
        {{a.x + hair, a.y + hair}, {b.x - hair, b.y + hair}, {c.x - hair, c.y - hair}, {d.x + hair, d.y - hair}},
        {{a.x - hair, a.y - hair}, {b.x + hair, b.y - hair}, {c.x + hair, c.y + hair}, {d.x - hair, d.y + hair}},
        {a, c, b, d},                                     // a bow tie on the middle parcel's corners
        {a, b, {b.x + W, b.y}, b, c, d},                  // a spike along the next parcel's edge
        {{(a.x + b.x) / 2, a.y}, c, d},                   // a corner on the middle of an edge
        {{(a.x + b.x) / 2, a.y - 2 * H}, {c.x + W, c.y}, {d.x - W / 2, d.y + H / 2}},
    };
    for (const auto& polygon : polygons) EXPECT_EQ(sel(polygon, PolygonMode::Crossing), geos_alone(polygon)) << polygon[0].x;
}

TEST_F(PolygonTest, RepeatedVerticesDoNotBreakTheSelection) {
    auto clean = sel(open_ring(grid_parcel(1, 1, W, H)), PolygonMode::Crossing);
    auto mid = grid_parcel(1, 1, W, H);
    // Every vertex doubled, and the closing vertex repeated as well.
    std::vector<Point2> doubled;
    for (const Point2& p : mid) {
        doubled.push_back(p);
        doubled.push_back(p);
    }
    EXPECT_EQ(sel(doubled, PolygonMode::Crossing), clean);
    EXPECT_EQ(sel(doubled, PolygonMode::Window), sel(mid, PolygonMode::Window));
    // Fewer than three distinct vertices select nothing.
    EXPECT_TRUE(sel({mid[0], mid[0], mid[1], mid[1], mid[0]}, PolygonMode::Crossing).empty());
    EXPECT_TRUE(sel({}, PolygonMode::Crossing).empty());
    // Three distinct vertices on one line enclose no area.
    EXPECT_TRUE(sel({mid[0], mid[1], {2 * mid[1].x - mid[0].x, mid[1].y}}, PolygonMode::Crossing).empty());
}

TEST_F(PolygonTest, PointsWithinASmallRingAroundACorner) {
    using V = std::vector<std::string>;
    // Twelve points 0.1 around a corner, as the boundary-point numbering searches; a POINT at
    // the corner is found, one 0.2 away is not.
    DxfBuilder b;
    Point2 corner{kX0 + 10.123, kY0 + 20.456};
    b.point(corner, {"今后界址点"});
    b.point({corner.x + 0.2, corner.y}, {"今后界址点"});
    b.square(corner.x, corner.y, corner.x + 5, corner.y + 5, {"ZD"});
    Document d = b.doc();
    SpatialIndex idx(d);
    std::vector<Point2> ring;
    for (int k = 0; k < 12; ++k) {
        double a = k * 30 * std::numbers::pi / 180;
        ring.push_back({corner.x + 0.1 * std::cos(a), corner.y + 0.1 * std::sin(a)});
    }
    EXPECT_EQ(handles(d, select_by_polygon(d, idx, ring, PolygonMode::Crossing, {{0, "point"}, {8, "今后界址点"}})),
              (V{"100"}));
}

TEST_F(PolygonTest, PickAtAPoint) {
    auto mid = grid_parcel(1, 1, W, H);
    Point2 on_left_edge{mid[0].x, (mid[0].y + mid[3].y) / 2};
    // The shared edge of parcels 103 and 104: the later one in drawing order wins a tie.
    RecordId hit = pick_at(doc, *index, on_left_edge, 0.01, {{0, "LWPOLYLINE"}});
    ASSERT_NE(hit, kNoRecord);
    EXPECT_EQ(format_handle(*doc.handle_of(hit)), "104");
    // Just inside either parcel, the one clicked into, whatever the drawing order.
    for (double dx : {-0.004, 0.004}) {
        RecordId side = pick_at(doc, *index, {on_left_edge.x + dx, on_left_edge.y}, 0.01, {{0, "LWPOLYLINE"}});
        ASSERT_NE(side, kNoRecord);
        EXPECT_EQ(locate_in_entity(doc, side, {on_left_edge.x + dx, on_left_edge.y}), Location::Inside) << dx;
    }
    EXPECT_EQ(pick_at(doc, *index, centre(0, 0), 0.01), kNoRecord);
}

TEST(PickTest, AnOutlineBeforeTheHatchItBoundsAndTheHatchFromInside) {
    Document doc = Document::create();
    RecordId parcel = add_lwpolyline(doc, {{0, 0, 0}, {40, 0, 0}, {40, 30, 0}, {0, 30, 0}}, true, "独有宗地");
    RecordId hatch = add_user_hatch(doc, parcel, {});
    ASSERT_NE(hatch, kNoRecord);
    SpatialIndex index(doc);
    EXPECT_EQ(pick_at(doc, index, {20, 0}, 0.5), parcel) << "on the shared edge";
    EXPECT_EQ(pick_at(doc, index, {20, 0.3}, 0.5), parcel) << "inside, within the pick box of the edge";
    EXPECT_EQ(pick_at(doc, index, {20, 15}, 0.5), hatch) << "well inside";
    EXPECT_EQ(pick_at(doc, index, {20, 15}, 0.5, {{0, "LWPOLYLINE"}}), kNoRecord);
    EXPECT_EQ(pick_at(doc, index, {50, 15}, 0.5), kNoRecord);
}

TEST(PickTest, TheIndexMeasuresAnOutlineToTheLastBitAsGeosDoes) {
    // Each kind of outline far from the origin, probed all around it.
    DxfBuilder b;
    b.point({kX0 + 5, kY0 + 5})
        .line({kX0, kY0}, {kX0 + 30, kY0 + 7})
        .lwpolyline(grid_parcel(2, 1, 17.3, 11.9), true)
        .lwpolyline({{kX0 - 40, kY0}, {kX0 - 40, kY0}}, false)
        .lwpolyline({{kX0 - 60, kY0}, {kX0 - 50, kY0 + 3}}, true)
        .circle({kX0 + 60, kY0 + 20}, 8)
        .arc({kX0 + 20, kY0 + 40}, 6, 30, 250)
        .text({kX0 - 20, kY0 + 30}, "张三");
    Document doc = b.doc();
    SpatialIndex index(doc);
    std::vector<uint32_t> entries;
    index.query_entries(index.extents().grown(1), entries);
    ASSERT_EQ(entries.size(), 8u);
    const GeosContext& ctx = index.geos();
    for (uint32_t e : entries) {
        const Box2 box = index.entry_box(e);
        for (int k = 0; k < 400; ++k) {
            Point2 p{box.min_x - 10 + (box.max_x - box.min_x + 20) * ((k * 37) % 101) / 100.0,
                     box.min_y - 10 + (box.max_y - box.min_y + 20) * ((k * 53) % 97) / 96.0};
            GeosGeom pt = ctx.point(p, index.origin());
            double d = 0;
            ASSERT_EQ(GEOSDistance_r(ctx.handle(), pt.get(), index.entry_outline(e), &d), 1);
            ASSERT_EQ(index.outline_distance(e, p), d) << "entry " << e << " probe " << k;
        }
    }
}

// ---------------------------------------------------------------- the index follows the drawing

TEST(SpatialIndexTest, ManyChangesEndInARebuild) {
    DxfBuilder b;
    for (int i = 0; i < 50; ++i) b.point({double(i), 0});
    Document doc = b.doc();
    SpatialIndex index(doc);
    EXPECT_EQ(index.size(), 50u);
    for (int i = 0; i < 400; ++i) add_point(doc, {double(i), 10, 0});
    EXPECT_EQ(index.size(), 450u);
    EXPECT_EQ(index.builds(), 2u);  // 400 new entities beside a tree of 50: built again
    EXPECT_EQ(index.query(Box2{-1, 9, 399.5, 11}).size(), 400u);
}
