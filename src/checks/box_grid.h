#pragma once
// A uniform grid over many small boxes (parcel outlines, their edges, their vertices), for the
// "what lies near this" questions of the automatic check. Cells are hashed, so a drawing of two
// villages kilometres apart costs no more than one. An item whose box spans very many cells is
// kept aside and looked at by every query.
#include <cstdint>
#include <vector>

#include "drawing/geometry.h"

namespace korvane::checks {

class BoxGrid {
public:
    // `cell` is the cell's side; a cell about the size of a typical item keeps queries short.
    BoxGrid(const std::vector<drawing::Box2>& boxes, double cell);

    // The items whose box meets `box`, each once, in ascending order (out is cleared first).
    void query(const drawing::Box2& box, std::vector<uint32_t>& out) const;

    // A cell side for these boxes: their median extent, at least `floor`.
    static double typical_cell(const std::vector<drawing::Box2>& boxes, double floor);

private:
    double cell_;
    std::vector<drawing::Box2> boxes_;
    std::vector<uint64_t> keys_;     // sorted cell keys, one per (cell, item)
    std::vector<uint32_t> items_;    // the item of each key
    std::vector<uint32_t> oversized_;
    mutable std::vector<uint32_t> seen_;  // per item: the query that last reported it
    mutable uint32_t query_ = 0;

    int64_t cell_of(double v) const;
};

}  // namespace korvane::checks
