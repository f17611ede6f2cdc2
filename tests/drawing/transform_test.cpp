// Moving, rotating and scaling entities. The geometry of every type is checked against ezdxf
// doing the same with its own matrices; by hand here only what ezdxf does not look at: where
// the written groups go, the texts of unchanged values, extended data, hatch patterns and seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "drawing/create.h"
#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/transform.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {

constexpr double kEps = 1e-9;

// An entity from "code=value|code=value" groups after the usual head.
RecordId raw_entity(Document& doc, std::string_view type, std::string_view subclass, std::string_view groups) {
    auto tags = entity_head(doc, type, "0", subclass);
    while (!groups.empty()) {
        size_t bar = groups.find('|');
        std::string_view g = groups.substr(0, bar);
        size_t eq = g.find('=');
        tags.push_back(doc.make_raw(std::stoi(std::string(g.substr(0, eq))), g.substr(eq + 1)));
        groups = bar == std::string_view::npos ? std::string_view() : groups.substr(bar + 1);
    }
    return add_entity(doc, std::move(tags));
}

// Every value of a group code in the entity part, in order.
std::vector<double> all(const Entity& e, int code) {
    std::vector<double> out;
    const auto& tags = e.rec().tags;
    for (size_t i = 1; i < e.xdata_start(); ++i)
        if (tags[i].code == code) out.push_back(e.doc().real(tags[i]));
    return out;
}

std::vector<int> codes(const Entity& e) {
    std::vector<int> out;
    for (const Tag& t : e.rec().tags) out.push_back(t.code);
    return out;
}

void expect_point(const std::optional<Point3>& got, Point3 want) {
    ASSERT_TRUE(got);
    EXPECT_NEAR(got->x, want.x, kEps);
    EXPECT_NEAR(got->y, want.y, kEps);
    EXPECT_NEAR(got->z, want.z, kEps);
}

void expect_values(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], kEps) << "value " << i;
}

}  // namespace

// ------------------------------------------------------------------ against ezdxf

TEST(Transform, AgreesWithEzdxfOnEveryType) {
    TempDir dir;
    // One entity of every transformable type, written by ezdxf (tools/fixtures/make_engine_drawings.py).
    const std::string shapes = std::string(KORVANE_SOURCE_DIR) + "/tests/drawing/shapes.dxf";
    const std::vector<std::vector<std::string>> sequences = {
        {"move:100,200,3"},
        {"rotate:10,5,0:0.5235987755982988"},
        {"scale:1,2,0:2.5"},
        {"rotate:548000,2543000,0:-2.2", "scale:1,2,3:0.4", "move:-7,3,1"},
    };
    for (const auto& ops : sequences) {
        SCOPED_TRACE(ops.front());
        Document doc = Document::load(shapes);
        ASSERT_GT(doc.modelspace().size(), 15u);
        for (const std::string& op : ops) {
            double v[4] = {};
            char kind[8] = {};
            std::sscanf(op.c_str(), "%7[a-z]:%lf,%lf,%lf:%lf", kind, v, v + 1, v + 2, v + 3);
            for (RecordId id : doc.modelspace()) {
                Entity e(doc, id);
                bool ok = std::string(kind) == "move"     ? move(e, v[0], v[1], v[2])
                          : std::string(kind) == "rotate" ? rotate(e, {v[0], v[1], v[2]}, v[3])
                                                          : scale(e, {v[0], v[1], v[2]}, v[3]);
                EXPECT_TRUE(ok) << e.type();
            }
        }
        std::string result = dir.file("result.dxf");
        doc.save(result);
        std::vector<std::string> args = {"check-transform", shapes, result};
        args.insert(args.end(), ops.begin(), ops.end());
        RunResult r = ezdxf(args);
        EXPECT_EQ(r.status, 0) << r.output;
    }
}

// ------------------------------------------------------------------ what ezdxf does not look at

TEST(Transform, TextGetsItsRotationAndKeepsTheRest) {
    Document doc = Document::create();
    Entity text(doc, add_text(doc, "界址点 J1", {10, 0, 0}, 2, "注记"));
    text.set_xdata({XDataItem::app("SOUTH"), XDataItem::string("宗地"), XDataItem::point_value({1, 2, 3})});
    auto xdata = text.xdata();
    EXPECT_TRUE(rotate(text, {0, 0, 0}, std::numbers::pi / 6));
    // The rotation goes where CAD programs write it: after the string, before the second marker.
    auto c = codes(text);
    auto at = std::find(c.begin(), c.end(), 1);
    ASSERT_NE(at, c.end());
    EXPECT_EQ(*(at + 1), 50);
    EXPECT_TRUE(rotate(text, {0, 0, 0}, std::numbers::pi * 11 / 6));  // back to 0 degrees, not 360
    EXPECT_NEAR(*text.real(50), 0, kEps);
    EXPECT_EQ(text.text(), "界址点 J1");
    EXPECT_EQ(text.layer(), "注记");
    ASSERT_EQ(text.xdata().size(), xdata.size());
    EXPECT_EQ(text.xdata()[1].text, "宗地");
    expect_point(text.xdata()[2].point, {1, 2, 3});  // extended-data points are not ours to move
}

TEST(Transform, UnchangedValuesKeepTheirText) {
    Document doc = Document::create();
    RecordId id = raw_entity(doc, "LINE", "AcDbLine", "10=1.50|20=2|30=  0.0|11=3|21=4|31=0.000");
    EXPECT_TRUE(move(Entity(doc, id), 1, 0, 0));
    std::string text = doc.to_dxf();
    EXPECT_NE(text.find(" 10\r\n2.5\r\n 20\r\n2\r\n 30\r\n  0.0\r\n 11\r\n4.0\r\n 21\r\n4\r\n 31\r\n0.000\r\n"),
              std::string::npos);
}

TEST(Transform, ScaledInsertGetsTheScalesItLackedWhereTheyBelong) {
    Document doc = Document::create();
    auto tags = entity_head(doc, "INSERT", "0", "AcDbBlockReference");
    for (auto [code, value] : std::vector<std::pair<int, const char*>>{{2, "块"}, {10, "10"}, {20, "20"}, {30, "0"}, {42, "1.5"}})
        tags.push_back(doc.make_raw(code, value));
    Entity ins(doc, add_entity(doc, std::move(tags)));
    EXPECT_TRUE(scale(ins, {0, 0, 0}, 2));
    // After the insertion point, as CAD programs write them.
    auto c = codes(ins);
    auto at = std::find(c.begin(), c.end(), 30);
    ASSERT_LE(at + 3, c.end());
    EXPECT_EQ(std::vector<int>(at + 1, at + 4), (std::vector<int>{41, 42, 43}));
}

TEST(Transform, HatchBoundariesPatternAndSeeds) {
    Document doc = Document::create();
    std::string groups =
        "10=0|20=0|30=1.5|210=0|220=0|230=1|2=_USER|70=0|71=0|91=3|"
        // a polyline loop with a bulge
        "92=3|72=1|73=1|93=3|10=0|20=0|42=0|10=4|20=0|42=0.5|10=4|20=4|42=0|97=0|"
        // a full circle
        "92=1|93=1|72=2|10=10|20=10|40=2|50=0|51=360|73=1|97=0|"
        // a line and a clockwise arc (stored as 360 - angle)
        "92=1|93=2|72=1|10=20|20=0|11=30|21=0|72=2|10=25|20=0|40=5|50=0|51=180|73=0|97=0|"
        "75=1|76=0|52=30|41=2|77=0|78=1|53=30|43=1|44=0|45=-1|46=1.7320508075688772|79=0|98=1|10=2|20=1";
    Entity hatch(doc, raw_entity(doc, "HATCH", "AcDbHatch", groups));
    EXPECT_TRUE(rotate(hatch, {0, 0, 0}, std::numbers::pi / 2));

    // Where the loops go ezdxf checks; here the seed point, the pattern, and the full circle that
    // keeps 0..360.
    EXPECT_NEAR(all(hatch, 10).back(), -1, kEps);
    EXPECT_NEAR(all(hatch, 20).back(), 2, kEps);
    expect_values(all(hatch, 50), {0, 270});  // circle unchanged; clockwise arc: 0 - 90
    expect_values(all(hatch, 51), {360, 90});
    expect_values(all(hatch, 52), {120});
    expect_values(all(hatch, 53), {120});
    expect_values(all(hatch, 43), {0});
    expect_values(all(hatch, 44), {1});
    expect_values(all(hatch, 45), {-1.7320508075688772});
    expect_values(all(hatch, 46), {-1});

    EXPECT_TRUE(scale(hatch, {0, 0, 0}, 2));
    expect_values(all(hatch, 41), {4});
    EXPECT_TRUE(move(hatch, 1, 1, 0));
    EXPECT_NEAR(all(hatch, 10).back(), -1, kEps) << "the seed moves with the hatch";
    expect_values(all(hatch, 43), {1});  // the pattern moves with its hatch
    expect_values(all(hatch, 45), {-3.4641016151377544});
}

TEST(Transform, OtherTypesAndBadArgumentsChangeNothing) {
    Document doc = Document::create();
    RecordId spline = raw_entity(doc, "SPLINE", "AcDbSpline", "70=8|71=3|72=0|73=0|74=0");
    RecordId line = add_line(doc, {0, 0, 0}, {1, 1, 0});
    std::string before = doc.to_dxf();
    EXPECT_FALSE(move(Entity(doc, spline), 1, 1, 0));
    EXPECT_FALSE(rotate(Entity(doc, spline), {0, 0, 0}, 1));
    EXPECT_FALSE(scale(Entity(doc, spline), {0, 0, 0}, 2));
    EXPECT_FALSE(can_transform(Entity(doc, spline)));
    EXPECT_FALSE(scale(Entity(doc, line), {0, 0, 0}, 0));
    EXPECT_FALSE(scale(Entity(doc, line), {0, 0, 0}, -1));
    EXPECT_FALSE(move(Entity(doc, line), NAN, 0, 0));
    EXPECT_FALSE(rotate(Entity(doc, line), {0, 0, 0}, INFINITY));
    EXPECT_TRUE(move(Entity(doc, line), 0, 0, 0));
    EXPECT_EQ(doc.to_dxf(), before);
}

