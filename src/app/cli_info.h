#pragma once
#include <map>
#include <ostream>
#include <string>

#include "drawing/document.h"

namespace korvane::app {

// Entity counts by type over model space, paper space and blocks.
std::map<std::string, size_t> entity_counts(const drawing::Document& doc);
void print_counts(std::ostream& out, const drawing::Document& doc);
void print_info(std::ostream& out, const drawing::Document& doc);

}  // namespace korvane::app
