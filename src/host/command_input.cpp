#include "host/command_input.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace korvane::host {

CommandInput::CommandInput(std::string text, InputSource& source) : text_(std::move(text)), source_(&source) {}

void CommandInput::skip_enter() {
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == '\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    } else if (text_[pos_] == '\n' || text_[pos_] == ' ') {
        ++pos_;
    }
}

std::string CommandInput::read_word() {
    size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ' ' && !is_line_end(pos_)) ++pos_;
    std::string word = text_.substr(start, pos_ - start);
    skip_enter();
    return word;
}

std::string CommandInput::read_expression() {
    size_t start = pos_;
    int depth = 0;
    bool in_string = false;
    while (pos_ < text_.size()) {
        char c = text_[pos_++];
        if (in_string) {
            if (c == '\\' && pos_ < text_.size()) ++pos_;
            else if (c == '"') in_string = false;
            continue;
        }
        if (c == '"') in_string = true;
        else if (c == '(') ++depth;
        else if (c == ')' && --depth == 0) break;
    }
    std::string expr = text_.substr(start, pos_ - start);
    // The expression is complete at its closing parenthesis; the blank or Enter typed after it
    // only hands it over.
    if (pos_ < text_.size() && (text_[pos_] == ' ' || is_line_end(pos_))) skip_enter();
    return expr;
}

std::string CommandInput::read_line() {
    size_t start = pos_;
    while (pos_ < text_.size() && !is_line_end(pos_)) ++pos_;
    std::string line = text_.substr(start, pos_ - start);
    skip_enter();
    return line;
}

std::optional<std::string> CommandInput::next_command() {
    if (at_end()) return std::nullopt;
    if (text_[pos_] == '(') return read_expression();
    return read_word();
}

CommandToken CommandInput::next(const std::string& prompt, bool whole_line, InputKind expects,
                                std::optional<Point> base, std::optional<Point> box_from) {
    CommandToken tok;
    if (!at_end()) {
        if (whole_line) {
            tok.text = read_line();
            tok.kind = tok.text.empty() ? CommandToken::Kind::Enter : CommandToken::Kind::Text;
            return tok;
        }
        if (text_[pos_] == ' ' || is_line_end(pos_)) {
            skip_enter();
            tok.kind = CommandToken::Kind::Enter;
            return tok;
        }
        tok.kind = CommandToken::Kind::Text;
        tok.text = text_[pos_] == '(' ? read_expression() : read_word();
        return tok;
    }

    InputRequest request;
    request.kind = InputKind::CommandLine;
    request.prompt = prompt;
    request.allow_spaces = whole_line;
    request.expects = expects;
    request.base = base;
    request.box_from = box_from;
    std::optional<InputAnswer> answer = source_->next(request);
    tok.from_source = true;
    if (!answer) {
        tok.kind = CommandToken::Kind::Cancel;
        return tok;
    }
    tok.answer = *answer;
    using T = InputAnswer::Type;
    switch (answer->type) {
        case T::Cancel: tok.kind = CommandToken::Kind::Cancel; break;
        case T::Enter: tok.kind = CommandToken::Kind::Enter; break;
        case T::Text:
            // Typed text is read exactly as if it had been sent, ended by an Enter.
            text_ += answer->text;
            text_ += '\r';
            return next(prompt, whole_line, expects, base, box_from);
        case T::Real:
            tok.kind = CommandToken::Kind::Real;
            tok.real = answer->real;
            tok.text = format_number(answer->real);
            break;
        case T::Integer:
            tok.kind = CommandToken::Kind::Real;
            tok.real = double(answer->integer);
            tok.text = std::to_string(answer->integer);
            break;
        case T::Point:
            tok.kind = CommandToken::Kind::Point;
            tok.point = answer->point;
            tok.text = point_decimals_ < 0 ? format_point(answer->point) : format_point_fixed(answer->point, point_decimals_);
            break;
        case T::Entity:
            tok.kind = CommandToken::Kind::Entity;
            tok.handle = answer->handle;
            tok.text = "(handent \"" + answer->handle + "\")";
            break;
        case T::EntityAt:
            tok.kind = CommandToken::Kind::EntityAt;
            tok.point = answer->point;
            tok.text = point_decimals_ < 0 ? format_point(answer->point) : format_point_fixed(answer->point, point_decimals_);
            break;
        case T::Selection:
            tok.kind = CommandToken::Kind::Selection;
            break;
    }
    return tok;
}

// ---- parsing ----

std::optional<double> parse_real(std::string_view text) {
    if (text.empty() || text.size() > 64) return std::nullopt;
    // Digits, one decimal point, an optional exponent: nothing that strtod alone would take
    // besides (hex, inf, nan, leading blanks).
    size_t i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    size_t digits = 0;
    bool dot = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) ++digits;
        else if (c == '.' && !dot) dot = true;
        else break;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exp_digits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++exp_digits;
        if (exp_digits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    std::string s(text);
    double v = std::strtod(s.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<long long> parse_integer(std::string_view text) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    size_t i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    if (i == text.size()) return std::nullopt;
    for (size_t j = i; j < text.size(); ++j)
        if (!std::isdigit(static_cast<unsigned char>(text[j]))) return std::nullopt;
    return std::strtoll(std::string(text).c_str(), nullptr, 10);
}

std::optional<Point> parse_point(std::string_view text, const Point* last) {
    bool relative = false;
    if (!text.empty() && text[0] == '@') {
        if (!last) return std::nullopt;
        relative = true;
        text.remove_prefix(1);
        if (text.empty()) return *last;  // "@" alone: the last point
    }
    if (size_t lt = text.find('<'); lt != std::string_view::npos) {
        auto d = parse_real(text.substr(0, lt)), angle = parse_real(text.substr(lt + 1));
        if (!d || !angle) return std::nullopt;
        double rad = *angle * 3.14159265358979323846 / 180;
        Point p{*d * std::cos(rad), *d * std::sin(rad), 0};
        if (relative) p = {last->x + p.x, last->y + p.y, last->z};
        return p;
    }
    std::vector<double> parts;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        std::string_view part = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        auto v = parse_real(part);
        if (!v) return std::nullopt;
        parts.push_back(*v);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 2 && parts.size() != 3) return std::nullopt;
    Point p{parts[0], parts[1], parts.size() == 3 ? parts[2] : 0};
    if (relative) {
        p.x += last->x;
        p.y += last->y;
        p.z = parts.size() == 3 ? last->z + parts[2] : last->z;
    }
    return p;
}

namespace {

char lower(char c) { return char(std::tolower(static_cast<unsigned char>(c))); }

bool iprefix(std::string_view prefix, std::string_view word) {
    if (prefix.size() > word.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (lower(prefix[i]) != lower(word[i])) return false;
    return true;
}

bool iequal(std::string_view a, std::string_view b) { return a.size() == b.size() && iprefix(a, b); }

}  // namespace

int match_keyword(std::string_view text, const std::vector<std::string>& keywords) {
    if (text.empty()) return -1;
    for (size_t k = 0; k < keywords.size(); ++k)
        if (iequal(text, keywords[k])) return int(k);
    for (size_t k = 0; k < keywords.size(); ++k) {
        const std::string& kw = keywords[k];
        std::string caps;
        for (char c : kw)
            if (std::isupper(static_cast<unsigned char>(c))) caps += c;
        if (!caps.empty() && iequal(text, caps)) return int(k);
        size_t leading = 0;
        while (leading < kw.size() && !std::islower(static_cast<unsigned char>(kw[leading]))) ++leading;
        if (leading > 0 && text.size() >= leading && iprefix(text, kw)) return int(k);
    }
    int found = -1;
    for (size_t k = 0; k < keywords.size(); ++k) {
        if (iprefix(text, keywords[k])) {
            if (found >= 0) return -1;
            found = int(k);
        }
    }
    return found;
}

std::optional<std::string> parse_handent(std::string_view text) {
    auto skip = [&](size_t& i) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    size_t i = 0;
    skip(i);
    if (i >= text.size() || text[i] != '(') return std::nullopt;
    ++i;
    skip(i);
    if (!iprefix("handent", text.substr(i, 7)) || text.substr(i, 7).size() < 7) return std::nullopt;
    i += 7;
    if (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '"') return std::nullopt;
    skip(i);
    if (i >= text.size() || text[i] != '"') return std::nullopt;
    size_t close = text.find('"', i + 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string handle(text.substr(i + 1, close - i - 1));
    i = close + 1;
    skip(i);
    if (i >= text.size() || text[i] != ')') return std::nullopt;
    ++i;
    skip(i);
    if (i != text.size()) return std::nullopt;
    return handle;
}

std::string format_number(double value) {
    if (value == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

std::string format_point(const Point& p, bool with_z) {
    std::string s = format_number(p.x) + "," + format_number(p.y);
    if (with_z) s += "," + format_number(p.z);
    return s;
}

std::string format_point_fixed(const Point& p, int decimals) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.*f,%.*f", decimals, p.x, decimals, p.y);
    return buf;
}

namespace {

// Length of the UTF-8 sequence starting with this byte (malformed bytes count as one).
size_t utf8_len(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

bool match_from(std::string_view p, size_t pi, std::string_view n, size_t ni) {
    while (pi < p.size()) {
        char c = p[pi];
        if (c == '*') {
            while (pi < p.size() && p[pi] == '*') ++pi;
            if (pi == p.size()) return true;
            for (size_t k = ni; k <= n.size();) {
                if (match_from(p, pi, n, k)) return true;
                if (k == n.size()) break;
                k += std::min(utf8_len(static_cast<unsigned char>(n[k])), n.size() - k);
            }
            return false;
        }
        if (ni >= n.size()) return false;
        size_t clen = std::min(utf8_len(static_cast<unsigned char>(n[ni])), n.size() - ni);
        if (c == '?') {
            ++pi;
            ni += clen;
            continue;
        }
        if (c == '#') {
            if (!std::isdigit(static_cast<unsigned char>(n[ni]))) return false;
            ++pi, ++ni;
            continue;
        }
        if (c == '@') {
            if (!std::isalpha(static_cast<unsigned char>(n[ni]))) return false;
            ++pi, ++ni;
            continue;
        }
        if (c == '`' && pi + 1 < p.size()) ++pi;
        size_t plen = std::min(utf8_len(static_cast<unsigned char>(p[pi])), p.size() - pi);
        if (plen != clen) return false;
        for (size_t k = 0; k < plen; ++k)
            if (lower(p[pi + k]) != lower(n[ni + k])) return false;
        pi += plen;
        ni += clen;
    }
    return ni == n.size();
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
    if (!pattern.empty() && pattern[0] == '~') return !match_from(pattern, 1, name, 0);
    return match_from(pattern, 0, name, 0);
}

bool wildcard_list_match(std::string_view patterns, std::string_view name) {
    size_t start = 0;
    while (true) {
        size_t comma = patterns.find(',', start);
        std::string_view p = patterns.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        while (!p.empty() && p.front() == ' ') p.remove_prefix(1);
        while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
        if (!p.empty() && wildcard_match(p, name)) return true;
        if (comma == std::string_view::npos) return false;
        start = comma + 1;
    }
}

}  // namespace korvane::host
