#pragma once
// Tracing the closed region around a point from the drawing's linework, as the boundary
// command does: the lines, polylines, arcs, circles and ellipses near the point are noded,
// polygonized, and the smallest face around the point gives the boundary. Islands inside the
// face are not cut out: the result is the face's outer ring.
//
// Only the linework near the point is looked at: the search starts with a small window around
// the point and grows until the face found lies wholly inside the window (then no entity outside
// the window can touch it) or the window covers the drawing.
#include <optional>
#include <vector>

#include "geometry.h"
#include "spatial_index.h"

namespace korvane::drawing {

struct BoundaryOptions {
    // Coordinates are snapped to this grid before noding, so that shared edges that differ in
    // their last bits become one edge.
    double grid = 1e-4;
    // Half the side of the first search window; 0 picks one from the drawing's size.
    double start_half_size = 0;
};

// The outer ring of the smallest closed region containing `p` (counter-clockwise, the first
// point not repeated at the end); nullopt when `p` lies in no closed region or on linework.
std::optional<std::vector<Point2>> trace_boundary(SpatialIndex& index, Point2 p, const BoundaryOptions& options = {});

}  // namespace korvane::drawing
