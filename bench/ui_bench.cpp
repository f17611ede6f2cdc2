// Speed of the drawing window on 50,000 attributed parcels (closed five-vertex polylines at
// real projected coordinates) with a holder label in each: a full redraw at 1600 x 900 with
// everything in view beside the bare QPainter loop that draws the same outlines and nothing
// else, redraws zoomed in, panning, the redraw after an edit of one entity, the first redraw
// after the caches are dropped, opening a drawing to its first frame, and picking the entity
// under the pick box. Runs on the offscreen platform. The drawing cases use both cores: their
// time is the wall clock's, and their CPU column the whole process's processor time.
// The county's cases (500,000 parcels, about 2 GB and a minute of setup) run only when asked:
//   korvane-ui-bench --benchmark_filter=parcels:500000
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string_view>

#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/selection.h"
#include "drawing/spatial_index.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/host_services.h"
#include "sample_gen.h"
#include "render/render.h"
#include "render/view_buffer.h"

using namespace korvane;

namespace {

constexpr int kW = 1600, kH = 900;

// The parcel drawing with a label in every parcel, as survey drawings have.
drawing::Document labelled_parcels(size_t n) {
    drawing::Document d = samples::make_parcels(n);
    for (drawing::RecordId id : d.modelspace()) {
        drawing::Entity e(d, id);
        if (!e.is_polyline()) continue;
        auto v = e.vertices();
        double x = 0, y = 0;
        for (size_t i = 0; i + 1 < v.size(); ++i) x += v[i].x, y += v[i].y;
        size_t k = v.size() > 1 ? v.size() - 1 : 1;
        drawing::add_text(d, "上围村民小组", {x / double(k), y / double(k), 0}, 2.5, "注记");
    }
    return d;
}

struct Scene {
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    host::HostDocument* doc = nullptr;
    render::DrawingRenderer renderer;
    QImage image{kW, kH, QImage::Format_RGB32};
    host::View extents;
    std::vector<drawing::RecordId> parcels;

    explicit Scene(size_t n) {
        host.set_screen_size(kW, kH);
        doc = &host.add(labelled_parcels(n));
        doc->zoom_extents(kW, kH);
        extents = doc->view();
        for (drawing::RecordId id : doc->modelspace())
            if (drawing::EntityView(doc->doc(), id).is_polyline()) parcels.push_back(id);
    }
    render::RenderStats draw() {
        QPainter p(&image);
        return renderer.render(p, *doc, host, QSize(kW, kH));
    }
};

Scene& scene(size_t n = samples::kDefaultParcels) {
    static std::map<size_t, std::unique_ptr<Scene>> scenes;
    auto& s = scenes[n];
    if (!s) s = std::make_unique<Scene>(n);
    return *s;
}

void report(benchmark::State& state, const render::RenderStats& s) {
    state.counters["entities"] = double(s.candidates);
    state.counters["drawn"] = double(s.drawn);
}

// The floor: QPainter alone drawing the parcels' outlines as the full view places them, one
// polyline each with a one-pixel pen, no labels, no lookups.
void BM_BareQPainterLoop_on(benchmark::State& state, size_t n) {
    Scene& s = scene(n);
    render::ViewTransform xf = render::ViewTransform::of(s.extents, QSize(kW, kH));
    std::vector<QPolygonF> outlines;
    for (drawing::RecordId id : s.parcels) {
        QPolygonF poly;
        for (const auto& v : drawing::EntityView(s.doc->doc(), id).vertices()) poly << xf.to_screen(v.x, v.y);
        if (!poly.isEmpty()) poly << poly.front();
        outlines.push_back(std::move(poly));
    }
    for (auto _ : state) {
        QPainter p(&s.image);
        p.fillRect(s.image.rect(), QColor(28, 32, 38));
        QPen pen(QColor(255, 255, 255));
        pen.setWidth(0);
        pen.setCosmetic(true);
        p.setPen(pen);
        for (const QPolygonF& poly : outlines) p.drawPolyline(poly);
    }
    state.counters["outlines"] = double(outlines.size());
}
void BM_BareQPainterLoop(benchmark::State& state) { BM_BareQPainterLoop_on(state, samples::kDefaultParcels); }
BENCHMARK(BM_BareQPainterLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_RedrawEverythingInView_on(benchmark::State& state, size_t n) {
    Scene& s = scene(n);
    s.doc->view() = s.extents;
    s.draw();  // shapes cached by the first frame
    render::RenderStats st;
    for (auto _ : state) st = s.draw();
    report(state, st);
}
void BM_RedrawEverythingInView(benchmark::State& state) { BM_RedrawEverythingInView_on(state, samples::kDefaultParcels); }
BENCHMARK(BM_RedrawEverythingInView)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_RedrawZoomedIn(benchmark::State& state) {
    Scene& s = scene();
    s.doc->view() = s.extents;
    s.doc->view().height = s.extents.height / double(state.range(0));
    s.draw();
    render::RenderStats st;
    for (auto _ : state) st = s.draw();
    report(state, st);
    s.doc->view() = s.extents;
}
BENCHMARK(BM_RedrawZoomedIn)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_PanEverythingInView_on(benchmark::State& state, size_t n) {
    // Each frame a little to the side, as a drag with the middle button does, through the
    // canvas's buffer: the picture drawn is moved and the strip uncovered is drawn.
    Scene& s = scene(n);
    s.doc->view() = s.extents;
    render::ViewBuffer buffer;
    buffer.paint(s.renderer, *s.doc, s.host, QSize(kW, kH), 1, {}, true);
    double step = s.extents.height / kH * 7;
    render::RenderStats st;
    int i = 0;
    for (auto _ : state) {
        s.doc->view().center.x = s.extents.center.x + step * (i++ % 40);
        st = buffer.paint(s.renderer, *s.doc, s.host, QSize(kW, kH), 1, {}, false);
    }
    report(state, st);
    s.doc->view() = s.extents;
}
void BM_PanEverythingInView(benchmark::State& state) { BM_PanEverythingInView_on(state, samples::kDefaultParcels); }
BENCHMARK(BM_PanEverythingInView)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_PanZoomedIn(benchmark::State& state) {
    // The same drag zoomed in ten times, where every strip that comes into view has parcels.
    Scene& s = scene();
    s.doc->view() = s.extents;
    s.doc->view().height = s.extents.height / 10;
    render::ViewBuffer buffer;
    buffer.paint(s.renderer, *s.doc, s.host, QSize(kW, kH), 1, {}, true);
    const host::View start = s.doc->view();
    double step = start.height / kH * 7;
    render::RenderStats st;
    int i = 0;
    for (auto _ : state) {
        s.doc->view().center.x = start.center.x + step * (i++ % 40);
        st = buffer.paint(s.renderer, *s.doc, s.host, QSize(kW, kH), 1, {}, false);
    }
    report(state, st);
    s.doc->view() = s.extents;
}
BENCHMARK(BM_PanZoomedIn)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_FirstRedrawAfterAnEdit_on(benchmark::State& state, size_t n) {
    // The renderer's caches dropped: it builds every shape in view again (the spatial index
    // is the host's and is not rebuilt here).
    Scene& s = scene(n);
    s.doc->view() = s.extents;
    render::RenderStats st;
    for (auto _ : state) {
        s.renderer.clear();
        st = s.draw();
    }
    report(state, st);
}
void BM_FirstRedrawAfterAnEdit(benchmark::State& state) { BM_FirstRedrawAfterAnEdit_on(state, samples::kDefaultParcels); }
BENCHMARK(BM_FirstRedrawAfterAnEdit)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_RedrawAfterOneEdit_on(benchmark::State& state, size_t n) {
    // One parcel changed, as the user's commands change them (a colour, a layer, a record
    // written, a move), then the frame that shows it.
    Scene& s = scene(n);
    s.doc->view() = s.extents;
    s.draw();
    drawing::Document& d = s.doc->doc();
    std::mt19937 rng(11);
    std::uniform_int_distribution<size_t> pick(0, s.parcels.size() - 1);
    // The record's application registered once, as in a drawing the tools have written to.
    drawing::Entity(d, s.parcels.front()).set_xdata({drawing::XDataItem::app("KORVANE_BENCH")});
    s.draw();
    render::RenderStats st;
    int i = 0;
    for (auto _ : state) {
        drawing::Entity e(d, s.parcels[pick(rng)]);
        d.begin_undo_step("edit");
        switch (i++ % 4) {
            case 0: e.set_color(1 + i % 7); break;
            case 1: e.set_layer(i % 8 < 4 ? "0" : "注记"); break;
            case 2:
                e.set_xdata({drawing::XDataItem::app("KORVANE_BENCH"), drawing::XDataItem::string(std::to_string(i))});
                break;
            default: {
                auto v = e.vertices();
                for (auto& p : v) p.x += i % 8 < 4 ? 0.5 : -0.5;
                e.set_vertices(v);
            }
        }
        d.end_undo_step();
        st = s.draw();
    }
    report(state, st);
}
void BM_RedrawAfterOneEdit(benchmark::State& state) { BM_RedrawAfterOneEdit_on(state, samples::kDefaultParcels); }
BENCHMARK(BM_RedrawAfterOneEdit)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_OpenToFirstFrame_on(benchmark::State& state, size_t n) {
    // A drawing just read (the reading is not timed) given to the host, zoomed to its extents
    // and painted once by a renderer that has not seen it.
    Scene& s = scene(n);
    const std::string text = s.doc->doc().to_dxf();
    // Qt reads its fonts once per process, when the window first shows, not at each opening.
    s.doc->view() = s.extents;
    s.draw();
    render::RenderStats st;
    for (auto _ : state) {
        state.PauseTiming();
        drawing::Document d = drawing::Document::parse(text, "opened.dxf");
        host::ScriptInput input;
        host::RecordingTranscript transcript;
        auto host = std::make_unique<host::EmbeddedHost>(input, transcript);
        host->set_screen_size(kW, kH);
        state.ResumeTiming();
        host::HostDocument& hd = host->add(std::move(d), "opened.dxf");
        hd.zoom_extents(kW, kH);
        auto renderer = std::make_unique<render::DrawingRenderer>();
        {
            QPainter p(&s.image);
            st = renderer->render(p, hd, *host, QSize(kW, kH));
        }
        // Closing the drawing and its renderer is not part of opening it.
        state.PauseTiming();
        renderer.reset();
        host.reset();
        state.ResumeTiming();
    }
    report(state, st);
}
void BM_OpenToFirstFrame(benchmark::State& state) { BM_OpenToFirstFrame_on(state, samples::kDefaultParcels); }
BENCHMARK(BM_OpenToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();

void BM_PickUnderThePickBox_on(benchmark::State& state, size_t n) {
    // The canvas's pick: five pixels around the cursor at random places, at the full view
    // (zoom 1) or zoomed in on one block of parcels (zoom 20: the pick box 1/20 as wide).
    Scene& s = scene(n);
    s.doc->view() = s.extents;
    const double zoom = double(state.range(0));
    double tolerance = 5 * s.extents.height / kH / zoom;
    drawing::Box2 b = s.doc->index().extents();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> ux(b.min_x, b.max_x), uy(b.min_y, b.max_y);
    size_t hits = 0;
    for (auto _ : state) {
        drawing::RecordId id =
            drawing::pick_at(s.doc->doc(), s.doc->index(), drawing::Point2{ux(rng), uy(rng)}, tolerance);
        hits += id != drawing::kNoRecord;
    }
    state.counters["hit_rate"] = benchmark::Counter(double(hits), benchmark::Counter::kAvgIterations);
}
void BM_PickUnderThePickBox(benchmark::State& state) { BM_PickUnderThePickBox_on(state, samples::kDefaultParcels); }
BENCHMARK(BM_PickUnderThePickBox)->ArgName("zoom")->Arg(1)->Arg(20)->Unit(benchmark::kMicrosecond);
void BM_LongestStepOfTheWindow_on(benchmark::State& state, size_t n) {
    // What the window's own thread is held for while a whole picture is drawn: the canvas draws
    // it in steps of 40 ms through its buffer and attends to the mouse in between. Opened: the
    // drawing read and indexed off that thread (as the window opens drawings), then given to the
    // host and drawn by a renderer that has not seen it. Redrawn: everything drawn again after
    // a change. The time is all the steps'; the longest step is a counter.
    Scene& s = scene(n);
    const bool opened = state.range(0) == 0;
    const std::string text = opened ? s.doc->doc().to_dxf() : std::string();
    s.doc->view() = s.extents;
    s.draw();
    double longest = 0, steps = 0;
    render::ViewBuffer buffer;  // the canvas's, kept from drawing to drawing
    buffer.set_step_ms(40);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<host::EmbeddedHost> host;
        std::unique_ptr<render::DrawingRenderer> renderer;
        host::HostDocument* doc = s.doc;
        if (opened) {
            host = std::make_unique<host::EmbeddedHost>(s.input, s.transcript);
            host->set_screen_size(kW, kH);
            auto read = std::make_unique<host::HostDocument>(drawing::Document::parse(text, "opened.dxf"), "opened.dxf");
            read->modelspace();
            read->index();
            renderer = std::make_unique<render::DrawingRenderer>();
            state.ResumeTiming();
            doc = &host->adopt(std::move(read));
            doc->zoom_extents(kW, kH);
        } else {
            state.ResumeTiming();
        }
        bool changed = true;
        do {
            const auto start = std::chrono::steady_clock::now();
            buffer.paint(opened ? *renderer : s.renderer, *doc, opened ? *host : s.host, QSize(kW, kH), 1, {}, changed);
            longest = std::max(longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            ++steps;
            changed = false;
        } while (buffer.unfinished());
        state.PauseTiming();
        renderer.reset();
        host.reset();
        state.ResumeTiming();
    }
    state.counters["longest_step_ms"] = longest;
    state.counters["steps"] = benchmark::Counter(steps, benchmark::Counter::kAvgIterations);
}
void BM_LongestStepOfTheWindow(benchmark::State& state) { BM_LongestStepOfTheWindow_on(state, samples::kDefaultParcels); }
BENCHMARK(BM_LongestStepOfTheWindow)->ArgName("redrawn")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();


}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    // The county: the same cases on 500,000 parcels, when the filter names them.
    constexpr int64_t kCounty = 500000;
    bool county = false;
    for (int i = 1; i < argc; ++i) county = county || std::string_view(argv[i]).find("500000") != std::string_view::npos;
    if (county) {
        struct Case {
            const char* name;
            void (*run)(benchmark::State&, size_t);
            int iterations;
        };
        const Case cases[] = {
            {"BM_BareQPainterLoop/parcels:500000", BM_BareQPainterLoop_on, 5},
            {"BM_RedrawEverythingInView/parcels:500000", BM_RedrawEverythingInView_on, 5},
            {"BM_PanEverythingInView/parcels:500000", BM_PanEverythingInView_on, 20},
            {"BM_RedrawAfterOneEdit/parcels:500000", BM_RedrawAfterOneEdit_on, 5},
            {"BM_OpenToFirstFrame/parcels:500000", BM_OpenToFirstFrame_on, 2},
        };
        for (const Case& c : cases)
            benchmark::RegisterBenchmark(c.name, c.run, size_t(kCounty))
                ->Unit(benchmark::kMillisecond)
                ->Iterations(c.iterations)
                ->UseRealTime()
                ->MeasureProcessCPUTime();
        for (int redrawn : {0, 1})
            benchmark::RegisterBenchmark("BM_LongestStepOfTheWindow/parcels:500000", BM_LongestStepOfTheWindow_on, size_t(kCounty))
                ->ArgName("redrawn")
                ->Arg(redrawn)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(2)
                ->UseRealTime()
                ->MeasureProcessCPUTime();
        benchmark::RegisterBenchmark("BM_PickUnderThePickBox/parcels:500000", BM_PickUnderThePickBox_on, size_t(kCounty))
            ->ArgName("zoom")->Arg(1)->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

namespace {

// A wheel step with everything in view, through the canvas's buffer: the picture drawn last is
// shown scaled about the cursor (four steps in, four out, as a hand turns the wheel); the exact
// picture is drawn once the wheel rests, which is not timed. Compare with
// BM_RedrawEverythingInView of the same run.
void BM_WheelZoomEverythingInView(benchmark::State& state) {
    Scene& s = scene();
    s.doc->view() = s.extents;
    const QSize size(kW, kH);
    render::ViewBuffer buffer;
    buffer.paint(s.renderer, *s.doc, s.host, size, 1, {}, true);
    const QPointF cursor(kW * 0.4, kH * 0.6);
    const QColor background = s.renderer.background();
    int i = 0;
    for (auto _ : state) {
        host::View& v = s.doc->view();
        drawing::Point2 before = render::ViewTransform::of(v, size).to_world(cursor);
        v.height *= (i++ / 4) % 2 ? 1.25 : 1 / 1.25;
        drawing::Point2 after = render::ViewTransform::of(v, size).to_world(cursor);
        v.center.x += before.x - after.x;
        v.center.y += before.y - after.y;
        if (!buffer.preview(v, size, 1, background)) state.SkipWithError("no picture to scale");
    }
    s.doc->view() = s.extents;
}
BENCHMARK(BM_WheelZoomEverythingInView)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
