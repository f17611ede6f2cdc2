#include "checks/coverage_faces.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <set>
#include <unordered_map>

#include "checks/box_grid.h"

namespace korvane::checks {

namespace {

using drawing::GeosContext;
using drawing::GeosGeom;

struct Probe {
    Point2 at;
    std::vector<uint32_t> covering;
};

class FaceWalk {
public:
    FaceWalk(const std::vector<Box2>& boxes, const std::function<std::vector<Point2>(uint32_t)>& ring_of,
             const TopologyOptions& opt)
        : boxes_(boxes), grid_(boxes, BoxGrid::typical_cell(boxes, 1.0)), ring_of_(ring_of), opt_(opt) {}

    void run(const std::vector<std::pair<Point2, Point2>>& segments, std::vector<TopologyFinding>& findings,
             std::vector<std::pair<uint32_t, uint32_t>>& islands) {
        GEOSContextHandle_t h = ctx_.handle();
        std::vector<GEOSGeometry*> lines;
        for (const auto& [a, b] : segments)
            if (GeosGeom l = ctx_.line({a, b})) lines.push_back(l.release());
        GeosGeom all = ctx_.own(GEOSGeom_createCollection_r(h, GEOS_MULTILINESTRING, lines.data(), unsigned(lines.size())));
        if (!all) return;
        GeosGeom noded = ctx_.own(GEOSNode_r(h, all.get()));
        if (!noded) return;
        const GEOSGeometry* input[] = {noded.get()};
        GeosGeom faces = ctx_.own(GEOSPolygonize_r(h, input, 1));
        if (!faces) return;
        std::set<std::pair<uint32_t, uint32_t>> island_pairs;
        for (int i = 0, n = GEOSGetNumGeometries_r(h, faces.get()); i < n; ++i) {
            const GEOSGeometry* face = GEOSGetGeometryN_r(h, faces.get(), i);
            double area = 0;
            if (!GEOSArea_r(h, face, &area) || !(area > 0)) continue;
            std::optional<Probe> probe = covering(face);
            if (!probe || probe->covering.size() == 1) continue;
            if (probe->covering.empty()) {
                if (auto f = gap(face, area, *probe)) findings.push_back(std::move(*f));
            } else if (area > opt_.overlap_area) {
                if (probe->covering.size() == 2) {
                    if (auto pair = island(probe->covering[0], probe->covering[1])) {
                        island_pairs.insert(*pair);
                        continue;
                    }
                }
                if (could_be_thinner(face, area, opt_.snap) && width(face) < opt_.snap) continue;
                TopologyFinding f;
                f.kind = TopologyKind::Overlap;
                f.parcels = probe->covering;
                f.place = probe->at;
                f.size = area;
                findings.push_back(std::move(f));
            }
        }
        islands.assign(island_pairs.begin(), island_pairs.end());
    }

private:
    GeosContext ctx_;
    const std::vector<Box2>& boxes_;
    BoxGrid grid_;
    const std::function<std::vector<Point2>(uint32_t)>& ring_of_;
    const TopologyOptions& opt_;
    std::unordered_map<uint32_t, std::vector<Point2>> rings_;
    std::vector<uint32_t> near_;

    const std::vector<Point2>& ring(uint32_t k) {
        auto it = rings_.find(k);
        if (it == rings_.end()) it = rings_.emplace(k, ring_of_(k)).first;
        return it->second;
    }

    // The parcels covering a point inside the face. The point must not lie on any parcel's
    // outline (it could be an edge that met its twin and is not among the face's edges): then
    // another point is tried, just inside the face beside the middle of one of its long edges.
    std::optional<Probe> covering(const GEOSGeometry* face) {
        GEOSContextHandle_t h = ctx_.handle();
        std::vector<Point2> tries;
        if (GeosGeom p = ctx_.own(GEOSPointOnSurface_r(h, face))) {
            double x = 0, y = 0;
            if (GEOSGeomGetX_r(h, p.get(), &x) && GEOSGeomGetY_r(h, p.get(), &y)) tries.push_back({x, y});
        }
        for (Point2 p : beside_long_edges(face))
            if (GeosGeom g = ctx_.point(p); g && GEOSContains_r(h, face, g.get()) == 1) tries.push_back(p);
        for (Point2 p : tries) {
            Probe probe{p, {}};
            bool on_outline = false;
            grid_.query(Box2::of(p, p), near_);
            for (uint32_t k : near_) {
                drawing::Location where = drawing::locate_in_ring(p, ring(k), 1e-7);
                if (where == drawing::Location::Boundary) {
                    on_outline = true;
                    break;
                }
                if (where == drawing::Location::Inside) probe.covering.push_back(k);
            }
            if (!on_outline) return probe;
        }
        return std::nullopt;
    }

    std::vector<Point2> beside_long_edges(const GEOSGeometry* face) {
        GEOSContextHandle_t h = ctx_.handle();
        std::vector<Point2> out;
        const GEOSGeometry* shell = GEOSGetExteriorRing_r(h, face);
        const GEOSCoordSequence* seq = shell ? GEOSGeom_getCoordSeq_r(h, shell) : nullptr;
        unsigned n = 0;
        if (!seq || !GEOSCoordSeq_getSize_r(h, seq, &n) || n < 2) return out;
        std::vector<Point2> pts(n);
        for (unsigned i = 0; i < n; ++i) GEOSCoordSeq_getXY_r(h, seq, i, &pts[i].x, &pts[i].y);
        std::vector<std::pair<double, unsigned>> edges;
        for (unsigned i = 0; i + 1 < n; ++i) edges.push_back({distance(pts[i], pts[i + 1]), i});
        std::sort(edges.rbegin(), edges.rend());
        for (size_t k = 0; k < std::min<size_t>(edges.size(), 4); ++k) {
            auto [len, i] = edges[k];
            if (!(len > 0)) break;
            Point2 a = pts[i], b = pts[i + 1], mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
            double off = std::min(1e-3, len / 100);
            Point2 normal{-(b.y - a.y) / len * off, (b.x - a.x) / len * off};
            out.push_back({mid.x + normal.x, mid.y + normal.y});
            out.push_back({mid.x - normal.x, mid.y - normal.y});
        }
        return out;
    }

    // The diameter of the largest circle inside the face.
    double width(const GEOSGeometry* face) {
        GEOSContextHandle_t h = ctx_.handle();
        GeosGeom radius = ctx_.own(GEOSMaximumInscribedCircle_r(h, face, opt_.snap / 10));
        double r = 0;
        return radius && GEOSGeomGetLength_r(h, radius.get(), &r) ? 2 * r : 0;
    }

    // False when a circle as wide as `w` surely fits in the face: every point of the face lies
    // within the inscribed radius of its outline, so a face with more area than a band that
    // wide along its outline is not thin, and its circle need not be searched for.
    bool could_be_thinner(const GEOSGeometry* face, double area, double w) {
        GEOSContextHandle_t h = ctx_.handle();
        double perimeter = 0;
        GEOSLength_r(h, face, &perimeter);
        const int rings = 1 + std::max(0, GEOSGetNumInteriorRings_r(h, face));
        return area < perimeter * w + std::numbers::pi * w * w / 4 * rings;
    }

    std::optional<TopologyFinding> gap(const GEOSGeometry* face, double area, const Probe& probe) {
        TopologyFinding f;
        f.kind = TopologyKind::Gap;
        if (area >= opt_.gap_area) {
            // Large: only a sliver counts, not a road or a yard.
            if (!could_be_thinner(face, area, opt_.gap_width)) return std::nullopt;
            f.width = width(face);
            if (f.width >= opt_.gap_width) return std::nullopt;
        } else {
            f.width = width(face);
        }
        if (f.width < opt_.snap) return std::nullopt;  // what is left of a join the vertex findings name
        f.size = area;
        f.place = probe.at;
        f.parcels = beside(face);
        return f;
    }

    // The parcels whose outline comes within the snap distance of the face.
    std::vector<uint32_t> beside(const GEOSGeometry* face) {
        GEOSContextHandle_t h = ctx_.handle();
        Box2 env;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (GEOSGeom_getXMin_r(h, face, &x0) && GEOSGeom_getYMin_r(h, face, &y0) && GEOSGeom_getXMax_r(h, face, &x1) &&
            GEOSGeom_getYMax_r(h, face, &y1))
            env = Box2{x0, y0, x1, y1};
        std::vector<uint32_t> out;
        grid_.query(env.grown(opt_.snap), near_);
        const std::vector<uint32_t> candidates = near_;
        for (uint32_t k : candidates) {
            GeosGeom outline = closed_line(ring(k));
            double d = 0;
            if (outline && GEOSDistance_r(h, face, outline.get(), &d) == 1 && d <= opt_.snap) out.push_back(k);
        }
        return out;
    }

    GeosGeom closed_line(std::vector<Point2> pts) {
        if (!pts.empty()) pts.push_back(pts.front());
        return ctx_.line(pts);
    }

    // (outer, inner) when one of the two parcels lies wholly inside the other. A parcel drawn
    // twice is no island: the outer one must be larger by more than an overlap may be.
    std::optional<std::pair<uint32_t, uint32_t>> island(uint32_t a, uint32_t b) {
        GEOSContextHandle_t h = ctx_.handle();
        GeosGeom pa = ctx_.polygon(ring(a)), pb = ctx_.polygon(ring(b));
        double area_a = 0, area_b = 0;
        if (!pa || !pb || !GEOSArea_r(h, pa.get(), &area_a) || !GEOSArea_r(h, pb.get(), &area_b)) return std::nullopt;
        if (area_a < area_b) {
            std::swap(a, b);
            std::swap(pa, pb);
        }
        if (std::abs(area_a - area_b) > opt_.overlap_area && GEOSCovers_r(h, pa.get(), pb.get()) == 1) return std::pair{a, b};
        return std::nullopt;
    }
};

}  // namespace

CoverageFaces::CoverageFaces(const std::vector<std::pair<Point2, Point2>>& segments, const std::vector<Box2>& boxes,
                             const std::function<std::vector<Point2>(uint32_t)>& ring_of, const TopologyOptions& options) {
    FaceWalk(boxes, ring_of, options).run(segments, findings_, islands_);
}

}  // namespace korvane::checks
