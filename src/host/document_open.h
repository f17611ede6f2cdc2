#pragma once
// Opening a drawing for the embedded host, in two halves: reading it and building what the
// host needs of it (its spatial index, its model space), which needs no host and may run on a
// thread of its own; then EmbeddedHost::adopt on the host's thread.
#include <memory>
#include <string>
#include <vector>

#include "drawing/document.h"
#include "host/host_document.h"

namespace korvane::host {

// Reads the drawing at `path`. `progress` hears how far it has come (0 to 1) and may stop it.
// Throws drawing::DxfError on bad input and drawing::LoadCancelled when stopped.
std::unique_ptr<HostDocument> read_document(const std::string& path, std::vector<std::string>* warnings = nullptr,
                                            const drawing::LoadProgress& progress = {});

}  // namespace korvane::host
