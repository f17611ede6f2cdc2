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

}  // namespace

void draw_image(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    const ImageData& img = *it.image;
    QPolygonF outline;
    for (const auto& p : img.clip) outline.append(m.map(p.x, p.y));
    if (outline.size() < 3) return;
    if (img.file.empty() || img.px_w <= 0 || img.px_h <= 0) {
        draw_placeholder(fr, img, outline, color, dashed);
        return;
    }
    // Screen pixels per pixel of the file, to choose the level to draw.
    double per_pixel = std::hypot(img.u.x, img.u.y) * m.scale();
    ImageCache::Found found = fr.images.get(img.file, level_for(per_pixel));
    if (found.failed) {
        draw_placeholder(fr, img, outline, color, dashed);
        return;
    }
    ++fr.stats.images;
    bool frame_shown = fr.image_frame == 1 || (fr.image_frame == 2 && !fr.options.plotting) || dashed;
    if (found.image.isNull()) {
        ++fr.stats.images_waiting;
    } else {
        if (!found.exact) ++fr.stats.images_coarse;
        const QImage& q = found.image;
        double fx = img.px_w / q.width(), fy = img.px_h / q.height();
        // Pixel of `q` (x right, y down from the top-left corner) -> drawing units -> screen.
        double ox = img.insertion.x + img.px_h * img.v.x, oy = img.insertion.y + img.px_h * img.v.y;
        double ux = fx * img.u.x, uy = fx * img.u.y, vx = -fy * img.v.x, vy = -fy * img.v.y;
        QTransform tr(m.a * ux + m.c * uy, m.b * ux + m.d * uy, m.a * vx + m.c * vy, m.b * vx + m.d * vy,
                      m.a * ox + m.c * oy + m.e, m.b * ox + m.d * oy + m.f);
        fr.p.save();
        if (img.clipped) {
            // A rectangle clips far faster than a path.
            QRectF r = screen_rectangle(outline);
            if (!r.isEmpty()) fr.p.setClipRect(r, Qt::IntersectClip);
            else {
                QPainterPath path;
                path.addPolygon(outline);
                path.closeSubpath();
                fr.p.setClipPath(path, Qt::IntersectClip);
            }
        }
        fr.p.setRenderHint(QPainter::SmoothPixmapTransform, per_pixel * fx < 3);
        fr.p.setTransform(tr, true);
        fr.p.drawImage(QPointF(0, 0), q);
        fr.p.restore();
        fr.reset_pen();
    }
    if (frame_shown) {
        fr.pen(color, 0, dashed);
        fr.p.drawPolygon(outline);
    }
}

}  // namespace korvane::render
