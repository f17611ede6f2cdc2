#pragma once
// The parcel attribute form "属性表": pick a parcel polyline, see and edit its eighteen
// attribute texts, fill them from the drawing and the organisation code table, save the
// record back onto the polyline (parcel_record.h), which re-layers, recolours and hatches it.
//
// Controls (as the form names them):
//   Text1(2)..Text1(19)  the attribute boxes; box k holds record value k - 1
//   Label1(0)..(17)      their captions; labels 1, 8, 9, 10, 11, 12, 13, 14, 15 act on a click
//   Frame1               main boxes; caption = handle of the parcel being edited ("" for none)
//   Frame2               four-boundaries boxes 5..9 and Command7
//   Frame3               survey boxes 16..19, the filter; caption = the code table's last line index
//   Option1..3           独有宗地, 共有宗地, 争议宗地: the type chosen for saving
//   Text2, Combo1        filter text and the matching code-table lines (a list)
//   Command1 选择, Command2 保存, Command3 清空, Command4 点选, Command5 查看,
//   Command6 输出调查表, Command7 统加
//
// Command6 and Command7 run what is attached to `on_survey_export` and `on_neighbour_fill`
// (nothing while unset). Whoever builds those commands attaches them where the form is made
// (the form factories of the program), for example
//     sxb->on_neighbour_fill = [](parcel::SXB& f) { parcel::neighbour_fill(f); };
// and works on the form through the public members below: session(), handle(),
// chosen_type(), box(), set_box(), flash(). Each hook runs its own command frame.
#include <array>
#include <functional>
#include <string>

#include "common/form_model.h"
#include "host/command_frame.h"
#include "parcel/org_code_table.h"
#include "parcel/parcel_record.h"

namespace korvane::parcel {

// The title names the code table where it is read on this machine: "属性表[PATH]".
inline constexpr const char* kSxbCaptionPrefix = "属性表";
inline constexpr int kFirstBox = 2, kLastBox = 19;
inline constexpr int kLabels = 18;
extern const char* const kLabelCaptions[kLabels];

inline constexpr const char* kNoParcelLine = "------------没有选择到宗地------------";
inline constexpr const char* kEmptyRecordLine = "-----目前，本宗地属性为空！------";
inline constexpr const char* kSavedLine = "----------修改完成！---------";
// 点选 inside a parcel whose outline the traced boundary repeats: that parcel is taken.
inline constexpr const char* kExistingParcelLine = "点选处已有宗地，取用该宗地：";
// Vertices closer than this (1 mm) are the same point for that comparison.
inline constexpr double kSameOutlineTolerance = 0.001;
// The selection set 点选 looks for such a parcel with.
inline constexpr const char* kOutlineSet = "sxb_outline";
inline constexpr const char* kNoBoundaryLine = "------------未发现有效的边界。--------------";
inline constexpr const char* kForeignDataMessage =
    "宗地已经有其它属性，无法处理！\r\n可用[放大镜图标]中的“获取记录扩展属性”查看。";
// Added under a refusal of Save: what the refused save left in the drawing.
inline constexpr const char* kRefusedSaveNote =
    "本次输入的属性已写入宗地，但宗地的图层、颜色未改变，也未填充；请改正后再次保存。";
// Save on a parcel that is no longer in the drawing (erased or undone since it was picked).
inline constexpr const char* kParcelGoneMessage = "要保存的宗地已不在图中（已删除或已撤销），属性没有保存。";

// Save when the drawing refuses the record; the reason follows.
inline constexpr const char* kRecordNotWrittenMessage = "宗地属性没有写入，请修改后再保存：\r\n";

inline constexpr uint32_t kBoxWhite = 0xFFFFFF;
inline constexpr uint32_t kBoxGrey = 0x808080;
inline constexpr double kFlashSeconds = 0.2;

// The message shown when the code table is missing.
std::string missing_table_message(const std::string& shown_path);

class SXB : public common::FormModel {
public:
    // `reset_panel_handle` puts the main panel's record handle back to its idle text; the
    // label picks call it first (nothing when unset).
    explicit SXB(host::Session& session, std::function<void()> reset_panel_handle = {});

    void load() override;
    // Closing the window: the parcel being edited loses its wide outline.
    void unload() override;
    // The parcel being edited belonged to the drawing that was active: no parcel now.
    void drawing_changed() override;

    // The commands, as the controls run them.
    void select();      // Command1
    void save();        // Command2
    void clear();       // Command3
    void point_pick();  // Command4
    void view();        // Command5
    void label_click(int index);
    void filter_changed();   // Text2
    void list_click();       // Combo1, single click
    void list_dblclick();    // Combo1, double click

    // Hooks of Command6 (survey-table export) and Command7 (neighbour fill).
    std::function<void(SXB&)> on_survey_export;
    std::function<void(SXB&)> on_neighbour_fill;

    host::Session& session() { return session_; }
    OrgCodeTable& code_table() { return table_; }
    // The handle of the parcel being edited ("" for none).
    std::string handle() const;
    ParcelType chosen_type() const;
    // Box k (2..19).
    const std::string& box(int k) const;
    void set_box(int k, const std::string& text);
    std::array<std::string, kAttributeTexts> box_texts() const;
    // Empties the boxes on grey, waits a moment, empties them on white.
    void flash();

private:
    host::Session& session_;
    std::function<void()> reset_panel_handle_;
    OrgCodeTable table_;

    void add_controls();
    void set_caption(const std::string& control, const std::string& text);
    void set_enabled(const std::string& control, bool on);
    void enable_boxes(bool on);
    void set_handle(const std::string& handle);
    void choose_type(ParcelType type);
    void show_record(host::CommandContext& ctx, host::Entity& entity);
    // Hatches the parcel through the host's "hatch" command; the hatch, if the command made
    // one, goes onto "构面层" in colour 2. True when a hatch was made.
    bool hatch(host::CommandContext& ctx, host::Entity& parcel);
    host::EntityPtr pick(host::CommandContext& ctx, const std::string& prompt);
    // The parcel the user picks for 选择 and 查看; an empty pick says so on the command line and
    // disables 保存.
    host::EntityPtr pick_parcel(host::CommandContext& ctx);
    // The parcel becomes the one being edited, its record in the boxes (选择, and 点选 inside
    // a parcel whose outline the traced boundary repeats).
    void take_parcel(host::CommandContext& ctx, host::Entity& parcel);
    // A polyline already in the drawing whose outline is the traced boundary's.
    host::EntityPtr parcel_with_outline(host::Document& doc, host::Entity& traced);
};

}  // namespace korvane::parcel
