#include "host/host_services.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>

#include "drawing/block.h"
#include "drawing/create.h"
#include "drawing/geometry.h"
#include "drawing/image.h"
#include "drawing/selection.h"
#include "drawing/spatial_index.h"
#include "host/host_document.h"

namespace korvane::host {

namespace {

bool ends_with_dxf(const std::string& s) {
    return s.size() > 4 && drawing::iequals(std::string_view(s).substr(s.size() - 4), ".dxf");
}

// Line and arc pieces of a polyline, as separate entities on its layer.
std::vector<drawing::RecordId> explode_polyline(drawing::Document& doc, drawing::RecordId id) {
    drawing::Entity e(doc, id);
    auto v = e.vertices();
    auto b = e.bulges();
    std::string layer = e.layer();
    std::vector<drawing::RecordId> out;
    size_t n = v.size();
    size_t segments = e.closed() ? n : (n ? n - 1 : 0);
    for (size_t i = 0; i < segments; ++i) {
        drawing::Point3 a = v[i], c = v[(i + 1) % n];
        double bulge = i < b.size() ? b[i] : 0;
        if (std::fabs(bulge) < 1e-12) {
            out.push_back(drawing::add_line(doc, a, c, layer));
            continue;
        }
        double chord = std::hypot(c.x - a.x, c.y - a.y);
        double theta = 4 * std::atan(bulge);
        double r = chord / (2 * std::sin(std::fabs(theta) / 2));
        double mx = (a.x + c.x) / 2, my = (a.y + c.y) / 2;
        double h = r * std::cos(theta / 2);  // centre offset from the chord's middle
        double ux = -(c.y - a.y) / chord, uy = (c.x - a.x) / chord;
        double sign = bulge > 0 ? 1 : -1;
        drawing::Point3 centre{mx + sign * ux * h, my + sign * uy * h, a.z};
        double sa = std::atan2(a.y - centre.y, a.x - centre.x) * 180 / std::numbers::pi;
        double ea = std::atan2(c.y - centre.y, c.x - centre.x) * 180 / std::numbers::pi;
        if (bulge < 0) std::swap(sa, ea);
        out.push_back(drawing::add_arc(doc, centre, std::fabs(r), sa, ea, layer));
    }
    return out;
}

}  // namespace

drawing::RecordId add_raster(drawing::Document& doc, const std::string& file, const drawing::Point3& at, double scale,
                             double rotation, const std::string& layer, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        error = "image file not found: " + file;
        return drawing::kNoRecord;
    }
    drawing::RecordId id = drawing::add_image(doc, file, at, scale, rotation * 180 / std::numbers::pi, layer);
    if (id == drawing::kNoRecord) error = "not a JPEG, PNG or TIFF image: " + file;
    return id;
}

drawing::RecordId insert_block(drawing::Document& doc, const std::string& name, const drawing::Point3& at, double xs,
                               double ys, double zs, double rotation, const std::string& layer, std::string& error) {
    double deg = rotation * 180 / std::numbers::pi;
    if (ends_with_dxf(name) || name.find('/') != std::string::npos) {
        drawing::CopyReport report;
        drawing::RecordId id = drawing::insert_dxf_as_block(doc, name, at, xs, ys, zs, deg, layer, &report);
        if (id == drawing::kNoRecord) error = report.error;
        return id;
    }
    if (drawing::find_block(doc, name) == drawing::kNoRecord) {
        error = "no block named " + name;
        return drawing::kNoRecord;
    }
    return drawing::add_insert(doc, name, at, xs, ys, zs, deg, layer);
}

std::vector<drawing::RecordId> explode_entity(drawing::Document& doc, drawing::RecordId id, std::string& error) {
    std::string type(doc.type(id));
    if (type == "LWPOLYLINE" || type == "POLYLINE") return explode_polyline(doc, id);
    if (type != "INSERT") {
        error = "a " + type + " cannot be exploded";
        return {};
    }
    drawing::CopyReport report;
    auto pieces = drawing::explode_insert(doc, id, &report);
    if (!report.error.empty()) error = report.error;
    // The automation interface keeps the block reference; only the copies are new.
    if (doc.record(id).erased) {
        doc.edit(id).erased = false;
        doc.index_handle(id);
        for (auto f : doc.record(id).followers) {
            doc.edit(f).erased = false;
            doc.index_handle(f);
        }
    }
    return pieces;
}

drawing::RecordId pick_at(HostDocument& doc, const Point& p, double tolerance) {
    return drawing::pick_at(doc.doc(), doc.index(), drawing::Point2{p.x, p.y}, tolerance);
}

bool extents(HostDocument& doc, Point& min, Point& max) {
    drawing::Box2 b = doc.index().extents();
    if (b.empty()) return false;
    min = {b.min_x, b.min_y, 0};
    max = {b.max_x, b.max_y, 0};
    return true;
}

namespace {
drawing::SelectionFilter engine_filter(const Filter& filter) {
    drawing::SelectionFilter f;
    for (size_t i = 0; i < filter.codes.size() && i < filter.values.size(); ++i) f.add(filter.codes[i], filter.values[i]);
    return f;
}
}  // namespace

std::vector<drawing::RecordId> select_all(HostDocument& doc, const Filter& filter) {
    return drawing::select_all(doc.doc(), engine_filter(filter));
}

std::vector<drawing::RecordId> select_polygon(HostDocument& doc, const std::vector<Point>& polygon, bool crossing,
                                              const Filter& filter) {
    std::vector<drawing::Point2> pts;
    for (const auto& p : polygon) pts.push_back({p.x, p.y});
    return drawing::select_by_polygon(doc.doc(), doc.index(), pts,
                                      crossing ? drawing::PolygonMode::Crossing : drawing::PolygonMode::Window,
                                      engine_filter(filter));
}

std::vector<drawing::RecordId> apply_filter(HostDocument& doc, const std::vector<drawing::RecordId>& ids,
                                            const Filter& filter) {
    if (filter.empty()) return ids;
    drawing::SelectionFilter f = engine_filter(filter);
    std::vector<drawing::RecordId> out;
    for (auto id : ids)
        if (f.matches(doc.doc(), id)) out.push_back(id);
    return out;
}

std::vector<drawing::RecordId> select_rectangle(HostDocument& doc, const Point& a, const Point& b, bool crossing) {
    std::vector<Point> poly = {{a.x, a.y, 0}, {b.x, a.y, 0}, {b.x, b.y, 0}, {a.x, b.y, 0}};
    return select_polygon(doc, poly, crossing, Filter{});
}

}  // namespace korvane::host
