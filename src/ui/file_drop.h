#pragma once
// Files dragged from a file manager onto a widget.
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace korvane::ui {

// Makes `target` take drops that carry local files and hand their paths, in the order dragged,
// to `on_drop`. Drops of anything else are refused.
void accept_file_drops(QWidget* target, std::function<void(const std::vector<std::string>& files)> on_drop);

}  // namespace korvane::ui
