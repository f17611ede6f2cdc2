// Typing in the parcel form's filter box over a code table of 5,000 organisations: every
// keystroke filters the table by name and by pinyin initials and refills the list.
//   Filter/warm        the table unchanged since the last keystroke (the usual case)
//   Filter/reread      the file changed on disk before each keystroke: read, decode, initials
//   FormKeystroke      the same through the form (SXB's filter box and list)
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "common/text_file.h"
#include "host/embedded_host.h"
#include "parcel/org_code_table.h"
#include "parcel/sxb.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

// 5,000 plausible organisations: 50 villages of 100 groups each, GBK with CR LF.
struct Table {
    fs::path dir;
    fs::path file;
    Table() {
        dir = fs::temp_directory_path() / ("korvane-parcel-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        file = dir / parcel::kCodeTableFile;
        write(0);
    }
    ~Table() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void write(int variant) const {
        static const char* const kPlaces[] = {"上围", "下围", "塘尾", "大岭", "新屋", "石桥", "禾坪", "竹园", "东坑", "西岭"};
        static const char* const kKinds[] = {"村", "乡", "镇"};
        static const char* const kGroups[] = {"村民小组", "经济合作社", "股份经济合作社", "经济联合社"};
        std::vector<std::string> lines;
        for (int v = 0; v < 50; ++v)
            for (int g = 0; g < 100; ++g) {
                std::string name = std::string(kPlaces[v % 10]) + kKinds[v / 10 % 3] + kPlaces[g % 10] +
                                   std::to_string(g / 10 + 1) + kGroups[(g + v) % 4];
                char code[16];
                std::snprintf(code, sizeof code, "440123%03d%03d", 101 + v, g + 1 + variant % 2);
                lines.push_back(name + "," + code);
            }
        common::write_lines(file, lines);
    }
};

const std::vector<std::string> kTyping = {"上", "上围", "上围村", "s", "sw", "swc", "村", "CMXZ", "all", "不存在的名称"};

void Filter_warm(benchmark::State& state) {
    Table t;
    parcel::OrgCodeTable table;
    table.load(t.file);
    table.filter("all");
    size_t i = 0, listed = 0;
    for (auto _ : state) {
        auto list = table.filter(kTyping[i++ % kTyping.size()]);
        listed += list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["lines"] = double(table.line_count());
    state.counters["listed/keystroke"] = double(listed) / double(state.iterations());
}
BENCHMARK(Filter_warm)->Unit(benchmark::kMillisecond);

void Filter_reread(benchmark::State& state) {
    Table t;
    parcel::OrgCodeTable table;
    table.load(t.file);
    size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        t.write(int(i));
        state.ResumeTiming();
        auto list = table.filter(kTyping[i++ % kTyping.size()]);
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(Filter_reread)->Unit(benchmark::kMillisecond);

void FormKeystroke(benchmark::State& state) {
    Table t;
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host(input, transcript);
    common::MemorySettings settings;
    common::RecordingUi ui(settings, common::Paths{t.dir, t.dir / "out"});
    host::Session session{host, ui, nullptr};
    parcel::SXB form(session);
    form.load();
    size_t i = 0;
    for (auto _ : state) form.set_text("Text2", kTyping[i++ % kTyping.size()]);
}
BENCHMARK(FormKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
