#include "checks/box_grid.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace korvane::checks {

namespace {

// An item spanning more cells than this is scanned by every query instead.
constexpr int64_t kMaxCellsPerItem = 64;

// Offset so that keys sort as their cells do, negative cells included.
uint64_t key_of(int64_t ix, int64_t iy) {
    constexpr int64_t kBias = int64_t(1) << 31;
    return (uint64_t(ix + kBias) << 32) | uint64_t(iy + kBias);
}

}  // namespace

int64_t BoxGrid::cell_of(double v) const {
    double c = std::floor(v / cell_);
    // Far outside any survey's coordinates; keeps the key arithmetic defined.
    return int64_t(std::clamp(c, -1e9, 1e9));
}

double BoxGrid::typical_cell(const std::vector<drawing::Box2>& boxes, double floor) {
    std::vector<double> sizes;
    sizes.reserve(boxes.size());
    for (const auto& b : boxes)
        if (!b.empty()) sizes.push_back(std::max(b.width(), b.height()));
    if (sizes.empty()) return floor;
    auto mid = sizes.begin() + std::ptrdiff_t(sizes.size() / 2);
    std::nth_element(sizes.begin(), mid, sizes.end());
    return std::max(*mid, floor);
}

BoxGrid::BoxGrid(const std::vector<drawing::Box2>& boxes, double cell)
    : cell_(cell > 0 && std::isfinite(cell) ? cell : 1.0), boxes_(boxes), seen_(boxes.size(), 0) {
    std::vector<std::pair<uint64_t, uint32_t>> pairs;
    pairs.reserve(boxes.size() + boxes.size() / 2);
    for (uint32_t i = 0; i < boxes.size(); ++i) {
        const auto& b = boxes[i];
        if (b.empty()) continue;
        int64_t x0 = cell_of(b.min_x), x1 = cell_of(b.max_x), y0 = cell_of(b.min_y), y1 = cell_of(b.max_y);
        if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerItem) {
            oversized_.push_back(i);
            continue;
        }
        for (int64_t x = x0; x <= x1; ++x)
            for (int64_t y = y0; y <= y1; ++y) pairs.push_back({key_of(x, y), i});
    }
    std::sort(pairs.begin(), pairs.end());
    keys_.reserve(pairs.size());
    items_.reserve(pairs.size());
    for (const auto& [k, i] : pairs) {
        keys_.push_back(k);
        items_.push_back(i);
    }
}

void BoxGrid::query(const drawing::Box2& box, std::vector<uint32_t>& out) const {
    out.clear();
    if (box.empty()) return;
    if (++query_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        query_ = 1;
    }
    auto take = [&](uint32_t i) {
        if (seen_[i] == query_ || !boxes_[i].intersects(box)) return;
        seen_[i] = query_;
        out.push_back(i);
    };
    int64_t x0 = cell_of(box.min_x), x1 = cell_of(box.max_x), y0 = cell_of(box.min_y), y1 = cell_of(box.max_y);
    if ((x1 - x0 + 1) * (y1 - y0 + 1) > int64_t(keys_.size())) {
        // A query larger than the grid itself: look at every item once.
        for (uint32_t i : items_) take(i);
    } else {
        for (int64_t x = x0; x <= x1; ++x) {
            // Keys of one column are contiguous: y runs within the same x.
            auto lo = std::lower_bound(keys_.begin(), keys_.end(), key_of(x, y0));
            auto hi = std::upper_bound(lo, keys_.end(), key_of(x, y1));
            for (auto it = lo; it != hi; ++it) take(items_[size_t(it - keys_.begin())]);
        }
    }
    for (uint32_t i : oversized_) take(i);
    std::sort(out.begin(), out.end());
}

}  // namespace korvane::checks
