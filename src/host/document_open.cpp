#include "host/document_open.h"

#include "drawing/spatial_index.h"

namespace korvane::host {

std::unique_ptr<HostDocument> read_document(const std::string& path, std::vector<std::string>* warnings,
                                            const drawing::LoadProgress& progress) {
    // Reading the file is most of the work; the index the rest.
    constexpr double kReading = 0.8;
    drawing::LoadReport report;
    drawing::LoadProgress reading;
    if (progress) reading = [&](double read) { return progress(read * kReading); };
    auto doc = std::make_unique<HostDocument>(drawing::Document::load(path, &report, reading), path);
    if (progress && !progress(kReading)) throw drawing::LoadCancelled();
    doc->modelspace();
    doc->index();
    if (progress) progress(1);
    if (warnings) *warnings = std::move(report.warnings);
    return doc;
}

}  // namespace korvane::host
