#include "render/frame.h"

namespace korvane::render {

void draw_lines(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    double width_px = it.width * m.scale();
    fr.pen(color, width_px, dashed);
    QPolygonF& buf = fr.buf;
    for (const auto& path : it.paths) {
        buf.clear();
        buf.reserve(qsizetype(path.points.size() + 1));
        for (const auto& p : path.points) buf.append(m.map(p.x, p.y));
        if (buf.isEmpty()) continue;
        if (it.filled && path.closed && buf.size() >= 3) {
            fr.p.setBrush(color);
            fr.p.drawPolygon(buf);
            fr.p.setBrush(Qt::NoBrush);
            continue;
        }
        if (path.closed && buf.size() > 1) buf.append(buf.front());
        if (buf.size() == 1) fr.p.drawPoint(buf.front());
        else fr.p.drawPolyline(buf);
    }
    for (const auto& p : it.points) fr.p.drawPoint(m.map(p.x, p.y));
}

void draw_point(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    int mode = fr.pdmode;
    double size;
    if (fr.pdsize > 0) size = fr.pdsize * m.scale();
    else if (fr.pdsize < 0) size = -fr.pdsize / 100 * fr.screen_h;
    else size = 0.05 * fr.screen_h;
    double h = size / 2;
    fr.pen(color, 0, dashed);
    for (const auto& pt : it.points) {
        QPointF c = m.map(pt.x, pt.y);
        switch (mode & 7) {
            case 0: fr.p.fillRect(QRectF(c.x() - 1, c.y() - 1, 2, 2), color); break;
            case 2:
                fr.p.drawLine(QPointF(c.x() - h, c.y()), QPointF(c.x() + h, c.y()));
                fr.p.drawLine(QPointF(c.x(), c.y() - h), QPointF(c.x(), c.y() + h));
                break;
            case 3:
                fr.p.drawLine(QPointF(c.x() - h, c.y() - h), QPointF(c.x() + h, c.y() + h));
                fr.p.drawLine(QPointF(c.x() - h, c.y() + h), QPointF(c.x() + h, c.y() - h));
                break;
            case 4: fr.p.drawLine(c, QPointF(c.x(), c.y() - h)); break;
            default: break;  // 1: nothing
        }
        if (mode & 32) fr.p.drawEllipse(c, h, h);
        if (mode & 64) fr.p.drawRect(QRectF(c.x() - h, c.y() - h, size, size));
    }
}

}  // namespace korvane::render
