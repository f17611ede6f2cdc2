#include "render/mtext.h"

#include <QString>

#include <cstdlib>

namespace korvane::render {

std::string mtext_plain(const std::string& raw) {
    std::string out;
    size_t i = 0, n = raw.size();
    while (i < n) {
        char c = raw[i];
        if (c == '{' || c == '}') {
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 >= n) {
            out += c;
            ++i;
            continue;
        }
        char k = raw[i + 1];
        switch (k) {
            case 'P': out += '\n'; i += 2; break;
            case 'N': out += '\n'; i += 2; break;
            case '~': out += ' '; i += 2; break;
            case '\\': case '{': case '}': out += k; i += 2; break;
            case 'L': case 'l': case 'O': case 'o': case 'K': case 'k': i += 2; break;
            case 'S': {
                // Stacked text a^b, a/b or a#b: shown as a/b.
                size_t end = raw.find(';', i + 2);
                std::string s = raw.substr(i + 2, end == std::string::npos ? std::string::npos : end - i - 2);
                for (char& ch : s)
                    if (ch == '^' || ch == '#') ch = '/';
                out += s;
                i = end == std::string::npos ? n : end + 1;
                break;
            }
            case 'U':
                if (i + 6 < n && raw[i + 2] == '+') {
                    // \U+XXXX: a character by its code point.
                    unsigned cp = unsigned(std::strtoul(raw.substr(i + 3, 4).c_str(), nullptr, 16));
                    QString q = QString(QChar(char16_t(cp)));
                    out += q.toStdString();
                    i += 7;
                } else {
                    out += k;
                    i += 2;
                }
                break;
            default:
                if (std::string("fFHhCcAaQqTtWwp").find(k) != std::string::npos) {
                    // A formatting code running up to its ';'.
                    size_t end = raw.find(';', i + 2);
                    i = end == std::string::npos ? n : end + 1;
                } else {
                    out += k;
                    i += 2;
                }
        }
    }
    return out;
}

}  // namespace korvane::render
