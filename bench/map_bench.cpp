// Map production on the parcel grid (offscreen Qt):
//   - filling a 910 frame over four tiles of 4000 x 4000 in the 50,000-parcel drawing (tiles
//     in, every image clipped, the public-notice template exploded onto the frame);
//   - labelling 5,000 parcels by either entry (the parcels asked for answered with Esc, counted);
//   - plotting a filled 910 frame with four such tiles and 2,000 parcels to a PDF at 1:2000.
// The tiles are JPEG with grain like a photograph's, made once into KORVANE_BENCH_TILES
// (default: bench-tiles in the working folder) and kept for later runs. cpu_s is the
// processor time of one iteration, the figure a shared machine leaves alone.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "mapping/map_frames.h"
#include "mapping/org_labels.h"
#include "panel/workspace.h"
#include "render/plot.h"
#include "sample_gen.h"
#include "tile_gen.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The four sheets around (kX, kY) kilometres, whose corner the frames sit on.
constexpr long long kX = 39500, kY = 2541;

struct Scene {
    fs::path tiles, work;
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    common::MemorySettings settings;
    std::unique_ptr<common::RecordingUi> ui;
    std::unique_ptr<panel::Workspace> ws;

    Scene() {
        const char* dir = std::getenv("KORVANE_BENCH_TILES");
        fs::path root = fs::absolute(dir ? dir : "bench-tiles");
        tiles = root / "map-4000";
        work = root / "map-work";
        fs::create_directories(work / "data");
        fs::copy_file(fs::path(KORVANE_SOURCE_DIR) / "data" / mapping::kNoticeTemplate.file,
                      work / "data" / mapping::kNoticeTemplate.file, fs::copy_options::overwrite_existing);
        size_t have = 0;
        if (fs::exists(tiles))
            for (const auto& f : fs::directory_iterator(tiles)) have += f.path().extension() == ".jpg";
        if (have < 6) samples::write_tiles(tiles.string(), kX - 1, kY - 1, 2, 3, samples::TileLook{4000, true});
        ui = std::make_unique<common::RecordingUi>(settings, common::Paths{work / "data", work});
        ws = std::make_unique<panel::Workspace>(host, *ui);
        host.start();
    }

    host::HostDocument& fresh(size_t parcels) {
        while (host.document_count() > 0) host.close(0);
        return host.add(samples::make_parcels(parcels));
    }

    // A 910 frame around the corner of four sheets, filled.
    std::string filled_frame(double x, double y) {
        input.push(host::InputAnswer::at({x, y, 0}));
        mapping::draw_frame(ws->session(), mapping::kFrame910);
        std::string frame = last_handle();
        input.push(host::InputAnswer::entity(frame));
        mapping::fill_frame(ws->session(), mapping::TileSource{tiles.string(), ".jpg"}, mapping::kNoticeTemplate);
        return frame;
    }

    std::string last_handle() {
        host::ModelSpacePtr ms = host.application()->ActiveDocument()->ModelSpace();
        return ms->Item(ms->Count() - 1)->Handle();
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

void BM_FillFrame910(benchmark::State& state) {
    Scene& s = scene();
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.fresh(samples::kDefaultParcels);
        s.input.push(host::InputAnswer::at({kX * 1000.0, kY * 1000.0, 0}));
        mapping::draw_frame(s.ws->session(), mapping::kFrame910);
        std::string frame = s.last_handle();
        s.input.push(host::InputAnswer::entity(frame));
        double c0 = cpu_seconds();
        state.ResumeTiming();
        mapping::fill_frame(s.ws->session(), mapping::TileSource{s.tiles.string(), ".jpg"}, mapping::kNoticeTemplate);
        state.PauseTiming();
        cpu += cpu_seconds() - c0;
        state.ResumeTiming();
    }
    state.counters["cpu_s"] = cpu / double(state.iterations());
}
BENCHMARK(BM_FillFrame910)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Label5000(benchmark::State& state) {
    Scene& s = scene();
    auto entry = state.range(0) == 0 ? mapping::LabelEntry::Centroid : mapping::LabelEntry::BoxCentre;
    size_t asked = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.fresh(5000);
        host::ScriptInput answers;
        host::InputAnswer all = host::InputAnswer::selection({});
        all.select_mode = host::InputAnswer::SelectMode::All;
        answers.push(all);
        // Parcels whose label point falls outside them are asked for; Esc answers each.
        for (int k = 0; k < 5000; ++k) answers.push(host::InputAnswer::cancel());
        s.host.set_input(answers);
        state.ResumeTiming();
        mapping::label_organisations(s.ws->session(), entry);
        state.PauseTiming();
        asked = 5000 - answers.pending();
        s.host.set_input(s.input);
        state.ResumeTiming();
    }
    state.counters["asked"] = double(asked);
}
BENCHMARK(BM_Label5000)->ArgName("box_centre")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Plot910ToPdf(benchmark::State& state) {
    Scene& s = scene();
    host::HostDocument& doc = s.fresh(2000);
    std::string frame = s.filled_frame(kX * 1000.0, 2540600);
    host::Point lo, hi;
    s.host.application()->ActiveDocument()->HandleToObject(frame)->GetBoundingBox(lo, hi);
    render::PlotRequest request{drawing::Box2{lo.x, lo.y, hi.x, hi.y}, 2000, std::nullopt, s.tiles.string()};
    fs::path pdf = s.work / "frame910.pdf";
    double cpu = 0;
    for (auto _ : state) {
        double c0 = cpu_seconds();
        render::PlotResult r = render::plot_to_pdf(pdf.string(), doc, s.host, request);
        cpu += cpu_seconds() - c0;
        if (!r.ok()) state.SkipWithError(r.error.c_str());
    }
    state.counters["cpu_s"] = cpu / double(state.iterations());
    state.counters["pdf_mb"] = double(fs::file_size(pdf)) / 1e6;
}
BENCHMARK(BM_Plot910ToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
