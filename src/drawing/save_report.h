#pragma once
// Saving a drawing with word of what the save could not do besides writing it.
#include <string>

#include "drawing/document.h"

namespace korvane::drawing {

struct SaveReport {
    // Why the previous file was not kept as NAME.bak (the .bak's path and the reason); empty
    // when it was, or when there was no previous file.
    std::string backup_problem;
};

// Document::save, and what it could not do: a .bak that cannot be kept does not stop the save
// (the drawing is written, the previous file replaced) and is named in the report. Every save
// the user starts goes through this, so that the user hears of it.
SaveReport save_drawing(const Document& doc, const std::string& path);

}  // namespace korvane::drawing
