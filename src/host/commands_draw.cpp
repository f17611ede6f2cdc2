// Drawing commands: LINE, PLINE, POINT, CIRCLE, ARC and TEXT. New entities go on the current
// layer.
#include <cmath>
#include <numbers>

#include "drawing/create.h"
#include "drawing/tables.h"
#include "host/command_text.h"
#include "host/commands_drafting.h"
#include "host/system_variables.h"

namespace korvane::host {

namespace {

using drawing::Point2;
using drawing::RecordId;

constexpr double kPi = std::numbers::pi;

double distance(const Point& a, const Point& b) { return std::hypot(b.x - a.x, b.y - a.y); }
double angle_of(const Point& a, const Point& b) { return std::atan2(b.y - a.y, b.x - a.x); }

// The circle through three points; nullopt when they lie on a line.
std::optional<Point2> circumcentre(Point2 a, Point2 b, Point2 c) {
    // Worked relative to a: survey coordinates would swamp the products.
    double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
    double d = 2 * (bx * cy - by * cx);
    if (std::fabs(d) < 1e-12 * (bx * bx + by * by + cx * cx + cy * cy)) return std::nullopt;
    double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    return Point2{a.x + (cy * b2 - by * c2) / d, a.y + (bx * c2 - cx * b2) / d};
}

// The bulge of an arc from s through m to e.
std::optional<double> bulge_through(Point2 s, Point2 m, Point2 e) {
    auto centre = circumcentre(s, m, e);
    if (!centre) return std::nullopt;
    bool ccw = (m.x - s.x) * (e.y - m.y) - (m.y - s.y) * (e.x - m.x) > 0;
    return drawing::bulge_about(*centre, s, e, ccw);
}

// The bulge of an arc leaving s in direction `dir` and ending at e.
double tangent_bulge(Point2 s, Point2 dir, Point2 e) {
    double chord = std::atan2(e.y - s.y, e.x - s.x), start = std::atan2(dir.y, dir.x);
    double a = std::remainder(chord - start, 2 * kPi);  // half the included angle, signed
    return std::tan(a / 2);
}

double number_variable(CommandContext& c, const char* name, double fallback) {
    Value v = get_system_variable(c.doc, c.host, name);
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<long long>(&v)) return double(*i);
    return fallback;
}

}  // namespace

// ---------------------------------------------------------------- LINE

void cmd_line(CommandContext& c) {
    auto first = ask_point(c, "指定第一个点:");
    if (!first) return;
    std::vector<Point> points{*first};
    std::vector<RecordId> made;
    enum { kClose, kUndo };
    while (true) {
        bool can_close = made.size() >= 2;
        Answer a = c.ask(can_close ? "指定下一点或 [闭合(C)/放弃(U)]:" : "指定下一点或 [放弃(U)]:",
                         Accept::points().with({"Close", "Undo"}).from(points.back()));
        if (a.kind == Answer::Keyword && a.keyword == kUndo) {
            if (made.empty()) {
                c.print("所有线段都已放弃。");
                continue;
            }
            c.dwg().erase(made.back());
            made.pop_back();
            points.pop_back();
            c.state.last_point = points.back();
            continue;
        }
        if (a.kind == Answer::Keyword && a.keyword == kClose) {
            if (!can_close) {
                c.print("需要至少两条线段才能闭合。");
                continue;
            }
            drawing::add_line(c.dwg(), to_point3(points.back()), to_point3(points.front()), c.current_layer());
            c.state.last_point = points.front();
            return;
        }
        if (a.kind != Answer::Point) return;
        made.push_back(drawing::add_line(c.dwg(), to_point3(points.back()), to_point3(a.point), c.current_layer()));
        points.push_back(a.point);
    }
}

// ---------------------------------------------------------------- PLINE

void cmd_pline(CommandContext& c) {
    auto start = ask_point(c, "指定起点:");
    if (!start) return;
    double width = c.state.pline_width;
    c.print("当前线宽为 " + format_length(width));
    std::vector<Point2> pts{to_point2(*start)};
    std::vector<double> bulges{0};
    bool arc_mode = false, closed = false;
    // The direction the next arc leaves in: along the end of the last segment.
    auto leaving = [&]() -> Point2 {
        if (pts.size() < 2) return {1, 0};
        return drawing::Segment{pts[pts.size() - 2], pts.back(), bulges[bulges.size() - 2]}.direction(1);
    };
    auto add_vertex = [&](Point2 p, double bulge) {
        bulges.back() = bulge;
        pts.push_back(p);
        bulges.push_back(0);
    };
    auto set_width = [&](bool half) {
        auto w = c.ask_real(half ? "指定起点半宽 <" + format_length(width / 2) + ">:"
                                 : "指定起点宽度 <" + format_length(width) + ">:",
                            half ? width / 2 : width);
        if (!w || *w < 0) return;
        width = half ? 2 * *w : *w;
    };
    enum { kArc, kClose, kHalf, kLength, kUndo, kWidth };
    enum { kArcClose, kArcLine, kArcSecond, kArcUndo, kArcWidth };
    while (!closed) {
        Point from{pts.back().x, pts.back().y, 0};
        Answer a;
        if (!arc_mode) {
            a = c.ask(pts.size() < 2 ? "指定下一个点或 [圆弧(A)/半宽(H)/长度(L)/放弃(U)/宽度(W)]:"
                                      : "指定下一点或 [圆弧(A)/闭合(C)/半宽(H)/长度(L)/放弃(U)/宽度(W)]:",
                      Accept::points().with({"Arc", "Close", "Halfwidth", "Length", "Undo", "Width"}).from(from));
        } else {
            a = c.ask("指定圆弧的端点或 [闭合(CL)/直线(L)/第二个点(S)/放弃(U)/宽度(W)]:",
                      Accept::points().with({"CLose", "Line", "Second", "Undo", "Width"}).from(from));
        }
        if (a.kind == Answer::Point) {
            Point2 p = to_point2(a.point);
            add_vertex(p, arc_mode ? tangent_bulge(pts.back(), leaving(), p) : 0.0);
            continue;
        }
        if (a.kind != Answer::Keyword) break;
        int k = a.keyword;
        if (!arc_mode) {
            if (k == kArc) arc_mode = true;
            else if (k == kHalf) set_width(true);
            else if (k == kWidth) set_width(false);
            else if (k == kLength) {
                auto len = c.ask_real("指定直线的长度:", 0);
                if (len && pts.size() >= 1) {
                    Point2 dir = leaving();
                    add_vertex({pts.back().x + dir.x * *len, pts.back().y + dir.y * *len}, 0);
                }
            } else if (k == kClose) {
                if (pts.size() < 3) c.print("需要至少两条线段才能闭合。");
                else closed = true;
            } else if (k == kUndo) {
                if (pts.size() < 2) {
                    c.print("所有线段都已放弃。");
                } else {
                    pts.pop_back();
                    bulges.pop_back();
                    bulges.back() = 0;
                }
            }
            continue;
        }
        if (k == kArcLine) arc_mode = false;
        else if (k == kArcWidth) set_width(false);
        else if (k == kArcUndo) {
            if (pts.size() >= 2) {
                pts.pop_back();
                bulges.pop_back();
                bulges.back() = 0;
            }
        } else if (k == kArcClose) {
            if (pts.size() < 2) {
                c.print("需要至少一条线段才能闭合。");
                continue;
            }
            bulges.back() = tangent_bulge(pts.back(), leaving(), pts.front());
            closed = true;
        } else if (k == kArcSecond) {
            auto m = ask_point(c, "指定圆弧上的第二个点:", from);
            if (!m) continue;
            auto e = ask_point(c, "指定圆弧的端点:", *m);
            if (!e) continue;
            auto b = bulge_through(pts.back(), to_point2(*m), to_point2(*e));
            if (!b) {
                c.print("三点共线，无法画圆弧。");
                continue;
            }
            add_vertex(to_point2(*e), *b);
        }
    }
    c.state.pline_width = width;
    if (pts.size() < 2) return;
    std::vector<drawing::Point3> p3;
    for (Point2 p : pts) p3.push_back({p.x, p.y, 0});
    RecordId id = drawing::add_lwpolyline(c.dwg(), p3, closed, c.current_layer(), bulges);
    if (width > 0) drawing::Entity(c.dwg(), id).set_constant_width(width);
}

// ---------------------------------------------------------------- POINT

void cmd_point(CommandContext& c) {
    Value mode = get_system_variable(c.doc, c.host, "PDMODE");
    c.print("当前点模式:  PDMODE=" + format_value(mode) + "  PDSIZE=" + format_length(number_variable(c, "PDSIZE", 0)));
    if (auto p = ask_point(c, "指定点:")) drawing::add_point(c.dwg(), to_point3(*p), c.current_layer());
}

// ---------------------------------------------------------------- CIRCLE

void cmd_circle(CommandContext& c) {
    enum { k3P, k2P };
    Answer a = c.ask("指定圆的圆心或 [三点(3P)/两点(2P)]:", Accept::points().with({"3P", "2P"}));
    Point2 centre;
    double radius = 0;
    if (a.kind == Answer::Keyword && a.keyword == k2P) {
        auto p = ask_point(c, "指定圆直径的第一个端点:");
        if (!p) return;
        auto q = ask_point(c, "指定圆直径的第二个端点:", *p);
        if (!q) return;
        centre = {(p->x + q->x) / 2, (p->y + q->y) / 2};
        radius = distance(*p, *q) / 2;
    } else if (a.kind == Answer::Keyword && a.keyword == k3P) {
        auto p = ask_point(c, "指定圆上的第一个点:");
        if (!p) return;
        auto q = ask_point(c, "指定圆上的第二个点:", *p);
        if (!q) return;
        auto r = ask_point(c, "指定圆上的第三个点:", *q);
        if (!r) return;
        auto o = circumcentre(to_point2(*p), to_point2(*q), to_point2(*r));
        if (!o) {
            c.print("三点共线，无法画圆。");
            return;
        }
        centre = *o;
        radius = std::hypot(p->x - o->x, p->y - o->y);
    } else if (a.kind == Answer::Point) {
        centre = to_point2(a.point);
        Point from = a.point;
        while (true) {
            std::string fallback = format_length(c.state.circle_radius);
            Answer r = c.ask("指定圆的半径或 [直径(D)] <" + fallback + ">:", length_or_point(from).with({"Diameter"}));
            if (r.cancel()) return;
            if (r.enter()) radius = c.state.circle_radius;
            else if (r.kind == Answer::Real) radius = r.real;
            else if (r.kind == Answer::Point) radius = distance(from, r.point);
            else if (r.kind == Answer::Keyword) {
                Answer d = c.ask("指定圆的直径 <" + format_length(2 * c.state.circle_radius) + ">:",
                                 length_or_point(from));
                if (d.cancel()) return;
                radius = d.enter() ? c.state.circle_radius : d.kind == Answer::Point ? distance(from, d.point) / 2 : d.real / 2;
            }
            if (radius > 0) break;
            c.print("值必须为正且非零。");
        }
    } else {
        return;
    }
    if (!(radius > 0)) {
        c.print("值必须为正且非零。");
        return;
    }
    c.state.circle_radius = radius;
    drawing::add_circle(c.dwg(), {centre.x, centre.y, 0}, radius, c.current_layer());
}

// ---------------------------------------------------------------- ARC

void cmd_arc(CommandContext& c) {
    constexpr double kDeg = 180 / kPi;
    auto add = [&](Point2 centre, double r, double start_rad, double end_rad) {
        if (!(r > 0)) {
            c.print("圆弧不存在。");
            return;
        }
        drawing::add_arc(c.dwg(), {centre.x, centre.y, 0}, r, start_rad * kDeg, end_rad * kDeg, c.current_layer());
    };
    // Centre, start, then an end point or an included angle.
    auto from_centre = [&](Point centre, Point start) {
        enum { kAngle };
        Answer e = c.ask("指定圆弧的端点或 [角度(A)]:", Accept::points().with({"Angle"}).from(centre));
        double s = angle_of(centre, start), r = distance(centre, start);
        if (e.kind == Answer::Point) {
            add(to_point2(centre), r, s, angle_of(centre, e.point));
        } else if (e.kind == Answer::Keyword) {
            Answer ang = c.ask("指定夹角:", Accept::reals());
            if (ang.kind != Answer::Real || ang.real == 0) return;
            double sweep = ang.real / kDeg;
            if (sweep > 0) add(to_point2(centre), r, s, s + sweep);
            else add(to_point2(centre), r, s + sweep, s);
        }
    };
    enum { kCentre };
    Answer a = c.ask("指定圆弧的起点或 [圆心(C)]:", Accept::points().with({"Center"}));
    if (a.kind == Answer::Keyword) {
        auto centre = ask_point(c, "指定圆弧的圆心:");
        if (!centre) return;
        auto start = ask_point(c, "指定圆弧的起点:", *centre);
        if (!start) return;
        from_centre(*centre, *start);
        return;
    }
    if (a.kind != Answer::Point) return;
    Point start = a.point;
    enum { kC, kEnd };
    Answer b = c.ask("指定圆弧的第二个点或 [圆心(C)/端点(E)]:", Accept::points().with({"Center", "End"}).from(start));
    if (b.kind == Answer::Keyword && b.keyword == kC) {
        auto centre = ask_point(c, "指定圆弧的圆心:", start);
        if (centre) from_centre(*centre, start);
        return;
    }
    if (b.kind == Answer::Keyword && b.keyword == kEnd) {
        auto end = ask_point(c, "指定圆弧的端点:", start);
        if (!end) return;
        auto centre = ask_point(c, "指定圆弧的圆心:", *end);
        if (!centre) return;
        add(to_point2(*centre), distance(*centre, start), angle_of(*centre, start), angle_of(*centre, *end));
        return;
    }
    if (b.kind != Answer::Point) return;
    auto end = ask_point(c, "指定圆弧的端点:", b.point);
    if (!end) return;
    Point2 s = to_point2(start), m = to_point2(b.point), e = to_point2(*end);
    auto centre = circumcentre(s, m, e);
    if (!centre) {
        c.print("三点共线，无法画圆弧。");
        return;
    }
    double r = std::hypot(s.x - centre->x, s.y - centre->y);
    bool ccw = (m.x - s.x) * (e.y - m.y) - (m.y - s.y) * (e.x - m.x) > 0;
    double as = std::atan2(s.y - centre->y, s.x - centre->x), ae = std::atan2(e.y - centre->y, e.x - centre->x);
    if (ccw) add(*centre, r, as, ae);
    else add(*centre, r, ae, as);
}

// ---------------------------------------------------------------- TEXT

namespace {

struct Justification {
    const char* keyword;
    int h, v;            // groups 72 and 73
    const char* prompt;  // where the point goes
};

const std::vector<Justification>& justifications() {
    static const std::vector<Justification> list = {
        {"Left", 0, 0, "指定文字的起点:"},      {"Center", 1, 0, "指定文字的中心点:"},
        {"Right", 2, 0, "指定文字基线的右端点:"}, {"Middle", 4, 0, "指定文字的中间点:"},
        {"TL", 0, 3, "指定文字的左上点:"},       {"TC", 1, 3, "指定文字的中上点:"},
        {"TR", 2, 3, "指定文字的右上点:"},       {"ML", 0, 2, "指定文字的左中点:"},
        {"MC", 1, 2, "指定文字的中间点:"},       {"MR", 2, 2, "指定文字的右中点:"},
        {"BL", 0, 1, "指定文字的左下点:"},       {"BC", 1, 1, "指定文字的中下点:"},
        {"BR", 2, 1, "指定文字的右下点:"},
    };
    return list;
}

const char* justification_name(int h, int v) {
    static const char* names[4][5] = {{"左", "居中", "右", "", "中间"},
                                      {"左下", "中下", "右下", "", ""},
                                      {"左中", "正中", "右中", "", ""},
                                      {"左上", "中上", "右上", "", ""}};
    return v >= 0 && v < 4 && h >= 0 && h < 5 ? names[v][h] : "左";
}

// A TEXT entity with its groups in the order CAD programs write them; the alignment point and
// the vertical justification only where they differ from a plain left-aligned text.
RecordId add_justified_text(drawing::Document& doc, const std::string& text, const Point& at, double height,
                            double rotation_deg, const std::string& style, int h, int v, const std::string& layer) {
    auto tags = drawing::entity_head(doc, "TEXT", layer, "AcDbText");
    auto point = [&](int code) {
        tags.push_back(doc.make_real(code, at.x));
        tags.push_back(doc.make_real(code + 10, at.y));
        tags.push_back(doc.make_real(code + 20, at.z));
    };
    point(10);
    tags.push_back(doc.make_real(40, height));
    tags.push_back(doc.make_text(1, text));
    if (rotation_deg != 0) tags.push_back(doc.make_real(50, rotation_deg));
    if (!style.empty() && !drawing::iequals(style, "Standard")) tags.push_back(doc.make_text(7, style));
    if (h != 0) tags.push_back(doc.make_int(72, h));
    if (h != 0 || v != 0) point(11);
    if (!doc.is_r12()) tags.push_back(doc.make_raw(100, "AcDbText"));
    if (v != 0) tags.push_back(doc.make_int(73, v));
    return drawing::add_entity(doc, std::move(tags));
}

}  // namespace

void cmd_text(CommandContext& c) {
    InterpreterState& s = c.state;
    double height = number_variable(c, "TEXTSIZE", 2.5);
    const Justification* just = &justifications()[0];
    for (const auto& j : justifications())
        if (j.h == s.text_h && j.v == s.text_v) just = &j;
    c.print("当前文字样式:  \"" + s.text_style + "\"  文字高度:  " + format_length(height) + "  注释性:  否  对正:  " +
            justification_name(just->h, just->v));
    std::optional<Point> at;
    enum { kJustify, kStyle };
    while (!at) {
        Answer a = c.ask(just->h == 0 && just->v == 0 ? "指定文字的起点 或 [对正(J)/样式(S)]:"
                                                       : std::string(just->prompt),
                         Accept::points().with({"Justify", "Style"}));
        if (a.kind == Answer::Point) {
            at = a.point;
        } else if (a.kind == Answer::Keyword && a.keyword == kJustify) {
            std::vector<std::string> kws;
            for (const auto& j : justifications()) kws.push_back(j.keyword);
            Answer j = c.ask("输入选项 [左(L)/居中(C)/右(R)/中间(M)/左上(TL)/中上(TC)/右上(TR)/左中(ML)/正中(MC)/右中(MR)/"
                             "左下(BL)/中下(BC)/右下(BR)]:",
                             Accept::words(kws));
            if (j.kind != Answer::Keyword) return;
            just = &justifications()[size_t(j.keyword)];
        } else if (a.kind == Answer::Keyword && a.keyword == kStyle) {
            Answer n = c.ask("输入样式名 <" + s.text_style + ">:", Accept::line());
            if (n.cancel()) return;
            if (n.enter()) continue;
            std::string name = trim(n.text);
            drawing::RecordId entry = drawing::find_table_entry(c.dwg(), "STYLE", name);
            if (entry == drawing::kNoRecord) c.print("找不到文字样式 \"" + name + "\"。");
            else s.text_style = drawing::entry_name(c.dwg(), entry);
        } else {
            return;
        }
    }
    while (true) {
        Answer h = c.ask("指定高度 <" + format_length(height) + ">:", length_or_point(*at));
        if (h.cancel()) return;
        double value = h.enter() ? height : h.kind == Answer::Point ? std::hypot(h.point.x - at->x, h.point.y - at->y) : h.real;
        if (value > 0) {
            height = value;
            break;
        }
        c.print("值必须为正且非零。");
    }
    set_system_variable(c.doc, "TEXTSIZE", height);
    Answer r = c.ask("指定文字的旋转角度 <" + format_number(s.text_rotation) + ">:", length_or_point(*at));
    if (r.cancel()) return;
    if (r.kind == Answer::Real) s.text_rotation = r.real;
    else if (r.kind == Answer::Point) s.text_rotation = angle_of(*at, r.point) * 180 / kPi;
    s.text_h = just->h;
    s.text_v = just->v;
    // One text a line; each next line below the last, until an empty line.
    double rot = s.text_rotation * kPi / 180;
    Point place = *at;
    while (true) {
        Answer t = c.ask("输入文字:", Accept::line());
        if (t.kind != Answer::Text || t.text.empty()) return;
        add_justified_text(c.dwg(), t.text, place, height, s.text_rotation, s.text_style, just->h, just->v,
                           c.current_layer());
        double step = 1.5 * height;
        place = {place.x + std::sin(rot) * step, place.y - std::cos(rot) * step, place.z};
    }
}

}  // namespace korvane::host
