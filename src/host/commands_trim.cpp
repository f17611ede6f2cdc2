// BREAK, TRIM and EXTEND: cutting curves where other curves cross them. The pieces left keep
// the entity's layer, colour and extended data; the first keeps its handle.
#include "drawing/edit.h"
#include "drawing/spatial_index.h"
#include "host/commands_drafting.h"
#include "host/host_services.h"

namespace korvane::host {

namespace {

using drawing::EditError;
using drawing::RecordId;

// Picks objects to trim (or extend) until Enter; a pick with Shift held does the other.
void trim_or_extend(CommandContext& c, bool trimming, const std::vector<RecordId>& chosen_edges) {
    bool all = chosen_edges.empty();
    enum { kErase };
    while (true) {
        Pick p = trimming ? pick_object(c, "选择要修剪的对象，或按住 Shift 键选择要延伸的对象，或 [删除(R)]:", {"eRase"})
                          : pick_object(c, "选择要延伸的对象，或按住 Shift 键选择要修剪的对象:");
        if (p.kind == Pick::Keyword && p.keyword == kErase) {
            if (auto ids = c.select_objects())
                for (RecordId id : *ids)
                    if (c.doc.is_live_entity(id)) c.dwg().erase(id);
            continue;
        }
        if (p.kind != Pick::Object) return;
        if (!p.point) {
            c.print("请在对象要处理的部分上拾取。");
            continue;
        }
        bool trim = trimming != p.shift;
        auto curve = drawing::curve_of(c.dwg(), p.id);
        if (!curve) {
            c.print(trim ? "无法修剪该对象。" : "无法延伸该对象。");
            continue;
        }
        EditError why = EditError::None;
        bool done;
        if (trim) {
            // Only edges near the curve can cut it.
            drawing::Box2 box = curve->bounds().grown(1e-6);
            std::vector<RecordId> candidates = all ? c.doc.index().query(box) : chosen_edges;
            auto edges = edge_segments(c, candidates, p.id, &box);
            done = !drawing::trim_curve(c.dwg(), p.id, edges, to_point2(*p.point), &why).empty();
        } else {
            auto edges = edge_segments(c, all ? c.doc.modelspace() : chosen_edges, p.id);
            done = drawing::extend_curve(c.dwg(), p.id, edges, to_point2(*p.point), &why);
        }
        if (done) continue;
        switch (why) {
            case EditError::NoCrossing: c.print(trim ? "对象未与边相交。" : "对象未与边界相交。"); break;
            case EditError::Closed: c.print("无法延伸闭合的对象。"); break;
            default: c.print(trim ? "无法修剪该对象。" : "无法延伸该对象。"); break;
        }
    }
}

}  // namespace

void cmd_trim(CommandContext& c) {
    c.print("当前设置:投影=无，边=无");
    c.print("选择剪切边...");
    auto edges = c.select_objects("选择对象或 <全部选择>:");
    if (!edges) return;
    trim_or_extend(c, true, *edges);
}

void cmd_extend(CommandContext& c) {
    c.print("当前设置:投影=无，边=无");
    c.print("选择边界的边...");
    auto edges = c.select_objects("选择对象或 <全部选择>:");
    if (!edges) return;
    trim_or_extend(c, false, *edges);
}

void cmd_break(CommandContext& c) {
    Pick p = pick_object(c, "选择对象:");
    if (p.kind != Pick::Object) return;
    std::optional<Point> first = p.point, second;
    enum { kFirst };
    if (first) {
        Answer a = c.ask("指定第二个打断点 或 [第一点(F)]:", Accept::points().with({"First"}).from(first));
        if (a.cancel() || a.enter()) return;
        if (a.kind == Answer::Point) second = a.point;
        else first.reset();
    }
    if (!first) {
        first = ask_point(c, "指定第一个打断点:");
        if (!first) return;
        second = ask_point(c, "指定第二个打断点:", first);
        if (!second) return;
    }
    EditError why = EditError::None;
    if (!drawing::break_curve(c.dwg(), p.id, to_point2(*first), to_point2(*second), &why).empty()) return;
    if (why == EditError::WholeCircle) c.print("圆不能在一点处打断。");
    else if (why != EditError::None) c.print("无法打断该对象。");
}

}  // namespace korvane::host
