#pragma once
// The submenu 实体选择 of the tools menu: gathering the entities of one kind into the
// selection set "text" for the host commands the user runs next. Five entries filter by
// type and let the user select, 颜色 filters by a picked entity's colour, 图层 takes every
// entity on a picked entity's layer, and 编码 hands a feature code to the add-on's MSSX.
#include <string>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr const char* kSelectionDone = "已完成选择!";
inline constexpr const char* kColourPrompt = "选择实体颜色后选择实体:";
inline constexpr const char* kLayerPrompt = "选择图层:";
inline constexpr const char* kCodePrompt = "输入属性编码(回车选择实体):";

// The type entries' filters (group 0).
inline constexpr const char* kPolylineTypes = "polyline,lwpolyline";
inline constexpr const char* kLineType = "line";
inline constexpr const char* kTextType = "text";
inline constexpr const char* kBlockType = "insert";
inline constexpr const char* kPointType = "point";

// A name as a filter pattern that matches exactly that name: the characters a filter reads
// as wildcards are quoted.
std::string literal_pattern(const std::string& name);
// The layer entry's closing line.
std::string layer_selection_line(const std::string& layer, long count);
// The text sent to select by a feature code.
std::string code_selection_command(const std::string& code);

// The user selects on screen, only entities of the listed types count.
void select_by_type(host::Session& session, const std::string& types);
void select_by_colour(host::Session& session);
// A failed pick ends without a selection.
void select_by_layer(host::Session& session);
// Typed, or (on an empty answer) the picked entity's feature code.
void select_by_code(host::Session& session);

}  // namespace korvane::tools
