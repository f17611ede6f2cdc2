#pragma once
// Structure checks run after a drawing is read. They repair what can be repaired
// without guessing (a missing table head, an owner that does not exist, a record
// without a handle, a broken layout link, an unregistered application) and report
// what they found or changed, one warning per kind of problem.
#include <string_view>
#include <vector>

#include "document.h"

namespace korvane::drawing {

// Checks and repairs the drawing; adds warnings to `report` (may be null). `source` is the
// file text the drawing was read from, used only to name lines in the warnings.
// `applications`, when given, are the raw names of every application with extended data in
// the drawing (the reader collects them); otherwise the checks look for them.
void audit(Document& doc, LoadReport* report, std::string_view source = {},
           const std::vector<std::string_view>* applications = nullptr);

}  // namespace korvane::drawing
