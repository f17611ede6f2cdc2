#include "common/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "common/file_io.h"
#include "common/text.h"

namespace korvane::common {

namespace fs = std::filesystem;

namespace {

bool starts_with_ci(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && iequals_ascii(s.substr(0, prefix.size()), prefix);
}

bool is_slash(char c) { return c == '\\' || c == '/'; }

// "x\y/z" -> path x/y/z, with the drawing and workbook extensions of this system.
fs::path relative_part(std::string_view rest) {
    while (!rest.empty() && is_slash(rest.front())) rest.remove_prefix(1);
    std::string r(rest);
    for (char& c : r)
        if (c == '\\') c = '/';
    std::string_view v = r;
    if (v.size() >= 4 && iequals_ascii(v.substr(v.size() - 4), ".dwg"))
        r = r.substr(0, r.size() - 4) + ".dxf";
    else if (v.size() >= 4 && iequals_ascii(v.substr(v.size() - 4), ".xls"))
        r += "x";
    return fs::path(r);
}

}  // namespace

std::optional<fs::path> Paths::map_windows_path(std::string_view p) const {
    if (starts_with_ci(p, "c:") && p.size() >= 10 && is_slash(p[2]) && iequals_ascii(p.substr(3, 7), "Tessivo") &&
        (p.size() == 10 || is_slash(p[10])))
        return data_dir / relative_part(p.substr(10));
    if (starts_with_ci(p, "d:") && (p.size() == 2 || is_slash(p[2]))) return output_dir / relative_part(p.substr(2));
    if (!p.empty() && is_slash(p[0]) && !(p.size() > 1 && is_slash(p[1]))) return output_dir / relative_part(p);
    return std::nullopt;
}

void Paths::create_directories() const {
    for (const fs::path& d : {data_dir, output_dir}) {
        std::error_code ec;
        fs::create_directories(d, ec);
        if (ec) throw FileError("无法建立", d, ec.message());
    }
}

fs::path home_directory() {
    if (const char* h = std::getenv("HOME"); h && *h) return fs::path(h);
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return fs::path(pw->pw_dir);
    return fs::path(".");
}

Paths default_paths(const fs::path& home) {
    Paths p;
    p.data_dir = home / "Tessivo";
    p.output_dir = p.data_dir / "输出";
    return p;
}

fs::path default_settings_file() {
    fs::path base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        base = fs::path(x);
    else
        base = home_directory() / ".config";
    return base / "Halvex" / "settings.ini";
}

std::optional<fs::path> find_shipped_data(const fs::path& executable) {
    std::error_code ec;
    fs::path dir = fs::absolute(executable, ec).parent_path();
    for (int level = 0; level <= 4 && !dir.empty(); ++level) {
        for (const fs::path& candidate : {dir / "share" / "korvane" / "data", dir / "data"})
            if (fs::is_directory(candidate, ec)) return candidate;
        fs::path up = dir.parent_path();
        if (up == dir) break;
        dir = up;
    }
    return std::nullopt;
}

std::vector<fs::path> seed_data_directory(const fs::path& shipped, const fs::path& data_dir) {
    std::vector<fs::path> copied;
    std::error_code ec;
    if (!fs::is_directory(shipped, ec)) return copied;
    fs::create_directories(data_dir, ec);
    if (ec) throw FileError("无法建立", data_dir, ec.message());

    fs::recursive_directory_iterator it(shipped, ec), end;
    if (ec) throw FileError("无法读取", shipped, ec.message());
    for (; it != end; it.increment(ec)) {
        if (ec) throw FileError("无法读取", shipped, ec.message());
        const fs::path& src = it->path();
        std::string name = src.filename().string();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        fs::path dst = data_dir / fs::relative(src, shipped);
        if (it->is_directory(ec)) {
            fs::create_directories(dst, ec);
            if (ec) throw FileError("无法建立", dst, ec.message());
            continue;
        }
        if (!it->is_regular_file(ec)) continue;
        if (fs::exists(fs::symlink_status(dst, ec))) continue;  // the user's file stays as it is
        fs::create_directories(dst.parent_path(), ec);
        if (ec) throw FileError("无法建立", dst.parent_path(), ec.message());
        if (!fs::copy_file(src, dst, fs::copy_options::skip_existing, ec) || ec) {
            if (ec) throw FileError("无法写入", dst, ec.message());
            continue;
        }
        copied.push_back(dst);
    }
    return copied;
}

}  // namespace korvane::common
