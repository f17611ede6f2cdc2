#pragma once
// The image settings of the menu form: the image directory menu "目录" (the working directory
// and the three remembered ones) and the tools menu's display and image entries.
#include <functional>
#include <string>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr const char* kNothingRemembered = "...";

// What the directory menu changes besides the settings: the captions of its entries 1 to 3,
// the panel's title, and whoever follows the image directory (the open drawings' images).
struct DirectoryMenuView {
    std::function<void(int entry, const std::string& caption)> set_entry;
    std::function<void(const std::string& path)> set_title;
    std::function<void(const std::string& path)> directory_chosen;
};

// A remembered directory (entries 1 to 3, by their caption) becomes the image directory. An
// entry that still shows "..." remembers nothing and does nothing.
void choose_remembered_directory(common::UiService& ui, const std::string& caption, const DirectoryMenuView& view);

// "选择其它...": browse for a directory; a new one goes to the front of the remembered three.
void choose_other_directory(common::UiService& ui, const DirectoryMenuView& view);

// "改变点显示": points as circles of size 4.
void set_point_display(host::Session& session);
// "设定CAD对话框": the host's file dialogs back on.
void switch_file_dialogs_on(host::Session& session);
// "图像边框显示设定": the host's image-frame setting, asked of the user.
void ask_image_frame(host::Session& session);
// "图像裁剪": clips a picked image to a picked polyline. Any other boundary is refused with a
// message and nothing is sent.
void clip_image_to_polyline(host::Session& session);

// The point list the clip sends for a polyline's coordinates (pairs, or triples when
// `triples`): "x,y\r" a vertex, the first again, and an Enter.
std::string clip_point_text(const std::vector<double>& coordinates, bool triples);

}  // namespace korvane::tools
