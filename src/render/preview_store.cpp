#include "render/preview_store.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

#include <algorithm>
#include <system_error>
#include <vector>

#include "render/image_decode.h"

namespace korvane::render {

namespace fs = std::filesystem;

PreviewStore::PreviewStore(fs::path dir) : dir_(std::move(dir)) {}

int PreviewStore::level(QSize full) {
    int level = 0;
    while (level < 16 && std::max(level_size(full, level).width(), level_size(full, level).height()) > kSide) ++level;
    return level;
}

QString PreviewStore::path_for(const QString& file) const {
    QFileInfo info(file);
    if (!info.exists()) return {};
    QByteArray key = info.absoluteFilePath().toUtf8() + '\n' + QByteArray::number(info.size()) + '\n' +
                     QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    QString name = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex());
    return QString::fromStdString((dir_ / name.toStdString()).string());
}

QImage PreviewStore::load(const QString& file) const {
    if (!enabled()) return {};
    QString base = path_for(file);
    if (base.isEmpty()) return {};
    for (const char* ext : {".jpg", ".png"}) {
        QImageReader reader(base + QLatin1String(ext));
        if (!reader.canRead()) continue;
        QImage img = reader.read();
        if (img.isNull()) continue;
        return img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    }
    return {};
}

void PreviewStore::save(const QString& file, const QImage& preview) const {
    if (!enabled() || preview.isNull()) return;
    QString base = path_for(file);
    if (base.isEmpty()) return;
    std::error_code ec;
    fs::create_directories(dir_, ec);
    bool alpha = preview.hasAlphaChannel();
    // Written whole under a temporary name and renamed, so a reader never sees half a preview.
    QSaveFile out(base + (alpha ? ".png" : ".jpg"));
    if (!out.open(QIODevice::WriteOnly)) return;
    if (!preview.save(&out, alpha ? "PNG" : "JPG", alpha ? -1 : 85)) {
        out.cancelWriting();
        return;
    }
    out.commit();
}

void PreviewStore::prune(uint64_t max_bytes) const {
    if (!enabled()) return;
    struct File {
        fs::path path;
        fs::file_time_type time;
        uint64_t size;
    };
    std::vector<File> files;
    uint64_t total = 0;
    std::error_code ec;
    for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (!it->is_regular_file(e2)) continue;
        File f{it->path(), it->last_write_time(e2), it->file_size(e2)};
        if (e2) continue;
        total += f.size;
        files.push_back(std::move(f));
    }
    if (total <= max_bytes) return;
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.time < b.time; });
    for (const File& f : files) {
        if (total <= max_bytes) break;
        if (fs::remove(f.path, ec)) total -= f.size;
    }
}

}  // namespace korvane::render
