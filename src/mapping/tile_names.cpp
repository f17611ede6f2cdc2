#include "mapping/tile_names.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "common/maimod.h"
#include "common/numbers.h"

namespace korvane::mapping {

long long sheet_index(double coordinate) { return static_cast<long long>(std::floor(coordinate / kSheetSize)); }

std::string sheet_name(long long kx, long long ky) {
    return common::format_0_00(double(ky)) + "-" + common::format_0_00(double(kx));
}

std::string TileSource::path(std::string_view name) const {
    std::string out = directory;
    // A directory chosen with its trailing separator ("E:\", "/tiles/") is not given a second.
    if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '/';
    out += name;
    out += extension;
    return out;
}

TileSource tile_source(const common::SettingsStore& settings, bool jpg) {
    return TileSource{common::setting_read(settings, "filepath"), jpg ? ".jpg" : ".tif"};
}

bool name_exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

}  // namespace korvane::mapping
