#pragma once
// Opening a drawing without stopping the window: the drawing is read, and its index built, on a
// thread of its own while the window goes on answering; past a moment a progress dialog with
// Cancel shows how far the reading has come.
#include <QString>

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace korvane::host {
class HostDocument;
}

namespace korvane::ui {

// The drawing read, for EmbeddedHost::adopt; null when Cancel was pressed. Throws what reading
// threw (drawing::DxfError on bad input).
std::unique_ptr<host::HostDocument> read_in_background(QWidget* parent, const QString& path,
                                                       std::vector<std::string>* warnings);

}  // namespace korvane::ui
