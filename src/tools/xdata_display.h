#pragma once
// Showing the extended data of a picked entity: in a message box with its layer (the panel's
// 显示实体属性) or item by item with type codes on the command line (the tools menu's
// 显示扩展属性). Both skip nothing but what they say.
#include <string>

#include <vector>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr const char* kNoExtendedData = "无扩展数据!";

// The box's text: data items from 1 whose trimmed value is not empty, as "[i] value", then
// the layer.
std::string extended_data_box_text(const host::XData& data, const std::string& layer);
// The command-line lines: every item from 0 as " i  value->code".
std::vector<std::string> extended_data_lines(const host::XData& data);

void show_extended_data_box(host::Session& session);
void print_extended_data(host::Session& session);

}  // namespace korvane::tools
