#pragma once
// Small pieces the neighbour fill and the survey-table export share: a named selection set
// made afresh, and a progress shown for the length of a loop.
#include <string>

#include "common/ui_service.h"
#include "host/command_frame.h"
#include "host/host.h"

namespace korvane::parcel {

// Deletes the document's selection set of that name if there is one and adds it again
// (empty); null when the host refuses.
host::SelectionSetPtr fresh_selection_set(host::Document& doc, const std::string& name);

// Frame options naming the command's undo step.
inline host::FrameOptions undo_step(const char* name) {
    host::FrameOptions options;
    options.undo_name = name;
    return options;
}

// Shows a progress with a Cancel button while it lives.
class ProgressScope {
public:
    ProgressScope(common::UiService& ui, const std::string& title, long total) : ui_(ui) {
        ui_.begin_progress(title, total);
    }
    ~ProgressScope() { ui_.end_progress(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    // False once the user cancelled.
    bool step(long done) { return ui_.progress(done); }

private:
    common::UiService& ui_;
};

}  // namespace korvane::parcel
