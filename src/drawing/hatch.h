#pragma once
// HATCH: reading boundary paths, pattern and associativity, and creating the
// user-defined pattern hatch ("_USER") the host's hatch command makes from a
// closed polyline.
//
// A user-defined hatch is written as CAD programs write it: pattern type 76 = 0,
// angle 52, spacing 41, double flag 77 and one pattern-definition line per
// direction (78 count; 53 angle, 43/44 base point, 45/46 offset, 79 = 0 dashes).
// An associative hatch carries 71 = 1 and, per loop, 97 = 1 and 330 -> the
// boundary entity, which in turn names the hatch in its {ACAD_REACTORS} group.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entity.h"

namespace korvane::drawing {

struct HatchEdge {
    enum Kind { Line = 1, Arc = 2, Ellipse = 3, Spline = 4 };
    Kind kind = Line;
    Point3 start, end;           // Line
    Point3 center;               // Arc, Ellipse
    double radius = 0;           // Arc
    Point3 major_axis;           // Ellipse: end of the major axis relative to the centre
    double ratio = 1;            // Ellipse: minor / major
    double start_angle = 0;      // degrees (Ellipse: parameter in degrees)
    double end_angle = 360;
    bool ccw = true;
    // Spline
    int degree = 3;
    bool rational = false, periodic = false;
    std::vector<double> knots;
    std::vector<Point3> control_points;
    std::vector<double> weights;
    std::vector<Point3> fit_points;
};

struct HatchLoop {
    int flags = 0;               // 92: 1 external, 2 polyline, 4 derived, 8 text box, 16 outermost
    bool is_polyline() const { return flags & 2; }
    bool closed = true;          // polyline loops (73)
    std::vector<Point3> vertices;  // polyline loops
    std::vector<double> bulges;    // polyline loops, one per vertex (0 when none)
    std::vector<HatchEdge> edges;  // edge loops
    std::vector<uint64_t> sources; // 330 handles of the boundary entities (associative hatches)
};

// One line family of a hatch pattern as stored in the hatch (already scaled and turned):
// lines at `angle` through `base`, repeated by `offset`, drawn with `dashes` (none: solid).
struct HatchPatternLine {
    double angle = 0;  // degrees
    Point3 base;       // 43/44
    Point3 offset;     // 45/46
    std::vector<double> dashes;  // 49: positive draws, negative leaves a gap, 0 a dot
};

struct HatchInfo {
    std::string pattern;         // 2
    bool solid = false;          // 70
    bool associative = false;    // 71
    int style = 0;               // 75: 0 normal (odd parity), 1 outer, 2 ignore
    int pattern_type = 1;        // 76: 0 user-defined, 1 predefined, 2 custom
    double angle = 0;            // 52, degrees
    double scale = 1;            // 41: pattern scale, or line spacing of a user-defined pattern
    bool cross = false;          // 77: double (crossed) user-defined pattern
    std::vector<HatchPatternLine> pattern_lines;  // 78 and the definition lines after it
    double elevation = 0;        // z of 10/20/30
    Point3 extrusion{0, 0, 1};   // 210
    std::vector<HatchLoop> loops;
    std::vector<Point3> seeds;   // 98 + 10/20
};

// Reads a HATCH entity; nullopt when the record is not a hatch.
std::optional<HatchInfo> read_hatch(const Document& doc, RecordId hatch);

// A loop as a closed outline (first point not repeated): bulges, arcs and ellipses are
// divided so that no chord strays more than `tolerance` from the curve; splines
// follow their control (or fit) points.
std::vector<Point3> loop_outline(const HatchLoop& loop, double tolerance = 0.01);

// Points along a polyline segment with the given bulge, from a (excluded) to b (included).
void append_bulge_points(std::vector<Point3>& out, const Point3& a, const Point3& b, double bulge,
                         double tolerance);

struct UserHatchOptions {
    double angle = 45;          // degrees
    double spacing = 1;         // distance between the lines in drawing units
    bool cross = false;         // a second set of lines at right angles
    std::string layer = "0";
    int color = 256;            // 256: by layer
    bool associative = true;
};

// True when the entity can bound a hatch: an LWPOLYLINE or 2D POLYLINE (or a 3D
// POLYLINE lying in one plane parallel to XY) that is closed by its flag or whose last
// vertex coincides with its first, with at least two distinct vertices (three without bulges).
bool is_closed_polyline_boundary(const Document& doc, RecordId entity);

// Creates a user-defined hatch bounded by the closed polyline and appends it at the end of
// model space. Returns kNoRecord (and changes nothing) when the boundary is not a closed
// polyline, the spacing is not positive, or the drawing is R12 (which has no HATCH).
RecordId add_user_hatch(Document& doc, RecordId boundary, const UserHatchOptions& options);

// Adds `reactor` to the entity's {ACAD_REACTORS} group (creating the group right after
// the entity's handle) unless it is already there.
void add_reactor(Document& doc, RecordId entity, uint64_t reactor);
// Removes `reactor` from the entity's {ACAD_REACTORS} group (and the group when empty).
void remove_reactor(Document& doc, RecordId entity, uint64_t reactor);
// The handles listed in the entity's {ACAD_REACTORS} group.
std::vector<uint64_t> reactors(const Document& doc, RecordId entity);

}  // namespace korvane::drawing
