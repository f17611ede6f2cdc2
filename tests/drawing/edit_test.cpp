// Drafting edits on plane curves and entities: the geometry by hand-worked numbers, and the
// records every piece and copy must still carry. The commands' scenarios read the same edits
// back with ezdxf.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "drawing/create.h"
#include "drawing/curves.h"
#include "drawing/edit.h"
#include "drawing/entity.h"

using namespace korvane::drawing;

namespace {

constexpr double kEps = 1e-9;

void expect_near(Point2 got, Point2 want, double eps = kEps) {
    EXPECT_NEAR(got.x, want.x, eps);
    EXPECT_NEAR(got.y, want.y, eps);
}

Curve polyline(std::vector<Point2> pts, bool closed, std::vector<double> bulges = {}) {
    Curve c;
    c.points = std::move(pts);
    c.bulges = std::move(bulges);
    c.bulges.resize(c.points.size(), 0.0);
    c.closed = closed;
    return c;
}

std::vector<Point3> p3(std::vector<Point2> pts) {
    std::vector<Point3> out;
    for (auto p : pts) out.push_back({p.x, p.y, 0});
    return out;
}

// A record as the parcel tools write it, under "South".
void give_record(Document& doc, RecordId id, const std::string& code) {
    Entity(doc, id).set_xdata({XDataItem::app("South"), XDataItem::string(code), XDataItem::string("张三")});
}

std::string record_of(const Document& doc, RecordId id) {
    auto items = EntityView(doc, id).xdata("South");
    return items.size() > 1 ? items[1].text : std::string();
}

std::vector<Point2> vertices2(const Document& doc, RecordId id) {
    std::vector<Point2> out;
    for (auto p : EntityView(doc, id).vertices()) out.push_back({p.x, p.y});
    return out;
}

}  // namespace

// ------------------------------------------------------------------ curves

TEST(Curves, SegmentsCrossWhereWorkedOutByHand) {
    const double r2 = std::sqrt(2.0);
    struct Case {
        const char* name;
        Segment a, b;
        std::vector<Point2> want;
    };
    // A half circle of radius 1 about the origin, counter-clockwise from (1,0) to (-1,0).
    Segment upper{{1, 0}, {-1, 0}, 1};
    const std::vector<Case> cases = {
        {"lines", {{0, 0}, {2, 2}, 0}, {{0, 2}, {2, 0}, 0}, {{1, 1}}},
        {"lines apart", {{0, 0}, {1, 0}, 0}, {{0, 1}, {1, 1}, 0}, {}},
        {"line through the half circle", {{-2, 0.5}, {2, 0.5}, 0}, upper, {{-std::sqrt(0.75), 0.5}, {std::sqrt(0.75), 0.5}}},
        {"line below the half circle", {{-2, -0.5}, {2, -0.5}, 0}, upper, {}},
        // Circles of radius 1 and √2 about (0,0) and (0,1) meet at (±1, 0); the second arc runs
        // round the right-hand side only.
        {"two arcs", upper, {{0, 1 - r2}, {0, 1 + r2}, 1}, {{1, 0}}},
        // Shifted to survey coordinates: the same crossing, worked relative to a near point.
        {"far from the origin", {{39500000, 2500000}, {39500002, 2500002}, 0}, {{39500000, 2500002}, {39500002, 2500000}, 0},
         {{39500001, 2500001}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto got = intersect(c.a, c.b);
        ASSERT_EQ(got.size(), c.want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            bool found = false;
            for (auto w : c.want) found |= std::hypot(got[i].p.x - w.x, got[i].p.y - w.y) < 1e-7;
            EXPECT_TRUE(found) << got[i].p.x << "," << got[i].p.y;
            expect_near(c.a.at(got[i].ta), got[i].p, 1e-7);
            expect_near(c.b.at(got[i].tb), got[i].p, 1e-7);
        }
    }
}

TEST(Curves, PiecesOfAClosedCurveWrapAround) {
    Curve square = polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
    Curve p = square.piece(3.5, 0.5);  // from the middle of the left edge, round through (0,0)
    ASSERT_EQ(p.points.size(), 3u);
    expect_near(p.points[0], {0, 5});
    expect_near(p.points[1], {0, 0});
    expect_near(p.points[2], {5, 0});
    EXPECT_NEAR(p.length(), 10, kEps);
    // A piece of an arc keeps its circle: a quarter of the half circle is a bulge of tan(π/16).
    Curve arc = polyline({{1, 0}, {-1, 0}}, false, {1, 0});
    Curve q = arc.piece(0, 0.5);
    EXPECT_NEAR(q.bulges[0], std::tan(std::numbers::pi / 8), kEps);
    expect_near(q.points[1], {0, 1});
    Curve back = square.reversed();
    EXPECT_NEAR(back.length(), 40, kEps);
    expect_near(back.at(1), {10, 10});
}

TEST(Curves, OffsetsMeetAtCornersAndStopWhereTheyWouldFold) {
    Curve square = polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);  // counter-clockwise
    auto inside = offset_curve(square, 1);
    ASSERT_TRUE(inside);
    std::vector<Point2> want = {{1, 1}, {9, 1}, {9, 9}, {1, 9}};
    ASSERT_EQ(inside->points.size(), 4u);
    for (size_t i = 0; i < 4; ++i) expect_near(inside->points[i], want[i]);
    auto outside = offset_curve(square, -2);
    ASSERT_TRUE(outside);
    expect_near(outside->points[0], {-2, -2});
    EXPECT_FALSE(offset_curve(square, 6)) << "a square 10 wide has no inside 6 in";
    // A slot: two straights joined by half circles of radius 5 about (0,5) and (20,5).
    Curve slot = polyline({{0, 0}, {20, 0}, {20, 10}, {0, 10}}, true, {0, 1, 0, 1});
    auto wider = offset_curve(slot, -1);
    ASSERT_TRUE(wider);
    expect_near(wider->points[1], {20, -1});
    EXPECT_NEAR(wider->segment(1).radius(), 6, kEps);
    EXPECT_NEAR(wider->length(), 40 + 12 * std::numbers::pi, 1e-9);
    // The side of a point: left of an open curve is positive; inside a closed one is its left.
    EXPECT_EQ(side_of(polyline({{0, 0}, {10, 0}}, false), {5, 1}), 1);
    EXPECT_EQ(side_of(polyline({{0, 0}, {10, 0}}, false), {5, -1}), -1);
    EXPECT_EQ(side_of(square.reversed(), {5, 5}), -1);
}

// ------------------------------------------------------------------ entities

TEST(Edit, MirrorReflectsEachTypeAndKeepsTextReadable) {
    Document doc = Document::create();
    RecordId line = add_line(doc, {1, 1, 0}, {3, 2, 0});
    RecordId arc = add_arc(doc, {2, 0, 0}, 1, 0, 90);
    RecordId pl = add_lwpolyline(doc, p3({{1, 0}, {3, 0}}), false, "0", {0.5, 0});
    RecordId text = add_text(doc, "界址", {4, 1, 0}, 2);
    Entity(doc, text).set_real(50, 30);
    // The mirror line: the y axis.
    for (RecordId id : {line, arc, pl, text}) ASSERT_TRUE(mirror(Entity(doc, id), {0, 0}, {0, 1}));
    EntityView l(doc, line), a(doc, arc), t(doc, text);
    EXPECT_EQ(l.point(10)->x, -1);
    EXPECT_EQ(l.point(11)->x, -3);
    EXPECT_EQ(a.point(10)->x, -2);
    EXPECT_NEAR(*a.real(50), 90, kEps);  // the quarter from 90° to 180°
    EXPECT_NEAR(*a.real(51), 180, kEps);
    EXPECT_EQ(EntityView(doc, pl).bulges()[0], -0.5);
    EXPECT_EQ(t.point(10)->x, -4);
    EXPECT_EQ(*t.real(50), 30);
    EXPECT_FALSE(mirror(Entity(doc, line), {1, 1}, {1, 1}));
}

TEST(Edit, TrimBreakAndExtendKeepTheRecordOnEveryPiece) {
    Document doc = Document::create();
    RecordId line = add_line(doc, {0, 0, 0}, {10, 0, 0}, "界线");
    give_record(doc, line, "J1");
    Entity(doc, line).set_color(3);
    std::vector<Segment> edges = {{{3, -1}, {3, 1}, 0}, {{7, -1}, {7, 1}, 0}};

    auto left = trim_curve(doc, line, edges, {5, 0});  // the middle goes
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(EntityView(doc, left[0]).point(11)->x, 3);
    EXPECT_EQ(EntityView(doc, left[1]).point(10)->x, 7);
    for (RecordId id : left) {
        EXPECT_EQ(record_of(doc, id), "J1");
        EXPECT_EQ(EntityView(doc, id).color(), 3);
        EXPECT_EQ(EntityView(doc, id).layer(), "界线");
    }
    EditError why;
    EXPECT_TRUE(trim_curve(doc, left[0], {{{20, -1}, {20, 1}, 0}}, {1, 0}, &why).empty());
    EXPECT_EQ(why, EditError::NoCrossing);

    // The right piece (7..10) reaches to x = 12 and breaks at 11.
    ASSERT_TRUE(extend_curve(doc, left[1], {{{12, -5}, {12, 5}, 0}}, {9, 0}));
    EXPECT_EQ(EntityView(doc, left[1]).point(11)->x, 12);
    auto halves = break_curve(doc, left[1], {11, 0.2}, {11, 0.2});
    ASSERT_EQ(halves.size(), 2u);
    EXPECT_NEAR(EntityView(doc, halves[1]).point(10)->x, 11, kEps);
    EXPECT_EQ(record_of(doc, halves[1]), "J1");

    // A closed parcel trimmed between two cutting lines opens, keeping its handle and record.
    RecordId parcel = add_lwpolyline(doc, p3({{0, 20}, {10, 20}, {10, 30}, {0, 30}}), true, "独有宗地");
    give_record(doc, parcel, "P7");
    auto opened = trim_curve(doc, parcel, {{{4, 15}, {4, 25}, 0}, {{6, 15}, {6, 25}, 0}}, {5, 20});
    ASSERT_EQ(opened, std::vector<RecordId>{parcel});
    EXPECT_FALSE(EntityView(doc, parcel).closed());
    auto v = vertices2(doc, parcel);
    ASSERT_EQ(v.size(), 6u);
    expect_near(v.front(), {6, 20});
    expect_near(v.back(), {4, 20});
    EXPECT_EQ(record_of(doc, parcel), "P7");

    // A circle broken between two points is an arc, with the circle's record.
    RecordId circle = add_circle(doc, {0, 0, 0}, 2);
    give_record(doc, circle, "C1");
    auto arc = break_curve(doc, circle, {0, 2}, {-2, 0});  // the quarter from 90° to 180° goes
    ASSERT_EQ(arc.size(), 1u);
    EntityView a(doc, arc[0]);
    EXPECT_EQ(a.type(), "ARC");
    EXPECT_NEAR(*a.real(50), 180, kEps);
    EXPECT_NEAR(*a.real(51), 90, kEps);
    EXPECT_EQ(record_of(doc, arc[0]), "C1");
    EXPECT_TRUE(doc.record(circle).erased);
    EXPECT_TRUE(break_curve(doc, arc[0], {2, 0}, {2, 0}).size() == 2);
}

// An offset copy's place and record are drafting_modify.scn's, read back with ezdxf; here where
// an offset cannot be made.
TEST(Edit, OffsetRefusalsAndJoinKeepsTheFirstRecord) {
    Document doc = Document::create();
    RecordId parcel = add_lwpolyline(doc, p3({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), true, "独有宗地");
    give_record(doc, parcel, "P1");
    EditError why;
    EXPECT_EQ(offset_entity(doc, parcel, 6, {5, 5}, &why), kNoRecord);
    EXPECT_EQ(why, EditError::Folds);
    EXPECT_EQ(offset_entity(doc, parcel, 1, {5, 0}, &why), kNoRecord);
    EXPECT_EQ(why, EditError::OnTheCurve);

    // Three lines and an arc, given in any order and direction, close into one parcel.
    RecordId a = add_line(doc, {0, 0, 0}, {10, 0, 0});
    give_record(doc, a, "FIRST");
    RecordId b = add_line(doc, {10, 10, 0}, {10, 0, 0});
    give_record(doc, b, "SECOND");
    RecordId c = add_arc(doc, {5, 10, 0}, 5, 0, 180);  // over the top, from (10,10) to (0,10)
    RecordId d = add_line(doc, {0, 0, 0}, {0, 10, 0});
    RecordId far = add_line(doc, {50, 50, 0}, {60, 50, 0});
    JoinResult j = join_curves(doc, {a, d, c, b, far});
    ASSERT_EQ(j.error, EditError::None);
    EXPECT_EQ(j.merged.size(), 3u);
    EXPECT_EQ(j.left_out, std::vector<RecordId>{far});
    EXPECT_EQ(j.records_dropped, 1u);  // SECOND's
    EntityView joined(doc, j.joined);
    EXPECT_EQ(joined.type(), "LWPOLYLINE");
    EXPECT_TRUE(joined.closed());
    EXPECT_EQ(record_of(doc, j.joined), "FIRST");
    auto area = entity_area(doc, j.joined);
    ASSERT_TRUE(area);
    EXPECT_NEAR(*area, 100 + std::numbers::pi * 25 / 2, 1e-9);
    for (RecordId id : {a, b, c, d}) EXPECT_TRUE(doc.record(id).erased);

    // Exploding the parcel leaves four lines with its layer; its record stays behind, counted.
    size_t left = 0;
    auto pieces = explode_curve(doc, parcel, &left);
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(left, 1u);
    EXPECT_EQ(EntityView(doc, pieces[2]).layer(), "独有宗地");
    EXPECT_TRUE(EntityView(doc, pieces[2]).xdata().empty());
}
