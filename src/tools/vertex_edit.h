#pragma once
// Moving one vertex of a polyline, as dragging its grip in the drawing window does.
#include <string>

#include "host/host.h"

namespace korvane::tools {

// Moves vertex `index` of the polyline `handle` of the active drawing to `to` (its elevation
// kept), as one undo step "夹点编辑"; the polyline keeps its arcs, widths and extended data.
// False, changing nothing, when there is no such polyline or vertex.
bool move_vertex(host::Application& app, const std::string& handle, int index, const host::Point& to);

}  // namespace korvane::tools
