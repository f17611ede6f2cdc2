#include "checks/crossing_neighbours.h"

#include <algorithm>
#include <cmath>

#include "checks/box_grid.h"
#include "drawing/selection.h"

namespace korvane::checks {

namespace {

using drawing::GeosGeom;
using drawing::GeosPrepared;

// Vertices as points of a grid as fine as the tolerance: equal keys lie within it.
std::vector<uint64_t> vertex_keys(const std::vector<Point2>& pts, double tolerance) {
    constexpr int64_t kBias = int64_t(1) << 31;
    std::vector<uint64_t> keys;
    keys.reserve(pts.size());
    for (const Point2& p : pts) {
        int64_t x = std::llround(std::clamp(p.x / tolerance, -2e9, 2e9)), y = std::llround(std::clamp(p.y / tolerance, -2e9, 2e9));
        keys.push_back((uint64_t(x + kBias) << 32) | uint64_t(uint32_t(y + kBias)));
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

bool share_one(const std::vector<uint64_t>& a, const std::vector<uint64_t>& b) {
    for (size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        if (a[i] == b[j]) return true;
        a[i] < b[j] ? ++i : ++j;
    }
    return false;
}

}  // namespace

std::vector<std::vector<uint32_t>> crossing_neighbours(const std::vector<Polyline>& lines,
                                                       const std::vector<uint32_t>& subjects, double tolerance,
                                                       const std::function<bool()>& keep_going) {
    std::vector<std::vector<uint32_t>> out(subjects.size());
    std::vector<Box2> boxes(lines.size());
    std::vector<std::vector<uint64_t>> keys(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        boxes[i] = box_of(lines[i].pts).grown(tolerance);
        keys[i] = vertex_keys(lines[i].pts, tolerance);
    }
    BoxGrid grid(boxes, BoxGrid::typical_cell(boxes, 1.0));
    drawing::GeosContext ctx;
    GEOSContextHandle_t h = ctx.handle();
    std::vector<uint32_t> near;
    for (size_t n = 0; n < subjects.size(); ++n) {
        if ((n & 1023) == 0 && keep_going && !keep_going()) return std::vector<std::vector<uint32_t>>(subjects.size());
        const uint32_t s = subjects[n];
        const std::vector<Point2>& pts = lines[s].pts;
        std::vector<Point2> ring = cleaned_ring(pts, tolerance);
        if (ring.size() < 3) continue;  // bounds no area: finds nothing
        const bool simple = !self_crossing(ring, tolerance) && drawing::ring_signed_area(ring) != 0;
        GeosGeom polygon;
        GeosPrepared prepared;
        bool polygon_made = false;
        grid.query(boxes[s], near);
        for (uint32_t q : near) {
            if (q == s) continue;
            if (simple && share_one(keys[s], keys[q])) {
                out[n].push_back(q);
                continue;
            }
            if (!polygon_made) {
                polygon_made = true;
                polygon = drawing::selection_polygon(ctx, pts, {}, tolerance);
                if (polygon) prepared = ctx.prepare(polygon.get());
            }
            if (!prepared) break;
            std::vector<Point2> outline = lines[q].pts;
            if (lines[q].closed && !outline.empty()) outline.push_back(outline.front());
            GeosGeom g = outline.size() == 1 ? ctx.point(outline[0]) : ctx.line(outline);
            if (!g) continue;
            char r = GEOSPreparedIntersects_r(h, prepared.get(), g.get());
            if (r != 1) r = GEOSPreparedDistanceWithin_r(h, prepared.get(), g.get(), tolerance);
            if (r == 1) out[n].push_back(q);
        }
    }
    return out;
}

}  // namespace korvane::checks
