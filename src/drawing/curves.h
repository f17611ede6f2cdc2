#pragma once
// Plane curves as drafting edits them: a run of straight and circular segments, the way a
// polyline keeps its vertices and bulges. LINE, ARC, CIRCLE and 2D polylines all read as one;
// trimming, breaking, extending, offsetting, joining and object snaps work on that one form.
//
// A parameter u = i + t names the point a fraction t along segment i (of its sweep, for an
// arc). An open curve runs from u = 0 to u = segment_count(); a closed one wraps around.
#include <optional>
#include <vector>

#include "geometry.h"

namespace korvane::drawing {

// From a to b; bulge = tan(sweep / 4), positive counter-clockwise, 0 for a straight segment.
struct Segment {
    Point2 a, b;
    double bulge = 0;

    bool straight() const;
    Point2 centre() const;   // arcs only
    double radius() const;   // arcs only
    double sweep() const;    // signed included angle, radians (0 when straight)
    Point2 at(double t) const;
    Point2 direction(double t) const;  // unit direction of travel
    double length() const;
    // The t in [0, 1] of the point nearest to p.
    double nearest(Point2 p) const;
    Box2 bounds() const;
    Segment reversed() const { return {b, a, -bulge}; }
};

struct Curve {
    std::vector<Point2> points;
    std::vector<double> bulges;  // one per point; the last one belongs to the closing segment
    bool closed = false;

    size_t segment_count() const;
    Segment segment(size_t i) const;
    double end() const { return double(segment_count()); }
    Point2 at(double u) const;
    double length() const;
    // The parameter of the point nearest to p.
    double nearest(Point2 p) const;
    Box2 bounds() const;
    // The part from u0 to u1, as an open curve. On a closed curve u1 may be below u0: the part
    // then runs on past the end (u1 + end()).
    Curve piece(double u0, double u1) const;
    // The same curve run the other way.
    Curve reversed() const;
    // Bulges padded to one per point.
    double bulge(size_t i) const { return i < bulges.size() ? bulges[i] : 0.0; }
};

// A whole circle as a closed curve of two half circles.
Curve circle_curve(Point2 centre, double radius);
// The bulge of an arc from a to b about `centre`, turning counter-clockwise or not.
double bulge_about(Point2 centre, Point2 a, Point2 b, bool ccw);

// Where two segments meet, as parameters along each. A segment marked `whole` is taken as its
// whole line or circle (its t may then lie outside [0, 1]); otherwise only points on it count.
struct Crossing {
    double ta = 0, tb = 0;
    Point2 p;
};
std::vector<Crossing> intersect(const Segment& a, const Segment& b, bool whole_a = false, bool whole_b = false);

// The curve moved `distance` to the left of its direction of travel (negative: to the right).
// Neighbouring straight segments meet where their offset lines cross; an arc keeps its centre.
// nullopt when the offset folds the curve over (an arc shrinking to nothing, a closed curve
// turning inside out).
std::optional<Curve> offset_curve(const Curve& c, double distance);

// Which side of the curve a point lies on near its nearest point: +1 left, -1 right, 0 on it.
// For a closed curve: the side its inside lies on when the point is inside.
int side_of(const Curve& c, Point2 p);

// The curve of a LINE, ARC, CIRCLE, LWPOLYLINE or 2D POLYLINE in world XY; nullopt for other
// types and for entities drawn in a tilted plane.
std::optional<Curve> curve_of(const Document& doc, RecordId id);

}  // namespace korvane::drawing
