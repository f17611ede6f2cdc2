#pragma once
// Support for the engine's tests: small drawings written out group by group as a CAD program
// writes them (a complete R2010 drawing, and a builder for geometry tests), the independent
// reader (ezdxf_probe.py under Debian's python3, which has ezdxf) and what it prints, corpus
// paths, tiny image headers, and reading and writing test files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../common/shell.h"
#include "../common/temp_dir.h"
#include "drawing/document.h"
#include "drawing/geometry.h"

namespace korvane::drawing::testing {

using korvane::test::TempDir;

// ------------------------------------------------------------------ drawings as DXF text

using Groups = std::vector<std::pair<int, std::string>>;

// DXF text of the groups: codes right-aligned in three columns, values as given.
inline std::string dxf_text(const Groups& groups, const std::string& eol = "\n") {
    std::string out;
    for (const auto& [code, value] : groups) {
        std::string c = std::to_string(code);
        if (c.size() < 3) c.insert(0, 3 - c.size(), ' ');
        out += c + eol + value + eol;
    }
    return out;
}

// An R2010 drawing with every part a real one has (r2010.dxf): header, classes, tables, blocks
// with an attribute definition, model space with an LWPOLYLINE carrying extended data, a 2D
// POLYLINE with VERTEX/SEQEND, an INSERT with an ATTRIB, TEXT, MTEXT, LINE, and objects
// (dictionaries, layouts, an XRECORD). It is sound: it loads without a warning. Read as groups
// so that tests can change single values.
inline Groups r2010_groups() {
    std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/tests/drawing/r2010.dxf", std::ios::binary);
    Groups groups;
    std::string code, value;
    while (std::getline(in, code) && std::getline(in, value)) groups.emplace_back(std::stoi(code), value);
    EXPECT_FALSE(groups.empty()) << "tests/drawing/r2010.dxf missing";
    return groups;
}

inline std::string r2010_text(const std::string& eol = "\n") { return dxf_text(r2010_groups(), eol); }

// The same groups with some replaced: every group of `code` whose value is `from` gets `to`.
inline Groups replaced(Groups g, int code, const std::string& from, const std::string& to) {
    for (auto& [c, v] : g)
        if (c == code && v == from) v = to;
    return g;
}

inline void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// ------------------------------------------------------------------ a builder for geometry tests

inline std::string num(double v) { return format_real(v); }

struct Props {
    std::string layer = "0";
    int color = -1;     // -1: no 62 group
    std::string xdata;  // extended-data groups, already as DXF lines
};

// Extended data of one application as DXF lines: (1001 app) then 1000 strings.
inline std::string xdata(const std::string& app, const std::vector<std::string>& strings) {
    std::string s = "1001\n" + app + "\n";
    for (const auto& v : strings) s += "1000\n" + v + "\n";
    return s;
}

class DxfBuilder {
public:
    std::string blocks;

    DxfBuilder& raw(const std::string& type, const std::string& body, const Props& p = {}) {
        char handle[16];
        std::snprintf(handle, sizeof handle, "%X", next_handle_++);
        entities_ += "0\n" + type + "\n5\n" + handle + "\n8\n" + p.layer + "\n";
        if (p.color >= 0) entities_ += "62\n" + std::to_string(p.color) + "\n";
        entities_ += body + p.xdata;
        return *this;
    }
    DxfBuilder& lwpolyline(const std::vector<Point2>& pts, bool closed, const Props& p = {},
                           const std::vector<double>& bulges = {}) {
        std::string b = "100\nAcDbPolyline\n90\n" + std::to_string(pts.size()) + "\n70\n" + (closed ? "1" : "0") + "\n";
        for (size_t i = 0; i < pts.size(); ++i) {
            b += "10\n" + num(pts[i].x) + "\n20\n" + num(pts[i].y) + "\n";
            if (i < bulges.size() && bulges[i] != 0) b += "42\n" + num(bulges[i]) + "\n";
        }
        return raw("LWPOLYLINE", b, p);
    }
    DxfBuilder& line(Point2 a, Point2 c, const Props& p = {}) { return raw("LINE", at(10, a) + at(11, c), p); }
    DxfBuilder& point(Point2 a, const Props& p = {}) { return raw("POINT", at(10, a), p); }
    DxfBuilder& circle(Point2 c, double r, const Props& p = {}, const std::string& extra = "") {
        return raw("CIRCLE", at(10, c) + "40\n" + num(r) + "\n" + extra, p);
    }
    DxfBuilder& arc(Point2 c, double r, double a0, double a1, const Props& p = {}) {
        return raw("ARC", at(10, c) + "40\n" + num(r) + "\n50\n" + num(a0) + "\n51\n" + num(a1) + "\n", p);
    }
    DxfBuilder& text(Point2 a, const std::string& s, const Props& p = {}) {
        return raw("TEXT", at(10, a) + "40\n2.5\n1\n" + s + "\n", p);
    }
    // A square parcel with its closing vertex repeated, as surveying programs often write them.
    DxfBuilder& square(double x0, double y0, double x1, double y1, const Props& p = {}) {
        return lwpolyline({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}, true, p);
    }

    std::string text() const {
        std::string s = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1024\n9\n$HANDSEED\n5\nFFFFF\n0\nENDSEC\n";
        if (!blocks.empty()) s += "0\nSECTION\n2\nBLOCKS\n" + blocks + "0\nENDSEC\n";
        s += "0\nSECTION\n2\nENTITIES\n" + entities_ + "0\nENDSEC\n0\nEOF\n";
        return s;
    }
    Document doc() const { return Document::parse(text(), "test drawing"); }

private:
    // A point's groups: x, y and a zero z under `code`, `code` + 10 and `code` + 20.
    static std::string at(int code, Point2 p) {
        return std::to_string(code) + "\n" + num(p.x) + "\n" + std::to_string(code + 10) + "\n" + num(p.y) + "\n" +
               std::to_string(code + 20) + "\n0\n";
    }
    std::string entities_;
    unsigned next_handle_ = 0x100;
};

// Far from the origin, as real projected coordinates are (x about 39,500,000).
inline constexpr double kX0 = 39500000.0;
inline constexpr double kY0 = 2543000.0;

// Left edge of column i of a grid of parcels `w` wide, computed one way ...
inline double grid_x(int i, double w) { return kX0 + 0.317 + i * w; }
// ... and the same edge computed the way the neighbour on its left gets its right edge.
inline double grid_x_from_left(int i, double w) { return (kX0 + 0.317 + (i - 1) * w) + w; }
inline double grid_y(int j, double h) { return kY0 + 0.291 + j * h; }
inline double grid_y_from_below(int j, double h) { return (kY0 + 0.291 + (j - 1) * h) + h; }

// Parcel (i, j) of a grid: its left and bottom edges computed one way, its right and top
// edges the other way, so that neighbours' shared edges can differ in the last bit.
inline std::vector<Point2> grid_parcel(int i, int j, double w, double h) {
    double x0 = grid_x(i, w), x1 = grid_x_from_left(i + 1, w);
    double y0 = grid_y(j, h), y1 = grid_y_from_below(j + 1, h);
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

// ------------------------------------------------------------------ the independent reader

struct RunResult {
    int status = -1;
    std::string output;
};

// Runs ezdxf_probe.py, the independent reader and writer, with the system Python (the one that
// has ezdxf); standard output and error together.
inline RunResult ezdxf(const std::vector<std::string>& args) {
    RunResult r;
    r.output = korvane::test::run(korvane::test::python_command("tests/drawing/ezdxf_probe.py", args), &r.status);
    return r;
}

inline bool has_ezdxf() {
    static int known = -1;
    if (known < 0) known = std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0 ? 1 : 0;
    return known == 1;
}

// The small drawing ezdxf wrote (tools/fixtures/make_engine_drawings.py, `make`): "r12", "r2000",
// "r2004" in GBK, "r2000_1252", "r2018_1252". Handles after R12: square 31, bulged 32, open 33,
// ring 34, line 3A, text 3B, circle 3C.
inline std::string small_drawing(const std::string& name) {
    return std::string(KORVANE_SOURCE_DIR) + "/tests/drawing/small_" + name + ".dxf";
}

inline std::string corpus(const std::string& rel) { return std::string(KORVANE_CORPUS_DIR) + "/" + rel; }

#define KORVANE_NEED_EZDXF()                                                                \
    do {                                                                                    \
        if (!::korvane::drawing::testing::has_ezdxf()) GTEST_SKIP() << "python3-ezdxf missing"; \
    } while (0)
#define KORVANE_NEED_CORPUS()                                                                          \
    do {                                                                                               \
        if (!std::filesystem::exists(KORVANE_CORPUS_DIR)) GTEST_SKIP() << "../shared/dxf-corpus missing"; \
    } while (0)

inline std::string be32(uint32_t v) {
    return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

// The first bytes of a PNG file: signature and IHDR (enough for the pixel size; the CRC is not read).
inline std::string png_header(uint32_t w, uint32_t h) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(w) + be32(h) +
           std::string("\x08\x02\x00\x00\x00", 5) + be32(0);
}

// The lines of the reader's output that start with `prefix`.
inline std::vector<std::string> lines_with(const std::string& output, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

// "key=value" of a facts line ("geom" runs to the end of the line); "?" when missing.
inline std::string field(const std::string& facts, const std::string& key) {
    const std::string padded = " " + facts;
    size_t at = padded.find(" " + key + "=");
    if (at == std::string::npos) return "?";
    at += key.size() + 2;
    size_t end = key == "geom" ? std::string::npos : padded.find(' ', at);
    return padded.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The lines that start with `prefix`, by the word after it (a handle): the rest of the line.
inline std::map<std::string, std::string> facts_by_prefix(const std::string& output, const std::string& prefix) {
    std::map<std::string, std::string> out;
    for (const std::string& line : lines_with(output, prefix)) {
        std::string rest = line.substr(prefix.size());
        size_t sp = rest.find(' ');
        out[rest.substr(0, sp)] = sp == std::string::npos ? "" : rest.substr(sp + 1);
    }
    return out;
}

// What `ezdxf_probe.py KIND FILE` prints (KIND: blocks, images, hatches, order) after an audit
// that must find nothing. In an R12 drawing ezdxf's audit deletes the SEQEND of every POLYLINE
// inside a block for an owner it does not give them itself (its own R12 drawings get the same):
// those lines alone are let pass.
inline std::string facts(const std::string& kind, const std::string& file) {
    RunResult r = ezdxf({kind, file});
    EXPECT_EQ(r.status, 0) << r.output;
    bool r12 = r.output.find("version=AC1009") != std::string::npos;
    bool clean = r.output.find(r12 ? "audit errors=0 " : "audit errors=0 fixes=0\n") != std::string::npos;
    for (const std::string& l : lines_with(r.output, "audit: "))
        clean = clean && r12 && l.find("SEQEND") != std::string::npos && l.find("invalid owner handle #None") != std::string::npos;
    EXPECT_TRUE(clean) << r.output;
    return r.output;
}

inline void expect_near(const Point3& p, double x, double y, double tol = 1e-9) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
}

}  // namespace korvane::drawing::testing
