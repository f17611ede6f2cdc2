#include "checks/ring_geometry.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace korvane::checks {

namespace {

double cross(Point2 o, Point2 a, Point2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// Where segments a-b and c-d meet: their crossing point, or the end point nearest the other
// segment when they come within `same`; nothing otherwise.
std::optional<Point2> meeting(Point2 a, Point2 b, Point2 c, Point2 d, double same) {
    double d1 = cross(a, b, c), d2 = cross(a, b, d), d3 = cross(c, d, a), d4 = cross(c, d, b);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) {
        double t = d3 / (d3 - d4);
        return Point2{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    }
    const std::pair<Point2, double> ends[] = {{c, segment_distance(c, a, b)},
                                               {d, segment_distance(d, a, b)},
                                               {a, segment_distance(a, c, d)},
                                               {b, segment_distance(b, c, d)}};
    const auto& nearest = *std::min_element(std::begin(ends), std::end(ends),
                                            [](const auto& l, const auto& r) { return l.second < r.second; });
    if (nearest.second <= same) return nearest.first;
    return std::nullopt;
}

}  // namespace

double distance(Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

double segment_distance(Point2 p, Point2 a, Point2 b, double* along) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    if (along) *along = t;
    return distance(p, {a.x + dx * t, a.y + dy * t});
}

std::vector<Point2> cleaned_ring(const std::vector<Point2>& pts, double same) {
    std::vector<Point2> out;
    out.reserve(pts.size());
    for (const Point2& p : pts)
        if (out.empty() || distance(out.back(), p) > same) out.push_back(p);
    while (out.size() > 1 && distance(out.back(), out.front()) <= same) out.pop_back();
    return out;
}

std::optional<Point2> self_crossing(const std::vector<Point2>& ring, double same) {
    const size_t n = ring.size();
    if (n < 3) return std::nullopt;
    auto at = [&](size_t i) { return ring[i % n]; };
    // An edge that doubles back over the one before it (a spike).
    for (size_t i = 0; i < n; ++i) {
        Point2 a = at(i), b = at(i + 1), c = at(i + 2);
        if (segment_distance(c, a, b) <= same || segment_distance(a, b, c) <= same) return b;
    }
    if (n == 3) return std::nullopt;
    // Edges that are not neighbours, swept by their left ends.
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t(0));
    auto min_x = [&](size_t i) { return std::min(at(i).x, at(i + 1).x); };
    std::sort(order.begin(), order.end(), [&](size_t l, size_t r) { return min_x(l) < min_x(r); });
    for (size_t k = 0; k < n; ++k) {
        const size_t i = order[k];
        const double reach = std::max(at(i).x, at(i + 1).x) + same;
        const double lo_y = std::min(at(i).y, at(i + 1).y) - same, hi_y = std::max(at(i).y, at(i + 1).y) + same;
        for (size_t m = k + 1; m < n && min_x(order[m]) <= reach; ++m) {
            const size_t j = order[m];
            if ((j + 1) % n == i || (i + 1) % n == j) continue;  // neighbours share a vertex
            if (std::max(at(j).y, at(j + 1).y) < lo_y || std::min(at(j).y, at(j + 1).y) > hi_y) continue;
            if (auto p = meeting(at(i), at(i + 1), at(j), at(j + 1), same)) return p;
        }
    }
    return std::nullopt;
}

Box2 box_of(const std::vector<Point2>& pts) {
    Box2 b;
    for (const Point2& p : pts) b.add(p);
    return b;
}

}  // namespace korvane::checks
