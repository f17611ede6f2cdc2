#pragma once
// Typed access to one entity's tags. Reading parses the tags; writing edits the
// value of the owning group in place (or inserts it where CAD programs put it),
// so every other tag of the entity stays as it was.
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"

namespace korvane::drawing {

struct Point3 {
    double x = 0, y = 0, z = 0;
    bool operator==(const Point3&) const = default;
};

// One extended-data item. Strings (1000, 1001, 1002, 1003, 1004 hex, 1005 handle) use `text`;
// points and directions (1010-1013) `point`; reals (1040-1042) `real`; 1070/1071 `integer`.
struct XDataItem {
    int code = 1000;
    std::string text;
    Point3 point;
    double real = 0;
    long long integer = 0;

    static XDataItem string(std::string s, int code = 1000) { XDataItem i; i.code = code; i.text = std::move(s); return i; }
    static XDataItem app(std::string name) { return string(std::move(name), 1001); }
    static XDataItem real_value(double v, int code = 1040) { XDataItem i; i.code = code; i.real = v; return i; }
    static XDataItem int_value(long long v, int code = 1070) { XDataItem i; i.code = code; i.integer = v; return i; }
    static XDataItem point_value(Point3 p, int code = 1010) { XDataItem i; i.code = code; i.point = p; return i; }
    bool is_string() const { return code >= 1000 && code <= 1005; }
};

// One value handed to Entity::set_xdata, its text looked at where it lies (not copied).
struct XDataValue {
    int code = 1000;
    std::string_view text;
    Point3 point;
    double real = 0;
    long long integer = 0;
};

// Extended data that breaks the limits CAD programs enforce.
class XDataError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// A read-only view of one entity's own groups (those before its extended data) and of its
// extended data. Every reader of a drawing that does not change it goes through this view.
class EntityView {
public:
    EntityView(const Document& doc, RecordId id) : cdoc_(&doc), id_(id) {}

    const Document& doc() const { return *cdoc_; }
    RecordId id() const { return id_; }
    const Record& rec() const { return cdoc_->record(id_); }
    std::string type() const { return std::string(cdoc_->type(id_)); }
    uint64_t handle() const { return cdoc_->handle_of(id_).value_or(0); }
    std::string handle_text() const;

    std::string layer() const;
    int color() const;  // 256 (by layer) when absent

    // --- generic groups (the entity part, before extended data) ---
    // Index of the first tag with this code at or after `from`, or -1.
    int find(int code, size_t from = 1) const;
    // The same after the subclass marker `subclass` (from the start when the record has none).
    int find_in_subclass(std::string_view subclass, int code) const;
    size_t xdata_start() const;  // index of the first 1001 tag, or tags.size()
    std::optional<double> real(int code) const;
    std::optional<long long> integer(int code) const;
    std::optional<std::string> text_of(int code) const;
    uint64_t handle_value(int code) const;  // a handle-valued group (330, 340 ...); 0 when absent
    // A point stored as code, code+10, code+20 (10/20/30, 11/21/31 ...).
    std::optional<Point3> point(int code = 10) const;
    // The group at index i, for readers that walk the groups in order.
    int code_at(size_t i) const { return rec().tags[i].code; }
    double real_at(size_t i) const { return cdoc_->real(rec().tags[i]); }
    long long int_at(size_t i) const { return cdoc_->integer(rec().tags[i]); }
    Point3 point_at(size_t i) const;  // the point whose x group is at index i

    // --- extended data ---
    // Data of the named application (matched without regard to case), or of every
    // application when `app` is empty; each application's data starts with its 1001 item.
    std::vector<XDataItem> xdata(std::string_view app = {}) const;
    // The same items handed to `each` one by one (each(XDataItem&&)), for readers that keep
    // them in their own form.
    template <class F>
    void visit_xdata(std::string_view app, F&& each) const;
    std::vector<std::string> xdata_apps() const;

    // --- polylines (LWPOLYLINE, POLYLINE with VERTEX/SEQEND) ---
    bool is_polyline() const;
    bool is_3d_polyline() const;
    std::vector<Point3> vertices() const;  // LWPOLYLINE: z is the elevation
    std::vector<double> bulges() const;
    bool closed() const;
    double constant_width() const;
    double elevation() const;

    // --- text (TEXT, MTEXT, ATTRIB) ---
    std::string text() const;
    int halign() const { return int(integer(72).value_or(0)); }
    int valign() const { return int(integer(73).value_or(0)); }

private:
    const Document* cdoc_;
    RecordId id_;
};

// An entity that is edited: the view's readers and the writers. Writers change the value of
// the owning group in place, or insert it where CAD programs put it.
class Entity : public EntityView {
public:
    Entity(Document& doc, RecordId id) : EntityView(doc, id), doc_(&doc) {}

    Document& doc() const { return *doc_; }
    // Mutable access: journals the record for undo when a step is open.
    Record& mrec() const { return doc_->edit(id()); }

    void set_layer(std::string_view name);
    void set_color(int color);

    // Sets the first group of this code; when absent inserts it after `after` (or before extended data).
    void set_real(int code, double value, int after = -1);
    void set_integer(int code, long long value, int after = -1);
    void set_text_of(int code, std::string_view utf8, int after = -1);
    void set_point(int code, const Point3& p);

    // Replaces the data of the application named by items[0] (a 1001 item), leaving the others;
    // registers the application in the APPID table. Throws XDataError on broken limits.
    void set_xdata(const std::vector<XDataItem>& items);
    void set_xdata(std::span<const XDataValue> items);
    void remove_xdata(std::string_view app);

    void set_vertices(const std::vector<Point3>& points, const std::vector<double>& bulges = {});
    void set_closed(bool closed);
    void set_constant_width(double width);
    void set_elevation(double z);

    void set_text(std::string_view utf8);

private:
    Document* doc_;

    void set_tag(int code, const Tag& value, int after);
    int insert_position(int after) const;
};

template <class F>
void EntityView::visit_xdata(std::string_view app, F&& each) const {
    const auto& tags = rec().tags;
    bool take = false;
    for (size_t i = xdata_start(); i < tags.size(); ++i) {
        const Tag& t = tags[i];
        if (t.code == 1001) take = app.empty() || iequals(cdoc_->text(t), app);
        if (!take) continue;
        XDataItem item;
        item.code = t.code;
        if (t.code >= 1010 && t.code <= 1013) {
            item.point.x = cdoc_->real(t);
            if (i + 1 < tags.size() && tags[i + 1].code == t.code + 10) item.point.y = cdoc_->real(tags[++i]);
            if (i + 1 < tags.size() && tags[i + 1].code == t.code + 20) item.point.z = cdoc_->real(tags[++i]);
        } else if (t.code >= 1040 && t.code <= 1042) {
            item.real = cdoc_->real(t);
        } else if (t.code == 1070 || t.code == 1071) {
            item.integer = cdoc_->integer(t);
        } else if (t.code == 1004 || t.code == 1005) {
            item.text = std::string(cdoc_->raw(t));
        } else {
            item.text = cdoc_->text(t);
        }
        each(std::move(item));
    }
}

}  // namespace korvane::drawing
