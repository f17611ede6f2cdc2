#pragma once
// Small text routines of the command line: command words compare in ASCII capitals, answers
// lose their surrounding blanks, and file names may come in double quotes.
#include <cctype>
#include <string>
#include <string_view>

namespace korvane::host {

inline std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

inline std::string trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}

inline std::string unquote(std::string s) {
    s = trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

}  // namespace korvane::host
