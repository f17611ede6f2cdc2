#pragma once
// Plain text files as the system's Windows peers read and write them: GBK
// with CR LF line ends. Reading also accepts UTF-8, with or without a byte
// order mark. Failures are FileError (common/file_io.h).
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_io.h"

namespace korvane::common {

enum class TextEncoding {
    Gbk,      // code page 936
    Utf8,     // UTF-8 without byte order mark
    Utf8Bom,  // UTF-8 starting with EF BB BF
};

// Which encoding a file's bytes are in: a UTF-8 byte order mark means UTF-8;
// otherwise well-formed UTF-8 that holds at least one non-ASCII character is
// UTF-8; everything else (pure ASCII included) is GBK.
TextEncoding detect_encoding(std::string_view bytes);

// Bytes of a text file to UTF-8, by the detected encoding (byte order mark
// removed). Bytes that are not GBK become U+FFFD.
std::string decode_text(std::string_view bytes, TextEncoding* detected = nullptr);

// Splits text into lines. CR LF, a lone LF and a lone CR each end a line; a
// line end at the very end does not start another line; an empty text has no
// lines. Empty lines in between are kept.
std::vector<std::string> split_lines(std::string_view text);

struct TextFile {
    std::vector<std::string> lines;  // UTF-8, without line ends
    TextEncoding encoding = TextEncoding::Gbk;
};

// Reads a text file as lines (see split_lines). Missing or unreadable file:
// FileError.
TextFile read_text_file(const std::filesystem::path& path);
std::vector<std::string> read_lines(const std::filesystem::path& path);

// Writes the lines, each followed by CR LF, replacing the file (atomically:
// on failure the old content stays). With GBK, a character GBK cannot hold
// is refused before anything is written: FileError whose reason names the
// character and its line ("line 3: character 😀 (U+1F600) has no GBK code").
void write_lines(const std::filesystem::path& path, const std::vector<std::string>& lines,
                 TextEncoding encoding = TextEncoding::Gbk);

}  // namespace korvane::common
