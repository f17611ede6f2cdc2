#include "tools/view_window.h"

#include "common/maimod.h"
#include "common/numbers.h"
#include "common/text.h"

namespace korvane::tools {

namespace {

std::optional<double> number_of(const host::Value& v) {
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto n = std::get_if<long long>(&v)) return double(*n);
    return std::nullopt;
}

}  // namespace

ViewWindow view_window(double cx, double cy, double height, double screen_w, double screen_h) {
    const double width = height * screen_w / screen_h;
    return {cx - width / 2, cy - height / 2, cx + width / 2, cy + height / 2};
}

std::optional<ViewWindow> current_view_window(host::Document& doc) {
    const host::Value centre = doc.GetVariable("VIEWCTR");
    const std::optional<double> height = number_of(doc.GetVariable("VIEWSIZE"));
    const host::Value screen = doc.GetVariable("SCREENSIZE");
    const auto* c = std::get_if<host::Point>(&centre);
    const auto* s = std::get_if<host::Point>(&screen);
    if (!c || !height || !s || !(s->y > 0)) return std::nullopt;
    return view_window(c->x, c->y, *height, s->x, s->y);
}

std::string window_text(const ViewWindow& w) {
    using common::number_to_text;
    return number_to_text(w.x1) + "," + number_to_text(w.y1) + "," + number_to_text(w.x2) + "," + number_to_text(w.y2);
}

std::optional<ViewWindow> parse_window_text(const std::string& text) {
    if (common::split(text, ",").size() < 4) return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        auto n = common::to_number(common::comma_field(text, i + 1));
        if (!n) return std::nullopt;
        v[i] = *n;
    }
    return ViewWindow{v[0], v[1], v[2], v[3]};
}

void same_window_in_all_drawings(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr active = ctx.doc();
        if (!active) return;
        std::optional<ViewWindow> w = current_view_window(*active);
        if (!w) return;
        for (const host::DocumentPtr& doc : ctx.app.Documents()) {
            doc->Activate();
            ctx.app.ZoomWindow({w->x1, w->y1, 0}, {w->x2, w->y2, 0});
        }
    });
}

}  // namespace korvane::tools
