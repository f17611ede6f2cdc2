#include "host/object_snap.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "drawing/curves.h"
#include "drawing/entity.h"
#include "drawing/spatial_index.h"
#include "drawing/tables.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/system_variables.h"

namespace korvane::host {

namespace {

using drawing::Point2;
using drawing::RecordId;
using drawing::Segment;

double dist(Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

long long integer_variable(HostDocument& doc, const EmbeddedHost& host, const char* name, long long fallback) {
    Value v = get_system_variable(doc, host, name);
    if (auto* i = std::get_if<long long>(&v)) return *i;
    if (auto* d = std::get_if<double>(&v)) return static_cast<long long>(*d);
    return fallback;
}

// Layer names (upper case) whose entities cannot be seen and so are not snapped to.
std::set<std::string> hidden_layers(const drawing::Document& doc) {
    std::set<std::string> out;
    for (const auto& l : drawing::layers(doc)) {
        if (l.on && !l.frozen) continue;
        std::string up = l.name;
        for (char& c : up) c = char(std::toupper(static_cast<unsigned char>(c)));
        out.insert(up);
    }
    return out;
}

// The candidates of one search: points ranked by how far the cursor is from what they belong to.
class Candidates {
public:
    Candidates(Point2 cursor, double aperture) : cursor_(cursor), aperture_(aperture) {}

    // A point the cursor must be near itself.
    void point(Point2 p, int mode, RecordId id) { ranked(p, dist(p, cursor_), mode, id, best_); }
    // A point found from a curve the cursor is near (a centre, a perpendicular foot).
    void via_curve(Point2 p, double curve_distance, int mode, RecordId id, std::optional<SnapHit>& slot,
                   double& slot_rank) {
        if (curve_distance > aperture_) return;
        if (!slot || curve_distance < slot_rank) {
            slot = SnapHit{{p.x, p.y, 0}, mode, id};
            slot_rank = curve_distance;
        }
    }

    // In order of precedence: a point near the cursor, a centre of the curve under it, a
    // perpendicular foot on it, the nearest point of it.
    std::optional<SnapHit> best_, centre_, perpendicular_, nearest_;
    double best_rank_ = 0, centre_rank_ = 0, perpendicular_rank_ = 0, nearest_rank_ = 0;

private:
    Point2 cursor_;
    double aperture_;
    void ranked(Point2 p, double rank, int mode, RecordId id, std::optional<SnapHit>& slot) {
        if (rank > aperture_) return;
        if (!slot || rank < best_rank_ - 1e-12) {
            slot = SnapHit{{p.x, p.y, 0}, mode, id};
            best_rank_ = rank;
        }
    }
};

struct NearSegment {
    Segment segment;
    RecordId id;
};

}  // namespace

std::optional<SnapHit> find_snap(HostDocument& doc, Point cursor_point, double aperture, int modes,
                                 std::optional<Point> from) {
    modes &= ~kSnapSuppressed;
    if (modes == 0 || !(aperture > 0)) return std::nullopt;
    const drawing::Document& d = doc.doc();
    Point2 cursor{cursor_point.x, cursor_point.y};
    drawing::Box2 box = drawing::Box2::of(cursor, cursor).grown(aperture);
    std::set<std::string> hidden = hidden_layers(d);
    Candidates found(cursor, aperture);
    std::vector<NearSegment> near;
    for (RecordId id : doc.index().query(box)) {
        drawing::EntityView e(d, id);
        if (!hidden.empty()) {
            std::string up = e.layer();
            for (char& c : up) c = char(std::toupper(static_cast<unsigned char>(c)));
            if (hidden.count(up)) continue;
        }
        std::string type = e.type();
        if (type == "POINT") {
            if (auto p = e.point(10); p && (modes & kSnapNode)) found.point({p->x, p->y}, kSnapNode, id);
            continue;
        }
        if (type == "TEXT" || type == "MTEXT" || type == "INSERT") {
            if (!(modes & kSnapInsertion)) continue;
            bool aligned = type == "TEXT" && (e.halign() != 0 || e.valign() != 0);
            if (auto p = e.point(aligned ? 11 : 10)) found.point({p->x, p->y}, kSnapInsertion, id);
            continue;
        }
        auto curve = drawing::curve_of(d, id);
        if (!curve) continue;
        bool circle = type == "CIRCLE";
        for (size_t i = 0; i < curve->segment_count(); ++i) {
            Segment s = curve->segment(i);
            if (!s.bounds().grown(aperture).contains(cursor)) continue;
            double t = s.nearest(cursor);
            Point2 on = s.at(t);
            double curve_distance = dist(on, cursor);
            near.push_back({s, id});
            if ((modes & kSnapEndpoint) && !circle) {
                found.point(s.a, kSnapEndpoint, id);
                found.point(s.b, kSnapEndpoint, id);
            }
            if ((modes & kSnapMidpoint) && !circle) found.point(s.at(0.5), kSnapMidpoint, id);
            if (!s.straight()) {
                if (modes & kSnapCenter)
                    found.via_curve(s.centre(), curve_distance, kSnapCenter, id, found.centre_, found.centre_rank_);
                if (modes & kSnapQuadrant) {
                    Point2 c = s.centre();
                    double r = s.radius();
                    for (Point2 q : {Point2{c.x + r, c.y}, Point2{c.x, c.y + r}, Point2{c.x - r, c.y}, Point2{c.x, c.y - r}})
                        if (dist(s.at(s.nearest(q)), q) < 1e-9 * std::max(1.0, r)) found.point(q, kSnapQuadrant, id);
                }
            }
            if ((modes & kSnapPerpendicular) && from) {
                Point2 base{from->x, from->y};
                double tf = s.nearest(base);
                Point2 foot = s.at(tf);
                // Only a true foot: on the segment, not its end standing in for one.
                Point2 dir = s.direction(tf);
                double off = (base.x - foot.x) * dir.x + (base.y - foot.y) * dir.y;
                if (std::fabs(off) <= 1e-9 * std::max(1.0, dist(base, foot)))
                    found.via_curve(foot, curve_distance, kSnapPerpendicular, id, found.perpendicular_,
                                    found.perpendicular_rank_);
            }
            if (modes & kSnapNearest)
                found.via_curve(on, curve_distance, kSnapNearest, id, found.nearest_, found.nearest_rank_);
        }
    }
    if (modes & kSnapIntersection) {
        for (size_t i = 0; i < near.size(); ++i)
            for (size_t j = i + 1; j < near.size(); ++j) {
                if (!near[i].segment.bounds().intersects(near[j].segment.bounds())) continue;
                for (const auto& x : drawing::intersect(near[i].segment, near[j].segment))
                    found.point(x.p, kSnapIntersection, near[i].id);
            }
    }
    if (found.best_) return found.best_;
    if (found.centre_) return found.centre_;
    if (found.perpendicular_) return found.perpendicular_;
    return found.nearest_;
}

std::optional<int> snap_override(std::string_view word) {
    std::string w;
    for (char c : word) w += char(std::toupper(static_cast<unsigned char>(c)));
    if (w == "NON" || w == "NONE") return 0;
    struct Name {
        const char* full;
        int mode;
    };
    static const Name kNames[] = {{"ENDPOINT", kSnapEndpoint},        {"MIDPOINT", kSnapMidpoint},
                                  {"INTERSECTION", kSnapIntersection}, {"CENTER", kSnapCenter},
                                  {"NODE", kSnapNode},                 {"QUADRANT", kSnapQuadrant},
                                  {"INSERTION", kSnapInsertion},       {"PERPENDICULAR", kSnapPerpendicular},
                                  {"NEAREST", kSnapNearest}};
    // Three letters at least, and no more than the whole word.
    if (w.size() < 3) return std::nullopt;
    for (const Name& n : kNames)
        if (std::string_view(n.full).substr(0, w.size()) == w) return n.mode;
    return std::nullopt;
}

const char* snap_mode_name(int mode) {
    switch (mode) {
        case kSnapEndpoint: return "端点";
        case kSnapMidpoint: return "中点";
        case kSnapCenter: return "圆心";
        case kSnapNode: return "节点";
        case kSnapQuadrant: return "象限点";
        case kSnapIntersection: return "交点";
        case kSnapInsertion: return "插入点";
        case kSnapPerpendicular: return "垂足";
        case kSnapNearest: return "最近点";
    }
    return "";
}

double snap_aperture(const EmbeddedHost& host, HostDocument& doc) {
    double pixels = double(integer_variable(doc, host, "APERTURE", 10));
    double screen = host.screen_height() > 0 ? host.screen_height() : 900;
    return pixels * doc.view().height / screen;
}

ClickPoint resolve_click(const EmbeddedHost& host, HostDocument& doc, Point click, std::optional<Point> base,
                         int override_mode) {
    ClickPoint r;
    r.point = click;
    int modes = override_mode >= 0 ? override_mode : int(integer_variable(doc, host, "OSMODE", 0));
    if (override_mode < 0 && (modes & kSnapSuppressed)) modes = 0;
    if (modes != 0) {
        r.hit = find_snap(doc, click, snap_aperture(host, doc), modes, base);
        if (r.hit) {
            r.point = {r.hit->point.x, r.hit->point.y, click.z};
            return r;
        }
        if (override_mode > 0) {
            r.missed = true;
            return r;
        }
    }
    if (base && integer_variable(doc, host, "ORTHOMODE", 0) != 0) {
        if (std::fabs(click.x - base->x) >= std::fabs(click.y - base->y)) r.point.y = base->y;
        else r.point.x = base->x;
    }
    return r;
}

std::optional<Point> direct_distance(HostDocument& doc, const EmbeddedHost& host, Point base, Point toward,
                                     double distance) {
    double dx = toward.x - base.x, dy = toward.y - base.y;
    if (integer_variable(doc, host, "ORTHOMODE", 0) != 0) {
        if (std::fabs(dx) >= std::fabs(dy)) dy = 0;
        else dx = 0;
    }
    double len = std::hypot(dx, dy);
    if (!(len > 0) || !std::isfinite(distance)) return std::nullopt;
    return Point{base.x + dx / len * distance, base.y + dy / len * distance, base.z};
}

}  // namespace korvane::host
