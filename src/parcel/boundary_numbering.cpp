#include "parcel/boundary_numbering.h"

#include <algorithm>
#include <cmath>

#include "common/maimod.h"

namespace korvane::parcel {

std::vector<Corner> corners_of(const std::vector<double>& xy) {
    std::vector<Corner> out;
    out.reserve(xy.size() / 2);
    for (size_t i = 0; i + 1 < xy.size(); i += 2) out.push_back({xy[i], xy[i + 1]});
    return out;
}

double orientation_sum(const std::vector<Corner>& c) {
    const size_t n = c.size();
    double s = 0;
    for (size_t i = 0; i < n; ++i) {
        const Corner& next = c[(i + 1) % n];
        const Corner& prev = c[(i + n - 1) % n];
        s += c[i].y * (next.x - prev.x);
    }
    return s;
}

std::vector<Corner> walking_order(const std::vector<Corner>& corners) {
    std::vector<Corner> order = corners;
    if (order.empty()) return order;
    if (orientation_sum(order) > 0) std::reverse(order.begin(), order.end());

    auto [min_x, max_x] = std::minmax_element(order.begin(), order.end(),
                                              [](const Corner& a, const Corner& b) { return a.x < b.x; });
    auto [min_y, max_y] = std::minmax_element(order.begin(), order.end(),
                                              [](const Corner& a, const Corner& b) { return a.y < b.y; });
    const double cx = (min_x->x + max_x->x) / 2, cy = (min_y->y + max_y->y) / 2;
    auto start = std::find_if(order.begin(), order.end(), [&](const Corner& c) { return c.x < cx && c.y > cy; });
    if (start != order.end()) std::rotate(order.begin(), start, order.end());
    return order;
}

std::vector<double> search_ring(const Corner& corner, double distance) {
    std::vector<double> xyz;
    xyz.reserve(kRingPoints * 3);
    for (int i = 0; i < kRingPoints; ++i) {
        // The angles as the polar-point routine gets them: multiples of 30° in radians.
        const double a = i * 30.0 * common::kPi / 180.0;
        xyz.push_back(corner.x + distance * std::cos(a));
        xyz.push_back(corner.y + distance * std::sin(a));
        xyz.push_back(0);
    }
    return xyz;
}

std::string sequence_number(long parcel, long point) { return std::to_string(parcel) + "_" + std::to_string(point); }

std::string point_number(int mode, long parcel, long point) {
    if (mode == kLetterMode) return std::string(1, char(64 + parcel)) + std::to_string(point);
    return sequence_number(parcel, point);
}

SheetRow sheet_row(int r) {
    if (r <= 39) return {"主表", r};
    if (r <= 83) return {"附表1", r - 36};
    if (r <= 127) return {"附表2", r - 80};
    return {"附表3", r - 124};
}

}  // namespace korvane::parcel
