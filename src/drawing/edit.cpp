// Drafting edits. Geometry is worked out on curves (curves.h) and written back through the
// entities' own groups, so every group an edit does not concern stays as it was.
#include "edit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "block.h"
#include "create.h"

namespace korvane::drawing {

namespace {

constexpr double kDeg = 180.0 / std::numbers::pi;
constexpr double kParamEps = 1e-9;

double norm360(double a) {
    a = std::fmod(a, 360.0);
    if (a < 0) a += 360.0;
    return a >= 360.0 ? 0.0 : a;
}

bool flat(const EntityView& e) {
    auto n = e.point(210);
    return !n || (std::fabs(n->x) < 1e-12 && std::fabs(n->y) < 1e-12 && n->z > 0);
}

bool has_xdata(const EntityView& e) { return e.xdata_start() < e.rec().tags.size(); }

// Removes every group of this code from the entity part.
void remove_group(Entity& e, int code) {
    auto& tags = e.mrec().tags;
    size_t end = e.xdata_start();
    for (size_t i = 1; i < end;) {
        if (tags[i].code == code) {
            tags.erase(tags.begin() + long(i));
            --end;
        } else {
            ++i;
        }
    }
}

// ---------------------------------------------------------------- mirror

class Mirror {
public:
    Mirror(Point2 a, Point2 b) : a_(a) {
        double len = std::hypot(b.x - a.x, b.y - a.y);
        u_ = {(b.x - a.x) / len, (b.y - a.y) / len};
        angle_deg_ = std::atan2(u_.y, u_.x) * kDeg;
    }
    Point2 point(Point2 p) const {
        double dx = p.x - a_.x, dy = p.y - a_.y;
        double k = dx * u_.x + dy * u_.y;
        return {a_.x + 2 * k * u_.x - dx, a_.y + 2 * k * u_.y - dy};
    }
    double angle(double deg) const { return norm360(2 * angle_deg_ - deg); }

    // Reflects the point whose x group sits at index i of the entity part (y follows it).
    void point_at(Entity& e, size_t i) const {
        auto& tags = e.mrec().tags;
        Document& doc = e.doc();
        if (i + 1 >= tags.size() || tags[i + 1].code != tags[i].code + 10) return;
        Point2 p = point({doc.real(tags[i]), doc.real(tags[i + 1])});
        int code = tags[i].code;
        tags[i] = doc.make_real(code, p.x);
        tags[i + 1] = doc.make_real(code + 10, p.y);
    }
    // Reflects every point of these codes and negates every value of `negate`.
    void groups(Entity& e, std::initializer_list<int> points, int negate = -1) const {
        size_t end = e.xdata_start();
        for (size_t i = 1; i < end; ++i) {
            int code = e.code_at(i);
            if (std::find(points.begin(), points.end(), code) != points.end()) {
                point_at(e, i);
                ++i;
            } else if (code == negate) {
                e.mrec().tags[i] = e.doc().make_real(code, -e.real_at(i));
            }
        }
    }

private:
    Point2 a_, u_;
    double angle_deg_ = 0;
};

}  // namespace

RecordId duplicate(Document& doc, RecordId id) {
    RecordId copy = copy_entity(doc, id, doc);
    if (copy != kNoRecord) doc.append_to_modelspace(copy);
    return copy;
}

bool mirror(Entity e, Point2 a, Point2 b) {
    if (a == b || !flat(e)) return false;
    Mirror m(a, b);
    std::string type = e.type();
    if (type == "POINT" || type == "CIRCLE" || type == "MTEXT") {
        m.groups(e, {10});
    } else if (type == "LINE" || type == "TEXT") {
        m.groups(e, {10, 11});
    } else if (type == "ARC") {
        m.groups(e, {10});
        double s = e.real(50).value_or(0), en = e.real(51).value_or(0);
        e.set_real(50, m.angle(en));
        e.set_real(51, m.angle(s));
    } else if (type == "LWPOLYLINE") {
        m.groups(e, {10}, 42);
    } else if (type == "POLYLINE") {
        for (RecordId v : e.rec().followers) {
            if (e.doc().record(v).erased || e.doc().type(v) != "VERTEX") continue;
            Entity ve(e.doc(), v);
            m.groups(ve, {10}, 42);
        }
    } else if (type == "INSERT") {
        m.groups(e, {10});
        // A reflection is a turn and a flip: rotation 2φ − r with the y scale negated.
        e.set_real(42, -e.real(42).value_or(1), e.find(41) >= 0 ? 41 : 30);
        e.set_real(50, m.angle(e.real(50).value_or(0)), e.find(43) >= 0 ? 43 : 42);
        for (RecordId f : e.rec().followers) {
            if (e.doc().record(f).erased || e.doc().type(f) != "ATTRIB") continue;
            Entity fe(e.doc(), f);
            m.groups(fe, {10, 11});
        }
    } else {
        return false;
    }
    e.doc().touch();
    return true;
}

void carry_properties(Document& doc, RecordId from, RecordId to, bool xdata) {
    EntityView f(doc, from);
    Entity t(doc, to);
    struct Group {
        int code;
        char kind;  // t text, i integer, r real
        const char* fallback;  // what stands for "absent" where the group cannot simply go
    };
    static const Group kGroups[] = {{6, 't', "ByLayer"}, {62, 'i', "256"}, {370, 'i', "-1"}, {48, 'r', "1"},
                                    {39, 'r', "0"},      {60, 'i', "0"},   {420, 'i', nullptr}, {430, 't', nullptr},
                                    {440, 'i', nullptr}};
    for (const Group& g : kGroups) {
        int i = f.find(g.code);
        if (i >= 0 && size_t(i) >= f.xdata_start()) i = -1;
        if (i < 0) {
            if (t.find(g.code) < 0) continue;
            if (g.code == 62) t.set_color(256);
            else remove_group(t, g.code);
            continue;
        }
        if (g.code == 62) {
            t.set_color(int(f.int_at(size_t(i))));
            continue;
        }
        int after = g.code == 39 ? -1 : 8;
        if (g.kind == 't') t.set_text_of(g.code, doc.text(f.rec().tags[size_t(i)]), after);
        else if (g.kind == 'i') t.set_integer(g.code, f.int_at(size_t(i)), after);
        else t.set_real(g.code, f.real_at(size_t(i)), after);
    }
    if (xdata) {
        std::vector<Tag> data(f.rec().tags.begin() + long(f.xdata_start()), f.rec().tags.end());
        size_t start = t.xdata_start();
        auto& tags = t.mrec().tags;
        tags.erase(tags.begin() + long(start), tags.end());
        tags.insert(tags.end(), data.begin(), data.end());
    }
    doc.touch();
}

// ---------------------------------------------------------------- curves into entities

namespace {

struct ArcGeometry {
    Point2 centre;
    double radius = 0, start_deg = 0, end_deg = 0;
};

ArcGeometry arc_of(const Segment& s) {
    ArcGeometry g;
    g.centre = s.centre();
    g.radius = s.radius();
    double from = std::atan2(s.a.y - g.centre.y, s.a.x - g.centre.x) * kDeg;
    double to = std::atan2(s.b.y - g.centre.y, s.b.x - g.centre.x) * kDeg;
    // Arcs run counter-clockwise; a clockwise segment is the same arc from its other end.
    if (s.bulge > 0) g.start_deg = norm360(from), g.end_deg = norm360(to);
    else g.start_deg = norm360(to), g.end_deg = norm360(from);
    return g;
}

bool is_whole_circle(const Curve& c) {
    return c.closed && c.points.size() == 2 && std::fabs(c.bulge(0) - 1) < 1e-9 && std::fabs(c.bulge(1) - 1) < 1e-9;
}

// The pieces of one circle (a circle cut open spans both its halves) as one arc segment.
std::optional<Curve> as_one_arc(const Curve& c) {
    if (c.closed || c.segment_count() < 2) return std::nullopt;
    Segment first = c.segment(0);
    if (first.straight()) return std::nullopt;
    Point2 centre = first.centre();
    double r = first.radius(), sweep = 0;
    for (size_t i = 0; i < c.segment_count(); ++i) {
        Segment s = c.segment(i);
        if (s.straight() || (s.bulge > 0) != (first.bulge > 0)) return std::nullopt;
        Point2 o = s.centre();
        if (std::hypot(o.x - centre.x, o.y - centre.y) > 1e-9 * std::max(1.0, r) ||
            std::fabs(s.radius() - r) > 1e-9 * std::max(1.0, r))
            return std::nullopt;
        sweep += s.sweep();
    }
    if (std::fabs(sweep) >= 2 * std::numbers::pi - 1e-12) return std::nullopt;
    Curve one;
    one.points = {c.points.front(), c.points.back()};
    one.bulges = {std::tan(sweep / 4), 0};
    return one;
}

void face_up(Entity& e) {
    if (e.find(210) >= 0) e.set_point(210, {0, 0, 1});
}

}  // namespace

RecordId write_curve(Document& doc, RecordId id, const Curve& given) {
    Entity e(doc, id);
    std::string type = e.type();
    std::optional<Curve> arc;
    if (type == "ARC" || type == "CIRCLE") arc = as_one_arc(given);
    const Curve& c = arc ? *arc : given;
    bool single = !c.closed && c.segment_count() == 1;
    bool straight = single && c.segment(0).straight();
    if (type == "LINE" && straight) {
        Point3 a = e.point(10).value_or(Point3{}), b = e.point(11).value_or(Point3{});
        e.set_point(10, {c.points[0].x, c.points[0].y, a.z});
        e.set_point(11, {c.points[1].x, c.points[1].y, b.z});
        return id;
    }
    if ((type == "ARC" && single && !straight) || (type == "CIRCLE" && is_whole_circle(c))) {
        double z = e.point(10).value_or(Point3{}).z;
        face_up(e);
        if (type == "ARC") {
            ArcGeometry g = arc_of(c.segment(0));
            e.set_point(10, {g.centre.x, g.centre.y, z});
            e.set_real(40, g.radius);
            e.set_real(50, g.start_deg);
            e.set_real(51, g.end_deg);
        } else {
            Point2 centre{(c.points[0].x + c.points[1].x) / 2, (c.points[0].y + c.points[1].y) / 2};
            e.set_point(10, {centre.x, centre.y, z});
            e.set_real(40, std::hypot(c.points[0].x - centre.x, c.points[0].y - centre.y));
        }
        return id;
    }
    if ((type == "LWPOLYLINE" || type == "POLYLINE") && c.points.size() >= 2) {
        face_up(e);
        std::vector<Point3> pts;
        for (Point2 p : c.points) pts.push_back({p.x, p.y, 0});
        std::vector<double> bulges = c.bulges;
        bulges.resize(pts.size(), 0.0);
        if (e.is_3d_polyline()) bulges.clear();
        e.set_vertices(pts, bulges);
        e.set_closed(c.closed);
        return id;
    }
    // Another type holds it: a new entity with the old one's properties and record.
    std::string layer = e.layer();
    RecordId n;
    if (straight) {
        n = add_line(doc, {c.points[0].x, c.points[0].y, 0}, {c.points[1].x, c.points[1].y, 0}, layer);
    } else if (single) {
        ArcGeometry g = arc_of(c.segment(0));
        n = add_arc(doc, {g.centre.x, g.centre.y, 0}, g.radius, g.start_deg, g.end_deg, layer);
    } else {
        std::vector<Point3> pts;
        for (Point2 p : c.points) pts.push_back({p.x, p.y, 0});
        n = add_lwpolyline(doc, pts, c.closed, layer, c.bulges);
    }
    carry_properties(doc, id, n, true);
    doc.erase(id);
    return n;
}

// ---------------------------------------------------------------- offset, explode, join

namespace {

// A curve that can be edited as a plane curve (2D polylines, lines, arcs, circles).
std::optional<Curve> plane_curve(const Document& doc, RecordId id) {
    if (EntityView(doc, id).is_3d_polyline()) return std::nullopt;
    return curve_of(doc, id);
}

void fail(EditError* why, EditError e) {
    if (why) *why = e;
}

}  // namespace

RecordId offset_entity(Document& doc, RecordId id, double distance, Point2 side, EditError* why) {
    fail(why, EditError::None);
    auto c = plane_curve(doc, id);
    if (!c || !(distance > 0) || !std::isfinite(distance)) {
        fail(why, EditError::NotACurve);
        return kNoRecord;
    }
    int s = side_of(*c, side);
    if (s == 0) {
        fail(why, EditError::OnTheCurve);
        return kNoRecord;
    }
    auto moved = offset_curve(*c, s * distance);
    if (!moved) {
        fail(why, EditError::Folds);
        return kNoRecord;
    }
    RecordId copy = duplicate(doc, id);
    if (copy == kNoRecord) {
        fail(why, EditError::NotACurve);
        return kNoRecord;
    }
    return write_curve(doc, copy, *moved);
}

std::vector<RecordId> explode_curve(Document& doc, RecordId id, size_t* records_left) {
    if (records_left) *records_left = 0;
    EntityView e(doc, id);
    if (!e.is_polyline()) return {};
    auto c = plane_curve(doc, id);
    if (!c) return {};
    double z = e.elevation();
    std::string layer = e.layer();
    std::vector<RecordId> out;
    for (size_t i = 0; i < c->segment_count(); ++i) {
        Segment s = c->segment(i);
        RecordId piece;
        if (s.straight()) {
            piece = add_line(doc, {s.a.x, s.a.y, z}, {s.b.x, s.b.y, z}, layer);
        } else {
            ArcGeometry g = arc_of(s);
            piece = add_arc(doc, {g.centre.x, g.centre.y, z}, g.radius, g.start_deg, g.end_deg, layer);
        }
        carry_properties(doc, id, piece, false);
        out.push_back(piece);
    }
    if (records_left && has_xdata(EntityView(doc, id))) *records_left = 1;
    doc.erase(id);
    return out;
}

JoinResult join_curves(Document& doc, const std::vector<RecordId>& ids, double tolerance) {
    JoinResult r;
    if (ids.empty()) return r;
    auto chain = plane_curve(doc, ids[0]);
    if (!chain) {
        r.error = EditError::NotACurve;
        return r;
    }
    if (chain->closed) {
        r.error = EditError::Closed;
        return r;
    }
    struct Candidate {
        RecordId id;
        Curve curve;
        bool used = false;
    };
    std::vector<Candidate> pool;
    for (size_t k = 1; k < ids.size(); ++k) {
        if (ids[k] == ids[0]) continue;
        auto c = plane_curve(doc, ids[k]);
        if (c && !c->closed && c->points.size() >= 2) pool.push_back({ids[k], *c});
        else r.left_out.push_back(ids[k]);
    }
    auto near = [&](Point2 p, Point2 q) { return std::hypot(p.x - q.x, p.y - q.y) <= tolerance; };
    auto append = [&](const Curve& p) {
        chain->bulges.back() = p.bulge(0);
        for (size_t j = 1; j < p.points.size(); ++j) {
            chain->points.push_back(p.points[j]);
            chain->bulges.push_back(p.bulge(j));
        }
    };
    auto prepend = [&](const Curve& p) {
        std::vector<Point2> pts(p.points.begin(), p.points.end() - 1);
        std::vector<double> bs(p.points.size() - 1);
        for (size_t j = 0; j + 1 < p.points.size(); ++j) bs[j] = p.bulge(j);
        chain->points.insert(chain->points.begin(), pts.begin(), pts.end());
        chain->bulges.insert(chain->bulges.begin(), bs.begin(), bs.end());
    };
    for (bool progress = true; progress;) {
        progress = false;
        for (Candidate& cand : pool) {
            if (cand.used) continue;
            // A chain that has come back to its start takes nothing more.
            if (chain->points.size() > 2 && near(chain->points.front(), chain->points.back())) break;
            Point2 head = chain->points.front(), tail = chain->points.back();
            const Curve& p = cand.curve;
            if (near(tail, p.points.front())) append(p);
            else if (near(tail, p.points.back())) append(p.reversed());
            else if (near(head, p.points.back())) prepend(p);
            else if (near(head, p.points.front())) prepend(p.reversed());
            else continue;
            cand.used = true;
            progress = true;
        }
    }
    for (const Candidate& cand : pool) {
        if (!cand.used) {
            r.left_out.push_back(cand.id);
            continue;
        }
        r.merged.push_back(cand.id);
        if (has_xdata(EntityView(doc, cand.id))) ++r.records_dropped;
    }
    if (r.merged.empty()) {
        r.error = EditError::NoCrossing;
        return r;
    }
    if (chain->points.size() > 2 && near(chain->points.front(), chain->points.back())) {
        chain->points.pop_back();
        chain->bulges.pop_back();
        chain->closed = true;
    }
    // The first entity keeps its handle when it is a polyline already.
    RecordId target = ids[0];
    std::string type(doc.type(target));
    if (type != "LWPOLYLINE" && type != "POLYLINE") {
        std::vector<Point3> pts;
        for (Point2 p : chain->points) pts.push_back({p.x, p.y, 0});
        RecordId n = add_lwpolyline(doc, pts, chain->closed, EntityView(doc, target).layer(), chain->bulges);
        carry_properties(doc, target, n, true);
        doc.erase(target);
        target = n;
    } else {
        target = write_curve(doc, target, *chain);
    }
    for (RecordId id : r.merged) doc.erase(id);
    r.joined = target;
    return r;
}

// ---------------------------------------------------------------- break, trim, extend

namespace {

// Writes the pieces of a curve back: the first into the entity, each further one into a copy
// of it. Pieces too short to be anything are left out; with none left the entity goes.
std::vector<RecordId> write_pieces(Document& doc, RecordId id, const std::vector<Curve>& pieces) {
    std::vector<RecordId> out;
    std::vector<const Curve*> kept;
    for (const Curve& p : pieces)
        if (p.points.size() >= 2 && p.length() > 1e-9) kept.push_back(&p);
    if (kept.empty()) {
        doc.erase(id);
        return out;
    }
    RecordId first = write_curve(doc, id, *kept[0]);
    out.push_back(first);
    for (size_t k = 1; k < kept.size(); ++k) {
        RecordId copy = duplicate(doc, first);
        out.push_back(write_curve(doc, copy, *kept[k]));
    }
    return out;
}

}  // namespace

std::vector<RecordId> break_curve(Document& doc, RecordId id, Point2 p1, Point2 p2, EditError* why) {
    fail(why, EditError::None);
    auto c = plane_curve(doc, id);
    if (!c || c->segment_count() == 0) {
        fail(why, EditError::NotACurve);
        return {};
    }
    double u1 = c->nearest(p1), u2 = c->nearest(p2);
    if (!c->closed) {
        if (u1 > u2) std::swap(u1, u2);
        return write_pieces(doc, id, {c->piece(0, u1), c->piece(u2, c->end())});
    }
    if (std::fabs(u1 - u2) < kParamEps) {
        if (doc.type(id) == "CIRCLE") {
            fail(why, EditError::WholeCircle);
            return {};
        }
        return write_pieces(doc, id, {c->piece(u1, u1 + c->end())});
    }
    // A circle loses the part counter-clockwise from p1 to p2; a closed polyline (a parcel's
    // boundary opened for mending) the shorter of its two parts.
    Curve keep = c->piece(u2, u1);
    if (doc.type(id) != "CIRCLE") {
        Curve other = c->piece(u1, u2);
        if (other.length() > keep.length()) keep = other;
    }
    return write_pieces(doc, id, {keep});
}

std::vector<RecordId> trim_curve(Document& doc, RecordId id, const std::vector<Segment>& edges, Point2 pick,
                                 EditError* why) {
    fail(why, EditError::None);
    auto c = plane_curve(doc, id);
    if (!c || c->segment_count() == 0) {
        fail(why, EditError::NotACurve);
        return {};
    }
    std::vector<double> cuts;
    for (size_t i = 0; i < c->segment_count(); ++i) {
        Segment s = c->segment(i);
        Box2 box = s.bounds().grown(1e-9);
        for (const Segment& edge : edges) {
            if (!box.intersects(edge.bounds())) continue;
            for (const Crossing& x : intersect(s, edge)) cuts.push_back(double(i) + x.ta);
        }
    }
    double end = c->end();
    double up = c->nearest(pick);
    if (!c->closed) {
        double lo = 0, hi = end;
        for (double u : cuts) {
            if (u <= kParamEps || u >= end - kParamEps) continue;
            if (u < up - kParamEps) lo = std::max(lo, u);
            else if (u > up + kParamEps) hi = std::min(hi, u);
        }
        if (lo == 0 && hi == end) {
            fail(why, EditError::NoCrossing);
            return {};
        }
        return write_pieces(doc, id, {c->piece(0, lo), c->piece(hi, end)});
    }
    for (double& u : cuts) u = std::fmod(u, end);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end(), [](double a, double b) { return b - a < kParamEps; }), cuts.end());
    if (cuts.size() >= 2 && end - cuts.back() + cuts.front() < kParamEps) cuts.pop_back();
    if (cuts.size() < 2) {
        fail(why, EditError::NoCrossing);
        return {};
    }
    // The cuts on either side of the pick, going round.
    auto after = std::upper_bound(cuts.begin(), cuts.end(), up);
    double hi = after == cuts.end() ? cuts.front() : *after;
    double lo = after == cuts.begin() ? cuts.back() : *(after - 1);
    return write_pieces(doc, id, {c->piece(hi, lo)});
}

bool extend_curve(Document& doc, RecordId id, const std::vector<Segment>& edges, Point2 pick, EditError* why) {
    fail(why, EditError::None);
    auto c = plane_curve(doc, id);
    if (!c || c->segment_count() == 0) {
        fail(why, EditError::NotACurve);
        return false;
    }
    if (c->closed) {
        fail(why, EditError::Closed);
        return false;
    }
    bool at_end = c->nearest(pick) > c->end() / 2;
    Curve work = at_end ? *c : c->reversed();
    size_t last = work.segment_count() - 1;
    Segment s = work.segment(last);
    double best = std::numeric_limits<double>::infinity();
    for (const Segment& edge : edges)
        for (const Crossing& x : intersect(s, edge, true, false))
            if (x.ta > 1 + kParamEps && x.ta < best) best = x.ta;
    if (!std::isfinite(best)) {
        fail(why, EditError::NoCrossing);
        return false;
    }
    work.points.back() = s.at(best);
    if (!s.straight()) work.bulges[last] = std::tan(s.sweep() * best / 4);
    write_curve(doc, id, at_end ? work : work.reversed());
    return true;
}

}  // namespace korvane::drawing
