// Speed of the drawing window on 50,000 attributed parcels (closed five-vertex polylines at
// real projected coordinates) with a holder label in each: a full redraw at 1600 x 900 with
// everything in view, redraws zoomed in, the first redraw after an edit (every shape built
// again), and picking the entity under the pick box. Runs on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <memory>
#include <random>

#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/selection.h"
#include "drawing/spatial_index.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/host_services.h"
#include "sample_gen.h"
#include "render/render.h"

using namespace korvane;

namespace {

constexpr int kW = 1600, kH = 900;

struct Scene {
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    host::HostDocument* doc = nullptr;
    render::DrawingRenderer renderer;
    QImage image{kW, kH, QImage::Format_RGB32};
    host::View extents;

    Scene() {
        drawing::Document d = samples::make_parcels(samples::kDefaultParcels);
        // A label in every parcel, as survey drawings have.
        for (drawing::RecordId id : d.modelspace()) {
            drawing::Entity e(d, id);
            if (!e.is_polyline()) continue;
            auto v = e.vertices();
            double x = 0, y = 0;
            for (size_t i = 0; i + 1 < v.size(); ++i) x += v[i].x, y += v[i].y;
            size_t n = v.size() > 1 ? v.size() - 1 : 1;
            drawing::add_text(d, "上围村民小组", {x / double(n), y / double(n), 0}, 2.5, "注记");
        }
        host.set_screen_size(kW, kH);
        doc = &host.add(std::move(d));
        doc->zoom_extents(kW, kH);
        extents = doc->view();
    }
    render::RenderStats draw() {
        QPainter p(&image);
        return renderer.render(p, *doc, host, QSize(kW, kH));
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

void report(benchmark::State& state, const render::RenderStats& s) {
    state.counters["entities"] = double(s.candidates);
    state.counters["drawn"] = double(s.drawn);
}

void BM_RedrawEverythingInView(benchmark::State& state) {
    Scene& s = scene();
    s.doc->view() = s.extents;
    s.draw();  // shapes cached by the first frame
    render::RenderStats st;
    for (auto _ : state) st = s.draw();
    report(state, st);
}
BENCHMARK(BM_RedrawEverythingInView)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_RedrawZoomedIn)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_PanEverythingInView(benchmark::State& state) {
    // Each frame a little to the side, as a drag with the middle button does.
    Scene& s = scene();
    s.doc->view() = s.extents;
    s.draw();
    double step = s.extents.height / kH * 7;
    render::RenderStats st;
    int i = 0;
    for (auto _ : state) {
        s.doc->view().center.x = s.extents.center.x + step * (i++ % 40);
        st = s.draw();
    }
    report(state, st);
    s.doc->view() = s.extents;
}
BENCHMARK(BM_PanEverythingInView)->Unit(benchmark::kMillisecond);

void BM_FirstRedrawAfterAnEdit(benchmark::State& state) {
    // The document changed: the renderer builds every shape in view again (the spatial index
    // is the host's and is not rebuilt here).
    Scene& s = scene();
    s.doc->view() = s.extents;
    render::RenderStats st;
    for (auto _ : state) {
        s.renderer.clear();
        st = s.draw();
    }
    report(state, st);
}
BENCHMARK(BM_FirstRedrawAfterAnEdit)->Unit(benchmark::kMillisecond);

void BM_PickUnderThePickBox(benchmark::State& state) {
    // The canvas's pick: five pixels around the cursor at random places, at the full view
    // (zoom 1) or zoomed in on one block of parcels (zoom 20: the pick box 1/20 as wide).
    Scene& s = scene();
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
BENCHMARK(BM_PickUnderThePickBox)->ArgName("zoom")->Arg(1)->Arg(20)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
