#pragma once
// The batch-modify list ("watch.txt"): one line per selected entity, "N,HANDLE" with N counting
// from 1, in the order the selection gave them. The form keeps only its position in the list;
// each move to the next entity reads the file again, so a list of any length costs no memory.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane::mapping {

// Replaces the file with the list of handles (GBK, CR LF). Failure: common::FileError.
void write_watch_file(const std::filesystem::path& file, const std::vector<std::string>& handles);

// The handle on line `number` (from 1): its second comma field, trimmed. Nothing when the
// file cannot be read or has fewer lines.
std::optional<std::string> read_watch_handle(const std::filesystem::path& file, long number);

}  // namespace korvane::mapping
