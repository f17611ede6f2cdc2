#include "text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace korvane::drawing {

namespace {

std::string to_upper_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

void append_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Length of the UTF-8 sequence starting at s[i], 0 when malformed.
size_t utf8_sequence_length(std::string_view s, size_t i) {
    unsigned char c = s[i];
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    if (n == 2 && c < 0xC2) return 0;
    // No overlong forms, no surrogates, nothing beyond U+10FFFF.
    unsigned char c1 = n > 1 ? static_cast<unsigned char>(s[i + 1]) : 0;
    if (n == 3 && ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F))) return 0;
    if (n == 4 && (c > 0xF4 || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))) return 0;
    return n;
}

uint32_t utf8_code_point(std::string_view s, size_t i, size_t n) {
    unsigned char c = s[i];
    uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

// Index of the first byte at or after `from` that is not ASCII, or s.size(). Eight bytes at
// a time: a drawing's text is nearly all ASCII.
size_t skip_ascii(std::string_view s, size_t from) {
    size_t i = from;
    for (; i + 8 <= s.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i;
}

bool has_high_byte(std::string_view s) { return skip_ascii(s, 0) < s.size(); }

// Index of the first malformed UTF-8 sequence, or npos. Runs of ASCII go eight bytes at a
// time and the three-byte sequences of CJK text are checked in line: this runs over every
// byte of a drawing as it loads.
size_t find_invalid_utf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) {
            i = skip_ascii(s, i + 1);
            continue;
        }
        // E1..EC and EE..EF lead three-byte sequences whose second byte has no further limit.
        if (c >= 0xE1 && c <= 0xEF && c != 0xED && i + 2 < n) {
            if ((p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80) return i;
            i += 3;
            continue;
        }
        size_t len = utf8_sequence_length(s, i);
        if (len == 0) return i;
        i += len;
    }
    return std::string_view::npos;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Runs iconv over the whole input; false on any conversion failure.
bool run_iconv(iconv_t cd, std::string_view in, std::string& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.clear();
    std::vector<char> buffer(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = buffer.data();
    size_t dst_left = buffer.size();
    if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
    if (iconv(cd, nullptr, nullptr, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
    out.assign(buffer.data(), buffer.size() - dst_left);
    return true;
}

}  // namespace

struct TextCodec::Converters {
    iconv_t to_utf8 = reinterpret_cast<iconv_t>(-1);
    iconv_t from_utf8 = reinterpret_cast<iconv_t>(-1);
    ~Converters() {
        if (to_utf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(to_utf8);
        if (from_utf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(from_utf8);
    }
};

TextCodec::TextCodec() = default;
TextCodec::~TextCodec() = default;
TextCodec::TextCodec(TextCodec&&) noexcept = default;
TextCodec& TextCodec::operator=(TextCodec&&) noexcept = default;
TextCodec::TextCodec(const TextCodec& other) : iconv_name_(other.iconv_name_), known_(other.known_) {}
TextCodec& TextCodec::operator=(const TextCodec& other) {
    iconv_name_ = other.iconv_name_;
    known_ = other.known_;
    conv_.reset();
    return *this;
}

std::string iconv_name_for_codepage(std::string_view dwgcodepage) {
    std::string cp = to_upper_ascii(dwgcodepage);
    while (!cp.empty() && (cp.back() == ' ' || cp.back() == '\t')) cp.pop_back();
    size_t start = cp.find_first_not_of(" \t");
    cp = start == std::string::npos ? std::string() : cp.substr(start);
    std::string number;
    if (cp.rfind("ANSI_", 0) == 0) number = cp.substr(5);
    else if (cp.rfind("DOS", 0) == 0) number = cp.substr(3);
    else if (cp.rfind("CP", 0) == 0) number = cp.substr(2);
    else if (cp == "GBK" || cp == "GB2312") return "CP936";
    else if (cp == "BIG5") return "CP950";
    else if (cp == "UTF8" || cp == "UTF-8") return "";
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return "CP1252";
    if (number == "936") return "CP936";
    return "CP" + number;
}

TextCodec TextCodec::utf8() { return TextCodec(); }

TextCodec TextCodec::for_drawing(std::string_view acadver, std::string_view dwgcodepage) {
    TextCodec codec;
    std::string version = to_upper_ascii(acadver);
    // AC1021 (R2007) and later are UTF-8 whatever the code page says.
    if (version.size() == 6 && version.rfind("AC", 0) == 0 && version.substr(2) >= "1021") return codec;
    std::string name = dwgcodepage.empty() ? "CP1252" : iconv_name_for_codepage(dwgcodepage);
    if (name.empty()) return codec;
    iconv_t probe = iconv_open("UTF-8", name.c_str());
    if (probe == reinterpret_cast<iconv_t>(-1)) {
        codec.known_ = false;
        name = "CP1252";
    } else {
        iconv_close(probe);
    }
    codec.iconv_name_ = name;
    return codec;
}

TextCodec::Converters& TextCodec::converters() const {
    if (!conv_) {
        conv_ = std::make_unique<Converters>();
        conv_->to_utf8 = iconv_open("UTF-8", iconv_name_.c_str());
        conv_->from_utf8 = iconv_open(iconv_name_.c_str(), "UTF-8");
    }
    return *conv_;
}

bool is_valid_utf8(std::string_view text) { return find_invalid_utf8(text) == std::string_view::npos; }

namespace {

// Four hex digits at text[at..at+4) into value; false when they are not there.
bool hex4(std::string_view text, size_t at, uint32_t& value) {
    if (at + 4 > text.size()) return false;
    value = 0;
    for (size_t k = at; k < at + 4; ++k) {
        int h = hex_value(text[k]);
        if (h < 0) return false;
        value = value * 16 + uint32_t(h);
    }
    return true;
}

bool is_escape_at(std::string_view text, size_t i) {
    return i + 7 <= text.size() && text[i] == '\\' && text[i + 1] == 'U' && text[i + 2] == '+';
}

void append_escape(std::string& out, uint32_t unit) {
    char esc[16];
    std::snprintf(esc, sizeof esc, "\\U+%04X", unit);
    out += esc;
}

// Characters beyond U+FFFF travel as a UTF-16 surrogate pair of escapes.
void append_escapes(std::string& out, uint32_t cp) {
    if (cp < 0x10000) {
        append_escape(out, cp);
        return;
    }
    cp -= 0x10000;
    append_escape(out, 0xD800 + (cp >> 10));
    append_escape(out, 0xDC00 + (cp & 0x3FF));
}

}  // namespace

std::string decode_unicode_escapes(std::string_view text) {
    if (text.find("\\U+") == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = 0, low = 0;
        if (is_escape_at(text, i) && hex4(text, i + 3, cp)) {
            size_t length = 7;
            if (cp >= 0xD800 && cp <= 0xDBFF && is_escape_at(text, i + 7) && hex4(text, i + 10, low) && low >= 0xDC00 &&
                low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                length = 14;
            } else if (cp <= 0x10 && hex4(text, i + 7, low) && ((cp << 16) | low) >= 0x10000) {
                // Some writers put characters beyond U+FFFF as eight digits (\U+00020000).
                cp = (cp << 16) | low;
                length = 11;
            }
            // A lone surrogate or a NUL is no character: the escape stays as it is.
            if (cp != 0 && !(cp >= 0xD800 && cp <= 0xDFFF)) {
                append_utf8(out, cp);
                i += length;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

namespace {

// GBK's user-defined areas, which iconv does not convert: they map to the private use area
// as the GBK and GB 18030 tables define it.
struct UserArea {
    unsigned lead_first, lead_last, trail_first, trail_last;
    uint32_t base;
};
constexpr UserArea kUserAreas[] = {
    {0xAA, 0xAF, 0xA1, 0xFE, 0xE000},
    {0xF8, 0xFE, 0xA1, 0xFE, 0xE234},
    {0xA1, 0xA7, 0x40, 0xA0, 0xE4C6},
};

uint32_t gbk_user_char(unsigned char lead, unsigned char trail) {
    for (const UserArea& a : kUserAreas) {
        if (lead < a.lead_first || lead > a.lead_last || trail < a.trail_first || trail > a.trail_last) continue;
        if (a.trail_first == 0x40 && trail == 0x7F) return 0;
        unsigned per_row = a.trail_last - a.trail_first + 1 - (a.trail_first == 0x40 ? 1 : 0);
        unsigned column = trail - a.trail_first - (a.trail_first == 0x40 && trail > 0x7F ? 1 : 0);
        return a.base + (lead - a.lead_first) * per_row + column;
    }
    return 0;
}

bool gbk_from_user_char(uint32_t cp, std::string& out) {
    for (const UserArea& a : kUserAreas) {
        unsigned per_row = a.trail_last - a.trail_first + 1 - (a.trail_first == 0x40 ? 1 : 0);
        unsigned rows = a.lead_last - a.lead_first + 1;
        if (cp < a.base || cp >= a.base + rows * per_row) continue;
        unsigned k = cp - a.base;
        unsigned trail = a.trail_first + k % per_row;
        if (a.trail_first == 0x40 && trail >= 0x7F) ++trail;
        out += char(a.lead_first + k / per_row);
        out += char(trail);
        return true;
    }
    return false;
}

}  // namespace

bool TextCodec::all_valid(std::string_view raw) const {
    if (!has_high_byte(raw)) return true;
    if (is_utf8() || iconv_name_ == "CP936") return find_invalid(raw) == std::string_view::npos;
    return false;  // would take a conversion of all of it: left to the caller's finer check
}

size_t TextCodec::find_invalid(std::string_view raw) const {
    if (!has_high_byte(raw)) return std::string_view::npos;
    if (is_utf8()) return find_invalid_utf8(raw);
    if (iconv_name_ == "CP936") {
        // GBK: lead 0x81..0xFE, trail 0x40..0xFE without 0x7F; 0x80 is the euro sign.
        for (size_t i = skip_ascii(raw, 0); i < raw.size(); i = skip_ascii(raw, i + 1)) {
            unsigned char c = raw[i];
            if (c == 0x80) continue;
            if (c == 0xFF) return i;
            if (i + 1 >= raw.size()) return i;
            unsigned char t = raw[i + 1];
            if (t < 0x40 || t == 0x7F || t == 0xFF) return i;
            ++i;
        }
        return std::string_view::npos;
    }
    std::string out;
    if (run_iconv(converters().to_utf8, raw, out)) return std::string_view::npos;
    // Narrow down to the first failing byte.
    for (size_t i = 0; i < raw.size(); ++i)
        if (!run_iconv(converters().to_utf8, raw.substr(0, i + 1), out) &&
            !run_iconv(converters().to_utf8, raw.substr(0, std::min(raw.size(), i + 4)), out))
            return i;
    return 0;
}

std::string TextCodec::decode(std::string_view raw) const {
    if (!has_high_byte(raw)) return decode_unicode_escapes(raw);
    if (is_utf8()) return decode_unicode_escapes(raw);
    std::string out;
    if (!run_iconv(converters().to_utf8, raw, out)) {
        // Character by character: iconv leaves GBK's user-defined areas out, and a single
        // character it cannot convert must not cost the rest of the text.
        out.clear();
        std::string piece;
        bool gbk = iconv_name_ == "CP936";
        for (size_t i = 0; i < raw.size();) {
            unsigned char c = raw[i];
            if (c < 0x80) {
                out += char(c);
                ++i;
                continue;
            }
            size_t n = gbk && c != 0x80 && i + 1 < raw.size() ? 2 : 1;
            if (run_iconv(converters().to_utf8, raw.substr(i, n), piece)) out += piece;
            else if (uint32_t u = n == 2 ? gbk_user_char(c, raw[i + 1]) : 0) append_utf8(out, u);
            else append_utf8(out, 0xFFFD);
            i += n;
        }
    }
    return decode_unicode_escapes(out);
}

std::string TextCodec::encode(std::string_view utf8) const {
    if (is_utf8() || !has_high_byte(utf8)) return std::string(utf8);
    std::string out;
    if (run_iconv(converters().from_utf8, utf8, out)) return out;
    out.clear();
    std::string piece;
    for (size_t i = 0; i < utf8.size();) {
        size_t n = utf8_sequence_length(utf8, i);
        if (n == 0) { ++i; continue; }  // malformed input byte: dropped
        std::string_view ch = utf8.substr(i, n);
        uint32_t cp = utf8_code_point(utf8, i, n);
        if (n == 1) out += ch;
        else if (run_iconv(converters().from_utf8, ch, piece)) out += piece;
        else if (iconv_name_ == "CP936" && gbk_from_user_char(cp, out)) {}
        else append_escapes(out, cp);
        i += n;
    }
    return out;
}

}  // namespace korvane::drawing
