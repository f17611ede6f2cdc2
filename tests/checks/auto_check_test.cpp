// The automatic check below its command: the grid index against a plain scan, the neighbour
// search against the host's own crossing selection, the outline check's boundaries (tolerances,
// settings, islands, a parcel drawn twice) and the record tests. The command on real drawings,
// with every kind of finding and its place, is the scenario auto_check.
#include <gtest/gtest.h>

#include <random>

#include "checks/auto_check.h"
#include "checks/box_grid.h"
#include "checks/crossing_neighbours.h"
#include "checks/record_check.h"
#include "drawing/create.h"
#include "drawing/selection.h"

namespace korvane::checks {
namespace {

TEST(BoxGrid, FindsWhatAPlainScanFinds) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> at(-500, 500), size(0, 20);
    std::vector<Box2> boxes;
    for (int i = 0; i < 2000; ++i) {
        const double x = at(rng), y = at(rng), grow = i % 100 == 0 ? 400 : 1;  // some span very many cells
        boxes.push_back(Box2{x, y, x + size(rng) * grow, y + size(rng) * grow});
    }
    BoxGrid grid(boxes, BoxGrid::typical_cell(boxes, 1));
    std::vector<uint32_t> found;
    for (int q = 0; q < 300; ++q) {
        const double x = at(rng), y = at(rng), s = q % 50 == 0 ? 2000 : size(rng);
        const Box2 query{x, y, x + s, y + s};
        grid.query(query, found);
        std::vector<uint32_t> scanned;
        for (uint32_t i = 0; i < boxes.size(); ++i)
            if (boxes[i].intersects(query)) scanned.push_back(i);
        ASSERT_EQ(found, scanned) << q;
    }
}

TEST(CrossingNeighbours, AgreeWithTheHostsCrossingSelection) {
    // A jittered grid sharing corners, with a vertex 0.05 mm and one 0.15 mm off an edge, an
    // island, a parcel crossing its neighbours, a bowtie, a two-vertex line and an open line.
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> jitter(-3, 3);
    std::vector<Polyline> lines;
    Point2 corner[6][6];
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) corner[i][j] = {1000 + 20.0 * i + jitter(rng), 2000 + 20.0 * j + jitter(rng)};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) lines.push_back({{corner[i][j], corner[i + 1][j], corner[i + 1][j + 1], corner[i][j + 1]}});
    const Point2 c = corner[2][2];
    lines[0].pts.push_back({corner[0][1].x - 0.00005, corner[0][1].y});  // just outside, within the tolerance
    lines[24].pts.insert(lines[24].pts.begin() + 1, {corner[5][4].x + 0.00015, (corner[5][4].y + corner[5][5].y) / 2});
    lines.push_back({{{c.x + 2, c.y + 2}, {c.x + 4, c.y + 2}, {c.x + 4, c.y + 4}, {c.x + 2, c.y + 4}}});
    lines.push_back({{{c.x - 30, c.y + 5}, {c.x + 30, c.y + 5}, {c.x + 30, c.y + 7}, {c.x - 30, c.y + 7}}});
    lines.push_back({{{c.x, c.y}, {c.x + 9, c.y + 9}, {c.x + 9, c.y}, {c.x, c.y + 9}}});
    lines.push_back({{{c.x - 50, c.y}, {c.x - 45, c.y}}});
    lines.push_back({{{c.x - 70, c.y - 70}, {c.x + 70, c.y + 70}, {c.x + 80, c.y}}, false});

    drawing::Document doc = drawing::Document::create();
    std::vector<drawing::RecordId> ids;
    for (const Polyline& l : lines) {
        std::vector<drawing::Point3> pts;
        for (Point2 p : l.pts) pts.push_back({p.x, p.y, 0});
        ids.push_back(drawing::add_lwpolyline(doc, pts, l.closed, "0"));
    }
    drawing::SpatialIndex index(doc);
    std::vector<uint32_t> subjects(lines.size());
    for (uint32_t i = 0; i < lines.size(); ++i) subjects[i] = i;
    auto found = crossing_neighbours(lines, subjects, drawing::kPickTolerance);
    for (uint32_t s : subjects) {
        std::vector<uint32_t> selected;
        for (drawing::RecordId id : drawing::select_by_polygon(doc, index, lines[s].pts, drawing::PolygonMode::Crossing))
            if (id != ids[s]) selected.push_back(uint32_t(std::find(ids.begin(), ids.end(), id) - ids.begin()));
        std::sort(selected.begin(), selected.end());
        EXPECT_EQ(found[s], selected) << "line " << s;
    }
}

std::vector<Point2> square(double x, double y, double side) { return {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}}; }

TEST(TopologyCheck, TolerancesDecideWhatIsFound) {
    const TopologyOptions defaults;
    TopologyOptions small_gaps_only;
    small_gaps_only.gap_area = 1;
    // A parcel whose left edge bends into a point `dent` m right of its neighbour's edge.
    auto wedge = [](double dent) {
        return std::vector<Outline>{{square(0, 0, 10)}, {{{10, 0}, {20, 0}, {20, 10}, {10, 10}, {10 + dent, 5}}}};
    };
    // A triangle poking `depth` m into the square's right edge.
    auto poke = [](double depth) {
        return std::vector<Outline>{{square(0, 0, 10)}, {{{10.5, 4}, {10.5, 6}, {10 - depth, 5}}}};
    };
    struct Case {
        const char* what;
        std::vector<Outline> outlines;
        TopologyOptions options;
        std::vector<TopologyKind> kinds;
    } cases[] = {
        {"a 2.5 m² wedge", wedge(0.5), defaults, {TopologyKind::Gap}},
        {"the same wedge, only gaps under 1 m² or 0.2 m count", wedge(0.5), small_gaps_only, {}},
        {"a vertex 4 mm off the edge: snapped, no sliver", wedge(0.004), defaults, {TopologyKind::TJunction}},
        {"6 mm off: beyond the snap, a sliver gap", wedge(0.006), defaults, {TopologyKind::Gap}},
        {"an overlap of 0.006 m²", poke(0.06), defaults, {}},
        {"an overlap of 0.017 m²", poke(0.1), defaults, {TopologyKind::Overlap}},
        {"a parcel drawn twice", {{square(0, 0, 10)}, {square(0, 0, 10)}}, defaults, {TopologyKind::Overlap}},
        {"an island", {{square(0, 0, 10)}, {square(2, 2, 3)}}, defaults, {}},
    };
    for (const Case& c : cases) {
        TopologyResult r = check_topology(c.outlines, c.options);
        std::vector<TopologyKind> kinds;
        for (const auto& f : r.findings) kinds.push_back(f.kind);
        EXPECT_EQ(kinds, c.kinds) << c.what;
    }
    EXPECT_EQ(check_topology({{square(0, 0, 10)}, {square(2, 2, 3)}}, defaults).islands,
              (std::vector<std::pair<uint32_t, uint32_t>>{{0, 1}}));
}

TEST(AutoCheckSettings, TakePositiveNumbersOnly) {
    common::MemorySettings settings;
    common::save_ini(settings, kOverlapAreaKey, "0.5");
    common::save_ini(settings, kGapAreaKey, "十");
    common::save_ini(settings, kGapWidthKey, "-1");
    TopologyOptions o = auto_check_options(settings);
    EXPECT_EQ(o.overlap_area, 0.5);
    EXPECT_EQ(o.gap_area, 10);
    EXPECT_EQ(o.gap_width, 0.2);
}

TEST(RecordCheck, LayerAreaAndFourBoundaries) {
    EXPECT_EQ(layer_problem("独有宗地", " 440123101001 "), std::nullopt);
    EXPECT_EQ(layer_problem("共有宗地", "440123101001/440123101002"), std::nullopt);
    EXPECT_EQ(layer_problem("国有宗地", "440000009999"), std::nullopt);
    EXPECT_EQ(layer_problem("独有宗地", "440000009999"), "权属代码与图层不符（独有宗地，代码“440000009999”）");
    EXPECT_TRUE(layer_problem("争议宗地", "440123101001"));
    EXPECT_TRUE(layer_problem("国有宗地", "440123101001"));

    EXPECT_EQ(area_problem("1000.9", 1000), std::nullopt);  // 0.9 off, but within 0.1%
    EXPECT_EQ(area_problem("50.10", 50), std::nullopt);     // 0.2%, but within 0.1 m²
    EXPECT_EQ(area_problem("50.2", 50), "实测面积与图形面积不符（实测50.20，图形50.00）");
    EXPECT_EQ(area_problem("90.00", 100, 10), std::nullopt);  // the island left out
    EXPECT_EQ(area_problem("", 100), "实测面积不是数值（“”）");

    EXPECT_EQ(bounds_problem("乙,甲,甲,", {"甲", "乙", "甲"}), std::nullopt);  // order not compared
    EXPECT_EQ(bounds_problem("", {}), std::nullopt);
    EXPECT_EQ(bounds_problem("甲,丙,", {"甲", "乙"}), "四至与相邻宗地不符（缺：乙；多：丙）");
    EXPECT_EQ(bounds_problem("甲、乙", {"甲", "乙"}), "四至与相邻宗地不符（缺：甲、乙；多：甲、乙）");
    // Twenty names of 13 characters do not fit one record item: any part of them passes.
    const std::vector<std::string> many(20, "上围村民小组/下围村民小组");
    EXPECT_EQ(bounds_problem("上围村民小组/下围村民小组,", many), std::nullopt);
    EXPECT_TRUE(bounds_problem("外人,", many));
}

}  // namespace
}  // namespace korvane::checks
