#pragma once
// The text of an MTEXT as it reads.
#include <string>

namespace korvane::render {

// Formatting codes removed, \P as line breaks, \U+XXXX as the character.
std::string mtext_plain(const std::string& raw);

}  // namespace korvane::render
