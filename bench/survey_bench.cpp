// Speed of the parcel form's two bulk commands over the embedded host, as the user runs them
// (selection, command frame, command-line lines, progress):
//   统加 over all 50,000 parcels of the generated drawing (korvane-sample-gen parcels), and over
//   the county's 500,000 (BM_NeighbourFill500k);
//   输出调查表 of 500 parcels with a mark at each of their 4 corners, workbook saved included.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/embedded_host.h"
#include "panel/boundary_walk.h"
#include "parcel/neighbour_fill.h"
#include "parcel/parcel_record.h"
#include "parcel/survey_export.h"
#include "sample_gen.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

constexpr size_t kCountyParcels = 500000;

// The command line's lines are dropped (50,000 of them per run).
class NullTranscript : public host::Transcript {
public:
    void line(const std::string&) override { ++lines; }
    long lines = 0;
};

struct Bench {
    fs::path dir = fs::temp_directory_path() / ("korvane-survey-bench-" + std::to_string(::getpid()));
    host::ScriptInput input;
    NullTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    common::MemorySettings settings;
    common::RecordingUi ui{settings, common::Paths{dir / "data", dir / "out"}};
    host::Session session{host, ui, nullptr};

    Bench() {
        ui.paths().create_directories();
        fs::copy_file(fs::path(KORVANE_SOURCE_DIR) / "data" / parcel::kSurveyTemplate, dir / "data" / parcel::kSurveyTemplate,
                      fs::copy_options::overwrite_existing);
        host.start();
    }
    ~Bench() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void select_all() {
        host::InputAnswer a;
        a.type = host::InputAnswer::Type::Selection;
        a.select_mode = host::InputAnswer::SelectMode::All;
        input.push(a);
    }
    // A window around the 500 marked parcels.
    void select_marked() {
        host::InputAnswer a;
        a.type = host::InputAnswer::Type::Selection;
        a.select_mode = host::InputAnswer::SelectMode::Window;
        a.point = {547990, 2542990, 0};
        a.corner = {549010, 2543810, 0};
        input.push(a);
    }
};

// 统加 over every parcel of a drawing as generated: each run starts again from a fresh drawing,
// since a second run over the same parcels would only write what they hold already.
void neighbour_fill_all(benchmark::State& state, size_t count) {
    Bench b;
    long parcels = 0;
    for (auto _ : state) {
        state.PauseTiming();
        while (b.host.document_count()) b.host.close(0);
        b.host.add(samples::make_parcels(count), "parcels.dxf");
        b.select_all();
        state.ResumeTiming();
        parcel::neighbour_fill(b.session);
        parcels = b.host.application()->ActiveDocument()->SelectionSets()->Item(parcel::kParcelSet)->Count();
    }
    state.counters["parcels"] = double(parcels);
    state.counters["lines"] = double(b.transcript.lines);
    state.counters["messages"] = double(b.ui.messages().size());
}
void BM_NeighbourFill50k(benchmark::State& state) { neighbour_fill_all(state, samples::kDefaultParcels); }
BENCHMARK(BM_NeighbourFill50k)->Unit(benchmark::kMillisecond)->Iterations(3);
// The county: 500,000 parcels, one run.
void BM_NeighbourFill500k(benchmark::State& state) { neighbour_fill_all(state, kCountyParcels); }
BENCHMARK(BM_NeighbourFill500k)->Unit(benchmark::kMillisecond)->Iterations(1);

// 500 separate squares of 20 m in rows of 25, each with a record and a mark at every corner.
void make_marked_parcels(Bench& b) {
    host::DocumentPtr doc = b.host.application()->ActiveDocument();
    host::ModelSpacePtr ms = doc->ModelSpace();
    doc->Layers()->Add("独有宗地");
    doc->Layers()->Add("今后界址点");
    for (int i = 0; i < 500; ++i) {
        const double x = 548000 + 40.0 * (i % 25), y = 2543000 + 40.0 * (i / 25);
        for (auto [cx, cy] : {std::pair{x, y}, {x + 20, y}, {x + 20, y + 20}, {x, y + 20}}) {
            host::EntityPtr p = ms->AddPoint({cx, cy, 0});
            p->SetLayer("今后界址点");
            p->SetXData(panel::make_work_record({"2026-12-06", "测绘队", "村民推选代表", "村委", "田埂,中", "9999"}, true));
        }
        host::EntityPtr e = ms->AddLightWeightPolyline({x, y, x + 20, y, x + 20, y + 20, x, y + 20});
        e->SetClosed(true);
        e->SetLayer("独有宗地");
        parcel::ParcelAttributeRecord r;
        r.value(parcel::Item::YSDM) = "440123101001";
        char number[16];
        std::snprintf(number, sizeof number, "%06d", i + 1);
        r.value(parcel::Item::ZDH) = number;
        r.value(parcel::Item::TDQLR) = "上村第一村民小组";
        parcel::write_parcel_record(*e, r);
    }
}

// 500 marked parcels alone (county 0), or placed in a drawing of 50,000 parcels (county 1) or of
// 500,000 (county 2): there the searches at the corners run in a large drawing the export keeps
// changing.
void BM_SurveyExport500(benchmark::State& state) {
    const int64_t county = state.range(0);
    Bench b;
    long points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        while (b.host.document_count()) b.host.close(0);
        if (county) b.host.add(samples::make_parcels(county == 1 ? samples::kDefaultParcels : kCountyParcels), "parcels.dxf");
        else b.host.new_document();
        make_marked_parcels(b);
        b.select_marked();
        state.ResumeTiming();
        parcel::SurveyResult r = parcel::survey_export(b.session);
        points = r.points;
        if (r.outcome != parcel::SurveyOutcome::Saved) state.SkipWithError("the export did not save its workbook");
    }
    state.counters["points"] = double(points);
}
BENCHMARK(BM_SurveyExport500)->ArgName("county")->Arg(0)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurveyExport500)->ArgName("county")->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurveyExport500)->ArgName("county")->Arg(2)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
