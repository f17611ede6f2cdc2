#include "ui/canvas_overlay.h"

#include <QPainterPath>
#include <QPolygonF>

#include "drawing/entity.h"
#include "host/object_snap.h"

namespace korvane::ui {

namespace {

constexpr double kMarker = 6;  // half-size of a snap marker in pixels
constexpr int kGrip = 4;       // half-size of a grip in pixels
const QColor kSnapColour(255, 200, 40);

}  // namespace

void paint_snap_marker(QPainter& p, QPointF at, int mode) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(kSnapColour);
    pen.setWidthF(2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double m = kMarker;
    QRectF box(at.x() - m, at.y() - m, 2 * m, 2 * m);
    switch (mode) {
        case host::kSnapEndpoint: p.drawRect(box); break;
        case host::kSnapMidpoint:
            p.drawPolygon(QPolygonF({QPointF(at.x(), at.y() - m), QPointF(at.x() + m, at.y() + m),
                                     QPointF(at.x() - m, at.y() + m)}));
            break;
        case host::kSnapCenter: p.drawEllipse(box); break;
        case host::kSnapNode:
            p.drawEllipse(box);
            p.drawLine(box.topLeft(), box.bottomRight());
            p.drawLine(box.topRight(), box.bottomLeft());
            break;
        case host::kSnapQuadrant:
            p.drawPolygon(QPolygonF({QPointF(at.x(), at.y() - m), QPointF(at.x() + m, at.y()),
                                     QPointF(at.x(), at.y() + m), QPointF(at.x() - m, at.y())}));
            break;
        case host::kSnapIntersection:
            p.drawLine(box.topLeft(), box.bottomRight());
            p.drawLine(box.topRight(), box.bottomLeft());
            break;
        case host::kSnapInsertion:
            p.drawRect(QRectF(at.x() - m, at.y() - m, m, m));
            p.drawRect(QRectF(at.x(), at.y(), m, m));
            break;
        case host::kSnapPerpendicular:
            p.drawLine(box.bottomLeft(), box.bottomRight());
            p.drawLine(QPointF(at.x() - m, at.y() + m), QPointF(at.x() - m, at.y() - m));
            p.drawLine(QPointF(at.x() - m, at.y()), QPointF(at.x(), at.y()));
            p.drawLine(QPointF(at.x(), at.y()), QPointF(at.x(), at.y() + m));
            break;
        default:  // nearest: an hourglass
            p.drawPolygon(QPolygonF({box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}));
            break;
    }
    // The snap's name, on a dark tag below right of the marker, as a tool tip would be.
    QString name = QString::fromUtf8(host::snap_mode_name(mode));
    if (!name.isEmpty()) {
        QFontMetrics fm(p.font());
        QRectF tag(at.x() + m + 6, at.y() + m + 4, fm.horizontalAdvance(name) + 8, fm.height() + 2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 40, 220));
        p.drawRect(tag);
        p.setPen(kSnapColour);
        p.drawText(tag, Qt::AlignCenter, name);
    }
    p.restore();
}

void paint_rubber_line(QPainter& p, QPointF from, QPointF to) {
    p.save();
    QPen dash(QColor(230, 230, 230));
    dash.setStyle(Qt::DashLine);
    p.setPen(dash);
    p.drawLine(from, to);
    p.restore();
}

void paint_rubber_box(QPainter& p, QPointF from, QPointF to) {
    p.save();
    QRectF r = QRectF(from, to).normalized();
    bool crossing = to.x() < from.x();
    p.fillRect(r, crossing ? QColor(60, 200, 90, 50) : QColor(60, 120, 230, 50));
    QPen pen(crossing ? QColor(80, 220, 110) : QColor(90, 150, 255));
    if (crossing) pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

std::vector<Grip> grips_of(const drawing::Document& doc, const std::vector<drawing::RecordId>& ids, size_t limit) {
    std::vector<Grip> out;
    size_t n = 0;
    for (drawing::RecordId id : ids) {
        if (n++ >= limit) break;
        drawing::EntityView e(doc, id);
        std::string type = e.type();
        auto add = [&](drawing::Point3 p, int vertex = -1) { out.push_back({id, vertex, {p.x, p.y}}); };
        if (e.is_polyline()) {
            std::vector<drawing::Point3> v = e.vertices();
            for (size_t i = 0; i < v.size(); ++i) add(v[i], int(i));
        } else if (type == "LINE") {
            add(e.point(10).value_or(drawing::Point3{}));
            add(e.point(11).value_or(drawing::Point3{}));
        } else if (auto p = e.point(10)) {
            add(*p);  // circle and arc centres, points, texts, blocks
        }
    }
    return out;
}

void paint_grips(QPainter& p, const std::vector<QPointF>& at, int hot) {
    p.save();
    p.setPen(QColor(20, 20, 20));
    for (size_t i = 0; i < at.size(); ++i) {
        p.setBrush(int(i) == hot ? QColor(230, 60, 50) : QColor(60, 110, 230));
        p.drawRect(QRectF(at[i].x() - kGrip, at[i].y() - kGrip, 2 * kGrip, 2 * kGrip));
    }
    p.restore();
}

}  // namespace korvane::ui
