#pragma once
// Generators of sample drawings: a small village with realistic survey data, and
// a large grid of attributed parcels for measuring load and save speed.
#include <cstddef>
#include <cstdint>

#include "drawing/document.h"

namespace korvane::samples {

inline constexpr uint64_t kVillageSeed = 20230512;
inline constexpr uint64_t kParcelsSeed = 1;
inline constexpr size_t kDefaultParcels = 50000;

// About 300 adjacent parcels near (548000, 2543000) with attribute records,
// work-record points, holder labels, roads and ditches. Same seed, same drawing.
drawing::Document make_village(uint64_t seed = kVillageSeed);

// `count` parcels as a grid of closed five-vertex polylines near x = 39,500,000,
// each with a full 22-item parcel record.
drawing::Document make_parcels(size_t count, uint64_t seed = kParcelsSeed);

}  // namespace korvane::samples
