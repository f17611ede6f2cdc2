#include "mapping/watch_file.h"

#include <fstream>

#include "common/maimod.h"
#include "common/text_file.h"

namespace korvane::mapping {

void write_watch_file(const std::filesystem::path& file, const std::vector<std::string>& handles) {
    std::vector<std::string> lines;
    lines.reserve(handles.size());
    for (size_t i = 0; i < handles.size(); ++i) lines.push_back(std::to_string(i + 1) + "," + handles[i]);
    common::write_lines(file, lines);
}

std::optional<std::string> read_watch_handle(const std::filesystem::path& file, long number) {
    if (number < 1) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    // Handles and numbers are ASCII: the lines need no decoding.
    std::string line;
    for (long k = 1; std::getline(in, line); ++k)
        if (k == number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return common::comma_field(line, 2);
        }
    return std::nullopt;
}

}  // namespace korvane::mapping
