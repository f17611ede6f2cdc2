#include "hatch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "clamped.h"
#include "create.h"

namespace korvane::drawing {

namespace {

// A forward reader over an entity's tags (the entity part, before extended data).
class Cursor {
public:
    Cursor(const Document& doc, const std::vector<Tag>& tags, size_t begin, size_t end)
        : doc_(doc), tags_(tags), i_(begin), end_(end) {}
    bool done() const { return i_ >= end_; }
    int code() const { return done() ? -1 : tags_[i_].code; }
    int code_at(size_t ahead) const { return i_ + ahead >= end_ ? -1 : tags_[i_ + ahead].code; }
    void skip() { ++i_; }
    double real() { return doc_.real(tags_[i_++]); }
    long long integer() { return doc_.integer(tags_[i_++]); }
    std::string text() { return doc_.text(tags_[i_++]); }
    uint64_t handle() { return parse_handle(doc_.raw(tags_[i_++])); }
    // Reads the value of `c` when it is next; otherwise leaves `v` as it is.
    template <class T>
    bool take(int c, T& v) {
        if (code() != c) return false;
        if constexpr (std::is_same_v<T, double>) v = real();
        else if constexpr (std::is_same_v<T, bool>) v = integer() != 0;
        else v = clamped<T>(integer());
        return true;
    }
    bool take_xy(int c, Point3& p) {
        if (code() != c) return false;
        p.x = real();
        if (code() == c + 10) p.y = real();
        if (code() == c + 20) p.z = real();
        return true;
    }

private:
    const Document& doc_;
    const std::vector<Tag>& tags_;
    size_t i_, end_;
};

void read_edge(Cursor& c, HatchEdge& e, bool r2010) {
    switch (e.kind) {
        case HatchEdge::Line:
            c.take_xy(10, e.start);
            c.take_xy(11, e.end);
            break;
        case HatchEdge::Arc:
            c.take_xy(10, e.center);
            c.take(40, e.radius);
            c.take(50, e.start_angle);
            c.take(51, e.end_angle);
            c.take(73, e.ccw);
            break;
        case HatchEdge::Ellipse:
            c.take_xy(10, e.center);
            c.take_xy(11, e.major_axis);
            c.take(40, e.ratio);
            c.take(50, e.start_angle);
            c.take(51, e.end_angle);
            c.take(73, e.ccw);
            break;
        case HatchEdge::Spline: {
            c.take(94, e.degree);
            c.take(73, e.rational);
            c.take(74, e.periodic);
            int nknots = 0, nctrl = 0;
            c.take(95, nknots);
            c.take(96, nctrl);
            while (c.code() == 40) e.knots.push_back(c.real());
            while (c.code() == 10) {
                Point3 p;
                c.take_xy(10, p);
                p.z = 0;
                e.control_points.push_back(p);
                if (c.code() == 42) e.weights.push_back(c.real());
            }
            // R2010 and later give the fit data count (97) even when it is zero; tell it
            // from the loop's own 97 (source boundary count) by what follows.
            if (r2010 && c.code() == 97) {
                int next = c.code_at(1);
                bool fit = next == 11 || next == 97 || next == 72 || next == 12;
                if (fit) {
                    c.skip();
                    while (c.code() == 11) {
                        Point3 p;
                        c.take_xy(11, p);
                        p.z = 0;
                        e.fit_points.push_back(p);
                    }
                    Point3 t;
                    c.take_xy(12, t);
                    c.take_xy(13, t);
                }
            }
            break;
        }
    }
}

void read_loop(Cursor& c, HatchLoop& loop, bool r2010) {
    c.take(92, loop.flags);
    if (loop.is_polyline()) {
        bool has_bulge = false;
        int count = 0;
        c.take(72, has_bulge);
        c.take(73, loop.closed);
        c.take(93, count);
        while (c.code() == 10) {
            Point3 p;
            c.take_xy(10, p);
            p.z = 0;
            loop.vertices.push_back(p);
            double b = 0;
            c.take(42, b);
            loop.bulges.push_back(b);
        }
    } else {
        int count = 0;
        c.take(93, count);
        for (int k = 0; k < count && c.code() == 72; ++k) {
            HatchEdge e;
            e.kind = HatchEdge::Kind(std::clamp<long long>(c.integer(), 1, 4));
            read_edge(c, e, r2010);
            loop.edges.push_back(std::move(e));
        }
    }
    int sources = 0;
    if (c.take(97, sources))
        while (c.code() == 330) loop.sources.push_back(c.handle());
}

// Signed area of a closed outline (counter-clockwise positive).
double signed_area(const std::vector<Point3>& pts) {
    double a = 0;
    for (size_t i = 0, n = pts.size(); i < n; ++i) {
        const Point3& p = pts[i];
        const Point3& q = pts[(i + 1) % n];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

// A point inside the outline: the middle of the widest span of a horizontal line
// through the middle of its extent.
Point3 interior_point(const std::vector<Point3>& pts) {
    double ymin = pts[0].y, ymax = pts[0].y;
    for (const Point3& p : pts) {
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, p.y);
    }
    double y = (ymin + ymax) / 2;
    std::vector<double> xs;
    for (size_t i = 0, n = pts.size(); i < n; ++i) {
        const Point3& a = pts[i];
        const Point3& b = pts[(i + 1) % n];
        if ((a.y <= y) != (b.y <= y)) xs.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(xs.begin(), xs.end());
    Point3 best = pts[0];
    double width = -1;
    for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        if (xs[i + 1] - xs[i] > width) {
            width = xs[i + 1] - xs[i];
            best = Point3{(xs[i] + xs[i + 1]) / 2, y, 0};
        }
    }
    return best;
}

void append_arc_points(std::vector<Point3>& out, const Point3& c, double rx_x, double rx_y, double ratio,
                       double t0, double t1, double tolerance) {
    // Ellipse (or circle when ratio is 1) with major axis (rx_x, rx_y), from parameter t0 to t1.
    double r = std::hypot(rx_x, rx_y);
    double sweep = t1 - t0;
    double step = r > 0 && tolerance > 0 && tolerance < r ? 2 * std::acos(1 - tolerance / r) : std::numbers::pi / 8;
    int n = clamped<int>(std::ceil(std::abs(sweep) / step), 1, 4096);
    double ux = rx_x, uy = rx_y;
    double vx = -rx_y * ratio, vy = rx_x * ratio;
    for (int k = 0; k <= n; ++k) {
        double t = t0 + sweep * k / n;
        out.push_back(Point3{c.x + ux * std::cos(t) + vx * std::sin(t), c.y + uy * std::cos(t) + vy * std::sin(t), 0});
    }
}

// The end of an arc from s turning the given way: within a turn of s on that side when it lies
// on the other. Computed, not stepped, so that a huge angle from a file cannot hang the loop.
double end_parameter(double s, double t, bool ccw) {
    constexpr double turn = 2 * std::numbers::pi;
    if (ccw && t < s) return t + std::ceil((s - t) / turn) * turn;
    if (!ccw && t > s) return t - std::ceil((t - s) / turn) * turn;
    return t;
}

bool near(const Point3& a, const Point3& b, double tol) { return std::abs(a.x - b.x) <= tol && std::abs(a.y - b.y) <= tol; }

// Tags of one pattern-definition line of a continuous user-defined line family.
void user_pattern_line(Document& doc, std::vector<Tag>& tags, double angle_deg, double spacing) {
    angle_deg = std::fmod(angle_deg, 360.0);
    if (angle_deg < 0) angle_deg += 360;
    double a = angle_deg * std::numbers::pi / 180;
    tags.push_back(doc.make_real(53, angle_deg));
    tags.push_back(doc.make_real(43, 0.0));
    tags.push_back(doc.make_real(44, 0.0));
    // The offset to the next line: one spacing across the line direction.
    double ox = -spacing * std::sin(a), oy = spacing * std::cos(a);
    if (std::abs(ox) < 1e-15 * spacing) ox = 0;
    if (std::abs(oy) < 1e-15 * spacing) oy = 0;
    tags.push_back(doc.make_real(45, ox));
    tags.push_back(doc.make_real(46, oy));
    tags.push_back(doc.make_int(79, 0));
}

}  // namespace

void append_bulge_points(std::vector<Point3>& out, const Point3& a, const Point3& b, double bulge, double tolerance) {
    double chord = std::hypot(b.x - a.x, b.y - a.y);
    if (bulge == 0 || chord == 0) {
        out.push_back(b);
        return;
    }
    // Included angle 4·atan(bulge); positive bulge turns counter-clockwise.
    double theta = 4 * std::atan(bulge);
    double r = chord / (2 * std::sin(std::abs(theta) / 2));
    double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
    double d = r * std::cos(std::abs(theta) / 2);  // centre's distance from the chord's middle, negative past a half circle
    double nx = -(b.y - a.y) / chord, ny = (b.x - a.x) / chord;
    double sign = bulge > 0 ? 1 : -1;
    Point3 c{mx + sign * nx * d, my + sign * ny * d, 0};
    double t0 = std::atan2(a.y - c.y, a.x - c.x);
    std::vector<Point3> pts;
    append_arc_points(pts, c, r, 0, 1, t0, t0 + theta, tolerance);
    for (size_t k = 1; k + 1 < pts.size(); ++k) out.push_back(pts[k]);
    out.push_back(b);
}

std::vector<Point3> loop_outline(const HatchLoop& loop, double tolerance) {
    std::vector<Point3> out;
    if (loop.is_polyline()) {
        size_t n = loop.vertices.size();
        if (n == 0) return out;
        out.push_back(loop.vertices[0]);
        size_t segments = loop.closed ? n : n - 1;
        for (size_t i = 0; i < segments; ++i) {
            double b = i < loop.bulges.size() ? loop.bulges[i] : 0;
            append_bulge_points(out, loop.vertices[i], loop.vertices[(i + 1) % n], b, tolerance);
        }
        if (out.size() > 1 && near(out.front(), out.back(), 0)) out.pop_back();
        return out;
    }
    for (const HatchEdge& e : loop.edges) {
        std::vector<Point3> pts;
        switch (e.kind) {
            case HatchEdge::Line:
                pts = {e.start, e.end};
                break;
            case HatchEdge::Arc: {
                double s = e.start_angle * std::numbers::pi / 180, t = e.end_angle * std::numbers::pi / 180;
                // Angles of a clockwise arc are stored mirrored (as CAD programs do).
                if (!e.ccw) {
                    s = -s;
                    t = -t;
                }
                t = end_parameter(s, t, e.ccw);
                if (std::abs(e.end_angle - e.start_angle) >= 360) t = s + (e.ccw ? 2 * std::numbers::pi : -2 * std::numbers::pi);
                append_arc_points(pts, e.center, e.radius, 0, 1, s, t, tolerance);
                break;
            }
            case HatchEdge::Ellipse: {
                double s = e.start_angle * std::numbers::pi / 180, t = e.end_angle * std::numbers::pi / 180;
                if (!e.ccw) {
                    s = -s;
                    t = -t;
                }
                t = end_parameter(s, t, e.ccw);
                append_arc_points(pts, e.center, e.major_axis.x, e.major_axis.y, e.ratio, s, t, tolerance);
                break;
            }
            case HatchEdge::Spline:
                pts = e.fit_points.empty() ? e.control_points : e.fit_points;
                break;
        }
        for (const Point3& p : pts)
            if (out.empty() || !near(out.back(), p, 1e-12)) out.push_back(p);
    }
    if (out.size() > 1 && near(out.front(), out.back(), 1e-9)) out.pop_back();
    return out;
}

namespace {

// 78 count, then per line 53 angle, 43/44 base point, 45/46 offset, 79 dash count and 49 dashes.
// A line is taken as far as its tags go; the count never runs past the tags that follow.
void read_pattern_lines(Cursor& c, std::vector<HatchPatternLine>& lines) {
    long long count = c.integer();
    for (long long k = 0; k < count && c.code() == 53; ++k) {
        HatchPatternLine line;
        line.angle = c.real();
        c.take(43, line.base.x);
        c.take(44, line.base.y);
        c.take(45, line.offset.x);
        c.take(46, line.offset.y);
        long long dashes = 0;
        if (c.take(79, dashes))
            for (long long d = 0; d < dashes && c.code() == 49; ++d) line.dashes.push_back(c.real());
        lines.push_back(std::move(line));
    }
}

}  // namespace

std::optional<HatchInfo> read_hatch(const Document& doc, RecordId hatch) {
    if (doc.type(hatch) != "HATCH") return std::nullopt;
    const auto& tags = doc.record(hatch).tags;
    size_t end = tags.size();
    size_t begin = 1;
    for (size_t i = 1; i < tags.size(); ++i) {
        if (tags[i].code == 1001) {
            end = i;
            break;
        }
        if (tags[i].code == 100 && doc.trimmed(tags[i]) == "AcDbHatch") begin = i + 1;
    }
    bool r2010 = doc.acadver() >= "AC1024";
    HatchInfo h;
    Cursor c(doc, tags, begin, end);
    // Head: elevation point, extrusion, pattern name, flags, loop count.
    while (!c.done() && c.code() != 91) {
        switch (c.code()) {
            case 10: {
                Point3 p;
                c.take_xy(10, p);
                h.elevation = p.z;
                break;
            }
            case 210: c.take_xy(210, h.extrusion); break;
            case 2: h.pattern = c.text(); break;
            case 70: h.solid = c.integer() != 0; break;
            case 71: h.associative = c.integer() != 0; break;
            default: c.skip();
        }
    }
    int nloops = 0;
    c.take(91, nloops);
    for (int k = 0; k < nloops && c.code() == 92; ++k) {
        HatchLoop loop;
        read_loop(c, loop, r2010);
        h.loops.push_back(std::move(loop));
    }
    // Tail: style, pattern type and definition, seed points; gradient data follows.
    while (!c.done()) {
        switch (c.code()) {
            case 75: h.style = int(c.integer()); break;
            case 76: h.pattern_type = int(c.integer()); break;
            case 52: h.angle = c.real(); break;
            case 41: h.scale = c.real(); break;
            case 77: h.cross = c.integer() != 0; break;
            case 78: read_pattern_lines(c, h.pattern_lines); break;
            case 98: {
                c.skip();
                while (c.code() == 10) {
                    Point3 p;
                    c.take_xy(10, p);
                    p.z = 0;
                    h.seeds.push_back(p);
                }
                break;
            }
            case 450: return h;  // gradient data: nothing more we read
            default: c.skip();
        }
    }
    return h;
}

// ------------------------------------------------------------------ reactors

namespace {

// [begin, end] indices of the {ACAD_REACTORS ... } group: begin at "102 {ACAD_REACTORS", end at "102 }".
std::optional<std::pair<size_t, size_t>> reactor_group(const Document& doc, const std::vector<Tag>& tags) {
    for (size_t i = 1; i < tags.size(); ++i) {
        if (tags[i].code == 100 || tags[i].code == 1001) break;
        if (tags[i].code == 102 && doc.trimmed(tags[i]) == "{ACAD_REACTORS") {
            for (size_t j = i + 1; j < tags.size(); ++j)
                if (tags[j].code == 102) return std::make_pair(i, j);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<uint64_t> reactors(const Document& doc, RecordId entity) {
    std::vector<uint64_t> out;
    const auto& tags = doc.record(entity).tags;
    if (auto g = reactor_group(doc, tags))
        for (size_t i = g->first + 1; i < g->second; ++i)
            if (tags[i].code == 330) out.push_back(parse_handle(doc.raw(tags[i])));
    return out;
}

void add_reactor(Document& doc, RecordId entity, uint64_t reactor) {
    for (uint64_t h : reactors(doc, entity))
        if (h == reactor) return;
    Tag value = doc.make_handle(330, reactor);
    Tag open = doc.make_raw(102, "{ACAD_REACTORS");
    Tag close = doc.make_raw(102, "}");
    auto g = reactor_group(doc, doc.record(entity).tags);
    auto& tags = doc.edit(entity).tags;
    if (g) {
        tags.insert(tags.begin() + long(g->second), value);
    } else {
        // Right after the handle, as CAD programs place it (before an extension dictionary).
        size_t at = 1;
        for (size_t i = 1; i < tags.size() && i < 3; ++i)
            if (tags[i].code == 5) at = i + 1;
        tags.insert(tags.begin() + long(at), {open, value, close});
    }
    doc.touch();
}

void remove_reactor(Document& doc, RecordId entity, uint64_t reactor) {
    auto g = reactor_group(doc, doc.record(entity).tags);
    if (!g) return;
    bool found = false;
    for (size_t i = g->first + 1; i < g->second; ++i)
        if (doc.record(entity).tags[i].code == 330 && parse_handle(doc.raw(doc.record(entity).tags[i])) == reactor)
            found = true;
    if (!found) return;
    auto& tags = doc.edit(entity).tags;
    size_t end = g->second;
    for (size_t i = g->first + 1; i < end;) {
        if (tags[i].code == 330 && parse_handle(doc.raw(tags[i])) == reactor) {
            tags.erase(tags.begin() + long(i));
            --end;
        } else {
            ++i;
        }
    }
    if (end == g->first + 1) tags.erase(tags.begin() + long(g->first), tags.begin() + long(end) + 1);
    doc.touch();
}

// ------------------------------------------------------------------ creation

namespace {

struct Boundary {
    std::vector<Point3> vertices;
    std::vector<double> bulges;
    double elevation = 0;
    std::optional<Point3> extrusion;
};

std::optional<Boundary> closed_boundary(const Document& cdoc, RecordId id) {
    if (id == kNoRecord || id >= cdoc.record_count() || cdoc.record(id).erased) return std::nullopt;
    std::string_view type = cdoc.type(id);
    if (type != "LWPOLYLINE" && type != "POLYLINE") return std::nullopt;
    EntityView e(cdoc, id);
    long long flags = e.integer(70).value_or(0);
    if (type == "POLYLINE" && (flags & (16 | 64))) return std::nullopt;  // polygon meshes and polyface meshes
    Boundary b;
    b.vertices = e.vertices();
    b.bulges = e.bulges();
    b.bulges.resize(b.vertices.size(), 0);
    if (b.vertices.empty()) return std::nullopt;
    if (e.is_3d_polyline()) {
        for (const Point3& p : b.vertices)
            if (std::abs(p.z - b.vertices[0].z) > 1e-9 * (1 + std::abs(p.z))) return std::nullopt;
        b.elevation = b.vertices[0].z;
        std::fill(b.bulges.begin(), b.bulges.end(), 0.0);
    } else {
        b.elevation = e.elevation();
    }
    b.extrusion = e.point(210);
    bool closed = e.closed();
    if (b.vertices.size() > 1 && near(b.vertices.front(), b.vertices.back(), 1e-9)) {
        b.vertices.pop_back();
        b.bulges.pop_back();
        closed = true;
    }
    if (!closed) return std::nullopt;
    // Drop consecutive duplicates; they add nothing to the outline.
    Boundary clean = b;
    clean.vertices.clear();
    clean.bulges.clear();
    for (size_t i = 0; i < b.vertices.size(); ++i) {
        if (!clean.vertices.empty() && near(clean.vertices.back(), b.vertices[i], 0)) {
            clean.bulges.back() = b.bulges[i];
            continue;
        }
        clean.vertices.push_back(b.vertices[i]);
        clean.bulges.push_back(b.bulges[i]);
    }
    while (clean.vertices.size() > 1 && near(clean.vertices.front(), clean.vertices.back(), 0)) {
        clean.vertices.pop_back();
        clean.bulges.pop_back();
    }
    if (clean.vertices.size() < 2) return std::nullopt;
    for (Point3& p : clean.vertices) p.z = 0;
    // The outline must enclose some area.
    HatchLoop loop;
    loop.flags = 2;
    loop.vertices = clean.vertices;
    loop.bulges = clean.bulges;
    std::vector<Point3> outline = loop_outline(loop, 0);
    if (outline.size() < 3) return std::nullopt;
    double xmin = outline[0].x, xmax = xmin, ymin = outline[0].y, ymax = ymin;
    for (const Point3& p : outline) {
        xmin = std::min(xmin, p.x);
        xmax = std::max(xmax, p.x);
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, p.y);
    }
    double span = std::max(xmax - xmin, ymax - ymin);
    if (span <= 0 || std::abs(signed_area(outline)) <= 1e-9 * span * span) return std::nullopt;
    return clean;
}

}  // namespace

bool is_closed_polyline_boundary(const Document& doc, RecordId entity) {
    return closed_boundary(doc, entity).has_value();
}

RecordId add_user_hatch(Document& doc, RecordId boundary, const UserHatchOptions& o) {
    if (doc.is_r12()) return kNoRecord;
    if (!(o.spacing > 0) || !std::isfinite(o.spacing) || !std::isfinite(o.angle)) return kNoRecord;
    auto b = closed_boundary(doc, boundary);
    if (!b) return kNoRecord;
    uint64_t boundary_handle = doc.handle_of(boundary).value_or(0);
    bool associative = o.associative && boundary_handle != 0;

    std::vector<Tag> tags = entity_head(doc, "HATCH", o.layer, "AcDbHatch");
    if (o.color != 256) {
        size_t at = tags.size();
        for (size_t i = 0; i < tags.size(); ++i)
            if (tags[i].code == 8) at = i + 1;
        tags.insert(tags.begin() + long(at), doc.make_int(62, o.color));
    }
    tags.push_back(doc.make_real(10, 0.0));
    tags.push_back(doc.make_real(20, 0.0));
    tags.push_back(doc.make_real(30, b->elevation));
    Point3 ex = b->extrusion.value_or(Point3{0, 0, 1});
    tags.push_back(doc.make_real(210, ex.x));
    tags.push_back(doc.make_real(220, ex.y));
    tags.push_back(doc.make_real(230, ex.z));
    tags.push_back(doc.make_raw(2, "_USER"));
    tags.push_back(doc.make_int(70, 0));
    tags.push_back(doc.make_int(71, associative ? 1 : 0));
    tags.push_back(doc.make_int(91, 1));
    // One polyline loop: external, polyline, derived from the picked object.
    tags.push_back(doc.make_int(92, 7));
    bool has_bulge = std::any_of(b->bulges.begin(), b->bulges.end(), [](double v) { return v != 0; });
    tags.push_back(doc.make_int(72, has_bulge ? 1 : 0));
    tags.push_back(doc.make_int(73, 1));
    tags.push_back(doc.make_int(93, static_cast<long long>(b->vertices.size())));
    for (size_t i = 0; i < b->vertices.size(); ++i) {
        tags.push_back(doc.make_real(10, b->vertices[i].x));
        tags.push_back(doc.make_real(20, b->vertices[i].y));
        if (has_bulge) tags.push_back(doc.make_real(42, b->bulges[i]));
    }
    tags.push_back(doc.make_int(97, associative ? 1 : 0));
    if (associative) tags.push_back(doc.make_handle(330, boundary_handle));
    tags.push_back(doc.make_int(75, 1));
    tags.push_back(doc.make_int(76, 0));
    tags.push_back(doc.make_real(52, o.angle));
    tags.push_back(doc.make_real(41, o.spacing));
    tags.push_back(doc.make_int(77, o.cross ? 1 : 0));
    tags.push_back(doc.make_int(78, o.cross ? 2 : 1));
    user_pattern_line(doc, tags, o.angle, o.spacing);
    if (o.cross) user_pattern_line(doc, tags, o.angle + 90, o.spacing);
    HatchLoop loop;
    loop.flags = 2;
    loop.vertices = b->vertices;
    loop.bulges = b->bulges;
    Point3 seed = interior_point(loop_outline(loop, 0.01));
    tags.push_back(doc.make_int(98, 1));
    tags.push_back(doc.make_real(10, seed.x));
    tags.push_back(doc.make_real(20, seed.y));

    RecordId id = add_entity(doc, std::move(tags));
    if (associative && id != kNoRecord) {
        if (auto h = doc.handle_of(id)) add_reactor(doc, boundary, *h);
    }
    return id;
}

}  // namespace korvane::drawing
