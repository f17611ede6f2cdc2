// korvane-io-probe: loads and saves one drawing and reports the times and the
// process's peak memory, one "name value" pair per line, for bench/compare.py.
//   korvane-io-probe IN.dxf OUT.dxf [--repeat R]
// Times (wall and processor) are the best of R rounds; the save includes the
// flush to disk. peak_rss_kb is the most the process held while loading and
// saving; to_dxf (the whole text in memory) is timed afterwards.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>

#include "drawing/document.h"

using namespace korvane;

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Processor time of the process (user + system): less disturbed than wall time
// when other work shares the machine.
double cpu_now() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

long peak_rss_kb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: korvane-io-probe IN.dxf OUT.dxf [--repeat R]\n";
        return 2;
    }
    std::string in = argv[1], out = argv[2];
    int repeat = 1;
    if (argc == 5 && std::string(argv[3]) == "--repeat") {
        std::string r = argv[4];
        std::from_chars(r.data(), r.data() + r.size(), repeat);
        repeat = std::max(1, repeat);
    }
    double best_load = 1e30, best_serialize = 1e30, best_save = 1e30;
    double cpu_load = 1e30, cpu_save = 1e30;
    size_t records = 0, entities = 0;
    long peak_after_load = 0, peak_after_save = 0;
    long rss_before = peak_rss_kb();
    try {
        for (int round = 0; round < repeat; ++round) {
            auto t0 = std::chrono::steady_clock::now();
            double c0 = cpu_now();
            drawing::Document doc = drawing::Document::load(in);
            cpu_load = std::min(cpu_load, cpu_now() - c0);
            best_load = std::min(best_load, seconds_since(t0));
            records = doc.record_count();
            entities = doc.modelspace().size();
            if (round == 0) peak_after_load = peak_rss_kb();

            t0 = std::chrono::steady_clock::now();
            c0 = cpu_now();
            doc.save(out);
            cpu_save = std::min(cpu_save, cpu_now() - c0);
            best_save = std::min(best_save, seconds_since(t0));
            if (round == 0) peak_after_save = peak_rss_kb();

            // The text alone, in memory (after the peak of load and save was taken:
            // this holds a second copy of the drawing).
            t0 = std::chrono::steady_clock::now();
            std::string text = doc.to_dxf();
            best_serialize = std::min(best_serialize, seconds_since(t0));
        }
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 1;
    }
    std::error_code ec;
    std::filesystem::remove(out + ".bak", ec);
    std::cout << "file_bytes " << std::filesystem::file_size(in) << "\n"
              << "records " << records << "\n"
              << "entities " << entities << "\n"
              << "load_s " << best_load << "\n"
              << "to_dxf_s " << best_serialize << "\n"
              << "save_s " << best_save << "\n"
              << "load_cpu_s " << cpu_load << "\n"
              << "save_cpu_s " << cpu_save << "\n"
              << "peak_rss_kb " << peak_after_save << "\n"
              << "peak_after_load_kb " << peak_after_load << "\n"
              << "peak_with_to_dxf_kb " << peak_rss_kb() << "\n"
              << "start_rss_kb " << rss_before << "\n";
    return 0;
}
