// Speed of the tools menu's bulk commands over the embedded host, as the user runs them
// (selection, command frame, progress), on the generated county drawing of 50,000 parcels
// (korvane-sample-gen parcels):
//   DuplicateCheck50k   检查线重复点 over every parcel, 500 of them with a repeated vertex
//   IslandMarking50k    标识宗地岛 over every parcel, 500 of them holding an island (51,000 parcels)
//   PointReport10k      输出点位说明 of 10,000 work-record points, file written
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/embedded_host.h"
#include "panel/boundary_walk.h"
#include "parcel/parcel_record.h"
#include "hosted_session.h"
#include "sample_gen.h"
#include "tools/duplicate_points.h"
#include "tools/parcel_islands.h"
#include "tools/point_report.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

constexpr long kEvery = 100;  // one parcel in a hundred gets a repeated vertex or an island

struct Bench : bench::HostedSession {

    Bench() : HostedSession("korvane-tools-bench") {
        ui.paths().create_directories();
        host.start();
        host.add(samples::make_parcels(samples::kDefaultParcels), "parcels.dxf");
    }
    ~Bench() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    host::DocumentPtr doc() { return host.application()->ActiveDocument(); }
    void select_all() {
        host::InputAnswer a = host::InputAnswer::selection({});
        a.select_mode = host::InputAnswer::SelectMode::All;
        input.push(a);
    }
    // Every parcel polyline, in drawing order.
    std::vector<host::EntityPtr> parcels() {
        host::SelectionSetPtr all = doc()->SelectionSets()->Add("bench");
        host::Filter f;
        f.add(0, "LWPOLYLINE");
        all->Select(5, f);
        std::vector<host::EntityPtr> out;
        for (long i = 0; i < all->Count(); ++i) out.push_back(all->Item(i));
        all->Delete();
        return out;
    }
};

void BM_DuplicateCheck50k(benchmark::State& state) {
    Bench b;
    auto parcels = b.parcels();
    for (size_t i = 0; i < parcels.size(); i += kEvery) {
        std::vector<double> xy = parcels[i]->Coordinates();
        xy.insert(xy.begin() + 4, {xy[2], xy[3]});  // vertex 2 again
        parcels[i]->SetCoordinates(xy);
    }
    long markers = 0;
    for (auto _ : state) {
        const long before = b.doc()->ModelSpace()->Count();
        b.select_all();
        tools::check_duplicate_points(b.session);
        markers = b.doc()->ModelSpace()->Count() - before;
    }
    state.counters["parcels"] = double(parcels.size());
    state.counters["markers"] = double(markers);
}
BENCHMARK(BM_DuplicateCheck50k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_IslandMarking50k(benchmark::State& state) {
    Bench b;
    auto parcels = b.parcels();
    host::ModelSpacePtr ms = b.doc()->ModelSpace();
    for (size_t i = 0; i < parcels.size(); i += kEvery) {
        host::Point lo, hi;
        parcels[i]->GetBoundingBox(lo, hi);
        const double cx = (lo.x + hi.x) / 2, cy = (lo.y + hi.y) / 2;
        host::EntityPtr island = ms->AddLightWeightPolyline({cx - 3, cy - 3, cx + 3, cy - 3, cx + 3, cy + 3, cx - 3, cy + 3});
        island->SetClosed(true);
        island->SetLayer("独有宗地");
        parcel::ParcelAttributeRecord r;
        r.value(parcel::Item::TDQLR) = "岛内户主";
        parcel::write_parcel_record(*island, r);
    }
    long hatches = 0;
    for (auto _ : state) {
        const long before = ms->Count();
        b.select_all();
        tools::mark_parcel_islands(b.session);
        hatches = ms->Count() - before;
    }
    state.counters["parcels"] = double(b.parcels().size());
    state.counters["hatches"] = double(hatches);
}
BENCHMARK(BM_IslandMarking50k)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_PointReport10k(benchmark::State& state) {
    Bench b;
    host::ModelSpacePtr ms = b.doc()->ModelSpace();
    b.doc()->Layers()->Add("工作记录");
    for (int i = 0; i < 10000; ++i) {
        host::EntityPtr p = ms->AddPoint({39500000.0 + 2.5 * i, 2540000.0 + 0.125 * i, 0});
        p->SetLayer("工作记录");
        p->SetXData(panel::make_work_record(
            {"12-06-2026", "岭南县国土测绘队", "村民推选代表", "镇政府、国土所、村委", "田埂,中", std::to_string(i + 1)},
            i % 2 == 0));
    }
    long lines = 0;
    for (auto _ : state) {
        b.select_all();
        tools::write_point_report(b.session);
        lines = b.doc()->SelectionSets()->Item("text")->Count();
    }
    state.counters["points"] = double(lines);
    state.counters["bytes"] = double(fs::file_size(b.ui.paths().data_file(tools::kPointReportFile)));
}
BENCHMARK(BM_PointReport10k)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
