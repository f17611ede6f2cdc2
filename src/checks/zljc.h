#pragma once
// The quality-check list "质量检查": the checker's notebook during the inspection of a
// drawing. The checker picks a place, types what is wrong there and adds an entry; the list is
// saved to and loaded from a plain text file; a double-click on an entry takes the drawing
// window there and leaves a small yellow circle on "检查图层".
//
// An entry is one line of five comma-separated fields: remark,x,y,date,checker (x and y as
// "0.00", the date in the short form). Fields are not quoted, so a "," typed in the remark or
// the checker's name is stored as the full-width "，": the line always has five fields.
//
// Controls: Command1 点位, Command2 增加, Command3 保存, Command4 打开, Command5 清空,
// Command6 自动检查 (the automatic check, its findings appended as entries),
// Text1 remark (Enter adds), Text2 checker (preset from the setting "Checker"), Label2 检查者：,
// Label1 the picked point "x,y", List1 the entries (double-click: show; right button: delete).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/form_model.h"
#include "host/command_frame.h"

namespace korvane::checks {

inline constexpr const char* kCheckLayer = "检查图层";
inline constexpr int kCheckColour = 2;  // yellow
inline constexpr double kCheckCircleRadius = 1;
// The height of the view the drawing window shows around a place (zoom centre).
inline constexpr double kPlaceMagnification = 120;
// The setting that holds the default checker name (the name of the last entry added).
inline constexpr const char* kCheckerKey = "Checker";

inline constexpr const char* kNoPointMessage = "请选择点位";
inline constexpr const char* kNoRemarkMessage = "检查内容为空！";
inline constexpr const char* kNoCheckerMessage = "检查者没填写！";
inline constexpr const char* kNothingToSaveMessage = "无数据，不能保存。";

// The entry line. Commas in the remark and the checker's name become "，".
std::string check_entry_line(std::string_view remark, std::string_view point, std::string_view date,
                             std::string_view checker);
// "x,y" of a point as the point display shows it.
std::string point_text(const host::Point& p);
// The place an entry names: its x and y fields counted from the end (so that a line written
// elsewhere with commas in its remark still gives its place). Nothing when they are not numbers.
std::optional<host::Point> check_entry_place(std::string_view line);

class ZLJC : public common::FormModel {
public:
    explicit ZLJC(host::Session& session);

    void load() override;
    void resize() override;

    void pick_point();       // Command1
    void add_typed();        // Command2, Enter in Text1
    void save();             // Command3
    void open();             // Command4
    void clear();            // Command5
    void show_place();       // List1 double-click
    void delete_selected();  // List1 right button

    // Adds a finding from code (another check's result): the entry is appended as 增加 would,
    // dated today, without touching the boxes. Returns the line added.
    std::string add_entry(std::string_view remark, const host::Point& place, std::string_view checker);
    // Many findings at once (remark and place each), the list told of the change once.
    void add_entries(const std::vector<std::pair<std::string, host::Point>>& findings, std::string_view checker);
    const std::vector<std::string>& entries() const { return control("List1").items; }

private:
    host::Session& session_;
    void append(std::string line);
    void set_text_of(const char* control, const std::string& text);
    std::string today() const;
};

}  // namespace korvane::checks
