#pragma once
// Small plane geometry on parcel outlines taken as rings of vertices (the closing vertex not
// repeated): cleaning, self-crossing, distances. Coordinates are relative to a nearby origin.
#include <optional>
#include <vector>

#include "drawing/geometry.h"

namespace korvane::checks {

using drawing::Box2;
using drawing::Point2;

double distance(Point2 a, Point2 b);
// Distance from p to the segment a-b, and where along it the nearest point lies (0 at a, 1 at b).
double segment_distance(Point2 p, Point2 a, Point2 b, double* along = nullptr);

// The ring without vertices closer than `same` to the one before (the last compared with the
// first as well).
std::vector<Point2> cleaned_ring(const std::vector<Point2>& pts, double same);

// Where a cleaned ring crosses or touches itself (two edges that are not neighbours meet within
// `same`, or an edge doubles back over the one before); nothing when it is simple.
std::optional<Point2> self_crossing(const std::vector<Point2>& ring, double same);

Box2 box_of(const std::vector<Point2>& pts);

}  // namespace korvane::checks
