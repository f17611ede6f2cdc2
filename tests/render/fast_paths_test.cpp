// The renderer's short cuts against drawing everything afresh, on the sample village at
// several zooms: a frame after an edit (only the edited entity built again, following the
// drawing's change log) gives the picture a new renderer draws of the same view, and a pan
// through the view buffer (the picture moved, the uncovered strips drawn) the same picture
// but for where Qt clipped lines at the picture's edge.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <unordered_set>

#include "drawing/create.h"
#include "drawing/entity.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "render/render.h"
#include "render/view_buffer.h"
#include "sample_gen.h"

namespace korvane::render {
namespace {

constexpr int kW = 480, kH = 320;

struct Difference {
    int pixels = 0;  // that differ
    int most = 0;    // largest difference of a colour channel
};

Difference compare(const QImage& a, const QImage& b) {
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (p == q) continue;
            ++d.pixels;
            d.most = std::max({d.most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                               std::abs(qBlue(p) - qBlue(q))});
        }
    return d;
}

// The sample village open in a host of its own, on a kW x kH screen.
struct Village {
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    host::HostDocument& doc = (host.set_screen_size(kW, kH), host.add(samples::make_village()));
};

TEST(FastPaths, EditsAndPansGiveThePictureOfAFreshRenderer) {
    using Edit = std::function<void(drawing::Document&, drawing::RecordId)>;
    struct Case {
        const char* what;
        double zoom;  // of the drawing's extents
        Edit edit;    // applied to the parcel nearest the middle of the view
        int dx, dy;   // then panned by these pixels, a few steps at a time
        size_t antialias_limit = RenderOptions{}.antialias_limit;
    };
    const Case cases[] = {
        {"colour, whole view", 1, [](auto& d, auto id) { drawing::Entity(d, id).set_color(1); }, 0, 0},
        {"layer, zoomed in", 6, [](auto& d, auto id) { drawing::Entity(d, id).set_layer("0"); }, 0, 0},
        {"move, zoomed in", 6,
         [](auto& d, auto id) {
             drawing::Entity e(d, id);
             auto v = e.vertices();
             for (auto& p : v) p.x += 3;
             e.set_vertices(v);
         },
         0, 0},
        {"a label added", 20,
         [](auto& d, auto id) {
             auto v = drawing::Entity(d, id).vertices();
             drawing::add_text(d, "新注记", {v[0].x, v[0].y, 0}, 2, "0");
         },
         0, 0},
        {"pan right and down, whole view", 1, nullptr, 90, 35},
        {"pan left, zoomed in", 6, nullptr, -130, 0},
        {"pan up, close", 20, nullptr, 0, -70},
        {"pan right and down, whole view, no antialiasing", 1, nullptr, 90, 35, 0},
        {"pan left, zoomed in, no antialiasing", 6, nullptr, -130, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Village village;
        host::EmbeddedHost& host = village.host;
        host::HostDocument& hd = village.doc;
        hd.zoom_extents(kW, kH);
        hd.view().height /= c.zoom;
        DrawingRenderer renderer;
        ViewBuffer buffer;
        RenderOptions options;
        options.antialias_limit = c.antialias_limit;
        buffer.paint(renderer, hd, host, QSize(kW, kH), 1, options, true);
        if (c.edit) {
            drawing::Point2 mid{hd.view().center.x, hd.view().center.y};
            drawing::RecordId nearest = drawing::kNoRecord;
            double best = 1e300;
            for (drawing::RecordId id : hd.modelspace()) {
                drawing::EntityView e(hd.doc(), id);
                if (!e.is_polyline() || !e.closed()) continue;
                auto v = e.vertices();
                double d = std::hypot(v[0].x - mid.x, v[0].y - mid.y);
                if (d < best) best = d, nearest = id;
            }
            ASSERT_NE(nearest, drawing::kNoRecord);
            hd.doc().begin_undo_step("edit");
            c.edit(hd.doc(), nearest);
            hd.doc().end_undo_step();
            buffer.paint(renderer, hd, host, QSize(kW, kH), 1, options, true);
            EXPECT_GT(renderer.cached_items(), 0u);
        }
        const double per_pixel = hd.view().height / kH;
        for (int step = 1; step <= 5; ++step) {  // as the mouse moves during a drag
            hd.view().center.x -= c.dx / 5 * per_pixel;
            hd.view().center.y += c.dy / 5 * per_pixel;
            buffer.paint(renderer, hd, host, QSize(kW, kH), 1, options, false);
            if (c.dx || c.dy) {
                EXPECT_TRUE(buffer.last_moved());
            }
        }
        DrawingRenderer fresh;
        QImage plain(kW, kH, QImage::Format_RGB32);
        {
            QPainter p(&plain);
            fresh.render(p, hd, host, QSize(kW, kH), options);
        }
        Difference d = compare(buffer.image(), plain);
        if (!c.dx && !c.dy) {
            EXPECT_EQ(d.pixels, 0);
        } else if (c.antialias_limit > 0) {
            // Qt clips a line where it leaves the picture, and where it was clipped moves its
            // antialiased pixels a little: a moved picture may differ there, by a few levels.
            EXPECT_LE(d.most, 6);
        } else {
            // Without antialiasing the clip shows only as the odd end pixel of a line.
            EXPECT_LE(d.pixels, kW * kH / 5000);
        }
    }
}

TEST(FastPaths, APictureDrawnInStepsShowsTheLastWholeOneMeanwhile) {
    // Edited, then panned half-way: the picture before the edit, moved with the view, until the
    // new one is whole; then a fresh renderer's picture.
    Village village;
    host::EmbeddedHost& host = village.host;
    host::HostDocument& hd = village.doc;
    hd.zoom_extents(kW, kH);
    DrawingRenderer renderer;
    ViewBuffer buffer;
    buffer.set_step_ms(1e-9);
    RenderOptions options;
    options.step_entities = 40;
    auto paint_whole = [&](bool changed) {
        int steps = 1;
        buffer.paint(renderer, hd, host, QSize(kW, kH), 1, options, changed);
        for (; buffer.unfinished(); ++steps) buffer.paint(renderer, hd, host, QSize(kW, kH), 1, options, false);
        return steps;
    };
    auto fresh = [&] {
        QImage plain(kW, kH, QImage::Format_RGB32);
        QPainter p(&plain);
        DrawingRenderer().render(p, hd, host, QSize(kW, kH), options);
        return plain;
    };
    EXPECT_GT(paint_whole(true), 3);
    const QImage before = buffer.image().copy();
    EXPECT_EQ(compare(before, fresh()).pixels, 0);

    hd.doc().begin_undo_step("edit");
    drawing::Entity(hd.doc(), hd.modelspace()[hd.modelspace().size() / 2]).set_color(1);
    hd.doc().end_undo_step();
    buffer.paint(renderer, hd, host, QSize(kW, kH), 1, options, true);
    ASSERT_TRUE(buffer.unfinished());
    EXPECT_EQ(compare(buffer.image(), before).pixels, 0);
    hd.view().center.x -= 10 * hd.view().height / kH;  // ten pixels right
    buffer.paint(renderer, hd, host, QSize(kW, kH), 1, options, false);
    ASSERT_TRUE(buffer.unfinished());
    EXPECT_EQ(compare(buffer.image().copy(10, 0, kW - 10, kH), before.copy(0, 0, kW - 10, kH)).pixels, 0);
    paint_whole(false);
    EXPECT_EQ(compare(buffer.image(), fresh()).pixels, 0);
}

TEST(FastPaths, TwoThreadsAndStepsPaintWhatOneThreadPaints) {
    // The items built in two halves, the picture painted in two bands, and the frame painted in
    // steps of a few entities.
    // Points' marks, labels, hatches and the frame's block reach past their boxes in the index:
    // the band that does not paint them must not need them. Every zoom, with and without
    // antialiasing, with a selection shown dashed.
    Village village;
    host::EmbeddedHost& host = village.host;
    host::HostDocument& hd = village.doc;
    const auto ms = hd.modelspace();
    std::unordered_set<drawing::RecordId> selected(ms.begin(), ms.begin() + ptrdiff_t(ms.size() / 3));
    enum { OneThread, TwoThreads, InSteps };
    for (double zoom : {1.0, 2.5, 8.0, 30.0})
        for (size_t antialias_limit : {size_t(0), RenderOptions{}.antialias_limit}) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << ", antialiasing below " << antialias_limit);
            hd.zoom_extents(kW, kH);
            hd.view().height /= zoom;
            QImage pictures[3];
            size_t drawn[3] = {0, 0, 0};
            for (int way : {OneThread, TwoThreads, InSteps}) {
                RenderOptions options;
                options.antialias_limit = antialias_limit;
                options.selected = &selected;
                options.two_threads_from = way == OneThread ? std::numeric_limits<size_t>::max() : 0;
                if (way == InSteps) {
                    options.budget_ms = 1e-9;
                    options.step_entities = 7;
                }
                pictures[way] = QImage(kW, kH, QImage::Format_RGB32);
                DrawingRenderer renderer;
                for (int step = 0;; ++step) {
                    RenderStats s;
                    {
                        QPainter p(&pictures[way]);
                        s = renderer.render(p, hd, host, QSize(kW, kH), options);
                    }
                    drawn[way] += s.drawn;
                    if (s.whole) break;
                    ASSERT_EQ(way, InSteps);
                    ASSERT_TRUE(s.next > options.from || step == 0);  // the first may only take the drawing in
                    options.from = s.next;
                }
            }
            for (int way : {TwoThreads, InSteps}) {
                EXPECT_EQ(drawn[way], drawn[OneThread]) << way;
                EXPECT_EQ(compare(pictures[way], pictures[OneThread]).pixels, 0) << way;
            }
        }
}

}  // namespace
}  // namespace korvane::render
