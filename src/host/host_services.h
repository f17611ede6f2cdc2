#pragma once
// Engine operations behind the automation objects and host commands that need
// more than one engine module: images, blocks, picking and extents.
#include <optional>
#include <string>
#include <vector>

#include "drawing/document.h"
#include "drawing/entity.h"
#include "host/host.h"

namespace korvane::host {

class HostDocument;

// An image from a file at `at`, `scale` drawing units wide, rotated (radians). kNoRecord and
// `error` filled when the file cannot be read.
drawing::RecordId add_raster(drawing::Document& doc, const std::string& file, const drawing::Point3& at,
                             double scale, double rotation, const std::string& layer, std::string& error);
// A block of the drawing by name, or a DXF file (path ending in .dxf) inserted as a block.
drawing::RecordId insert_block(drawing::Document& doc, const std::string& name_or_file, const drawing::Point3& at,
                               double xs, double ys, double zs, double rotation, const std::string& layer,
                               std::string& error);
// Copies of what the entity is made of (block contents, polyline segments), added to model
// space; the entity itself stays. `error` says why when it cannot be exploded.
std::vector<drawing::RecordId> explode_entity(drawing::Document& doc, drawing::RecordId id, std::string& error);
// The topmost entity within `tolerance` of the point (drawing units), or kNoRecord.
drawing::RecordId pick_at(HostDocument& doc, const Point& p, double tolerance);
// The 2D extents of model space; false when it is empty.
bool extents(HostDocument& doc, Point& min, Point& max);
// Model-space entities passing the filter, in drawing order.
std::vector<drawing::RecordId> select_all(HostDocument& doc, const Filter& filter);
// Window (wholly inside) or crossing polygon selection; x,y(,z) vertices in `points`.
std::vector<drawing::RecordId> select_polygon(HostDocument& doc, const std::vector<Point>& polygon, bool crossing,
                                              const Filter& filter);
// Keeps the entities passing the filter.
std::vector<drawing::RecordId> apply_filter(HostDocument& doc, const std::vector<drawing::RecordId>& ids,
                                            const Filter& filter);
// Members of a window (fully inside) or crossing rectangle.
std::vector<drawing::RecordId> select_rectangle(HostDocument& doc, const Point& a, const Point& b, bool crossing);

}  // namespace korvane::host
