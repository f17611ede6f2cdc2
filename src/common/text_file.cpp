#include "common/text_file.h"

#include "common/text.h"

namespace korvane::common {

namespace {
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string character_at(std::string_view text, size_t position) { return mid(text, position, 1); }
}  // namespace

TextEncoding detect_encoding(std::string_view bytes) {
    if (bytes.substr(0, 3) == kBom) return TextEncoding::Utf8Bom;
    bool non_ascii = false;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            non_ascii = true;
            break;
        }
    if (non_ascii && is_valid_utf8(bytes)) return TextEncoding::Utf8;
    return TextEncoding::Gbk;
}

std::string decode_text(std::string_view bytes, TextEncoding* detected) {
    TextEncoding enc = detect_encoding(bytes);
    if (detected) *detected = enc;
    switch (enc) {
    case TextEncoding::Utf8Bom: {
        std::string_view body = bytes.substr(3);
        if (is_valid_utf8(body)) return std::string(body);
        // A byte order mark before bytes that are not UTF-8: keep what is
        // readable, mark the rest.
        std::string out;
        for (char32_t cp : to_code_points(body)) append_utf8(out, cp);
        return out;
    }
    case TextEncoding::Utf8:
        return std::string(bytes);
    case TextEncoding::Gbk:
        break;
    }
    return gbk_to_utf8(bytes);
}

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0, i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

TextFile read_text_file(const std::filesystem::path& path) {
    TextFile f;
    std::string text = decode_text(read_file_bytes(path), &f.encoding);
    f.lines = split_lines(text);
    return f;
}

std::vector<std::string> read_lines(const std::filesystem::path& path) { return read_text_file(path).lines; }

void write_lines(const std::filesystem::path& path, const std::vector<std::string>& lines, TextEncoding encoding) {
    std::string bytes;
    if (encoding == TextEncoding::Utf8Bom) bytes.append(kBom);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (encoding == TextEncoding::Gbk) {
            try {
                bytes += utf8_to_gbk(lines[i]);
            } catch (const GbkEncodeError& e) {
                throw FileError("无法写入", path,
                                "line " + std::to_string(i + 1) + ": character " + character_at(lines[i], e.char_position()) +
                                    " (" + code_point_name(e.code_point()) + ") has no GBK code");
            }
        } else {
            bytes += lines[i];
        }
        bytes += "\r\n";
    }
    write_file_atomically(path, bytes);
}

}  // namespace korvane::common
