#include <array>
#include <cmath>
#include <span>
#include <numbers>

#include "drawing/entity.h"
#include "drawing/geometry.h"
#include "drawing/image.h"
#include "drawing/tables.h"
#include "drawing/transform.h"
#include "host/embedded_internal.h"
#include "host/host_services.h"

namespace korvane::host {

namespace {

std::string object_name(const drawing::Entity& e) {
    std::string t = e.type();
    if (t == "POLYLINE") {
        long long f = e.integer(70).value_or(0);
        if (f & 64) return "AcDbPolyFaceMesh";
        if (f & 16) return "AcDbPolygonMesh";
        return (f & 8) ? "AcDb3dPolyline" : "AcDb2dPolyline";
    }
    static const std::pair<const char*, const char*> names[] = {
        {"POINT", "AcDbPoint"},     {"LINE", "AcDbLine"},          {"LWPOLYLINE", "AcDbPolyline"},
        {"TEXT", "AcDbText"},       {"MTEXT", "AcDbMText"},        {"CIRCLE", "AcDbCircle"},
        {"ARC", "AcDbArc"},         {"ELLIPSE", "AcDbEllipse"},    {"HATCH", "AcDbHatch"},
        {"IMAGE", "AcDbRasterImage"}, {"INSERT", "AcDbBlockReference"}, {"SPLINE", "AcDbSpline"},
        {"SOLID", "AcDbTrace"},     {"3DFACE", "AcDbFace"},        {"DIMENSION", "AcDbDimension"},
        {"LEADER", "AcDbLeader"},   {"ATTDEF", "AcDbAttributeDefinition"}, {"WIPEOUT", "AcDbWipeout"},
        {"RAY", "AcDbRay"},         {"XLINE", "AcDbXline"},        {"REGION", "AcDbRegion"},
    };
    for (auto& [dxf, name] : names)
        if (t == dxf) return name;
    // Others: AcDb + the type name in title case.
    std::string out = "AcDb";
    bool upper = true;
    for (char c : t) {
        if (c == '_') { upper = true; continue; }
        out += upper ? c : char(std::tolower(static_cast<unsigned char>(c)));
        upper = false;
    }
    return out;
}

// Automation alignment codes from TEXT's 72 (horizontal) and 73 (vertical) groups.
int alignment_of(int h, int v) {
    if (v == 0) return h >= 0 && h <= 5 ? h : 0;
    int base = v == 3 ? 6 : v == 2 ? 9 : 12;
    return base + (h >= 0 && h <= 2 ? h : 0);
}

class EmbeddedEntity : public Entity, EmbeddedBase {
public:
    EmbeddedEntity(EmbeddedHost& host, HostDocument* doc, drawing::RecordId id) : EmbeddedBase(host, doc), id_(id) {}
    drawing::RecordId id() const { return id_; }

    std::string Handle() override { return ok() ? ent().handle_text() : std::string(); }
    std::string ObjectName() override { return ok() ? object_name(ent()) : std::string(); }
    std::string Layer() override { return ok() ? ent().layer() : std::string(); }
    void SetLayer(const std::string& name) override {
        if (!ok()) return;
        if (drawing::find_table_entry(engine(), "LAYER", name) == drawing::kNoRecord) {
            err().raise(kErrNotFound, "no layer named " + name);  // the automation interface needs the layer to exist
            return;
        }
        ent().set_layer(name);
        host_->changed();
    }
    int color() override { return ok() ? ent().color() : 256; }
    void Setcolor(int c) override {
        if (!ok()) return;
        if (c < 0 || c > 256) {
            err().raise(kErrInvalidArgument, "colour out of range");
            return;
        }
        ent().set_color(c);
        host_->changed();
    }
    std::string Linetype() override {
        if (!ok()) return std::string();
        auto name = ent().text_of(6);
        return name ? *name : std::string("ByLayer");
    }
    void SetLinetype(const std::string& name) override {
        if (!ok()) return;
        std::string key;
        for (char ch : name) key += char(std::toupper(static_cast<unsigned char>(ch)));
        // A linetype the drawing does not define makes the file unreadable for CAD programs.
        if (key != "BYLAYER" && key != "BYBLOCK" && drawing::find_table_entry(engine(), "LTYPE", name) == drawing::kNoRecord) {
            err().raise(kErrNotFound, "no linetype named " + name);
            return;
        }
        ent().set_text_of(6, name, 8);
        host_->changed();
    }

    XData GetXData(const std::string& app) override {
        XData out;
        if (!ok()) return out;
        const drawing::Entity e = ent();
        const size_t tags = e.rec().tags.size() - e.xdata_start();
        out.codes.reserve(tags);
        out.values.reserve(tags);
        e.visit_xdata(app, [&](drawing::XDataItem&& item) {
            if (item.code >= 1010 && item.code <= 1013) out.add(item.code, Point{item.point.x, item.point.y, item.point.z});
            else if (item.code >= 1040 && item.code <= 1042) out.add(item.code, item.real);
            else if (item.code == 1070 || item.code == 1071) out.add(item.code, item.integer);
            else out.add(item.code, std::move(item.text));
        });
        return out;
    }
    void SetXData(const XData& data) override {
        if (!ok()) return;
        if (data.codes.size() != data.values.size() || data.empty()) {
            err().raise(kErrInvalidArgument, "extended data arrays must be of equal, non-zero length");
            return;
        }
        // Texts are looked at where they lie; numbers written as text are kept here meanwhile
        // (reserved whole when the first comes, so that none moves).
        std::vector<std::string> numbers;
        std::array<drawing::XDataValue, 32> few;
        std::vector<drawing::XDataValue> many(data.size() > few.size() ? data.size() : 0);
        const std::span<drawing::XDataValue> items = many.empty() ? std::span(few).first(data.size()) : std::span(many);
        for (size_t i = 0; i < data.size(); ++i) {
            if (numbers.capacity() == 0 && !std::holds_alternative<std::string>(data.values[i])) numbers.reserve(data.size());
            drawing::XDataValue& item = items[i];
            item.code = data.codes[i];
            const Value& v = data.values[i];
            if (auto s = std::get_if<std::string>(&v)) item.text = *s;
            else if (auto r = std::get_if<double>(&v)) { item.real = *r; item.integer = (long long)std::llround(*r); item.text = numbers.emplace_back(drawing::format_real(*r)); }
            else if (auto n = std::get_if<long long>(&v)) { item.integer = *n; item.real = double(*n); item.text = numbers.emplace_back(std::to_string(*n)); }
            else if (auto p = std::get_if<Point>(&v)) item.point = {p->x, p->y, p->z};
        }
        try {
            ent().set_xdata(items);
        } catch (const std::exception& e) {
            err().raise(kErrInvalidArgument, e.what());
        }
    }
    void Update() override {
        if (ok()) host_->changed();
    }
    void Delete() override {
        if (!ok()) return;
        engine().erase(id_);
        doc_->highlighted().erase(id_);
        host_->changed();
    }
    void Highlight(bool on) override {
        if (!ok()) return;
        if (on) doc_->highlighted().insert(id_);
        else doc_->highlighted().erase(id_);
        host_->changed();
    }
    void Move(const Point& from, const Point& to) override {
        if (ok() && !drawing::move(ent(), to.x - from.x, to.y - from.y, to.z - from.z)) unsupported();
        host_->changed();
    }
    void Rotate(const Point& base, double radians) override {
        if (ok() && !drawing::rotate(ent(), {base.x, base.y, base.z}, radians)) unsupported();
        host_->changed();
    }
    void ScaleEntity(const Point& base, double factor) override {
        if (!ok()) return;
        if (factor <= 0) {
            err().raise(kErrInvalidArgument, "the scale factor must be positive");
            return;
        }
        if (!drawing::scale(ent(), {base.x, base.y, base.z}, factor)) unsupported();
        host_->changed();
    }
    bool GetBoundingBox(Point& min, Point& max) override {
        if (!ok()) return false;
        if (auto box = drawing::entity_bounds(engine(), id_)) {
            min = {box->min_x, box->min_y, 0};
            max = {box->max_x, box->max_y, 0};
            return true;
        }
        err().raise(kErrFail, "the entity has no extents");
        return false;
    }

    std::vector<double> Coordinates() override {
        std::vector<double> out;
        if (!ok() || !polyline()) return out;
        bool lw = ent().type() == "LWPOLYLINE";
        for (const auto& p : ent().vertices()) {
            out.push_back(p.x);
            out.push_back(p.y);
            if (!lw) out.push_back(p.z);
        }
        return out;
    }
    void SetCoordinates(const std::vector<double>& c) override {
        if (!ok() || !polyline()) return;
        size_t step = ent().type() == "LWPOLYLINE" ? 2 : 3;
        if (c.size() < 2 * step || c.size() % step) {
            err().raise(kErrInvalidArgument, "wrong number of coordinates");
            return;
        }
        std::vector<drawing::Point3> pts;
        for (size_t i = 0; i + step - 1 < c.size(); i += step) pts.push_back({c[i], c[i + 1], step == 3 ? c[i + 2] : 0});
        auto bulges = ent().bulges();
        bulges.resize(pts.size(), 0);
        ent().set_vertices(pts, bulges);
        host_->changed();
    }
    double GetBulge(long index) override {
        if (!ok() || !polyline()) return 0;
        const std::vector<double> bulges = ent().bulges();  // one per vertex
        if (index < 0 || size_t(index) >= bulges.size()) {
            err().raise(kErrInvalidArgument, "no vertex " + std::to_string(index));
            return 0;
        }
        return bulges[size_t(index)];
    }
    double ConstantWidth() override { return ok() && polyline() ? ent().constant_width() : 0; }
    void SetConstantWidth(double w) override {
        if (ok() && polyline()) { ent().set_constant_width(w); host_->changed(); }
    }
    double Elevation() override { return ok() && polyline() ? ent().elevation() : 0; }
    void SetElevation(double z) override {
        if (ok() && polyline()) { ent().set_elevation(z); host_->changed(); }
    }
    double Area() override {
        if (!ok()) return 0;
        std::string t = ent().type();
        if (t != "LWPOLYLINE" && t != "POLYLINE" && t != "CIRCLE" && t != "HATCH" && t != "ELLIPSE" && t != "ARC") {
            unsupported();
            return 0;
        }
        return drawing::entity_area(engine(), id_).value_or(0);
    }
    bool Closed() override { return ok() && polyline() && ent().closed(); }
    void SetClosed(bool c) override {
        if (ok() && polyline()) { ent().set_closed(c); host_->changed(); }
    }
    Point StartPoint() override {
        if (!ok()) return {};
        std::string t = ent().type();
        if (t == "LINE") return pt(ent().point(10));
        if (t == "LWPOLYLINE" || t == "POLYLINE") {
            auto v = ent().vertices();
            if (!v.empty()) return {v[0].x, v[0].y, v[0].z};
        }
        if (t == "ARC") {
            auto c = ent().point(10).value_or(drawing::Point3{});
            double r = ent().real(40).value_or(0), a = ent().real(50).value_or(0) * std::numbers::pi / 180;
            return {c.x + r * std::cos(a), c.y + r * std::sin(a), c.z};
        }
        unsupported();
        return {};
    }
    Point Center() override {
        if (!ok()) return {};
        std::string t = ent().type();
        if (t == "CIRCLE" || t == "ARC" || t == "ELLIPSE") return pt(ent().point(10));
        unsupported();
        return {};
    }
    Point InsertionPoint() override {
        if (!ok()) return {};
        std::string t = ent().type();
        if (t == "TEXT" || t == "MTEXT" || t == "INSERT" || t == "IMAGE" || t == "ATTDEF" || t == "POINT") return pt(ent().point(10));
        unsupported();
        return {};
    }
    void SetInsertionPoint(const Point& p) override {
        if (!ok()) return;
        std::string t = ent().type();
        if (t == "TEXT" || t == "MTEXT" || t == "INSERT" || t == "IMAGE" || t == "POINT") {
            ent().set_point(10, {p.x, p.y, p.z});
            host_->changed();
        } else {
            unsupported();
        }
    }
    std::vector<EntityPtr> Explode() override {
        std::vector<EntityPtr> out;
        if (!ok()) return out;
        std::string error;
        auto ids = explode_entity(engine(), id_, error);
        if (!error.empty()) {
            err().raise(kErrNotSupported, error);
            return out;
        }
        for (auto id : ids) out.push_back(make_embedded_entity(*host_, *doc_, id));
        host_->changed();
        return out;
    }

    std::string TextString() override { return ok() && text() ? ent().text() : std::string(); }
    void SetTextString(const std::string& s) override {
        if (ok() && text()) { ent().set_text(s); host_->changed(); }
    }
    int Alignment() override {
        if (!ok() || !plain_text()) return 0;
        return alignment_of(ent().halign(), ent().valign());
    }
    void SetAlignment(int a) override {
        if (!ok() || !plain_text()) return;
        if (a < 0 || a > 14) {
            err().raise(kErrInvalidArgument, "alignment out of range");
            return;
        }
        int h = a <= 5 ? a : (a - 6) % 3;
        int v = a <= 5 ? 0 : a <= 8 ? 3 : a <= 11 ? 2 : 1;
        drawing::Entity e = ent();
        e.set_integer(72, h, 1);
        if (e.find(11) < 0 && a != 0) {
            // The alignment point starts at the insertion point, as a CAD program does.
            drawing::Point3 ins = e.point(10).value_or(drawing::Point3{});
            auto& tags = e.mrec().tags;
            int at = e.find(72) + 1;
            std::vector<drawing::Tag> add = {engine().make_real(11, ins.x), engine().make_real(21, ins.y),
                                             engine().make_real(31, ins.z)};
            tags.insert(tags.begin() + at, add.begin(), add.end());
        }
        e.set_integer(73, v);
        host_->changed();
    }
    Point TextAlignmentPoint() override {
        if (!ok() || !plain_text()) return {};
        auto p = ent().point(11);
        return p ? pt(p) : pt(ent().point(10));
    }
    void SetTextAlignmentPoint(const Point& p) override {
        if (!ok() || !plain_text()) return;
        drawing::Entity e = ent();
        if (e.find(11) < 0) {
            auto& tags = e.mrec().tags;
            int at = e.find(72) >= 0 ? e.find(72) + 1 : (e.find(1) >= 0 ? e.find(1) + 1 : int(e.xdata_start()));
            std::vector<drawing::Tag> add = {engine().make_real(11, p.x), engine().make_real(21, p.y),
                                             engine().make_real(31, p.z)};
            tags.insert(tags.begin() + at, add.begin(), add.end());
        } else {
            e.set_point(11, {p.x, p.y, p.z});
        }
        host_->changed();
    }
    double Height() override {
        if (!ok() || !text()) return 0;
        return ent().real(40).value_or(0);
    }
    std::string Name() override {
        if (!ok()) return {};
        if (ent().type() != "IMAGE") {
            unsupported();
            return {};
        }
        return drawing::image_name(engine(), id_);
    }

private:
    drawing::RecordId id_;
    drawing::Entity ent() { return drawing::Entity(engine(), id_); }
    bool ok() {
        if (!alive()) return false;
        if (!doc_->is_live_entity(id_)) {
            err().raise(kErrErased, "the object was erased");
            return false;
        }
        return true;
    }
    void unsupported() { err().raise(kErrNotSupported, "object doesn't support this property or method"); }
    bool polyline() {
        if (ent().is_polyline()) return true;
        unsupported();
        return false;
    }
    bool text() {
        std::string t = ent().type();
        if (t == "TEXT" || t == "MTEXT" || t == "ATTRIB" || t == "ATTDEF") return true;
        unsupported();
        return false;
    }
    bool plain_text() {
        if (ent().type() == "TEXT") return true;
        unsupported();
        return false;
    }
    static Point pt(const std::optional<drawing::Point3>& p) { return p ? Point{p->x, p->y, p->z} : Point{}; }
    friend drawing::RecordId korvane::host::record_of(const EntityPtr&);
};

}  // namespace

EntityPtr make_embedded_entity(EmbeddedHost& host, HostDocument& doc, drawing::RecordId id) {
    if (!doc.is_live_entity(id)) return nullptr;
    return std::make_shared<EmbeddedEntity>(host, &doc, id);
}

drawing::RecordId record_of(const EntityPtr& entity) {
    auto e = std::dynamic_pointer_cast<EmbeddedEntity>(entity);
    return e ? e->id() : drawing::kNoRecord;
}

}  // namespace korvane::host
