#pragma once
// Structure checks run after a drawing is read. They repair what can be repaired
// without guessing (a missing table head, an owner that does not exist, a record
// without a handle, a broken layout link, an unregistered application) and report
// what they found or changed, one warning per kind of problem.
#include <cstdint>
#include <string_view>
#include <vector>

#include "document.h"

namespace korvane::drawing {

// What the reader learned on its way through the file, while the text was at hand, so that
// the checks need not visit every tag of a large drawing again.
struct ReadFacts {
    static constexpr uint64_t kNotRead = ~uint64_t(0);
    // Raw names of every application with extended data, each once.
    std::vector<std::string_view> applications;
    // By record: the owner handle (330) of records of the ENTITIES section, 0 when they name
    // none; kNotRead for other records.
    std::vector<uint64_t> entity_owners;
};

// Checks and repairs the drawing; adds warnings to `report` (may be null). `source` is the
// file text the drawing was read from, used only to name lines in the warnings.
void audit(Document& doc, LoadReport* report, std::string_view source = {}, const ReadFacts* facts = nullptr);

}  // namespace korvane::drawing
