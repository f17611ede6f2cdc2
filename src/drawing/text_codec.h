#pragma once
// Converts DXF value text between the drawing's own encoding and UTF-8.
// Up to R2004 the $DWGCODEPAGE decides (ANSI_936 is GBK); from R2007 files are
// UTF-8. Characters the code page cannot hold travel as \U+XXXX escapes.
#include <memory>
#include <string>
#include <string_view>

namespace korvane::drawing {

class TextCodec {
public:
    // A codec for a drawing of the given $ACADVER and $DWGCODEPAGE.
    static TextCodec for_drawing(std::string_view acadver, std::string_view dwgcodepage);
    static TextCodec utf8();

    TextCodec();
    ~TextCodec();
    TextCodec(TextCodec&&) noexcept;
    TextCodec& operator=(TextCodec&&) noexcept;
    TextCodec(const TextCodec&);
    TextCodec& operator=(const TextCodec&);

    bool is_utf8() const { return iconv_name_.empty(); }
    // The iconv name of the code page ("CP936"), empty for UTF-8.
    const std::string& iconv_name() const { return iconv_name_; }
    // False when the drawing named a code page this machine cannot convert (then CP1252 is used).
    bool known() const { return known_; }

    // File bytes to UTF-8, \U+XXXX escapes decoded.
    std::string decode(std::string_view raw) const;
    // UTF-8 to file bytes; characters outside the code page become \U+XXXX.
    std::string encode(std::string_view utf8) const;
    // Index of the first byte sequence that is not valid in this encoding, or npos.
    size_t find_invalid(std::string_view raw) const;
    // True when the text is valid as a whole, found in one pass without conversion; false when
    // it is not, or when only a conversion could tell (code pages other than GBK).
    bool all_valid(std::string_view raw) const;

private:
    struct Converters;
    std::string iconv_name_;
    bool known_ = true;
    mutable std::unique_ptr<Converters> conv_;
    Converters& converters() const;
};

// Replaces every \U+XXXX escape by the character it names (UTF-8 in, UTF-8 out).
std::string decode_unicode_escapes(std::string_view text);
// Maps a $DWGCODEPAGE value ("ANSI_936", "dos850") to an iconv name; empty when unknown.
std::string iconv_name_for_codepage(std::string_view dwgcodepage);
// True when the text is well-formed UTF-8.
bool is_valid_utf8(std::string_view text);

}  // namespace korvane::drawing
