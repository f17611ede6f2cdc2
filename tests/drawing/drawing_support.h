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

// An R2010 drawing with every part a real one has: header, classes, tables, blocks with an
// attribute definition, model space with an LWPOLYLINE carrying extended data, a 2D POLYLINE
// with VERTEX/SEQEND, an INSERT with an ATTRIB, TEXT, MTEXT, LINE, and objects (dictionaries,
// layouts, an XRECORD). It is sound: it loads without a warning.
inline Groups r2010_groups() {
    return {
        {0, "SECTION"}, {2, "HEADER"},
        {9, "$ACADVER"}, {1, "AC1024"},
        {9, "$DWGCODEPAGE"}, {3, "ANSI_936"},
        {9, "$INSBASE"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"},
        {9, "$HANDSEED"}, {5, "100"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "CLASSES"},
        {0, "CLASS"}, {1, "KORVANE_THING"}, {2, "KvThing"}, {3, "KorvaneTest"}, {90, "0"}, {91, "0"}, {280, "0"}, {281, "0"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "TABLES"},
        {0, "TABLE"}, {2, "LTYPE"}, {5, "5"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "1"},
        {0, "LTYPE"}, {5, "14"}, {330, "5"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbLinetypeTableRecord"},
        {2, "Continuous"}, {70, "0"}, {3, "Solid line"}, {72, "65"}, {73, "0"}, {40, "0.0"},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "LAYER"}, {5, "2"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "2"},
        {0, "LAYER"}, {5, "10"}, {330, "2"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbLayerTableRecord"},
        {2, "0"}, {70, "0"}, {62, "7"}, {6, "Continuous"},
        {0, "LAYER"}, {5, "11"}, {330, "2"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbLayerTableRecord"},
        {2, "独有宗地"}, {70, "0"}, {62, "3"}, {6, "Continuous"},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "STYLE"}, {5, "3"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "1"},
        {0, "STYLE"}, {5, "15"}, {330, "3"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbTextStyleTableRecord"},
        {2, "Standard"}, {70, "0"}, {40, "0.0"}, {41, "1.0"}, {50, "0.0"}, {71, "0"}, {42, "2.5"}, {3, "txt"}, {4, ""},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "APPID"}, {5, "9"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "2"},
        {0, "APPID"}, {5, "12"}, {330, "9"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbRegAppTableRecord"},
        {2, "ACAD"}, {70, "0"},
        {0, "APPID"}, {5, "13"}, {330, "9"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbRegAppTableRecord"},
        {2, "South"}, {70, "0"},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "BLOCK_RECORD"}, {5, "1"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "3"},
        {0, "BLOCK_RECORD"}, {5, "1F"}, {330, "1"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
        {2, "*Model_Space"}, {340, "22"}, {70, "0"}, {280, "1"}, {281, "0"},
        {0, "BLOCK_RECORD"}, {5, "1E"}, {330, "1"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
        {2, "*Paper_Space"}, {340, "26"}, {70, "0"}, {280, "1"}, {281, "0"},
        {0, "BLOCK_RECORD"}, {5, "30"}, {330, "1"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
        {2, "宗地号"}, {340, "0"}, {70, "0"}, {280, "1"}, {281, "0"},
        {0, "ENDTAB"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "BLOCKS"},
        {0, "BLOCK"}, {5, "20"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockBegin"},
        {2, "*Model_Space"}, {70, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, "*Model_Space"}, {1, ""},
        {0, "ENDBLK"}, {5, "21"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"},
        {0, "BLOCK"}, {5, "1A"}, {330, "1E"}, {100, "AcDbEntity"}, {67, "1"}, {8, "0"}, {100, "AcDbBlockBegin"},
        {2, "*Paper_Space"}, {70, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, "*Paper_Space"}, {1, ""},
        {0, "ENDBLK"}, {5, "1B"}, {330, "1E"}, {100, "AcDbEntity"}, {67, "1"}, {8, "0"}, {100, "AcDbBlockEnd"},
        {0, "BLOCK"}, {5, "31"}, {330, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockBegin"},
        {2, "宗地号"}, {70, "2"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, "宗地号"}, {1, ""},
        {0, "CIRCLE"}, {5, "32"}, {330, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbCircle"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {40, "1.0"},
        {0, "ATTDEF"}, {5, "33"}, {330, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbText"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {40, "1.0"}, {1, ""}, {100, "AcDbAttributeDefinition"},
        {3, "权利人"}, {2, "QLR"}, {70, "0"},
        {0, "ENDBLK"}, {5, "34"}, {330, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "ENTITIES"},
        {0, "LWPOLYLINE"}, {5, "40"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "独有宗地"}, {100, "AcDbPolyline"},
        {90, "4"}, {70, "1"}, {43, "0.0"},
        {10, "548000.0"}, {20, "2543000.0"}, {10, "548020.0"}, {20, "2543000.0"}, {42, "0.5"},
        {10, "548020.0"}, {20, "2543020.0"}, {10, "548000.0"}, {20, "2543020.0"},
        {1001, "South"}, {1000, "JC0001"}, {1000, "张三"}, {1070, "3"}, {1040, "1234.5"},
        {1002, "{"}, {1000, "北：李四"}, {1002, "}"},
        {1001, "ACAD"}, {1000, "kept"}, {1010, "1.0"}, {1020, "2.0"}, {1030, "3.0"},
        {0, "POLYLINE"}, {5, "41"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {62, "5"}, {100, "AcDb2dPolyline"},
        {66, "1"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {70, "0"},
        {0, "VERTEX"}, {5, "42"}, {330, "41"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbVertex"}, {100, "AcDb2dVertex"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {42, "0.25"},
        {0, "VERTEX"}, {5, "43"}, {330, "41"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbVertex"}, {100, "AcDb2dVertex"},
        {10, "10.0"}, {20, "0.0"}, {30, "0.0"},
        {0, "VERTEX"}, {5, "44"}, {330, "41"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbVertex"}, {100, "AcDb2dVertex"},
        {10, "10.0"}, {20, "5.0"}, {30, "0.0"},
        {0, "SEQEND"}, {5, "45"}, {330, "41"}, {100, "AcDbEntity"}, {8, "0"},
        {0, "INSERT"}, {5, "46"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockReference"},
        {66, "1"}, {2, "宗地号"}, {10, "548010.0"}, {20, "2543010.0"}, {30, "0.0"},
        {0, "ATTRIB"}, {5, "47"}, {330, "46"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbText"},
        {10, "548010.0"}, {20, "2543010.0"}, {30, "0.0"}, {40, "1.0"}, {1, "李四"}, {100, "AcDbAttribute"},
        {2, "QLR"}, {70, "0"},
        {0, "SEQEND"}, {5, "48"}, {330, "46"}, {100, "AcDbEntity"}, {8, "0"},
        {0, "TEXT"}, {5, "49"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "独有宗地"}, {100, "AcDbText"},
        {10, "548005.0"}, {20, "2543005.0"}, {30, "0.0"}, {40, "2.5"}, {1, "宗地 JC0001"}, {7, "Standard"},
        {72, "1"}, {11, "548005.0"}, {21, "2543005.0"}, {31, "0.0"}, {100, "AcDbText"}, {73, "2"},
        {0, "MTEXT"}, {5, "4A"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbMText"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {40, "2.5"}, {41, "0.0"}, {71, "1"}, {3, "第一段，"}, {1, "第二段"},
        {7, "Standard"},
        {0, "LINE"}, {5, "4B"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbLine"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {11, "100.0"}, {21, "100.0"}, {31, "0.0"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "OBJECTS"},
        {0, "DICTIONARY"}, {5, "C"}, {330, "0"}, {100, "AcDbDictionary"}, {281, "1"},
        {3, "ACAD_GROUP"}, {350, "D"}, {3, "ACAD_LAYOUT"}, {350, "E"}, {3, "KORVANE_DATA"}, {350, "50"},
        {0, "DICTIONARY"}, {5, "D"}, {330, "C"}, {100, "AcDbDictionary"}, {281, "1"},
        {0, "DICTIONARY"}, {5, "E"}, {330, "C"}, {100, "AcDbDictionary"}, {281, "1"},
        {3, "Model"}, {350, "22"}, {3, "Layout1"}, {350, "26"},
        {0, "LAYOUT"}, {5, "22"}, {330, "E"}, {100, "AcDbPlotSettings"}, {1, ""}, {70, "1024"},
        {100, "AcDbLayout"}, {1, "Model"}, {70, "1"}, {71, "0"}, {330, "1F"},
        {0, "LAYOUT"}, {5, "26"}, {330, "E"}, {100, "AcDbPlotSettings"}, {1, ""}, {70, "0"},
        {100, "AcDbLayout"}, {1, "Layout1"}, {70, "1"}, {71, "1"}, {330, "1E"},
        {0, "XRECORD"}, {5, "50"}, {330, "C"}, {100, "AcDbXrecord"}, {280, "1"}, {1, "中文 记录"}, {40, "3.5"}, {90, "42"},
        {0, "ENDSEC"},
        {0, "EOF"},
    };
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

// The "name=handle" lines a maker prints, by name.
inline std::map<std::string, std::string> handles_of(const std::string& output) {
    std::map<std::string, std::string> out;
    for (const std::string& line : lines_with(output, ""))
        if (size_t eq = line.find('='); eq != std::string::npos && line.find(' ') == std::string::npos)
            out[line.substr(0, eq)] = line.substr(eq + 1);
    return out;
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
