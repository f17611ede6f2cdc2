#include "common/numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace korvane::common {

namespace {

struct Pattern {
    int min_int = 0;   // zeros before the point
    int decimals = 0;  // zeros after the point
    bool point = false;
};

Pattern parse_pattern(std::string_view p) {
    Pattern out;
    size_t i = 0;
    while (i < p.size() && p[i] == '0') {
        ++out.min_int;
        ++i;
    }
    if (i < p.size() && p[i] == '.') {
        out.point = true;
        ++i;
        while (i < p.size() && p[i] == '0') {
            ++out.decimals;
            ++i;
        }
    }
    if (i != p.size() || p.empty())
        throw std::invalid_argument("unsupported number pattern \"" + std::string(p) + "\"");
    return out;
}

// |value| * 10^decimals rounded half away from zero, as a decimal digit
// string without leading zeros ("0" for zero), from the value's
// 15-significant-digit decimal form.
std::string scaled_digits(double value, int decimals) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    // buf: "d.dddddddddddddde+XX"
    std::string digits;
    digits.push_back(buf[0]);
    digits.append(buf + 2, 14);
    int exp10 = std::atoi(buf + 17);
    if (digits == "000000000000000") return "0";

    // Number of leading digits that lie at or above the last kept place.
    long kept = static_cast<long>(exp10) + 1 + decimals;
    if (kept < 0) return "0";
    std::string n;
    bool round_up;
    if (kept >= 15) {
        n = digits + std::string(static_cast<size_t>(kept - 15), '0');
        round_up = false;
    } else {
        n = digits.substr(0, static_cast<size_t>(kept));
        round_up = digits[static_cast<size_t>(kept)] >= '5';
    }
    if (round_up) {
        size_t k = n.size();
        while (k > 0 && n[k - 1] == '9') n[--k] = '0';
        if (k == 0)
            n.insert(n.begin(), '1');
        else
            ++n[k - 1];
    }
    size_t nz = n.find_first_not_of('0');
    return nz == std::string::npos ? "0" : n.substr(nz);
}

}  // namespace

std::string format_number(double value, std::string_view pattern) {
    Pattern p = parse_pattern(pattern);
    if (std::isnan(value) || std::isinf(value)) return number_to_text(value);
    std::string n = scaled_digits(value, p.decimals);
    bool negative = value < 0 && n != "0";
    size_t d = static_cast<size_t>(p.decimals);
    if (n.size() <= d) n.insert(0, d + 1 - n.size(), '0');
    std::string int_part = n.substr(0, n.size() - d);
    std::string frac = n.substr(n.size() - d);
    if (int_part == "0" && p.min_int == 0) int_part.clear();
    if (int_part.size() < static_cast<size_t>(p.min_int))
        int_part.insert(0, static_cast<size_t>(p.min_int) - int_part.size(), '0');
    std::string out = negative ? "-" : "";
    out += int_part;
    if (p.point) out += "." + frac;
    return out;
}

double round_half_away(double value, int decimals) {
    if (std::isnan(value) || std::isinf(value)) return value;
    if (decimals < 0) throw std::invalid_argument("round_half_away: negative decimals");
    std::string pattern = "0";
    if (decimals > 0) pattern += "." + std::string(static_cast<size_t>(decimals), '0');
    return std::strtod(format_number(value, pattern).c_str(), nullptr);
}

std::string number_to_text(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
    if (value == 0) return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    return buf;
}

std::string number_to_text(long long value) { return std::to_string(value); }

namespace {

bool skippable(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Reads "&H..." / "&O..." from text[i] (which is '&'); returns the value and
// advances i past the digits, or nothing when no digit follows.
std::optional<double> read_radix(std::string_view t, size_t& i, bool skip_blanks) {
    size_t k = i + 1;
    auto skip = [&] {
        while (skip_blanks && k < t.size() && skippable(t[k])) ++k;
    };
    skip();
    if (k >= t.size()) return std::nullopt;
    char kind = t[k];
    int base;
    if (kind == 'H' || kind == 'h')
        base = 16;
    else if (kind == 'O' || kind == 'o')
        base = 8;
    else
        return std::nullopt;
    ++k;
    uint64_t v = 0;
    int count = 0;
    while (true) {
        skip();
        if (k >= t.size()) break;
        char c = t[k];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (digit >= base) break;
        if (v < (uint64_t{1} << 56)) v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        ++count;
        ++k;
    }
    if (count == 0) return std::nullopt;
    i = k;
    int small = base == 16 ? 4 : 6;
    int medium = base == 16 ? 8 : 11;
    if (count <= small) return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(v)));
    if (count <= medium) return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    return static_cast<double>(v);
}

// Reads a decimal number from t[i]. With skip_blanks, blanks, tabs and line
// feeds are passed over anywhere. Sets i past what was read; returns the
// cleaned number text ("" when no digit was found) and whether an exponent
// marker was followed by no digits.
struct Scan {
    std::string text;
    bool dangling_exponent = false;
};

Scan read_decimal(std::string_view t, size_t& i, bool skip_blanks) {
    Scan s;
    size_t k = i;
    auto skip = [&] {
        while (skip_blanks && k < t.size() && skippable(t[k])) ++k;
    };
    skip();
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) {
        s.text.push_back(t[k]);
        ++k;
    }
    bool any_digit = false, point = false;
    while (true) {
        skip();
        if (k >= t.size()) break;
        char c = t[k];
        if (c >= '0' && c <= '9') {
            any_digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        s.text.push_back(c);
        ++k;
    }
    if (!any_digit) {
        s.text.clear();
        return s;
    }
    size_t after_mantissa = k;
    skip();
    if (k < t.size() && (t[k] == 'E' || t[k] == 'e' || t[k] == 'D' || t[k] == 'd')) {
        std::string exp = "E";
        ++k;
        skip();
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) {
            exp.push_back(t[k]);
            ++k;
        }
        bool exp_digit = false;
        while (true) {
            skip();
            if (k >= t.size() || t[k] < '0' || t[k] > '9') break;
            exp.push_back(t[k]);
            exp_digit = true;
            ++k;
        }
        if (exp_digit) {
            s.text += exp;
            i = k;
            return s;
        }
        s.dangling_exponent = true;
    }
    i = after_mantissa;
    return s;
}

}  // namespace

double val(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && skippable(text[i])) ++i;
    if (i < text.size() && text[i] == '&') {
        auto r = read_radix(text, i, true);
        return r ? *r : 0.0;
    }
    Scan s = read_decimal(text, i, true);
    if (s.text.empty()) return 0.0;
    return std::strtod(s.text.c_str(), nullptr);
}

std::optional<double> to_number(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    std::string_view t = text.substr(b, e - b);
    if (t.empty()) return std::nullopt;
    size_t i = 0;
    if (t[0] == '&') {
        auto r = read_radix(t, i, false);
        if (!r || i != t.size()) return std::nullopt;
        return r;
    }
    Scan s = read_decimal(t, i, false);
    if (s.text.empty() || s.dangling_exponent || i != t.size()) return std::nullopt;
    return std::strtod(s.text.c_str(), nullptr);
}

}  // namespace korvane::common
