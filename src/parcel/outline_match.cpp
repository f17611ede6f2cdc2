#include "parcel/outline_match.h"

#include <algorithm>
#include <cmath>

namespace korvane::parcel {

namespace {

double distance_to_segment(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Every vertex of `from` within the tolerance of the closed outline `onto`.
bool vertices_on(const std::vector<double>& from, const std::vector<double>& onto, double tolerance) {
    const size_t n = onto.size() / 2;
    for (size_t i = 0; i + 1 < from.size(); i += 2) {
        bool near = false;
        for (size_t k = 0; k < n && !near; ++k) {
            const size_t j = (k + 1) % n;
            near = distance_to_segment(from[i], from[i + 1], onto[2 * k], onto[2 * k + 1], onto[2 * j],
                                       onto[2 * j + 1]) <= tolerance;
        }
        if (!near) return false;
    }
    return true;
}

}  // namespace

bool same_outline(const std::vector<double>& a, const std::vector<double>& b, double tolerance) {
    if (a.size() < 6 || b.size() < 6) return false;
    return vertices_on(a, b, tolerance) && vertices_on(b, a, tolerance);
}

}  // namespace korvane::parcel
