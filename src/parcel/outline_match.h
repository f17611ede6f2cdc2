#pragma once
// Whether two closed outlines are the same line on the ground: every vertex of each lies
// within the tolerance of the other's outline. A boundary traced around a point starts at
// another vertex, may run the other way and carries the vertices of neighbours that lie on
// its edges, so vertex lists are not compared one by one.
#include <vector>

namespace korvane::parcel {

// Outlines as x,y pairs, closed (the last vertex joins the first).
bool same_outline(const std::vector<double>& a, const std::vector<double>& b, double tolerance);

}  // namespace korvane::parcel
