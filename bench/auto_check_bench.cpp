// Speed of the automatic check (自动检查) as the user runs it from the quality-check list: Enter
// at the selection (every parcel), every check, the findings into the list, on the generated
// county (korvane-sample-gen parcels N):
//   AutoCheck/N/0   the drawing as generated: each parcel's extra vertex on its lower edge lies
//                   on the upper edge of the parcel below, which lacks it, so nearly every
//                   parcel gives a T-junction finding (the many-findings case)
//   AutoCheck/N/1   the same drawing with those vertices added to the parcels below: clean
// The 500,000-parcel cases run once each (about 2 GB, a minute of setup); run them alone and
// seldom: build/bench/korvane-auto-check-bench --benchmark_filter='AutoCheck/500000/'
// (and 'AutoCheck/50000/' for the small ones alone)
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "checks/auto_check.h"
#include "checks/zljc.h"
#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/embedded_host.h"
#include "hosted_session.h"
#include "sample_gen.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

struct Bench : bench::HostedSession {

    explicit Bench(size_t parcels) : HostedSession("korvane-auto-check-bench") {
        ui.paths().create_directories();
        host.start();
        host.add(samples::make_parcels(parcels), "county.dxf");
    }
    ~Bench() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    host::DocumentPtr doc() { return host.application()->ActiveDocument(); }

    // Gives each parcel's upper edge the extra vertex of the parcel above it.
    void mend_t_junctions(size_t count) {
        host::SelectionSetPtr all = doc()->SelectionSets()->Add("bench");
        host::Filter f;
        f.add(0, "LWPOLYLINE");
        all->Select(5, f);
        const size_t cols = size_t(std::ceil(std::sqrt(double(count))));
        for (size_t k = 0; k + cols < size_t(all->Count()); ++k) {
            std::vector<double> below = all->Item(long(k))->Coordinates();
            std::vector<double> above = all->Item(long(k + cols))->Coordinates();
            below.insert(below.begin() + 8, {above[2], above[3]});
            all->Item(long(k))->SetCoordinates(below);
        }
        all->Delete();
    }
};

void BM_AutoCheck(benchmark::State& state) {
    const size_t count = size_t(state.range(0));
    Bench b(count);
    if (state.range(1)) b.mend_t_junctions(count);
    checks::ZLJC list(b.session);
    list.load();
    for (auto _ : state) {
        list.clear();
        b.input.push(host::InputAnswer::enter());
        checks::auto_check(b.session, [&]() -> checks::ZLJC& { return list; });
    }
    state.counters["parcels"] = double(count);
    state.counters["findings"] = double(list.entries().size());
}
BENCHMARK(BM_AutoCheck)->Args({50000, 0})->Args({50000, 1})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AutoCheck)->Args({500000, 0})->Args({500000, 1})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
