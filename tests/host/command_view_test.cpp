// ZOOM and REDRAW: the view the document keeps and the system variables that read it back.
#include <cmath>

#include "command_fixture.h"

namespace korvane::host::testing {

namespace {

class ZoomCommandTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        square(548000, 2543000, 1000);
        square(549000, 2543000, 1000);
    }
    Point center() { return std::get<Point>(var("VIEWCTR")); }
    double size() { return std::get<double>(var("VIEWSIZE")); }
    // The window the panel computes from the view variables.
    std::array<double, 4> window() {
        Point s = std::get<Point>(var("SCREENSIZE"));
        double h = size(), w = h * s.x / s.y;
        Point c = center();
        return {c.x - w / 2, c.y - h / 2, c.x + w / 2, c.y + h / 2};
    }
};

}  // namespace

// A square window, as the sheet alignment sends it, is map_sheets.scn's.
TEST_F(ZoomCommandTest, AWideWindowIsLimitedByItsWidth) {
    send("Zoom\r0,0\r3200,100\r");
    EXPECT_EQ(redraws, 1);
    EXPECT_DOUBLE_EQ(size(), 1800);
    auto w = window();
    EXPECT_NEAR(w[0], 0, 1e-9);
    EXPECT_NEAR(w[2], 3200, 1e-9);
}

// The window the panel computes from them is temp_drawing.scn's.
TEST_F(ZoomCommandTest, CentreHeightAndScale) {
    send("Zoom\rc\r1000,2000\r90\r");
    EXPECT_DOUBLE_EQ(size(), 90);
    send("Zoom\r2x\r");
    EXPECT_DOUBLE_EQ(size(), 45);
    send("Zoom\rc\r\r2x\r");
    EXPECT_DOUBLE_EQ(size(), 22.5);
    EXPECT_EQ(center(), (Point{1000, 2000, 0}));
}

TEST_F(ZoomCommandTest, ExtentsAndPrevious) {
    send("Zoom\r0,0\r10,10\r");
    View small = hd->view();
    send("Zoom\re\r");
    View ext = hd->view();
    // The two squares span 548000..550000 by 2543000..2544000.
    EXPECT_NEAR(ext.center.x, 549000, 1e-6);
    EXPECT_NEAR(ext.center.y, 2543500, 1e-6);
    EXPECT_GE(ext.height, 1000);
    send("Zoom\rp\r");
    EXPECT_EQ(hd->view().center, small.center);
    EXPECT_DOUBLE_EQ(hd->view().height, small.height);
}

TEST_F(ZoomCommandTest, EachDrawingHasItsOwnView) {
    HostDocument& other = host.new_document();
    host.interpreter().send(other, "Zoom\rc\r5,5\r10\r");
    send("Zoom\rc\r100,100\r50\r");
    EXPECT_EQ(other.view().center, (Point{5, 5, 0}));
    EXPECT_DOUBLE_EQ(other.view().height, 10);
    EXPECT_DOUBLE_EQ(size(), 50);
}

TEST_F(ZoomCommandTest, ZoomIsNotAnUndoStep) {
    d().set_modified(false);
    send("Zoom\r0,0\r10,10\r");
    EXPECT_FALSE(d().can_undo());
    EXPECT_FALSE(d().modified());
}

TEST_F(ZoomCommandTest, RedrawWithATrailingBlankAsTheLayerBoxesSendIt) {
    hd->highlighted().insert(square(0, 0, 10));
    send("REDRAW ");
    EXPECT_EQ(redraws, 1);
    EXPECT_TRUE(hd->highlighted().empty());
    send("REDRAW\r");
    EXPECT_EQ(redraws, 2);
    EXPECT_TRUE(input.requests.empty());
    EXPECT_FALSE(printed("未知命令"));
}

}  // namespace korvane::host::testing
