// The settings store kept in an INI file.
#include <system_error>

#include "common/file_io.h"
#include "common/settings.h"
#include "common/text_file.h"

namespace korvane::common {

namespace fs = std::filesystem;

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view strip(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

void append_escape(std::string& out, unsigned char c) {
    static const char* hex = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(hex[c >> 4]);
    out.push_back(hex[c & 0xF]);
}

// Escapes '%', CR, LF, the characters in `special`, those in `special_first`
// when they come first, and blanks and tabs at either end.
std::string escape(std::string_view s, std::string_view special, std::string_view special_first) {
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        bool esc = c == '%' || c == '\r' || c == '\n' || special.find(c) != std::string_view::npos ||
                   (i == 0 && special_first.find(c) != std::string_view::npos) || ((i < b || i >= e) && blank(c));
        if (esc)
            append_escape(out, static_cast<unsigned char>(c));
        else
            out.push_back(c);
    }
    return out;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 && hex_value(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::string escape_key(std::string_view k) { return escape(k, "=", "[;#"); }
std::string escape_value(std::string_view v) { return escape(v, "", ""); }
std::string escape_section(std::string_view s) { return escape(s, "[]", ""); }

}  // namespace

IniSettings::IniSettings(fs::path file) : file_(std::move(file)) {
    std::error_code ec;
    if (!fs::exists(file_, ec)) {
        if (ec) throw FileError("无法读取", file_, ec.message());
        return;
    }
    std::string text = decode_text(read_file_bytes(file_));
    for (std::string& raw : split_lines(text)) {
        Line line;
        std::string_view t = strip(raw);
        if (!t.empty() && t[0] != ';' && t[0] != '#') {
            if (t.front() == '[' && t.back() == ']' && t.size() >= 2) {
                line.kind = Kind::Section;
                line.folded = fold_name(unescape(strip(t.substr(1, t.size() - 2))));
            } else if (size_t eq = t.find('='); eq != std::string_view::npos) {
                line.kind = Kind::Entry;
                line.folded = fold_name(unescape(strip(t.substr(0, eq))));
                line.value = unescape(strip(t.substr(eq + 1)));
            }
        }
        line.raw = std::move(raw);
        lines_.push_back(std::move(line));
    }
}

std::optional<std::string> IniSettings::get(std::string_view section, std::string_view key) const {
    std::string s = fold_name(section), k = fold_name(key);
    bool in_section = false;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section) {
            if (in_section) return std::nullopt;  // the first section of that name has ended
            in_section = line.folded == s;
        } else if (in_section && line.kind == Kind::Entry && line.folded == k) {
            return line.value;
        }
    }
    return std::nullopt;
}

void IniSettings::set(std::string_view section, std::string_view key, std::string_view value) {
    std::string s = fold_name(section), k = fold_name(key);
    std::vector<Line> before = lines_;

    size_t header = lines_.size();
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Section && lines_[i].folded == s) {
            header = i;
            break;
        }

    Line entry;
    entry.kind = Kind::Entry;
    entry.folded = k;
    entry.value = std::string(value);

    if (header == lines_.size()) {
        if (!lines_.empty() && !strip(lines_.back().raw).empty()) lines_.push_back(Line{});
        Line head;
        head.kind = Kind::Section;
        head.folded = s;
        head.raw = "[" + escape_section(section) + "]";
        lines_.push_back(std::move(head));
        entry.raw = escape_key(key) + "=" + escape_value(value);
        lines_.push_back(std::move(entry));
    } else {
        size_t insert_at = header + 1;
        bool done = false;
        for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
            if (lines_[i].kind != Kind::Entry) continue;
            if (lines_[i].folded == k) {
                // Keep the spelling and layout of the key as it stands in the file.
                std::string& raw = lines_[i].raw;
                size_t keep = raw.find('=') + 1;
                while (keep < raw.size() && blank(raw[keep])) ++keep;
                raw = raw.substr(0, keep) + escape_value(value);
                lines_[i].value = std::string(value);
                done = true;
                break;
            }
            insert_at = i + 1;
        }
        if (!done) {
            entry.raw = escape_key(key) + "=" + escape_value(value);
            lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), std::move(entry));
        }
    }

    try {
        save();
    } catch (...) {
        lines_ = std::move(before);
        throw;
    }
}

void IniSettings::save() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.raw;
        text += '\n';
    }
    fs::path dir = file_.parent_path();
    if (!dir.empty()) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec) throw FileError("无法写入", file_, ec.message());
    }
    write_file_atomically(file_, text);
}

}  // namespace korvane::common
