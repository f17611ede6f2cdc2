#include "app/scenario.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "common/maimod.h"
#include "common/paths.h"
#include "common/recording_ui.h"
#include "common/settings.h"
#include "drawing/document.h"
#include "host/command_interpreter.h"
#include "host/document_save.h"
#include "host/embedded_host.h"
#include "host/image_relink.h"
#include "host/input_source.h"
#include "host/host_document.h"
#include "host/object_snap.h"
#include "drawing/tables.h"
#include "tools/properties_model.h"
#include "tools/vertex_edit.h"
#include "panel/workspace.h"
#include "render/painting_context.h"
#include "render/plot.h"

namespace fs = std::filesystem;

namespace korvane::app {

namespace {

struct BadInput : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct Failed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Prints command-line lines as they come.
class PrintingTranscript : public host::Transcript {
public:
    explicit PrintingTranscript(std::ostream& out) : out_(out) {}
    void line(const std::string& text) override {
        lines.push_back(text);
        out_ << text << "\n";
    }
    std::vector<std::string> lines;

private:
    std::ostream& out_;
};

std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        switch (c) {
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 's': out += ' '; break;
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            default: out += '\\'; out += c;
        }
    }
    return out;
}

// A line without its comment (" #" or a leading "#") and outer blanks; a value in double
// quotes keeps its blanks and may hold escapes.
std::string strip_comment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"' && (i == 0 || line[i - 1] != '\\')) quoted = !quoted;
        if (!quoted && line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
    }
    return line;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The rest of a line as a value: quoted values are unescaped, others taken as they stand.
std::string value_of(const std::string& rest) {
    std::string t = trim(rest);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') return unescape(t.substr(1, t.size() - 2));
    return t;
}

std::pair<std::string, std::string> split_first(const std::string& s) {
    std::string t = trim(s);
    size_t sp = t.find_first_of(" \t");
    if (sp == std::string::npos) return {t, ""};
    return {t.substr(0, sp), trim(t.substr(sp + 1))};
}

double number(const std::string& s) {
    try {
        size_t used = 0;
        double d = std::stod(s, &used);
        if (used != s.size()) throw BadInput("not a number: " + s);
        return d;
    } catch (const std::logic_error&) {
        throw BadInput("not a number: " + s);
    }
}

host::Point point_of(const std::string& s) {
    std::vector<std::string> parts;
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, ',')) parts.push_back(trim(item));
    if (parts.size() < 2 || parts.size() > 3) throw BadInput("a point is X,Y or X,Y,Z: " + s);
    return {number(parts[0]), number(parts[1]), parts.size() == 3 ? number(parts[2]) : 0};
}

class Runner {
public:
    Runner(const ScenarioOptions& options, const fs::path& script_dir, std::ostream& out)
        : out_(out), script_dir_(script_dir), transcript_(out) {
        common::Paths paths = common::default_paths();
        if (options.data_dir) paths.data_dir = options.data_dir.value();
        if (options.output_dir) paths.output_dir = options.output_dir.value();
        paths.create_directories();
        if (auto shipped = common::find_shipped_data(options.executable))
            common::seed_data_directory(*shipped, paths.data_dir);
        if (options.settings_file) settings_ = std::make_unique<common::IniSettings>(*options.settings_file);
        else settings_ = std::make_unique<common::MemorySettings>();
        ui_ = std::make_unique<common::RecordingUi>(*settings_, paths);
        ui_->on_message = [this](const std::string& line) { out_ << line << "\n"; };
        host_ = std::make_unique<host::EmbeddedHost>(input_, transcript_);
        workspace_ = std::make_unique<panel::Workspace>(*host_, *ui_);
        workspace_->on_image_directory_changed = [this](const std::string& dir) { host::relink_images(*host_, dir); };
        host_->on_active_drawing_changed = [this] { workspace_->drawing_changed(); };
    }

    void run_line(const std::string& raw) {
        std::string line = trim(strip_comment(raw));
        if (line.empty()) return;
        auto [action, rest] = split_first(line);
        if (action == "open") open(value_of(rest));
        else if (action == "new") host_->new_document();
        else if (action == "host") host_command(rest);
        else if (action == "activate") activate(rest);
        else if (action == "form") workspace_->open_form(need(rest, "a form name"));
        else if (action == "close") target(need(rest, "a form name")).first->close();
        else if (action == "close-drawing") host_->close(active_index());
        else if (action == "set") set(rest);
        else if (action == "check") check(rest);
        else if (action == "click" || action == "dblclick" || action == "rightclick") click(action, rest);
        else if (action == "enter") target_control(rest, [](common::FormModel& f, const std::string& c) { f.press_enter(c); });
        else if (action == "tick") target_control(rest, [](common::FormModel& f, const std::string& c) { f.tick(c); });
        else if (action == "answer") answer(rest);
        else if (action == "drop") drop(rest);
        else if (action == "send") send(rest);
        else if (action == "setting") setting(rest);
        else if (action == "cursor") host_->cursor = point_of(need(rest, "a point"));
        else if (action == "property") property(rest);
        else if (action == "grip") grip(rest);
        else if (action == "save") save(value_of(rest));
        else if (action == "plot") plot(rest);
        else if (action == "expect-message") expect_message(value_of(rest));
        else if (action == "expect-no-message") expect_no_message(value_of(rest));
        else if (action == "expect-line") expect_line(value_of(rest));
        else if (action == "expect-shown") expect_shown(value_of(rest));
        else if (action == "expect-text") expect_text(rest);
        else if (action == "expect-enabled") expect_flag(rest, true);
        else if (action == "expect-value") expect_flag(rest, false);
        else if (action == "expect-item") expect_item(rest);
        else if (action == "expect-count") expect_count(rest);
        else throw BadInput("unknown action \"" + action + "\"");
        check_answers();
    }

    void finish() {
        if (input_.pending() > 0) out_ << "warning: " << input_.pending() << " queued answer(s) were not used\n";
    }

private:
    std::ostream& out_;
    fs::path script_dir_;
    host::ScriptInput input_;
    PrintingTranscript transcript_;
    std::unique_ptr<common::SettingsStore> settings_;
    std::unique_ptr<common::RecordingUi> ui_;
    std::unique_ptr<host::EmbeddedHost> host_;
    std::unique_ptr<panel::Workspace> workspace_;
    std::unique_ptr<render::PaintingContext> painting_;
    size_t message_cursor_ = 0;
    size_t line_cursor_ = 0;
    size_t shown_cursor_ = 0;

    // "property NAME VALUE HANDLE...": the properties panel's change of one property of these
    // objects; a value it does not take is printed as the panel shows it.
    void property(const std::string& rest) {
        static const std::map<std::string, tools::Property> kNames = {{"图层", tools::Property::Layer},
                                                                     {"颜色", tools::Property::Colour},
                                                                     {"线型", tools::Property::Linetype},
                                                                     {"全局宽度", tools::Property::Width}};
        auto [name, tail] = split_first(need(rest, "a property, a value and objects"));
        auto [value, objects] = split_first(tail);
        auto it = kNames.find(name);
        if (it == kNames.end()) throw BadInput("property 图层|颜色|线型|全局宽度 VALUE HANDLE...");
        std::vector<std::string> handles;
        std::stringstream ss(objects);
        for (std::string h; ss >> h;) handles.push_back(h);
        if (handles.empty()) throw BadInput("property: no objects named");
        host::HostDocument& doc = host_->document(active_index());
        tools::PropertiesModel model;
        std::vector<std::string> linetypes;
        for (drawing::RecordId lt : drawing::table_entries(doc.doc(), "LTYPE"))
            linetypes.push_back(drawing::entry_name(doc.doc(), lt));
        model.set_linetypes(std::move(linetypes));
        host::ApplicationPtr app = host_->application();
        model.read(*app, handles);
        if (std::string problem = model.apply(*app, it->second, value_of(value)); !problem.empty())
            transcript_.line(problem);
    }

    // "grip HANDLE VERTEX X,Y": the polyline's vertex grip dragged to a point, snapped as a
    // click is.
    void grip(const std::string& rest) {
        auto [handle, tail] = split_first(need(rest, "a handle, a vertex and a point"));
        auto [index_text, where] = split_first(tail);
        double index = number(need(index_text, "a vertex number"));
        host::HostDocument& doc = host_->document(active_index());
        host::ApplicationPtr app = host_->application();
        host::EntityPtr e = app->ActiveDocument()->HandleToObject(handle);
        std::vector<double> c = e ? e->Coordinates() : std::vector<double>{};
        size_t stride = e && e->ObjectName() == "AcDbPolyline" ? 2 : 3;
        if (index < 0 || index != double(size_t(index)) || (size_t(index) + 1) * stride > c.size())
            throw BadInput("grip: " + handle + " has no vertex " + index_text);
        host::Point base{c[size_t(index) * stride], c[size_t(index) * stride + 1], 0};
        host::ClickPoint click = host::resolve_click(*host_, doc, point_of(need(where, "a point")), base);
        tools::move_vertex(*app, handle, int(index), click.point);
    }

    static std::string need(const std::string& s, const char* what) {
        if (trim(s).empty()) throw BadInput(std::string("missing ") + what);
        return trim(s);
    }

    fs::path in_script_dir(const std::string& p) {
        fs::path path(p);
        return path.is_relative() ? script_dir_ / path : path;
    }
    fs::path in_output_dir(const std::string& p) {
        fs::path path(p);
        return path.is_relative() ? ui_->paths().output_dir / path : path;
    }

    void open(const std::string& p) {
        if (p.empty()) throw BadInput("open needs a drawing");
        std::vector<std::string> warnings;
        try {
            host_->open(in_script_dir(p).string(), &warnings);
        } catch (const drawing::DxfError& e) {
            throw BadInput(e.what());
        }
        for (auto& w : warnings) out_ << "warning: " << w << "\n";
    }

    void host_command(const std::string& rest) {
        if (rest == "start") host_->start();
        else if (rest == "stop") host_->stop();
        else throw BadInput("host start or host stop");
    }

    void activate(const std::string& rest) {
        size_t n = size_t(number(need(rest, "a drawing number")));
        if (n >= host_->document_count()) throw BadInput("no drawing number " + rest);
        host_->set_active(n);
    }

    // "SXB.Text1(4)" -> form and control reference (the form must be open).
    std::pair<common::FormModel*, std::string> target(const std::string& ref) {
        size_t dot = ref.find('.');
        std::string form = dot == std::string::npos ? ref : ref.substr(0, dot);
        common::FormModel* f = workspace_->form(form);
        if (!f) {
            auto names = panel::Workspace::form_names();
            if (std::find(names.begin(), names.end(), form) == names.end()) throw BadInput("no form named " + form);
            f = &workspace_->open_form(form);
        }
        return {f, dot == std::string::npos ? std::string() : ref.substr(dot + 1)};
    }

    void set(const std::string& rest) {
        auto [ref, text] = split_first(rest);
        auto [form, control] = target(need(ref, "a control"));
        form->set_text(need(control, "a control"), value_of(text));
    }

    void check(const std::string& rest) {
        auto [ref, value] = split_first(rest);
        auto [form, control] = target(need(ref, "a control"));
        form->set_check(need(control, "a control"), int(number(need(value, "a value"))));
    }

    // An action on one control: "FORM.CONTROL" and nothing after it.
    void target_control(const std::string& rest, void (*act)(common::FormModel&, const std::string&)) {
        auto [ref, extra] = split_first(rest);
        if (!extra.empty()) throw BadInput("unexpected \"" + extra + "\" after " + ref);
        auto [form, control] = target(need(ref, "a control"));
        act(*form, need(control, "a control"));
    }

    void click(const std::string& action, const std::string& rest) {
        auto [ref, index] = split_first(rest);
        auto [form, control] = target(need(ref, "a control"));
        if (control.empty() || control == "background") {
            if (action != "dblclick") throw BadInput("only dblclick works on a form's background");
            form->dblclick_background();
            return;
        }
        if (action == "click") {
            if (!index.empty()) form->select_item(control, int(number(index)));
            else form->click(control);
        } else if (action == "dblclick") {
            if (!index.empty()) form->dblclick_item(control, int(number(index)));
            else form->dblclick(control);
        } else {
            form->rightclick(control);
        }
    }

    // "drop MaiFrm FILE..." (on the form) or "drop MaiFrm.Picture1(1) FILE..." (on a control).
    void drop(const std::string& rest) {
        auto [ref, list] = split_first(rest);
        auto [form, control] = target(need(ref, "a form or control"));
        std::vector<std::string> files;
        std::stringstream ss(list);
        std::string f;
        while (ss >> f) files.push_back(in_script_dir(value_of(f)).string());
        if (files.empty()) throw BadInput("drop needs a file");
        form->drop(control, files);
    }

    void answer(const std::string& rest) {
        auto [kind, value] = split_first(rest);
        using A = host::InputAnswer;
        A a;
        if (kind == "entity") {
            a = A::entity(need(value, "a handle"));
        } else if (kind == "entity-at") {
            a = A::at(point_of(need(value, "a point")), A::Type::EntityAt);
        } else if (kind == "point") {
            // A click; "shift" after the point: with Shift held.
            auto [where, modifier] = split_first(need(value, "a point"));
            if (!modifier.empty() && modifier != "shift") throw BadInput("answer point X,Y [shift]");
            a = A::at(point_of(where));
            a.shift = modifier == "shift";
        } else if (kind == "string") {
            a = A::typed(value_of(value));
        } else if (kind == "real") {
            a = A::number(number(need(value, "a number")));
        } else if (kind == "integer") {
            double d = number(need(value, "a number"));
            if (d != double(long(d))) throw BadInput("not an integer: " + value);
            a = A::whole(long(d));
        } else if (kind == "select") {
            a = selection(value);
        } else if (kind == "cancel") {
            a = host::InputAnswer::cancel();
        } else if (kind == "enter") {
            a = host::InputAnswer::enter();
        } else if (kind == "file" || kind == "folder" || kind == "file-in" || kind == "folder-out") {
            // file: a file in the output folder; file-in: one beside the scenario (to read);
            // folder: a folder beside the scenario; folder-out: one in the output folder (made).
            common::UiAnswer u;
            bool file = kind == "file" || kind == "file-in";
            u.kind = file ? common::UiAnswer::Kind::File : common::UiAnswer::Kind::Folder;
            std::string v = value_of(value);
            if (v.empty()) throw BadInput("answer " + kind + " needs a path");
            bool out = kind == "file" || kind == "folder-out";
            u.text = out ? in_output_dir(v).string() : in_script_dir(v).string();
            if (kind == "folder-out") fs::create_directories(u.text);
            ui_->push(u);
            return;
        } else if (kind == "progress-cancel") {
            // The next progress shown is cancelled when it reaches that step (from 0).
            double step = number(need(value, "a step"));
            if (step < 0 || step != double(long(step))) throw BadInput("answer progress-cancel needs a step from 0");
            ui_->cancel_progress_at(long(step));
            return;
        } else if (kind == "dialog-cancel") {
            ui_->push(common::UiAnswer{common::UiAnswer::Kind::DialogCancel, "", common::MsgResult::Cancel});
            return;
        } else if (kind == "button") {
            static const std::map<std::string, common::MsgResult> buttons = {
                {"ok", common::MsgResult::OK},   {"cancel", common::MsgResult::Cancel}, {"yes", common::MsgResult::Yes},
                {"no", common::MsgResult::No},   {"retry", common::MsgResult::Retry},   {"abort", common::MsgResult::Abort},
                {"ignore", common::MsgResult::Ignore}};
            auto it = buttons.find(value);
            if (it == buttons.end()) throw BadInput("answer button ok|cancel|yes|no|retry|abort|ignore");
            ui_->push(common::UiAnswer{common::UiAnswer::Kind::Button, "", it->second});
            return;
        } else {
            throw BadInput("unknown answer kind \"" + kind + "\"");
        }
        input_.push(a);
    }

    host::InputAnswer selection(const std::string& value) {
        auto [first, rest] = split_first(value);
        if (first == "all") {
            host::InputAnswer a = host::InputAnswer::selection({});
            a.select_mode = host::InputAnswer::SelectMode::All;
            return a;
        }
        if (first == "window" || first == "crossing") {
            auto [c1, c2] = split_first(rest);
            return host::InputAnswer::window(point_of(need(c1, "a corner")), point_of(need(c2, "a second corner")),
                                             first == "crossing");
        }
        std::vector<std::string> handles;
        std::stringstream ss(value);
        std::string h;
        while (ss >> h) handles.push_back(h);
        return host::InputAnswer::selection(std::move(handles));
    }

    size_t active_index() {
        active();
        return host_->active_index();
    }

    host::HostDocument& active() {
        host::HostDocument* d = host_->active();
        if (!d) throw BadInput("no drawing is open");
        return *d;
    }

    // A value of the settings store (section 参数设定), as the user would have set it.
    void setting(const std::string& rest) {
        auto [key, value] = split_first(need(rest, "a setting name"));
        common::save_ini(*settings_, key, value_of(value));
    }

    void send(const std::string& rest) {
        std::string text = unescape(trim(rest).size() >= 2 && trim(rest).front() == '"' ? value_of(rest) : rest);
        if (trim(rest).size() >= 2 && trim(rest).front() == '"') text = value_of(rest);
        host::HostDocument& d = active();
        host_->interpreter().send(d, text);
    }

    void save(const std::string& p) {
        host::HostDocument& d = active();
        std::string target = p.empty() ? d.path() : in_output_dir(p).string();
        if (target.empty()) throw BadInput("save needs a file name for a new drawing");
        fs::create_directories(fs::path(target).parent_path());
        drawing::SaveReport report = host::save_document(d, target);
        out_ << "saved " << target << "\n";
        if (!report.backup_problem.empty()) out_ << "backup not kept: " << report.backup_problem << "\n";
    }

    // plot frame HANDLE 1:N [PAPER] FILE.pdf | plot view 1:N [PAPER] FILE.pdf |
    // plot window X1,Y1 X2,Y2 1:N [PAPER] FILE.pdf, where PAPER is A0..A4 with landscape or
    // portrait after it, or alone for the way round the extent lies (wider than high:
    // landscape); without it the smallest paper that holds the extent.
    void plot(const std::string& rest) {
        std::vector<std::string> words;
        std::istringstream in(rest);
        for (std::string w; in >> w;) words.push_back(w);
        const std::map<std::string, size_t> kinds{{"view", 3}, {"frame", 4}, {"window", 5}};
        auto kind = words.empty() ? kinds.end() : kinds.find(words[0]);
        size_t need_words = kind == kinds.end() ? 0 : kind->second;
        if (need_words == 0 || words.size() < need_words || words.size() > need_words + 2)
            throw BadInput("plot frame HANDLE 1:N [PAPER] FILE, plot view 1:N [PAPER] FILE or plot window X1,Y1 X2,Y2 1:N [PAPER] FILE");
        host::HostDocument& d = active();
        drawing::Box2 extent;
        if (words[0] == "view") {
            extent = render::view_extent(d, host_->screen_width(), host_->screen_height());
        } else if (words[0] == "window") {
            host::Point a = point_of(words[1]), b = point_of(words[2]);
            extent = drawing::Box2::of({a.x, a.y}, {b.x, b.y});
        } else {
            host::ApplicationPtr app = host_->application();
            host::DocumentPtr doc = app ? app->ActiveDocument() : nullptr;
            host::EntityPtr frame = doc ? doc->HandleToObject(words[1]) : nullptr;
            host::Point lo, hi;
            if (!frame || !frame->GetBoundingBox(lo, hi)) throw BadInput("no entity with an extent of handle " + words[1]);
            extent = drawing::Box2::of({lo.x, lo.y}, {hi.x, hi.y});
        }
        std::optional<double> scale = render::scale_of(words[need_words - 2]);
        if (!scale) throw BadInput("not a scale: " + words[need_words - 2]);
        std::optional<render::Paper> paper;
        if (words.size() > need_words) {
            bool landscape = extent.max_x - extent.min_x > extent.max_y - extent.min_y;
            if (words.size() == need_words + 2) {
                const std::string& way = words[need_words];
                if (way != "landscape" && way != "portrait") throw BadInput("not landscape or portrait: " + way);
                landscape = way == "landscape";
            }
            paper = render::paper_named(words[need_words - 1], landscape);
            if (!paper) throw BadInput("not a paper of A0..A4: " + words[need_words - 1]);
        }
        fs::path file = in_output_dir(words.back());
        fs::create_directories(file.parent_path());
        if (!painting_) painting_ = std::make_unique<render::PaintingContext>();
        render::PlotRequest request{extent, *scale, paper, common::load_ini(*settings_, "Filepath")};
        render::PlotResult result = render::plot_to_pdf(file.string(), d, *host_, request);
        if (!result.ok()) ui_->message_box(result.error, "提示", common::MsgIcon::Critical, common::MsgButtons::OK);
        else host_->print("plotted " + file.string() + " on " + result.paper.name + (result.paper.landscape() ? " landscape" : " portrait"));
    }

    void expect_message(const std::string& text) {
        const auto& msgs = ui_->messages();
        for (size_t i = message_cursor_; i < msgs.size(); ++i)
            if (msgs[i].find(text) != std::string::npos) {
                message_cursor_ = i + 1;
                return;
            }
        throw Failed("expected a message containing \"" + text + "\"" + recent(msgs, message_cursor_));
    }
    void expect_no_message(const std::string& text) {
        const auto& msgs = ui_->messages();
        for (size_t i = message_cursor_; i < msgs.size(); ++i)
            if (text.empty() || msgs[i].find(text) != std::string::npos)
                throw Failed("unexpected message: " + msgs[i]);
        message_cursor_ = msgs.size();
    }
    // A file shown in the user's viewer since the last such expectation, named by the end of its path.
    void expect_shown(const std::string& text) {
        const auto& files = ui_->shown_files();
        for (size_t i = shown_cursor_; i < files.size(); ++i)
            if (files[i].size() >= text.size() && files[i].compare(files[i].size() - text.size(), text.size(), text) == 0) {
                shown_cursor_ = i + 1;
                return;
            }
        throw Failed("expected a file ending in \"" + text + "\" to be shown");
    }
    void expect_line(const std::string& text) {
        const auto& lines = transcript_.lines;
        for (size_t i = line_cursor_; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos) {
                line_cursor_ = i + 1;
                return;
            }
        throw Failed("expected a command-line line containing \"" + text + "\"" + recent(lines, line_cursor_));
    }
    static std::string recent(const std::vector<std::string>& v, size_t from) {
        if (from >= v.size()) return " (none shown since the last match)";
        std::string s = "; shown:";
        for (size_t i = from; i < v.size(); ++i) s += "\n    " + v[i];
        return s;
    }
    void expect_text(const std::string& rest) {
        auto [ref, text] = split_first(rest);
        auto [form, control] = target(need(ref, "a control"));
        std::string want = value_of(text);
        std::string have = control.empty() ? form->caption : form->resolve(control).text;
        if (have != want) throw Failed(ref + " is \"" + have + "\", expected \"" + want + "\"");
    }
    void expect_flag(const std::string& rest, bool enabled) {
        auto [ref, value] = split_first(rest);
        auto [form, control] = target(need(ref, "a control"));
        int want = int(number(need(value, "a value")));
        const auto& c = form->resolve(need(control, "a control"));
        int have = enabled ? int(c.enabled) : c.value;
        if (have != want)
            throw Failed(ref + (enabled ? " enabled is " : " value is ") + std::to_string(have) + ", expected " +
                         std::to_string(want));
    }
    // "FORM.List1 N TEXT": item N (from 0) of a list is exactly TEXT.
    void expect_item(const std::string& rest) {
        auto [ref, tail] = split_first(rest);
        auto [index, text] = split_first(tail);
        auto [form, control] = target(need(ref, "a list"));
        const auto& items = form->resolve(need(control, "a list")).items;
        double n = number(need(index, "an item number"));
        if (n < 0 || n != double(long(n))) throw BadInput("an item number counts from 0: " + index);
        std::string want = value_of(text);
        if (size_t(n) >= items.size())
            throw Failed(ref + " has " + std::to_string(items.size()) + " item(s), no item " + index + listing(items));
        if (items[size_t(n)] != want)
            throw Failed(ref + " item " + index + " is \"" + items[size_t(n)] + "\", expected \"" + want + "\"");
    }
    void expect_count(const std::string& rest) {
        auto [ref, value] = split_first(rest);
        auto [form, control] = target(need(ref, "a list"));
        const auto& items = form->resolve(need(control, "a list")).items;
        long want = long(number(need(value, "a count")));
        if (long(items.size()) != want)
            throw Failed(ref + " has " + std::to_string(items.size()) + " item(s), expected " + value + listing(items));
    }
    static std::string listing(const std::vector<std::string>& items) {
        std::string s;
        for (size_t i = 0; i < items.size() && i < 20; ++i) s += "\n    " + std::to_string(i) + ": " + items[i];
        return s;
    }
    void check_answers() {
        if (input_.failed()) {
            std::string f = input_.failure();
            input_.clear_failure();
            throw Failed(f);
        }
        if (!ui_->failure().empty()) {
            std::string f = ui_->failure();
            ui_->clear_failure();
            throw Failed(f);
        }
    }
};

}  // namespace

int run_scenario(const std::string& file, const ScenarioOptions& options, std::ostream& out, std::ostream& err) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        err << "error: cannot read scenario " << file << "\n";
        return 2;
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    if (!lines.empty() && lines[0].rfind("\xEF\xBB\xBF", 0) == 0) lines[0].erase(0, 3);

    std::unique_ptr<Runner> runner;
    try {
        runner = std::make_unique<Runner>(options, fs::absolute(file).parent_path(), out);
    } catch (const std::exception& e) {
        err << "error: " << e.what() << "\n";
        return 2;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        try {
            runner->run_line(lines[i]);
        } catch (const Failed& e) {
            err << file << ":" << (i + 1) << ": failed: " << e.what() << "\n";
            return 1;
        } catch (const BadInput& e) {
            err << file << ":" << (i + 1) << ": error: " << e.what() << "\n";
            return 2;
        } catch (const common::FormError& e) {
            err << file << ":" << (i + 1) << ": error: " << e.what() << "\n";
            return 2;
        } catch (const std::exception& e) {
            err << file << ":" << (i + 1) << ": error: " << e.what() << "\n";
            return 2;
        }
    }
    runner->finish();
    return 0;
}

int list_controls(const std::string& form, std::ostream& out, std::ostream& err) {
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host(input, transcript);
    common::MemorySettings settings;
    common::RecordingUi ui(settings, common::Paths{});
    panel::Workspace ws(host, ui);
    try {
        auto f = ws.make_form(form);
        for (const auto& c : f->controls()) {
            out << form << "." << c->name << "\t" << common::control_kind_name(c->kind) << "\t" << c->text;
            if (!c->tooltip.empty()) out << "\t[" << c->tooltip << "]";
            if (!c->enabled) out << "\t(disabled)";
            out << "\n";
        }
    } catch (const std::exception& e) {
        err << "error: " << e.what() << "\n";
        return 2;
    }
    return 0;
}

}  // namespace korvane::app
