#pragma once
// The window the current view shows, and the panel button that shows that window in every
// open drawing (显示所有文档同一个位置).
#include <optional>
#include <string>

#include "host/command_frame.h"

namespace korvane::tools {

// Lower-left and upper-right corner of a view window.
struct ViewWindow {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const ViewWindow&) const = default;
};

// The window of a view centred at (cx, cy), `height` drawing units high, on a screen of
// w x h pixels: as wide as the screen's proportions make it.
ViewWindow view_window(double cx, double cy, double height, double screen_w, double screen_h);

// The active view's window from the host variables VIEWCTR, VIEWSIZE and SCREENSIZE;
// nothing when the host does not give them.
std::optional<ViewWindow> current_view_window(host::Document& doc);

// "x1,y1,x2,y2", each number in the plain number form (how the panel keeps a window).
std::string window_text(const ViewWindow& w);
// The window back from its text; nothing unless all four fields are there.
std::optional<ViewWindow> parse_window_text(const std::string& text);

// Zooms every open drawing, in the host's order, to the active drawing's view window; the
// last drawing stays active.
void same_window_in_all_drawings(host::Session& session);

}  // namespace korvane::tools
