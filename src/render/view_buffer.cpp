#include "render/view_buffer.h"

#include <QPainter>

#include <cmath>
#include <cstring>
#include <limits>

namespace korvane::render {

namespace {

// A pan by whole pixels leaves the centre this close to a whole pixel (floating point rounding).
constexpr double kWholePixel = 1e-6;

bool whole(double v, int& out) {
    double r = std::round(v);
    if (std::fabs(v - r) > kWholePixel || std::fabs(r) > 1e6) return false;
    out = int(r);
    return true;
}

bool same_view(const host::View& a, const host::View& b) {
    return a.center.x == b.center.x && a.center.y == b.center.y && a.height == b.height;
}

}  // namespace

void shift_pixels(QImage& image, int dx, int dy) {
    const int w = image.width(), h = image.height();
    if (std::abs(dx) >= w || std::abs(dy) >= h) return;
    const size_t px = 4;  // RGB32
    const size_t run = size_t(w - std::abs(dx)) * px;
    const size_t to = size_t(std::max(dx, 0)) * px, from = size_t(std::max(-dx, 0)) * px;
    auto move_row = [&](int y) { std::memmove(image.scanLine(y) + to, image.constScanLine(y - dy) + from, run); };
    // Rows are taken before they are overwritten: from the bottom when moving down.
    if (dy > 0)
        for (int y = h - 1; y >= dy; --y) move_row(y);
    else
        for (int y = 0; y < h + dy; ++y) move_row(y);
}

void copy_pixels(const QImage& from, QImage& to, const QRect& r) {
    const QRect c = r & to.rect() & from.rect();
    if (c.isEmpty()) return;
    for (int y = c.top(); y <= c.bottom(); ++y)
        std::memcpy(to.scanLine(y) + size_t(c.left()) * 4, from.constScanLine(y) + size_t(c.left()) * 4, size_t(c.width()) * 4);
}

std::vector<QRect> uncovered(QSize size, int dx, int dy) {
    const int w = size.width(), h = size.height();
    std::vector<QRect> out;
    // A column strip the full height, then a row strip across the rest of the width.
    if (dx > 0) out.emplace_back(0, 0, dx, h);
    else if (dx < 0) out.emplace_back(w + dx, 0, -dx, h);
    const int x0 = std::max(dx, 0), x1 = w + std::min(dx, 0);
    if (dy > 0) out.emplace_back(x0, 0, x1 - x0, dy);
    else if (dy < 0) out.emplace_back(x0, h + dy, x1 - x0, -dy);
    return out;
}

RenderStats ViewBuffer::paint(DrawingRenderer& renderer, host::HostDocument& doc, const host::EmbeddedHost& host,
                              QSize size, qreal dpr, const RenderOptions& options, bool changed) {
    const host::View now = doc.view();
    // A picture being drawn in steps goes on only while nothing changed.
    if (stepping_ && (changed || !same_view(now, step_view_) || steps_.size() != size * dpr ||
                      steps_.devicePixelRatio() != dpr || !options.area.isEmpty()))
        stepping_ = false;
    int dx = 0, dy = 0;
    bool move = !stepping_ && valid_ && !changed && options.area.isEmpty() && dpr == 1 && image_.size() == size &&
                image_.devicePixelRatio() == 1 && now.height == drawn_.height;
    if (move) {
        ViewTransform xf = ViewTransform::of(now, size);
        // The drawing moves on screen opposite to the centre; screen y grows downwards.
        move = whole((drawn_.center.x - now.center.x) * xf.scale, dx) &&
               whole((now.center.y - drawn_.center.y) * xf.scale, dy) && std::abs(dx) < size.width() &&
               std::abs(dy) < size.height();
    }
    last_moved_ = move && (dx != 0 || dy != 0);
    last_drew_all_ = false;
    if (move) {
        drawn_ = now;
        RenderStats total;
        if (dx == 0 && dy == 0) return total;
        shift_pixels(image_, dx, dy);
        RenderOptions strip = options;
        strip.antialias_limit = antialiased_ ? std::numeric_limits<size_t>::max() : 0;
        // Clipping would move where a line's antialiased pixels fall: the strip's entities are
        // drawn whole on a picture of their own and the strip's pixels copied.
        if (scratch_.size() != size) scratch_ = QImage(size, QImage::Format_RGB32);
        for (const QRect& r : uncovered(size, dx, dy)) {
            strip.area = r;
            RenderStats s;
            {
                QPainter p(&scratch_);
                s = renderer.render(p, doc, host, size, strip);
            }
            copy_pixels(scratch_, image_, r);
            total.candidates += s.candidates;
            total.drawn += s.drawn;
            total.images += s.images;
            total.images_waiting += s.images_waiting;
            total.images_coarse += s.images_coarse;
        }
        // Pictures still on their way are drawn again with everything next time.
        valid_ = total.images_waiting == 0 && total.images_coarse == 0;
        return total;
    }
    if (steps_.size() != size * dpr || steps_.format() != QImage::Format_RGB32) {
        steps_ = QImage(size * dpr, QImage::Format_RGB32);
        steps_.setDevicePixelRatio(dpr);
    }
    RenderOptions step = options;
    step.budget_ms = options.area.isEmpty() ? step_ms_ : 0;
    step.from = stepping_ ? step_next_ : 0;
    RenderStats s;
    {
        QPainter p(&steps_);
        s = renderer.render(p, doc, host, size, step);
    }
    if (!s.whole) {
        step_next_ = s.next;
        if (!stepping_) {
            stepping_ = true;
            step_view_ = now;
            valid_ = false;
            showing_steps_ = drawn_doc_ != &doc || !preview(now, size, dpr, renderer.background(options.dark_background));
        }
        return s;
    }
    // Whole: the picture drawn becomes the one shown, and the one shown its spare.
    std::swap(image_, steps_);
    stepping_ = showing_steps_ = previewing_ = false;
    drawn_ = now;
    drawn_doc_ = &doc;
    last_drew_all_ = true;
    antialiased_ = s.candidates < options.antialias_limit;
    valid_ = s.images_waiting == 0 && s.images_coarse == 0;
    return s;
}

bool ViewBuffer::preview(const host::View& now, QSize size, qreal dpr, QColor background) {
    if (showing_steps_) return false;  // no whole picture of the drawing to scale yet
    if (!previewing_) {
        if (image_.isNull() || image_.size() != size * dpr || image_.devicePixelRatio() != dpr) return false;
        // The picture drawn becomes the source of every preview until paint() draws again;
        // the two images trade places, so no memory is asked for after the first time.
        std::swap(image_, source_);
        source_view_ = drawn_;
        previewing_ = true;
        if (image_.size() != source_.size() || image_.format() != QImage::Format_RGB32)
            image_ = QImage(source_.size(), QImage::Format_RGB32);
        image_.setDevicePixelRatio(dpr);
    } else if (source_.size() != size * dpr) {
        return false;
    }
    drawn_ = now;
    last_moved_ = last_drew_all_ = false;
    // Where the source's corners fall in the new view.
    const ViewTransform from = ViewTransform::of(source_view_, size), to = ViewTransform::of(now, size);
    const drawing::Point2 tl = from.to_world(QPointF(0, 0)), br = from.to_world(QPointF(size.width(), size.height()));
    const QRectF target(to.to_screen(tl.x, tl.y), to.to_screen(br.x, br.y));
    const QRectF screen(QPointF(0, 0), QSizeF(size));
    QPainter p(&image_);
    if (!target.contains(screen)) p.fillRect(screen, background);
    // Only the part that lands on the screen is scaled: many steps in makes the whole huge.
    const QRectF shown = target & screen;
    if (shown.isEmpty()) return true;
    const double sx = source_.width() / target.width(), sy = source_.height() / target.height();
    const QRectF from_part((shown.left() - target.left()) * sx, (shown.top() - target.top()) * sy,
                           shown.width() * sx, shown.height() * sy);
    // Nearest pixels: a smooth scale costs more than twice as much (on more threads), and the
    // picture is drawn exactly a moment later anyway.
    p.drawImage(shown, source_, from_part);
    return true;
}

}  // namespace korvane::render
