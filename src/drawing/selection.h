#pragma once
// Selecting entities of model space: by filter alone (everything, in drawing order), by a
// window or crossing polygon through the spatial index, and by a pick at a point.
//
// Filters are group code / value pairs as CAD selection filters give them; all pairs must hold.
//   0     entity type names        comma list of wildcard patterns, any case ("LWPOLYLINE,TEXT",
//   8     layer names              "ZD*"); a pattern matches the whole name, so "POLYLINE" does
//                                  not match LWPOLYLINE
//   62    colour number            256 = by layer (also an entity without a colour), 0 = by block
//   1000  extended-data string     some 1000 item of any application equals the value exactly
//   1001  application name         the entity has extended data of a matching application
//   other codes                    the entity's first group of that code: texts as wildcard
//                                  patterns, numbers equal
// Wildcards: * any run, ? one character, # a digit, @ a letter, . neither letter nor digit,
// [abc] [a-z] [~abc] one character of (not of) a set, ~ at the front negates the pattern,
// ` takes the next character literally (also a comma).
#include <string>
#include <string_view>
#include <vector>

#include "geometry.h"
#include "spatial_index.h"

namespace korvane::drawing {

// Whole-text match of a comma list of wildcard patterns, ASCII letters without regard to case.
bool wildcard_match(std::string_view patterns, std::string_view text);

class SelectionFilter {
public:
    struct Condition {
        int code = 0;
        std::string value;
    };

    SelectionFilter() = default;
    SelectionFilter(std::initializer_list<std::pair<int, std::string>> pairs);
    // Adds a condition. Throws std::invalid_argument for a code no filter can use (operators
    // such as -4, or a number that does not read as one).
    SelectionFilter& add(int code, std::string value);

    bool empty() const { return conditions_.empty(); }
    const std::vector<Condition>& conditions() const { return conditions_; }
    bool matches(const Document& doc, RecordId id) const;

private:
    std::vector<Condition> conditions_;
};

enum class PolygonMode {
    Window,    // entities lying wholly inside the polygon (its outline included)
    Crossing,  // entities inside the polygon, crossing its outline or touching it
};

// Pick tolerance of polygon selection, in drawing units. Shared edges of real drawings, computed
// two ways, differ in the last bits of their coordinates; anything this close to the polygon's
// outline counts as touching it (crossing) or lying on it (window).
inline constexpr double kPickTolerance = 1e-4;

// Every model-space entity that passes the filter, in drawing order.
std::vector<RecordId> select_all(const Document& doc, const SelectionFilter& filter = {});

// Entities selected by a polygon, in drawing order. The polygon is cleaned first: repeated
// vertices (closer than the tolerance) and a closing vertex are dropped, and a polygon that
// crosses or touches itself is made valid. Fewer than three distinct vertices, or no area,
// select nothing. `index` must be an index of `doc`.
std::vector<RecordId> select_by_polygon(const Document& doc, SpatialIndex& index, const std::vector<Point2>& polygon,
                                        PolygonMode mode, const SelectionFilter& filter = {},
                                        double tolerance = kPickTolerance);

// The same with an axis-aligned rectangle (a window or crossing drag on screen).
std::vector<RecordId> select_by_box(const Document& doc, SpatialIndex& index, const Box2& box, PolygonMode mode,
                                    const SelectionFilter& filter = {}, double tolerance = kPickTolerance);

// The entity a pick at `p` hits: the nearest within `aperture`, the later in drawing order on a
// tie; kNoRecord when none. Fills (hatches, solids) count only where no other entity is under
// the pick box, and then also by a pick inside them (the topmost).
RecordId pick_at(const Document& doc, SpatialIndex& index, Point2 p, double aperture,
                 const SelectionFilter& filter = {});

// The polygon as the selection uses it (relative to `origin`): cleaned and valid, or nullptr when
// it selects nothing.
GeosGeom selection_polygon(const GeosContext& ctx, const std::vector<Point2>& polygon, Point2 origin,
                           double tolerance = kPickTolerance);

}  // namespace korvane::drawing
