#pragma once
// The picture of one view kept between frames. When only the view's centre moved, by whole
// pixels (a pan), the picture already drawn is moved and only the uncovered strips are drawn;
// a wheel step may instead show the last picture scaled (preview), to be drawn whole once the
// wheel rests; anything else draws all of it, in steps of bounded time when asked to.
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
    const QImage& image() const { return showing_steps_ ? steps_ : image_; }
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

    // Above 0: a whole picture is drawn in steps of about this many milliseconds, so that the
    // thread drawing it can attend to other things in between. Until the last step the picture
    // shown is the last whole one of the drawing fitted to the view (as a wheel step shows it)
    // or, with none, what the steps have drawn so far.
    void set_step_ms(double ms) { step_ms_ = ms; }
    // A picture is being drawn in steps: paint() again soon, with nothing changed, goes on.
    bool unfinished() const { return stepping_; }

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

    double step_ms_ = 0;
    QImage steps_;  // the whole picture being drawn, in steps or at once
    bool stepping_ = false, showing_steps_ = false;
    host::View step_view_;
    size_t step_next_ = 0;
    const void* drawn_doc_ = nullptr;  // the drawing the last whole picture shows
};

// Moves an RGB32 image's pixels by (dx, dy); what is uncovered keeps its old pixels.
void shift_pixels(QImage& image, int dx, int dy);
// Copies one rectangle of pixels between RGB32 images of the same size.
void copy_pixels(const QImage& from, QImage& to, const QRect& r);

// The parts of a w x h picture that a shift by (dx, dy) uncovers (at most two rectangles).
std::vector<QRect> uncovered(QSize size, int dx, int dy);

}  // namespace korvane::render
