#pragma once
// The pictures of the main panel's buttons, drawn in code so that they stay
// sharp at any size (made for 24 pixels).
#include <QIcon>

class QPainter;

namespace korvane::ui {

inline constexpr int kPanelIconCount = 16;

// The picture of button `index` (0..15, the panel's order).
QIcon panel_icon(int index);
// Draws it into a square of `size` pixels at the painter's origin.
void paint_panel_icon(QPainter& p, int index, double size);

}  // namespace korvane::ui
