#pragma once
// The geometric half of the automatic check: what is wrong with a set of parcel outlines as a
// coverage of the land.
//
//   - an outline with fewer than three distinct vertices, one that is not closed, one that
//     crosses or touches itself;
//   - vertices of two parcels closer than the snap distance (5 mm) but not the same point (a
//     missed snap), and a vertex lying within the snap distance of a neighbour's edge that the
//     neighbour lacks (a T-junction);
//   - overlaps larger than a tolerance, and gaps: areas enclosed by parcels and covered by none
//     that are small or thin (slivers, not roads).
//
// How: vertices within the snap distance are snapped together and edges are split at the
// T-junctions, so that what the vertex findings name leaves no sliver behind. Every edge then
// meets its twin on the neighbour (same two points, opposite direction) and the pairs cancel;
// what is left are the outer boundaries and the defects. Only those few edges go to GEOS,
// which nodes and polygonizes them; each face is covered by as many parcels as a point inside
// it is, so a face covered by none is a gap and one covered by two or more an overlap. A
// parcel lying wholly inside another is an island (its area deducted from the outer parcel),
// not an overlap. Pieces thinner than the snap distance are left to the vertex findings.
//
// Two vertices closer than `same` (0.1 mm, the host's pick tolerance) are the same point.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "checks/ring_geometry.h"

namespace korvane::checks {

struct Outline {
    std::vector<Point2> pts;  // relative to a nearby origin
    bool closed = true;
};

struct TopologyOptions {
    double overlap_area = 0.01;  // m²: larger overlaps are reported
    double gap_area = 10;        // m²: smaller gaps are reported ...
    double gap_width = 0.2;      // m: ... and so are thinner ones
    double snap = 0.005;
    double same = 1e-4;
};

enum class TopologyKind { Overlap, Gap, SelfCrossing, NotClosed, TooFewVertices, MissedSnap, TJunction };

struct TopologyFinding {
    TopologyKind kind = TopologyKind::Overlap;
    // The outlines concerned, ascending: for a T-junction those that have the vertex.
    std::vector<uint32_t> parcels;
    // A T-junction: the outlines whose edge the vertex lies on.
    std::vector<uint32_t> others;
    Point2 place;       // on the finding: inside the overlap or gap, at the vertex or the crossing
    double size = 0;    // area (overlap, gap); the largest distance (missed snap, T-junction)
    double width = 0;   // overlap, gap: the diameter of the largest circle inside
};

struct TopologyResult {
    std::vector<TopologyFinding> findings;  // by kind, then by first outline
    std::vector<std::pair<uint32_t, uint32_t>> islands;  // (outer, inner)
    bool cancelled = false;
};

// `keep_going` is asked now and then; once it answers false the check stops (cancelled).
TopologyResult check_topology(const std::vector<Outline>& outlines, const TopologyOptions& options,
                              const std::function<bool()>& keep_going = {});

}  // namespace korvane::checks
