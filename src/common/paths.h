#pragma once
// Where the system's fixed locations live on this machine.
//
//   "C:\Tessivo"      the data directory: code table, templates, reports.
//                     Default ~/Tessivo.
//   "d:\"             the output directory: filled workbooks, the temporary
//                     drawing. Default ~/Tessivo/输出.
//   "\watch.txt"      the batch-modify list, a private working file: in the data
//                     directory, a folder of the program's own that it can always write
//                     (a path "\x" of the root of a drive still maps to the output directory).
//   "d:\TempDwg.dwg"  the temporary drawing: TempDwg.dxf in the output directory.
//
// Drawings are DXF and workbooks xlsx here, so a ".dwg" in a fixed path
// becomes ".dxf" and ".xls" becomes ".xlsx".
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace korvane::common {

struct Paths {
    std::filesystem::path data_dir;
    std::filesystem::path output_dir;

    std::filesystem::path data_file(std::string_view name) const { return data_dir / std::filesystem::path(name); }
    std::filesystem::path output_file(std::string_view name) const {
        return output_dir / std::filesystem::path(name);
    }
    std::filesystem::path watch_file() const { return data_dir / "watch.txt"; }
    std::filesystem::path temp_drawing() const { return output_dir / "TempDwg.dxf"; }

    // A fixed Windows path of the system on this machine:
    //   "C:\Tessivo\x\y" (drive letter and folder in any case, "\" or "/") -> data_dir/x/y
    //   "d:\x" or "d:/x"                                                  -> output_dir/x
    //   "\x" (root of the current drive)                                  -> output_dir/x
    // with ".dwg" -> ".dxf" and ".xls" -> ".xlsx". Any other path: nothing.
    std::optional<std::filesystem::path> map_windows_path(std::string_view windows_path) const;

    // Creates both directories when missing. Failure: FileError.
    void create_directories() const;
};

// The user's home: $HOME, else the account's home directory, else ".".
std::filesystem::path home_directory();

// ~/Tessivo and ~/Tessivo/输出 under the given home.
Paths default_paths(const std::filesystem::path& home);
inline Paths default_paths() { return default_paths(home_directory()); }

// The per-user settings file of application "Halvex":
// $XDG_CONFIG_HOME/Halvex/settings.ini, or ~/.config/Halvex/settings.ini.
std::filesystem::path default_settings_file();

// The shipped sample data ("data" folder) for a program at `executable`:
// the first of <dir>/share/korvane/data and <dir>/data that exists, for the
// program's own folder and up to four folders above it. Nothing if none.
std::optional<std::filesystem::path> find_shipped_data(const std::filesystem::path& executable);

// Copies every file of `shipped` (sub-folders included, names starting with
// "." left out) that is missing in `data_dir`, creating folders as needed.
// Existing files are never overwritten, whatever their content. A missing
// `shipped` folder copies nothing. Returns the files copied (paths in
// data_dir). Failure to create or copy: FileError.
std::vector<std::filesystem::path> seed_data_directory(const std::filesystem::path& shipped,
                                                       const std::filesystem::path& data_dir);

}  // namespace korvane::common
