#pragma once
// The image-insertion menu "影像插入": many tiles at once, each at its true place (its sheet's
// lower-left corner, 1000 units wide).
//
//   按序列文件    the tiles a text file lists, "2543.00,548.00" a line (the fields are the
//                 name's two parts as they stand); stops at the first missing tile
//   图上指定范围  every tile of the kilometre sheets between two picked corners; tiles that
//                 are not there are passed over
#include "host/command_frame.h"
#include "mapping/tile_names.h"

namespace korvane::mapping {

inline constexpr const char* kLowerLeftPrompt = "左下角：";
inline constexpr const char* kUpperRightPrompt = "右上角：";
inline constexpr const char* kCornersWrongMessage = "左下角和右上角选择错误。";

void insert_tiles_from_list(host::Session& session, const TileSource& tiles);
void insert_tiles_in_range(host::Session& session, const TileSource& tiles);

}  // namespace korvane::mapping
