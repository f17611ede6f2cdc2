#include "render/image_cache.h"

#include <QImageReader>
#include <QString>

#include <algorithm>
#include <limits>

#include "render/image_decode.h"

namespace korvane::render {

namespace {

uint64_t bytes_of(const QImage& img) { return uint64_t(img.sizeInBytes()); }

}  // namespace

ImageCache::ImageCache(ImageCacheOptions options) : options_(std::move(options)), previews_(options_.preview_dir) {
    for (int i = 0; i < options_.threads; ++i) workers_.emplace_back([this, i] { work(i == 0); });
    if (workers_.empty()) previews_.prune(options_.preview_limit);
}

ImageCache::~ImageCache() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (auto& t : workers_) t.join();
}

void ImageCache::set_on_ready(std::function<void()> on_ready) {
    std::lock_guard lock(mutex_);
    on_ready_ = std::move(on_ready);
}

void ImageCache::set_memory_limit(uint64_t bytes) {
    std::lock_guard lock(mutex_);
    options_.memory_limit = bytes;
    evict();
}

uint64_t ImageCache::memory_used() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

size_t ImageCache::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size() + running_.size();
}

void ImageCache::wait_idle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && running_.empty(); });
}

void ImageCache::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    bytes_ = 0;
}

void ImageCache::begin_frame() {
    std::lock_guard lock(mutex_);
    ++frame_;
    for (auto it = queue_.begin(); it != queue_.end();)
        it = it->second.frame + 2 < frame_ ? queue_.erase(it) : std::next(it);
    if (queue_.empty() && running_.empty()) idle_.notify_all();
}

ImageCache::Found ImageCache::lookup(const std::string& path, int level) {
    Found out;
    auto it = entries_.find(path);
    if (it == entries_.end()) return out;
    Entry& e = it->second;
    out.full = e.full;
    out.failed = e.failed;
    if (e.levels.empty()) return out;
    auto exact = e.levels.find(level);
    Slot* slot = nullptr;
    if (exact != e.levels.end()) {
        slot = &exact->second;
        out.exact = true;
    } else {
        // The nearest finer level, else the nearest coarser one.
        auto coarser = e.levels.upper_bound(level);
        slot = coarser != e.levels.begin() ? &std::prev(coarser)->second : &coarser->second;
    }
    slot->used = frame_;
    out.image = slot->image;
    return out;
}

ImageCache::Found ImageCache::get(const std::string& path, int level) {
    std::unique_lock lock(mutex_);
    Found found = lookup(path, level);
    if (found.exact || found.failed) return found;
    Key key{path, level};
    if (workers_.empty()) {
        lock.unlock();
        produce(path, level);
        lock.lock();
        return lookup(path, level);
    }
    if (running_.count(key)) return found;
    auto [job, fresh] = queue_.try_emplace(key);
    job->second.frame = frame_;
    if (fresh) {
        job->second.order = order_++;
        wake_.notify_one();
    }
    return found;
}

void ImageCache::work(bool prune_first) {
    if (prune_first) previews_.prune(options_.preview_limit);
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        // The newest frame's requests first, in the order they were made (the drawing order).
        auto next = std::max_element(queue_.begin(), queue_.end(), [](const auto& a, const auto& b) {
            if (a.second.frame != b.second.frame) return a.second.frame < b.second.frame;
            return a.second.order > b.second.order;
        });
        Key key = next->first;
        queue_.erase(next);
        running_[key] = true;
        lock.unlock();
        produce(key.first, key.second);
        lock.lock();
        auto notify = on_ready_;
        lock.unlock();
        if (notify) notify();
        lock.lock();
        running_.erase(key);
        if (queue_.empty() && running_.empty()) idle_.notify_all();
    }
}

void ImageCache::produce(const std::string& path, int level) {
    QString file = QString::fromStdString(path);
    QImage finer;
    QSize full;
    bool try_preview = false;
    {
        std::lock_guard lock(mutex_);
        Entry& e = entries_[path];
        if (e.failed || e.levels.count(level)) return;
        auto coarser = e.levels.upper_bound(level);
        if (coarser != e.levels.begin()) finer = std::prev(coarser)->second.image;
        full = e.full;
        try_preview = previews_.enabled() && !e.preview_tried;
        e.preview_tried = true;
    }
    if (!finer.isNull()) {
        QImage reduced = reduce_to_level(finer, full, level);
        std::lock_guard lock(mutex_);
        store(path, level, std::move(reduced));
        return;
    }
    if (!full.isValid()) full = QImageReader(file).size();
    int preview_level = full.isValid() ? PreviewStore::level(full) : -1;
    QImage preview;
    if (try_preview && preview_level >= 0) {
        preview = previews_.load(file);
        if (!preview.isNull() && preview.size() != level_size(full, preview_level)) preview = QImage();
        if (!preview.isNull()) {
            std::lock_guard lock(mutex_);
            entries_[path].full = full;
            store(path, preview_level, preview);
        }
    }
    if (!preview.isNull() && level >= preview_level) {
        if (level > preview_level) {
            QImage reduced = reduce_to_level(preview, full, level);
            std::lock_guard lock(mutex_);
            store(path, level, std::move(reduced));
        }
        return;
    }
    if (!preview.isNull()) {
        // A coarse picture now, the sharp one when it is decoded.
        std::function<void()> notify;
        {
            std::lock_guard lock(mutex_);
            notify = on_ready_;
        }
        if (notify) notify();
    }
    // Decode from the file: at the preview's level when that is all the view needs, so the
    // preview is written on the way.
    bool make_preview = try_preview && preview.isNull() && preview_level >= 0;
    int decode_level = make_preview && level > preview_level ? preview_level : level;
    Decoded d = decode_image(file, decode_level);
    QImage at_preview, at_level;
    if (!d.image.isNull()) {
        if (make_preview) at_preview = reduce_to_level(d.image, d.full, PreviewStore::level(d.full));
        if (level != decode_level) at_level = reduce_to_level(d.image, d.full, level);
    }
    {
        std::lock_guard lock(mutex_);
        Entry& e = entries_[path];
        if (d.image.isNull()) {
            e.failed = true;
            return;
        }
        e.full = d.full;
        store(path, decode_level, d.image);
        if (!at_preview.isNull()) store(path, PreviewStore::level(d.full), at_preview);
        if (!at_level.isNull()) store(path, level, at_level);
    }
    previews_.save(file, at_preview);
}

void ImageCache::store(const std::string& path, int level, QImage image) {
    Entry& e = entries_[path];
    Slot& slot = e.levels[level];
    bytes_ -= bytes_of(slot.image);
    slot.image = std::move(image);
    slot.used = frame_;
    bytes_ += bytes_of(slot.image);
    evict();
}

void ImageCache::evict() {
    while (bytes_ > options_.memory_limit) {
        Entry* oldest_entry = nullptr;
        std::map<int, Slot>::iterator oldest;
        uint64_t oldest_used = std::numeric_limits<uint64_t>::max();
        for (auto& [path, e] : entries_)
            for (auto it = e.levels.begin(); it != e.levels.end(); ++it)
                if (it->second.used < oldest_used) {
                    oldest_used = it->second.used;
                    oldest_entry = &e;
                    oldest = it;
                }
        // What the present frame shows stays, even above the limit.
        if (!oldest_entry || oldest_used >= frame_) return;
        bytes_ -= bytes_of(oldest->second.image);
        oldest_entry->levels.erase(oldest);
    }
}

}  // namespace korvane::render
