#pragma once
// The vertices of all outlines, snapped: vertices within the snap distance of each other
// become one cluster, placed where most of its vertices lie. Vertices of two parcels in one
// cluster that are not the same point (further apart than `same`) are a missed snap.
#include <cstdint>
#include <vector>

#include "checks/topology_check.h"

namespace korvane::checks {

struct SnappedVertices {
    std::vector<Point2> cluster_point;              // per cluster
    std::vector<std::vector<uint32_t>> cluster_of;  // per ring, per vertex: its cluster
    std::vector<TopologyFinding> missed_snaps;
};

// Rings that are empty take no part.
SnappedVertices snap_vertices(const std::vector<std::vector<Point2>>& rings, double same, double snap);

}  // namespace korvane::checks
