#include "panel/boundary_walk.h"

#include "common/maimod.h"
#include "common/numbers.h"
#include "common/text.h"
#include "host/command_frame.h"
#include "panel/workspace.h"

namespace korvane::panel {

using common::Control;
using common::ControlKind;
using common::FormModel;
using common::MsgIcon;

const char* const kWalkCaptions[kWalkBoxes] = {"调查日期：", "标绘者：", "指界人：", "人员组成：", "界址说明：", "图上编号："};
const char* const kWalkDefaults[kWalkBoxes] = {"调查日期", "", "村民推选代表", "镇政府、国土所、村委、村小组代表、技术人员",
                                                "水沟中心", "1"};
const char* const kPresetCaptions[kPresets] = {"沟渠,中", "田埂,中", "道路,中", "斜坡,顶", "陡坎,顶", "山脊,中", "围墙,外"};

namespace {

constexpr const char* kFrame = "Frame1";
constexpr const char* kHandle = "Label4";
constexpr const char* kConfirm = "Command3";

std::string box_name(int i) { return "Text1(" + std::to_string(i) + ")"; }

Control& box(FormModel& panel, int i) { return panel.control(box_name(i)); }

void set_text(FormModel& panel, Control& c, std::string text) {
    c.text = std::move(text);
    panel.changed(c);
}

// The handle field; 修改/确定 is enabled exactly while it names an entity.
void set_handle(FormModel& panel, const std::string& text) {
    set_text(panel, panel.control(kHandle), text);
    Control& confirm = panel.control(kConfirm);
    confirm.enabled = text != kNoEntity;
    panel.changed(confirm);
}

void colour_boxes(FormModel& panel, uint32_t rgb) {
    for (int i = 0; i < kWalkBoxes; ++i) {
        Control& c = box(panel, i);
        c.back_color = rgb;
        panel.changed(c);
    }
}

void clear_boxes(FormModel& panel) {
    for (int i = 0; i < kWalkBoxes; ++i) set_text(panel, box(panel, i), "");
}

std::array<std::string, kWalkBoxes> box_texts(FormModel& panel) {
    std::array<std::string, kWalkBoxes> out;
    for (int i = 0; i < kWalkBoxes; ++i) out[size_t(i)] = box(panel, i).text;
    return out;
}

// An extended-data value as a text box shows it; a point does not go into a box.
std::optional<std::string> shown_value(const host::Value& v) {
    if (auto s = std::get_if<std::string>(&v)) return *s;
    if (auto n = std::get_if<long long>(&v)) return std::to_string(*n);
    if (auto d = std::get_if<double>(&v)) return common::number_to_text(*d);
    return std::nullopt;
}

void ensure_layers(host::Document* doc, std::initializer_list<const char*> names) {
    if (!doc) return;
    if (auto layers = doc->Layers())
        for (const char* name : names) layers->Add(name);
}

// A future boundary point: layer "今后界址点", yellow.
void make_future(host::Entity* entity) {
    if (!entity) return;
    entity->SetLayer(kFutureLayer);
    entity->Setcolor(kFutureColor);
}

}  // namespace

bool is_work_record(const host::XData& data) {
    if (data.size() != 8 && data.size() != 12) return false;
    if (data.codes[0] != 1001 || !common::iequals_ascii(data.text(0), kRecordApp)) return false;
    return data.codes[1] == 1000 && data.text(1) == kRecordMark;
}

bool is_work_record_point(host::Entity& entity) {
    if (entity.ObjectName() != "AcDbPoint") return false;
    return is_work_record(entity.GetXData(kRecordApp));
}

host::XData make_work_record(const std::array<std::string, kWalkBoxes>& fields, bool with_tail) {
    host::XData data;
    data.add(1001, std::string(kRecordApp));
    data.add(1000, std::string(kRecordMark));
    for (const std::string& f : fields) data.add(1000, f);
    if (with_tail)
        for (int i = 0; i < 4; ++i) data.add(1000, std::string());
    return data;
}

void add_boundary_walk(FormModel& panel, Workspace& ws) {
    panel.add(kFrame, ControlKind::Frame, "走界记录");
    auto in_frame = [&](Control& c) -> Control& {
        c.parent = kFrame;
        return c;
    };
    const std::string plotter = common::setting_read(ws.ui().settings(), kPlotterKey);
    for (int i = 0; i < kWalkBoxes; ++i) {
        in_frame(panel.add("Label7(" + std::to_string(i) + ")", ControlKind::Label, kWalkCaptions[i]));
        Control& b = in_frame(panel.add(box_name(i), ControlKind::TextBox, i == 1 ? plotter : kWalkDefaults[i]));
        b.sample = kWalkDefaults[i];  // the default shows whole
        if (i == 1)
            in_frame(panel.add("Command4", ControlKind::Button, "统改", "批量修改标绘者")).on_click = [&panel, &ws] {
                walk_change_all(panel, ws, 3);
            };
        if (i == 2)
            in_frame(panel.add("Command5", ControlKind::Button, "统改", "批量修改指界人")).on_click = [&panel, &ws] {
                walk_change_all(panel, ws, 4);
            };
    }
    for (int i = 0; i < kPresets; ++i)
        in_frame(panel.add("Label3(" + std::to_string(i) + ")", ControlKind::Label, kPresetCaptions[i])).on_click =
            [&panel, i] { walk_preset(panel, i); };
    in_frame(panel.add("Label8", ControlKind::Label, "实体句柄："));
    in_frame(panel.add(kHandle, ControlKind::Label, kNoEntity));
    in_frame(panel.add("Command1", ControlKind::Button, "增加")).on_click = [&panel, &ws] { walk_add(panel, ws); };
    in_frame(panel.add("Command2", ControlKind::Button, "查看")).on_click = [&panel, &ws] { walk_view(panel, ws); };
    Control& confirm = in_frame(panel.add(kConfirm, ControlKind::Button, "修改/确定"));
    confirm.enabled = false;
    confirm.on_click = [&panel, &ws] { walk_confirm(panel, ws); };
}

void reset_record_handle(FormModel& panel) { set_handle(panel, kNoEntity); }

void walk_preset(FormModel& panel, int index) {
    set_text(panel, box(panel, 4), panel.control("Label3(" + std::to_string(index) + ")").text);
}

void walk_add(FormModel& panel, Workspace& ws) {
    host::run_command(ws.session(), host::FrameVariant::A, [&panel](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        ensure_layers(doc.get(), {kWorkLayer, kFutureLayer});
        set_handle(panel, kNoEntity);

        // The pick; a cancelled one leaves no point, and the steps below go on without it.
        host::EntityPtr point;
        if (host::UtilityPtr util = doc ? doc->Utility() : nullptr)
            if (auto at = util->GetPoint(std::nullopt, "请选择点位:"))
                if (host::ModelSpacePtr ms = doc->ModelSpace()) point = ms->AddPoint(*at);
        if (point) {
            point->SetLayer(kWorkLayer);
            point->Setcolor(kWorkColor);
        }

        colour_boxes(panel, kFlashGrey);
        ctx.ui.wait(kAddFlashSeconds);
        colour_boxes(panel, kWhite);

        if (point) {
            point->SetXData(make_work_record(box_texts(panel), true));
            set_handle(panel, point->Handle());
        } else {
            set_handle(panel, panel.control(kHandle).text);
        }

        // The next map number; a box that does not hold a number stays as it is.
        Control& number = box(panel, 5);
        if (auto n = common::to_number(number.text)) {
            double next = *n + 1;
            set_text(panel, number, common::number_to_text(next));
            if (next >= kFutureNumber) {
                set_text(panel, number, "9999");
                make_future(point.get());
            }
        }
    });
}

void walk_view(FormModel& panel, Workspace& ws) {
    host::run_command(ws.session(), host::FrameVariant::A, [&panel](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        ensure_layers(doc.get(), {kWorkLayer});
        set_handle(panel, kNoEntity);

        host::EntityPtr entity;
        host::Point picked;
        if (host::UtilityPtr util = doc ? doc->Utility() : nullptr) util->GetEntity(entity, picked, "请选择点位");
        // A cancelled pick leaves the boxes as they were: what the surveyor typed is kept.
        if (!entity) return;
        set_text(panel, panel.control(kHandle), entity->Handle());

        clear_boxes(panel);
        colour_boxes(panel, kFlashGrey);
        ctx.ui.wait(kViewFlashSeconds);
        clear_boxes(panel);
        colour_boxes(panel, kWhite);

        host::XData data = entity->GetXData("");
        for (int i = 0; i < kWalkBoxes; ++i) {
            size_t item = size_t(i) + 2;
            if (item >= data.size()) break;
            if (auto text = shown_value(data.values[item])) set_text(panel, box(panel, i), *text);
        }
        set_handle(panel, entity->Handle());
    });
}

void walk_confirm(FormModel& panel, Workspace& ws) {
    host::FrameOptions options;
    options.check = [&panel](host::CommandContext& ctx) {
        if (common::trim(panel.control(kHandle).text) == kNoEntity) {
            ctx.ui.message_box("没有可操作的实体！", "提示", MsgIcon::Critical);
            return false;
        }
        return true;
    };
    host::run_command(
        ws.session(), host::FrameVariant::A,
        [&panel](host::CommandContext& ctx) {
            host::DocumentPtr doc = ctx.doc();
            host::EntityPtr entity = doc ? doc->HandleToObject(common::trim(panel.control(kHandle).text)) : nullptr;
            // Erased or undone since it was picked: nothing is written, and nothing looks done.
            if (!entity) {
                ctx.err.clear();
                set_handle(panel, kNoEntity);
                ctx.ui.message_box(kEntityGoneMessage, "提示", MsgIcon::Critical);
                return;
            }
            // Only a work record is rewritten: any other entity's data (a parcel's attribute
            // record, a numbered mark) would be lost, so it is refused before anything changes.
            if (!is_work_record_point(*entity)) {
                ctx.ui.message_box(kNotWorkRecordMessage, "提示", MsgIcon::Critical);
                return;
            }
            ensure_layers(doc.get(), {kWorkLayer, kFutureLayer});
            entity->SetXData(make_work_record(box_texts(panel), false));
            entity->SetLayer(kWorkLayer);
            set_handle(panel, kNoEntity);
            ctx.ui.message_box("修改完成！", "提示", MsgIcon::Exclamation);

            Control& number = box(panel, 5);
            if (auto n = common::to_number(number.text); n && *n >= kFutureNumber) {
                set_text(panel, number, "9999");
                make_future(entity.get());
            }
        },
        options);
}

void walk_change_all(FormModel& panel, Workspace& ws, int item) {
    (void)panel;
    host::run_command(ws.session(), host::FrameVariant::A, [item](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::SelectionSetsPtr sets = doc ? doc->SelectionSets() : nullptr;
        if (!sets) return;
        if (host::SelectionSetPtr old = sets->Item("text")) old->Delete();
        host::SelectionSetPtr set = sets->Add("text");
        if (!set) return;
        host::Filter filter;
        filter.add(0, "point").add(8, std::string(kWorkLayer) + "," + kFutureLayer);
        set->SelectOnScreen(filter);
        long count = set->Count();
        if (count <= 0) return;

        host::UtilityPtr util = doc->Utility();
        std::optional<std::string> typed = util ? util->GetString(true, item == 3 ? "调查人：" : "指界人：") : std::nullopt;
        // Esc at the prompt ends the command: it must not blank the field on every point.
        if (!typed) return;
        const std::string value = common::trim(*typed);

        for (long i = 0; i < count; ++i) {
            host::EntityPtr e = set->Item(i);
            if (!e) continue;
            host::XData data = e->GetXData("");
            if (size_t(item) >= data.size()) continue;  // no record, or one too short: unchanged
            data.codes[size_t(item)] = 1000;
            data.values[size_t(item)] = value;
            e->SetXData(data);
            e->Update();
        }
    });
}

}  // namespace korvane::panel
