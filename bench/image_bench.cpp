// Image tiles under 50,000 parcels, as the drawing window shows them (1600 x 900, offscreen):
//   - inserting 100 tiles of 4000 x 4000 by range (the pixel size from each file's header);
//   - opening the saved drawing until every tile shows, with no previews on disk (cold) and
//     again with them (warm): the frames are drawn as the canvas draws them while the workers
//     decode, 100 ms after the first of a burst of arrivals; the counter sharp_s is when no tile is coarser than the view needs;
//   - a redraw of that full view once everything is decoded;
//   - a redraw zoomed to one tile at full resolution, once decoded;
//   - the process's resident memory (rss_mb, peak_mb).
// The tiles are JPEG with grain like a photograph's (about 6 MB each), made once into
// KORVANE_BENCH_TILES (default: bench-tiles in the working folder) and kept for later runs;
// KORVANE_BENCH_TILE_SIZE makes smaller ones for a quick try.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <sys/resource.h>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "drawing/document.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "mapping/image_insert.h"
#include "panel/workspace.h"
#include "render/image_cache.h"
#include "render/render.h"
#include "sample_gen.h"
#include "tile_gen.h"

using namespace korvane;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kW = 1600, kH = 900;
constexpr long long kX0 = 39495, kY0 = 2538;  // 10 x 10 sheets around the parcels
constexpr int kSheets = 10;

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Processor seconds this process has used, in all its threads: the figure a shared machine
// leaves alone (on two idle cores the wall time is at least half of it).
double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// VmRSS or VmHWM of this process in megabytes.
double memory_mb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::string(field).size() + 1) / 1024.0;
    return 0;
}

void report_memory(benchmark::State& state) {
    state.counters["rss_mb"] = memory_mb("VmRSS");
    state.counters["peak_mb"] = memory_mb("VmHWM");
}

struct Scene {
    fs::path tiles;
    fs::path drawing;   // the parcels with the 100 tiles, saved
    fs::path previews;  // the disk previews of the warm runs
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};

    Scene() {
        const char* dir = std::getenv("KORVANE_BENCH_TILES");
        tiles = fs::absolute(dir ? dir : "bench-tiles");
        const char* size = std::getenv("KORVANE_BENCH_TILE_SIZE");
        samples::TileLook look{size ? std::atoi(size) : 4000, true};
        tiles /= std::to_string(look.size);
        size_t have = 0;
        if (fs::exists(tiles))
            for (const auto& f : fs::directory_iterator(tiles)) have += f.path().extension() == ".jpg";
        if (have < size_t(kSheets * kSheets)) {
            std::fprintf(stderr, "making %d tiles of %d pixels in %s ...\n", kSheets * kSheets, look.size,
                         tiles.string().c_str());
            samples::write_tiles(tiles.string(), kX0, kY0, kSheets, kSheets, look);
        }
        drawing = tiles.parent_path() / ("parcels-with-tiles-" + std::to_string(look.size) + ".dxf");
        previews = tiles.parent_path() / ("previews-" + std::to_string(look.size));
        host.set_screen_size(kW, kH);
    }

    // The parcels as a fresh drawing in the host.
    host::HostDocument& fresh_parcels() {
        while (host.document_count() > 0) host.close(0);
        return host.add(samples::make_parcels(samples::kDefaultParcels));
    }

    // Inserts the 100 tiles by range, as the menu entry does.
    void insert_tiles() {
        common::MemorySettings settings;
        common::RecordingUi ui(settings, common::Paths{});
        panel::Workspace ws(host, ui);
        input.push(host::InputAnswer::at({kX0 * 1000.0 + 10, kY0 * 1000.0 + 10, 0}));
        input.push(host::InputAnswer::at({(kX0 + kSheets) * 1000.0 - 10, (kY0 + kSheets) * 1000.0 - 10, 0}));
        mapping::insert_tiles_in_range(ws.session(), mapping::TileSource{tiles.string(), ".jpg"});
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

render::RenderStats draw(render::DrawingRenderer& renderer, host::HostDocument& doc, const host::EmbeddedHost& host) {
    static QImage image(kW, kH, QImage::Format_RGB32);
    QPainter p(&image);
    return renderer.render(p, doc, host, QSize(kW, kH));
}

void BM_InsertTilesByRange(benchmark::State& state) {
    Scene& s = scene();
    size_t images = 0;
    for (auto _ : state) {
        state.PauseTiming();
        host::HostDocument& doc = s.fresh_parcels();
        state.ResumeTiming();
        s.insert_tiles();
        state.PauseTiming();
        images = doc.doc().modelspace().size() - samples::kDefaultParcels;
        if (!fs::exists(s.drawing)) doc.save(s.drawing.string());
        state.ResumeTiming();
    }
    state.counters["images"] = double(images);
}
BENCHMARK(BM_InsertTilesByRange)->Unit(benchmark::kMillisecond)->Iterations(3);

// Opens the drawing and draws its full view as the canvas does until every tile shows. Returns the
// seconds until then; `sharp` gets the seconds until no tile is coarser than the view needs.
double open_until_shown(render::ImageCache& cache, double& load, double& sharp, double* cpu = nullptr) {
    Scene& s = scene();
    double cpu_start = cpu_seconds();
    while (s.host.document_count() > 0) s.host.close(0);
    Clock::time_point start = Clock::now();
    host::HostDocument& doc = s.host.open(s.drawing.string());
    doc.zoom_extents(kW, kH);
    load = seconds_since(start);
    render::DrawingRenderer renderer(&cache);
    std::atomic<bool> arrived = false;
    cache.set_on_ready([&arrived] { arrived = true; });
    double shown = -1;
    while (true) {
        arrived = false;
        render::RenderStats st = draw(renderer, doc, s.host);
        if (shown < 0 && st.images == size_t(kSheets * kSheets) && st.images_waiting == 0) shown = seconds_since(start);
        if (st.images == size_t(kSheets * kSheets) && st.images_waiting + st.images_coarse == 0) break;
        if (seconds_since(start) > 60) break;
        // As the canvas does: the next frame a while after the first arrival.
        while (!arrived && cache.pending() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(render::ImageCache::kGatherMs));
    }
    cache.set_on_ready({});
    sharp = seconds_since(start);
    if (cpu) *cpu = cpu_seconds() - cpu_start;
    return shown;
}

void BM_OpenUntilEveryTileShows(benchmark::State& state) {
    Scene& s = scene();
    if (!fs::exists(s.drawing)) {
        s.fresh_parcels();
        s.insert_tiles();
        s.host.active()->save(s.drawing.string());
    }
    const bool warm = state.range(0) == 1;
    if (warm) {
        // A first opening leaves the previews on disk.
        render::ImageCache first(render::ImageCacheOptions{.preview_dir = s.previews});
        double load, sharp;
        open_until_shown(first, load, sharp);
        first.wait_idle();
    }
    double load = 0, sharp = 0, cpu = 0;
    for (auto _ : state) {
        render::ImageCache cache(render::ImageCacheOptions{.preview_dir = warm ? s.previews : fs::path()});
        state.SetIterationTime(open_until_shown(cache, load, sharp, &cpu));
    }
    state.counters["load_s"] = load;
    state.counters["sharp_s"] = sharp;
    state.counters["cpu_s"] = cpu;
    report_memory(state);
}
BENCHMARK(BM_OpenUntilEveryTileShows)
    ->ArgName("previews")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void BM_RedrawDecodedView(benchmark::State& state) {
    // 0: the full view; 1: zoomed to one tile, one pixel of the file a pixel of the screen.
    Scene& s = scene();
    render::ImageCache cache(render::ImageCacheOptions{});
    double load, sharp;
    open_until_shown(cache, load, sharp);
    host::HostDocument& doc = *s.host.active();
    if (state.range(0) == 1) {
        doc.view().center = {(kX0 + 4.5) * 1000.0, (kY0 + 4.5) * 1000.0, 0};
        doc.view().height = kH * 1000.0 / 4000.0;
    }
    render::DrawingRenderer renderer(&cache);
    render::RenderStats st = draw(renderer, doc, s.host);
    cache.wait_idle();
    st = draw(renderer, doc, s.host);
    for (auto _ : state) st = draw(renderer, doc, s.host);
    state.counters["images"] = double(st.images);
    state.counters["coarse"] = double(st.images_coarse + st.images_waiting);
    state.counters["cache_mb"] = double(cache.memory_used()) / (1 << 20);
    report_memory(state);
}
BENCHMARK(BM_RedrawDecodedView)->ArgName("one_tile")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
