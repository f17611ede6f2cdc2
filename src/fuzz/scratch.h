#pragma once
// A folder of the fuzzing process's own, for targets whose readers take a file name.
// Removed when the process ends normally; a crashed run leaves it for inspection.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace korvane::fuzz {

class Scratch {
public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvane-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir_ = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& dir() const { return dir_; }

    // Writes the bytes to NAME in the folder and returns its path.
    std::filesystem::path put(std::string_view name, const uint8_t* data, size_t size) const {
        std::filesystem::path p = dir_ / name;
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        return p;
    }

private:
    std::filesystem::path dir_;
};

inline const Scratch& scratch() {
    static Scratch s;
    return s;
}

}  // namespace korvane::fuzz
