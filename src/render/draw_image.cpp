#include <QPainterPath>

#include <cmath>

#include "render/frame.h"
#include "render/image_cache.h"
#include "render/image_decode.h"

namespace korvane::render {

namespace {

// A clip outline that is a rectangle on screen, or an empty rectangle.
QRectF screen_rectangle(const QPolygonF& poly) {
    if (poly.size() != 4) return {};
    QRectF r = poly.boundingRect();
    for (const QPointF& p : poly) {
        bool on_x = std::abs(p.x() - r.left()) < 1e-6 || std::abs(p.x() - r.right()) < 1e-6;
        bool on_y = std::abs(p.y() - r.top()) < 1e-6 || std::abs(p.y() - r.bottom()) < 1e-6;
        if (!on_x || !on_y) return {};
    }
    return r;
}

// An image without its picture: the frame and the file's name, as CAD programs show it.
void draw_placeholder(Frame& fr, const ImageData& img, const QPolygonF& outline, QColor color, bool dashed) {
    fr.pen(color, 0, dashed);
    fr.p.drawPolygon(outline);
    QRectF r = outline.boundingRect();
    if (r.width() <= 60 || r.height() <= 16) return;
    fr.p.save();
    QFont f(QStringLiteral("Noto Sans CJK SC"));
    f.setPixelSize(12);
    fr.p.setFont(f);
    fr.p.setPen(color);
    std::string name = img.stored.substr(img.stored.find_last_of("/\\") + 1);
    fr.p.drawText(r.adjusted(4, 4, -4, -4), Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(name));
    fr.p.restore();
    fr.reset_pen();
}

// Pixel of an image of `size` covering the whole picture (x right, y down from the top-left
// corner) -> drawing units -> device.
QTransform pixel_to_device(const ImageData& img, const Affine& m, QSize size) {
    double fx = img.px_w / size.width(), fy = img.px_h / size.height();
    double ox = img.insertion.x + img.px_h * img.v.x, oy = img.insertion.y + img.px_h * img.v.y;
    double ux = fx * img.u.x, uy = fx * img.u.y, vx = -fy * img.v.x, vy = -fy * img.v.y;
    return QTransform(m.a * ux + m.c * uy, m.b * ux + m.d * uy, m.a * vx + m.c * vy, m.b * vx + m.d * vy,
                      m.a * ox + m.c * oy + m.e, m.b * ox + m.d * oy + m.f);
}

void clip_to(QPainter& p, const QPolygonF& outline) {
    // A rectangle clips far faster than a path.
    QRectF r = screen_rectangle(outline);
    if (!r.isEmpty()) {
        p.setClipRect(r, Qt::IntersectClip);
        return;
    }
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    p.setClipPath(path, Qt::IntersectClip);
}

// On screen: the level the scale needs from the cache, or what is at hand while it is made.
bool draw_on_screen(Frame& fr, const ImageData& img, const Affine& m, const QPolygonF& outline) {
    // Screen pixels per pixel of the file, to choose the level to draw.
    double per_pixel = std::hypot(img.u.x, img.u.y) * m.scale();
    ImageCache::Found found = fr.images.get(img.file, level_for(per_pixel));
    if (found.failed) return false;
    if (found.image.isNull()) {
        ++fr.stats.images_waiting;
        return true;
    }
    if (!found.exact) ++fr.stats.images_coarse;
    const QImage& q = found.image;
    fr.p.save();
    if (img.clipped) clip_to(fr.p, outline);
    fr.p.setRenderHint(QPainter::SmoothPixmapTransform, per_pixel * img.px_w / q.width() < 3);
    fr.p.setTransform(pixel_to_device(img, m, q.size()), true);
    fr.p.drawImage(QPointF(0, 0), q);
    fr.p.restore();
    return true;
}

// On paper: a PDF keeps every image it is given whole, so only the file's pixels inside the
// outline and the page go (a pixel's margin kept for the smoothing at the edges), at no more
// than the plot's resolution for images, and where the whole image would have put them.
// Rows of a JPEG past the part are not even decoded.
bool draw_plotted(Frame& fr, const ImageData& img, const Affine& m, const QPolygonF& outline) {
    QString path = QString::fromStdString(img.file);
    QSize full = image_size(path);
    if (full.isEmpty()) return false;
    QTransform tr = pixel_to_device(img, m, full);
    QRectF visible = outline.boundingRect() & QRectF(0, 0, fr.screen_w, fr.screen_h);
    if (fr.p.hasClipping()) visible &= fr.p.clipBoundingRect();
    bool invertible = false;
    QTransform inverse = tr.inverted(&invertible);
    if (!invertible || visible.isEmpty()) return true;
    QRect part = inverse.mapRect(visible).toAlignedRect().adjusted(-1, -1, 1, 1) & QRect(QPoint(0, 0), full);
    if (part.isEmpty()) return true;
    // Device pixels per file pixel along its rows and its columns.
    double along_x = std::hypot(tr.m11(), tr.m12()), along_y = std::hypot(tr.m21(), tr.m22());
    double most = fr.options.max_image_px;
    auto fewer = [most](int n, double along) { return std::clamp(int(std::floor(n * along * most + 1e-6)), 1, n); };
    QSize size(fewer(part.width(), along_x), fewer(part.height(), along_y));
    QImage piece = decode_part(path, part, size);
    if (piece.isNull()) return false;
    fr.p.save();
    if (img.clipped) clip_to(fr.p, outline);
    fr.p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    fr.p.setTransform(tr, true);
    fr.p.drawImage(QRectF(part), piece);
    fr.p.restore();
    return true;
}

}  // namespace

void draw_image(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    const ImageData& img = *it.image;
    QPolygonF outline;
    for (const auto& p : img.clip) outline.append(m.map(p.x, p.y));
    if (outline.size() < 3) return;
    bool readable = img.file.size() && img.px_w > 0 && img.px_h > 0 &&
                    (fr.options.max_image_px > 0 ? draw_plotted(fr, img, m, outline) : draw_on_screen(fr, img, m, outline));
    if (!readable) {
        draw_placeholder(fr, img, outline, color, dashed);
        return;
    }
    ++fr.stats.images;
    fr.reset_pen();
    if (fr.image_frame == 1 || (fr.image_frame == 2 && !fr.options.plotting) || dashed) {
        fr.pen(color, 0, dashed);
        fr.p.drawPolygon(outline);
    }
}

}  // namespace korvane::render
