#pragma once
// Where the host's prompts get their answers: the drawing window (clicks, typed
// values, Esc) or an answer script (tests, the batch runner).
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"

namespace korvane::host {

enum class InputKind { Entity, Point, String, Real, Integer, Selection, CommandLine };

const char* input_kind_name(InputKind kind);

struct InputRequest {
    InputKind kind = InputKind::String;
    std::string prompt;
    bool allow_spaces = true;
    std::optional<Point> base;
    // At a command-line prompt: what a click there answers, a point (the drawing window shows
    // the snap marker) or objects (the pick box); CommandLine when it may be either.
    InputKind expects = InputKind::CommandLine;
    // The first corner of the box the drawing window draws to the cursor (a window, a rectangle).
    std::optional<Point> box_from;
};

struct InputAnswer {
    enum class Type { Cancel, Enter, Entity, EntityAt, Point, Text, Real, Integer, Selection };
    enum class SelectMode { Handles, All, Window, Crossing };
    Type type = Type::Cancel;
    std::string handle;     // Entity
    Point point;            // EntityAt, Point; first corner of a window selection
    Point corner;           // second corner of a window selection
    std::string text;       // Text (also what a typed answer reads as)
    double real = 0;
    long integer = 0;
    SelectMode select_mode = SelectMode::Handles;
    std::vector<std::string> handles;
    bool shift = false;  // a pick made with Shift held: it takes the object out of a selection

    static InputAnswer cancel() { return {}; }
    static InputAnswer enter() { return of(Type::Enter); }
    static InputAnswer entity(std::string handle) { InputAnswer a = of(Type::Entity); a.handle = std::move(handle); return a; }
    static InputAnswer at(Point p, Type type = Type::Point) { InputAnswer a = of(type); a.point = p; return a; }
    static InputAnswer typed(std::string text) { InputAnswer a = of(Type::Text); a.text = std::move(text); return a; }
    static InputAnswer number(double v) { InputAnswer a = of(Type::Real); a.real = v; return a; }
    static InputAnswer whole(long v) { InputAnswer a = of(Type::Integer); a.integer = v; return a; }
    static InputAnswer selection(std::vector<std::string> handles) {
        InputAnswer a = of(Type::Selection);
        a.handles = std::move(handles);
        return a;
    }
    // A window (wholly inside) or crossing selection between two corners.
    static InputAnswer window(Point first, Point second, bool crossing) {
        InputAnswer a = at(first, Type::Selection);
        a.select_mode = crossing ? SelectMode::Crossing : SelectMode::Window;
        a.corner = second;
        return a;
    }

private:
    static InputAnswer of(Type type) { InputAnswer a; a.type = type; return a; }
};

class InputSource {
public:
    virtual ~InputSource() = default;
    // The next answer for this request; nullopt when none is available (treated as Esc).
    virtual std::optional<InputAnswer> next(const InputRequest& request) = 0;
};

// Answers queued in advance. An answer of the wrong kind, or none when one is needed,
// is recorded as a failure the batch runner reports.
class ScriptInput : public InputSource {
public:
    void push(InputAnswer answer) { queue_.push_back(std::move(answer)); }
    std::optional<InputAnswer> next(const InputRequest& request) override;
    bool failed() const { return !failure_.empty(); }
    const std::string& failure() const { return failure_; }
    void clear_failure() { failure_.clear(); }
    size_t pending() const { return queue_.size() - pos_; }

private:
    std::vector<InputAnswer> queue_;
    size_t pos_ = 0;
    std::string failure_;
};

// The host's command line: prompts, echoes and results, one line each.
class Transcript {
public:
    virtual ~Transcript() = default;
    virtual void line(const std::string& text) = 0;
};

class RecordingTranscript : public Transcript {
public:
    void line(const std::string& text) override { lines_.push_back(text); }
    const std::vector<std::string>& lines() const { return lines_; }
    bool contains(const std::string& fragment) const;
    void clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

}  // namespace korvane::host
