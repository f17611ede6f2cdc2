#include "render/frame.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace korvane::render {

void draw_text(Frame& fr, const Item& it, const Affine& m, QColor color) {
    const TextInfo& t = *it.text;
    double k_world = m.scale();
    double h_px = t.height * k_world;
    if (h_px < kMinTextPixels || h_px > kMaxTextPixels) return;
    QFontMetricsF fm(fr.font);
    // Direction of the baseline on screen.
    auto direction = [&](double angle) {
        QPointF o = m.map(0, 0), d = m.map(std::cos(angle), std::sin(angle));
        return std::atan2(d.y() - o.y(), d.x() - o.x());
    };
    double k = h_px / fr.cap;  // screen pixels per font pixel
    fr.p.save();
    fr.p.setPen(color);
    if (!t.mtext) {
        const QString& s = t.text;
        double w = fm.horizontalAdvance(s);
        Point2 anchor = t.p10;
        double angle = t.rotation;
        double sx = k * t.width_factor, sy = k;
        double x0 = 0, base = 0;
        bool fitted = (t.halign == 3 || t.halign == 5) && t.has_p11;
        if (fitted) {
            double dx = t.p11.x - t.p10.x, dy = t.p11.y - t.p10.y;
            double len = std::hypot(dx, dy) * k_world;
            if (len > 0 && w > 0) {
                angle = std::atan2(dy, dx);
                sx = len / w;
                if (t.halign == 3) sy = sx / t.width_factor;  // aligned: height follows the width
            }
        } else if ((t.halign != 0 || t.valign != 0) && t.has_p11) {
            anchor = t.p11;
            if (t.halign == 1 || t.halign == 4) x0 = -w / 2;
            else if (t.halign == 2) x0 = -w;
            if (t.halign == 4) base = fr.cap / 2;
            else if (t.valign == 1) base = -fr.descent;
            else if (t.valign == 2) base = fr.cap / 2;
            else if (t.valign == 3) base = fr.cap;
        }
        QPointF a = m.map(anchor.x, anchor.y);
        double sa = direction(angle);
        QTransform tr;
        tr.translate(a.x(), a.y());
        tr.rotateRadians(sa);
        tr.scale(sx, sy);
        fr.p.setTransform(tr, true);
        fr.p.drawText(QPointF(x0, base), s);
    } else {
        double pitch = fr.cap * 5.0 / 3.0 * (t.spacing > 0 ? t.spacing : 1);
        int n = int(t.lines.size());
        double block_h = (n - 1) * pitch + fr.cap;
        int col = (std::clamp(t.attach, 1, 9) - 1) % 3, row = (std::clamp(t.attach, 1, 9) - 1) / 3;
        double first = row == 0 ? fr.cap : row == 1 ? fr.cap - block_h / 2 : fr.cap - block_h;
        QPointF a = m.map(t.p10.x, t.p10.y);
        QTransform tr;
        tr.translate(a.x(), a.y());
        tr.rotateRadians(direction(t.rotation));
        tr.scale(k, k);
        fr.p.setTransform(tr, true);
        for (int i = 0; i < n; ++i) {
            double w = fm.horizontalAdvance(t.lines[i]);
            double x0 = col == 0 ? 0 : col == 1 ? -w / 2 : -w;
            fr.p.drawText(QPointF(x0, first + i * pitch), t.lines[i]);
        }
    }
    fr.p.restore();
    fr.reset_pen();
}

}  // namespace korvane::render
