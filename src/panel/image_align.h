#pragma once
// The panel's image housekeeping: align one image by two of its points, send every image
// behind the drawing, remove every image.
#include "host/command_frame.h"

namespace korvane::panel {

inline constexpr const char* kAlignAdvice = "重要提示----->选择图片的两点应尽可能靠近界线的位置，保证转绘的精度";
inline constexpr const char* kSamePointsLine = "两点重合，无法对齐图片。";

// Moves, turns and scales a picked image about its first point so that two of its points land
// on two given positions. A cancelled pick ends the command with the image untouched; two
// points at one place are refused before anything moves.
void align_image(host::Session& session);

// Puts every image of the drawing behind everything else (the draw order is kept in the drawing).
void send_images_to_back(host::Session& session);

// Detaches every image's definition, one detach per image, which takes the images and their
// definitions out of the drawing.
void remove_all_images(host::Session& session);

}  // namespace korvane::panel
