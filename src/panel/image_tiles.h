#pragma once
// The panel's image-tile commands: insert the tile under a picked point (again and again),
// copy the tiles a list names from one folder to another, and insert a file dropped on the
// panel at the centre of the view.
#include <string>
#include <vector>

#include "host/command_frame.h"
#include "mapping/tile_names.h"

namespace korvane::panel {

inline constexpr const char* kTilePointPrompt = "\r\n图幅内点:";
inline constexpr const char* kNoTileMessage =
    "在区域之外、没有指定工作目录或文件名称不正确！\r\n1.设定图像所在的目录。\r\n2.图像名称例：2354.00-543.25.jpg[tif]";
inline constexpr double kDroppedImageScale = 2961.5;

// Inserts the tile of the sheet under each picked point until a point lies in a sheet without
// a tile (the "错误" message) or the user presses Esc.
void insert_tile_at_points(host::Session& session, const mapping::TileSource& tiles);

// Copies the tiles a list file names ("2543.00,548.00" a line) from a source to a target folder.
void copy_listed_tiles(host::Session& session, const std::string& extension);

// Inserts the first of the dropped files as an image at the view's centre; the others are
// ignored. A file that cannot be read as an image is named on the command line.
void insert_dropped_file(host::Session& session, const std::vector<std::string>& files);

}  // namespace korvane::panel
