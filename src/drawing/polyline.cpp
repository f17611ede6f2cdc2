// Polyline access: LWPOLYLINE keeps its vertices as 10/20 groups (with 40/41/42/91
// per vertex); POLYLINE keeps them in VERTEX records that follow it up to SEQEND.
#include <algorithm>

#include "entity.h"

namespace korvane::drawing {

namespace {

bool is_vertex_group(int code) { return code == 10 || code == 20 || code == 40 || code == 41 || code == 42 || code == 91; }

std::vector<RecordId> vertex_records(const Document& doc, const Record& r) {
    std::vector<RecordId> out;
    for (RecordId f : r.followers)
        if (!doc.record(f).erased && doc.type(f) == "VERTEX") out.push_back(f);
    return out;
}

}  // namespace

bool EntityView::is_polyline() const {
    std::string t = type();
    return t == "LWPOLYLINE" || t == "POLYLINE";
}

bool EntityView::is_3d_polyline() const { return type() == "POLYLINE" && (integer(70).value_or(0) & 8); }

std::vector<Point3> EntityView::vertices() const {
    std::vector<Point3> out;
    if (type() == "LWPOLYLINE") {
        const auto& tags = rec().tags;
        double z = elevation();
        size_t end = xdata_start();
        for (size_t i = 1; i < end; ++i) {
            if (tags[i].code != 10) continue;
            Point3 p{doc().real(tags[i]), 0, z};
            if (i + 1 < end && tags[i + 1].code == 20) p.y = doc().real(tags[++i]);
            out.push_back(p);
        }
        return out;
    }
    if (type() == "POLYLINE") {
        for (RecordId v : vertex_records(doc(), rec())) {
            EntityView ve(doc(), v);
            long long flags = ve.integer(70).value_or(0);
            if (flags & 16) continue;  // spline frame control points are not part of the shape
            out.push_back(ve.point(10).value_or(Point3{}));
        }
    }
    return out;
}

std::vector<double> EntityView::bulges() const {
    std::vector<double> out;
    if (type() == "LWPOLYLINE") {
        const auto& tags = rec().tags;
        size_t end = xdata_start();
        for (size_t i = 1; i < end; ++i) {
            if (tags[i].code == 10) out.push_back(0);
            else if (tags[i].code == 42 && !out.empty()) out.back() = doc().real(tags[i]);
        }
        return out;
    }
    if (type() == "POLYLINE")
        for (RecordId v : vertex_records(doc(), rec())) {
            EntityView ve(doc(), v);
            if (ve.integer(70).value_or(0) & 16) continue;
            out.push_back(ve.real(42).value_or(0));
        }
    return out;
}

void Entity::set_vertices(const std::vector<Point3>& points, const std::vector<double>& bulges) {
    if (type() == "LWPOLYLINE") {
        auto& tags = mrec().tags;
        size_t end = xdata_start();
        size_t first = end;
        for (size_t i = 1; i < end; ++i)
            if (tags[i].code == 10) { first = i; break; }
        size_t last = first;
        while (last < end && is_vertex_group(tags[last].code)) ++last;
        std::vector<Tag> vt;
        for (size_t k = 0; k < points.size(); ++k) {
            vt.push_back(doc_->make_real(10, points[k].x));
            vt.push_back(doc_->make_real(20, points[k].y));
            if (k < bulges.size() && bulges[k] != 0) vt.push_back(doc_->make_real(42, bulges[k]));
        }
        tags.erase(tags.begin() + long(first), tags.begin() + long(last));
        tags.insert(tags.begin() + long(first), vt.begin(), vt.end());
        set_integer(90, static_cast<long long>(points.size()), 100);
        doc_->touch();
        return;
    }
    if (type() != "POLYLINE") return;
    std::vector<RecordId> verts = vertex_records(*doc_, rec());
    bool three_d = is_3d_polyline();
    for (size_t k = 0; k < points.size(); ++k) {
        RecordId v;
        if (k < verts.size()) {
            v = verts[k];
        } else {
            // A new vertex copies the last one (its subclasses and flags) under a fresh handle.
            Record copy;
            if (!verts.empty()) copy.tags = doc_->record(verts.back()).tags;
            else {
                copy.tags.push_back(doc_->make_raw(0, "VERTEX"));
                if (!doc_->is_r12()) {
                    // From R13 on a vertex needs its handle, owner and subclass markers.
                    copy.tags.push_back(doc_->make_handle(5, 0));  // replaced by a fresh handle below
                    copy.tags.push_back(doc_->make_handle(330, handle()));
                    copy.tags.push_back(doc_->make_raw(100, "AcDbEntity"));
                }
                copy.tags.push_back(doc_->make_text(8, layer()));
                if (!doc_->is_r12()) {
                    copy.tags.push_back(doc_->make_raw(100, "AcDbVertex"));
                    copy.tags.push_back(doc_->make_raw(100, three_d ? "AcDb3dPolylineVertex" : "AcDb2dVertex"));
                }
                copy.tags.push_back(doc_->make_real(10, 0));
                copy.tags.push_back(doc_->make_real(20, 0));
                copy.tags.push_back(doc_->make_real(30, 0));
                if (three_d) copy.tags.push_back(doc_->make_raw(70, "32"));
            }
            for (auto& t : copy.tags)
                if (t.code == 5) t = doc_->make_handle(5, doc_->allocate_handle());
            v = doc_->add_record(std::move(copy));
            doc_->index_handle(v);
            auto& fol = mrec().followers;
            auto seq = std::find_if(fol.begin(), fol.end(), [&](RecordId f) { return doc_->type(f) == "SEQEND"; });
            fol.insert(seq, v);
        }
        Entity ve(*doc_, v);
        Point3 p = points[k];
        if (!three_d) p.z = 0;
        ve.set_point(10, p);
        double b = k < bulges.size() ? bulges[k] : 0;
        if (b != 0 || ve.find(42) >= 0) ve.set_real(42, b, 30);
    }
    for (size_t k = points.size(); k < verts.size(); ++k) doc_->erase(verts[k]);
    doc_->touch();
}

bool EntityView::closed() const { return integer(70).value_or(0) & 1; }

void Entity::set_closed(bool closed) {
    long long f = integer(70).value_or(0);
    f = closed ? (f | 1) : (f & ~1LL);
    set_integer(70, f, type() == "LWPOLYLINE" ? 90 : 30);
}

double EntityView::constant_width() const {
    if (type() == "LWPOLYLINE") return real(43).value_or(0);
    return real(40).value_or(0);
}

void Entity::set_constant_width(double width) {
    if (type() == "LWPOLYLINE") {
        // Per-vertex widths would override the constant width.
        auto& tags = mrec().tags;
        size_t end = xdata_start();
        for (size_t i = 1; i < end;) {
            if (tags[i].code == 40 || tags[i].code == 41) {
                tags.erase(tags.begin() + long(i));
                --end;
            } else {
                ++i;
            }
        }
        set_real(43, width, 70);
        return;
    }
    set_real(40, width, 70);
    set_real(41, width, 40);
    for (RecordId v : vertex_records(*doc_, rec())) {
        Entity ve(*doc_, v);
        if (ve.find(40) >= 0) ve.set_real(40, width);
        if (ve.find(41) >= 0) ve.set_real(41, width);
    }
}

double EntityView::elevation() const {
    if (type() == "LWPOLYLINE") return real(38).value_or(0);
    return point(10).value_or(Point3{}).z;
}

void Entity::set_elevation(double z) {
    if (type() == "LWPOLYLINE") {
        set_real(38, z, 70);
        return;
    }
    Point3 p = point(10).value_or(Point3{});
    p.z = z;
    set_point(10, p);
    if (!is_3d_polyline())
        for (RecordId v : vertex_records(*doc_, rec())) {
            Entity ve(*doc_, v);
            Point3 q = ve.point(10).value_or(Point3{});
            q.z = z;
            ve.set_point(10, q);
        }
}

}  // namespace korvane::drawing
