#include "geometry.h"

#include <algorithm>
#include <numbers>

#include "clamped.h"

namespace korvane::drawing {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDeg = std::numbers::pi / 180;

}  // namespace

// ---------------------------------------------------------------- GEOS context

struct GeosContext::State {
    GEOSContextHandle_t handle = nullptr;
    std::string error;
};

namespace {

void on_geos_error(const char* message, void* userdata) {
    auto* error = static_cast<std::string*>(userdata);
    *error = message ? message : "GEOS error";
}

void on_geos_notice(const char*, void*) {}

}  // namespace

GeosContext::GeosContext() : state_(std::make_unique<State>()) {
    state_->handle = GEOS_init_r();
    GEOSContext_setErrorMessageHandler_r(state_->handle, on_geos_error, &state_->error);
    GEOSContext_setNoticeMessageHandler_r(state_->handle, on_geos_notice, nullptr);
}

GeosContext::~GeosContext() {
    if (state_ && state_->handle) GEOS_finish_r(state_->handle);
}

GeosContext::GeosContext(GeosContext&&) noexcept = default;

GeosContext& GeosContext::operator=(GeosContext&& other) noexcept {
    if (this != &other) {
        if (state_ && state_->handle) GEOS_finish_r(state_->handle);
        state_ = std::move(other.state_);
    }
    return *this;
}

GEOSContextHandle_t GeosContext::handle() const { return state_->handle; }
const std::string& GeosContext::last_error() const { return state_->error; }
void GeosContext::clear_error() { state_->error.clear(); }

GeosPrepared GeosContext::prepare(const GEOSGeometry* g) const {
    return GeosPrepared(g ? GEOSPrepare_r(handle(), g) : nullptr, GeosPreparedDeleter{handle()});
}

namespace {

GEOSCoordSequence* make_sequence(GEOSContextHandle_t h, const std::vector<Point2>& pts, Point2 origin, bool close) {
    std::vector<double> buf;
    buf.reserve(pts.size() * 2 + 2);
    for (const Point2& p : pts) {
        buf.push_back(p.x - origin.x);
        buf.push_back(p.y - origin.y);
    }
    if (close && !pts.empty() && !(pts.front() == pts.back())) {
        buf.push_back(pts.front().x - origin.x);
        buf.push_back(pts.front().y - origin.y);
    }
    return GEOSCoordSeq_copyFromBuffer_r(h, buf.data(), static_cast<unsigned>(buf.size() / 2), 0, 0);
}

// Drops points equal to their predecessor (and a closing point equal to the first when `closed`).
std::vector<Point2> without_repeats(const std::vector<Point2>& pts, bool closed) {
    std::vector<Point2> out;
    out.reserve(pts.size());
    for (const Point2& p : pts)
        if (out.empty() || !(out.back() == p)) out.push_back(p);
    if (closed)
        while (out.size() > 1 && out.back() == out.front()) out.pop_back();
    return out;
}

}  // namespace

GeosGeom GeosContext::point(Point2 p, Point2 origin) const {
    return own(GEOSGeom_createPointFromXY_r(handle(), p.x - origin.x, p.y - origin.y));
}

GeosGeom GeosContext::line(const std::vector<Point2>& pts, Point2 origin) const {
    if (pts.size() < 2) return own(nullptr);
    GEOSCoordSequence* seq = make_sequence(handle(), pts, origin, false);
    return own(seq ? GEOSGeom_createLineString_r(handle(), seq) : nullptr);
}

GeosGeom GeosContext::polygon(const std::vector<Point2>& ring, Point2 origin) const {
    std::vector<Point2> pts = without_repeats(ring, true);
    if (pts.size() < 3) return own(nullptr);
    GEOSCoordSequence* seq = make_sequence(handle(), pts, origin, true);
    if (!seq) return own(nullptr);
    GEOSGeometry* shell = GEOSGeom_createLinearRing_r(handle(), seq);
    if (!shell) return own(nullptr);
    return own(GEOSGeom_createPolygon_r(handle(), shell, nullptr, 0));
}

std::vector<Point2> GeosContext::exterior(const GEOSGeometry* g, Point2 origin) const {
    std::vector<Point2> out;
    if (!g) return out;
    GEOSContextHandle_t h = handle();
    const GEOSGeometry* poly = g;
    if (GEOSGeomTypeId_r(h, g) != GEOS_POLYGON) {
        poly = nullptr;
        double best = -1;
        int n = GEOSGetNumGeometries_r(h, g);
        for (int i = 0; i < n; ++i) {
            const GEOSGeometry* part = GEOSGetGeometryN_r(h, g, i);
            if (GEOSGeomTypeId_r(h, part) != GEOS_POLYGON) continue;
            double a = 0;
            GEOSArea_r(h, part, &a);
            if (a > best) {
                best = a;
                poly = part;
            }
        }
        if (!poly) return out;
    }
    const GEOSGeometry* ring = GEOSGetExteriorRing_r(h, poly);
    if (!ring) return out;
    const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(h, ring);
    unsigned n = 0;
    if (!seq || !GEOSCoordSeq_getSize_r(h, seq, &n) || n == 0) return out;
    std::vector<double> buf(size_t(n) * 2);
    if (!GEOSCoordSeq_copyToBuffer_r(h, seq, buf.data(), 0, 0)) return out;
    out.reserve(n);
    for (unsigned i = 0; i + 1 < n; ++i) out.push_back({buf[2 * i] + origin.x, buf[2 * i + 1] + origin.y});
    return out;
}

// ---------------------------------------------------------------- shapes

Box2 Shape::bounds() const {
    Box2 b;
    for (const Point2& p : points) b.add(p);
    for (const Path& path : paths)
        for (const Point2& p : path.points) b.add(p);
    return b;
}

namespace {

// The object coordinate system of an extrusion direction (the arbitrary axis algorithm).
struct Ocs {
    bool identity = true;
    double ax[3] = {1, 0, 0}, ay[3] = {0, 1, 0}, az[3] = {0, 0, 1};

    explicit Ocs(const EntityView& g) {
        auto n = g.point(210);
        if (!n) return;
        double len = std::sqrt(n->x * n->x + n->y * n->y + n->z * n->z);
        if (len == 0) return;
        double nx = n->x / len, ny = n->y / len, nz = n->z / len;
        if (std::abs(nx) < 1e-12 && std::abs(ny) < 1e-12 && nz > 0) return;
        identity = false;
        az[0] = nx, az[1] = ny, az[2] = nz;
        double w[3];
        if (std::abs(nx) < 1.0 / 64 && std::abs(ny) < 1.0 / 64) w[0] = 0, w[1] = 1, w[2] = 0;
        else w[0] = 0, w[1] = 0, w[2] = 1;
        cross(w, az, ax);
        normalize(ax);
        cross(az, ax, ay);
        normalize(ay);
    }
    Point2 to_wcs(double x, double y, double z = 0) const {
        if (identity) return {x, y};
        return {x * ax[0] + y * ay[0] + z * az[0], x * ax[1] + y * ay[1] + z * az[1]};
    }
    Point2 to_wcs(Point2 p, double z = 0) const { return to_wcs(p.x, p.y, z); }

private:
    static void cross(const double a[3], const double b[3], double out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    }
    static void normalize(double v[3]) {
        double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (l > 0) v[0] /= l, v[1] /= l, v[2] /= l;
    }
};

// t1 moved by whole turns into (t0, t0 + 2 pi] when it is not past t0 already.
double past(double t0, double t1) {
    if (t1 > t0) return t1;
    return t1 + (std::floor((t0 - t1) / kTwoPi) + 1) * kTwoPi;
}

int segments_for(double radius, double sweep, const ArcOptions& o) {
    double step = std::max(o.max_step_deg, 0.01) * kDeg;
    if (radius > o.chord_error && o.chord_error > 0) step = std::min(step, 2 * std::acos(1 - o.chord_error / radius));
    int per_turn = std::max(o.max_segments_per_turn, 8);
    step = std::max(step, kTwoPi / per_turn);
    double n = std::ceil(std::abs(sweep) / step - 1e-9);
    return clamped<int>(n, 1, per_turn);
}

// Points of an arc at angles a0 + sweep * t for t in (0, 1), the quadrant points included, in order.
void append_arc_interior(std::vector<Point2>& out, Point2 c, double r, double a0, double sweep, const ArcOptions& o) {
    if (sweep == 0 || r <= 0) return;
    int n = segments_for(r, sweep, o);
    std::vector<double> ts;
    ts.reserve(size_t(n) + 4);
    for (int k = 1; k < n; ++k) ts.push_back(double(k) / n);
    // Quadrant angles strictly inside the sweep.
    double lo = std::min(a0, a0 + sweep), hi = std::max(a0, a0 + sweep);
    for (double q = std::ceil(lo / (std::numbers::pi / 2)) * (std::numbers::pi / 2); q < hi; q += std::numbers::pi / 2) {
        double t = (q - a0) / sweep;
        if (t > 1e-12 && t < 1 - 1e-12) ts.push_back(t);
    }
    std::sort(ts.begin(), ts.end());
    for (double t : ts) {
        double a = a0 + sweep * t;
        out.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
}

// A counter-clockwise arc from start to end angle (radians), end point included.
std::vector<Point2> arc_points(Point2 c, double r, double start, double end, const ArcOptions& o) {
    double sweep = std::fmod(end - start, kTwoPi);  // in (0, 2 pi]; no loop for a huge angle to hang
    if (sweep <= 0) sweep += kTwoPi;
    std::vector<Point2> out;
    out.push_back({c.x + r * std::cos(start), c.y + r * std::sin(start)});
    append_arc_interior(out, c, r, start, sweep, o);
    out.push_back({c.x + r * std::cos(start + sweep), c.y + r * std::sin(start + sweep)});
    return out;
}

std::vector<Point2> circle_points(Point2 c, double r, const ArcOptions& o) {
    std::vector<Point2> out;
    out.push_back({c.x + r, c.y});
    append_arc_interior(out, c, r, 0, kTwoPi, o);
    return out;
}

// Points of an ellipse from parameter t0 to t1 (t1 > t0), both ends included.
std::vector<Point2> ellipse_points(Point2 c, Point2 major, Point2 minor, double t0, double t1, const ArcOptions& o) {
    double r = std::hypot(major.x, major.y);
    int n = segments_for(r, t1 - t0, o);
    std::vector<Point2> out;
    for (int k = 0; k <= n; ++k) {
        double t = t0 + (t1 - t0) * k / n;
        out.push_back({c.x + major.x * std::cos(t) + minor.x * std::sin(t), c.y + major.y * std::cos(t) + minor.y * std::sin(t)});
    }
    return out;
}

void transform_all(std::vector<Point2>& pts, const Ocs& ocs, double z = 0) {
    if (ocs.identity) return;
    for (Point2& p : pts) p = ocs.to_wcs(p, z);
}

Path transformed(Path p, const Ocs& ocs, double z = 0) {
    transform_all(p.points, ocs, z);
    return p;
}

std::string upper(std::string s) {
    for (char& ch : s)
        if (ch >= 'a' && ch <= 'z') ch = char(ch - 32);
    return s;
}

Shape shape_of(const Document& doc, RecordId id, const ArcOptions& arcs, BlockBoxCache* blocks, int depth);

// The box of a block definition's entities, relative to its base point.
Box2 block_box(const Document& doc, const std::string& name, BlockBoxCache* cache, int depth) {
    std::string key = upper(name);
    if (cache) {
        auto it = cache->find(key);
        if (it != cache->end()) return it->second;
        (*cache)[key] = Box2{};  // guards against a block that inserts itself
    }
    Box2 box;
    const Section* sec = doc.section("BLOCKS");
    if (sec && depth < 8) {
        bool inside = false;
        Point3 base;
        for (RecordId rid : sec->items) {
            std::string_view type = doc.type(rid);
            if (!inside) {
                if (type == "BLOCK") {
                    EntityView block(doc, rid);
                    if (iequals(block.text_of(2).value_or(""), name)) {
                        inside = true;
                        base = block.point(10).value_or(Point3{});
                    }
                }
                continue;
            }
            if (type == "ENDBLK" || type == "BLOCK") break;
            if (doc.record(rid).erased) continue;
            Box2 b = shape_of(doc, rid, ArcOptions{}, cache, depth + 1).bounds();
            if (!b.empty()) box.add(Box2{b.min_x - base.x, b.min_y - base.y, b.max_x - base.x, b.max_y - base.y});
        }
    }
    if (cache) (*cache)[key] = box;
    return box;
}

// The shape of one path: a point when it shrank to one, else the path (an area when `areal`).
Shape path_shape(Path path, bool areal) {
    Shape s;
    if (path.points.size() == 1) {
        s.points.push_back(path.points.front());
    } else if (!path.points.empty()) {
        s.areal = areal;
        s.paths.push_back(std::move(path));
    }
    return s;
}

Shape closed_outline_shape(std::vector<Point2> corners) {
    Path path{without_repeats(corners, true), true};
    bool areal = path.points.size() >= 3;
    return path_shape(std::move(path), areal);
}

Shape lwpolyline_shape(const EntityView& e, const ArcOptions& arcs) {
    std::vector<Point2> verts;
    std::vector<double> bulges;
    long long flags = 0;
    double elevation = 0;
    const size_t end = e.xdata_start();
    for (size_t i = 1; i < end; ++i) {
        switch (e.code_at(i)) {
            case 10: {
                Point2 p{e.real_at(i), 0};
                if (i + 1 < end && e.code_at(i + 1) == 20) p.y = e.real_at(++i);
                verts.push_back(p);
                bulges.push_back(0);
                break;
            }
            case 42:
                if (!bulges.empty()) bulges.back() = e.real_at(i);
                break;
            case 70: flags = e.int_at(i); break;
            case 38: elevation = e.real_at(i); break;
            default: break;
        }
    }
    if (verts.empty()) return {};
    bool closed = flags & 1;
    Path path = polyline_path(verts, bulges, closed, arcs);
    transform_all(path.points, Ocs(e), elevation);
    return path_shape(std::move(path), closed);
}

// Polygon and polyface meshes: their vertices only (face records carry no position).
Shape mesh_shape(const EntityView& e, long long flags) {
    Shape s;
    const Document& doc = e.doc();
    for (RecordId f : e.rec().followers) {
        if (doc.record(f).erased || doc.type(f) != "VERTEX") continue;
        EntityView vertex(doc, f);
        if ((vertex.integer(70).value_or(0) & 64) == 0 && (flags & 64)) continue;
        Point3 p = vertex.point(10).value_or(Point3{});
        s.points.push_back({p.x, p.y});
    }
    return s;
}

Shape old_polyline_shape(const EntityView& e, const ArcOptions& arcs) {
    long long flags = e.integer(70).value_or(0);
    std::vector<Point3> v3 = e.vertices();
    if (v3.empty()) return {};
    if (flags & (16 | 64)) return mesh_shape(e, flags);
    std::vector<Point2> verts;
    verts.reserve(v3.size());
    for (const Point3& p : v3) verts.push_back({p.x, p.y});
    bool three_d = flags & 8;
    std::vector<double> bulges = three_d ? std::vector<double>{} : e.bulges();
    bool closed = flags & 1;
    Path path = polyline_path(verts, bulges, closed, arcs);
    if (!three_d) transform_all(path.points, Ocs(e), e.point(10).value_or(Point3{}).z);
    return path_shape(std::move(path), closed);
}

// Reads a hatch's boundary groups in order; a group that is not next gives the fallback.
class HatchGroups {
public:
    HatchGroups(const EntityView& e, size_t at) : e_(e), i_(at), end_(e.xdata_start()) {}
    bool more() const { return i_ < end_; }
    bool next_is(int code) const { return i_ < end_ && e_.code_at(i_) == code; }
    void skip() { ++i_; }
    double take(int code, double fallback = 0) { return next_is(code) ? e_.real_at(i_++) : fallback; }
    long long take_int(int code, long long fallback = 0) { return next_is(code) ? e_.int_at(i_++) : fallback; }
    Point2 take_xy(int code) {
        double x = take(code);
        return {x, take(code + 10)};
    }

private:
    const EntityView& e_;
    size_t i_, end_;
};

std::vector<Point2> hatch_arc_edge(HatchGroups& g, const ArcOptions& arcs) {
    Point2 c = g.take_xy(10);
    double r = g.take(40);
    double a0 = g.take(50), a1 = g.take(51);
    if (g.take_int(73, 1) != 0) return arc_points(c, r, a0 * kDeg, a1 * kDeg, arcs);
    std::vector<Point2> pts = arc_points(c, r, -a1 * kDeg, -a0 * kDeg, arcs);
    std::reverse(pts.begin(), pts.end());
    return pts;
}

std::vector<Point2> hatch_ellipse_edge(HatchGroups& g, const ArcOptions& arcs) {
    Point2 c = g.take_xy(10);
    Point2 major = g.take_xy(11);
    double ratio = g.take(40, 1);
    double a0 = g.take(50), a1 = g.take(51);
    bool ccw = g.take_int(73, 1) != 0;
    Point2 minor{-major.y * ratio, major.x * ratio};
    double t0 = ccw ? a0 * kDeg : -a1 * kDeg, t1 = ccw ? a1 * kDeg : -a0 * kDeg;
    std::vector<Point2> pts = ellipse_points(c, major, minor, t0, past(t0, t1), arcs);
    if (!ccw) std::reverse(pts.begin(), pts.end());
    return pts;
}

// A spline edge by its fit points where it has two or more, else by its control points.
std::vector<Point2> hatch_spline_edge(HatchGroups& g) {
    g.take_int(94);
    bool rational = g.take_int(73) != 0;
    g.take_int(74);
    long long knots = g.take_int(95);
    long long ctrl = g.take_int(96);
    for (long long q = 0; q < knots && g.next_is(40); ++q) g.skip();
    std::vector<Point2> cps;
    for (long long q = 0; q < ctrl && g.more(); ++q) {
        cps.push_back(g.take_xy(10));
        if (rational) g.take(42);
    }
    std::vector<Point2> fit;
    if (g.next_is(97)) {
        long long nf = g.take_int(97);
        for (long long q = 0; q < nf && g.next_is(11); ++q) fit.push_back(g.take_xy(11));
        if (g.next_is(12)) g.take_xy(12);
        if (g.next_is(13)) g.take_xy(13);
    }
    return fit.size() >= 2 ? fit : cps;
}

Path hatch_polyline_loop(HatchGroups& g, const ArcOptions& arcs) {
    bool has_bulge = g.take_int(72) != 0;
    g.take_int(73);  // a hatch loop is closed whatever this flag says
    long long n = g.take_int(93);
    std::vector<Point2> verts;
    std::vector<double> bulges;
    for (long long k = 0; k < n && g.more(); ++k) {
        verts.push_back(g.take_xy(10));
        bulges.push_back(has_bulge ? g.take(42) : 0);
    }
    return polyline_path(verts, bulges, true, arcs);
}

// The points of the next edge; nullopt for an unknown edge type (the rest of its loop cannot be read).
std::optional<std::vector<Point2>> hatch_edge(HatchGroups& g, const ArcOptions& arcs) {
    switch (g.take_int(72)) {
        case 1: {
            Point2 a = g.take_xy(10);
            return std::vector<Point2>{a, g.take_xy(11)};
        }
        case 2: return hatch_arc_edge(g, arcs);
        case 3: return hatch_ellipse_edge(g, arcs);
        case 4: return hatch_spline_edge(g);
        default: return std::nullopt;
    }
}

Path hatch_edge_loop(HatchGroups& g, const ArcOptions& arcs) {
    Path path;
    path.closed = true;
    long long edges = g.take_int(93);
    for (long long k = 0; k < edges && g.more(); ++k) {
        auto pts = hatch_edge(g, arcs);
        if (!pts) break;
        for (const Point2& p : *pts)
            if (path.points.empty() || !(path.points.back() == p)) path.points.push_back(p);
    }
    while (path.points.size() > 1 && path.points.back() == path.points.front()) path.points.pop_back();
    return path;
}

Shape hatch_shape(const EntityView& e, const ArcOptions& arcs) {
    Shape s;
    int start = e.find(91);
    if (start < 0) return s;
    HatchGroups g(e, size_t(start));
    long long loops = g.take_int(91);
    for (long long loop = 0; loop < loops && g.more(); ++loop) {
        while (g.more() && !g.next_is(92)) g.skip();
        if (!g.more()) break;
        long long type = g.take_int(92);
        Path path = type & 2 ? hatch_polyline_loop(g, arcs) : hatch_edge_loop(g, arcs);
        path.closed = true;
        // Source boundary objects follow (97 count, 330 handles); the next loop starts at its 92.
        if (!path.points.empty()) s.paths.push_back(std::move(path));
    }
    Ocs ocs(e);
    double z = e.point(10).value_or(Point3{}).z;
    for (Path& p : s.paths) transform_all(p.points, ocs, z);
    s.areal = !s.paths.empty();
    return s;
}

Shape line_shape(const EntityView& e) {
    Point3 a = e.point(10).value_or(Point3{}), b = e.point(11).value_or(Point3{});
    if (a.x == b.x && a.y == b.y) return Shape{{{a.x, a.y}}, {}, false};
    return Shape{{}, {Path{{{a.x, a.y}, {b.x, b.y}}, false}}, false};
}

Shape circle_or_arc_shape(const EntityView& e, bool circle, const ArcOptions& arcs) {
    Point3 c = e.point(10).value_or(Point3{});
    double r = e.real(40).value_or(0);
    Ocs ocs(e);
    if (r <= 0) return Shape{{ocs.to_wcs(c.x, c.y, c.z)}, {}, false};
    Path path;
    if (circle) {
        path.points = circle_points({c.x, c.y}, r, arcs);
        path.closed = true;
    } else {
        path.points = arc_points({c.x, c.y}, r, e.real(50).value_or(0) * kDeg, e.real(51).value_or(0) * kDeg, arcs);
    }
    return Shape{{}, {transformed(std::move(path), ocs, c.z)}, circle};
}

Shape ellipse_shape(const EntityView& e, const ArcOptions& arcs) {
    Point3 c = e.point(10).value_or(Point3{});
    Point3 m = e.point(11).value_or(Point3{1, 0, 0});
    double ratio = e.real(40).value_or(1);
    double t0 = e.real(41).value_or(0);
    double t1 = past(t0, e.real(42).value_or(kTwoPi));
    Point3 n = e.point(210).value_or(Point3{0, 0, 1});
    // Minor axis: extrusion x major, scaled by the ratio (projected on the plane).
    Point2 minor{(n.y * m.z - n.z * m.y) * ratio, (n.z * m.x - n.x * m.z) * ratio};
    bool full = std::abs((t1 - t0) - kTwoPi) < 1e-9;
    Path path;
    path.points = ellipse_points({c.x, c.y}, {m.x, m.y}, minor, t0, t1, arcs);
    if (full) {
        path.points.pop_back();
        path.closed = true;
    }
    return Shape{{}, {std::move(path)}, full};
}

Shape spline_shape(const EntityView& e) {
    std::vector<Point2> ctrl, fit;
    const size_t end = e.xdata_start();
    for (size_t i = 1; i < end; ++i) {
        int code = e.code_at(i);
        if (code != 10 && code != 11) continue;
        Point3 p = e.point_at(i);
        (code == 10 ? ctrl : fit).push_back({p.x, p.y});
    }
    Path path;
    path.closed = (e.integer(70).value_or(0) & 1) != 0;
    path.points = without_repeats(fit.size() >= 2 ? fit : ctrl, path.closed);
    return path_shape(std::move(path), false);
}

// A block reference covers its block's box, placed, scaled and turned as the reference says.
Shape insert_shape(const EntityView& e, BlockBoxCache* blocks, int depth) {
    Point3 ins = e.point(10).value_or(Point3{});
    Ocs ocs(e);
    Box2 box = block_box(e.doc(), e.text_of(2).value_or(""), blocks, depth);
    if (box.empty()) return Shape{{ocs.to_wcs(ins.x, ins.y, ins.z)}, {}, false};
    double sx = e.real(41).value_or(1), sy = e.real(42).value_or(1), rot = e.real(50).value_or(0) * kDeg;
    double cs = std::cos(rot), sn = std::sin(rot);
    std::vector<Point2> corners;
    for (Point2 corner : {Point2{box.min_x, box.min_y}, Point2{box.max_x, box.min_y}, Point2{box.max_x, box.max_y},
                          Point2{box.min_x, box.max_y}}) {
        double x = corner.x * sx, y = corner.y * sy;
        corners.push_back(ocs.to_wcs(ins.x + x * cs - y * sn, ins.y + x * sn + y * cs, ins.z));
    }
    return closed_outline_shape(std::move(corners));
}

// An image (or wipeout) covers its pixel rectangle: u and v are one pixel's sides.
Shape image_shape(const EntityView& e) {
    Point3 ins = e.point(10).value_or(Point3{});
    Point3 u = e.point(11).value_or(Point3{1, 0, 0}), v = e.point(12).value_or(Point3{0, 1, 0});
    Point3 size = e.point(13).value_or(Point3{1, 1, 0});
    Point2 o{ins.x, ins.y}, du{u.x * size.x, u.y * size.x}, dv{v.x * size.y, v.y * size.y};
    return closed_outline_shape(
        {o, {o.x + du.x, o.y + du.y}, {o.x + du.x + dv.x, o.y + du.y + dv.y}, {o.x + dv.x, o.y + dv.y}});
}

// SOLID and TRACE keep their third and fourth corners crosswise; a 3DFACE goes round.
Shape solid_shape(const EntityView& e, bool face) {
    std::vector<Point2> c;
    for (int code : {10, 11, 12, 13})
        if (auto p = e.point(code)) c.push_back({p->x, p->y});
    if (face) return closed_outline_shape(std::move(c));
    if (c.size() == 4) std::swap(c[2], c[3]);
    transform_all(c, Ocs(e));
    return closed_outline_shape(std::move(c));
}

// Any other entity: by the points it names.
Shape named_points_shape(const EntityView& e) {
    Shape s;
    const size_t end = e.xdata_start();
    for (size_t i = 1; i < end; ++i)
        if (int code = e.code_at(i); code >= 10 && code <= 18) {
            Point3 p = e.point_at(i);
            s.points.push_back({p.x, p.y});
        }
    return s;
}

Shape shape_of(const Document& doc, RecordId id, const ArcOptions& arcs, BlockBoxCache* blocks, int depth) {
    std::string_view type = doc.type(id);
    EntityView e(doc, id);
    if (type == "LWPOLYLINE") return lwpolyline_shape(e, arcs);
    if (type == "POLYLINE") return old_polyline_shape(e, arcs);
    if (type == "HATCH") return hatch_shape(e, arcs);
    if (type == "LINE") return line_shape(e);
    if (type == "CIRCLE" || type == "ARC") return circle_or_arc_shape(e, type == "CIRCLE", arcs);
    if (type == "ELLIPSE") return ellipse_shape(e, arcs);
    if (type == "SPLINE") return spline_shape(e);
    if (type == "INSERT") return insert_shape(e, blocks, depth);
    if (type == "IMAGE" || type == "WIPEOUT") return image_shape(e);
    if (type == "SOLID" || type == "TRACE" || type == "3DFACE") return solid_shape(e, type == "3DFACE");
    if (type == "POINT" || type == "MTEXT" || type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
        Point3 p = e.point(10).value_or(Point3{});
        // Text lies in its own plane; points and paragraph text are placed in world coordinates.
        bool planar = type == "TEXT" || type == "ATTDEF" || type == "ATTRIB";
        return Shape{{planar ? Ocs(e).to_wcs(p.x, p.y, p.z) : Point2{p.x, p.y}}, {}, false};
    }
    return named_points_shape(e);
}

}  // namespace

Shape entity_shape(const Document& doc, RecordId id, const ArcOptions& arcs, BlockBoxCache* blocks) {
    return shape_of(doc, id, arcs, blocks, 0);
}

std::optional<Box2> entity_bounds(const Document& doc, RecordId id, BlockBoxCache* blocks) {
    Box2 b = shape_of(doc, id, ArcOptions{}, blocks, 0).bounds();
    if (b.empty()) return std::nullopt;
    return b;
}

void append_bulge_segment(std::vector<Point2>& out, Point2 a, Point2 b, double bulge, const ArcOptions& arcs) {
    double dx = b.x - a.x, dy = b.y - a.y;
    // Straight segments (nearly all of a survey drawing) need no chord length.
    double chord = bulge != 0 ? std::hypot(dx, dy) : 0;
    if (bulge != 0 && chord > 0 && std::isfinite(bulge)) {
        double theta = 4 * std::atan(bulge);  // included angle, signed
        // Distance from the chord's midpoint to the centre, along the chord's left normal.
        double d = chord * (1 - bulge * bulge) / (4 * bulge);
        Point2 c{(a.x + b.x) / 2 - dy / chord * d, (a.y + b.y) / 2 + dx / chord * d};
        double r = std::hypot(a.x - c.x, a.y - c.y);
        double a0 = std::atan2(a.y - c.y, a.x - c.x);
        append_arc_interior(out, c, r, a0, theta, arcs);
    }
    out.push_back(b);
}

Path polyline_path(const std::vector<Point2>& vertices, const std::vector<double>& bulges, bool closed,
                   const ArcOptions& arcs) {
    Path path;
    path.closed = closed;
    std::vector<Point2> v = vertices;
    std::vector<double> bl = bulges;
    bl.resize(v.size(), 0);
    // Repeated vertices add nothing to the shape; the bulge of a zero-length segment is void.
    std::vector<Point2> pv;
    std::vector<double> pb;
    for (size_t i = 0; i < v.size(); ++i) {
        if (!pv.empty() && pv.back() == v[i]) {
            pb.back() = bl[i];
            continue;
        }
        pv.push_back(v[i]);
        pb.push_back(bl[i]);
    }
    if (closed)
        while (pv.size() > 1 && pv.back() == pv.front()) {
            pv.pop_back();
            pb.pop_back();
        }
    if (pv.empty()) return path;
    path.points.push_back(pv[0]);
    for (size_t i = 0; i + 1 < pv.size(); ++i) append_bulge_segment(path.points, pv[i], pv[i + 1], pb[i], arcs);
    if (closed && pv.size() > 1) {
        append_bulge_segment(path.points, pv.back(), pv.front(), pb.back(), arcs);
        path.points.pop_back();  // the first point again
    }
    return path;
}

// ---------------------------------------------------------------- measures

double ring_signed_area(const std::vector<Point2>& ring) {
    size_t n = ring.size();
    if (n < 3) return 0;
    // Relative to the first point, so that large coordinates keep their precision.
    Point2 o = ring[0];
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const Point2& p = ring[i];
        const Point2& q = ring[(i + 1) % n];
        sum += (p.x - o.x) * (q.y - o.y) - (q.x - o.x) * (p.y - o.y);
    }
    return sum / 2;
}

double polyline_area(const std::vector<Point2>& vertices, const std::vector<double>& bulges) {
    size_t n = vertices.size();
    if (n < 2) return 0;
    double area = ring_signed_area(vertices);
    for (size_t i = 0; i < n && i < bulges.size(); ++i) {
        double b = bulges[i];
        if (b == 0 || !std::isfinite(b)) continue;
        const Point2& p = vertices[i];
        const Point2& q = vertices[(i + 1) % n];
        double chord = std::hypot(q.x - p.x, q.y - p.y);
        if (chord == 0) continue;
        double theta = 4 * std::atan(std::abs(b));
        double r = chord / (2 * std::sin(theta / 2));
        double segment = r * r / 2 * (theta - std::sin(theta));
        // A counter-clockwise arc bulges to the right of its chord.
        area -= b > 0 ? -segment : segment;
    }
    return std::abs(area);
}

std::optional<double> entity_area(const Document& doc, RecordId id) {
    std::string_view type = doc.type(id);
    if (type == "LWPOLYLINE" || type == "POLYLINE") {
        EntityView e(doc, id);
        if (type == "POLYLINE" && (e.integer(70).value_or(0) & (16 | 64))) return std::nullopt;
        std::vector<Point3> v3 = e.vertices();
        std::vector<Point2> v;
        for (const Point3& p : v3) v.push_back({p.x, p.y});
        std::vector<double> b = e.is_3d_polyline() ? std::vector<double>{} : e.bulges();
        return polyline_area(v, b);
    }
    if (type == "CIRCLE") {
        double r = EntityView(doc, id).real(40).value_or(0);
        return std::numbers::pi * r * r;
    }
    if (type == "ELLIPSE") {
        Shape s = entity_shape(doc, id);
        if (!s.areal) return std::nullopt;
        EntityView e(doc, id);
        Point3 m = e.point(11).value_or(Point3{});
        double a = std::sqrt(m.x * m.x + m.y * m.y + m.z * m.z);
        return std::numbers::pi * a * a * e.real(40).value_or(1);
    }
    return std::nullopt;
}

namespace {

double segment_distance(Point2 p, Point2 a, Point2 b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

}  // namespace

Location locate_in_ring(Point2 p, const std::vector<Point2>& ring, double tolerance) {
    size_t n = ring.size();
    if (n > 1 && ring.front() == ring.back()) --n;
    if (n == 0) return Location::Outside;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point2& a = ring[j];
        const Point2& b = ring[i];
        if (segment_distance(p, a, b) <= tolerance) return Location::Boundary;
        if ((b.y > p.y) != (a.y > p.y)) {
            double x = b.x + (p.y - b.y) * (a.x - b.x) / (a.y - b.y);
            if (p.x < x) inside = !inside;
        }
    }
    return inside ? Location::Inside : Location::Outside;
}

std::optional<Location> locate_in_entity(const Document& doc, RecordId id, Point2 p, double tolerance) {
    Shape s = entity_shape(doc, id);
    if (!s.areal) return std::nullopt;
    Location best = Location::Outside;
    for (const Path& path : s.paths) {
        if (!path.closed) continue;
        Location l = locate_in_ring(p, path.points, tolerance);
        if (l == Location::Boundary) return l;
        if (l == Location::Inside) best = Location::Inside;
    }
    return best;
}

// ---------------------------------------------------------------- shapes as GEOS geometries

GeosGeom shape_outline(const GeosContext& ctx, const Shape& shape, Point2 origin) {
    GEOSContextHandle_t h = ctx.handle();
    std::vector<GEOSGeometry*> parts;
    for (const Point2& p : shape.points)
        if (GEOSGeometry* g = GEOSGeom_createPointFromXY_r(h, p.x - origin.x, p.y - origin.y)) parts.push_back(g);
    for (const Path& path : shape.paths) {
        std::vector<Point2> pts = without_repeats(path.points, path.closed);
        if (pts.size() == 1) {
            if (GEOSGeometry* g = GEOSGeom_createPointFromXY_r(h, pts[0].x - origin.x, pts[0].y - origin.y))
                parts.push_back(g);
            continue;
        }
        if (pts.size() < 2) continue;
        GEOSCoordSequence* seq = make_sequence(h, pts, origin, path.closed && pts.size() > 2);
        if (!seq) continue;
        if (GEOSGeometry* g = GEOSGeom_createLineString_r(h, seq)) parts.push_back(g);
    }
    if (parts.empty()) return ctx.own(nullptr);
    if (parts.size() == 1) return ctx.own(parts[0]);
    bool all_points = std::all_of(parts.begin(), parts.end(), [&](GEOSGeometry* g) { return GEOSGeomTypeId_r(h, g) == GEOS_POINT; });
    bool all_lines = std::all_of(parts.begin(), parts.end(), [&](GEOSGeometry* g) { return GEOSGeomTypeId_r(h, g) == GEOS_LINESTRING; });
    int type = all_points ? GEOS_MULTIPOINT : all_lines ? GEOS_MULTILINESTRING : GEOS_GEOMETRYCOLLECTION;
    return ctx.own(GEOSGeom_createCollection_r(h, type, parts.data(), static_cast<unsigned>(parts.size())));
}

GeosGeom shape_area(const GeosContext& ctx, const Shape& shape, Point2 origin) {
    if (!shape.areal) return ctx.own(nullptr);
    GEOSContextHandle_t h = ctx.handle();
    std::vector<GEOSGeometry*> parts;
    for (const Path& path : shape.paths) {
        if (!path.closed) continue;
        GeosGeom poly = ctx.polygon(path.points, origin);
        if (poly) parts.push_back(poly.release());
    }
    if (parts.empty()) return ctx.own(nullptr);
    if (parts.size() == 1) return ctx.own(parts[0]);
    return ctx.own(GEOSGeom_createCollection_r(h, GEOS_MULTIPOLYGON, parts.data(), static_cast<unsigned>(parts.size())));
}

}  // namespace korvane::drawing
