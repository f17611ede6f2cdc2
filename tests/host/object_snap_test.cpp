// Object snaps found through the spatial index: which candidate wins, what is left out, and what
// a point prompt tells the drawing window (the snap marker and the rubber band need both).
#include <cmath>

#include "command_fixture.h"
#include "host/object_snap.h"

namespace korvane::host::testing {

class ObjectSnapTest : public CommandFixture {};

TEST_F(ObjectSnapTest, TheNearestCandidateWinsAndHiddenLayersDoNotCount) {
    drawing::add_line(d(), {0, 0, 0}, {10, 0, 0});
    drawing::add_line(d(), {0, -2, 0}, {10, 8, 0});
    drawing::add_circle(d(), {20, 0, 0}, 5);
    drawing::add_point(d(), {30, 30, 0});
    drawing::add_line(d(), {0, 3, 0}, {10, 3, 0}, "关");
    drawing::set_layer_on(d(), drawing::find_table_entry(d(), "LAYER", "关"), false);
    const int all = kSnapEndpoint | kSnapMidpoint | kSnapCenter | kSnapNode | kSnapQuadrant | kSnapIntersection;
    struct Case {
        const char* name;
        Point cursor;
        int modes;
        std::optional<Point> from;
        int mode;  // 0: nothing found
        Point want;
    };
    const Case cases[] = {
        {"an end nearer than the middle", {9.4, 0.3, 0}, all, {}, kSnapEndpoint, {10, 0, 0}},
        {"the middle nearer than an end", {5.5, 0.4, 0}, all, {}, kSnapMidpoint, {5, 0, 0}},
        {"a circle's quadrant", {24.8, 0.6, 0}, all, {}, kSnapQuadrant, {25, 0, 0}},
        {"two lines' crossing", {2.3, 0.2, 0}, all, {}, kSnapIntersection, {2, 0, 0}},
        {"the centre, from anywhere on the circle", {23.6, 3.6, 0}, all, {}, kSnapCenter, {20, 0, 0}},
        {"a node", {29.5, 30.5, 0}, all, {}, kSnapNode, {30, 30, 0}},
        {"too far from everything", {5, -5, 0}, all, {}, 0, {}},
        {"a line on a layer switched off", {1, 3, 0}, kSnapEndpoint | kSnapNearest, {}, 0, {}},
        {"perpendicular only with a base", {7, 0.5, 0}, kSnapPerpendicular, {}, 0, {}},
        {"perpendicular from a base", {7.5, 0.5, 0}, kSnapPerpendicular, Point{7, 9, 0}, kSnapPerpendicular, {7, 0, 0}},
        {"nearest only when nothing else is there", {7, 0.5, 0}, kSnapNearest | kSnapEndpoint, {}, kSnapNearest, {7, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto hit = find_snap(*hd, c.cursor, 1.0, c.modes, c.from);
        if (c.mode == 0) {
            EXPECT_FALSE(hit);
            continue;
        }
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->mode, c.mode);
        EXPECT_NEAR(hit->point.x, c.want.x, 1e-9);
        EXPECT_NEAR(hit->point.y, c.want.y, 1e-9);
    }
    EXPECT_EQ(snap_override("endp"), kSnapEndpoint);
    EXPECT_EQ(snap_override("NON"), 0);
    EXPECT_FALSE(snap_override("en"));
    EXPECT_FALSE(snap_override("endpoints"));
}

TEST_F(ObjectSnapTest, PointPromptsTellTheWindowTheirBasePoint) {
    input.point(0, 0);
    input.point(5, 5);
    input.enter();
    send("line\r");
    ASSERT_EQ(input.requests.size(), 3u);
    EXPECT_EQ(input.requests[0].expects, InputKind::Point);
    EXPECT_FALSE(input.requests[0].base);
    ASSERT_TRUE(input.requests[1].base);
    EXPECT_EQ(input.requests[1].base->x, 0);
    EXPECT_EQ(input.requests[2].base->x, 5);
    input.requests.clear();
    input.enter();
    send("erase\r");
    EXPECT_NE(input.requests[0].expects, InputKind::Point);
}

}  // namespace korvane::host::testing
