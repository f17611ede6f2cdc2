#include "render/image_decode.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace korvane::render {

namespace {

constexpr int kMaxLevel = 16;
constexpr int kDctLevels = 3;  // libjpeg decodes at 1/2, 1/4 and 1/8

QImage normalised(QImage img) {
    if (img.isNull()) return img;
    auto format = img.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return img.format() == format ? img : img.convertToFormat(format);
}

}  // namespace

QSize level_size(QSize full, int level) {
    level = std::clamp(level, 0, kMaxLevel);
    int d = 1 << level;
    return {std::max(1, (full.width() + d - 1) / d), std::max(1, (full.height() + d - 1) / d)};
}

int level_for(double screen_per_pixel) {
    if (!(screen_per_pixel > 0) || screen_per_pixel >= 1) return 0;
    return std::clamp(int(std::floor(std::log2(1 / screen_per_pixel))), 0, kMaxLevel);
}

Decoded decode_image(const QString& path, int level) {
    Decoded out;
    QImageReader reader(path);
    // Images in drawings are placed by their pixels as stored; orientation tags do not turn them.
    reader.setAutoTransform(false);
    out.full = reader.size();
    bool jpeg = reader.format() == "jpeg" || reader.format() == "jpg";
    if (jpeg && out.full.isValid() && level > 0)
        reader.setScaledSize(level_size(out.full, std::min(level, kDctLevels)));
    QImage img = reader.read();
    if (img.isNull()) return out;
    if (!out.full.isValid()) out.full = img.size();
    out.image = normalised(reduce_to_level(img, out.full, level));
    return out;
}

QSize image_size(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    QSize size = reader.size();
    // A format whose header does not tell is read whole.
    return size.isValid() ? size : reader.read().size();
}

QImage decode_part(const QString& path, QRect part, QSize size) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    reader.setClipRect(part);
    if (size != part.size()) reader.setScaledSize(size);
    return normalised(reader.read());
}

QImage reduce_to_level(const QImage& image, QSize full, int level) {
    QSize want = level_size(full, level);
    if (image.size() == want || image.width() < want.width()) return image;
    return image.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace korvane::render
