#include "checks/jxgl.h"

#include <unordered_set>

#include "common/maimod.h"
#include "common/text.h"
#include "parcel/code_selection.h"
#include "parcel/parcel_record.h"
#include "parcel/selection_sets.h"

namespace korvane::checks {

using common::Control;
using common::ControlKind;

namespace {

constexpr const char* kList = "List1";
constexpr const char* kCode = "Text1";
constexpr int kListHeight = 3315, kBelowList = 600, kRightOfList = 200, kMinListHeight = 1000;


std::string option_name(int i) { return "Option1(" + std::to_string(i) + ")"; }

}  // namespace

int unit_value(UnitLevel level) {
    switch (level) {
        case UnitLevel::Township: return int(parcel::Item::Zen_DM);
        case UnitLevel::Village: return int(parcel::Item::Cun_DM);
        case UnitLevel::Group: break;
    }
    return int(parcel::Item::YSDM);
}

std::optional<UnitLine> unit_line(const host::XData& data, UnitLevel level) {
    if (data.size() < size_t(parcel::kRecordItems)) return std::nullopt;
    UnitLine u;
    u.key = common::trim(data.text(size_t(unit_value(level))));
    u.line = u.key + ",|" + data.text(size_t(parcel::Item::TDQLR));
    return u;
}

JxGL::JxGL(host::Session& session) : FormModel("JxGL"), session_(session) {
    caption = "界线提取";
    width = 4600;
    height = 5400;
    add("Frame1", ControlKind::Frame, "按级别").place(120, 60, 3000, 720);
    const char* levels[] = {"镇", "村", "小组"};
    for (int i = 0; i < 3; ++i) {
        Control& o = add(option_name(i), ControlKind::OptionButton, levels[i]).place(150 + i * 900, 300, 850, 300);
        o.parent = "Frame1";
        o.on_click = [this] { level_changed(); };
    }
    control(option_name(2)).value = 1;
    add("Command1", ControlKind::Button, "选择").place(3300, 260, 1100, 375).on_click = [this] { select(); };
    add(kCode, ControlKind::TextBox).place(120, 960, 3000, 330);
    add("Command2", ControlKind::Button, "过滤").place(3300, 940, 1100, 375).on_click = [this] { filter(); };
    Control& list = add(kList, ControlKind::ListBox).place(120, 1440, width - 120 - kRightOfList, height - 1440 - kBelowList);
    list.on_click = [this] { list_click(); };
    list.on_dblclick = [this] { filter(); };
}

void JxGL::load() {
    for (int i = 0; i < 3; ++i) {
        control(option_name(i)).value = i == 2 ? 1 : 0;
        changed(control(option_name(i)));
    }
    level_changed();
    topmost = true;
    form_changed();
}

void JxGL::resize() {
    Control& list = control(kList);
    if (list.height >= kMinListHeight) {
        list.height = std::max(0, height - list.top - kBelowList);
        list.width = std::max(0, width - list.left - kRightOfList);
    } else {
        list.height = kListHeight;
    }
    changed(list);
}

UnitLevel JxGL::level() const {
    if (control(option_name(0)).value) return UnitLevel::Township;
    if (control(option_name(1)).value) return UnitLevel::Village;
    return UnitLevel::Group;
}

void JxGL::level_changed() {
    Control& list = control(kList);
    list.items.clear();
    list.list_index = -1;
    changed(list);
    Control& code = control(kCode);
    code.text.clear();
    changed(code);
}

void JxGL::list_click() {
    Control& list = control(kList);
    if (list.list_index < 0 || size_t(list.list_index) >= list.items.size()) return;
    const std::string& line = list.items[size_t(list.list_index)];
    Control& code = control(kCode);
    code.text = common::comma_field(line, 1);
    changed(code);
    list.tooltip = line;
    changed(list);
}

void JxGL::select() {
    host::run_command(session_, host::FrameVariant::A, [this](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, "text");
        if (!set) return;
        set->SelectOnScreen(host::Filter{}.add(0, "LWPOLYLINE").add(8, parcel::kParcelLayers));
        const long n = set->Count();
        if (n < 1) return;
        const UnitLevel lvl = level();
        Control& list = control(kList);
        list.items.clear();
        list.list_index = -1;
        // Each key once, in the order first met.
        std::unordered_set<std::string> listed;
        for (long i = 0; i < n; ++i) {
            host::EntityPtr e = set->Item(i);
            if (!e) continue;
            std::optional<UnitLine> u = unit_line(e->GetXData(""), lvl);
            if (u && listed.insert(u->key).second) list.items.push_back(std::move(u->line));
        }
        changed(list);
    });
}

void JxGL::filter() {
    const std::string code = common::trim(control(kCode).text);
    if (code.empty()) {
        session_.ui.message_box(kEmptyFilterMessage, "错误", common::MsgIcon::Critical);
        return;
    }
    const UnitLevel lvl = level();
    host::run_command(session_, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        // The add-on's own selection by code works on groups' codes only.
        if (lvl == UnitLevel::Group) doc->SendCommand("MSSX\r10\r" + code + "\r\n");
        parcel::select_by_code(ctx, code);
    });
}

}  // namespace korvane::checks
