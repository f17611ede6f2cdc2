#pragma once
// Plane geometry of entities: the shape an entity covers in the XY plane (points,
// polylines with arcs broken into short chords, closed outlines), its bounding box,
// areas, point-in-polygon, and conversion to GEOS geometries for the predicates
// selection and boundary tracing rely on.
//
// GEOS is used through its reentrant C API. A GeosContext is owned by whoever needs
// one (the spatial index owns one); geometries made in a context are freed in it, so
// the owning handles below carry their context along.
#include <geos_c.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document.h"
#include "entity.h"

namespace korvane::drawing {

struct Point2 {
    double x = 0, y = 0;
    bool operator==(const Point2&) const = default;
};
// x first, then y: the order of sorted lists of points.
inline bool xy_less(Point2 a, Point2 b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }

// An axis-aligned box; a default-constructed box is empty.
struct Box2 {
    double min_x = std::numeric_limits<double>::infinity();
    double min_y = std::numeric_limits<double>::infinity();
    double max_x = -std::numeric_limits<double>::infinity();
    double max_y = -std::numeric_limits<double>::infinity();

    static Box2 of(Point2 a, Point2 b) {
        Box2 r;
        r.add(a);
        r.add(b);
        return r;
    }
    bool empty() const { return !(min_x <= max_x && min_y <= max_y); }
    void add(Point2 p) {
        if (p.x < min_x) min_x = p.x;
        if (p.x > max_x) max_x = p.x;
        if (p.y < min_y) min_y = p.y;
        if (p.y > max_y) max_y = p.y;
    }
    void add(const Box2& b) {
        if (b.empty()) return;
        add(Point2{b.min_x, b.min_y});
        add(Point2{b.max_x, b.max_y});
    }
    Box2 grown(double d) const { return empty() ? *this : Box2{min_x - d, min_y - d, max_x + d, max_y + d}; }
    bool intersects(const Box2& o) const {
        return min_x <= o.max_x && o.min_x <= max_x && min_y <= o.max_y && o.min_y <= max_y;
    }
    bool contains(const Box2& o) const {
        return min_x <= o.min_x && o.max_x <= max_x && min_y <= o.min_y && o.max_y <= max_y;
    }
    bool contains(Point2 p) const { return min_x <= p.x && p.x <= max_x && min_y <= p.y && p.y <= max_y; }
    double width() const { return empty() ? 0 : max_x - min_x; }
    double height() const { return empty() ? 0 : max_y - min_y; }
    Point2 center() const { return {(min_x + max_x) / 2, (min_y + max_y) / 2}; }
    bool operator==(const Box2&) const = default;
};

// ---------------------------------------------------------------- GEOS context

struct GeosGeomDeleter {
    GEOSContextHandle_t ctx = nullptr;
    void operator()(GEOSGeometry* g) const noexcept {
        if (g) GEOSGeom_destroy_r(ctx, g);
    }
};
struct GeosPreparedDeleter {
    GEOSContextHandle_t ctx = nullptr;
    void operator()(const GEOSPreparedGeometry* g) const noexcept {
        if (g) GEOSPreparedGeom_destroy_r(ctx, g);
    }
};
using GeosGeom = std::unique_ptr<GEOSGeometry, GeosGeomDeleter>;
using GeosPrepared = std::unique_ptr<const GEOSPreparedGeometry, GeosPreparedDeleter>;

// One GEOS handle with its error message. Use one per thread; it outlives every
// geometry made in it. Movable (the handle stays the same), not copyable.
class GeosContext {
public:
    GeosContext();
    ~GeosContext();
    GeosContext(GeosContext&&) noexcept;
    GeosContext& operator=(GeosContext&&) noexcept;
    GeosContext(const GeosContext&) = delete;
    GeosContext& operator=(const GeosContext&) = delete;

    GEOSContextHandle_t handle() const;
    // The last error GEOS reported in this context (empty when none).
    const std::string& last_error() const;
    void clear_error();

    GeosGeom own(GEOSGeometry* g) const { return GeosGeom(g, GeosGeomDeleter{handle()}); }
    GeosPrepared prepare(const GEOSGeometry* g) const;

    GeosGeom point(Point2 p, Point2 origin = {}) const;
    // A line string; nullptr for fewer than two points.
    GeosGeom line(const std::vector<Point2>& pts, Point2 origin = {}) const;
    // A polygon from a ring (closing point optional); nullptr for fewer than three distinct points.
    GeosGeom polygon(const std::vector<Point2>& ring, Point2 origin = {}) const;
    // The exterior ring of a polygon (or of the largest polygon of a collection) as points,
    // the closing point dropped, `origin` added back.
    std::vector<Point2> exterior(const GEOSGeometry* polygon, Point2 origin = {}) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// ---------------------------------------------------------------- entity shapes

// A run of connected points; a closed path returns to its first point (which is not repeated).
struct Path {
    std::vector<Point2> points;
    bool closed = false;
};

// What an entity covers in the XY plane (z is dropped; OCS coordinates are taken to WCS).
struct Shape {
    std::vector<Point2> points;  // isolated points: POINT, text insertion points, ...
    std::vector<Path> paths;     // curves; arcs and circles as chords
    // The closed paths bound areas: closed polylines, circles, closed ellipses, hatch loops,
    // image and block-reference boxes.
    bool areal = false;

    bool empty() const { return points.empty() && paths.empty(); }
    Box2 bounds() const;
};

// How finely arcs are broken into chords: no chord spans more than `max_step_deg`, and no
// chord strays further than `chord_error` from its arc. The quadrant points of every arc
// are kept, so the bounding box of the chords is the arc's own.
struct ArcOptions {
    double max_step_deg = 5.0;
    double chord_error = 1e-3;
    int max_segments_per_turn = 4096;
};

// Bounding boxes of block definitions by name (upper case), filled as inserts ask for them.
using BlockBoxCache = std::map<std::string, Box2>;

// The shape of a model-space or block entity. Types: POINT, LINE, LWPOLYLINE, POLYLINE (2D and
// 3D; meshes as their vertices), CIRCLE, ARC, ELLIPSE, SPLINE (through its fit or control
// points), TEXT/MTEXT/ATTDEF (insertion point), INSERT (the block's box, scaled and rotated),
// IMAGE (its frame), HATCH (its boundary loops), SOLID/TRACE/3DFACE (their outline); any other
// entity by the points of its 10..18 groups. Empty when the entity has no place in the plane.
Shape entity_shape(const Document& doc, RecordId id, const ArcOptions& arcs = {},
                   BlockBoxCache* blocks = nullptr);
// The 2D bounding box of an entity; nullopt when it has no place in the plane.
std::optional<Box2> entity_bounds(const Document& doc, RecordId id, BlockBoxCache* blocks = nullptr);

// Appends the chords of a polyline segment from a to b with bulge `bulge` (tan of a quarter of
// the included angle, positive counter-clockwise) to `out`; a itself is not appended, b is,
// exactly as given.
void append_bulge_segment(std::vector<Point2>& out, Point2 a, Point2 b, double bulge, const ArcOptions& arcs = {});
// The points of a polyline with bulges (bulges[i] belongs to the segment from vertex i).
Path polyline_path(const std::vector<Point2>& vertices, const std::vector<double>& bulges, bool closed,
                   const ArcOptions& arcs = {});

// ---------------------------------------------------------------- measures

// Area enclosed by a polyline taken as closed, arcs (bulges) counted exactly; never negative.
double polyline_area(const std::vector<Point2>& vertices, const std::vector<double>& bulges = {});
// Signed area of a ring (positive counter-clockwise), straight edges.
double ring_signed_area(const std::vector<Point2>& ring);
// Area of a polyline (as closed, as CAD programs report it), a circle or a closed ellipse;
// nullopt for other entities.
std::optional<double> entity_area(const Document& doc, RecordId id);

enum class Location { Outside, Boundary, Inside };
// Where a point lies with respect to a ring (closing point optional); within `tolerance` of an
// edge counts as on the boundary.
Location locate_in_ring(Point2 p, const std::vector<Point2>& ring, double tolerance = 0);
// Where a point lies with respect to the area of a closed polyline (bulges followed), a circle
// or a closed ellipse; nullopt when the entity bounds no area.
std::optional<Location> locate_in_entity(const Document& doc, RecordId id, Point2 p, double tolerance = 0);

// ---------------------------------------------------------------- shapes as GEOS geometries

// The shape as linework: a point, line string, or a collection of them; closed paths as closed
// line strings. Coordinates are taken relative to `origin` (subtracting a nearby round origin
// keeps the arithmetic of GEOS well inside double precision). nullptr for an empty shape.
GeosGeom shape_outline(const GeosContext& ctx, const Shape& shape, Point2 origin = {});
// The areas of the shape's closed paths: a polygon, or a multipolygon with one polygon per
// closed path. nullptr when the shape bounds no area.
GeosGeom shape_area(const GeosContext& ctx, const Shape& shape, Point2 origin = {});

}  // namespace korvane::drawing
