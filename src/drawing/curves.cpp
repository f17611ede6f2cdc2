#include "curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvane::drawing {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kParamEps = 1e-9;

Point2 add(Point2 a, Point2 b) { return {a.x + b.x, a.y + b.y}; }
Point2 sub(Point2 a, Point2 b) { return {a.x - b.x, a.y - b.y}; }
Point2 mul(double k, Point2 a) { return {k * a.x, k * a.y}; }
double dot(Point2 a, Point2 b) { return a.x * b.x + a.y * b.y; }
double cross(Point2 a, Point2 b) { return a.x * b.y - a.y * b.x; }
double norm(Point2 a) { return std::hypot(a.x, a.y); }
double dist(Point2 a, Point2 b) { return norm(sub(a, b)); }

// An angle brought into [0, 2π).
double wrap(double a) {
    a = std::fmod(a, kTwoPi);
    if (a < 0) a += kTwoPi;
    return a >= kTwoPi ? 0.0 : a;
}

// How far along an arc (as a fraction of its sweep) the direction from the centre to p lies;
// beyond 1 for points past its end, up to 2π / |sweep|.
double arc_fraction(const Segment& s, Point2 c, Point2 p) {
    double sw = s.sweep();
    double from = std::atan2(s.a.y - c.y, s.a.x - c.x), to = std::atan2(p.y - c.y, p.x - c.x);
    double d = sw > 0 ? wrap(to - from) : wrap(from - to);
    // A point just before the start reads as a whole turn on; it is at the start.
    if (kTwoPi - d < 1e-12) d = 0;
    return d / std::fabs(sw);
}

double fraction_on(const Segment& s, Point2 p) {
    if (s.straight()) {
        Point2 d = sub(s.b, s.a);
        double len2 = dot(d, d);
        return len2 > 0 ? dot(sub(p, s.a), d) / len2 : 0.0;
    }
    return arc_fraction(s, s.centre(), p);
}

bool within(double t) { return t >= -kParamEps && t <= 1 + kParamEps; }

}  // namespace

// ---------------------------------------------------------------- Segment

bool Segment::straight() const { return std::fabs(bulge) < 1e-12 || a == b; }

double Segment::sweep() const { return straight() ? 0.0 : 4 * std::atan(bulge); }

Point2 Segment::centre() const {
    double c = dist(a, b);
    Point2 m = mul(0.5, add(a, b));
    Point2 left{-(b.y - a.y) / c, (b.x - a.x) / c};
    return add(m, mul(c * (1 - bulge * bulge) / (4 * bulge), left));
}

double Segment::radius() const { return dist(a, b) * (1 + bulge * bulge) / (4 * std::fabs(bulge)); }

Point2 Segment::at(double t) const {
    if (straight()) return add(a, mul(t, sub(b, a)));
    if (t == 0) return a;
    if (t == 1) return b;
    Point2 c = centre();
    double r = radius();
    double angle = std::atan2(a.y - c.y, a.x - c.x) + sweep() * t;
    return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

Point2 Segment::direction(double t) const {
    if (straight()) {
        double len = dist(a, b);
        return len > 0 ? mul(1 / len, sub(b, a)) : Point2{1, 0};
    }
    Point2 c = centre();
    Point2 p = at(t);
    Point2 radial = mul(1 / radius(), sub(p, c));
    return sweep() > 0 ? Point2{-radial.y, radial.x} : Point2{radial.y, -radial.x};
}

double Segment::length() const { return straight() ? dist(a, b) : radius() * std::fabs(sweep()); }

double Segment::nearest(Point2 p) const {
    if (straight()) return std::clamp(fraction_on(*this, p), 0.0, 1.0);
    Point2 c = centre();
    if (p == c) return 0;
    double t = arc_fraction(*this, c, p);
    if (t <= 1) return t;
    return dist(p, a) <= dist(p, b) ? 0.0 : 1.0;
}

Box2 Segment::bounds() const {
    Box2 box = Box2::of(a, b);
    if (straight()) return box;
    Point2 c = centre();
    double r = radius();
    // The quadrant points the arc passes.
    for (int q = 0; q < 4; ++q) {
        Point2 p{c.x + r * std::cos(q * kPi / 2), c.y + r * std::sin(q * kPi / 2)};
        if (arc_fraction(*this, c, p) <= 1) box.add(p);
    }
    return box;
}

// ---------------------------------------------------------------- Curve

size_t Curve::segment_count() const {
    size_t n = points.size();
    if (n < 2) return 0;
    return closed ? n : n - 1;
}

Segment Curve::segment(size_t i) const {
    size_t n = points.size();
    return {points[i % n], points[(i + 1) % n], bulge(i % n)};
}

Point2 Curve::at(double u) const {
    size_t count = segment_count();
    if (count == 0) return points.empty() ? Point2{} : points.front();
    if (closed) u = std::fmod(u, end()) + (u < 0 ? end() : 0);
    u = std::clamp(u, 0.0, end());
    size_t i = std::min(size_t(u), count - 1);
    return segment(i).at(u - double(i));
}

double Curve::length() const {
    double sum = 0;
    for (size_t i = 0; i < segment_count(); ++i) sum += segment(i).length();
    return sum;
}

double Curve::nearest(Point2 p) const {
    double best = 0, best_d = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < segment_count(); ++i) {
        Segment s = segment(i);
        double t = s.nearest(p);
        double d = dist(s.at(t), p);
        if (d < best_d) best_d = d, best = double(i) + t;
    }
    return best;
}

Box2 Curve::bounds() const {
    Box2 box;
    if (points.size() == 1) box.add(points.front());
    for (size_t i = 0; i < segment_count(); ++i) box.add(segment(i).bounds());
    return box;
}

Curve Curve::piece(double u0, double u1) const {
    Curve out;
    size_t count = segment_count();
    if (count == 0) return out;
    if (closed && u1 < u0) u1 += end();
    if (!closed) u0 = std::clamp(u0, 0.0, end()), u1 = std::clamp(u1, 0.0, end());
    double u = u0;
    while (u < u1 - kParamEps) {
        double whole = std::floor(u);
        if (u - whole > 1 - kParamEps) {  // at the end of a segment: the next one starts here
            u = whole + 1;
            continue;
        }
        double stop = std::min(whole + 1, u1);
        Segment s = segment(size_t(whole) % count);
        double ts = u - whole, te = stop - whole;
        out.points.push_back(s.at(ts));
        out.bulges.push_back(s.straight() ? 0.0 : std::tan(s.sweep() * (te - ts) / 4));
        u = stop;
    }
    out.points.push_back(at(u1));
    out.bulges.push_back(0);
    return out;
}

Curve Curve::reversed() const {
    Curve out;
    out.closed = closed;
    size_t n = points.size();
    out.points.assign(points.rbegin(), points.rend());
    out.bulges.assign(n, 0.0);
    size_t count = segment_count();
    for (size_t j = 0; j < count; ++j) out.bulges[j] = -bulge((n + n - 2 - j) % n);
    return out;
}

Curve circle_curve(Point2 centre, double radius) {
    Curve c;
    c.points = {{centre.x + radius, centre.y}, {centre.x - radius, centre.y}};
    c.bulges = {1, 1};
    c.closed = true;
    return c;
}

double bulge_about(Point2 centre, Point2 a, Point2 b, bool ccw) {
    double from = std::atan2(a.y - centre.y, a.x - centre.x), to = std::atan2(b.y - centre.y, b.x - centre.x);
    double sweep = ccw ? wrap(to - from) : -wrap(from - to);
    return std::tan(sweep / 4);
}

// ---------------------------------------------------------------- intersections

std::vector<Crossing> intersect(const Segment& sa, const Segment& sb, bool whole_a, bool whole_b) {
    // Worked relative to a point of the first segment: drawings sit millions of units from 0.
    Point2 o = sa.a;
    Segment a{sub(sa.a, o), sub(sa.b, o), sa.bulge}, b{sub(sb.a, o), sub(sb.b, o), sb.bulge};
    std::vector<Point2> points;
    if (a.straight() && b.straight()) {
        Point2 da = sub(a.b, a.a), db = sub(b.b, b.a);
        double den = cross(da, db);
        if (std::fabs(den) <= 1e-14 * norm(da) * norm(db)) return {};
        double t = cross(sub(b.a, a.a), db) / den;
        points.push_back(add(a.a, mul(t, da)));
    } else if (a.straight() != b.straight()) {
        const Segment& line = a.straight() ? a : b;
        const Segment& arc = a.straight() ? b : a;
        Point2 c = arc.centre(), d = sub(line.b, line.a), f = sub(line.a, c);
        double r = arc.radius();
        double qa = dot(d, d), qb = 2 * dot(d, f), qc = dot(f, f) - r * r;
        double disc = qb * qb - 4 * qa * qc;
        if (qa == 0) return {};
        if (disc < 0) {
            // A line that only grazes the circle still touches it, within rounding.
            double t = -qb / (2 * qa);
            Point2 p = add(line.a, mul(t, d));
            if (std::fabs(dist(p, c) - r) > 1e-9 * std::max(1.0, r)) return {};
            points.push_back(p);
        } else {
            double s = std::sqrt(disc);
            for (double t : {(-qb - s) / (2 * qa), (-qb + s) / (2 * qa)}) {
                points.push_back(add(line.a, mul(t, d)));
                if (s == 0) break;
            }
        }
    } else {
        Point2 c1 = a.centre(), c2 = b.centre();
        double r1 = a.radius(), r2 = b.radius();
        double d = dist(c1, c2);
        double slack = 1e-9 * std::max({1.0, r1, r2});
        if (d < 1e-12 || d > r1 + r2 + slack || d < std::fabs(r1 - r2) - slack) return {};
        double along = (r1 * r1 - r2 * r2 + d * d) / (2 * d);
        double h = std::sqrt(std::max(0.0, r1 * r1 - along * along));
        Point2 u = mul(1 / d, sub(c2, c1));
        Point2 m = add(c1, mul(along, u));
        points.push_back({m.x - h * u.y, m.y + h * u.x});
        if (h > 0) points.push_back({m.x + h * u.y, m.y - h * u.x});
    }
    std::vector<Crossing> out;
    for (Point2 p : points) {
        double ta = fraction_on(a, p), tb = fraction_on(b, p);
        if ((!whole_a && !within(ta)) || (!whole_b && !within(tb))) continue;
        if (!whole_a) ta = std::clamp(ta, 0.0, 1.0);
        if (!whole_b) tb = std::clamp(tb, 0.0, 1.0);
        out.push_back({ta, tb, add(p, o)});
    }
    return out;
}

// ---------------------------------------------------------------- offsets

namespace {

struct Piece {
    Point2 a, b;
    bool arc = false;
    Point2 centre;
    bool ccw = true;
    double sweep = 0;  // of the original segment, to tell a fold
    Point2 dir;        // of the original straight segment
    Segment segment() const {
        return {a, b, arc ? bulge_about(centre, a, b, ccw) : 0.0};
    }
};

}  // namespace

std::optional<Curve> offset_curve(const Curve& c, double d) {
    size_t count = c.segment_count();
    if (count == 0) return std::nullopt;
    std::vector<Piece> pieces;
    for (size_t i = 0; i < count; ++i) {
        Segment s = c.segment(i);
        Piece p;
        if (s.straight()) {
            Point2 dir = s.direction(0);
            Point2 shift = mul(d, Point2{-dir.y, dir.x});
            p.a = add(s.a, shift), p.b = add(s.b, shift);
            p.dir = dir;
        } else {
            p.arc = true;
            p.centre = s.centre();
            p.ccw = s.bulge > 0;
            p.sweep = s.sweep();
            double r = s.radius(), r2 = p.ccw ? r - d : r + d;
            if (r2 <= 1e-9 * std::max(1.0, r)) return std::nullopt;
            p.a = add(p.centre, mul(r2 / r, sub(s.a, p.centre)));
            p.b = add(p.centre, mul(r2 / r, sub(s.b, p.centre)));
        }
        pieces.push_back(p);
    }
    // Where neighbours meet: their common point when they touch already, else the crossing of
    // their lines or circles nearest the original vertex, else a straight link between them.
    std::vector<Piece> out;
    double tol = 1e-9 * std::max(1.0, std::fabs(d));
    size_t joints = c.closed ? count : count - 1;
    std::vector<std::optional<Piece>> links(count);
    for (size_t j = 0; j < joints; ++j) {
        Piece& p = pieces[j];
        Piece& q = pieces[(j + 1) % count];
        Point2 vertex = c.points[(j + 1) % c.points.size()];
        if (dist(p.b, q.a) <= tol) {
            Point2 m = mul(0.5, add(p.b, q.a));
            p.b = q.a = m;
            continue;
        }
        auto crossings = intersect(p.segment(), q.segment(), true, true);
        const Crossing* best = nullptr;
        for (const auto& x : crossings)
            if (!best || dist(x.p, vertex) < dist(best->p, vertex)) best = &x;
        if (best) {
            p.b = q.a = best->p;
        } else {
            Piece link;
            link.a = p.b, link.b = q.a;
            link.dir = mul(1 / std::max(dist(p.b, q.a), 1e-300), sub(q.a, p.b));
            links[j] = link;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        out.push_back(pieces[i]);
        if (links[i]) out.push_back(*links[i]);
    }
    Curve result;
    result.closed = c.closed;
    for (size_t k = 0; k < out.size(); ++k) {
        const Piece& p = out[k];
        // A piece that turned round or an arc that swept the other way: the offset folded.
        if (!p.arc && !(p.dir == Point2{}) && dot(sub(p.b, p.a), p.dir) < -tol) return std::nullopt;
        double bulge = 0;
        if (p.arc) {
            bulge = bulge_about(p.centre, p.a, p.b, p.ccw);
            if (std::fabs(4 * std::atan(bulge) - p.sweep) > kPi) return std::nullopt;
        }
        result.points.push_back(p.a);
        result.bulges.push_back(bulge);
    }
    if (!c.closed) {
        result.points.push_back(out.back().b);
        result.bulges.push_back(0);
    } else {
        // A closed curve keeps its turning sense.
        std::vector<Point2> ring = polyline_path(c.points, c.bulges, true).points;
        std::vector<Point2> ring2 = polyline_path(result.points, result.bulges, true).points;
        double before = ring_signed_area(ring), after = ring_signed_area(ring2);
        if (before * after <= 0) return std::nullopt;
    }
    return result;
}

int side_of(const Curve& c, Point2 p) {
    if (c.segment_count() == 0) return 0;
    if (c.closed) {
        std::vector<Point2> ring = polyline_path(c.points, c.bulges, true).points;
        Location where = locate_in_ring(p, ring);
        if (where == Location::Boundary) return 0;
        bool ccw = ring_signed_area(ring) > 0;
        return (where == Location::Inside) == ccw ? 1 : -1;
    }
    double u = c.nearest(p);
    size_t i = std::min(size_t(u), c.segment_count() - 1);
    double t = u - double(i);
    Segment s = c.segment(i);
    Point2 q = s.at(t);
    Point2 dir = s.direction(t);
    // At a vertex the two segments' directions together tell the side.
    if (t > 1 - kParamEps && i + 1 < c.segment_count()) dir = add(dir, c.segment(i + 1).direction(0));
    if (t < kParamEps && i > 0) dir = add(dir, c.segment(i - 1).direction(1));
    double side = cross(dir, sub(p, q));
    if (std::fabs(side) <= 1e-12 * std::max(1.0, norm(sub(p, q)))) return 0;
    return side > 0 ? 1 : -1;
}

// ---------------------------------------------------------------- from entities

std::optional<Curve> curve_of(const Document& doc, RecordId id) {
    EntityView e(doc, id);
    std::string type = e.type();
    // Flat entities drawn from below (extrusion 0,0,-1) read mirrored in x.
    double flip = 1;
    if (auto n = e.point(210)) {
        if (std::fabs(n->x) > 1e-12 || std::fabs(n->y) > 1e-12) return std::nullopt;
        if (n->z < 0) flip = -1;
    }
    Curve c;
    if (type == "LINE") {
        auto a = e.point(10), b = e.point(11);
        if (!a || !b) return std::nullopt;
        c.points = {{a->x, a->y}, {b->x, b->y}};
        c.bulges = {0, 0};
        return c;
    }
    if (type == "CIRCLE" || type == "ARC") {
        auto centre = e.point(10);
        double r = e.real(40).value_or(0);
        if (!centre || !(r > 0)) return std::nullopt;
        Point2 o{flip * centre->x, centre->y};
        if (type == "CIRCLE") return circle_curve(o, r);
        double s = e.real(50).value_or(0) * kPi / 180, en = e.real(51).value_or(0) * kPi / 180;
        double sweep = wrap(en - s);
        if (sweep == 0) sweep = kTwoPi;
        if (flip < 0) s = kPi - s;
        Point2 a{o.x + r * std::cos(s), o.y + r * std::sin(s)};
        double end_angle = s + flip * sweep;
        Point2 b{o.x + r * std::cos(end_angle), o.y + r * std::sin(end_angle)};
        c.points = {a, b};
        c.bulges = {std::tan(flip * sweep / 4), 0};
        return c;
    }
    if (type == "LWPOLYLINE" || (type == "POLYLINE" && !e.is_3d_polyline() && !(e.integer(70).value_or(0) & (16 | 64)))) {
        for (const Point3& p : e.vertices()) c.points.push_back({flip * p.x, p.y});
        c.bulges = e.bulges();
        c.bulges.resize(c.points.size(), 0.0);
        for (double& b : c.bulges) b *= flip;
        c.closed = e.closed();
        if (c.points.empty()) return std::nullopt;
        return c;
    }
    if (type == "POLYLINE" && e.is_3d_polyline()) {
        for (const Point3& p : e.vertices()) c.points.push_back({p.x, p.y});
        c.bulges.assign(c.points.size(), 0.0);
        c.closed = e.closed();
        if (c.points.empty()) return std::nullopt;
        return c;
    }
    return std::nullopt;
}

}  // namespace korvane::drawing
