#pragma once
// Shared by the hatch, image and block tests: a scratch folder, running the ezdxf
// checker scripts with the system Python, corpus paths and tiny image files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace korvane::drawing_test {

class Scratch {
public:
    Scratch() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("korvane-hib-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct RunResult {
    int status = -1;
    std::string output;
};

inline std::string shell_quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

// Runs one of the checker scripts next to these tests with the system Python (the one
// that has ezdxf); stdout and stderr together.
inline RunResult run_script(const std::string& script, const std::vector<std::string>& args) {
    std::string cmd = "/usr/bin/python3 " + shell_quote(std::string(KORVANE_SOURCE_DIR) + "/tests/drawing/" + script);
    for (const std::string& a : args) cmd += " " + shell_quote(a);
    cmd += " 2>&1";
    RunResult r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
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
