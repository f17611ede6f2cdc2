#pragma once
// The command line's input stream. Sent or typed text is read like keystrokes:
// CR, LF and CR LF are one Enter each; at every prompt except a text prompt a
// blank is an Enter too; `(handent "2F")` and other parenthesised expressions are
// read whole (blanks inside included). When the text runs out in the middle of a
// command, the next answer comes from the input source.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "host/input_source.h"

namespace korvane::host {

struct CommandToken {
    enum class Kind {
        Enter,      // an Enter (or a blank at a prompt that does not take blanks)
        Cancel,     // Esc, or no answer available
        Text,       // typed text, not yet interpreted
        Point,      // a point given by the input source
        Real,       // a number given by the input source
        Entity,     // an entity named by handle by the input source
        EntityAt,   // an entity picked at a point by the input source
        Selection,  // a whole selection given by the input source
    };
    Kind kind = Kind::Enter;
    std::string text;   // Text; for answers of the source, their text form
    Point point;        // Point, EntityAt
    double real = 0;    // Real
    std::string handle; // Entity
    InputAnswer answer; // Selection (and the answer a source token came from)
    bool from_source = false;
};

class CommandInput {
public:
    CommandInput(std::string text, InputSource& source);

    // At the command prompt: the next command word, "" for an Enter or a blank,
    // nullopt when the text is used up (the input source is not asked then).
    std::optional<std::string> next_command();

    // The answer to a prompt. `whole_line`: a text prompt, which reads up to the end of the
    // line, blanks included (an empty line is an Enter). Asks the input source, with
    // InputKind::CommandLine and this prompt, when the text is used up.
    // `expects`, `base` and `box_from` go with the request to the input source (the drawing
    // window's marker, rubber band and rubber box).
    CommandToken next(const std::string& prompt, bool whole_line = false, InputKind expects = InputKind::CommandLine,
                      std::optional<Point> base = std::nullopt, std::optional<Point> box_from = std::nullopt);

    // Drops what is left of the text (after an unknown command, an error or a cancel).
    void drop_rest() { pos_ = text_.size(); }
    // Decimals of the points echoed for clicks (the drawing's LUPREC); below 0: as many as needed.
    void set_point_decimals(int decimals) { point_decimals_ = decimals; }
    bool at_end() const { return pos_ >= text_.size(); }
    // What is left of the text (for tests and messages).
    std::string_view rest() const { return std::string_view(text_).substr(pos_); }

private:
    std::string text_;
    size_t pos_ = 0;
    InputSource* source_;
    int point_decimals_ = -1;

    bool is_line_end(size_t i) const { return i < text_.size() && (text_[i] == '\r' || text_[i] == '\n'); }
    void skip_enter();              // one CR, LF or CR LF at pos_
    std::string read_word();        // up to a blank or line end; consumes that terminator
    std::string read_expression();  // a balanced ( ... ) and the terminator after it
    std::string read_line();        // up to the line end; consumes it
};

// ---- parsing of typed answers ----

// A number as typed at a CAD prompt: optional sign, digits, decimal point, exponent;
// the whole text must be the number (no blanks, no "inf" or "nan").
std::optional<double> parse_real(std::string_view text);
std::optional<long long> parse_integer(std::string_view text);
// "x,y" or "x,y,z"; "@dx,dy[,dz]" relative to `last` (rejected when `last` is null); polar
// "d<angle" and "@d<angle" (degrees, counter-clockwise from the x axis); "@" alone is `last`.
std::optional<Point> parse_point(std::string_view text, const Point* last = nullptr);

// Matches typed text against the keywords of a prompt. Keywords are written as CAD
// programs show them: the capital letters are the short form ("Set" takes "s", "LOck"
// takes "lo", "stAte" takes "a"). Accepted, without regard to case: the whole keyword, its
// short form, a prefix of it at least as long as its leading capitals, or else any prefix
// that fits exactly one keyword. Returns the keyword's index, or -1.
int match_keyword(std::string_view text, const std::vector<std::string>& keywords);

// The handle named by a `(handent "2F")` expression (blanks and case as typed); nullopt
// when the text is not such an expression.
std::optional<std::string> parse_handent(std::string_view text);

// Text of a number as the command line echoes it (up to 15 significant digits, no trailing zeros).
std::string format_number(double value);
std::string format_point(const Point& p, bool with_z = false);
// A point as the command line echoes it: x,y with `decimals` decimals each (LUPREC).
std::string format_point_fixed(const Point& p, int decimals);

// Wildcard match of CAD name lists: `*` any run, `?` one character (UTF-8 code point),
// `#` one digit, `@` one letter, `~` at the start negates, a backquote escapes the next
// character; letters compared without regard to case.
bool wildcard_match(std::string_view pattern, std::string_view name);
// True when the name fits any pattern of the comma-separated list.
bool wildcard_list_match(std::string_view patterns, std::string_view name);

}  // namespace korvane::host
