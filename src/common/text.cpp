#include "common/text.h"

#include "common/utf8_scan.h"

namespace korvane::common {

size_t length(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); i += utf8_char_len(s, i)) ++n;
    return n;
}

// Byte offset of character `index` (0-based); s.size() when past the end.
static size_t byte_offset(std::string_view s, size_t index) {
    size_t i = 0;
    while (index > 0 && i < s.size()) {
        i += utf8_char_len(s, i);
        --index;
    }
    return i;
}

std::string left(std::string_view s, size_t n) { return std::string(s.substr(0, byte_offset(s, n))); }

std::string right(std::string_view s, size_t n) {
    size_t total = length(s);
    if (n >= total) return std::string(s);
    return std::string(s.substr(byte_offset(s, total - n)));
}

std::string mid(std::string_view s, size_t start, size_t count) {
    if (start < 1) throw std::invalid_argument("mid: character positions start at 1");
    size_t from = byte_offset(s, start - 1);
    std::string_view rest = s.substr(from);
    if (count == std::string_view::npos) return std::string(rest);
    return std::string(rest.substr(0, byte_offset(rest, count)));
}

std::string trim_left(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && s[b] == ' ') ++b;
    return std::string(s.substr(b));
}

std::string trim_right(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && s[e - 1] == ' ') --e;
    return std::string(s.substr(0, e));
}

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::string to_upper_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string to_lower_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool iequals_ascii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::vector<std::string> split(std::string_view s, std::string_view separator) {
    std::vector<std::string> fields;
    if (s.empty()) return fields;
    if (separator.empty()) {
        fields.emplace_back(s);
        return fields;
    }
    size_t pos = 0;
    while (true) {
        size_t hit = s.find(separator, pos);
        if (hit == std::string_view::npos) {
            fields.emplace_back(s.substr(pos));
            return fields;
        }
        fields.emplace_back(s.substr(pos, hit - pos));
        pos = hit + separator.size();
    }
}

std::string replace_all(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t pos = 0;
    while (true) {
        size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::u32string to_code_points(std::string_view s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        size_t n = utf8_char_len(s, i);
        out.push_back(utf8_decode_at(s, i, n));
        i += n;
    }
    return out;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::vector<std::string> characters(std::string_view s) {
    std::vector<std::string> out;
    for (size_t i = 0; i < s.size();) {
        size_t n = utf8_char_len(s, i);
        out.emplace_back(s.substr(i, n));
        i += n;
    }
    return out;
}

bool is_valid_utf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        if (!utf8_well_formed_at(s, i)) return false;
        i += utf8_char_len(s, i);
    }
    return true;
}

std::string code_point_name(char32_t cp) {
    static const char* hex = "0123456789ABCDEF";
    std::string digits;
    for (uint32_t v = cp; v != 0; v >>= 4) digits.insert(digits.begin(), hex[v & 0xF]);
    while (digits.size() < 4) digits.insert(digits.begin(), '0');
    return "U+" + digits;
}

}  // namespace korvane::common
