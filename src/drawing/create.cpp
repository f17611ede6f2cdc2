// Entity creation: each builder writes the groups in the order CAD programs write
// them, in the form the drawing's version calls for.
#include "create.h"

#include "tables.h"

namespace korvane::drawing {

namespace {

// R12 drawings carry handles only when $HANDLING says so.
bool uses_handles(const Document& doc) {
    return !doc.is_r12() || doc.header_text("$HANDLING").value_or("0") != "0";
}

void put_point(Document& doc, std::vector<Tag>& tags, int code, const Point3& p) {
    tags.push_back(doc.make_real(code, p.x));
    tags.push_back(doc.make_real(code + 10, p.y));
    tags.push_back(doc.make_real(code + 20, p.z));
}

void put_marker(Document& doc, std::vector<Tag>& tags, std::string_view subclass) {
    if (!doc.is_r12()) tags.push_back(doc.make_raw(100, subclass));
}

uint64_t handle_in(const Document& doc, const std::vector<Tag>& tags) {
    return tags.size() > 1 && tags[1].code == 5 ? parse_handle(doc.raw(tags[1])) : 0;
}

// POLYLINE with VERTEX records and SEQEND; each follower has its own handle and the POLYLINE
// as owner. 2D vertices sit at the elevation (z of the first point), 3D ones where they are.
RecordId add_old_polyline(Document& doc, const std::vector<Point3>& points, const std::vector<double>& bulges,
                          bool three_d, bool closed, std::string_view layer) {
    double elevation = three_d || points.empty() ? 0.0 : points.front().z;
    auto tags = entity_head(doc, "POLYLINE", layer, three_d ? "AcDb3dPolyline" : "AcDb2dPolyline");
    tags.push_back(doc.make_int(66, 1));
    put_point(doc, tags, 10, {0, 0, elevation});
    tags.push_back(doc.make_int(70, (closed ? 1 : 0) | (three_d ? 8 : 0)));
    uint64_t owner = handle_in(doc, tags);
    std::vector<std::vector<Tag>> followers;
    for (size_t i = 0; i < points.size(); ++i) {
        auto v = entity_head(doc, "VERTEX", layer, "AcDbVertex", owner);
        put_marker(doc, v, three_d ? "AcDb3dPolylineVertex" : "AcDb2dVertex");
        put_point(doc, v, 10, three_d ? points[i] : Point3{points[i].x, points[i].y, elevation});
        if (!three_d && i < bulges.size() && bulges[i] != 0) v.push_back(doc.make_real(42, bulges[i]));
        v.push_back(doc.make_int(70, three_d ? 32 : 0));
        followers.push_back(std::move(v));
    }
    followers.push_back(entity_head(doc, "SEQEND", layer, {}, owner));
    return add_entity(doc, std::move(tags), std::move(followers));
}

}  // namespace

std::vector<Tag> entity_head(Document& doc, std::string_view type, std::string_view layer,
                             std::string_view subclass, uint64_t owner) {
    if (layer.empty()) layer = "0";
    if (layer != "0") add_layer(doc, layer);
    std::vector<Tag> tags{doc.make_raw(0, type)};
    if (uses_handles(doc)) tags.push_back(doc.make_handle(5, doc.allocate_handle()));
    if (!doc.is_r12()) {
        if (owner == 0) owner = doc.modelspace_owner();
        if (owner != 0) tags.push_back(doc.make_handle(330, owner));
        tags.push_back(doc.make_raw(100, "AcDbEntity"));
    }
    tags.push_back(doc.make_text(8, layer));
    if (!subclass.empty()) put_marker(doc, tags, subclass);
    return tags;
}

RecordId add_entity(Document& doc, std::vector<Tag> tags, std::vector<std::vector<Tag>> followers) {
    Record r;
    r.tags = std::move(tags);
    for (auto& f : followers) {
        Record fr;
        fr.tags = std::move(f);
        r.followers.push_back(doc.add_record(std::move(fr)));
    }
    RecordId id = doc.add_record(std::move(r));
    doc.append_to_modelspace(id);
    // A drawing read without $HANDSEED gets one, so that the saved seed stays above the new handles.
    if (doc.handle_of(id) && !doc.header_range("$HANDSEED"))
        doc.set_header("$HANDSEED", {doc.make_handle(5, doc.next_handle())});
    return id;
}

RecordId add_point(Document& doc, const Point3& p, std::string_view layer) {
    auto tags = entity_head(doc, "POINT", layer, "AcDbPoint");
    put_point(doc, tags, 10, p);
    return add_entity(doc, std::move(tags));
}

RecordId add_line(Document& doc, const Point3& a, const Point3& b, std::string_view layer) {
    auto tags = entity_head(doc, "LINE", layer, "AcDbLine");
    put_point(doc, tags, 10, a);
    put_point(doc, tags, 11, b);
    return add_entity(doc, std::move(tags));
}

RecordId add_lwpolyline(Document& doc, const std::vector<Point3>& points, bool closed, std::string_view layer,
                        const std::vector<double>& bulges) {
    if (doc.is_r12()) return add_old_polyline(doc, points, bulges, false, closed, layer);
    double elevation = points.empty() ? 0.0 : points.front().z;
    auto tags = entity_head(doc, "LWPOLYLINE", layer, "AcDbPolyline");
    tags.push_back(doc.make_int(90, static_cast<long long>(points.size())));
    tags.push_back(doc.make_int(70, closed ? 1 : 0));
    tags.push_back(doc.make_real(43, 0.0));
    if (elevation != 0) tags.push_back(doc.make_real(38, elevation));
    for (size_t i = 0; i < points.size(); ++i) {
        tags.push_back(doc.make_real(10, points[i].x));
        tags.push_back(doc.make_real(20, points[i].y));
        if (i < bulges.size() && bulges[i] != 0) tags.push_back(doc.make_real(42, bulges[i]));
    }
    return add_entity(doc, std::move(tags));
}

RecordId add_polyline(Document& doc, const std::vector<Point3>& points, bool three_d, std::string_view layer,
                      bool closed) {
    return add_old_polyline(doc, points, {}, three_d, closed, layer);
}

RecordId add_text(Document& doc, std::string_view text, const Point3& insertion, double height,
                  std::string_view layer) {
    auto tags = entity_head(doc, "TEXT", layer, "AcDbText");
    put_point(doc, tags, 10, insertion);
    tags.push_back(doc.make_real(40, height));
    tags.push_back(doc.make_text(1, text));
    put_marker(doc, tags, "AcDbText");
    return add_entity(doc, std::move(tags));
}

RecordId add_mtext(Document& doc, std::string_view text, const Point3& insertion, double height,
                   std::string_view layer) {
    std::string content;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') content += doc.is_r12() ? " " : "\\P";
        else content += c;
    }
    if (doc.is_r12()) return add_text(doc, content, insertion, height, layer);
    auto tags = entity_head(doc, "MTEXT", layer, "AcDbMText");
    put_point(doc, tags, 10, insertion);
    tags.push_back(doc.make_real(40, height));
    tags.push_back(doc.make_real(41, 0.0));
    tags.push_back(doc.make_int(71, 1));
    tags.push_back(doc.make_int(72, 1));
    tags.push_back(doc.make_raw(1, ""));
    tags.push_back(doc.make_int(73, 1));
    tags.push_back(doc.make_real(44, 1.0));
    RecordId id = add_entity(doc, std::move(tags));
    Entity(doc, id).set_text(content);  // splits long text into 3 chunks and a final 1
    return id;
}

RecordId add_circle(Document& doc, const Point3& center, double radius, std::string_view layer) {
    auto tags = entity_head(doc, "CIRCLE", layer, "AcDbCircle");
    put_point(doc, tags, 10, center);
    tags.push_back(doc.make_real(40, radius));
    return add_entity(doc, std::move(tags));
}

RecordId add_arc(Document& doc, const Point3& center, double radius, double start_deg, double end_deg,
                 std::string_view layer) {
    auto tags = entity_head(doc, "ARC", layer, "AcDbCircle");
    put_point(doc, tags, 10, center);
    tags.push_back(doc.make_real(40, radius));
    put_marker(doc, tags, "AcDbArc");
    tags.push_back(doc.make_real(50, start_deg));
    tags.push_back(doc.make_real(51, end_deg));
    return add_entity(doc, std::move(tags));
}

}  // namespace korvane::drawing
