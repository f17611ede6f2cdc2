#pragma once
// The picture of one view kept between frames. When only the view's centre moved, by whole
// pixels (a pan), the picture already drawn is moved and only the uncovered strips are drawn;
// a wheel step may instead show the last picture scaled (preview), to be drawn whole once the
// wheel rests; anything else draws all of it.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

#include "host/host_document.h"
#include "render/render.h"

namespace korvane::render {

class ViewBuffer {
public:
    // Brings the picture up to the document's view at `size` logical pixels (`dpr` device
    // pixels each). `changed`: something besides the view's place changed (the drawing, the
    // highlights, the options), so every pixel is drawn again.
    RenderStats paint(DrawingRenderer& renderer, host::HostDocument& doc, const host::EmbeddedHost& host, QSize size,
                      qreal dpr, const RenderOptions& options, bool changed);
    const QImage& image() const { return image_; }
    // The next paint draws everything.
    void invalidate() { valid_ = false; }
    // Whether the last paint moved the picture (and drew the strips it uncovered).
    bool last_moved() const { return last_moved_; }
    // Whether the last paint drew all of the picture.
    bool last_drew_all() const { return last_drew_all_; }

    // Shows the last picture paint() made, scaled and moved to the view `now`, drawing nothing:
    // the frame of a wheel step. Steps in a row all scale that same picture, so the preview does
    // not blur step by step. What it does not cover is `background`. False when there is no
    // picture of this size to scale; the caller then paints.
    bool preview(const host::View& now, QSize size, qreal dpr, QColor background);

private:
    QImage image_;
    QImage scratch_;  // strips are drawn here whole, then copied
    QImage source_;   // while previewing: the picture paint() made, at the view `source_view_`
    host::View source_view_;
    bool previewing_ = false;
    host::View drawn_;
    bool valid_ = false;
    bool antialiased_ = false;  // as the last whole picture was drawn, so that strips match it
    bool last_moved_ = false;
    bool last_drew_all_ = false;
};

// Moves an RGB32 image's pixels by (dx, dy); what is uncovered keeps its old pixels.
void shift_pixels(QImage& image, int dx, int dy);
// Copies one rectangle of pixels between RGB32 images of the same size.
void copy_pixels(const QImage& from, QImage& to, const QRect& r);

// The parts of a w x h picture that a shift by (dx, dy) uncovers (at most two rectangles).
std::vector<QRect> uncovered(QSize size, int dx, int dy);

}  // namespace korvane::render
