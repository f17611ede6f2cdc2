#pragma once
// 输出调查表: numbers the boundary points of the selected parcels in the drawing and fills the
// collective-land ownership survey workbook for them.
//
// Each parcel is walked counter-clockwise from its north-west corner (boundary_numbering.h).
// At every corner, the one unnumbered mark (a point on "今后界址点") within 0.1 units gets the
// next number: a label of height 5.0 at the corner, a red circle of radius 2.0 around it, and
// both the mark and the circle carry the numbered mark's record below and move to "界址点" in
// red. The numbered points are listed in the workbook (from row 6 of "主表" on, continuing on
// "附表1" to "附表3") and in the coordinate list "界址点坐标成果.INI" of the data directory.
// The workbook, made from the template "集体土地权属调查表.xlsx" of the data directory, is
// saved in the output directory as the first parcel's right holder + ".xlsx" and shown.
//
// The numbered mark's record (application "South", items after the name all text):
//   1 ownership code + "-1" (the circle: "-2")   2 right holder   3 "parcel_point" (2_5)
//   4 the mark's position "northing,easting"     5 the mark's boundary description
//   6, 7 empty
//
// A coordinate-list line: point number within the parcel, northing, easting and the mark's
// boundary description (the same text the table row splits into columns I and K, so a
// description "沟渠,中" makes the line end in "沟渠,中"), GBK with CR LF.
//
// Stops: two marks at one corner ("有重复点，程序中断！"), Cancel on the progress, which is
// looked at before every parcel, or a search or write the drawing refuses (the host's reason
// is shown); the parcels numbered so far stay numbered and listed in the coordinate list, and
// no workbook is saved. The point display is switched off while the command works and on again
// however it ends.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "host/command_frame.h"

namespace korvane::parcel {

inline constexpr const char* kSurveyTemplate = "集体土地权属调查表.xlsx";
inline constexpr const char* kCoordinateList = "界址点坐标成果.INI";
inline constexpr const char* kMarkLayer = "界址点";
inline constexpr const char* kUnnumberedLayer = "今后界址点";
inline constexpr int kMarkColour = 1;
inline constexpr double kLabelHeight = 5.0;
inline constexpr double kCircleRadius = 2.0;

inline constexpr const char* kModePrompt = "界址点编号标识:[1.字母]/[2.顺序]<1>:";
inline constexpr const char* kBadModeLine = "-----非法输入-----.\r\n";
inline constexpr const char* kTemplateOpenMessage = "文件已打开！请不要重复打开。";
inline constexpr const char* kDuplicateMarkMessage = "有重复点，程序中断！";
inline constexpr const char* kFriendlyTitle = "友情提示";
inline constexpr const char* kSurveyExportTitle = "输出调查表";

// The message for a template that is not there: its path followed by "未找到！".
std::string missing_template_message(const std::filesystem::path& template_path);

// Whether a spreadsheet program holds the template open: its lock file "~$NAME" or
// ".~lock.NAME#" lies beside it.
bool template_in_use(const std::filesystem::path& template_path);

// Whether the text can name a file of its own in a folder: not empty, not "." or "..", no
// "/", "\", ":", "*", "?", '"', "<", ">", "|" or control characters, no blank or "." at
// its end, at most 255 bytes with ".xlsx".
bool valid_file_name(std::string_view name);
std::string invalid_name_message(std::string_view holder);

// The U21 note for several parcels: "共有N个地块，宗地号分别为：a、b、c。".
std::string several_parcels_note(const std::vector<std::string>& parcel_numbers);

enum class SurveyOutcome {
    NothingSelected,
    BadMode,
    InvalidName,
    MissingTemplate,
    TemplateInUse,
    BadTemplate,
    DuplicateMark,
    Cancelled,
    DrawingFailed,  // the host refused a search or a write in the drawing (its reason is shown)
    SaveFailed,
    Saved,
};

struct SurveyResult {
    SurveyOutcome outcome = SurveyOutcome::NothingSelected;
    long parcels = 0;  // parcels walked
    long points = 0;   // points numbered
    std::filesystem::path workbook;  // when saved
};

// The command as Command6 of the parcel form runs it.
SurveyResult survey_export(host::Session& session);

// The export of the members of the document's selection set "text" (inside a command frame),
// from the numbering mode on. `mode` 0 asks (or takes 2 for 24 parcels and more).
SurveyResult export_survey(host::CommandContext& ctx, int mode = 0);

}  // namespace korvane::parcel
