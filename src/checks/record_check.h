#pragma once
// The record half of the automatic check: does a parcel's attribute record agree with its
// layer, its polygon and its neighbours? Each test returns what is wrong, in words for the
// quality-check list, or nothing.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::checks {

// A measured area further than this from the polygon's area, and further than this share of
// it, is wrong.
inline constexpr double kAreaTolerance = 0.1;
inline constexpr double kAreaShare = 0.001;

// The parcel lies on a layer whose type its ownership code could not be saved to (the save
// rules of the parcel form): a 12-character code on "独有宗地", codes of several owners on
// "共有宗地" or "争议宗地", "440000009999" on "国有宗地".
std::optional<std::string> layer_problem(std::string_view layer, std::string_view code);

// The measured area (record value 12) against the polygon's area. The outer parcel of islands
// may state its area with or without them.
std::optional<std::string> area_problem(std::string_view measured, double polygon_area, double islands_area = 0);

// The four-boundaries description (record value 4) against what the neighbour fill would
// write: the neighbours' holders, each followed by ",". The order is not compared (it follows
// the drawing's order, which edits change). A list too long for one record item (255 bytes)
// cannot be written whole; then any part of it passes.
std::optional<std::string> bounds_problem(std::string_view stored, const std::vector<std::string>& holders);

}  // namespace korvane::checks
