// Hatches: reading boundary paths, creating the user-defined associative hatch on a
// closed polyline, refusals; read back by ezdxf.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "drawing_support.h"
#include "drawing/create.h"
#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/hatch.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {

double area(const std::vector<Point3>& pts) {
    double a = 0;
    for (size_t i = 0, n = pts.size(); i < n; ++i)
        a += pts[i].x * pts[(i + 1) % n].y - pts[(i + 1) % n].x * pts[i].y;
    return a / 2;
}

// The tags of the entity between its handle and the AcDbEntity marker, as text.
std::string head_groups(const Document& doc, RecordId id) {
    std::string out;
    for (const Tag& t : doc.record(id).tags) {
        if (t.code == 100) break;
        out += std::to_string(t.code) + ":" + std::string(doc.trimmed(t)) + " ";
    }
    return out;
}

}  // namespace

TEST(HatchOutline, BulgesTurnCounterClockwiseWhenPositive) {
    // (0,0)->(2,0) with bulge 1 is the half circle below the chord (centre (1,0)).
    std::vector<Point3> pts = {{0, 0, 0}};
    append_bulge_points(pts, {0, 0, 0}, {2, 0, 0}, 1, 1e-4);
    double ymin = 0;
    for (const Point3& p : pts) ymin = std::min(ymin, p.y);
    EXPECT_NEAR(ymin, -1, 1e-6);
    EXPECT_EQ(pts.back(), (Point3{2, 0, 0}));
    // Two half circles make the whole circle; a quarter bulge on a square side adds a segment.
    HatchLoop circle;
    circle.flags = 2;
    circle.vertices = {{0, 0, 0}, {2, 0, 0}};
    circle.bulges = {1, 1};
    EXPECT_NEAR(area(loop_outline(circle, 1e-6)), std::numbers::pi, 1e-4);
    HatchLoop square;
    square.flags = 2;
    square.vertices = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    square.bulges = {0, 0, 0, std::tan(std::numbers::pi / 8)};  // 90° arc bulging out of the left side
    double r = 10 / std::sqrt(2.0);
    double segment = r * r / 2 * (std::numbers::pi / 2 - 1);
    EXPECT_NEAR(area(loop_outline(square, 1e-6)), 100 + segment, 1e-3);
}

TEST(HatchRead, ReadsAnotherWritersHatches) {
    KORVANE_NEED_CORPUS();
    Document doc = Document::load(corpus("various/hatches_1.dxf"));
    int hatches = 0;
    for (RecordId id : doc.modelspace()) {
        auto h = read_hatch(doc, id);
        if (!h) continue;
        ++hatches;
        EXPECT_EQ(h->pattern, "SOLID");
        EXPECT_TRUE(h->solid);
        EXPECT_TRUE(h->associative);
        EXPECT_FALSE(h->loops.empty());
        EXPECT_FALSE(h->seeds.empty());
        for (const HatchLoop& loop : h->loops) {
            ASSERT_TRUE(loop.is_polyline());
            ASSERT_FALSE(loop.sources.empty());
            // A loop that follows one boundary polyline has its outline and area.
            RecordId src = doc.find_handle(loop.sources[0]);
            ASSERT_NE(src, kNoRecord);
            if (loop.sources.size() != 1 || !Entity(doc, src).is_polyline()) continue;
            Entity b(doc, src);
            HatchLoop from_entity;
            from_entity.flags = 2;
            from_entity.vertices = b.vertices();
            from_entity.bulges = b.bulges();
            EXPECT_NEAR(std::abs(area(loop_outline(loop))), std::abs(area(loop_outline(from_entity))), 1e-6);
        }
    }
    EXPECT_EQ(hatches, 10);
    RecordId two = doc.find_handle("248");
    ASSERT_NE(two, kNoRecord);
    auto h = read_hatch(doc, two);
    ASSERT_EQ(h->loops.size(), 2u);
    EXPECT_EQ(h->loops[0].flags, 7);
    EXPECT_EQ(h->loops[1].flags, 22);
    EXPECT_EQ(h->loops[0].vertices.size(), 4u);
    EXPECT_EQ(h->seeds.size(), 2u);
}

TEST(HatchRead, ReadsEdgePathsAndPatterns) {
    KORVANE_NEED_CORPUS();
    Document doc = Document::load(corpus("autocad/sample_AC1015_ascii.dxf"));
    auto ansi = read_hatch(doc, doc.find_handle("35A"));
    ASSERT_TRUE(ansi);
    EXPECT_EQ(ansi->pattern, "ANSI31");
    EXPECT_EQ(ansi->pattern_type, 1);
    EXPECT_FALSE(ansi->solid);
    ASSERT_EQ(ansi->loops.size(), 1u);
    const HatchLoop& loop = ansi->loops[0];
    EXPECT_FALSE(loop.is_polyline());
    ASSERT_EQ(loop.edges.size(), 4u);  // each edge kind and its place: EdgePathsOfEveryKind
    EXPECT_EQ(loop.sources, std::vector<uint64_t>{0x353});
    EXPECT_NEAR(std::abs(area(loop_outline(loop))), (123.1990874847903 - 102.7457616028917) * (13.71006874482629 - 0.0853177934775715), 1e-9);
    auto pattern = read_hatch(doc, doc.find_handle("BBB"));
    ASSERT_TRUE(pattern);
    EXPECT_EQ(pattern->pattern, "HSBDR3E0");
    EXPECT_EQ(pattern->pattern_type, 2);
    EXPECT_DOUBLE_EQ(pattern->scale, 0.1);
    EXPECT_FALSE(pattern->associative);
    EXPECT_EQ(pattern->seeds.size(), 1u);
    ASSERT_EQ(pattern->loops.size(), 1u);
    EXPECT_EQ(pattern->loops[0].vertices.size(), 4u);
}

TEST(HatchRead, EdgePathsOfEveryKind) {
    // Written by ezdxf: tools/fixtures/make_engine_drawings.py says what each loop is.
    Document doc = Document::load(std::string(KORVANE_SOURCE_DIR) + "/tests/drawing/hatch_edges.dxf");
    auto h = read_hatch(doc, doc.find_handle("2F"));
    ASSERT_TRUE(h);
    // Everything after the loops is found again: the spline's fit data (97) was told apart
    // from the loop's own source count (97).
    EXPECT_EQ(h->pattern, "ANSI31");
    EXPECT_DOUBLE_EQ(h->scale, 2);
    EXPECT_DOUBLE_EQ(h->angle, 15);
    ASSERT_EQ(h->seeds.size(), 1u);
    EXPECT_EQ(h->seeds[0], (Point3{5, 5, 0}));
    ASSERT_EQ(h->loops.size(), 4u);
    const double round_square = 100 + 12.5 * std::numbers::pi;
    EXPECT_NEAR(area(loop_outline(h->loops[0], 1e-6)), round_square, 1e-4);
    // The clockwise loop: its arc runs over the top, from (20,10) to (30,10).
    const HatchLoop& cw = h->loops[1];
    ASSERT_EQ(cw.edges.size(), 4u);
    EXPECT_FALSE(cw.edges[1].ccw);
    EXPECT_NEAR(area(loop_outline(cw, 1e-6)), -round_square, 1e-4);
    HatchLoop arc_only;
    arc_only.edges = {cw.edges[1]};
    auto arc = loop_outline(arc_only, 1e-4);
    EXPECT_NEAR(arc.front().x, 20, 1e-9);
    EXPECT_NEAR(arc.back().x, 30, 1e-9);
    for (const Point3& p : arc) EXPECT_GE(p.y, 10 - 1e-9);
    ASSERT_EQ(h->loops[2].edges.size(), 1u);
    EXPECT_EQ(h->loops[2].edges[0].kind, HatchEdge::Ellipse);
    EXPECT_NEAR(area(loop_outline(h->loops[2], 1e-6)), 8 * std::numbers::pi, 1e-4);
    const HatchEdge& spline = h->loops[3].edges[0];
    EXPECT_EQ(spline.kind, HatchEdge::Spline);
    EXPECT_EQ(spline.degree, 3);
    EXPECT_EQ(spline.knots.size(), 8u);
    EXPECT_EQ(spline.control_points.size(), 4u);
    ASSERT_EQ(spline.fit_points.size(), 3u);
    EXPECT_EQ(spline.fit_points[1], (Point3{45, 5, 0}));
    EXPECT_EQ(h->loops[3].edges[1].kind, HatchEdge::Line);
}

class UserHatch : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(UserHatch, NewDrawingHatchIsUserDefinedAndAssociative) {
    Document doc = Document::create();
    RecordId boundary = add_lwpolyline(doc, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, true, "宗地", {0, 0, 0.5, 0});
    add_line(doc, {0, 0, 0}, {5, 5, 0});
    UserHatchOptions o;
    o.angle = 45;
    o.spacing = 4;
    o.cross = true;
    o.layer = "构面层";
    o.color = 2;
    RecordId h = add_user_hatch(doc, boundary, o);
    ASSERT_NE(h, kNoRecord);
    EXPECT_EQ(doc.modelspace().back(), h);  // the last entity, as the tools expect
    Entity he(doc, h);
    // Pattern, loops, layer and colour are read back by ezdxf below.
    auto info = read_hatch(doc, h);
    ASSERT_TRUE(info);
    // The boundary names the hatch in its reactors, right after its handle.
    EXPECT_EQ(reactors(doc, boundary), std::vector<uint64_t>{he.handle()});
    EXPECT_EQ(head_groups(doc, boundary), "0:LWPOLYLINE 5:" + Entity(doc, boundary).handle_text() +
                                              " 102:{ACAD_REACTORS 330:" + he.handle_text() + " 102:} 330:" +
                                              format_handle(doc.modelspace_owner()) + " ");
    // The seed point lies inside the boundary.
    ASSERT_EQ(info->seeds.size(), 1u);
    EXPECT_GT(info->seeds[0].x, 0);
    EXPECT_LT(info->seeds[0].x, 10);
    EXPECT_GT(info->seeds[0].y, 0);
    EXPECT_LT(info->seeds[0].y, 10);
    // A second hatch on the same boundary: both listed.
    RecordId h2 = add_user_hatch(doc, boundary, UserHatchOptions{});
    EXPECT_EQ(reactors(doc, boundary).size(), 2u);
    EXPECT_EQ(read_hatch(doc, h2)->cross, false);

    KORVANE_NEED_EZDXF();
    std::string out = dir / "hatch.dxf";
    doc.save(out);
    std::string r = facts("hatches", out);
    auto hatches = facts_by_prefix(r, "hatch ");
    std::string f = hatches[he.handle_text()];
    ASSERT_FALSE(f.empty()) << r;
    EXPECT_EQ(field(f, "pattern"), "_USER");
    EXPECT_EQ(field(f, "type"), "0");
    EXPECT_EQ(field(f, "assoc"), "1");
    EXPECT_EQ(field(f, "double"), "1");
    EXPECT_EQ(field(f, "angle"), "45.0");
    EXPECT_EQ(field(f, "spacing"), "4.0");
    EXPECT_EQ(field(f, "lines"), "45.0/-2.828427125/2.828427125,135.0/-2.828427125/-2.828427125");
    EXPECT_EQ(field(f, "sources"), Entity(doc, boundary).handle_text());
    EXPECT_EQ(field(f, "vertices"), "0.0/0.0/0.0,10.0/0.0/0.0,10.0/10.0/0.5,0.0/10.0/0.0");
    EXPECT_EQ(field(f, "layer"), "构面层");
    EXPECT_EQ(field(f, "color"), "2");
    EXPECT_EQ(field(hatches[Entity(doc, h2).handle_text()], "last"), "1");
    std::string reactors_line = lines_with(r, "reactors " + Entity(doc, boundary).handle_text() + "=").at(0);
    EXPECT_NE(reactors_line.find(he.handle_text()), std::string::npos) << r;
    EXPECT_NE(reactors_line.find(Entity(doc, h2).handle_text()), std::string::npos) << r;
    // Reactors can be taken off again; the empty group goes with the last one.
    remove_reactor(doc, boundary, he.handle());
    remove_reactor(doc, boundary, Entity(doc, h2).handle());
    EXPECT_EQ(head_groups(doc, boundary).find("102"), std::string::npos);
}

TEST_F(UserHatch, LoadedR2000DrawingAndOldStylePolylines) {
    KORVANE_NEED_EZDXF();
    Document doc = Document::load(small_drawing("r2000"));
    RecordId square = doc.find_handle("31"), ring = doc.find_handle("34");
    UserHatchOptions o;
    o.angle = 30;
    o.spacing = 2;
    o.layer = "构面层";
    o.color = 2;
    RecordId h1 = add_user_hatch(doc, square, o);
    RecordId h2 = add_user_hatch(doc, ring, o);
    ASSERT_NE(h1, kNoRecord);
    ASSERT_NE(h2, kNoRecord);
    auto ring_hatch = read_hatch(doc, h2);
    EXPECT_EQ(ring_hatch->loops[0].bulges, (std::vector<double>{-0.5, 0, 0, 0}));
    std::string out = dir / "r2000_out.dxf";
    doc.save(out);
    std::string r = facts("hatches", out);
    auto hatches = facts_by_prefix(r, "hatch ");
    std::string f1 = hatches[Entity(doc, h1).handle_text()], f2 = hatches[Entity(doc, h2).handle_text()];
    EXPECT_EQ(field(f1, "type"), "0");
    EXPECT_EQ(field(f1, "layer"), "构面层");
    EXPECT_EQ(field(f1, "lines"), "30.0/-1.0/1.732050808");
    EXPECT_EQ(field(f2, "sources"), "34");
    EXPECT_EQ(field(f2, "vertices"), "60.0/0.0/-0.5,70.0/0.0/0.0,70.0/10.0/0.0,60.0/10.0/0.0");
    EXPECT_NE(lines_with(r, "reactors 34=").at(0).find(Entity(doc, h2).handle_text()), std::string::npos)
        << r;
}

TEST_F(UserHatch, RefusesBoundariesThatAreNotClosedPolylines) {
    Document doc = Document::create();
    RecordId open = add_lwpolyline(doc, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, false);
    RecordId line = add_line(doc, {0, 0, 0}, {10, 0, 0});
    RecordId circle = add_circle(doc, {0, 0, 0}, 5);
    RecordId flat = add_lwpolyline(doc, {{0, 0, 0}, {5, 0, 0}, {10, 0, 0}}, true);  // encloses nothing
    RecordId single = add_lwpolyline(doc, {{1, 1, 0}}, true);
    RecordId twisted3d = add_polyline(doc, {{0, 0, 0}, {10, 0, 1}, {10, 10, 0}}, true, "0", true);
    RecordId good = add_lwpolyline(doc, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, true);
    std::string before = doc.to_dxf();
    for (RecordId id : {open, line, circle, flat, single, twisted3d, kNoRecord}) {
        EXPECT_FALSE(is_closed_polyline_boundary(doc, id));
        EXPECT_EQ(add_user_hatch(doc, id, UserHatchOptions{}), kNoRecord);
    }
    UserHatchOptions zero;
    zero.spacing = 0;
    EXPECT_EQ(add_user_hatch(doc, good, zero), kNoRecord);
    EXPECT_EQ(doc.to_dxf(), before);  // nothing made, nothing changed
    doc.erase(good);
    EXPECT_EQ(add_user_hatch(doc, good, UserHatchOptions{}), kNoRecord);

    // Closed by coincident ends rather than by the flag: a closed region all the same.
    RecordId ends = add_lwpolyline(doc, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 0, 0}}, false);
    RecordId h = add_user_hatch(doc, ends, UserHatchOptions{});
    ASSERT_NE(h, kNoRecord);
    EXPECT_EQ(read_hatch(doc, h)->loops[0].vertices.size(), 3u);
    // A circle drawn as a closed two-vertex polyline with bulges.
    RecordId round = add_lwpolyline(doc, {{0, 0, 0}, {2, 0, 0}}, true, "0", {1, 1});
    EXPECT_NE(add_user_hatch(doc, round, UserHatchOptions{}), kNoRecord);

    // R12 has no HATCH entity.
    std::string dxf = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
                      "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n";
    Document r12 = Document::parse(dxf, "r12");
    RecordId p = add_lwpolyline(r12, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, true);
    ASSERT_NE(p, kNoRecord);
    EXPECT_EQ(add_user_hatch(r12, p, UserHatchOptions{}), kNoRecord);
    EXPECT_EQ(r12.modelspace().size(), 1u);
}
