// Speed of the command line's object selection on the generated parcel drawings
// (korvane-sample-gen parcels) of 50,000 and 500,000 parcels, the argument:
//   SelectAll/N          ALL at "选择对象:", then Enter
//   RemoveAll/N          ALL, then Remove and ALL again: every entity taken out one by one
//   UndoAll/N            ALL, then Undo of it
//   DraworderAll/N       DRAWORDER with ALL to the front, which leaves the order as it is: the
//                        selection and the command's own walk over the drawing
// Each is meant to grow linearly with the drawing (ALL on 500,000 well under a second).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "host/command_interpreter.h"
#include "host/commands.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "sample_gen.h"

using namespace korvane;

namespace {

class NullTranscript : public host::Transcript {
public:
    void line(const std::string&) override {}
};

struct Bench {
    host::ScriptInput input;
    NullTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    host::InterpreterState state;
    host::HostDocument* doc = nullptr;

    explicit Bench(size_t parcels) {
        host.start();
        host.set_screen_size(1600, 900);
        doc = &host.add(samples::make_parcels(parcels), "parcels.dxf");
        doc->zoom_extents(1600, 900);
    }
    // The answers typed at one object-selection prompt; the number of entities chosen.
    size_t select(const std::string& typed) {
        host::CommandInput in(typed, input);
        host::CommandContext c(host, *doc, in, state, "SELECT");
        auto chosen = c.select_objects();
        return chosen ? chosen->size() : 0;
    }
};

// One drawing of each size, made when a benchmark first asks for it.
Bench& bench(size_t parcels) {
    static std::map<size_t, std::unique_ptr<Bench>> drawings;
    auto& b = drawings[parcels];
    if (!b) b = std::make_unique<Bench>(parcels);
    return *b;
}

void run_selection(benchmark::State& state, const std::string& typed, bool all_chosen) {
    Bench& b = bench(size_t(state.range(0)));
    size_t chosen = 0;
    for (auto _ : state) chosen = b.select(typed);
    if (chosen != (all_chosen ? b.doc->modelspace().size() : 0)) state.SkipWithError("unexpected selection");
    state.counters["chosen"] = double(chosen);
}

void BM_SelectAll(benchmark::State& state) { run_selection(state, "ALL\r\r", true); }
BENCHMARK(BM_SelectAll)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RemoveAll(benchmark::State& state) { run_selection(state, "ALL\rR\rALL\r\r", false); }
BENCHMARK(BM_RemoveAll)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoAll(benchmark::State& state) { run_selection(state, "ALL\rU\r\r", false); }
BENCHMARK(BM_UndoAll)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DraworderAll(benchmark::State& state) {
    Bench& b = bench(size_t(state.range(0)));
    uint64_t revision = b.doc->doc().revision();
    for (auto _ : state) b.host.interpreter().send(*b.doc, "draworder\rALL\r\rF\r");
    if (b.doc->doc().revision() != revision) state.SkipWithError("the order changed");
}
BENCHMARK(BM_DraworderAll)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
