#pragma once
// Small pieces the commands of the tools menu share: the parcel filter, a polyline's
// vertices as the 3-D point list that polygon selection and marker lines take, an
// extended-data item as text, and the vertical marker line.
#include <string>
#include <vector>

#include "host/host.h"

namespace korvane::tools {

inline constexpr const char* kSelectionSet = "text";
inline constexpr const char* kInnerSet = "text1";
inline constexpr int kRed = 1;
inline constexpr const char* kPickEntityPrompt = "选择实体";

// Light-weight polylines on the four parcel layers.
host::Filter parcel_filter();

// x,y pairs of a light-weight polyline as x,y,0 triples.
std::vector<double> point_list(const std::vector<double>& xy);

// Item i of extended data as text: texts as they stand, numbers in the plain number form,
// points as x,y,z; "" out of range.
std::string item_text(const host::XData& data, size_t i);

// The marker line: an old-style polyline from (x, 0, 0) up to (x, y, 0), so that a place can
// be found in a drawing zoomed out to its extents.
host::EntityPtr add_marker_line(host::ModelSpace& ms, double x, double y);

}  // namespace korvane::tools
