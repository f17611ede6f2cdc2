#pragma once
// Image tiles by kilometre: one file per square kilometre sheet, named after the sheet's
// lower-left corner, northing first ("2543.00-548.00.jpg"), in the image directory. The one
// routine behind inserting a tile by point, by list and by range, and the map frames' tiles.
#include <string>
#include <string_view>

namespace korvane::common {
class SettingsStore;
}

namespace korvane::mapping {

inline constexpr double kSheetSize = 1000.0;   // drawing units (metres) a side
inline constexpr double kTileScale = 1000.0;   // an inserted tile is this wide

// The kilometre of a coordinate: rounded down, so that -0.5 lies in sheet -1 and 548000.0
// in the sheet that starts there.
long long sheet_index(double coordinate);

// "2543.00-548.00": the name of the sheet whose lower-left corner is (kx, ky) kilometres.
std::string sheet_name(long long kx, long long ky);

struct TileSource {
    std::string directory;  // the image directory, as the user chose it
    std::string extension;  // ".jpg" or ".tif"

    // directory + separator + name + extension (`name` is used as it stands).
    std::string path(std::string_view name) const;
    std::string sheet_path(long long kx, long long ky) const { return path(sheet_name(kx, ky)); }
};

// The image directory (setting "Filepath") and the extension the format menu chose.
TileSource tile_source(const common::SettingsStore& settings, bool jpg);

// True when a file or a folder of that name exists (the existence test of the tile commands).
bool name_exists(const std::string& path);

}  // namespace korvane::mapping
