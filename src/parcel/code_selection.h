#pragma once
// Selecting everything that belongs to one unit: every entity of the drawing whose extended
// data holds a text item equal to the unit's code (a township's six characters, a village's
// nine, a group's whole ownership code), gathered in the selection set "text", counted on the
// command line and highlighted in the drawing window.
#include <string>

#include "host/command_frame.h"

namespace korvane::parcel {

inline constexpr const char* kCodeSelectionSet = "text";

// "已选择所有编码为:“C”的实体有:N个" and a line break.
std::string code_selection_line(const std::string& code, long count);

// Re-creates the set "text", fills it with every entity carrying `code` (as given, not
// trimmed), prints the count and highlights the set. An empty code selects nothing (an empty
// text item is not a code). Returns the number selected.
long select_by_code(host::CommandContext& ctx, const std::string& code);

}  // namespace korvane::parcel
