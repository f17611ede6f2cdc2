#pragma once
// Moving, rotating and scaling entities by editing their own groups in place.
//
// Handled: POINT, LINE, LWPOLYLINE, POLYLINE (with its VERTEX records), TEXT, ATTRIB, MTEXT,
// CIRCLE, ARC, ELLIPSE, INSERT (with its ATTRIBs), HATCH (boundary paths, pattern lines, seed
// points) and IMAGE. Entities in an object coordinate system (210 extrusion) are transformed
// through it, so mirrored and tilted ones come out right. Other types are left as they are and
// the functions return false; so does `scale` for a factor that is not positive and finite.
#include "entity.h"

namespace korvane::drawing {

// Displaces the entity by (dx, dy, dz) in world coordinates.
bool move(Entity e, double dx, double dy, double dz = 0);
// Rotates the entity about the vertical axis through `base`, counter-clockwise seen from above.
bool rotate(Entity e, const Point3& base, double angle_radians);
// Scales the entity uniformly about `base`: coordinates, sizes, text heights, widths.
bool scale(Entity e, const Point3& base, double factor);

// True when the functions above know the entity's type.
bool can_transform(const Entity& e);

}  // namespace korvane::drawing
