#pragma once
// The neighbours the four-boundaries fill (统加) finds for a parcel: every polyline whose
// outline lies inside the parcel's vertex polygon, crosses it or comes within the host's pick
// tolerance of it. The same answer as the host's crossing-polygon selection, for many parcels
// at once: polylines that share a vertex with a simple parcel touch it and need no geometry
// library; the others are tested with GEOS as the selection tests them.
#include <cstdint>
#include <functional>
#include <vector>

#include "checks/ring_geometry.h"

namespace korvane::checks {

struct Polyline {
    std::vector<Point2> pts;  // relative to a nearby origin
    bool closed = true;
};

// For each subject (an index into `lines`), the other lines it finds, ascending. Empty lists
// once `keep_going` answers false.
std::vector<std::vector<uint32_t>> crossing_neighbours(const std::vector<Polyline>& lines,
                                                       const std::vector<uint32_t>& subjects, double tolerance,
                                                       const std::function<bool()>& keep_going = {});

}  // namespace korvane::checks
