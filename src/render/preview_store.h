#pragma once
// Small previews of image files kept on disk, so that a drawing opened again shows its tiles at
// once instead of after every file was decoded. A preview is the level of the file that fits in
// kSide pixels, stored as JPEG (PNG when the image has transparency) under a name made from the
// file's path, size and modification time: a changed file gets a new preview, and old ones go
// when the store is pruned.
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <filesystem>

namespace korvane::render {

class PreviewStore {
public:
    static constexpr int kSide = 256;

    // `dir` empty: no previews are kept.
    explicit PreviewStore(std::filesystem::path dir = {});
    bool enabled() const { return !dir_.empty(); }

    // The level of a file of `full` pixels that previews keep.
    static int level(QSize full);

    // The preview of the file, or a null image when there is none for its present state.
    QImage load(const QString& file) const;
    // Keeps `preview` (the file at level()) for the file. Failures only cost the next open time.
    void save(const QString& file, const QImage& preview) const;
    // Removes the oldest previews until the store holds at most `max_bytes`.
    void prune(uint64_t max_bytes) const;

private:
    std::filesystem::path dir_;
    QString path_for(const QString& file) const;  // empty when the file does not exist
};

}  // namespace korvane::render
