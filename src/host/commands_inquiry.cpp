// Commands that ask the drawing: LIST, ID, DIST and AREA. They change nothing.
#include <cmath>
#include <numbers>

#include "drawing/geometry.h"
#include "host/commands_drafting.h"

namespace korvane::host {

namespace {

using drawing::RecordId;

constexpr double kDeg = 180 / std::numbers::pi;

std::string xy(double x, double y) { return "X=" + format_length(x) + "  Y=" + format_length(y); }
std::string xyz(const drawing::Point3& p) { return xy(p.x, p.y) + "  Z=" + format_length(p.z); }

std::string degrees(double d) {
    long r = std::lround(d);
    if (r < 0) r += 360;
    return std::to_string(r % 360);
}

void list_entity(CommandContext& c, RecordId id) {
    drawing::EntityView e(c.dwg(), id);
    std::string type = e.type();
    c.print(type + "  图层: \"" + e.layer() + "\"  空间: 模型空间  句柄 = " + e.handle_text());
    int color = e.color();
    c.print(std::string("颜色: ") + (color == 256 ? "随层" : color == 0 ? "随块" : std::to_string(color)) +
            "  线型: " + e.text_of(6).value_or("随层"));
    auto curve = drawing::curve_of(c.dwg(), id);
    if (type == "POINT") {
        if (auto p = e.point(10)) c.print("于点, " + xyz(*p));
    } else if (type == "TEXT" || type == "MTEXT") {
        c.print("文字 = " + e.text());
        if (auto p = e.point(10)) c.print("插入点, " + xyz(*p));
        c.print("高度 = " + format_length(e.real(40).value_or(0)));
    } else if (type == "CIRCLE" || type == "ARC") {
        if (auto p = e.point(10)) c.print("圆心 点, " + xyz(*p));
        c.print("半径 = " + format_length(e.real(40).value_or(0)));
        if (type == "ARC")
            c.print("起点角度 = " + degrees(e.real(50).value_or(0)) + "  端点角度 = " + degrees(e.real(51).value_or(0)));
        if (curve) c.print((type == "CIRCLE" ? "周长 = " : "长度 = ") + format_length(curve->length()));
        if (type == "CIRCLE")
            if (auto a = drawing::entity_area(c.dwg(), id)) c.print("面积 = " + format_length(*a));
    } else if (type == "LINE" && curve) {
        c.print("自 点, " + xyz(e.point(10).value_or(drawing::Point3{})));
        c.print("到 点, " + xyz(e.point(11).value_or(drawing::Point3{})));
        auto a = curve->points[0], b = curve->points[1];
        c.print("长度 = " + format_length(curve->length()) + "，在 XY 平面中的角度 = " +
                degrees(std::atan2(b.y - a.y, b.x - a.x) * kDeg));
    } else if (e.is_polyline() && curve) {
        c.print(std::string(curve->closed ? "闭合" : "打开") + "  固定宽度 = " + format_length(e.constant_width()));
        if (auto a = drawing::entity_area(c.dwg(), id))
            c.print("面积 = " + format_length(*a) + "，" + (curve->closed ? "周长" : "长度") + " = " +
                    format_length(curve->length()));
        for (const auto& p : curve->points) c.print("于端点 " + xy(p.x, p.y));
    } else if (auto p = e.point(10)) {
        c.print("位置 " + xyz(*p));
    }
    for (const std::string& app : e.xdata_apps())
        c.print("扩展数据: 应用程序 \"" + app + "\"，" + std::to_string(e.xdata(app).size() - 1) + " 项");
}

}  // namespace

void cmd_list(CommandContext& c) {
    auto ids = c.select_objects();
    if (!ids) return;
    for (RecordId id : *ids)
        if (c.doc.is_live_entity(id)) list_entity(c, id);
}

void cmd_id(CommandContext& c) {
    auto p = ask_point(c, "指定点:");
    if (!p) return;
    c.print("X = " + format_length(p->x) + "     Y = " + format_length(p->y) + "     Z = " + format_length(p->z));
}

void cmd_dist(CommandContext& c) {
    auto a = ask_point(c, "指定第一个点:");
    if (!a) return;
    auto b = ask_point(c, "指定第二个点:", *a);
    if (!b) return;
    double dx = b->x - a->x, dy = b->y - a->y, dz = b->z - a->z;
    double planar = std::hypot(dx, dy);
    c.print("距离 = " + format_length(std::sqrt(planar * planar + dz * dz)) + "，XY 平面中的倾角 = " +
            degrees(std::atan2(dy, dx) * kDeg) + "，与 XY 平面的夹角 = " + degrees(std::atan2(dz, planar) * kDeg));
    c.print("X 增量 = " + format_length(dx) + "，Y 增量 = " + format_length(dy) + "，Z 增量 = " + format_length(dz));
}

void cmd_area(CommandContext& c) {
    enum { kObject };
    Answer first = c.ask("指定第一个角点或 [对象(O)] <对象(O)>:", Accept::points().with({"Object"}));
    if (first.cancel()) return;
    if (first.kind != Answer::Point) {
        Pick p = pick_object(c, "选择对象:");
        if (p.kind != Pick::Object) return;
        auto area = drawing::entity_area(c.dwg(), p.id);
        auto curve = drawing::curve_of(c.dwg(), p.id);
        if (!area || !curve) {
            c.print("选定的对象没有面积。");
            return;
        }
        bool closed = curve->closed || drawing::EntityView(c.dwg(), p.id).type() == "CIRCLE";
        c.print("区域 = " + format_length(*area) + "，" + (closed ? "周长" : "长度") + " = " +
                format_length(curve->length()));
        return;
    }
    std::vector<drawing::Point2> pts{to_point2(first.point)};
    enum { kUndo };
    while (true) {
        Point last{pts.back().x, pts.back().y, 0};
        Answer a = c.ask("指定下一个点或 [放弃(U)]:", Accept::points().with({"Undo"}).from(last));
        if (a.cancel()) return;
        if (a.kind == Answer::Keyword) {
            if (pts.size() > 1) pts.pop_back();
            continue;
        }
        if (a.kind != Answer::Point) break;
        pts.push_back(to_point2(a.point));
    }
    if (pts.size() < 3) {
        c.print("需要至少三个点。");
        return;
    }
    drawing::Curve ring;
    ring.points = pts;
    ring.closed = true;
    c.print("区域 = " + format_length(drawing::polyline_area(pts)) + "，周长 = " + format_length(ring.length()));
}

}  // namespace korvane::host
