// The image cache: levels decoded at their size, off the caller's thread; the memory limit;
// previews on disk that a later cache takes instead of the file.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <atomic>

#include "render/image_cache.h"
#include "render/image_decode.h"
#include "render/preview_store.h"

namespace korvane::render {
namespace {

class ImageCacheTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string jpeg;  // 1000 x 600, a gradient with a mark in the top-left corner

    void SetUp() override {
        QImage img(1000, 600, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient g(0, 0, 1000, 600);
        g.setColorAt(0, QColor(40, 90, 40));
        g.setColorAt(1, QColor(200, 180, 120));
        p.fillRect(img.rect(), g);
        p.fillRect(0, 0, 200, 200, Qt::red);
        p.end();
        jpeg = path("tile.jpg");
        ASSERT_TRUE(img.save(QString::fromStdString(jpeg), "JPG", 90));
    }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
};

TEST_F(ImageCacheTest, LevelsHaveTheirSizeAndTheFilesPixels) {
    ImageCache cache(ImageCacheOptions{.threads = 0});
    struct Case {
        int level;
        QSize size;
    };
    for (Case c : {Case{0, {1000, 600}}, Case{1, {500, 300}}, Case{3, {125, 75}}, Case{5, {32, 19}}}) {
        ImageCache::Found f = cache.get(jpeg, c.level);
        ASSERT_TRUE(f.exact) << c.level;
        EXPECT_EQ(f.image.size(), c.size) << c.level;
        EXPECT_EQ(f.full, QSize(1000, 600));
        // The red corner stays in the corner at every level.
        QColor corner = f.image.pixelColor(f.image.width() / 20, f.image.height() / 20);
        EXPECT_GT(corner.red(), 200) << c.level;
        EXPECT_LT(corner.green(), 60) << c.level;
    }
    EXPECT_EQ(level_for(1.5), 0);
    EXPECT_EQ(level_for(0.3), 1);  // half size still has at least one pixel per screen pixel
    EXPECT_EQ(level_for(0.02), 5);
}

TEST_F(ImageCacheTest, WorkersDecodeWhileTheCallerGoesOn) {
    ImageCache cache(ImageCacheOptions{.threads = 2});
    std::atomic<int> arrivals = 0;
    cache.set_on_ready([&] { ++arrivals; });
    ImageCache::Found first = cache.get(jpeg, 2);
    EXPECT_TRUE(first.image.isNull());
    EXPECT_FALSE(first.exact);
    cache.wait_idle();
    EXPECT_GE(arrivals.load(), 1);
    ImageCache::Found later = cache.get(jpeg, 2);
    EXPECT_TRUE(later.exact);
    EXPECT_EQ(later.image.size(), QSize(250, 150));
    // A finer level is made while the coarse one stands in for it.
    ImageCache::Found stand_in = cache.get(jpeg, 0);
    EXPECT_FALSE(stand_in.exact);
    EXPECT_EQ(stand_in.image.size(), QSize(250, 150));
    // A file that is not an image fails once and stays failed.
    std::string broken = path("broken.jpg");
    QFile f(QString::fromStdString(broken));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();
    cache.get(broken, 0);
    cache.wait_idle();
    EXPECT_TRUE(cache.get(broken, 0).failed);
}

TEST_F(ImageCacheTest, TheLimitKeepsTheLevelsUsedLast) {
    ImageCache cache(ImageCacheOptions{.memory_limit = 1000 * 600 * 4 + 500 * 300 * 4, .threads = 0});
    cache.get(jpeg, 0);
    cache.begin_frame();
    cache.get(jpeg, 1);
    EXPECT_EQ(cache.memory_used(), uint64_t(1000 * 600 * 4 + 500 * 300 * 4));
    cache.begin_frame();
    cache.get(jpeg, 2);  // over the limit: level 0, used longest ago, goes
    EXPECT_EQ(cache.memory_used(), uint64_t(500 * 300 * 4 + 250 * 150 * 4));
    cache.begin_frame();
    EXPECT_TRUE(cache.get(jpeg, 1).exact);
}

TEST_F(ImageCacheTest, APreviewOnDiskServesTheNextCache) {
    std::filesystem::path previews = path("previews");
    {
        ImageCache first(ImageCacheOptions{.preview_dir = previews, .threads = 0});
        first.get(jpeg, 4);
    }
    ASSERT_EQ(QDir(QString::fromStdString(previews.string())).entryList(QDir::Files).size(), 1);
    int level = PreviewStore::level({1000, 600});
    EXPECT_EQ(level, 2);  // 250 x 150 fits in 256
    QImage stored = PreviewStore(previews).load(QString::fromStdString(jpeg));
    ASSERT_EQ(stored.size(), QSize(250, 150));
    ImageCache second(ImageCacheOptions{.preview_dir = previews, .threads = 0});
    ImageCache::Found f = second.get(jpeg, level);
    ASSERT_TRUE(f.exact);
    EXPECT_EQ(f.image, stored);  // the preview as stored, not a new decode of the file
    // A changed file does not take the old preview.
    QImage other(1000, 600, QImage::Format_RGB32);
    other.fill(Qt::blue);
    ASSERT_TRUE(other.save(QString::fromStdString(jpeg), "JPG", 90));
    EXPECT_TRUE(PreviewStore(previews).load(QString::fromStdString(jpeg)).isNull());
}

}  // namespace
}  // namespace korvane::render
