#pragma once
// Inside the command interpreter: the context one command runs in (its prompts,
// object selection and the drawing it works on) and the commands themselves, one
// function each, grouped in commands_*.cpp.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "drawing/document.h"
#include "host/command_input.h"
#include "host/embedded_host.h"
#include "host/host_document.h"

namespace korvane::host {

// What a prompt takes.
struct Accept {
    bool point = false;
    bool real = false;     // any number
    bool integer = false;  // whole numbers only (when `real` is false)
    bool text = false;     // any other text (a word, or the whole line with `whole_line`)
    bool whole_line = false;
    std::vector<std::string> keywords;  // CAD style: capitals mark the short form
    // The point a point prompt draws its rubber band from: ortho and a typed distance follow it,
    // and a perpendicular snap is dropped from it.
    std::optional<host::Point> base;
    // The first corner of a box the drawing window draws to the cursor (a window, a rectangle);
    // unlike `base` it changes nothing about the point given.
    std::optional<host::Point> box_from;

    static Accept points() { Accept a; a.point = true; return a; }
    static Accept reals() { Accept a; a.real = true; return a; }
    static Accept integers() { Accept a; a.integer = true; return a; }
    static Accept words(std::vector<std::string> kw) { Accept a; a.keywords = std::move(kw); return a; }
    static Accept line() { Accept a; a.text = true; a.whole_line = true; return a; }
    Accept& with(std::vector<std::string> kw) { keywords = std::move(kw); return *this; }
    Accept& from(std::optional<host::Point> b) { base = b; return *this; }
    Accept& box(std::optional<host::Point> corner) { box_from = corner; return *this; }
};

// The answer to a prompt.
struct Answer {
    enum Kind { Enter, Cancel, Point, Real, Keyword, Text };
    Kind kind = Cancel;
    host::Point point;
    double real = 0;
    int keyword = -1;  // index into Accept::keywords
    std::string text;  // as typed (also for points, numbers and keywords)

    bool enter() const { return kind == Enter; }
    bool cancel() const { return kind == Cancel; }
    bool is(int kw) const { return kind == Keyword && keyword == kw; }
};

// Settings a command remembers for its next run (CAD programs offer them as defaults).
struct InterpreterState {
    double hatch_angle = 0;
    double hatch_spacing = 1;
    bool hatch_double = false;
    double rect_length = 10, rect_width = 10, rect_width_line = 0;
    double insert_scale = 1;
    std::map<const HostDocument*, std::vector<View>> zoom_history;
    std::optional<Point> last_point;
    // The drafting commands' defaults.
    double pline_width = 0;
    double circle_radius = 1;
    double offset_distance = -1;  // below 0: through a point
    std::string text_style = "Standard";
    double text_rotation = 0;
    int text_h = 0, text_v = 0;
};

class CommandContext {
public:
    CommandContext(EmbeddedHost& host, HostDocument& doc, CommandInput& in, InterpreterState& state,
                   std::string name)
        : host(host), doc(doc), in(in), state(state), name(std::move(name)) {}

    EmbeddedHost& host;
    HostDocument& doc;
    CommandInput& in;
    InterpreterState& state;
    const std::string name;  // the command's canonical name ("-LAYER")

    drawing::Document& dwg() { return doc.doc(); }
    void print(const std::string& line) { host.print(line); }

    // Asks until an acceptable answer, an Enter or a cancel comes; prints the prompt with the
    // answer as one line, and a short message for an answer the prompt does not take.
    Answer ask(const std::string& prompt, const Accept& accept);
    // A yes/no question; Enter gives `fallback`; nullopt on cancel.
    std::optional<bool> ask_yes_no(const std::string& prompt, bool fallback);
    // A number with a default shown in the prompt; Enter keeps it. nullopt on cancel.
    std::optional<double> ask_real(const std::string& prompt, double fallback, bool positive = false);

    // An object selection ("选择对象:"), repeated until Enter. Takes (handent "2F"), picks,
    // Window/Crossing corners, Last, Previous, ALL, WPolygon/CPolygon, Add/Remove/Undo and the
    // input source's selections. The result becomes the previous selection. nullopt on cancel.
    std::optional<std::vector<drawing::RecordId>> select_objects(const std::string& prompt = "选择对象:");
    // One entity for a single-pick prompt; kNoRecord when the answer names none (or Enter);
    // nullopt on cancel.
    std::optional<drawing::RecordId> pick_one(const std::string& prompt);

    // The entity a (handent "..") expression or a handle names, when it is a live entity.
    drawing::RecordId entity_of_handle(const std::string& handle);
    // The last entity of model space, or kNoRecord.
    drawing::RecordId last_entity();
    // The current layer (CLAYER), "0" when not set.
    std::string current_layer();
    // Pick tolerance in drawing units (a few pixels of the current view).
    double pick_tolerance();

    // Set by commands that changed what a view shows without changing the drawing.
    bool redraw = false;

private:
    std::string invalid_message(const Accept& accept) const;
};

// ---- the commands ----
void cmd_layer(CommandContext& c);         // -LAYER
void cmd_hatch(CommandContext& c);         // HATCH (command-line form)
void cmd_boundary(CommandContext& c);      // -BOUNDARY
void cmd_imageclip(CommandContext& c);     // IMAGECLIP
void cmd_image(CommandContext& c);         // -IMAGE
void cmd_draworder(CommandContext& c);     // DRAWORDER
void cmd_insert(CommandContext& c);        // -INSERT
void cmd_wblock(CommandContext& c);        // -WBLOCK
void cmd_rectang(CommandContext& c);       // RECTANG
void cmd_zoom(CommandContext& c);          // ZOOM
void cmd_redraw(CommandContext& c);        // REDRAW, REGEN
void cmd_setvar(CommandContext& c);        // SETVAR
void cmd_mssx(CommandContext& c);          // MSSX
void cmd_undo(CommandContext& c);          // UNDO
void cmd_u(CommandContext& c);             // U
void cmd_redo(CommandContext& c);          // REDO
// A system variable typed as a command: shows its value and takes a new one.
void run_system_variable(CommandContext& c, const std::string& variable);

}  // namespace korvane::host
