#pragma once
// Reading image files at the size a view needs. Level n is the file reduced to 1/2^n of its
// width and height (each side rounded up). JPEG files are reduced while they are decoded
// (libjpeg scales in the DCT, by up to 8), which costs a fraction of a whole decode; other
// formats are read whole and scaled.
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace korvane::render {

// The size of a level of a file of `full` pixels.
QSize level_size(QSize full, int level);

// The coarsest level a view drawing `screen_per_pixel` screen pixels for each pixel of the file
// needs: the level whose pixels are at least as fine as the screen's.
int level_for(double screen_per_pixel);

struct Decoded {
    QImage image;  // null when the file cannot be read as an image
    QSize full;    // the file's own size
};

// The file at `level`, as RGB32 (ARGB32 premultiplied when it has transparency).
Decoded decode_image(const QString& path, int level);

// The file's size in pixels; invalid when it cannot be read as an image.
QSize image_size(const QString& path);

// The part `part` of the file (in the file's own pixels) at `size` pixels: only what the part
// needs is decoded where the format allows (JPEG rows past the part are not). Null when the
// file cannot be read.
QImage decode_part(const QString& path, QRect part, QSize size);

// `image` (a level of a file of `full` pixels) reduced to `level`, smoothly.
QImage reduce_to_level(const QImage& image, QSize full, int level);

}  // namespace korvane::render
