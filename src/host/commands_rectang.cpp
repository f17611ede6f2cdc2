// RECTANG: a closed lightweight polyline through the four corners of a rectangle.
#include <cmath>
#include <numbers>

#include "drawing/create.h"
#include "drawing/entity.h"
#include "host/commands.h"

namespace korvane::host {

void cmd_rectang(CommandContext& c) {
    InterpreterState& st = c.state;
    Point first;
    while (true) {
        Answer a = c.ask("指定第一个角点或 [宽度(W)]:", Accept::points().with({"Width"}));
        if (a.cancel() || a.enter()) return;
        if (a.kind == Answer::Keyword) {
            auto w = c.ask_real("指定矩形的线宽 <" + format_number(st.rect_width_line) + ">:", st.rect_width_line);
            if (!w) return;
            if (*w < 0) c.print("线宽不能为负。");
            else st.rect_width_line = *w;
            continue;
        }
        first = a.point;
        break;
    }
    double angle = 0;  // radians, of the rectangle's first side
    double dx = 0, dy = 0;  // the other corner in the rectangle's own axes
    static const std::vector<std::string> kOptions = {"Area", "Dimensions", "Rotation"};
    enum { kArea, kDimensions, kRotation };
    const std::string prompt = "指定另一个角点或 [面积(A)/尺寸(D)/旋转(R)]:";
    auto to_local = [&](const Point& p) {
        double ex = p.x - first.x, ey = p.y - first.y;
        return std::pair<double, double>{ex * std::cos(angle) + ey * std::sin(angle),
                                         -ex * std::sin(angle) + ey * std::cos(angle)};
    };
    while (true) {
        // The box drawn to the cursor is the rectangle unrotated; with a rotation the corner
        // still decides it.
        Answer b = c.ask(prompt, Accept::points().with(kOptions).box(first));
        if (b.cancel() || b.enter()) return;
        if (b.kind == Answer::Point) {
            std::tie(dx, dy) = to_local(b.point);
            break;
        }
        if (b.is(kRotation)) {
            auto deg = c.ask_real("指定旋转角度 <0>:", 0);
            if (!deg) return;
            angle = *deg * std::numbers::pi / 180;
            continue;
        }
        double length = st.rect_length, width = st.rect_width;
        if (b.is(kDimensions)) {
            auto l = c.ask_real("指定矩形的长度 <" + format_number(length) + ">:", length, true);
            if (!l) return;
            auto w = c.ask_real("指定矩形的宽度 <" + format_number(width) + ">:", width, true);
            if (!w) return;
            length = *l;
            width = *w;
        } else {
            auto area = c.ask_real("输入以当前单位计算的矩形面积 <" + format_number(length * width) + ">:",
                                   length * width, true);
            if (!area) return;
            Answer by = c.ask("计算矩形标注时依据 [长度(L)/宽度(W)] <长度>:", Accept::words({"Length", "Width"}));
            if (by.cancel()) return;
            if (by.is(1)) {
                auto w = c.ask_real("输入矩形宽度 <" + format_number(width) + ">:", width, true);
                if (!w) return;
                width = *w;
                length = *area / width;
            } else {
                auto l = c.ask_real("输入矩形长度 <" + format_number(length) + ">:", length, true);
                if (!l) return;
                length = *l;
                width = *area / length;
            }
        }
        st.rect_length = length;
        st.rect_width = width;
        // The quadrant of the other corner comes from one more point.
        Answer q = c.ask(prompt, Accept::points());
        if (q.cancel()) return;
        double sx = 1, sy = 1;
        if (q.kind == Answer::Point) {
            auto [qx, qy] = to_local(q.point);
            sx = qx < 0 ? -1 : 1;
            sy = qy < 0 ? -1 : 1;
        }
        dx = sx * length;
        dy = sy * width;
        break;
    }
    if (std::fabs(dx) < 1e-12 || std::fabs(dy) < 1e-12) {
        c.print("矩形的边长不能为零。");
        return;
    }
    double ux = std::cos(angle), uy = std::sin(angle);
    auto corner = [&](double a, double b) {
        return drawing::Point3{first.x + a * ux - b * uy, first.y + a * uy + b * ux, first.z};
    };
    std::vector<drawing::Point3> pts = {corner(0, 0), corner(dx, 0), corner(dx, dy), corner(0, dy)};
    drawing::RecordId id = drawing::add_lwpolyline(c.dwg(), pts, true, c.current_layer());
    if (st.rect_width_line > 0 && id != drawing::kNoRecord)
        drawing::Entity(c.dwg(), id).set_constant_width(st.rect_width_line);
}

}  // namespace korvane::host
