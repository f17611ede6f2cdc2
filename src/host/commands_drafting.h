#pragma once
// The drafting commands of the command line — drawing (commands_draw.cpp), changing
// (commands_modify.cpp, commands_trim.cpp) and asking the drawing (commands_inquiry.cpp) — and
// the prompts they share.
#include <optional>
#include <string>
#include <vector>

#include "drawing/curves.h"
#include "host/commands.h"

namespace korvane::host {

// ---- drawing
void cmd_line(CommandContext& c);       // LINE
void cmd_pline(CommandContext& c);      // PLINE
void cmd_point(CommandContext& c);      // POINT
void cmd_circle(CommandContext& c);     // CIRCLE
void cmd_arc(CommandContext& c);        // ARC
void cmd_text(CommandContext& c);       // TEXT, DTEXT

// ---- changing
void cmd_erase(CommandContext& c);      // ERASE
void cmd_move(CommandContext& c);       // MOVE
void cmd_copy(CommandContext& c);       // COPY
void cmd_rotate(CommandContext& c);     // ROTATE
void cmd_scale(CommandContext& c);      // SCALE
void cmd_mirror(CommandContext& c);     // MIRROR
void cmd_offset(CommandContext& c);     // OFFSET
void cmd_explode(CommandContext& c);    // EXPLODE
void cmd_join(CommandContext& c);       // JOIN
void cmd_pedit(CommandContext& c);      // PEDIT
void cmd_matchprop(CommandContext& c);  // MATCHPROP
void cmd_break(CommandContext& c);      // BREAK
void cmd_trim(CommandContext& c);       // TRIM
void cmd_extend(CommandContext& c);     // EXTEND

// ---- asking
void cmd_list(CommandContext& c);       // LIST
void cmd_id(CommandContext& c);         // ID
void cmd_dist(CommandContext& c);       // DIST
void cmd_area(CommandContext& c);       // AREA

// ---- shared prompts

// One object picked at a prompt that also takes keywords: a click (not snapped: it names an
// object), a handle, or typed coordinates. `point` is where it was picked, when known.
struct Pick {
    enum Kind { Object, Nothing, Keyword, Enter, Cancel };
    Kind kind = Cancel;
    drawing::RecordId id = drawing::kNoRecord;
    std::optional<Point> point;
    int keyword = -1;
    bool shift = false;  // picked with Shift held
};
Pick pick_object(CommandContext& c, const std::string& prompt, const std::vector<std::string>& keywords = {});

// A prompt taking a number, or a point whose distance (or direction) from `base` gives it.
Accept length_or_point(const Point& base);

// A point; nullopt on Enter or cancel.
std::optional<Point> ask_point(CommandContext& c, const std::string& prompt, std::optional<Point> base = std::nullopt);

// Lengths and coordinates as the command line shows them (four decimals).
std::string format_length(double value);
drawing::Point3 to_point3(const Point& p);
drawing::Point2 to_point2(const Point& p);

// The segments of these entities' curves, but for `except`'s; with `near`, only those whose
// box meets it.
std::vector<drawing::Segment> edge_segments(CommandContext& c, const std::vector<drawing::RecordId>& ids,
                                            drawing::RecordId except, const drawing::Box2* near = nullptr);

}  // namespace korvane::host
