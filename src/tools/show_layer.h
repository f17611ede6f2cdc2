#pragma once
// 只显当前层: the layer of a picked entity becomes current and every other layer goes off.
#include <string>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr const char* kShowLayerPrompt = "只显示该图层:";

// The -layer text: make `layer` current, turn all layers off, keep the current one on.
std::string show_only_layer_command(const std::string& layer);

// A cancelled or empty pick sends nothing.
void show_only_picked_layer(host::Session& session);

}  // namespace korvane::tools
