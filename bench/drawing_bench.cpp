// Load and save speed of the drawing engine on generated parcel drawings.
//   korvane-bench [--benchmark_filter=...]
// The drawings (5,000 and 50,000 attributed parcels) are generated once per run
// into a temporary folder, which is removed at exit.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "drawing/document.h"
#include "drawing/entity.h"
#include "sample_gen.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

struct Workspace {
    fs::path dir;
    std::map<int64_t, std::string> files;

    Workspace() {
        std::string tmpl = (fs::temp_directory_path() / "korvane-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a temporary folder");
        dir = tmpl;
    }
    ~Workspace() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    // The drawing of n parcels, written on first use.
    const std::string& drawing(int64_t n) {
        auto it = files.find(n);
        if (it != files.end()) return it->second;
        std::string path = (dir / ("parcels-" + std::to_string(n) + ".dxf")).string();
        std::string text = samples::make_parcels(size_t(n)).to_dxf();
        std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
        return files[n] = path;
    }
};

Workspace& workspace() {
    static Workspace w;
    return w;
}

void set_rate(benchmark::State& state, const std::string& path) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fs::file_size(path)));
    state.counters["parcels"] = double(state.range(0));
}

void BM_Load(benchmark::State& state) {
    const std::string& path = workspace().drawing(state.range(0));
    for (auto _ : state) {
        drawing::Document doc = drawing::Document::load(path);
        benchmark::DoNotOptimize(doc.record_count());
    }
    set_rate(state, path);
}

void BM_Parse(benchmark::State& state) {  // from memory: the reader alone, no file system
    const std::string& path = workspace().drawing(state.range(0));
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto _ : state) {
        drawing::Document doc = drawing::Document::parse(text, path);
        benchmark::DoNotOptimize(doc.record_count());
    }
    set_rate(state, path);
}

void BM_ToDxf(benchmark::State& state) {
    const std::string& path = workspace().drawing(state.range(0));
    drawing::Document doc = drawing::Document::load(path);
    for (auto _ : state) {
        std::string text = doc.to_dxf();
        benchmark::DoNotOptimize(text.data());
    }
    set_rate(state, path);
}

void BM_Save(benchmark::State& state) {  // to_dxf, write, fsync, keep .bak, rename
    const std::string& path = workspace().drawing(state.range(0));
    drawing::Document doc = drawing::Document::load(path);
    std::string out = (workspace().dir / "saved.dxf").string();
    for (auto _ : state) doc.save(out);
    set_rate(state, path);
}

// Reading every parcel's record, as the tools that scan a drawing do.
void BM_ReadAllRecords(benchmark::State& state) {
    const std::string& path = workspace().drawing(state.range(0));
    drawing::Document doc = drawing::Document::load(path);
    std::vector<drawing::RecordId> ids = doc.modelspace();
    for (auto _ : state) {
        size_t items = 0;
        for (drawing::RecordId id : ids) items += drawing::Entity(doc, id).xdata().size();
        benchmark::DoNotOptimize(items);
    }
    state.counters["parcels"] = double(state.range(0));
}

void BM_Generate(benchmark::State& state) {
    for (auto _ : state) {
        drawing::Document doc = samples::make_parcels(size_t(state.range(0)));
        benchmark::DoNotOptimize(doc.record_count());
    }
    state.counters["parcels"] = double(state.range(0));
}

}  // namespace

BENCHMARK(BM_Load)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToDxf)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAllRecords)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generate)->Arg(5000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
