// -LAYER: the command-line form of the layer command.
#include <algorithm>

#include "drawing/entity.h"
#include "drawing/tables.h"
#include "host/commands.h"
#include "host/system_variables.h"
#include "host/command_text.h"

namespace korvane::host {

namespace {

using drawing::LayerInfo;
using drawing::RecordId;

std::vector<std::string> split_names(const std::string& list) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        std::string name = trim(std::string_view(list).substr(start, comma - start));
        if (!name.empty()) out.push_back(name);
        start = comma + 1;
    }
    return out;
}

// Characters a layer name cannot hold.
bool valid_layer_name(const std::string& name) {
    if (name.empty()) return false;
    return name.find_first_of("<>/\\\":;?*|=`,") == std::string::npos;
}

// The layers a name list names (wildcards allowed); prints a line for a list that names none.
std::vector<LayerInfo> matching_layers(CommandContext& c, const std::string& list) {
    std::vector<LayerInfo> out;
    for (const LayerInfo& l : drawing::layers(c.dwg()))
        if (wildcard_list_match(list, l.name)) out.push_back(l);
    if (out.empty()) c.print("未找到匹配的图层 \"" + list + "\"。");
    return out;
}

// The layers of entities the user selects (for the "<选择对象>" default of a name list).
std::optional<std::vector<LayerInfo>> layers_of_selection(CommandContext& c) {
    auto sel = c.select_objects();
    if (!sel) return std::nullopt;
    std::vector<LayerInfo> out;
    for (RecordId id : *sel) {
        std::string name = drawing::Entity(c.dwg(), id).layer();
        RecordId l = drawing::find_table_entry(c.dwg(), "LAYER", name);
        if (l == drawing::kNoRecord) continue;
        if (std::none_of(out.begin(), out.end(), [&](const LayerInfo& x) { return x.id == l; }))
            out.push_back(drawing::layer_info(c.dwg(), l));
    }
    return out;
}

// Asks for a name list; `select` offers picking objects on Enter. nullopt on cancel, an
// empty list when nothing was named.
std::optional<std::vector<LayerInfo>> ask_layers(CommandContext& c, const std::string& prompt, bool select) {
    Answer a = c.ask(prompt, Accept::line());
    if (a.cancel()) return std::nullopt;
    if (a.enter()) {
        if (select) return layers_of_selection(c);
        return std::vector<LayerInfo>{};
    }
    return matching_layers(c, trim(a.text));
}

bool same_layer(const std::string& a, const std::string& b) { return drawing::iequals(a, b); }

std::optional<int> color_number(const std::string& text) {
    static const std::pair<const char*, int> names[] = {{"RED", 1},  {"YELLOW", 2}, {"GREEN", 3}, {"CYAN", 4},
                                                        {"BLUE", 5}, {"MAGENTA", 6}, {"WHITE", 7}};
    std::string t = trim(text);
    if (auto i = parse_integer(t); i && *i >= 1 && *i <= 255) return int(*i);
    for (const auto& [n, v] : names)
        if (drawing::iequals(t, n)) return v;
    return std::nullopt;
}

void list_layers(CommandContext& c) {
    Answer a = c.ask("输入要列出的图层名 <*>:", Accept::line());
    if (a.cancel()) return;
    std::string pattern = a.enter() ? "*" : trim(a.text);
    std::string current = c.current_layer();
    c.print("图层名                状态                颜色");
    for (const LayerInfo& l : drawing::layers(c.dwg())) {
        if (!wildcard_list_match(pattern, l.name)) continue;
        std::string state = std::string(l.on ? "开" : "关") + (l.frozen ? " 冻结" : "") + (l.locked ? " 锁定" : "") +
                            (same_layer(l.name, current) ? " 当前" : "");
        c.print("\"" + l.name + "\"  " + state + "  " + std::to_string(l.color));
    }
}

// Each option below returns false when the user cancelled, which ends the command.

// Set: the current layer, by name or by an object on it.
bool set_current(CommandContext& c) {
    drawing::Document& d = c.dwg();
    Answer n = c.ask("输入要置为当前的图层名或 <选择对象>:", Accept::line());
    if (n.cancel()) return false;
    std::string name;
    if (n.enter()) {
        auto id = c.pick_one("选择对象:");
        if (!id) return false;
        if (*id == drawing::kNoRecord) return true;
        name = drawing::Entity(d, *id).layer();
    } else {
        name = trim(n.text);
    }
    RecordId layer = drawing::find_table_entry(d, "LAYER", name);
    if (layer == drawing::kNoRecord) {
        c.print("未找到图层 \"" + name + "\"。");
        return true;
    }
    LayerInfo info = drawing::layer_info(d, layer);
    if (info.frozen) {
        c.print("无法将冻结的图层置为当前。");
        return true;
    }
    set_system_variable(c.doc, "CLAYER", Value(info.name));
    if (!info.on) c.print("当前图层已关闭。");
    return true;
}

// Make: a layer, made when missing and thawed, becomes the current one.
bool make_current(CommandContext& c) {
    drawing::Document& d = c.dwg();
    Answer n = c.ask("输入新图层的名称 (成为当前图层) <" + c.current_layer() + ">:", Accept::line());
    if (n.cancel()) return false;
    if (n.enter()) return true;
    std::string name = trim(n.text);
    if (!valid_layer_name(name)) {
        c.print("无效的图层名。");
        return true;
    }
    RecordId layer = drawing::add_layer(d, name);
    LayerInfo info = drawing::layer_info(d, layer);
    if (info.frozen) drawing::set_layer_frozen(d, layer, false);
    set_system_variable(c.doc, "CLAYER", Value(info.name));
    return true;
}

// New: the layers of a comma-separated list.
bool add_layers(CommandContext& c) {
    Answer n = c.ask("输入新图层的名称列表:", Accept::line());
    if (n.cancel()) return false;
    if (n.enter()) return true;
    for (const std::string& name : split_names(n.text)) {
        if (!valid_layer_name(name)) {
            c.print("无效的图层名: " + name);
            continue;
        }
        drawing::add_layer(c.dwg(), name);
    }
    return true;
}

bool turn_on(CommandContext& c) {
    auto list = ask_layers(c, "输入要打开的图层名列表:", false);
    if (!list) return false;
    for (const LayerInfo& l : *list) drawing::set_layer_on(c.dwg(), l.id, true);
    return true;
}

// Off: the current layer only after the user confirms.
bool turn_off(CommandContext& c) {
    auto list = ask_layers(c, "输入要关闭的图层名列表或 <选择对象>:", true);
    if (!list) return false;
    std::string current = c.current_layer();
    for (const LayerInfo& l : *list) {
        if (same_layer(l.name, current)) {
            auto yes = c.ask_yes_no("确实要关闭当前图层 \"" + l.name + "\" 吗? [是(Y)/否(N)] <N>:", false);
            if (!yes) return false;
            if (!*yes) continue;
        }
        drawing::set_layer_on(c.dwg(), l.id, false);
    }
    return true;
}

// Color: a colour number or name, then the layers (the current one by default).
bool change_color(CommandContext& c) {
    drawing::Document& d = c.dwg();
    Answer col = c.ask("新颜色 [真彩色(T)/配色系统(CO)]:", Accept::line());
    if (col.cancel()) return false;
    if (col.enter()) return true;
    auto number = color_number(col.text);
    if (!number) {
        c.print("颜色无效: 需要 1 到 255 的颜色号或颜色名。");
        return true;
    }
    auto list = ask_layers(c, "输入图层名列表，其颜色为 " + std::to_string(*number) + " <" + c.current_layer() + ">:",
                           false);
    if (!list) return false;
    if (list->empty()) {
        RecordId cur = drawing::find_table_entry(d, "LAYER", c.current_layer());
        if (cur != drawing::kNoRecord) list->push_back(drawing::layer_info(d, cur));
    }
    for (const LayerInfo& l : *list) drawing::set_layer_color(d, l.id, *number);
    return true;
}

// Freeze: every layer named but the current one.
bool freeze(CommandContext& c) {
    auto list = ask_layers(c, "输入要冻结的图层名列表或 <选择对象>:", true);
    if (!list) return false;
    std::string current = c.current_layer();
    for (const LayerInfo& l : *list) {
        if (same_layer(l.name, current)) {
            c.print("无法冻结当前图层 \"" + l.name + "\"。");
            continue;
        }
        drawing::set_layer_frozen(c.dwg(), l.id, true);
    }
    return true;
}

bool thaw(CommandContext& c) {
    auto list = ask_layers(c, "输入要解冻的图层名列表:", false);
    if (!list) return false;
    for (const LayerInfo& l : *list) drawing::set_layer_frozen(c.dwg(), l.id, false);
    return true;
}

bool lock_layers(CommandContext& c, bool lock) {
    auto list =
        ask_layers(c, lock ? "输入要锁定的图层名列表或 <选择对象>:" : "输入要解锁的图层名列表或 <选择对象>:", true);
    if (!list) return false;
    for (const LayerInfo& l : *list) drawing::set_layer_locked(c.dwg(), l.id, lock);
    return true;
}

}  // namespace

void cmd_layer(CommandContext& c) {
    static const std::vector<std::string> kKeywords = {"?",     "Make",   "Set",    "New",  "ON",   "OFF",
                                                       "Color", "Freeze", "Thaw",   "LOck", "Unlock"};
    enum { kList, kMake, kSet, kNew, kOn, kOff, kColor, kFreeze, kThaw, kLock, kUnlock };
    c.print("当前图层: \"" + c.current_layer() + "\"");
    bool going = true;
    while (going) {
        Answer a = c.ask("输入选项 [?/生成(M)/设置(S)/新建(N)/开(ON)/关(OFF)/颜色(C)/冻结(F)/解冻(T)/锁定(LO)/解锁(U)]:",
                         Accept::words(kKeywords));
        if (a.enter() || a.cancel()) return;
        switch (a.keyword) {
            case kList: list_layers(c); break;
            case kSet: going = set_current(c); break;
            case kMake: going = make_current(c); break;
            case kNew: going = add_layers(c); break;
            case kOn: going = turn_on(c); break;
            case kOff: going = turn_off(c); break;
            case kColor: going = change_color(c); break;
            case kFreeze: going = freeze(c); break;
            case kThaw: going = thaw(c); break;
            case kLock: going = lock_layers(c, true); break;
            case kUnlock: going = lock_layers(c, false); break;
        }
    }
}

}  // namespace korvane::host
