// GBK conversion through glibc iconv (code page 936).
#include <iconv.h>

#include <cerrno>
#include <system_error>

#include "common/text.h"
#include "common/utf8_scan.h"

namespace korvane::common {

namespace {

// One open converter per direction and thread, reset before every use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::system_error(errno, std::generic_category(),
                                    std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible. Returns 0 when all input was consumed,
    // otherwise the errno that stopped it (EILSEQ or EINVAL); `in` then points
    // at the offending input.
    int run(const char*& in, size_t& in_left, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buf[4096];
        while (in_left > 0) {
            char* dst = buf;
            size_t dst_left = sizeof buf;
            size_t r = iconv(cd_, const_cast<char**>(&in), &in_left, &dst, &dst_left);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG) continue;
                return errno;
            }
        }
        // Flush any shift state (none for GBK, but harmless).
        char* dst = buf;
        size_t dst_left = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &dst_left);
        out.append(buf, static_cast<size_t>(dst - buf));
        return 0;
    }

private:
    iconv_t cd_;
};

Converter& to_gbk() {
    thread_local Converter c("CP936", "UTF-8");
    return c;
}

Converter& from_gbk() {
    thread_local Converter c("UTF-8", "CP936");
    return c;
}

// Converts UTF-8 to GBK; on a character GBK cannot hold calls on_bad(cp,
// char_position, out) and goes on after it.
template <class OnBad>
std::string encode(std::string_view utf8, OnBad on_bad) {
    std::string out;
    out.reserve(utf8.size());
    const char* const begin = utf8.data();
    const char* in = begin;
    size_t left = utf8.size();
    while (left > 0) {
        int err = to_gbk().run(in, left, out);
        if (err == 0) break;
        size_t at = static_cast<size_t>(in - begin);
        size_t n = utf8_char_len(utf8, at);
        char32_t cp = utf8_decode_at(utf8, at, n);
        on_bad(cp, length(utf8.substr(0, at)) + 1, out);
        in += n;
        left -= n;
    }
    return out;
}

}  // namespace

GbkEncodeError::GbkEncodeError(char32_t code_point, size_t char_position)
    : std::runtime_error("character " + code_point_name(code_point) + " at position " +
                         std::to_string(char_position) + " has no GBK code"),
      code_point_(code_point),
      char_position_(char_position) {}

std::string utf8_to_gbk(std::string_view utf8) {
    return encode(utf8, [](char32_t cp, size_t pos, std::string&) { throw GbkEncodeError(cp, pos); });
}

std::string utf8_to_gbk_lossy(std::string_view utf8) {
    return encode(utf8, [](char32_t, size_t, std::string& out) { out.push_back('?'); });
}

std::string gbk_to_utf8(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() * 3 / 2);
    const char* in = gbk.data();
    size_t left = gbk.size();
    while (left > 0) {
        int err = from_gbk().run(in, left, out);
        if (err == 0) break;
        // A lead byte with a possible trail byte is one unknown character;
        // anything else is a stray byte.
        append_utf8(out, 0xFFFD);
        auto u = [](char c) { return static_cast<unsigned char>(c); };
        size_t skip = 1;
        if (left >= 2 && u(in[0]) >= 0x81 && u(in[0]) <= 0xFE && u(in[1]) >= 0x40 && u(in[1]) <= 0xFE &&
            u(in[1]) != 0x7F)
            skip = 2;
        in += skip;
        left -= skip;
    }
    return out;
}

std::string gbk_bytes_of(std::string_view ch) {
    if (ch.empty()) return {};
    bool bad = false;
    std::string out = encode(ch, [&](char32_t, size_t, std::string&) { bad = true; });
    if (bad) return {};
    return out;
}

size_t gbk_length(std::string_view utf8) {
    return utf8_to_gbk_lossy(utf8).size();
}

}  // namespace korvane::common
