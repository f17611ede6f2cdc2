// The scenario language on arbitrary text, run against the embedded host and the forms.
//
// Every file a scenario names stays inside the process's scratch folder: an input naming a
// path with a folder separator is skipped. The files of the folders named by
// KORVANE_FUZZ_DRAWINGS and KORVANE_FUZZ_DATA (lists separated by ":") are copied into the
// scratch folder and its data folder before each run.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "app/scenario.h"
#include "fuzz/scratch.h"

namespace fs = std::filesystem;

namespace {

// Copies the files of each folder in a ':'-separated list.
void copy_files(const char* folders, const fs::path& to) {
    if (!folders) return;
    std::error_code ec;
    fs::create_directories(to, ec);
    std::stringstream list(folders);
    std::string from;
    while (std::getline(list, from, ':')) {
        if (from.empty()) continue;
        for (const auto& e : fs::directory_iterator(from, ec))
            if (e.is_regular_file() && e.path().extension() != ".py")
                fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing, ec);
    }
}

// Each run starts from the same files, so that a finding runs again as it was found.
void reset(const fs::path& dir) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
    copy_files(std::getenv("KORVANE_FUZZ_DRAWINGS"), dir);
    copy_files(std::getenv("KORVANE_FUZZ_DATA"), dir / "data");
    fs::create_directories(dir / "out", ec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (::chdir(korvane::fuzz::scratch().dir().c_str()) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.find_first_of("/\\") != std::string_view::npos) return 0;
    const auto& scratch = korvane::fuzz::scratch();
    reset(scratch.dir());
    const auto file = scratch.put("fuzz.scn", data, size);
    korvane::app::ScenarioOptions options;
    options.data_dir = (scratch.dir() / "data").string();
    options.output_dir = (scratch.dir() / "out").string();
    std::ostringstream out, err;
    korvane::app::run_scenario(file.string(), options, out, err);
    return 0;
}
