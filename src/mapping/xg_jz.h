#pragma once
// The batch-modify form "批量修改": walks the surveyor through a selection one entity at a
// time, so that a value many entities need is set in one pass. Two walks, one frame each:
//
//   "统计界址说明" (Frame1): work-record points of "工作记录"; each gets its boundary
//      description and becomes a future boundary point (map number 9999, layer "今后界址点",
//      yellow) or a note point (layer "点位记事", colour by layer).
//   "统改四至" (Frame2): parcel polylines; each gets its east, south, west and north neighbour.
//
// A selection writes the list of handles to the watch file (watch_file.h) and makes entity 1
// current; each "确认/下一个" writes the current entity and moves to the next. The form's caption
// holds the number of entities left, which is also the line of the next one in the file, so a
// list of N is visited 1, N, N-1, ..., 2. The current entity blinks red and white (two timers of
// 200 ms each per walk; Timer1/Timer2 parcels, Timer3/Timer4 points). Starting a selection in
// either frame ends the other frame's walk.
//
// Controls: Frame1 with Command1 选择 (Tag: current point), Label1 界址说明, Text1, Check1
// 作为界址点9999, Label2, Label3(0..8) preset descriptions, Command2 确认/下一个; Frame2 with
// Command3 选择 (Tag: current parcel; caption: its handle during a walk), Label6(0..3) 东 南 西 北,
// Text2(0..3), Label7 the parcel's holder, Label4 the red notice, Command4 确认/下一个; the four
// timers.
#include <map>
#include <string>

#include "common/form_model.h"
#include "host/command_frame.h"

namespace korvane::mapping {

inline constexpr const char* kXgjzCaption = "批量修改";
inline constexpr const char* kLengthMessage = "作为界址点，长度不正确。";
inline constexpr const char* kBlankMessage = "作为界址点，数据不能为空。";
inline constexpr const char* kDoneMessage = "处理结束。";
inline constexpr const char* kOwnNameMessage = "四至中有本村的名称！";
inline constexpr const char* kNoteLayer = "点位记事";
// The longest description a future boundary point takes, in characters.
inline constexpr size_t kMaxDescription = 5;
inline constexpr int kBlinkMs = 200;
inline constexpr double kFlashSeconds = 0.5;

// The preset descriptions in the order they stand, left to right: control index, text, colour.
struct PresetLabel {
    int index;
    const char* text;
    uint32_t colour;
};
extern const PresetLabel kPresetLabels[9];

class XG_JZ : public common::FormModel {
public:
    explicit XG_JZ(host::Session& session);

    void load() override;
    void unload() override;

    void select_points();    // Command1
    void select_parcels();   // Command3
    void confirm_point();    // Command2
    void confirm_parcel();   // Command4
    void preset_click(int index);      // Label3(index)
    void direction_click(int index);   // Label6(index): pick a text for Text2(index)
    void neighbour_changed(int index); // Text2(index) typed in
    // The number of entities left (the caption as a number).
    long remaining() const;

private:
    enum class Walk { Points, Parcels };
    host::Session& session_;
    std::map<std::string, int> timer_ids_;

    void add_controls();
    void reset();
    void set(const std::string& name, const std::string& text);
    void enable(const std::string& name, bool on);
    void set_timer(const std::string& name, bool on);
    void blink(const std::string& self, const std::string& other, const char* tag_holder, int colour);
    void stop_blink(Walk w);
    void start_blink(Walk w);
    void begin(Walk w);
    void move_on(host::CommandContext& ctx, Walk w);
    void show(host::CommandContext& ctx, Walk w, host::Entity& e);
    void finish(Walk w);
    void flash(Walk w);
    void check_own_name(int index);
};

}  // namespace korvane::mapping
