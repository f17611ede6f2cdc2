#pragma once
// MaiMod: the small routines that many commands share, apart from those that
// need the user interface (the folder browser and the save-file dialog run in
// the UI service; their fixed texts are here).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/settings.h"

namespace korvane::common {

// π as the system's geometry uses it.
inline constexpr double kPi = 3.14159265358979;

// ---- Folder browser (UI service) ----
inline constexpr std::string_view kFolderBrowserDefaultTitle = "选择驱动器和目录";
// File-system folders only, with an edit box, new dialog style.
inline constexpr int kFolderBrowserFlags = 81;
// Room for the chosen path, in characters.
inline constexpr int kDialogPathChars = 255;
// The browser's title: the prompt, or the default title when the prompt is empty.
inline std::string folder_browser_title(std::string_view prompt) {
    return std::string(prompt.empty() ? kFolderBrowserDefaultTitle : prompt);
}

// ---- Save-file dialog (UI service) ----
struct FileFilter {
    std::string_view name;
    std::string_view pattern;
};
inline constexpr FileFilter kSaveDialogFilters[] = {
    {"文本文件 (*.TXT)", "*.TXT"},
    {"所有文件 (*.*)", "*.*"},
};
inline constexpr std::string_view kSaveDialogTitle = "保存文件的路径及文件名...";
// Hide the read-only box, the path must exist, the file must exist.
inline constexpr int kSaveDialogFlags = 6148;
// Shown (critical icon, default title) when the dialog fails for any reason.
inline constexpr std::string_view kSaveDialogFailedMessage = "未知原因导致操作失败!";

// The text before the first NUL character (dialog results come in fixed buffers).
std::string text_before_nul(std::string_view s);

// ---- Routines ----

// Field n (1-based) of the text split at every ",", with leading and trailing
// blanks removed. A field number below 1 or beyond the last field gives "".
// An empty text has no fields.
std::string comma_field(std::string_view text, int n);

// The setting stored under the key (looked up upper-cased, keys being
// compared without regard to case) in section "参数设定", or "".
std::string setting_read(const SettingsStore& store, std::string_view key);

// One letter per character of the trimmed text: the pinyin initial found from
// the character's GBK code, read as a signed 16-bit number, in the table of
// code ranges of the level-1 Chinese characters (there is no I, U or V).
// A character that falls in no range — ASCII letters and digits, punctuation,
// level-2 characters (codes above D7FA), characters GBK does not hold — stands
// for itself, ASCII letters in upper case: "第1组" gives "D1Z", "a村" gives
// "AC". So the initials always have as many characters as the trimmed text,
// and position k of the initials belongs to character k of the text, which
// the type-ahead of the parcel form relies on when it compares both at the
// same position.
std::string pinyin_initials(std::string_view text);

// The initial letter of one character's GBK code read as a signed 16-bit
// number (single-byte codes as their byte value), or '\0' when no range holds it.
char pinyin_letter_of_code(int16_t code);

// The host expression that names an entity by its handle: (handent "2F").
std::string handle_expression(std::string_view handle);

// The azimuth from A to B in radians, clockwise from the second-coordinate
// axis, in the range -π/2 to 3π/2. A zero second-coordinate difference is
// taken as 1E-12 (so A = B gives 0, and a due-east B gives about π/2).
double azimuth(double ax, double ay, double bx, double by);

// Whether a point lies in the polygon of vertices 0 to last_index (closing
// from the last back to the first), by summing the azimuth changes seen
// from the point. A point on an edge is inside (an azimuth change of π);
// otherwise the point is inside when the sum is not 0 (|sum| >= 1E-10).
// Vertices are not special: a point exactly at a vertex sees that vertex at
// azimuth 0, so it counts as inside when a neighbouring vertex lies due south
// of it (a change of π) or the sum comes out non-zero, and outside otherwise:
// of the square (0,0) (10,0) (10,10) (0,10) the corners (0,10) and (10,10)
// are inside, (0,0) and (10,0) outside.
// The arrays must hold at least last_index + 1 values; last_index < 0 gives
// false.
bool point_in_polygon(int last_index, std::span<const double> xs, std::span<const double> ys, double px,
                      double py);

}  // namespace korvane::common
