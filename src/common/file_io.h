#pragma once
// Whole-file reading and writing. A file that cannot be read or written is a
// FileError the caller sees; nothing here returns an empty result instead.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane::common {

class FileError : public std::runtime_error {
public:
    // what(): "<action> <path>: <reason>", e.g. "cannot read /x/a.txt: No such file or directory".
    FileError(std::string action, const std::filesystem::path& path, std::string reason);
    const std::filesystem::path& path() const { return path_; }
    const std::string& reason() const { return reason_; }

private:
    std::filesystem::path path_;
    std::string reason_;
};

// The file's bytes. Missing, unreadable or a directory: FileError.
std::string read_file_bytes(const std::filesystem::path& path);

// Replaces the file's content: writes a temporary file in the same folder,
// flushes it to disk and renames it over the target, so that a failure never
// leaves a half-written file (the old content stays). An existing file keeps
// its permission bits. The folder must exist. Failure: FileError.
void write_file_atomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace korvane::common
