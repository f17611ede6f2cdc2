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
};

const std::vector<CommandDef>& command_table() {
    static const std::vector<CommandDef> table = {
        {"-LAYER", cmd_layer, true, {"-LA", "LAYER", "LA"}},
        {"HATCH", cmd_hatch, true, {"-HATCH", "-H", "BHATCH", "-BHATCH"}},
        {"-BOUNDARY", cmd_boundary, true, {"-BO", "BOUNDARY", "BO"}},
        {"IMAGECLIP", cmd_imageclip, true, {"ICL"}},
        {"-IMAGE", cmd_image, true, {"IMAGE", "-IM", "IM"}},
        {"DRAWORDER", cmd_draworder, true, {"DR"}},
        {"-INSERT", cmd_insert, true, {"INSERT", "-I"}},
        {"-WBLOCK", cmd_wblock, false, {"WBLOCK", "-W"}},
        {"RECTANG", cmd_rectang, true, {"REC", "RECTANGLE"}},
        {"ZOOM", cmd_zoom, false, {"Z"}},
        {"REDRAW", cmd_redraw, false, {"REDRAWALL", "REGEN", "REGENALL", "RE"}},
        {"SETVAR", cmd_setvar, true, {"SET"}},
        {"MSSX", cmd_mssx, false, {}},
        {"UNDO", cmd_undo, false, {}},
        {"U", cmd_u, false, {}},
        {"REDO", cmd_redo, false, {}},
        // Drafting.
        {"LINE", cmd_line, true, {"L"}},
        {"PLINE", cmd_pline, true, {"PL"}},
        {"POINT", cmd_point, true, {"PO"}},
        {"CIRCLE", cmd_circle, true, {"C"}},
        {"ARC", cmd_arc, true, {"A"}},
        {"TEXT", cmd_text, true, {"DTEXT", "DT"}},
        {"ERASE", cmd_erase, true, {"E"}},
        {"MOVE", cmd_move, true, {"M"}},
        {"COPY", cmd_copy, true, {"CO", "CP"}},
        {"ROTATE", cmd_rotate, true, {"RO"}},
        {"SCALE", cmd_scale, true, {"SC"}},
        {"MIRROR", cmd_mirror, true, {"MI"}},
        {"OFFSET", cmd_offset, true, {"O"}},
        {"EXPLODE", cmd_explode, true, {"X"}},
        {"JOIN", cmd_join, true, {"J"}},
        {"PEDIT", cmd_pedit, true, {"PE"}},
        {"BREAK", cmd_break, true, {"BR"}},
        {"TRIM", cmd_trim, true, {"TR"}},
        {"EXTEND", cmd_extend, true, {"EX"}},
        {"MATCHPROP", cmd_matchprop, true, {"MA", "PAINTER"}},
        {"LIST", cmd_list, false, {"LI", "LS"}},
        {"ID", cmd_id, false, {}},
        {"DIST", cmd_dist, false, {"DI"}},
        {"AREA", cmd_area, false, {"AA"}},
    };
    return table;
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
                    echo = format_point(click.point);
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
            impl_->host.print("未知命令\"" + upper(*word) + "\"。按 F1 查看帮助。");
            in.drop_rest();
        }
    }
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
