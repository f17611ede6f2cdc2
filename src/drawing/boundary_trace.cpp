#include "boundary_trace.h"

#include <algorithm>
#include <cmath>

namespace korvane::drawing {

namespace {

bool is_linework(std::string_view type) {
    return type == "LINE" || type == "LWPOLYLINE" || type == "POLYLINE" || type == "ARC" || type == "CIRCLE" ||
           type == "ELLIPSE";
}

struct Face {
    std::vector<Point2> ring;  // relative to the origin
    double area = 0;
    Box2 box;
};

class Tracer {
public:
    Tracer(SpatialIndex& index, Point2 p, const BoundaryOptions& options)
        : index_(index), doc_(index.document()), ctx_(index.geos()), h_(ctx_.handle()), p_(p), options_(options) {
        origin_ = index.origin();
        grid_ = options.grid > 0 ? options.grid : 0;
    }

    std::optional<std::vector<Point2>> run() {
        Box2 ext = index_.extents();
        if (ext.empty() || !ext.contains(p_)) return std::nullopt;
        if (on_linework() || !blocked_all_around(ext)) return std::nullopt;

        double span = std::max(ext.width(), ext.height());
        double half = options_.start_half_size > 0 ? options_.start_half_size : span / 1024;
        half = std::max(half, std::max(grid_ * 100, 1e-6));
        Box2 all = ext.grown(std::max(grid_, 1e-9));
        std::vector<uint32_t> candidates, previous;
        std::optional<Face> face;
        bool first = true;
        for (;;) {
            Box2 window{p_.x - half, p_.y - half, p_.x + half, p_.y + half};
            bool covers_all = window.contains(all);
            linework_in(window, candidates);
            if (first || candidates != previous) {
                face = smallest_face(candidates);
                previous = candidates;
                first = false;
            }
            if (face) {
                Box2 fb{face->box.min_x + origin_.x, face->box.min_y + origin_.y, face->box.max_x + origin_.x,
                        face->box.max_y + origin_.y};
                // No entity outside the window touches a face lying inside it.
                if (covers_all || window.contains(fb)) return absolute(face->ring);
                double need = std::max({p_.x - fb.min_x, fb.max_x - p_.x, p_.y - fb.min_y, fb.max_y - p_.y});
                half = std::max(half * 2, need * 1.01 + grid_);
            } else {
                if (covers_all) return std::nullopt;
                half *= 2;
            }
        }
    }

private:
    SpatialIndex& index_;
    const Document& doc_;
    const GeosContext& ctx_;
    GEOSContextHandle_t h_;
    Point2 p_;
    BoundaryOptions options_;
    Point2 origin_;
    double grid_ = 0;

    void linework_in(const Box2& window, std::vector<uint32_t>& out) {
        index_.query_entries(window, out);
        out.erase(std::remove_if(out.begin(), out.end(),
                                 [&](uint32_t e) { return !is_linework(doc_.type(index_.entry_id(e))); }),
                  out.end());
    }

    // A point on a line is inside no region.
    bool on_linework() {
        std::vector<uint32_t> near;
        double reach = std::max(grid_, 1e-9);
        linework_in(Box2::of(p_, p_).grown(reach), near);
        if (near.empty()) return false;
        GeosGeom pt = ctx_.point(p_, origin_);
        for (uint32_t e : near) {
            const GEOSGeometry* g = index_.entry_outline(e);
            double d = 0;
            if (g && GEOSDistance_r(h_, pt.get(), g, &d) == 1 && d <= reach / 2) return true;
        }
        return false;
    }

    // Any closed region around p crosses every ray from p: when a ray to the edge of the
    // drawing meets no linework, p is in no closed region.
    bool blocked_all_around(const Box2& ext) {
        const double far = std::max(ext.width(), ext.height()) + 1;
        const Point2 ends[4] = {{ext.max_x + far, p_.y}, {ext.min_x - far, p_.y}, {p_.x, ext.max_y + far}, {p_.x, ext.min_y - far}};
        std::vector<uint32_t> hits;
        for (const Point2& end : ends) {
            linework_in(Box2::of(p_, end), hits);
            if (hits.empty()) return false;
            GeosGeom ray = ctx_.line({p_, end}, origin_);
            if (!ray) return true;
            GeosPrepared prepared = ctx_.prepare(ray.get());
            bool blocked = false;
            for (uint32_t e : hits) {
                const GEOSGeometry* g = index_.entry_outline(e);
                if (g && GEOSPreparedIntersects_r(h_, prepared.get(), g) != 0) {
                    blocked = true;  // an error (2) counts as blocked: the full search decides then
                    break;
                }
            }
            if (!blocked) return false;
        }
        return true;
    }

    double snap(double v) const { return grid_ > 0 ? std::round(v / grid_) * grid_ : v; }

    std::optional<Face> smallest_face(const std::vector<uint32_t>& entries) {
        std::vector<GEOSGeometry*> lines;
        for (uint32_t e : entries) {
            Shape s = entity_shape(doc_, index_.entry_id(e), index_.arc_options());
            for (const Path& path : s.paths) {
                std::vector<Point2> pts;
                pts.reserve(path.points.size() + 1);
                for (const Point2& q : path.points) {
                    Point2 r{snap(q.x - origin_.x), snap(q.y - origin_.y)};
                    if (pts.empty() || !(pts.back() == r)) pts.push_back(r);
                }
                if (path.closed && pts.size() > 2 && !(pts.back() == pts.front())) pts.push_back(pts.front());
                if (pts.size() < 2) continue;
                GeosGeom g = ctx_.line(pts);
                if (g) lines.push_back(g.release());
            }
        }
        if (lines.empty()) return std::nullopt;
        GeosGeom all = ctx_.own(GEOSGeom_createCollection_r(h_, GEOS_MULTILINESTRING, lines.data(), unsigned(lines.size())));
        if (!all) return std::nullopt;
        GeosGeom noded = ctx_.own(GEOSNode_r(h_, all.get()));
        if (!noded) return std::nullopt;
        const GEOSGeometry* input[1] = {noded.get()};
        GeosGeom faces = ctx_.own(GEOSPolygonize_r(h_, input, 1));
        if (!faces) return std::nullopt;

        Point2 local{p_.x - origin_.x, p_.y - origin_.y};
        std::optional<Face> best;
        int n = GEOSGetNumGeometries_r(h_, faces.get());
        for (int i = 0; i < n; ++i) {
            const GEOSGeometry* poly = GEOSGetGeometryN_r(h_, faces.get(), i);
            if (GEOSGeomTypeId_r(h_, poly) != GEOS_POLYGON) continue;
            std::vector<Point2> ring = ctx_.exterior(poly);
            if (ring.size() < 3) continue;
            Box2 box;
            for (const Point2& q : ring) box.add(q);
            if (!box.contains(local)) continue;
            if (locate_in_ring(local, ring) != Location::Inside) continue;
            double area = std::abs(ring_signed_area(ring));
            if (!best || area < best->area) best = Face{std::move(ring), area, box};
        }
        return best;
    }

    std::vector<Point2> absolute(std::vector<Point2> ring) const {
        if (ring_signed_area(ring) < 0) std::reverse(ring.begin(), ring.end());
        for (Point2& q : ring) q = {q.x + origin_.x, q.y + origin_.y};
        return ring;
    }
};

}  // namespace

std::optional<std::vector<Point2>> trace_boundary(SpatialIndex& index, Point2 p, const BoundaryOptions& options) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
    return Tracer(index, p, options).run();
}

}  // namespace korvane::drawing
