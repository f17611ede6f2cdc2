#pragma once
// The boundary-walk record block of the main panel ("走界记录"): six boxes for
// the record of a boundary point, seven preset descriptions, the handle of the
// record being edited, and the commands 增加, 查看, 修改/确定 and the two 统改.
//
// A work-record point is a POINT carrying, under the application "South", the
// record below; every item after the application name is text (1000):
//   0 "South" (1001)   1 "000000"   2 survey date   3 plotter   4 boundary pointer
//   5 persons present  6 boundary description   7 map number ("9999": future boundary point)
//   8..11 empty (only on records made by 增加; 修改/确定 writes items 0..7 and so leaves 8 items)
#include <array>
#include <string>

#include "common/form_model.h"
#include "host/host.h"

namespace korvane::panel {

class Workspace;

inline constexpr const char* kRecordApp = "South";
inline constexpr const char* kRecordMark = "000000";
inline constexpr const char* kWorkLayer = "工作记录";
inline constexpr const char* kFutureLayer = "今后界址点";
inline constexpr int kWorkColor = 1;    // red
inline constexpr int kFutureColor = 2;  // yellow
// A map number from which on a point is a future boundary point.
inline constexpr double kFutureNumber = 9999;

// The handle field's text while no record is being edited.
inline constexpr const char* kNoEntity = "没有实体可操作";
// The settings key of the plotter box's default (empty when not set).
inline constexpr const char* kPlotterKey = "Plotter";

inline constexpr int kWalkBoxes = 6;
extern const char* const kWalkCaptions[kWalkBoxes];
extern const char* const kWalkDefaults[kWalkBoxes];
inline constexpr int kPresets = 7;
extern const char* const kPresetCaptions[kPresets];

inline constexpr uint32_t kFlashGrey = 0x808080;  // RGB 128, 128, 128
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr double kAddFlashSeconds = 0.2;
inline constexpr double kViewFlashSeconds = 0.5;

// 修改/确定 on an entity that is no longer in the drawing (erased or undone since it was picked).
inline constexpr const char* kEntityGoneMessage = "要修改的实体已不在图中（已删除或已放弃），没有写入任何数据！";
// Refusal of 修改/确定 on an entity that does not carry a work record.
inline constexpr const char* kNotWorkRecordMessage =
    "所选实体不是走界记录点（带“000000”记录的点），不能写入走界记录！\r\n该实体及其属性数据未作任何改动。";

// A record of 8 or 12 items whose item 0 is the 1001 application name "South" (any case)
// and item 1 the text "000000".
bool is_work_record(const host::XData& data);
// A point entity (AcDbPoint) whose "South" data is a work record. Only such an entity may
// receive a record from 修改/确定: anything else (a parcel's attribute record, a numbered
// boundary-point mark, the add-on's feature codes, a bare point) is left alone.
bool is_work_record_point(host::Entity& entity);

// The record for the six field values: 12 items (with the empty tail) or 8.
host::XData make_work_record(const std::array<std::string, kWalkBoxes>& fields, bool with_tail);

// Adds the block's controls (frame "Frame1", boxes Text1(0..5) with caption labels
// Label7(0..5), Label3(0..6), handle caption Label8 and handle Label4, Command1..5) to the
// main panel and wires their handlers. Reads the plotter default from the settings.
void add_boundary_walk(common::FormModel& panel, Workspace& ws);

// The commands, as the block's controls run them.
void walk_add(common::FormModel& panel, Workspace& ws);
void walk_view(common::FormModel& panel, Workspace& ws);
void walk_confirm(common::FormModel& panel, Workspace& ws);
// Item 3 (plotter, prompt "调查人：") or item 4 (pointer, prompt "指界人：") of every selected
// work-layer point.
void walk_change_all(common::FormModel& panel, Workspace& ws, int item);
void walk_preset(common::FormModel& panel, int index);

// Puts the handle field back to its idle text (other forms do this before their own picks).
void reset_record_handle(common::FormModel& panel);

}  // namespace korvane::panel
