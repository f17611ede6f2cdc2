#pragma once
// Two drawing aids at the end of the tools menu: 修改线宽度 gives the polylines the user
// selects one constant width, 绘正四边形 starts the host's rectangle command.
#include <string>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr const char* kNoPolylineSelected = "没有选择任何线型！";
inline constexpr const char* kWidthPrompt = "输入要修改的线宽值:";
inline constexpr const char* kWidthChanged = "已修改线型宽度为：";
inline constexpr const char* kNegativeWidth = "线宽不能为负，未修改。";

// A cancelled width changes nothing; so does a negative one, which no polyline can have.
void change_line_width(host::Session& session);
void draw_square(host::Session& session);

}  // namespace korvane::tools
