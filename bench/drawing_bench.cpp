// Load and save speed of the drawing engine on generated parcel drawings.
//   korvane-bench [--benchmark_filter=...]
// The drawings (5,000 and 50,000 attributed parcels) are generated once per run
// into a temporary folder, which is removed at exit. The county (500,000 parcels, about
// 250 MB) runs only when the filter names it (--benchmark_filter=/500000) and is generated once
// into a cache folder kept between runs: $KORVANE_BENCH_CACHE, else ~/.cache/korvane-bench.
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
        fs::path folder = n >= kCounty ? cache_folder() : dir;
        std::string path = (folder / ("parcels-" + std::to_string(n) + ".dxf")).string();
        if (!fs::exists(path)) {
            std::string text = samples::make_parcels(size_t(n)).to_dxf();
            std::string part = path + ".part";
            std::ofstream(part, std::ios::binary).write(text.data(), std::streamsize(text.size()));
            fs::rename(part, path);
        }
        return files[n] = path;
    }
    static constexpr int64_t kCounty = 500000;
    static fs::path cache_folder() {
        const char* env = std::getenv("KORVANE_BENCH_CACHE");
        const char* home = std::getenv("HOME");
        fs::path folder = env && *env ? fs::path(env) : fs::path(home ? home : ".") / ".cache" / "korvane-bench";
        fs::create_directories(folder);
        return folder;
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
// Load and save, as korvane-cli convert does.
void BM_LoadAndSave(benchmark::State& state) {
    const std::string& path = workspace().drawing(state.range(0));
    std::string out = (workspace().dir / "converted.dxf").string();
    for (auto _ : state) {
        drawing::Document doc = drawing::Document::load(path);
        doc.save(out);
    }
    set_rate(state, path);
}

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
BENCHMARK(BM_LoadAndSave)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAllRecords)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generate)->Arg(5000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    bool county = false;
    for (int i = 1; i < argc; ++i) county = county || std::string(argv[i]).find("500000") != std::string::npos;
    if (county) {
        benchmark::RegisterBenchmark("BM_Load", BM_Load)->Arg(Workspace::kCounty)->Unit(benchmark::kMillisecond)->Iterations(2);
        benchmark::RegisterBenchmark("BM_LoadAndSave", BM_LoadAndSave)->Arg(Workspace::kCounty)->Unit(benchmark::kMillisecond)->Iterations(2);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
