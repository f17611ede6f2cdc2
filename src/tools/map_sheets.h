#pragma once
// Map sheets of 1000 x 1000 drawing units. 图面图幅编号 writes a row-column number ("01-02")
// four times into every whole sheet of an area, counting rows down from its top edge and
// columns right from its left edge; 对齐布局【打印】 zooms onto the kilometre sheet that holds a
// picked point, so that a plot of the view covers one sheet.
#include <string>
#include <vector>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr double kSheetSize = 1000;
inline constexpr double kSheetTextHeight = 8;
inline constexpr const char* kLowerLeftPrompt = "所有图幅的左下角：";
inline constexpr const char* kUpperRightPrompt = "所有图幅的右上角：";
inline constexpr const char* kSheetPointPrompt = "\r\n图幅内点:";

// "00-00": row, then column.
std::string sheet_number(long row, long column);

struct SheetLabel {
    std::string text;
    double x = 0, y = 0;  // insertion point (left end of the base line)
};
// The labels of every whole sheet between the two corners, row by row, four per sheet
// (top left, top right, bottom left, bottom right, 20 units in from the sheet's edges).
std::vector<SheetLabel> sheet_labels(const host::Point& lower_left, const host::Point& upper_right);

// The Zoom text that shows the kilometre sheet holding the point.
std::string sheet_zoom_command(const host::Point& p);

// A cancelled point ends either command with nothing written or zoomed.
void number_sheets(host::Session& session);
void align_layout(host::Session& session);

}  // namespace korvane::tools
