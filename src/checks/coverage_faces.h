#pragma once
// The faces that the unmatched edges of a parcel coverage enclose, each with the parcels that
// cover it: none is a gap, two or more an overlap (or an island lying in its outer parcel).
// GEOS nodes the edges and polygonizes them; only these edges, the outer boundaries and the
// defects, ever reach it.
#include <functional>
#include <utility>
#include <vector>

#include "checks/topology_check.h"

namespace korvane::checks {

class CoverageFaces {
public:
    // `boxes` holds each parcel's box (empty when it takes no part); `ring_of` gives the parcel's
    // outline as the edges were made from it.
    CoverageFaces(const std::vector<std::pair<Point2, Point2>>& segments, const std::vector<Box2>& boxes,
                  const std::function<std::vector<Point2>(uint32_t)>& ring_of, const TopologyOptions& options);

    std::vector<TopologyFinding>& findings() { return findings_; }
    const std::vector<std::pair<uint32_t, uint32_t>>& islands() const { return islands_; }

private:
    std::vector<TopologyFinding> findings_;
    std::vector<std::pair<uint32_t, uint32_t>> islands_;
};

}  // namespace korvane::checks
