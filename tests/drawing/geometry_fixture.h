#pragma once
// Small drawings for the geometry, selection and boundary tests, written as DXF text so that
// they read exactly as a file from disk would.
#include <cstdio>
#include <string>
#include <vector>

#include "drawing/document.h"
#include "drawing/geometry.h"

namespace korvane::drawing::testing {

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
    DxfBuilder& line(Point2 a, Point2 c, const Props& p = {}) {
        return raw("LINE", "10\n" + num(a.x) + "\n20\n" + num(a.y) + "\n30\n0\n11\n" + num(c.x) + "\n21\n" + num(c.y) +
                               "\n31\n0\n",
                   p);
    }
    DxfBuilder& point(Point2 a, const Props& p = {}) {
        return raw("POINT", "10\n" + num(a.x) + "\n20\n" + num(a.y) + "\n30\n0\n", p);
    }
    DxfBuilder& circle(Point2 c, double r, const Props& p = {}, const std::string& extra = "") {
        return raw("CIRCLE", "10\n" + num(c.x) + "\n20\n" + num(c.y) + "\n30\n0\n40\n" + num(r) + "\n" + extra, p);
    }
    DxfBuilder& arc(Point2 c, double r, double a0, double a1, const Props& p = {}) {
        return raw("ARC", "10\n" + num(c.x) + "\n20\n" + num(c.y) + "\n30\n0\n40\n" + num(r) + "\n50\n" + num(a0) +
                              "\n51\n" + num(a1) + "\n",
                   p);
    }
    DxfBuilder& text(Point2 a, const std::string& s, const Props& p = {}) {
        return raw("TEXT", "10\n" + num(a.x) + "\n20\n" + num(a.y) + "\n30\n0\n40\n2.5\n1\n" + s + "\n", p);
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

}  // namespace korvane::drawing::testing
