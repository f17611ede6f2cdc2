#pragma once
// Saving an open drawing of the embedded host.
#include <string>

#include "drawing/save_report.h"
#include "host/host_document.h"

namespace korvane::host {

// HostDocument::save with the save's report (a .bak that could not be kept): saves to `path`,
// or the drawing's own path, and clears the modified flag. Throws as Document::save does.
drawing::SaveReport save_document(HostDocument& doc, const std::string& path = {});

}  // namespace korvane::host
