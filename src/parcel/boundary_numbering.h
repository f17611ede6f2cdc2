#pragma once
// How the survey-table export walks a parcel and numbers its boundary points: the corner
// order (counter-clockwise on the drawing, from the north-west corner), the ring of points
// that searches a corner for its mark, the point numbers and where a numbered point's row
// lands in the workbook.
#include <string>
#include <vector>

namespace korvane::parcel {

struct Corner {
    double x = 0, y = 0;  // x easting, y northing
    bool operator==(const Corner&) const = default;
};

// The vertices of a lightweight polyline from its flat x, y list (an odd last number is ignored).
std::vector<Corner> corners_of(const std::vector<double>& xy);

// The sum over all vertices of y(i) * (x(i+1) - x(i-1)), indices taken cyclically: above 0
// for vertices running clockwise on the drawing (y north), below 0 for counter-clockwise.
double orientation_sum(const std::vector<Corner>& corners);

// The corners in walking order: counter-clockwise on the drawing (a clockwise list is
// reversed; a list whose orientation sum is exactly 0 — no area, or lobes of equal area
// turning both ways — keeps its drawn order), starting at the first corner lying strictly
// north-west of the bounding-box centre (x below, y above it), or at the first corner when
// none does.
std::vector<Corner> walking_order(const std::vector<Corner>& corners);

// The search ring around a corner: 12 points at `distance` from it, at 0°, 30°, ..., 330°,
// as x, y, z triples (z = 0).
inline constexpr int kRingPoints = 12;
inline constexpr double kRingDistance = 0.1;
std::vector<double> search_ring(const Corner& corner, double distance = kRingDistance);

// Numbering modes: 1 letters (A1, A2, ..., B1, ...), 2 sequence (1_1, 1_2, ..., 2_1, ...).
inline constexpr int kLetterMode = 1;
inline constexpr int kSequenceMode = 2;
// From this many selected parcels on, the mode is 2 without asking.
inline constexpr long kSequenceModeFrom = 24;

// The boundary-point number of point `point` (from 1) of parcel `parcel` (from 1).
std::string point_number(int mode, long parcel, long point);
// "parcel_point", the form the mark's record carries whatever the mode.
std::string sequence_number(long parcel, long point);

// Where the running row counter r (from 6) of the point table lands.
struct SheetRow {
    const char* sheet;
    int row;
};
inline constexpr int kFirstTableRow = 6;
SheetRow sheet_row(int r);

}  // namespace korvane::parcel
