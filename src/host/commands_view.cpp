// ZOOM and REDRAW: the document's view.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "drawing/geometry.h"
#include "host/commands.h"

namespace korvane::host {

namespace {

constexpr size_t kHistory = 10;

void remember(CommandContext& c) {
    auto& h = c.state.zoom_history[&c.doc];
    h.push_back(c.doc.view());
    if (h.size() > kHistory) h.erase(h.begin());
}

double aspect(const CommandContext& c) {
    double w = c.host.screen_width(), h = c.host.screen_height();
    return w > 0 && h > 0 ? w / h : 16.0 / 9.0;
}

// The view that shows the window a-b whole, as the automation interface's window zoom does.
void zoom_window(CommandContext& c, const Point& a, const Point& b) {
    remember(c);
    double w = std::fabs(b.x - a.x), h = std::fabs(b.y - a.y);
    View& v = c.doc.view();
    v.center = {(a.x + b.x) / 2, (a.y + b.y) / 2, 0};
    v.height = std::max({h, w / aspect(c), 1e-9});
}

void zoom_extents(CommandContext& c) {
    remember(c);
    c.doc.zoom_extents(c.host.screen_width(), c.host.screen_height());
}

// "2x", "0.5X", "2xp": a factor on the current view; a plain number: on the drawing's extents.
bool zoom_scale(CommandContext& c, const std::string& text) {
    std::string t = text;
    bool relative = false;
    std::string low;
    for (char ch : t) low += char(std::tolower(static_cast<unsigned char>(ch)));
    if (low.size() > 2 && low.compare(low.size() - 2, 2, "xp") == 0) {
        low.resize(low.size() - 2);
        relative = true;
    } else if (low.size() > 1 && low.back() == 'x') {
        low.pop_back();
        relative = true;
    }
    auto n = parse_real(low);
    if (!n || !(*n > 0)) return false;
    View& v = c.doc.view();
    if (relative) {
        remember(c);
        v.height /= *n;
        return true;
    }
    View current = v;
    c.doc.zoom_extents(c.host.screen_width(), c.host.screen_height());
    double full = v.height;
    v = current;
    remember(c);
    v.height = full / *n;
    return true;
}

}  // namespace

void cmd_zoom(CommandContext& c) {
    static const std::vector<std::string> kOptions = {"All",      "Center", "Dynamic", "Extents",
                                                      "Previous", "Scale",  "Window",  "Object"};
    enum { kAll, kCenter, kDynamic, kExtents, kPrevious, kScale, kWindow, kObject };
    Accept first = Accept::points().with(kOptions);
    first.text = true;
    while (true) {
        Answer a = c.ask("指定窗口的角点，输入比例因子 (nX 或 nXP)，或者 "
                         "[全部(A)/中心(C)/动态(D)/范围(E)/上一个(P)/比例(S)/窗口(W)/对象(O)] <实时>:",
                         first);
        if (a.cancel() || a.enter()) return;
        if (a.kind == Answer::Point) {
            Answer b = c.ask("指定对角点:", Accept::points());
            if (b.kind != Answer::Point) return;
            zoom_window(c, a.point, b.point);
            return;
        }
        if (a.kind == Answer::Text) {
            if (zoom_scale(c, a.text)) return;
            c.print("需要点、比例因子或选项关键字。");
            continue;
        }
        switch (a.keyword) {
            case kAll:
            case kExtents:
            case kDynamic: zoom_extents(c); return;
            case kWindow: {
                Answer p = c.ask("指定第一个角点:", Accept::points());
                if (p.kind != Answer::Point) return;
                Answer q = c.ask("指定对角点:", Accept::points());
                if (q.kind != Answer::Point) return;
                zoom_window(c, p.point, q.point);
                return;
            }
            case kCenter: {
                View& v = c.doc.view();
                Answer p = c.ask("指定中心点:", Accept::points());
                if (p.cancel()) return;
                Point center = p.kind == Answer::Point ? p.point : v.center;
                Accept size = Accept::reals();
                size.text = true;
                while (true) {
                    Answer h = c.ask("输入比例或高度 <" + format_number(v.height) + ">:", size);
                    if (h.cancel()) return;
                    double height = v.height;
                    if (h.kind == Answer::Real) {
                        if (!(h.real > 0)) {
                            c.print("值必须为正且非零。");
                            continue;
                        }
                        height = h.real;
                    } else if (h.kind == Answer::Text) {
                        std::string low;
                        for (char ch : h.text) low += char(std::tolower(static_cast<unsigned char>(ch)));
                        if (!low.empty() && low.back() == 'x') low.pop_back();
                        auto n = parse_real(low);
                        if (!n || !(*n > 0)) {
                            c.print("需要数值或比例因子 (nX)。");
                            continue;
                        }
                        height = v.height / *n;
                    }
                    remember(c);
                    v.center = {center.x, center.y, 0};
                    v.height = height;
                    return;
                }
            }
            case kPrevious: {
                auto& h = c.state.zoom_history[&c.doc];
                if (h.empty()) {
                    c.print("没有上一个视图。");
                    return;
                }
                c.doc.view() = h.back();
                h.pop_back();
                return;
            }
            case kScale: {
                Accept s;
                s.text = true;
                Answer f = c.ask("输入比例因子 (nX 或 nXP):", s);
                if (f.kind != Answer::Text) return;
                if (!zoom_scale(c, f.text)) c.print("需要比例因子。");
                return;
            }
            case kObject: {
                auto sel = c.select_objects();
                if (!sel || sel->empty()) return;
                drawing::Box2 box;
                for (auto id : *sel)
                    if (auto b = drawing::entity_bounds(c.dwg(), id)) box.add(*b);
                if (box.empty()) return;
                zoom_window(c, {box.min_x, box.min_y, 0}, {box.max_x, box.max_y, 0});
                return;
            }
        }
    }
}

// As in CAD programs, a redraw takes away the highlighting that commands left on entities.
void cmd_redraw(CommandContext& c) {
    c.doc.highlighted().clear();
    c.redraw = true;
}

}  // namespace korvane::host
