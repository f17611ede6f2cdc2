#pragma once
// What one paint needs besides the items, and the painting of each kind of item. Internal to
// the renderer.
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPolygonF>

#include "render/items.h"
#include "render/render.h"

namespace korvane::render {

class ImageCache;

// Text smaller or larger than this many pixels high is not drawn.
inline constexpr double kMinTextPixels = 2.5, kMaxTextPixels = 20000;

struct Frame {
    QPainter& p;
    const RenderOptions& options;
    const drawing::Document& doc;
    ImageCache& images;
    double screen_w = 1, screen_h = 1;
    int pdmode = 0;
    double pdsize = 0;  // as stored
    int image_frame = 1;
    QFont font;
    double cap = 1, descent = 0;  // of `font`, in its own pixels
    QPolygonF buf;
    // Pen state, so that runs of the same colour do not set it again.
    QRgb pen_rgb = 0;
    double pen_width = -1;
    bool pen_dashed = false;
    bool pen_set = false;
    RenderStats stats;

    void pen(QColor c, double width_px, bool dashed);
    void reset_pen() { pen_set = false; }
};

void draw_lines(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed);
void draw_point(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed);
void draw_text(Frame& fr, const Item& it, const Affine& m, QColor color);
void draw_hatch(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed);
void draw_image(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed);

}  // namespace korvane::render
