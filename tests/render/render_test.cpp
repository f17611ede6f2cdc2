// What the canvas draws, read back from the pixels: layers that are off hide
// their entities, colour by layer, point styles, text justification, user-defined
// hatch lines, clipped images and the MTEXT text without its codes.
#include <gtest/gtest.h>

#include <QImage>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include "drawing/create.h"
#include "drawing/draw_order.h"
#include "drawing/entity.h"
#include "drawing/hatch.h"
#include "drawing/image.h"
#include "drawing/tables.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "render/aci.h"
#include "render/image_cache.h"
#include "render/mtext.h"
#include "render/render.h"

namespace korvane::render {
namespace {

class RenderTest : public ::testing::Test {
protected:
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    DrawingRenderer renderer;
    host::HostDocument* hd = nullptr;
    static constexpr int kW = 400, kH = 300;

    void SetUp() override {
        hd = &host.new_document();
        // 40 x 30 units on 400 x 300 pixels: ten pixels a unit, (0,0) in the middle.
        hd->view().center = {0, 0, 0};
        hd->view().height = 30;
    }
    drawing::Document& d() { return hd->doc(); }
    // Without antialiasing, so that a line's pixels carry its exact colour.
    QImage draw() {
        QImage img(kW, kH, QImage::Format_RGB32);
        QPainter p(&img);
        RenderOptions o;
        o.antialias_limit = 0;
        renderer.render(p, *hd, host, QSize(kW, kH), o);
        return img;
    }
    QPoint px(double x, double y) { return {int(std::lround(kW / 2 + x * 10)), int(std::lround(kH / 2 - y * 10))}; }
    QColor at(const QImage& img, double x, double y) { return img.pixelColor(px(x, y)); }
    bool ink_near(const QImage& img, double x, double y, int r = 1) {
        QPoint c = px(x, y);
        QColor bg = renderer.background();
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (img.pixelColor(c + QPoint(dx, dy)) != bg) return true;
        return false;
    }
    // The box of every pixel that is not background.
    QRect ink_box(const QImage& img) {
        QColor bg = renderer.background();
        QRect box;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) != bg) box = box.united(QRect(x, y, 1, 1));
        return box;
    }
    drawing::RecordId layer(const char* name) { return drawing::add_layer(d(), name); }
};

TEST_F(RenderTest, ALayerThatIsOffHidesItsEntitiesAndColourByLayerTakesTheLayersColour) {
    drawing::set_layer_color(d(), layer("A"), 3);
    drawing::add_line(d(), {-10, 0, 0}, {10, 0, 0}, "A");
    auto red = drawing::add_line(d(), {-10, 5, 0}, {10, 5, 0}, "A");
    drawing::Entity(d(), red).set_color(1);
    renderer.clear();
    QImage on = draw();
    EXPECT_EQ(at(on, 0, 0), aci_color(3));
    EXPECT_EQ(at(on, 0, 5), aci_color(1));
    drawing::set_layer_on(d(), drawing::find_table_entry(d(), "LAYER", "A"), false);
    QImage off = draw();
    EXPECT_FALSE(ink_near(off, 0, 0));
    EXPECT_FALSE(ink_near(off, 0, 5));
}

TEST_F(RenderTest, PointsFollowPdmodeAndPdsize) {
    drawing::add_point(d(), {0, 0, 0});
    d().set_header("$PDMODE", {d().make_int(70, 33)});  // a circle without the dot
    d().set_header("$PDSIZE", {d().make_real(40, 4)});  // four units across
    QImage img = draw();
    EXPECT_TRUE(ink_near(img, 2, 0));
    EXPECT_TRUE(ink_near(img, 0, -2));
    EXPECT_FALSE(ink_near(img, 0, 0, 3));
    d().set_header("$PDMODE", {d().make_int(70, 0)});
    img = draw();
    EXPECT_TRUE(ink_near(img, 0, 0));
    EXPECT_FALSE(ink_near(img, 2, 0, 2));
}

TEST_F(RenderTest, TextSitsWhereItsJustificationSays) {
    auto id = drawing::add_text(d(), "界址", {0, 0, 0}, 3);
    drawing::Entity e(d(), id);
    // Middle centre about (5, -4).
    e.set_integer(72, 1);
    e.set_integer(73, 2);
    e.set_point(11, {5, -4, 0});
    QRect box = ink_box(draw());
    ASSERT_FALSE(box.isEmpty());
    QPoint c = px(5, -4);
    EXPECT_NEAR(box.center().x(), c.x(), 3);
    EXPECT_NEAR(box.center().y(), c.y(), 4);
    // Three units high, give or take the font's own proportions.
    EXPECT_GT(box.height(), 22);
    EXPECT_LT(box.height(), 42);
    // Right-aligned on its baseline: the text ends at the point and stands above it (CJK
    // glyphs reach a little below the baseline).
    e.set_integer(72, 2);
    e.set_integer(73, 0);
    box = ink_box(draw());
    EXPECT_NEAR(box.right(), px(5, -4).x(), 3);
    EXPECT_LE(box.bottom(), px(5, -4).y() + 8);
    EXPECT_LT(box.top(), px(5, -4).y() - 20);
}

TEST_F(RenderTest, AUserDefinedHatchDrawsItsLinesInsideItsBoundary) {
    auto square = drawing::add_lwpolyline(d(), {{-5, -5, 0}, {5, -5, 0}, {5, 5, 0}, {-5, 5, 0}}, true, "0");
    drawing::UserHatchOptions o;
    o.angle = 0;
    o.spacing = 2;
    o.color = 2;
    auto hatch = drawing::add_user_hatch(d(), square, o);
    ASSERT_NE(hatch, drawing::kNoRecord);
    QImage img = draw();
    // Horizontal lines two units apart inside the square, nothing between them or outside.
    int lines = 0;
    for (double y = -4.5; y <= 4.5; y += 0.1) lines += at(img, 1.3, y) == aci_color(2) ? 1 : 0;
    EXPECT_GE(lines, 4);
    EXPECT_LE(lines, 12);
    EXPECT_FALSE(ink_near(img, 7, 0, 2));
}

TEST_F(RenderTest, AnImageIsDrawnInsideItsClipBoundaryOnly) {
    QTemporaryDir dir;
    std::string file = dir.path().toStdString() + "/red.png";
    QImage red(100, 100, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString(file)));
    auto img = drawing::add_image(d(), file, {-10, -10, 0}, 20);  // 20 x 20 units
    ASSERT_NE(img, drawing::kNoRecord);
    QImage whole = draw();
    EXPECT_EQ(at(whole, 5, 5), QColor(255, 0, 0));
    EXPECT_EQ(at(whole, -5, -5), QColor(255, 0, 0));
    // Clipped to its left half.
    ASSERT_TRUE(drawing::set_image_clip(d(), img, {{-10, -10, 0}, {0, 10, 0}}));
    QImage clipped = draw();
    EXPECT_EQ(at(clipped, -5, -5), QColor(255, 0, 0));
    EXPECT_EQ(at(clipped, 5, 5), renderer.background());
}

TEST_F(RenderTest, ImageFramesFollowTheSettingAndAMissingFileShowsItsFrameAndName) {
    QTemporaryDir dir;
    std::string file = dir.path().toStdString() + "/green.png";
    QImage green(100, 100, QImage::Format_RGB32);
    green.fill(QColor(0, 160, 0));
    ASSERT_TRUE(green.save(QString::fromStdString(file)));
    auto img = drawing::add_image(d(), file, {-10, -10, 0}, 20);
    ASSERT_NE(img, drawing::kNoRecord);
    struct Case {
        int setting;
        bool plotting;
        bool frame;
    };
    for (Case c : {Case{0, false, false}, Case{1, false, true}, Case{1, true, true}, Case{2, false, true},
                   Case{2, true, false}}) {
        ASSERT_TRUE(drawing::set_image_frame(d(), c.setting));
        QImage out(kW, kH, QImage::Format_RGB32);
        QPainter p(&out);
        RenderOptions o;
        o.antialias_limit = 0;
        o.plotting = c.plotting;
        renderer.render(p, *hd, host, QSize(kW, kH), o);
        // The left edge of the image: the frame's white, or the picture's green.
        EXPECT_EQ(at(out, -10, 0) == aci_color(7), c.frame) << c.setting << " " << c.plotting;
        EXPECT_EQ(at(out, -5, 0), QColor(0, 160, 0));
    }
    // Renamed away: the frame and the file's name stand in for the picture.
    QFile::rename(QString::fromStdString(file), dir.filePath("elsewhere.png"));
    ASSERT_TRUE(drawing::set_image_frame(d(), 0));
    renderer.clear();
    QImage missing = draw();
    EXPECT_EQ(at(missing, -10, 0), aci_color(7));
    EXPECT_EQ(at(missing, 5, -5), renderer.background());
    // The name, in the top-left corner inside the frame.
    QImage name = missing.copy(QRect(px(-10, 10) + QPoint(3, 3), QSize(60, 16)));
    EXPECT_FALSE(ink_box(name).isEmpty());
}

TEST_F(RenderTest, ImagesSentToTheBackLieUnderTheLines) {
    QTemporaryDir dir;
    std::string file = dir.path().toStdString() + "/grey.png";
    QImage grey(50, 50, QImage::Format_RGB32);
    grey.fill(QColor(90, 90, 90));
    ASSERT_TRUE(grey.save(QString::fromStdString(file)));
    auto line = drawing::add_line(d(), {-5, 0, 0}, {5, 0, 0});
    auto img = drawing::add_image(d(), file, {-10, -10, 0}, 20);
    ASSERT_NE(img, drawing::kNoRecord);
    EXPECT_EQ(at(draw(), 0, 0), QColor(90, 90, 90));
    drawing::set_draw_order(d(), {img, line});
    EXPECT_EQ(at(draw(), 0, 0), aci_color(7));
    // The sort table alone, as another program leaves it with the file in its old order.
    d().edit_section("ENTITIES")->items = {line, img};
    d().touch();
    ASSERT_EQ(drawing::draw_order(d()), (std::vector<drawing::RecordId>{img, line}));
    EXPECT_EQ(at(draw(), 0, 0), aci_color(7));
}

TEST_F(RenderTest, ADecodeOffTheDrawingThreadShowsOnTheNextFrame) {
    QTemporaryDir dir;
    std::string file = dir.path().toStdString() + "/red.jpg";
    QImage red(400, 400, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString(file)));
    drawing::add_image(d(), file, {-10, -10, 0}, 20);
    ImageCache cache(ImageCacheOptions{.threads = 1});
    DrawingRenderer threaded(&cache);
    QImage out(kW, kH, QImage::Format_RGB32);
    QPainter p(&out);
    RenderStats first = threaded.render(p, *hd, host, QSize(kW, kH));
    EXPECT_EQ(first.images, 1u);
    EXPECT_EQ(first.images_waiting, 1u);
    cache.wait_idle();
    RenderStats second = threaded.render(p, *hd, host, QSize(kW, kH));
    EXPECT_EQ(second.images_waiting + second.images_coarse, 0u);
    EXPECT_GT(at(out, 0, 0).red(), 240);
}

// Cached shapes following edits are FastPaths' (the picture of a fresh renderer after each edit).
TEST_F(RenderTest, OnlyTheViewsEntitiesAreTouched) {
    for (int i = 0; i < 100; ++i) drawing::add_line(d(), {i * 100.0, 0, 0}, {i * 100.0 + 1, 0, 0});
    QImage img(kW, kH, QImage::Format_RGB32);
    QPainter p(&img);
    RenderStats s = renderer.render(p, *hd, host, QSize(kW, kH));
    EXPECT_LE(s.candidates, 2u);  // the lines near the origin only
    EXPECT_EQ(renderer.cached_items(), s.candidates);
}

TEST(MtextPlain, FormattingCodesGoAndParagraphsBreakLines) {
    EXPECT_EQ(mtext_plain("{\\fSimSun|b0|i0;第一行}\\P第二\\~行"), "第一行\n第二 行");
    EXPECT_EQ(mtext_plain("\\H2.5x;\\C1;红\\\\字 1\\S1^2;"), "红\\字 11/2");
    EXPECT_EQ(mtext_plain("\\U+754C址"), "界址");
}

}  // namespace
}  // namespace korvane::render
