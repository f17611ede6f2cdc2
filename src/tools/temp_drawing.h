#pragma once
// Carrying linework from one drawing to another: 创建临时块 writes the entities the user
// selects into the temporary drawing (TempDwg.dxf in the output directory) with their layers,
// blocks and extended data, and remembers the view window; 插入临时块 brings them back
// exploded at their own coordinates into the active drawing and shows that window again.
#include <string>

#include "host/command_frame.h"

namespace korvane::tools {

// What the panel keeps between the two buttons, for the life of the program.
struct TempDrawingState {
    // "x1,y1,x2,y2" of the view shown when the temporary drawing was written ("" before).
    std::string saved_window;
};

// The temporary drawing as the host commands name it (forward slashes).
std::string temp_drawing_path(const common::Paths& paths);

// The command text that writes the selection to `path` ("Y" confirms replacing a file).
std::string wblock_command(const std::string& path, bool exists);
// The command text that inserts `path` exploded at 0,0, scale 1.
std::string insert_command(const std::string& path);

void write_temp_drawing(host::Session& session, TempDrawingState& state);
void insert_temp_drawing(host::Session& session, const TempDrawingState& state);

}  // namespace korvane::tools
