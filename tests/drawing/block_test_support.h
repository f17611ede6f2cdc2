#pragma once
// Shared by the hatch, image and block tests: a scratch folder, running the ezdxf
// checker scripts with the system Python, corpus paths and tiny image files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../common/shell.h"
#include "../common/temp_dir.h"

namespace korvane::drawing_test {

// A temporary folder whose files are named as strings, as the drawing functions take them.
class Scratch : public korvane::test::TempDir {
public:
    std::string operator/(const std::string& name) const { return (path() / name).string(); }
};

struct RunResult {
    int status = -1;
    std::string output;
};

// Runs one of the checker scripts next to these tests with the system Python (the one
// that has ezdxf); stdout and stderr together.
inline RunResult run_script(const std::string& script, const std::vector<std::string>& args) {
    RunResult r;
    r.output = korvane::test::run(korvane::test::python_command("tests/drawing/" + script, args), &r.status);
    return r;
}

inline bool has_ezdxf() {
    static int known = -1;
    if (known < 0) known = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0 ? 1 : 0;
    return known == 1;
}

inline std::string corpus(const std::string& rel) { return std::string(KORVANE_CORPUS_DIR) + "/" + rel; }
inline bool corpus_present() { return std::filesystem::exists(KORVANE_CORPUS_DIR); }

#define KORVANE_NEED_EZDXF()                                                                \
    do {                                                                                    \
        if (!::korvane::drawing_test::has_ezdxf()) GTEST_SKIP() << "python3-ezdxf missing"; \
    } while (0)
#define KORVANE_NEED_CORPUS()                                                                          \
    do {                                                                                               \
        if (!::korvane::drawing_test::corpus_present()) GTEST_SKIP() << "../shared/dxf-corpus missing"; \
    } while (0)

inline void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string be32(uint32_t v) {
    return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

// The first bytes of a PNG file: signature and IHDR (enough for the pixel size).
inline std::string png_header(uint32_t w, uint32_t h) {
    std::string s("\x89PNG\r\n\x1a\n", 8);
    s += be32(13) + "IHDR" + be32(w) + be32(h);
    s += std::string("\x08\x02\x00\x00\x00", 5);
    s += be32(0);  // CRC (not checked by the reader)
    return s;
}

}  // namespace korvane::drawing_test
