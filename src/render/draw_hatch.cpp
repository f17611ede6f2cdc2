#include "render/frame.h"

#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace korvane::render {

namespace {

constexpr double kPi = std::numbers::pi;

}  // namespace

void draw_hatch(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    const HatchData& h = *it.hatch;
    if (h.loops.empty()) return;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const auto& loop : h.loops) {
        QPolygonF poly;
        poly.reserve(qsizetype(loop.size() + 1));
        for (const auto& p : loop) poly.append(m.map(p.x, p.y));
        poly.append(poly.front());
        path.addPolygon(poly);
    }
    if (dashed) {
        fr.pen(color, 0, true);
        fr.p.drawPath(path);
    }
    if (h.solid) {
        fr.p.fillPath(path, color);
        return;
    }
    // Lines closer than a few pixels would only grey the area: show it as a light fill.
    double k = m.scale();
    QColor light = color;
    light.setAlpha(70);
    bool any = false;
    size_t total = 0;
    struct Family {
        double kmin, kmax;
        Point2 base, dir, off;
    };
    std::vector<Family> families;
    for (const auto& line : h.lines) {
        double a = line.angle * kPi / 180;
        Point2 dir{std::cos(a), std::sin(a)}, n{-std::sin(a), std::cos(a)};
        double step = line.offset.x * n.x + line.offset.y * n.y;  // spacing across the lines
        if (std::fabs(step) * k < 2.5) {
            families.clear();
            total = ~size_t(0);
            break;
        }
        double smin = 1e300, smax = -1e300;
        for (Point2 c : {Point2{h.box.min_x, h.box.min_y}, Point2{h.box.max_x, h.box.min_y},
                         Point2{h.box.min_x, h.box.max_y}, Point2{h.box.max_x, h.box.max_y}}) {
            double s = (c.x - line.base.x) * n.x + (c.y - line.base.y) * n.y;
            smin = std::min(smin, s);
            smax = std::max(smax, s);
        }
        double k0 = smin / step, k1 = smax / step;
        if (k0 > k1) std::swap(k0, k1);
        total += size_t(k1 - k0) + 1;
        families.push_back({std::floor(k0), std::ceil(k1), line.base, dir, line.offset});
    }
    if (families.empty() || total > 5000) {
        fr.p.fillPath(path, light);
        return;
    }
    fr.p.save();
    fr.p.setClipPath(path, Qt::IntersectClip);
    fr.reset_pen();
    fr.pen(color, 0, false);
    double reach = std::hypot(h.box.width(), h.box.height()) + 1;
    for (const auto& f : families) {
        for (double kk = f.kmin; kk <= f.kmax; kk += 1) {
            Point2 o{f.base.x + kk * f.off.x, f.base.y + kk * f.off.y};
            // Project the box centre on the line to centre the drawn segment.
            Point2 c = h.box.center();
            double t = (c.x - o.x) * f.dir.x + (c.y - o.y) * f.dir.y;
            Point2 a{o.x + (t - reach) * f.dir.x, o.y + (t - reach) * f.dir.y};
            Point2 b{o.x + (t + reach) * f.dir.x, o.y + (t + reach) * f.dir.y};
            fr.p.drawLine(m.map(a.x, a.y), m.map(b.x, b.y));
            any = true;
        }
    }
    fr.p.restore();
    fr.reset_pen();
    if (!any) fr.p.fillPath(path, light);
}

}  // namespace korvane::render
