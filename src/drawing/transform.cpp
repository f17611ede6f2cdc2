// Transforms work on the tags: every group that holds a coordinate, a vector, a size
// or an angle is rewritten through one similarity transform (uniform scale,
// rotation about the vertical axis, translation); every other group stays as read.
#include "transform.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace korvane::drawing {

namespace {

Point3 operator+(const Point3& a, const Point3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point3 operator-(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point3 operator*(double k, const Point3& a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Point3 cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Point3 unit(const Point3& a) {
    double n = std::sqrt(dot(a, a));
    return n > 0 ? (1.0 / n) * a : Point3{0, 0, 1};
}

double norm360(double a) {
    double r = std::fmod(a, 360.0);
    if (r < 0) r += 360.0;
    return std::fabs(r - 360.0) < 1e-10 || std::fabs(r) < 1e-10 ? 0.0 : r;
}

// p' = M·p + t, with M a multiple of a rotation.
struct Affine {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Point3 t;
    double k = 1;          // the scale factor
    double turn_deg = 0;   // rotation within the XY plane of the frame, degrees
    bool linear_identity = true;

    Point3 vec(const Point3& v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    Point3 point(const Point3& p) const { return vec(p) + t; }
    double angle_deg(double a) const { return turn_deg == 0 ? a : norm360(a + turn_deg); }
    void finish() {
        Point3 x = vec({1, 0, 0});
        turn_deg = linear_identity ? 0 : std::atan2(x.y, x.x) * 180.0 / std::numbers::pi;
        if (std::fabs(turn_deg) < 1e-12) turn_deg = 0;
    }
};

// P' = k·Rz(theta)·(P − base) + base + d
Affine world_transform(double k, double theta, const Point3& base, const Point3& d) {
    Affine a;
    double c = theta == 0 ? 1.0 : std::cos(theta), s = theta == 0 ? 0.0 : std::sin(theta);
    a.m[0][0] = k * c, a.m[0][1] = -k * s, a.m[1][0] = k * s, a.m[1][1] = k * c, a.m[2][2] = k;
    a.k = k;
    a.linear_identity = k == 1 && theta == 0;
    a.t = base + d - a.vec(base);
    a.finish();
    return a;
}

// The axes of an object coordinate system (the arbitrary axis algorithm of the DXF format).
void ocs_axes(const Point3& n, Point3& ax, Point3& ay) {
    ax = std::fabs(n.x) < 1.0 / 64 && std::fabs(n.y) < 1.0 / 64 ? unit(cross({0, 1, 0}, n)) : unit(cross({0, 0, 1}, n));
    ay = unit(cross(n, ax));
}

// The world transform seen from the object coordinate system of extrusion `n`; the
// extrusion becomes `n2`.
Affine in_ocs(const Affine& w, const Point3& n, Point3& n2) {
    n2 = unit(w.vec(n));
    if (n == Point3{0, 0, 1}) return w;
    Point3 ax, ay, bx, by;
    ocs_axes(n, ax, ay);
    ocs_axes(n2, bx, by);
    const Point3 cols[3] = {w.vec(ax), w.vec(ay), w.vec(n)};
    const Point3 rows[3] = {bx, by, n2};
    Affine a = w;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) a.m[r][c] = dot(rows[r], cols[c]);
    a.t = {dot(bx, w.t), dot(by, w.t), dot(n2, w.t)};
    a.linear_identity = w.linear_identity && n2 == n;
    a.finish();
    return a;
}

// What a group holds, for the purpose of transforming it.
// Point2 and PlanarPoint lie at the entity's elevation: the first has no z group, the second
// one that follows the elevation.
enum class Role {
    None, Point, Point2, PlanarPoint, ElevationPoint, Elevation, Vector, Vector2, Direction, Normal, Length, Degrees
};

bool is_text_type(std::string_view t) { return t == "TEXT" || t == "ATTRIB" || t == "ATTDEF"; }

bool in_ocs_type(std::string_view t) {
    return t == "CIRCLE" || t == "ARC" || is_text_type(t) || t == "INSERT" || t == "LWPOLYLINE" || t == "POLYLINE" ||
           t == "HATCH";
}

bool known_type(std::string_view t) {
    return in_ocs_type(t) || t == "POINT" || t == "LINE" || t == "MTEXT" || t == "ELLIPSE" || t == "IMAGE";
}

Role role_of(std::string_view type, int code, bool flat_polyline) {
    if (code == 210) return Role::Normal;
    if (code == 39) return Role::Length;  // thickness
    if (type == "POINT") return code == 10 ? Role::Point : Role::None;
    if (type == "LINE") return code == 10 || code == 11 ? Role::Point : Role::None;
    if (type == "CIRCLE" || type == "ARC") {  // ARC angles go in pairs, see Editor::angles
        if (code == 10) return Role::Point;
        return code == 40 ? Role::Length : Role::None;
    }
    if (is_text_type(type)) {
        if (code == 10 || code == 11) return Role::Point;
        if (code == 40) return Role::Length;
        return code == 50 ? Role::Degrees : Role::None;
    }
    if (type == "MTEXT") {
        if (code == 10) return Role::Point;
        if (code == 11) return Role::Direction;
        if (code == 40 || code == 41 || code == 42 || code == 43 || code == 46 || code == 48 || code == 49)
            return Role::Length;
        return code == 50 ? Role::Degrees : Role::None;
    }
    if (type == "ELLIPSE") return code == 10 ? Role::Point : code == 11 ? Role::Vector : Role::None;
    if (type == "IMAGE") return code == 10 ? Role::Point : code == 11 || code == 12 ? Role::Vector : Role::None;
    if (type == "INSERT") {
        if (code == 10) return Role::Point;
        if (code >= 41 && code <= 45) return Role::Length;  // scale factors and array spacing
        return code == 50 ? Role::Degrees : Role::None;
    }
    if (type == "LWPOLYLINE") {
        if (code == 10) return Role::Point2;
        if (code == 38) return Role::Elevation;
        return code == 40 || code == 41 || code == 43 ? Role::Length : Role::None;
    }
    if (type == "POLYLINE") {
        if (code == 10) return flat_polyline ? Role::ElevationPoint : Role::None;
        return code == 40 || code == 41 ? Role::Length : Role::None;
    }
    if (type == "VERTEX") {
        if (code == 10) return flat_polyline ? Role::PlanarPoint : Role::Point;
        if (code == 40 || code == 41) return Role::Length;
        return code == 50 ? Role::Degrees : Role::None;
    }
    return Role::None;
}

// Rewrites the groups of one record.
class Editor {
public:
    Editor(Entity e, const Affine& w) : doc_(e.doc()), w_(w) {
        type_ = e.type();
        end_ = e.xdata_start();
        tags_ = &e.mrec().tags;
        for (size_t i = 1; i < end_; ++i)
            if ((*tags_)[i].code == 101) end_ = i;  // embedded objects keep their own data
        if (in_ocs_type(type_)) {
            int i = e.find(210);
            Point3 n = i >= 0 ? get(size_t(i)) : Point3{0, 0, 1};
            frame_ = in_ocs(w, unit(n), n2_);
        } else {
            frame_ = w;
            n2_ = {0, 0, 1};
        }
    }
    // For followers, which live in their owner's frame.
    Editor(Entity e, const Affine& frame, const Point3& n2) : doc_(e.doc()), w_(frame), frame_(frame), n2_(n2) {
        type_ = e.type();
        end_ = e.xdata_start();
        tags_ = &e.mrec().tags;
    }

    const Affine& frame() const { return frame_; }
    const Point3& extrusion_after() const { return n2_; }

    // Applies the roles of the record's type to every group; `flat_polyline` tells POLYLINE and
    // VERTEX records of a 2D polyline from 3D ones, whose `elevation` vertices take.
    void run(bool flat_polyline = true, double elevation = 0) {
        bool skip_point = false;
        if (type_ == "VERTEX") {  // face records of a polyface mesh have no location
            long long flags = 0;
            for (size_t i = 1; i < end_; ++i)
                if (code(i) == 70) flags = doc_.integer((*tags_)[i]);
            skip_point = (flags & 128) && !(flags & 64);
        }
        for (size_t i = 1; i < end_; ++i)
            if (code(i) == 38) elevation = real(i);
        for (size_t i = 1; i < end_; ++i) {
            int c = code(i);
            if (type_ == "MTEXT" && c == 75) columns_ = true;
            Role r = columns_ && c == 50 ? Role::Length : role_of(type_, c, flat_polyline);
            if ((r == Role::Point || r == Role::PlanarPoint) && skip_point) continue;
            if (c < 100) seen_[c] = true;
            i += apply(r, i, elevation) - 1;
        }
    }

    // Transforms the group at i by its role; returns how many groups it covered.
    size_t apply(Role r, size_t i, double elevation = 0) {
        switch (r) {
        case Role::None: return 1;
        case Role::Point: return put(i, frame_.point(get(i)));
        case Role::Point2: return put(i, frame_.point(get(i, elevation)), false);
        case Role::PlanarPoint: {
            Point3 p = get(i);
            return put(i, frame_.point({p.x, p.y, elevation}), span(i) == 3);
        }
        case Role::ElevationPoint: {
            Point3 p = get(i);
            return put(i, {p.x, p.y, frame_.point({0, 0, p.z}).z});
        }
        case Role::Elevation: set(i, frame_.point({0, 0, real(i)}).z); return 1;
        case Role::Vector:
        case Role::Vector2:
            if (frame_.linear_identity) return span(i);
            return put(i, frame_.vec(get(i)), r == Role::Vector);
        case Role::Direction:
            if (frame_.linear_identity) return span(i);
            return put(i, (1.0 / frame_.k) * frame_.vec(get(i)));
        case Role::Normal:
            if (frame_.linear_identity) return span(i);
            return put(i, in_ocs_type(type_) ? n2_ : unit(w_.vec(get(i))));
        case Role::Length: set(i, real(i) * frame_.k); return 1;
        case Role::Degrees: set(i, frame_.angle_deg(real(i))); return 1;
        }
        return 1;
    }

    // Adds a group the record lacks (a rotation, a scale factor) after the last of `after`.
    void insert(int code, double value, std::initializer_list<int> after) {
        size_t at = 0;
        for (int a : after)
            for (size_t i = 1; i < end_; ++i)
                if (this->code(i) == a) at = std::max(at, i + 1);
        if (at == 0) at = end_;
        tags_->insert(tags_->begin() + long(at), doc_.make_real(code, value));
        ++end_;
        seen_[code] = true;
    }
    void insert_point(int code, const Point3& p, int after) {
        insert(code + 20, p.z, {after});
        insert(code + 10, p.y, {after});
        insert(code, p.x, {after});
    }
    bool seen(int code) const { return seen_[code]; }

    // Start and end angle (degrees) at a and b; `mirrored` angles are stored as 360 − angle
    // (clockwise hatch edges). A full circle keeps its 0 to 360.
    void angles(size_t a, size_t b, bool mirrored = false) {
        double t = mirrored ? -frame_.turn_deg : frame_.turn_deg;
        if (t == 0 || std::fabs(std::fabs(real(b) - real(a)) - 360.0) < 1e-9) return;
        set(a, norm360(real(a) + t));
        set(b, norm360(real(b) + t));
    }
    int find(int code) const {
        for (size_t i = 1; i < end_; ++i)
            if (this->code(i) == code) return int(i);
        return -1;
    }

    int code(size_t i) const { return (*tags_)[i].code; }
    double real(size_t i) const { return doc_.real((*tags_)[i]); }
    // Values that do not change keep their text as read.
    void set(size_t i, double v) {
        if (v != real(i)) (*tags_)[i] = doc_.make_real(code(i), v);
    }
    size_t end() const { return end_; }
    const std::string& type() const { return type_; }

    size_t span(size_t i) const {
        int c = code(i);
        if (i + 1 >= end_ || code(i + 1) != c + 10) return 1;
        return i + 2 < end_ && code(i + 2) == c + 20 ? 3 : 2;
    }
    Point3 get(size_t i, double z = 0) const {
        size_t n = span(i);
        return {real(i), n > 1 ? real(i + 1) : 0.0, n > 2 ? real(i + 2) : z};
    }
    // Writes x, y and, when the point has one (or `with_z` and it is not 0), z.
    size_t put(size_t i, const Point3& p, bool with_z = true) {
        size_t n = span(i);
        set(i, p.x);
        if (n > 1) set(i + 1, p.y);
        if (n > 2 && with_z) set(i + 2, p.z);
        if (n == 2 && with_z && p.z != 0 && code(i) < 100) {
            tags_->insert(tags_->begin() + long(i + 2), doc_.make_real(code(i) + 20, p.z));
            ++end_;
            return 3;
        }
        return n;
    }

private:
    Document& doc_;
    Affine w_, frame_;
    Point3 n2_;
    std::string type_;
    std::vector<Tag>* tags_;
    size_t end_;
    bool columns_ = false;
    bool seen_[100] = {};
};

// HATCH: the boundary paths, pattern lines and seed points are 2D data in the hatch's
// object coordinate system, told apart by their position in the record.
void transform_hatch(Editor& ed) {
    size_t i = 1, end = ed.end();
    double elevation = 0;
    auto at = [&](int c) { return i < end && ed.code(i) == c; };
    auto count = [&]() { return std::max(0.0, ed.real(i++)); };
    auto point2 = [&]() {
        if (at(10) || at(11)) i += ed.apply(Role::Point2, i, elevation);
    };
    auto vector2 = [&]() {
        if (at(11) || at(12) || at(13)) i += ed.apply(Role::Vector2, i);
    };
    for (; i < end && !at(91); ++i) {
        if (at(10)) {
            elevation = ed.get(i).z;
            i += ed.apply(Role::ElevationPoint, i) - 1;
        } else if (at(210)) {
            i += ed.apply(Role::Normal, i) - 1;
        }
    }
    if (!at(91)) return;
    double paths = count();
    for (double p = 0; p < paths && at(92); ++p) {
        long long flags = static_cast<long long>(ed.real(i++));
        if (flags & 2) {  // polyline path
            while (at(72) || at(73)) ++i;
            double n = at(93) ? count() : 0;
            for (double v = 0; v < n && at(10); ++v) {
                point2();
                if (at(42)) ++i;
            }
        } else {
            double edges = at(93) ? count() : 0;
            for (double e = 0; e < edges && at(72); ++e) {
                int type = int(ed.real(i++));
                if (type == 1) {  // line
                    point2();
                    point2();
                } else if (type == 2 || type == 3) {  // circular or elliptic arc
                    point2();
                    if (type == 3) vector2();
                    if (at(40)) i += type == 2 ? ed.apply(Role::Length, i) : 1;
                    bool clockwise = false;
                    for (size_t k = i; k < end && k < i + 3; ++k)
                        if (ed.code(k) == 73) clockwise = ed.real(k) == 0;
                    if (at(50) && i + 1 < end && ed.code(i + 1) == 51) {
                        // Elliptic parameters count from the major axis, which turned already.
                        if (type == 2) ed.angles(i, i + 1, clockwise);
                        i += 2;
                    }
                    if (at(73)) ++i;
                } else if (type == 4) {  // spline: degree, flags, knots, control points, fit data
                    while (i < end && !at(10) && !at(72) && !at(97) && !at(92)) ++i;
                    while (at(10) || at(42)) at(10) ? point2() : void(++i);
                    int next = i + 1 < end ? ed.code(i + 1) : 0;
                    if (at(97) && (next == 11 || next == 12 || next == 13 || next == 97 || next == 72)) {
                        ++i;
                        while (at(11)) point2();
                    }
                    while (at(12) || at(13)) vector2();
                }
            }
        }
        if (at(97)) {
            double sources = count();
            for (double s = 0; s < sources && at(330); ++s) ++i;
        }
    }
    // Pattern, its definition lines, seed points, gradient.
    for (; i < end; ++i) {
        int c = ed.code(i);
        if (c == 52 || c == 53) {
            ed.apply(Role::Degrees, i);
        } else if (c == 41 || c == 49) {
            ed.apply(Role::Length, i);
        } else if (c == 43 && i + 1 < end && ed.code(i + 1) == 44) {
            Point3 q = ed.frame().point({ed.real(i), ed.real(i + 1), elevation});
            ed.set(i, q.x), ed.set(++i, q.y);
        } else if (c == 45 && i + 1 < end && ed.code(i + 1) == 46) {
            Point3 v = ed.frame().vec({ed.real(i), ed.real(i + 1), 0});
            ed.set(i, v.x), ed.set(++i, v.y);
        } else if (c == 10) {
            i += ed.apply(Role::Point2, i, elevation) - 1;
        } else if (c == 460) {
            ed.set(i, ed.real(i) + ed.frame().turn_deg * std::numbers::pi / 180.0);
        }
    }
}

bool transform(Entity e, const Affine& w) {
    std::string type = e.type();
    if (!known_type(type)) return false;
    Editor ed(e, w);
    const Affine& f = ed.frame();
    if (type == "HATCH") {
        transform_hatch(ed);
    } else {
        bool flat = !(type == "POLYLINE" && (e.integer(70).value_or(0) & (8 | 16 | 64)));
        double elevation = type == "POLYLINE" ? e.point(10).value_or(Point3{}).z : 0.0;
        ed.run(flat);
        // Groups CAD programs leave out at their default value.
        if (type == "ARC" && ed.find(50) >= 0 && ed.find(51) >= 0) ed.angles(size_t(ed.find(50)), size_t(ed.find(51)));
        if (is_text_type(type) && !ed.seen(50) && f.turn_deg != 0) ed.insert(50, f.angle_deg(0), {1});
        if (type == "INSERT" && f.k != 1)
            for (int c : {41, 42, 43})
                if (!ed.seen(c)) ed.insert(c, f.k, {10, 20, 30, c - 1});
        if (type == "INSERT" && !ed.seen(50) && f.turn_deg != 0) ed.insert(50, f.angle_deg(0), {10, 20, 30, 41, 42, 43});
        if (type == "MTEXT" && !ed.seen(11) && !ed.seen(50) && f.turn_deg != 0)
            ed.insert_point(11, (1.0 / f.k) * f.vec({1, 0, 0}), 1);
        if (type == "LWPOLYLINE" && !ed.seen(38) && f.point({0, 0, 0}).z != 0)
            ed.insert(38, f.point({0, 0, 0}).z, {90, 70, 43});
        // Followers: vertices in their polyline's frame, attributes in their own.
        for (RecordId id : e.rec().followers) {
            if (e.doc().record(id).erased) continue;
            Entity fe(e.doc(), id);
            std::string ft = fe.type();
            if (ft == "VERTEX") {
                Editor ve(fe, flat ? f : w, flat ? ed.extrusion_after() : Point3{0, 0, 1});
                ve.run(flat, elevation);
            } else if (ft == "ATTRIB") {
                transform(fe, w);
            }
        }
    }
    e.doc().touch();
    return true;
}

}  // namespace

bool can_transform(const Entity& e) { return known_type(e.type()); }

bool move(Entity e, double dx, double dy, double dz) {
    if (!std::isfinite(dx) || !std::isfinite(dy) || !std::isfinite(dz)) return false;
    if (dx == 0 && dy == 0 && dz == 0) return can_transform(e);
    return transform(e, world_transform(1, 0, {}, {dx, dy, dz}));
}

bool rotate(Entity e, const Point3& base, double angle_radians) {
    if (!std::isfinite(angle_radians)) return false;
    if (angle_radians == 0) return can_transform(e);
    return transform(e, world_transform(1, angle_radians, base, {}));
}

bool scale(Entity e, const Point3& base, double factor) {
    if (!(factor > 0) || !std::isfinite(factor)) return false;
    if (factor == 1) return can_transform(e);
    return transform(e, world_transform(factor, 0, base, {}));
}

}  // namespace korvane::drawing
