#include "host/command_interpreter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>

#include "drawing/entity.h"
#include "host/commands.h"
#include "host/commands_drafting.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/host_services.h"
#include "host/object_selection.h"
#include "host/object_snap.h"
#include "host/system_variables.h"
#include "host/command_text.h"

namespace korvane::host {

namespace {

using drawing::kNoRecord;
using drawing::RecordId;

struct CommandDef {
    const char* name;
    void (*run)(CommandContext&);
    bool undo_step;  // runs inside an undo step of its own (undo and redo cannot)
    std::vector<const char*> aliases;
    const char* help;  // one line for the command list
};

void cmd_help(CommandContext& c);

const std::vector<CommandDef>& command_table() {
    static const std::vector<CommandDef> table = {
        {"-LAYER", cmd_layer, true, {"-LA", "LAYER", "LA"}, "图层：新建、设为当前、开、关、冻结、解冻"},
        {"HATCH", cmd_hatch, true, {"-HATCH", "-H", "BHATCH", "-BHATCH"}, "填充封闭区域或选中的边界"},
        {"-BOUNDARY", cmd_boundary, true, {"-BO", "BOUNDARY", "BO"}, "在点选的位置生成封闭边界"},
        {"IMAGECLIP", cmd_imageclip, true, {"ICL"}, "裁剪图像"},
        {"-IMAGE", cmd_image, true, {"IMAGE", "-IM", "IM"}, "附着图像文件"},
        {"DRAWORDER", cmd_draworder, true, {"DR"}, "调整显示次序"},
        {"-INSERT", cmd_insert, true, {"INSERT", "-I"}, "插入块或图形文件"},
        {"-WBLOCK", cmd_wblock, false, {"WBLOCK", "-W"}, "把选中的对象写成图形文件"},
        {"RECTANG", cmd_rectang, true, {"REC", "RECTANGLE"}, "绘制矩形"},
        {"ZOOM", cmd_zoom, false, {"Z"}, "缩放视图"},
        {"REDRAW", cmd_redraw, false, {"REDRAWALL", "REGEN", "REGENALL", "RE"}, "重画，去掉亮显"},
        {"SETVAR", cmd_setvar, true, {"SET"}, "查看或设置系统变量"},
        {"MSSX", cmd_mssx, false, {}, "按编码选择"},
        {"UNDO", cmd_undo, false, {}, "放弃若干步"},
        {"U", cmd_u, false, {}, "放弃上一步"},
        {"REDO", cmd_redo, false, {}, "重做放弃的一步"},
        // Drafting.
        {"LINE", cmd_line, true, {"L"}, "绘制直线"},
        {"PLINE", cmd_pline, true, {"PL"}, "绘制多段线"},
        {"POINT", cmd_point, true, {"PO"}, "绘制点"},
        {"CIRCLE", cmd_circle, true, {"C"}, "绘制圆"},
        {"ARC", cmd_arc, true, {"A"}, "绘制圆弧"},
        {"TEXT", cmd_text, true, {"DTEXT", "DT"}, "书写单行文字"},
        {"ERASE", cmd_erase, true, {"E"}, "删除对象"},
        {"MOVE", cmd_move, true, {"M"}, "移动对象"},
        {"COPY", cmd_copy, true, {"CO", "CP"}, "复制对象"},
        {"ROTATE", cmd_rotate, true, {"RO"}, "旋转对象"},
        {"SCALE", cmd_scale, true, {"SC"}, "比例缩放对象"},
        {"MIRROR", cmd_mirror, true, {"MI"}, "镜像对象"},
        {"OFFSET", cmd_offset, true, {"O"}, "偏移曲线"},
        {"EXPLODE", cmd_explode, true, {"X"}, "分解多段线和块"},
        {"JOIN", cmd_join, true, {"J"}, "合并首尾相接的曲线"},
        {"PEDIT", cmd_pedit, true, {"PE"}, "编辑多段线"},
        {"BREAK", cmd_break, true, {"BR"}, "打断曲线"},
        {"TRIM", cmd_trim, true, {"TR"}, "修剪到边界"},
        {"EXTEND", cmd_extend, true, {"EX"}, "延伸到边界"},
        {"MATCHPROP", cmd_matchprop, true, {"MA", "PAINTER"}, "把源对象的特性赋给其它对象"},
        {"LIST", cmd_list, false, {"LI", "LS"}, "列出对象的数据"},
        {"ID", cmd_id, false, {}, "显示点的坐标"},
        {"DIST", cmd_dist, false, {"DI"}, "测量两点间的距离和角度"},
        {"AREA", cmd_area, false, {"AA"}, "计算面积和周长"},
        {"HELP", cmd_help, false, {"?"}, "列出全部命令（F1）"},
    };
    return table;
}

// Decimals of the coordinates the command line echoes: the drawing's LUPREC.
int point_decimals(HostDocument& doc, const EmbeddedHost& host) {
    Value v = get_system_variable(doc, host, "LUPREC");
    if (auto* i = std::get_if<long long>(&v)) return int(std::clamp<long long>(*i, 0, 8));
    return 4;
}

void cmd_help(CommandContext& c) {
    for (const std::string& line : CommandInterpreter::help_lines()) c.print(line);
}

const CommandDef* find_command(const std::string& key) {
    for (const CommandDef& d : command_table()) {
        if (key == d.name) return &d;
        for (const char* a : d.aliases)
            if (key == a) return &d;
    }
    return nullptr;
}

// The command word without the prefixes CAD programs accept in front of a name: "_" (the
// language-independent name) and "." (the built-in command).
std::string canonical(std::string_view word) {
    size_t i = 0;
    while (i < word.size() && i < 2 && (word[i] == '_' || word[i] == '.')) ++i;
    return upper(word.substr(i));
}

}  // namespace

// ---------------------------------------------------------------- CommandContext

std::string CommandContext::invalid_message(const Accept& a) const {
    bool kw = !a.keywords.empty();
    if (a.point) return kw ? "需要点或选项关键字。" : "需要点。";
    if (a.real) return kw ? "需要数值或选项关键字。" : "需要数值。";
    if (a.integer) return kw ? "需要整数或选项关键字。" : "需要整数。";
    if (kw) return "无效的选项关键字。";
    return "输入无效。";
}

Answer CommandContext::ask(const std::string& prompt, const Accept& accept) {
    std::string shown = prompt;
    while (true) {
        InputKind expects = accept.point ? InputKind::Point : InputKind::CommandLine;
        CommandToken t = in.next(shown, accept.whole_line, expects, accept.base, accept.box_from);
        Answer a;
        a.text = t.text;
        std::string echo = t.kind == CommandToken::Kind::Selection ? std::string("(选择集)") : t.text;
        using K = CommandToken::Kind;
        switch (t.kind) {
            case K::Cancel:
                host.snap_override = -1;
                print(shown + " *取消*");
                a.kind = Answer::Cancel;
                return a;
            case K::Enter:
                host.snap_override = -1;
                print(shown);
                a.kind = Answer::Enter;
                return a;
            case K::Point:
            case K::EntityAt:
                if (accept.point) {
                    // A click: the typed override or the running snaps decide the point.
                    ClickPoint click = resolve_click(host, doc, t.point, accept.base, host.snap_override);
                    host.snap_override = -1;
                    if (click.missed) {
                        print(shown + " " + t.text);
                        print("未找到对象捕捉点。");
                        shown = prompt;
                        continue;
                    }
                    a.kind = Answer::Point;
                    a.point = click.point;
                    echo = format_point_fixed(click.point, point_decimals(doc, host));
                }
                break;
            case K::Real:
                if (accept.real || (accept.integer && std::floor(t.real) == t.real)) {
                    a.kind = Answer::Real;
                    a.real = t.real;
                } else if (accept.text) {
                    a.kind = Answer::Text;
                }
                break;
            case K::Entity:
            case K::Selection:
                break;
            case K::Text: {
                std::string word = trim(t.text);
                if (!accept.keywords.empty()) {
                    int k = match_keyword(word, accept.keywords);
                    if (k >= 0) {
                        a.kind = Answer::Keyword;
                        a.keyword = k;
                        break;
                    }
                }
                if (accept.point) {
                    if (auto mode = snap_override(word)) {
                        // The next point is found by this snap alone; CAD programs ask "于" (at).
                        print(shown + " " + word);
                        host.snap_override = *mode;
                        shown = "于";
                        continue;
                    }
                    const Point* last = state.last_point ? &*state.last_point : nullptr;
                    if (auto p = parse_point(word, last)) {
                        a.kind = Answer::Point;
                        a.point = *p;
                        break;
                    }
                    // A distance along the rubber band, towards the cursor.
                    if (accept.base && !accept.real && !accept.integer && host.cursor) {
                        if (auto d = parse_real(word)) {
                            if (auto p = direct_distance(doc, host, *accept.base, *host.cursor, *d)) {
                                a.kind = Answer::Point;
                                a.point = *p;
                                break;
                            }
                        }
                    }
                }
                if (accept.real || accept.integer) {
                    if (auto r = parse_real(word); r && (accept.real || std::floor(*r) == *r)) {
                        a.kind = Answer::Real;
                        a.real = *r;
                        break;
                    }
                }
                if (accept.text) a.kind = Answer::Text;
                break;
            }
        }
        host.snap_override = -1;
        print(shown + " " + echo);
        if (a.kind != Answer::Cancel) {
            if (a.kind == Answer::Point) state.last_point = a.point;
            return a;
        }
        print(invalid_message(accept));
        shown = prompt;
    }
}

std::optional<bool> CommandContext::ask_yes_no(const std::string& prompt, bool fallback) {
    Answer a = ask(prompt, Accept::words({"Yes", "No"}));
    if (a.cancel()) return std::nullopt;
    if (a.enter()) return fallback;
    return a.keyword == 0;
}

std::optional<double> CommandContext::ask_real(const std::string& prompt, double fallback, bool positive) {
    while (true) {
        Answer a = ask(prompt, Accept::reals());
        if (a.cancel()) return std::nullopt;
        if (a.enter()) return fallback;
        if (positive && !(a.real > 0)) {
            print("值必须为正且非零。");
            continue;
        }
        return a.real;
    }
}

RecordId CommandContext::entity_of_handle(const std::string& handle) {
    RecordId id = dwg().find_handle(trim(handle));
    return doc.is_live_entity(id) ? id : kNoRecord;
}

RecordId CommandContext::last_entity() {
    const auto& ms = doc.modelspace();
    return ms.empty() ? kNoRecord : ms.back();
}

std::string CommandContext::current_layer() {
    Value v = get_system_variable(doc, host, "CLAYER");
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return "0";
}

double CommandContext::pick_tolerance() {
    double h = host.screen_height() > 0 ? host.screen_height() : 900;
    return 3.0 * doc.view().height / h;
}

std::optional<RecordId> CommandContext::pick_one(const std::string& prompt) {
    CommandToken t = in.next(prompt);
    using K = CommandToken::Kind;
    RecordId id = kNoRecord;
    switch (t.kind) {
        case K::Cancel: print(prompt + " *取消*"); return std::nullopt;
        case K::Enter: print(prompt); return kNoRecord;
        case K::Entity: id = entity_of_handle(t.handle); break;
        case K::Point:
        case K::EntityAt: id = pick_at(doc, t.point, pick_tolerance()); break;
        case K::Selection:
            if (!t.answer.handles.empty()) id = entity_of_handle(t.answer.handles.front());
            break;
        case K::Real: break;
        case K::Text:
            if (auto h = parse_handent(t.text)) id = entity_of_handle(*h);
            else if (auto p = parse_point(t.text)) id = pick_at(doc, *p, pick_tolerance());
            break;
    }
    print(prompt + " " + (t.kind == K::Selection ? std::string("(选择集)") : t.text));
    if (id == kNoRecord) print("未找到对象。");
    return id;
}

std::optional<std::vector<RecordId>> CommandContext::select_objects(const std::string& prompt) {
    return ObjectSelection(*this, prompt).run();
}

// ---------------------------------------------------------------- CommandInterpreter

struct CommandInterpreter::Impl {
    EmbeddedHost& host;
    InterpreterState state;
    explicit Impl(EmbeddedHost& h) : host(h) {}

    void evaluate(HostDocument& doc, const std::string& expr) {
        if (auto h = parse_handent(expr)) {
            RecordId id = doc.doc().find_handle(trim(*h));
            host.print(doc.is_live_entity(id) ? "<图元名: " + upper(trim(*h)) + ">" : "nil");
            return;
        }
        host.print("; 错误: 无法求值的表达式 " + expr);
    }

    void run(HostDocument& doc, CommandInput& in, const CommandDef& def) {
        CommandContext c(host, doc, in, state, def.name);
        drawing::Document& d = doc.doc();
        uint64_t revision = d.revision();
        View view = doc.view();
        size_t highlighted = doc.highlighted().size();
        if (def.undo_step) d.begin_undo_step(def.name);
        try {
            def.run(c);
        } catch (const std::exception& e) {
            host.print(std::string("错误: ") + e.what());
            in.drop_rest();
        }
        if (def.undo_step) d.end_undo_step();
        bool view_changed = doc.view().center != view.center || doc.view().height != view.height;
        if (c.redraw || view_changed || d.revision() != revision || doc.highlighted().size() != highlighted)
            host.changed();
    }

    void run_variable(HostDocument& doc, CommandInput& in, const std::string& name) {
        CommandContext c(host, doc, in, state, name);
        drawing::Document& d = doc.doc();
        uint64_t revision = d.revision();
        d.begin_undo_step(name);
        try {
            run_system_variable(c, name);
        } catch (const std::exception& e) {
            host.print(std::string("错误: ") + e.what());
            in.drop_rest();
        }
        d.end_undo_step();
        if (d.revision() != revision) host.changed();
    }
};

CommandInterpreter::CommandInterpreter(EmbeddedHost& host) : impl_(std::make_unique<Impl>(host)) {}
CommandInterpreter::~CommandInterpreter() = default;

void CommandInterpreter::send(HostDocument& doc, const std::string& text) {
    CommandInput in(text, impl_->host.input());
    in.set_point_decimals(point_decimals(doc, impl_->host));
    while (auto word = in.next_command()) {
        if (word->empty()) continue;  // Enter at an empty command prompt
        impl_->host.print("命令: " + *word);
        if ((*word)[0] == '(') {
            impl_->evaluate(doc, *word);
            continue;
        }
        std::string key = canonical(*word);
        if (const CommandDef* def = find_command(key)) {
            impl_->run(doc, in, *def);
        } else if (is_system_variable(doc, key)) {
            impl_->run_variable(doc, in, key);
        } else {
            impl_->host.print("未知命令\"" + upper(*word) + "\"。按 F1 或输入 HELP 查看命令列表。");
            in.drop_rest();
        }
    }
}

std::vector<std::string> CommandInterpreter::help_lines() {
    std::vector<std::string> lines{"命令（括号内为简写）："};
    for (const CommandDef& d : command_table()) {
        std::string head = d.name;
        for (size_t i = 0; i < d.aliases.size(); ++i) head += (i ? ", " : " (") + std::string(d.aliases[i]);
        if (!d.aliases.empty()) head += ")";
        lines.push_back(head + "\t" + d.help);  // the command line sets its tab stop past the names
    }
    std::string vars;
    for (const std::string& v : known_system_variables())
        if (!is_read_only_system_variable(v)) vars += (vars.empty() ? "" : " ") + v;
    lines.push_back("系统变量（输入名称查看或设置）：" + vars);
    return lines;
}

std::vector<std::string> CommandInterpreter::command_names() const {
    std::vector<std::string> names;
    for (const CommandDef& d : command_table()) names.push_back(d.name);
    for (const std::string& v : known_system_variables())
        if (!is_read_only_system_variable(v)) names.push_back(v);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace korvane::host
