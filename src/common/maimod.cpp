#include "common/maimod.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "common/text.h"

namespace korvane::common {

std::string text_before_nul(std::string_view s) { return std::string(s.substr(0, s.find('\0'))); }

std::string comma_field(std::string_view text, int n) {
    if (n < 1) return {};
    std::vector<std::string> fields = split(text, ",");
    if (static_cast<size_t>(n) > fields.size()) return {};
    return trim(fields[static_cast<size_t>(n) - 1]);
}

std::string setting_read(const SettingsStore& store, std::string_view key) {
    return load_ini(store, to_upper_ascii(key), "");
}

namespace {

struct InitialRange {
    char letter;
    uint16_t first;
    uint16_t last;
};

// Level-1 Chinese characters are ordered by pinyin; each initial covers one
// run of codes.
constexpr InitialRange kInitialRanges[] = {
    {'A', 0xB0A1, 0xB0C4}, {'B', 0xB0C5, 0xB2C0}, {'C', 0xB2C1, 0xB4ED}, {'D', 0xB4EE, 0xB6E9},
    {'E', 0xB6EA, 0xB7A1}, {'F', 0xB7A2, 0xB8C0}, {'G', 0xB8C1, 0xB9FD}, {'H', 0xB9FE, 0xBBF6},
    {'J', 0xBBF7, 0xBFA5}, {'K', 0xBFA6, 0xC0A7}, {'L', 0xC0A8, 0xC2E7}, {'M', 0xC2E8, 0xC4C2},
    {'N', 0xC4C3, 0xC5B5}, {'O', 0xC5B6, 0xC5BD}, {'P', 0xC5BE, 0xC6D9}, {'Q', 0xC6DA, 0xC8BA},
    {'R', 0xC8BB, 0xC8F5}, {'S', 0xC8F6, 0xCBF9}, {'T', 0xCBFA, 0xCDD9}, {'W', 0xCDDA, 0xCEF3},
    {'X', 0xCEF4, 0xD1B8}, {'Y', 0xD1B9, 0xD4D0}, {'Z', 0xD4D1, 0xD7FA},
};

int16_t as_signed(uint16_t v) { return static_cast<int16_t>(v); }

}  // namespace

char pinyin_letter_of_code(int16_t code) {
    for (const InitialRange& r : kInitialRanges)
        if (code >= as_signed(r.first) && code <= as_signed(r.last)) return r.letter;
    return '\0';
}

std::string pinyin_initials(std::string_view text) {
    std::string out;
    for (const std::string& ch : characters(trim(text))) {
        std::string gbk = gbk_bytes_of(ch);
        int16_t code = 0;
        bool coded = true;
        if (gbk.size() == 2)
            code = as_signed(static_cast<uint16_t>((static_cast<unsigned char>(gbk[0]) << 8) |
                                                   static_cast<unsigned char>(gbk[1])));
        else if (gbk.size() == 1)
            code = static_cast<unsigned char>(gbk[0]);
        else
            coded = false;
        char letter = coded ? pinyin_letter_of_code(code) : '\0';
        if (letter != '\0')
            out.push_back(letter);
        else
            out += to_upper_ascii(ch);  // no initial known: the character stands for itself
    }
    return out;
}

std::string handle_expression(std::string_view handle) {
    return "(handent \"" + std::string(handle) + "\")";
}

double azimuth(double ax, double ay, double bx, double by) {
    double dy = by - ay;
    if (dy == 0) dy = 1E-12;
    double dx = bx - ax;
    double a = std::atan(std::fabs(dx / dy));
    if (dx >= 0 && dy > 0) return a;
    if (dx <= 0 && dy < 0) return a + kPi;
    if (dx <= 0 && dy > 0) return -a;
    if (dx >= 0 && dy < 0) return kPi - a;
    return a;
}

bool point_in_polygon(int last_index, std::span<const double> xs, std::span<const double> ys, double px,
                      double py) {
    if (last_index < 0) return false;
    size_t m = static_cast<size_t>(last_index);
    if (xs.size() <= m || ys.size() <= m) return false;
    std::vector<double> az(m + 1);
    for (size_t i = 0; i <= m; ++i) az[i] = azimuth(px, py, xs[i], ys[i]);

    double sum = 0;
    auto turn = [&](double d, bool& on_edge) {
        if (d > kPi) d -= 2 * kPi;
        if (d < -kPi) d += 2 * kPi;
        if (std::fabs(std::fabs(d) - kPi) < 1E-10) on_edge = true;
        sum += d;
    };
    bool on_edge = false;
    for (size_t i = 0; i < m; ++i) {
        turn(az[i + 1] - az[i], on_edge);
        if (on_edge) return true;
    }
    turn(az[0] - az[m], on_edge);
    if (on_edge) return true;
    return std::fabs(sum) >= 1E-10;
}

}  // namespace korvane::common
