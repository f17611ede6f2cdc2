#include "parcel/sxb.h"

#include "common/maimod.h"
#include "common/numbers.h"
#include "common/text.h"
#include "parcel/outline_match.h"
#include "parcel/selection_sets.h"
#include "parcel/survey_export.h"

namespace korvane::parcel {

using common::Control;
using common::ControlKind;
using common::MsgIcon;

const char* const kLabelCaptions[kLabels] = {"宗 地 号", "权利人",   "土地座落", "通讯地址", "权属性质", "土地证号",
                                             "实测面积", "发证面积", "东至",     "南至",     "权属代码", "西至",
                                             "北至",     "调查记事", "调查员",   "调查日期", "批准日期", "四至说明"};

namespace {

constexpr const char* kHandleFrame = "Frame1";
constexpr const char* kSave = "Command2";
constexpr const char* kFilter = "Text2";
constexpr const char* kList = "Combo1";
constexpr const char* kHoleCode = "999999";  // the parcel number of state land in a collective area

std::string box_name(int k) { return "Text1(" + std::to_string(k) + ")"; }
std::string label_name(int i) { return "Label1(" + std::to_string(i) + ")"; }

// The boxes in the order the window shows them, each after its caption label, by frame.
struct Row {
    int label;
    int box;
};
constexpr Row kMainRows[] = {{10, 2}, {0, 3}, {1, 4}, {3, 10}, {2, 11}, {4, 12},
                             {6, 13}, {7, 14}, {5, 15}, {16, 16}};
constexpr Row kBoundaryRows[] = {{17, 5}, {8, 6}, {9, 7}, {11, 8}, {12, 9}};
constexpr Row kSurveyRows[] = {{13, 17}, {14, 18}, {15, 19}};

// The box a neighbour label fills (东至, 南至, 西至, 北至).
int neighbour_box(int label) {
    switch (label) {
        case 8: return 6;
        case 9: return 7;
        case 11: return 8;
        case 12: return 9;
        default: return 0;
    }
}

}  // namespace

std::string missing_table_message(const std::string& shown_path) {
    return "无法找到：“" + shown_path + "”\r\n应建立该文件，格式：经济组织名称，权属代码";
}

SXB::SXB(host::Session& session, std::function<void()> reset_panel_handle)
    : FormModel("SXB"), session_(session), reset_panel_handle_(std::move(reset_panel_handle)) {
    add_controls();
}

void SXB::add_controls() {
    const common::Paths& paths = session_.ui.paths();
    caption = std::string(kSxbCaptionPrefix) + "[" + paths.data_file(kCodeTableFile).string() + "]";
    auto rows = [this](const char* frame, const auto& list) {
        for (const Row& r : list) {
            add(label_name(r.label), ControlKind::Label, kLabelCaptions[r.label]).parent = frame;
            add(box_name(r.box), ControlKind::TextBox).parent = frame;
        }
    };
    add("Frame1", ControlKind::Frame);
    rows("Frame1", kMainRows);
    add("Frame2", ControlKind::Frame, "四至");
    rows("Frame2", kBoundaryRows);
    add("Command7", ControlKind::Button, "统加", "自动查找和记录本宗地的相邻小组的名称。").parent = "Frame2";
    add("Frame3", ControlKind::Frame);
    rows("Frame3", kSurveyRows);
    add(kFilter, ControlKind::TextBox).parent = "Frame3";
    add(kList, ControlKind::ListBox).parent = "Frame3";
    add("Option1", ControlKind::OptionButton, "独有宗地");
    add("Option2", ControlKind::OptionButton, "共有宗地");
    add("Option3", ControlKind::OptionButton, "争议宗地");
    add("Command1", ControlKind::Button, "选择").on_click = [this] { select(); };
    add(kSave, ControlKind::Button, "保存").on_click = [this] { save(); };
    add("Command3", ControlKind::Button, "清空").on_click = [this] { clear(); };
    add("Command4", ControlKind::Button, "点选").on_click = [this] { point_pick(); };
    add("Command5", ControlKind::Button, "查看").on_click = [this] { view(); };
    add("Command6", ControlKind::Button, "输出调查表",
        "自在在Excel中填写宗地的相关内容。必须有该文件[" + paths.data_file(kSurveyTemplate).string() + "]")
        .on_click = [this] {
        if (on_survey_export) on_survey_export(*this);
    };
    control("Command7").on_click = [this] {
        if (on_neighbour_fill) on_neighbour_fill(*this);
    };

    // Room for a 12-digit code in the main boxes and a neighbour list of three names in 四至说明.
    control(box_name(2)).sample = "440123101001 ";
    control(box_name(5)).sample = "上围村民小组,下围村民小组,塘尾村民小组,";
    control(label_name(1)).tooltip = "可在图面选择国有土地名称";
    control(label_name(10)).tooltip = "单击为国有土地代码";
    for (int i : {13, 14, 15}) control(label_name(i)).tooltip = "可在图面选择标记点获取";
    for (int i = 0; i < kLabels; ++i) control(label_name(i)).on_click = [this, i] { label_click(i); };

    control(kFilter).on_change = [this] { filter_changed(); };
    control(kList).on_click = [this] { list_click(); };
    control(kList).on_dblclick = [this] { list_dblclick(); };
    control(kSave).enabled = false;
}

// ---------------------------------------------------------------- state

std::string SXB::handle() const { return control(kHandleFrame).text; }

ParcelType SXB::chosen_type() const {
    if (control("Option1").value) return ParcelType::Sole;
    if (control("Option2").value) return ParcelType::Joint;
    if (control("Option3").value) return ParcelType::Disputed;
    return ParcelType::None;
}

const std::string& SXB::box(int k) const { return control(box_name(k)).text; }

void SXB::set_box(int k, const std::string& text) { set_caption(box_name(k), text); }

std::array<std::string, kAttributeTexts> SXB::box_texts() const {
    std::array<std::string, kAttributeTexts> out;
    for (int k = kFirstBox; k <= kLastBox; ++k) out[size_t(k - kFirstBox)] = box(k);
    return out;
}

void SXB::set_caption(const std::string& name, const std::string& text) {
    Control& c = control(name);
    c.text = text;
    changed(c);
}

void SXB::set_enabled(const std::string& name, bool on) {
    Control& c = control(name);
    c.enabled = on;
    changed(c);
}

void SXB::enable_boxes(bool on) {
    for (int k = kFirstBox; k <= kLastBox; ++k) set_enabled(box_name(k), on);
}

void SXB::set_handle(const std::string& h) { set_caption(kHandleFrame, h); }

void SXB::choose_type(ParcelType type) {
    const std::pair<const char*, ParcelType> options[] = {
        {"Option1", ParcelType::Sole}, {"Option2", ParcelType::Joint}, {"Option3", ParcelType::Disputed}};
    for (const auto& [name, t] : options) {
        Control& c = control(name);
        c.value = t == type ? 1 : 0;
        changed(c);
    }
}

void SXB::flash() {
    auto paint = [this](uint32_t rgb) {
        for (int k = kFirstBox; k <= kLastBox; ++k) {
            Control& c = control(box_name(k));
            c.text.clear();
            c.back_color = rgb;
            changed(c);
        }
    };
    paint(kBoxGrey);
    session_.ui.wait(kFlashSeconds);
    paint(kBoxWhite);
}

// ---------------------------------------------------------------- load and close

void SXB::load() {
    topmost = true;
    const auto file = session_.ui.paths().data_file(kCodeTableFile);
    if (table_.load(file)) {
        set_caption("Frame3", std::to_string(table_.last_index()));
        set_enabled(kFilter, true);
    } else {
        session_.ui.message_box(missing_table_message(file.string()), "提示", MsgIcon::Exclamation);
        set_enabled(kFilter, false);
    }
    enable_boxes(false);
    form_changed();
}

void SXB::unload() {
    // Nothing was picked: there is no outline to put back, and no reason to reach the host.
    const std::string h = common::trim(handle());
    if (!h.empty())
        host::run_command(session_, host::FrameVariant::A, [&h](host::CommandContext& ctx) {
            host::DocumentPtr doc = ctx.doc();
            if (host::EntityPtr e = doc ? doc->HandleToObject(h) : nullptr) e->SetConstantWidth(0);
        });
    set_handle("");
    set_enabled(kSave, false);
}

void SXB::drawing_changed() {
    set_handle("");
    set_enabled(kSave, false);
    enable_boxes(false);
}

// ---------------------------------------------------------------- drawing helpers

host::EntityPtr SXB::pick(host::CommandContext& ctx, const std::string& prompt) {
    host::DocumentPtr doc = ctx.doc();
    host::UtilityPtr util = doc ? doc->Utility() : nullptr;
    if (!util) return nullptr;
    host::EntityPtr e;
    host::Point at;
    if (!util->GetEntity(e, at, prompt)) return nullptr;
    return e;
}

host::EntityPtr SXB::pick_parcel(host::CommandContext& ctx) {
    host::DocumentPtr doc = ctx.doc();
    ctx.err.clear();
    host::EntityPtr parcel = pick(ctx, "请选择范围线：");
    // A text, a point or a circle is no parcel: picking one counts as picking nothing, so a
    // record is never written onto it.
    bool not_a_parcel = false;
    if (parcel) {
        const std::string kind = parcel->ObjectName();
        not_a_parcel = kind != "AcDbPolyline" && kind != "AcDb2dPolyline";
        if (not_a_parcel) parcel = nullptr;
    }
    if (!parcel && (not_a_parcel || ctx.err.number == host::kErrFail) && doc) {
        if (host::UtilityPtr util = doc->Utility()) util->Prompt(kNoParcelLine);
        set_enabled(kSave, false);
        doc->SendCommand("REDRAW ");
    }
    // Any other failure ends the command silently.
    return parcel;
}

bool SXB::hatch(host::CommandContext& ctx, host::Entity& parcel) {
    host::DocumentPtr doc = ctx.doc();
    if (!doc) return false;
    host::ModelSpacePtr ms = doc->ModelSpace();
    if (!ms) return false;
    const long before = ms->Count();
    doc->SendCommand("hatch\ru\r45\r2\rY\r" + common::handle_expression(parcel.Handle()) + "\r\r");
    // Only a hatch this command made is touched: when the host made none (not a closed
    // polyline, a refused boundary) the newest entity is somebody else's.
    ms = doc->ModelSpace();
    const long after = ms ? ms->Count() : before;
    if (after <= before) return false;
    host::EntityPtr made = ms->Item(after - 1);
    if (!made || made->ObjectName() != "AcDbHatch") return false;
    if (host::LayersPtr layers = doc->Layers()) layers->Add(kHatchLayer);
    made->Setcolor(kHatchColour);
    made->SetLayer(kHatchLayer);
    return true;
}

void SXB::show_record(host::CommandContext& ctx, host::Entity& entity) {
    ParcelRead r = read_parcel_record(entity);
    (void)ctx;
    if (r.state == RecordState::Record) {
        ParcelType t = type_of_layer(entity.Layer());
        if (t == ParcelType::Sole || t == ParcelType::Joint || t == ParcelType::Disputed) choose_type(t);
        flash();
        const auto texts = r.record.texts();
        for (int k = kFirstBox; k <= kLastBox; ++k) set_box(k, texts[size_t(k - kFirstBox)]);
    }
}

// ---------------------------------------------------------------- commands

void SXB::select() {
    host::run_command(session_, host::FrameVariant::A, [this](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::EntityPtr parcel = pick_parcel(ctx);
        if (parcel) take_parcel(ctx, *parcel);
    });
}

void SXB::take_parcel(host::CommandContext& ctx, host::Entity& parcel) {
    set_handle(parcel.Handle());
    set_enabled(kSave, true);
    hatch(ctx, parcel);
    enable_boxes(true);

    ParcelRead r = read_parcel_record(parcel);
    parcel.Setcolor(6);
    parcel.SetConstantWidth(1);
    switch (r.state) {
        case RecordState::NoData:
            if (host::DocumentPtr doc = ctx.doc())
                if (host::UtilityPtr util = doc->Utility()) util->Prompt(kEmptyRecordLine);
            flash();
            break;
        case RecordState::Foreign:
            // The boxes still hold the previous parcel's texts: saving now would write
            // them onto this polyline, over data that is not ours.
            set_enabled(kSave, false);
            ctx.ui.message_box(kForeignDataMessage, "提示", MsgIcon::Critical);
            break;
        case RecordState::Record: show_record(ctx, parcel); break;
    }
}

host::EntityPtr SXB::parcel_with_outline(host::Document& doc, host::Entity& traced) {
    const std::vector<double> outline = traced.Coordinates();
    host::SelectionSetPtr around = fresh_selection_set(doc, kOutlineSet);
    if (!around || outline.size() < 6) return nullptr;
    std::vector<double> polygon;
    for (size_t k = 0; k + 1 < outline.size(); k += 2) polygon.insert(polygon.end(), {outline[k], outline[k + 1], 0});
    host::Filter polylines;
    polylines.add(0, "LWPOLYLINE");
    around->SelectByPolygon(7, polygon, polylines);
    host::EntityPtr found;
    for (long i = 0; i < around->Count() && !found; ++i) {
        host::EntityPtr e = around->Item(i);
        if (e && e->Handle() != traced.Handle() && e->Closed() &&
            same_outline(outline, e->Coordinates(), kSameOutlineTolerance))
            found = e;
    }
    around->Delete();
    return found;
}

void SXB::view() {
    set_enabled(kSave, false);
    host::run_command(session_, host::FrameVariant::A, [this](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::EntityPtr parcel = pick_parcel(ctx);
        if (!parcel) return;
        switch (record_state(parcel->GetXData(""))) {
            case RecordState::NoData:
                if (host::UtilityPtr util = doc->Utility()) util->Prompt(kEmptyRecordLine);
                flash();
                break;
            case RecordState::Foreign: ctx.ui.message_box(kForeignDataMessage, "提示", MsgIcon::Critical); break;
            case RecordState::Record: show_record(ctx, *parcel); break;
        }
    });
}

void SXB::save() {
    const std::string h = common::trim(handle());
    host::run_command(session_, host::FrameVariant::A, [this, &h](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::EntityPtr parcel = doc && !h.empty() ? doc->HandleToObject(h) : nullptr;
        if (!parcel) {
            // Erased or undone since it was picked: say so and keep the texts in the form.
            ctx.err.clear();
            ctx.ui.message_box(kParcelGoneMessage, "提示", MsgIcon::Critical);
            return;
        }
        // The texts are stored first, so that nothing typed is lost even when the save is
        // refused below.
        ctx.err.clear();
        write_parcel_record(*parcel, ParcelAttributeRecord::from_texts(box_texts(), ctx.ui.clock().now()));
        if (ctx.err) {
            // The drawing refused the record (a text too long for extended data): nothing was
            // stored, so nothing may look saved.
            ctx.ui.message_box(std::string(kRecordNotWrittenMessage) + ctx.err.description, "提示", MsgIcon::Critical);
            ctx.err.clear();
            return;
        }
        if (host::LayersPtr layers = doc->Layers())
            for (ParcelType t : {ParcelType::Sole, ParcelType::Joint, ParcelType::Disputed, ParcelType::State})
                layers->Add(layer_of(t));

        // Every check comes before the parcel is re-layered: a refused save leaves it on its
        // layer and colour, never half classified, and the user is told what was kept.
        SavePlan plan = plan_save(chosen_type(), box(2), box(18), box(19));
        if (plan.refused()) {
            ctx.ui.message_box(plan.refusal + "\r\n" + kRefusedSaveNote, "提示", MsgIcon::Critical);
            return;
        }
        if (plan.target != ParcelType::None) {
            parcel->SetLayer(layer_of(plan.target));
            parcel->Setcolor(colour_of(plan.target));
        }
        parcel->SetConstantWidth(0);
        hatch(ctx, *parcel);

        set_enabled(kSave, false);
        set_handle("");
        enable_boxes(false);
        if (host::UtilityPtr util = doc->Utility()) util->Prompt(std::string(kSavedLine) + "\r\n");
        doc->SendCommand("REDRAW ");
    });
}

void SXB::clear() {
    flash();
    for (int k = kFirstBox; k <= kLastBox; ++k) set_box(k, "");
}

void SXB::point_pick() {
    host::run_command(session_, host::FrameVariant::A, [this](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (doc) doc->SetVariable("osmode", host::Value(0LL));
        host::ModelSpacePtr ms = doc ? doc->ModelSpace() : nullptr;
        const long before = ms ? ms->Count() : 0;
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        std::optional<host::Point> at = util ? util->GetPoint(std::nullopt, "指定图形内部点: ") : std::nullopt;
        if (at)
            doc->SendCommand("_-Boundary\r" + common::number_to_text(at->x) + "," + common::number_to_text(at->y) +
                             "\r\r");
        ms = doc ? doc->ModelSpace() : nullptr;
        const long after = ms ? ms->Count() : before;
        host::EntityPtr made = after > before ? ms->Item(after - 1) : nullptr;
        host::EntityPtr existing = made && made->ObjectName() == "AcDbPolyline" ? parcel_with_outline(*doc, *made) : nullptr;
        if (existing) {
            // The point lies in a parcel the boundary only repeats: no second outline on top of it.
            made->Delete();
            if (util) util->Prompt(std::string(kExistingParcelLine) + existing->Handle() + "\r\n");
            take_parcel(ctx, *existing);
            return;
        }
        if (made && made->ObjectName() == "AcDbPolyline") {
            made->Setcolor(6);
            made->SetConstantWidth(1.0);
            set_handle(made->Handle());
            set_enabled(kSave, true);
        } else if (util) {
            util->Prompt(std::string("\r\n") + kNoBoundaryLine + "\r\n");
        }
        flash();
        enable_boxes(true);
    });
}

void SXB::label_click(int index) {
    host::run_command(session_, host::FrameVariant::A, [this, index](host::CommandContext& ctx) {
        if (reset_panel_handle_) reset_panel_handle_();
        // The text of a picked text entity; nothing when the pick failed or it has no text.
        auto picked_text = [&](std::string& out) {
            host::EntityPtr e = pick(ctx, "请选择:");
            if (!e) return false;
            ctx.err.clear();
            std::string t = e->TextString();
            if (ctx.err) return false;
            out = std::move(t);
            return true;
        };
        // Items of a picked work-record point into boxes; items the entity lacks leave their
        // box alone.
        auto picked_record = [&](std::initializer_list<std::pair<int, size_t>> box_items) {
            host::EntityPtr e = pick(ctx, "请选择:");
            if (!e) return;
            host::XData data = e->GetXData("");
            for (const auto& [k, item] : box_items)
                if (item < data.size()) set_box(k, data.text(item));
        };
        std::string text;
        switch (index) {
            case 1:
                if (picked_text(text)) set_box(4, text);
                set_box(2, kStateCode);
                set_box(3, kHoleCode);
                break;
            case 8:
            case 9:
            case 11:
            case 12:
                if (picked_text(text)) set_box(neighbour_box(index), text);
                break;
            case 10:
                set_box(2, kStateCode);
                set_box(3, kHoleCode);
                break;
            case 13: picked_record({{17, 6}, {18, 3}, {19, 2}}); break;
            case 14:
            case 15: picked_record({{18, 3}, {19, 2}}); break;
            default: break;
        }
    });
}

void SXB::filter_changed() {
    const std::string text = control(kFilter).text;
    if (common::trim(text).empty()) return;
    Control& list = control(kList);
    list.items = table_.filter(text);
    list.list_index = -1;
    changed(list);
}

void SXB::list_click() {
    Control& list = control(kList);
    if (list.list_index < 0 || size_t(list.list_index) >= list.items.size()) return;
    list.tooltip = org_name_of(list.items[size_t(list.list_index)]);
    changed(list);
}

void SXB::list_dblclick() {
    const Control& list = control(kList);
    if (list.list_index < 0 || size_t(list.list_index) >= list.items.size()) return;
    auto picked = pick_org(list.items[size_t(list.list_index)], chosen_type(), box(2), box(4));
    if (!picked) return;
    set_box(2, picked->code);
    set_box(4, picked->holder);
    set_box(3, picked->parcel_number);
}

}  // namespace korvane::parcel
