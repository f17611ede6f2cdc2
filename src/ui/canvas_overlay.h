#pragma once
// What the canvas paints over the drawing as last drawn, without drawing it again: the snap
// marker with the snap's name, the rubber band or box from the prompt's base point, and grips.
#include <QPainter>
#include <QPointF>

#include <vector>

#include "drawing/document.h"
#include "drawing/geometry.h"

namespace korvane::ui {

// The marker of a snap mode (a bit of OSMODE) centred on `at`, with its name beside it.
void paint_snap_marker(QPainter& p, QPointF at, int mode);
// A dashed line from the base point to the cursor.
void paint_rubber_line(QPainter& p, QPointF from, QPointF to);
// The box between a first corner and the cursor: a window to the right (solid, blue), a
// crossing to the left (dashed, green), as the selection drag draws it.
void paint_rubber_box(QPainter& p, QPointF from, QPointF to);

// A place an object can be taken by: a polyline's vertex (the one grip that can be dragged),
// a line's ends, a circle's or arc's centre, a point, a text's insertion point.
struct Grip {
    drawing::RecordId entity = drawing::kNoRecord;
    int vertex = -1;  // index of a polyline vertex; -1 for the other grips
    drawing::Point2 at;
};
// The grips of these objects; objects past `limit` show none (a thousand grips hide the drawing
// and cost a redraw each).
std::vector<Grip> grips_of(const drawing::Document& doc, const std::vector<drawing::RecordId>& ids, size_t limit = 100);
// Grips as filled squares; `hot` (an index, or -1) is the one under the cursor or being dragged.
void paint_grips(QPainter& p, const std::vector<QPointF>& at, int hot);

}  // namespace korvane::ui
