#pragma once
// 标记CAD实体: a vertical marker line under each entity the user selects, from the line
// y = 0 up to the entity's reference point, so that it can be found in a zoomed-out drawing.
#include <optional>

#include "host/command_frame.h"

namespace korvane::tools {

// Where an entity is marked: a polyline's first vertex, a line's start point, a circle's
// centre, a block reference's or a text's insertion point, and the centre of the bounding
// box for anything else. Nothing when the entity has no extents either.
std::optional<host::Point> reference_point(host::Entity& e);

void mark_entities(host::Session& session);

}  // namespace korvane::tools
