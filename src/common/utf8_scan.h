#pragma once
// Internal: stepping through UTF-8 one character at a time. A byte that does
// not start a well-formed sequence is a character of its own (length 1).
#include <cstdint>
#include <string_view>

namespace korvane::common {

// Length of the well-formed sequence starting at s[i]: 1 to 4, or 0 if none.
inline size_t utf8_sequence_len(std::string_view s, size_t i) {
    auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = b(i);
    size_t avail = s.size() - i;
    auto cont = [&](size_t k) { return (b(k) & 0xC0) == 0x80; };
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return (avail >= 2 && cont(i + 1)) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (avail < 3 || !cont(i + 1) || !cont(i + 2)) return 0;
        unsigned char c1 = b(i + 1);
        if (c == 0xE0 && c1 < 0xA0) return 0;  // overlong
        if (c == 0xED && c1 >= 0xA0) return 0;  // surrogates
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (avail < 4 || !cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return 0;
        unsigned char c1 = b(i + 1);
        if (c == 0xF0 && c1 < 0x90) return 0;  // overlong
        if (c == 0xF4 && c1 >= 0x90) return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

inline bool utf8_well_formed_at(std::string_view s, size_t i) { return utf8_sequence_len(s, i) != 0; }

inline size_t utf8_char_len(std::string_view s, size_t i) {
    size_t n = utf8_sequence_len(s, i);
    return n == 0 ? 1 : n;
}

// The code point of the n-byte character at s[i]; U+FFFD for a malformed byte.
inline char32_t utf8_decode_at(std::string_view s, size_t i, size_t n) {
    auto b = [&](size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[k])); };
    if (utf8_sequence_len(s, i) == 0) return 0xFFFD;
    switch (n) {
    case 1: return b(i);
    case 2: return ((b(i) & 0x1F) << 6) | (b(i + 1) & 0x3F);
    case 3: return ((b(i) & 0x0F) << 12) | ((b(i + 1) & 0x3F) << 6) | (b(i + 2) & 0x3F);
    default:
        return ((b(i) & 0x07) << 18) | ((b(i + 1) & 0x3F) << 12) | ((b(i + 2) & 0x3F) << 6) | (b(i + 3) & 0x3F);
    }
}

}  // namespace korvane::common
