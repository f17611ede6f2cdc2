// Speed of drafting in the drawing window on the generated drawing of 50,000 parcels
// (korvane-sample-gen parcels), through the command line as the user types it:
//   RunningSnap/H       the snap under the cursor (endpoint, midpoint, centre, intersection,
//                       perpendicular, nearest) at a view H metres high on a 1600 x 900 window,
//                       the aperture 10 pixels; 0: the whole drawing in view
//   Move10000           MOVE of 10,000 parcels picked on screen, the spatial index brought up to
//                       date afterwards (the next redraw or snap needs it)
//   EraseAll, UndoEraseAll
//                       ERASE ALL of the 50,000 parcels, and U of that
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "drawing/entity.h"
#include "drawing/spatial_index.h"
#include "host/command_interpreter.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/object_snap.h"
#include "hosted_session.h"
#include "sample_gen.h"

using namespace korvane;

namespace {

using bench::NullTranscript;

struct Bench {
    host::ScriptInput input;
    NullTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    host::HostDocument* doc = nullptr;
    std::vector<std::string> handles;

    Bench() {
        host.start();
        host.set_screen_size(1600, 900);
        doc = &host.add(samples::make_parcels(samples::kDefaultParcels), "parcels.dxf");
        doc->zoom_extents(1600, 900);
        for (drawing::RecordId id : doc->modelspace()) handles.push_back(drawing::EntityView(doc->doc(), id).handle_text());
        doc->index().refresh();
    }
    void send(const std::string& text) { host.interpreter().send(*doc, text); }
};

Bench& bench() {
    static Bench b;
    return b;
}

void BM_RunningSnap(benchmark::State& state) {
    Bench& b = bench();
    host::View saved = b.doc->view();
    if (state.range(0) > 0) b.doc->view().height = double(state.range(0));
    double aperture = host::snap_aperture(b.host, *b.doc);
    drawing::Box2 box = b.doc->index().extents();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> x(box.min_x, box.max_x), y(box.min_y, box.max_y);
    const int modes = host::kSnapEndpoint | host::kSnapMidpoint | host::kSnapCenter | host::kSnapIntersection |
                      host::kSnapPerpendicular | host::kSnapNearest;
    size_t found = 0;
    for (auto _ : state) {
        host::Point cursor{x(rng), y(rng), 0};
        auto hit = host::find_snap(*b.doc, cursor, aperture, modes, host::Point{cursor.x + 3, cursor.y + 2, 0});
        found += hit ? 1 : 0;
        benchmark::DoNotOptimize(hit);
    }
    state.counters["found"] = double(found) / double(state.iterations());
    state.counters["aperture_m"] = aperture;
    b.doc->view() = saved;
}
BENCHMARK(BM_RunningSnap)->Arg(200)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_Move10000(benchmark::State& state) {
    Bench& b = bench();
    std::vector<std::string> picked(b.handles.begin(), b.handles.begin() + 10000);
    double dx = 1;
    for (auto _ : state) {
        // The picks answer the object prompt; the rest is typed.
        b.input.push(host::InputAnswer::selection(picked));
        b.input.push(host::InputAnswer::enter());
        b.input.push(host::InputAnswer::typed("0,0"));
        b.input.push(host::InputAnswer::typed(std::to_string(dx) + ",0"));
        b.send("move\r");
        b.doc->index().refresh();
        dx = -dx;
    }
    if (b.input.pending() != 0) state.SkipWithError("the answers were not taken");
}
BENCHMARK(BM_Move10000)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_EraseAll(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state) {
        b.send("erase\rall\r\r");
        state.PauseTiming();
        b.doc->doc().undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EraseAll)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoEraseAll(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state) {
        state.PauseTiming();
        b.send("erase\rall\r\r");
        state.ResumeTiming();
        b.send("u\r");
    }
}
BENCHMARK(BM_UndoEraseAll)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
