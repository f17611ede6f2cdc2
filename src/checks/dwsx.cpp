#include "checks/dwsx.h"

#include "common/maimod.h"
#include "common/numbers.h"
#include "parcel/selection_sets.h"

namespace korvane::checks {

using common::Control;
using common::ControlKind;

namespace {

constexpr const char* kList = "List1";
constexpr const char* kWorkLayer = "工作记录";
constexpr const char* kFutureLayer = "今后界址点";
constexpr double kPointMagnification = 120;
// The list's height when the form was made too low for it, and the room kept under it.
constexpr int kListHeight = 3315, kBelowList = 800, kRightOfList = 200, kMinListHeight = 1000;


}  // namespace

std::optional<std::string> point_line(const host::Point& p, const host::XData& data) {
    if (data.size() < 7) return std::nullopt;
    return common::format_0_0(p.x) + "," + common::format_0_0(p.y) + "," + data.text(6) + " |," + data.text(3);
}

std::string point_layers(bool work_layer, bool future_layer) {
    if (work_layer && future_layer) return std::string(kWorkLayer) + "," + kFutureLayer;
    if (work_layer) return kWorkLayer;
    if (future_layer) return kFutureLayer;
    return "";
}

dwsx::dwsx(host::Session& session) : FormModel("dwsx"), session_(session) {
    caption = "查看点位属性";
    width = 5400;
    height = 4800;
    add("Label1", ControlKind::Label, "批量查看点位的符合性和完整性。").place(120, 120, 5100, 255);
    add("Check1(0)", ControlKind::CheckBox, "工作记录").place(120, 480, 1300, 300);
    add("Check1(1)", ControlKind::CheckBox, "今后界址点").place(1500, 480, 1500, 300);
    add("Command1", ControlKind::Button, "选择").place(3900, 450, 1200, 375).on_click = [this] { select(); };
    add(kList, ControlKind::ListBox).place(120, 960, width - 120 - kRightOfList, height - 960 - kBelowList).on_click =
        [this] { show_point(); };
}

void dwsx::load() {
    Control& list = control(kList);
    list.items.clear();
    list.list_index = -1;
    changed(list);
    for (const char* box : {"Check1(0)", "Check1(1)"}) {
        control(box).value = 0;
        changed(control(box));
    }
    topmost = true;
    form_changed();
}

void dwsx::resize() {
    Control& list = control(kList);
    if (list.height >= kMinListHeight) {
        list.height = std::max(0, height - list.top - kBelowList);
        list.width = std::max(0, width - list.left - kRightOfList);
    } else {
        list.height = kListHeight;
    }
    changed(list);
}

void dwsx::select() {
    host::run_command(session_, host::FrameVariant::A, [this](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, "text");
        if (!set) return;
        host::Filter filter;
        filter.add(0, "point").add(8, point_layers(control("Check1(0)").value == 1, control("Check1(1)").value == 1));
        set->SelectOnScreen(filter);
        const long n = set->Count();
        if (n < 1) return;
        Control& list = control(kList);
        list.items.clear();
        list.list_index = -1;
        for (long i = 0; i < n; ++i) {
            host::EntityPtr e = set->Item(i);
            if (!e) continue;
            ctx.err.clear();
            const host::Point at = e->InsertionPoint();
            if (ctx.err) continue;
            if (auto line = point_line(at, e->GetXData(""))) list.items.push_back(std::move(*line));
        }
        changed(list);
    });
}

void dwsx::show_point() {
    const Control& list = control(kList);
    if (list.list_index < 0 || size_t(list.list_index) >= list.items.size()) return;
    const std::string line = list.items[size_t(list.list_index)];
    host::run_command(session_, host::FrameVariant::A, [&line](host::CommandContext& ctx) {
        host::Point p{common::val(common::comma_field(line, 1)), common::val(common::comma_field(line, 2)), 0};
        ctx.app.ZoomCenter(p, kPointMagnification);
    });
}

}  // namespace korvane::checks
