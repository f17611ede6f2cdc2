// IMAGECLIP, -IMAGE and DRAWORDER with the texts the map-frame and image tools send. IMAGEFRAME
// is read back with ezdxf after map_frames.scn (off) and image_tiles.scn (the menu entry, answered
// 2), and from the plots of map_plot.scn.
#include <cmath>

#include "command_fixture.h"
#include "drawing/image.h"

namespace korvane::host::testing {

namespace {

std::string be32(uint32_t v) {
    return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

// The first bytes of a PNG file: enough for its pixel size.
void write_png(const std::filesystem::path& path, uint32_t w, uint32_t h) {
    std::string s("\x89PNG\r\n\x1a\n", 8);
    s += be32(13) + "IHDR" + be32(w) + be32(h) + std::string("\x08\x02\x00\x00\x00", 5) + be32(0);
    std::ofstream(path, std::ios::binary) << s;
}

class ImageCommandTest : public CommandFixture {
protected:
    std::string file;
    drawing::RecordId before_images = drawing::kNoRecord;  // a polyline drawn before the images
    drawing::RecordId img1 = drawing::kNoRecord, img2 = drawing::kNoRecord, img3 = drawing::kNoRecord;
    drawing::RecordId after_images = drawing::kNoRecord;  // a line drawn after them

    void SetUp() override {
        CommandFixture::SetUp();
        file = (temp_dir() / "2543.00-548.00.png").string();
        write_png(file, 100, 100);
        std::string other = (temp_dir() / "2543.00-549.00.png").string();
        write_png(other, 200, 200);
        before_images = square(548000, 2543000, 1000);
        img1 = drawing::add_image(d(), file, {548000, 2543000, 0}, 1000);
        img2 = drawing::add_image(d(), file, {548000, 2544000, 0}, 1000);
        img3 = drawing::add_image(d(), other, {549000, 2543000, 0}, 1000);
        after_images = drawing::add_line(d(), {548000, 2543000, 0}, {550000, 2545000, 0});
        ASSERT_NE(img1, drawing::kNoRecord);
        ASSERT_NE(img3, drawing::kNoRecord);
    }
    std::string def_name(drawing::RecordId image) { return drawing::image_name(d(), image); }
};

}  // namespace

// Where the frame tool's outline puts the clip is map_frames.check.py's (ezdxf).
TEST_F(ImageCommandTest, ClipToAFrameOutlineAsTheFrameToolSendsIt) {
    // The outline of a frame: four vertices, the first again, and an empty line.
    std::string outline = "548200,2543100\r548800,2543100\r548800,2543690\r548200,2543690\r548200,2543100\r\r";
    send("_imageclip\r" + handent(handle(img1)) + "\rNEW\rP\r" + outline);
    EXPECT_TRUE(input.requests.empty()) << all_lines();
    ASSERT_EQ(drawing::image_clip_world(d(), img1).size(), 4u) << "the repeated first vertex is not a fifth corner";
    EXPECT_FALSE(drawing::image_clipped(d(), img2));

    // Clipping an image again replaces its boundary without a question.
    send("_imageclip\r" + handent(handle(img1)) + "\rNEW\rP\r548000,2543000\r548500,2543000\r548500,2543500\r\r");
    EXPECT_EQ(drawing::image_clip_world(d(), img1).size(), 3u);
    EXPECT_TRUE(input.requests.empty()) << all_lines();
    send("u\r");
    EXPECT_EQ(drawing::image_clip_world(d(), img1).size(), 4u) << "undo gives the first boundary back";
}

TEST_F(ImageCommandTest, ClipOptionsRectangleOffAndDelete) {
    send("_imageclip\r" + handent(handle(img2)) + "\r\rR\r548100,2544100\r548900,2544900\r");
    EXPECT_TRUE(drawing::image_clipped(d(), img2));
    EXPECT_EQ(drawing::image_clip_world(d(), img2).size(), 4u);
    send("_imageclip\r" + handent(handle(img2)) + "\roff\r");
    EXPECT_FALSE(drawing::image_clipped(d(), img2));
    send("_imageclip\r" + handent(handle(img2)) + "\ron\r");
    EXPECT_TRUE(drawing::image_clipped(d(), img2));
    send("_imageclip\r" + handent(handle(img2)) + "\rd\r");
    EXPECT_FALSE(drawing::image_clipped(d(), img2));
}

TEST_F(ImageCommandTest, ClippingSomethingThatIsNotAnImageChangesNothing) {
    send("_imageclip\r" + handent(handle(before_images)) + "\rNEW\rP\r0,0\r1,0\r1,1\r0,0\r\r");
    EXPECT_TRUE(printed("所选对象不是图像"));
    EXPECT_TRUE(printed("未知命令\"NEW\"")) << "the rest of the text is dropped after the unknown word";
    EXPECT_FALSE(d().can_undo());
    EXPECT_TRUE(input.requests.empty());
}

TEST_F(ImageCommandTest, DrawOrderBackOfThePreviousSelection) {
    // What the tool selects into its set: every image.
    hd->previous_selection() = {img1, img2, img3};
    send("DRAWorder\rP\r\rB\r");
    EXPECT_EQ(modelspace(), (std::vector<drawing::RecordId>{img1, img2, img3, before_images, after_images}))
        << all_lines();
    EXPECT_TRUE(input.requests.empty());
    send("DRAWorder\r" + handent(handle(img1)) + "\r\rF\r");
    EXPECT_EQ(modelspace().back(), img1);
    send("u\r");
    send("u\r");
    EXPECT_EQ(modelspace(), (std::vector<drawing::RecordId>{before_images, img1, img2, img3, after_images}));
}

TEST_F(ImageCommandTest, DrawOrderAboveAndUnderAReference) {
    send("DRAWorder\r" + handent(handle(after_images)) + "\r\rU\r" + handent(handle(img1)) + "\r\r");
    EXPECT_EQ(modelspace(), (std::vector<drawing::RecordId>{before_images, after_images, img1, img2, img3}));
    send("DRAWorder\r" + handent(handle(before_images)) + "\r\rA\r" + handent(handle(img2)) + "\r\r");
    EXPECT_EQ(modelspace(), (std::vector<drawing::RecordId>{after_images, img1, img2, before_images, img3}));
}

TEST_F(ImageCommandTest, DrawOrderWithNothingSelectedStillTakesItsOption) {
    hd->previous_selection().clear();
    auto order = modelspace();
    send("DRAWorder\rP\r\rB\r");
    EXPECT_EQ(modelspace(), order);
    EXPECT_FALSE(printed("未知命令")) << "the B was the command's own answer";
    EXPECT_FALSE(d().can_undo());
}

TEST_F(ImageCommandTest, AttachThroughTheCommandLine) {
    std::string other = (temp_dir() / "tile.png").string();
    write_png(other, 50, 25);
    send("-image\r\r" + other + "\r100,200\r50\r0\r");
    drawing::RecordId img = last();
    ASSERT_EQ(d().type(img), "IMAGE") << all_lines();
    auto corners = drawing::image_corners(d(), img);
    EXPECT_NEAR(corners[2].x, 150, 1e-9);
    EXPECT_NEAR(corners[2].y, 225, 1e-9);
}

}  // namespace korvane::host::testing
