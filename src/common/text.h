#pragma once
// Character operations on UTF-8 text and the GBK conversion.
//
// Strings are UTF-8 throughout the system. Where a rule speaks of characters
// ("the first six characters", "longer than 20 characters") it means code
// points, never bytes. Positions are 1-based, as the system's rules count them.
// Malformed UTF-8 bytes count as one character each, so no operation loses or
// invents bytes.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::common {

// Number of characters (code points).
size_t length(std::string_view s);

// The first n characters (all of s when it is shorter).
std::string left(std::string_view s, size_t n);
// The last n characters (all of s when it is shorter).
std::string right(std::string_view s, size_t n);
// Up to `count` characters from character position `start` (1-based). A start
// beyond the end gives "". A start below 1 is a programming error:
// std::invalid_argument.
std::string mid(std::string_view s, size_t start, size_t count = std::string_view::npos);

// Removes leading and trailing blanks (U+0020 only; tabs and other spaces stay).
std::string trim(std::string_view s);
std::string trim_left(std::string_view s);
std::string trim_right(std::string_view s);

// ASCII letters a-z to A-Z (lower: A-Z to a-z); every other character unchanged.
std::string to_upper_ascii(std::string_view s);
std::string to_lower_ascii(std::string_view s);
// ASCII-case-insensitive equality.
bool iequals_ascii(std::string_view a, std::string_view b);

// Splits at every occurrence of `separator` (no limit on the number of
// fields). An empty text gives no fields at all; "a," gives "a" and "".
// An empty separator gives the whole text as the only field.
std::vector<std::string> split(std::string_view s, std::string_view separator);

// Replaces every occurrence of `from` (left to right, not overlapping).
// An empty `from` leaves the text unchanged.
std::string replace_all(std::string_view s, std::string_view from, std::string_view to);

// The code points of s (malformed bytes come out as U+FFFD).
std::u32string to_code_points(std::string_view s);
// Appends the UTF-8 form of one code point.
void append_utf8(std::string& out, char32_t cp);
// The characters of s, each as its own UTF-8 string.
std::vector<std::string> characters(std::string_view s);
// True when s is well-formed UTF-8.
bool is_valid_utf8(std::string_view s);

// ---- GBK (code page 936, through glibc iconv "CP936") ----

// A character that GBK cannot hold.
class GbkEncodeError : public std::runtime_error {
public:
    GbkEncodeError(char32_t code_point, size_t char_position);
    char32_t code_point() const { return code_point_; }
    // 1-based character position in the text that was being converted.
    size_t char_position() const { return char_position_; }

private:
    char32_t code_point_;
    size_t char_position_;
};

// UTF-8 to GBK bytes. A character outside GBK throws GbkEncodeError naming it.
std::string utf8_to_gbk(std::string_view utf8);
// As utf8_to_gbk, but characters outside GBK become '?' (as the Windows ANSI
// conversion does).
std::string utf8_to_gbk_lossy(std::string_view utf8);
// GBK bytes to UTF-8. A two-byte code that is no GBK character, and a stray
// byte, each become one U+FFFD; the rest of the text is still converted.
std::string gbk_to_utf8(std::string_view gbk);
// The GBK code of one character: one byte for ASCII, two bytes for the rest;
// empty when GBK has no such character. `ch` is one UTF-8 character.
std::string gbk_bytes_of(std::string_view ch);
// The length in bytes of the text in GBK: 1 for ASCII, 2 for every other
// character GBK holds, 1 for a character it does not hold (it would be
// written as '?').
size_t gbk_length(std::string_view utf8);

// "U+4E2D" style name of a code point, for messages.
std::string code_point_name(char32_t cp);

}  // namespace korvane::common
