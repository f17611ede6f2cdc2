#include "checks/zljc.h"

#include <algorithm>

#include "checks/auto_check.h"
#include "common/maimod.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/text_file.h"

namespace korvane::checks {

using common::Control;
using common::ControlKind;
using common::MsgIcon;

namespace {

constexpr const char* kList = "List1";
constexpr const char* kRemark = "Text1";
constexpr const char* kChecker = "Text2";
constexpr const char* kPoint = "Label1";
// The buttons that stay just under the list when the form is resized.
constexpr const char* kBottomButtons[] = {"Command2", "Command3", "Command4", "Command5", "Command6"};
// Room under the list for the buttons, and right of it.
constexpr int kBelowList = 1000, kRightOfList = 200;

std::string without_commas(std::string_view s) { return common::replace_all(s, ",", "，"); }


}  // namespace

std::string check_entry_line(std::string_view remark, std::string_view point, std::string_view date,
                             std::string_view checker) {
    return without_commas(remark) + "," + std::string(point) + "," + std::string(date) + "," +
           without_commas(checker);
}

std::string point_text(const host::Point& p) { return common::format_0_00(p.x) + "," + common::format_0_00(p.y); }

std::optional<host::Point> check_entry_place(std::string_view line) {
    const int fields = int(common::split(line, ",").size());
    // remark,x,y,date,checker: x and y are the third and second field before the last.
    const int x_field = fields >= 5 ? fields - 3 : 2;
    auto x = common::to_number(common::comma_field(line, x_field));
    auto y = common::to_number(common::comma_field(line, x_field + 1));
    if (!x || !y) return std::nullopt;
    return host::Point{*x, *y, 0};
}

ZLJC::ZLJC(host::Session& session) : FormModel("ZLJC"), session_(session) {
    caption = "质量检查";
    width = 6000;
    height = 5400;
    add("Command1", ControlKind::Button, "点位").place(120, 120, 900, 375).on_click = [this] { pick_point(); };
    add(kPoint, ControlKind::Label).place(1140, 180, 2450, 255);
    add("Label2", ControlKind::Label, "检查者：").place(3650, 180, 850, 255);
    add(kChecker, ControlKind::TextBox).place(4500, 120, 1380, 330);
    add(kRemark, ControlKind::TextBox).place(120, 600, 5760, 330).on_enter = [this] { add_typed(); };
    Control& list = add(kList, ControlKind::ListBox, "", "双击可显示位置，选择后，右键删除条目。").place(120, 1050, 5680, height - 1050 - kBelowList);
    list.on_dblclick = [this] { show_place(); };
    list.on_rightclick = [this] { delete_selected(); };
    const char* captions[] = {"增加", "保存", "打开", "清空", kAutoCheckTitle};
    for (int i = 0; i < 5; ++i)
        add(kBottomButtons[i], ControlKind::Button, captions[i]).place(120 + i * 1140, height - kBelowList, 1020, 375);
    control("Command2").on_click = [this] { add_typed(); };
    control("Command3").on_click = [this] { save(); };
    control("Command4").on_click = [this] { open(); };
    control("Command5").on_click = [this] { clear(); };
    control("Command6").on_click = [this] { auto_check(session_, [this]() -> ZLJC& { return *this; }); };
}

void ZLJC::load() {
    // A form opened anew starts with an empty list.
    clear();
    set_text_of(kPoint, "");
    set_text_of(kRemark, "");
    topmost = true;
    set_text_of(kChecker, common::load_ini(session_.ui.settings(), kCheckerKey));
    form_changed();
}

void ZLJC::resize() {
    Control& list = control(kList);
    list.height = std::max(0, height - list.top - kBelowList);
    list.width = std::max(0, width - list.left - kRightOfList);
    changed(list);
    for (const char* name : kBottomButtons) {
        Control& b = control(name);
        b.top = std::max(0, height - kBelowList);
        changed(b);
    }
}

void ZLJC::set_text_of(const char* name, const std::string& text) {
    Control& c = control(name);
    c.text = text;
    changed(c);
}

std::string ZLJC::today() const { return common::short_date(session_.ui.clock().now()); }

void ZLJC::append(std::string line) {
    Control& list = control(kList);
    list.items.push_back(std::move(line));
    changed(list);
}

// ---------------------------------------------------------------- commands

void ZLJC::pick_point() {
    host::run_command(session_, host::FrameVariant::A, [this](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        std::optional<host::Point> p = util->GetPoint(std::nullopt, "\r\n图幅内点:");
        if (p) set_text_of(kPoint, point_text(*p));
    });
    request_focus(kRemark);
}

void ZLJC::add_typed() {
    auto refuse = [this](const char* message) { session_.ui.message_box(message, "提示", MsgIcon::Critical); };
    const std::string& point = control(kPoint).text;
    const std::string& remark = control(kRemark).text;
    const std::string& checker = control(kChecker).text;
    if (point.empty()) return refuse(kNoPointMessage);
    if (common::trim(remark).empty()) return refuse(kNoRemarkMessage);
    if (common::trim(checker).empty()) return refuse(kNoCheckerMessage);
    append(check_entry_line(remark, point, today(), checker));
    // The name typed last is the next session's default.
    if (common::load_ini(session_.ui.settings(), kCheckerKey) != checker)
        common::save_ini(session_.ui.settings(), kCheckerKey, checker);
    set_text_of(kPoint, "");
    set_text_of(kRemark, "");
}

std::string ZLJC::add_entry(std::string_view remark, const host::Point& place, std::string_view checker) {
    std::string line = check_entry_line(remark, point_text(place), today(), checker);
    append(line);
    return line;
}

void ZLJC::add_entries(const std::vector<std::pair<std::string, host::Point>>& findings, std::string_view checker) {
    Control& list = control(kList);
    const std::string date = today();
    list.items.reserve(list.items.size() + findings.size());
    for (const auto& [remark, place] : findings) list.items.push_back(check_entry_line(remark, point_text(place), date, checker));
    changed(list);
}

void ZLJC::save() {
    if (entries().empty()) {
        session_.ui.message_box(kNothingToSaveMessage, "提示", MsgIcon::Critical);
        return;
    }
    common::FileDialogRequest request;
    request.title = std::string(common::kSaveDialogTitle);
    request.filter = "文本文件 (*.TXT)|*.TXT|所有文件 (*.*)|*.*";
    request.initial_dir = session_.ui.paths().data_dir.string();
    request.save = true;
    std::optional<std::string> file = session_.ui.file_dialog(request);
    if (!file || file->empty()) return;
    try {
        common::write_lines(*file, entries());
    } catch (const common::FileError&) {
        session_.ui.message_box("质量检查列表没有保存：\r\n" + *file, "提示", MsgIcon::Critical);
    }
}

void ZLJC::open() {
    common::FileDialogRequest request;
    request.title = "打开文件";
    request.filter = "所有文件|*.*";
    request.initial_dir = session_.ui.paths().data_dir.string();
    std::optional<std::string> file = session_.ui.file_dialog(request);
    if (!file || file->empty()) return;
    std::vector<std::string> lines;
    try {
        lines = common::read_lines(*file);
    } catch (const common::FileError&) {
        // The list on the form stays as it was.
        session_.ui.message_box("质量检查列表无法读取：\r\n" + *file, "提示", MsgIcon::Critical);
        return;
    }
    Control& list = control(kList);
    list.items = std::move(lines);
    list.list_index = -1;
    changed(list);
}

void ZLJC::clear() {
    Control& list = control(kList);
    list.items.clear();
    list.list_index = -1;
    changed(list);
}

void ZLJC::show_place() {
    const Control& list = control(kList);
    if (list.list_index < 0 || size_t(list.list_index) >= list.items.size()) return;
    const std::string line = list.items[size_t(list.list_index)];
    host::run_command(session_, host::FrameVariant::A, [&line](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        if (host::LayersPtr layers = doc->Layers()) layers->Add(kCheckLayer);
        std::optional<host::Point> p = check_entry_place(line);
        if (!p) return;
        ctx.app.ZoomCenter(*p, kPlaceMagnification);
        host::ModelSpacePtr ms = doc->ModelSpace();
        if (host::EntityPtr circle = ms ? ms->AddCircle(*p, kCheckCircleRadius) : nullptr) {
            circle->SetLayer(kCheckLayer);
            circle->Setcolor(kCheckColour);
            circle->Update();
        }
    });
}

void ZLJC::delete_selected() {
    Control& list = control(kList);
    if (list.list_index < 0 || size_t(list.list_index) >= list.items.size()) return;
    list.items.erase(list.items.begin() + list.list_index);
    list.list_index = -1;
    changed(list);
}

}  // namespace korvane::checks
