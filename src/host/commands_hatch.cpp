// HATCH (the command-line form) and -BOUNDARY.
#include <algorithm>

#include "drawing/boundary_trace.h"
#include "drawing/create.h"
#include "drawing/hatch.h"
#include "host/commands.h"
#include "host/host_services.h"

namespace korvane::host {

using drawing::kNoRecord;
using drawing::RecordId;

void cmd_hatch(CommandContext& c) {
    InterpreterState& st = c.state;
    static const std::vector<std::string> kPatterns = {"?", "Solid", "User"};
    Accept pattern = Accept::words(kPatterns);
    pattern.text = true;  // a pattern name
    while (true) {
        Answer a = c.ask("输入图案名或 [?/实体(S)/用户定义(U)] <U>:", pattern);
        if (a.cancel()) return;
        if (a.enter() || a.is(2)) break;
        if (a.is(0)) {
            c.print("可用的图案: U (用户定义: 一组或两组平行线)");
            continue;
        }
        c.print("图案 \"" + a.text + "\" 不可用，请使用用户定义的图案 (U)。");
    }
    auto angle = c.ask_real("指定十字光标线的角度 <" + format_number(st.hatch_angle) + ">:", st.hatch_angle);
    if (!angle) return;
    auto spacing = c.ask_real("指定行距 <" + format_number(st.hatch_spacing) + ">:", st.hatch_spacing, true);
    if (!spacing) return;
    auto cross = c.ask_yes_no(std::string("是否双向图案区域? [是(Y)/否(N)] <") + (st.hatch_double ? "Y" : "N") + ">:",
                              st.hatch_double);
    if (!cross) return;
    st.hatch_angle = *angle;
    st.hatch_spacing = *spacing;
    st.hatch_double = *cross;

    c.print("选择定义图案填充边界的对象或 <直接填充>,");
    auto selection = c.select_objects();
    if (!selection) return;
    if (selection->empty()) {
        c.print("未选择对象，未创建图案填充。");
        return;
    }
    drawing::UserHatchOptions options;
    options.angle = *angle;
    options.spacing = *spacing;
    options.cross = *cross;
    options.layer = c.current_layer();
    options.associative = true;
    size_t made = 0, refused = 0;
    for (RecordId id : *selection) {
        if (!drawing::is_closed_polyline_boundary(c.dwg(), id)) {
            ++refused;
            continue;
        }
        if (drawing::add_user_hatch(c.dwg(), id, options) != kNoRecord) ++made;
        else ++refused;
    }
    if (made == 0) {
        c.print("边界定义错误: 所选对象不是闭合的多段线，未创建图案填充。");
        return;
    }
    if (refused) c.print("忽略了 " + std::to_string(refused) + " 个不是闭合多段线的对象。");
}

void cmd_boundary(CommandContext& c) {
    size_t made = 0;
    while (true) {
        Answer a = c.ask("拾取内部点或 [高级选项(A)]:", Accept::points().with({"Advanced"}));
        if (a.cancel()) return;
        if (a.enter()) break;
        if (a.kind == Answer::Keyword) {
            c.print("边界集: 当前图形的全部对象；对象类型: 多段线；孤岛检测: 关。");
            continue;
        }
        c.print("正在分析所选数据...");
        auto ring = drawing::trace_boundary(c.doc.index(), drawing::Point2{a.point.x, a.point.y});
        if (!ring || ring->size() < 3) {
            c.print("未找到有效的边界。");
            continue;
        }
        std::vector<drawing::Point3> vertices;
        vertices.reserve(ring->size());
        for (const auto& p : *ring) vertices.push_back({p.x, p.y, 0});
        drawing::add_lwpolyline(c.dwg(), vertices, true, c.current_layer());
        ++made;
    }
    c.print("BOUNDARY 已创建 " + std::to_string(made) + " 个多段线");
}

}  // namespace korvane::host
