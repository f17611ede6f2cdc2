#pragma once
// Decoded image files for the views, kept under a memory limit.
//
// A view asks for a file at the level its scale needs (image_decode.h). What is at hand comes
// back at once — the wanted level, or the nearest one while the wanted one is made — and the
// missing level is decoded by worker threads, newest frame first; when it arrives the view is
// told to repaint. A view never waits for a decode. Levels are made from a finer level already
// decoded when there is one, else from the disk preview (preview_store.h) when it is fine
// enough, else from the file. Levels not used for longest go first when the limit is reached.
//
// With no worker threads the cache decodes in the caller's thread (batch runs, tests). Plots
// decode what they need themselves (draw_image.cpp).
#include <QImage>
#include <QSize>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "render/preview_store.h"

namespace korvane::render {

struct ImageCacheOptions {
    uint64_t memory_limit = uint64_t(1) << 30;  // decoded pixels kept, in bytes
    std::filesystem::path preview_dir;          // empty: no previews on disk
    uint64_t preview_limit = uint64_t(256) << 20;
    int threads = 2;                            // 0: decode in the caller's thread
};

class ImageCache {
public:
    // A view repaints this long after the first of a burst of arrivals, so that a burst costs
    // a few frames and leaves the decoders the processor.
    static constexpr int kGatherMs = 100;

    explicit ImageCache(ImageCacheOptions options = {});
    ~ImageCache();
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    // Called from a worker thread each time an image arrived.
    void set_on_ready(std::function<void()> on_ready);
    void set_memory_limit(uint64_t bytes);
    bool synchronous() const { return workers_.empty(); }

    struct Found {
        QImage image;         // the best level at hand; null when none is yet
        QSize full;           // the file's size, once known
        bool exact = false;   // the wanted level: nothing better is coming
        bool failed = false;  // the file cannot be read as an image
    };
    // The file at `level`, or the nearest level at hand while the wanted one is made.
    Found get(const std::string& path, int level);
    // A new frame begins: requests the last two frames did not repeat are given up.
    void begin_frame();

    uint64_t memory_used() const;
    size_t pending() const;  // requests waiting or being worked on
    // Waits until every request was dealt with (tests and benchmarks).
    void wait_idle();
    // Forgets every decoded image (files changed on disk).
    void clear();

private:
    struct Slot {
        QImage image;
        uint64_t used = 0;  // frame of last use
    };
    struct Entry {
        std::map<int, Slot> levels;
        QSize full;
        bool failed = false;
        bool preview_tried = false;
    };
    using Key = std::pair<std::string, int>;
    struct Job {
        uint64_t frame = 0;
        uint64_t order = 0;
    };

    ImageCacheOptions options_;
    PreviewStore previews_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::unordered_map<std::string, Entry> entries_;
    std::map<Key, Job> queue_;
    std::map<Key, bool> running_;
    uint64_t frame_ = 1, order_ = 0, bytes_ = 0;
    bool stopping_ = false;
    std::function<void()> on_ready_;
    std::vector<std::thread> workers_;

    void work(bool prune_first);
    // Makes the level (and whatever it passes on the way: the preview) and keeps it.
    void produce(const std::string& path, int level);
    void store(const std::string& path, int level, QImage image);  // mutex held
    void evict();                                                   // mutex held
    Found lookup(const std::string& path, int level);               // mutex held
};

}  // namespace korvane::render
