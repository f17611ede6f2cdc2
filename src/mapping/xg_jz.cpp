#include "mapping/xg_jz.h"

#include "common/numbers.h"
#include "common/text.h"
#include "common/text_file.h"
#include "mapping/watch_file.h"
#include "parcel/parcel_record.h"
#include "parcel/selection_sets.h"

namespace korvane::mapping {

using common::Control;
using common::ControlKind;
using common::MsgIcon;

namespace {

constexpr uint32_t kRed = 0xFF0000, kBlack = 0x000000, kDarkGrey = 0x404040;
constexpr uint32_t kGrey = 0x808080, kWhite = 0xFFFFFF;

constexpr const char* kRecordApp = "South";
constexpr const char* kRecordMark = "000000";
constexpr const char* kWorkLayer = "工作记录";
constexpr const char* kFutureLayer = "今后界址点";
constexpr const char* kFutureNumber = "9999";
constexpr int kDescriptionItem = 6, kNumberItem = 7;

// Colours the walk gives (host colour numbers).
constexpr int kCurrentColour = 6, kBlinkOn = 1, kBlinkOff = 7;
constexpr int kBoundaryPointColour = 2, kByLayer = 256, kDoneParcelColour = 4;
// Room around the current entity when the view is zoomed to it.
constexpr double kPointMargin = 140, kParcelMargin = 100;

std::string indexed(const char* name, int i) { return std::string(name) + "(" + std::to_string(i) + ")"; }

Control& in_frame(Control& c, const char* frame) {
    c.parent = frame;
    return c;
}


}  // namespace

const PresetLabel kPresetLabels[9] = {
    {0, "沟渠,中", kRed},      {1, "田埂,中", kBlack}, {2, "道路,中", kRed}, {4, "斜坡,顶", kDarkGrey},
    {3, "陡坎,顶", kRed},      {5, "分水,中", kDarkGrey}, {6, "围墙,外", kRed}, {7, "合水,中", kBlack},
    {8, "林权转绘", kRed},
};

XG_JZ::XG_JZ(host::Session& session) : FormModel("XG_JZ"), session_(session) {
    add_controls();
    reset();
}

void XG_JZ::add_controls() {
    width = 5760;
    height = 6300;
    // The point walk.
    add("Frame1", ControlKind::Frame, "统计界址说明").place(120, 60, 5520, 2700);
    in_frame(add("Command1", ControlKind::Button, "选择", "仅对“工作记录”图层中的点位进行批量处理。").place(150, 300, 1000, 375), "Frame1")
        .on_click = [this] { select_points(); };
    in_frame(add("Label1", ControlKind::Label, "界址说明").place(1300, 360, 900, 255), "Frame1");
    in_frame(add("Text1", ControlKind::TextBox).place(2250, 300, 3100, 330), "Frame1").on_enter = [this] {
        request_focus(control("Command2").enabled ? "Command2" : "Check1");
    };
    in_frame(add("Label2", ControlKind::Label, "不作为界址点的不要勾选-》").place(150, 840, 2700, 255), "Frame1");
    in_frame(add("Check1", ControlKind::CheckBox, "作为界址点9999").place(2900, 800, 2300, 300), "Frame1");
    for (int k = 0; k < 9; ++k) {
        const PresetLabel& p = kPresetLabels[k];
        const int row = k / 5, col = k % 5;
        Control& l = in_frame(add(indexed("Label3", p.index), ControlKind::Label, p.text).place(150 + col * 1050, 1300 + row * 400, 1000, 255), "Frame1");
        l.fore_color = p.colour;
        l.on_click = [this, i = p.index] { preset_click(i); };
    }
    in_frame(add("Command2", ControlKind::Button, "确认/下一个").place(3850, 2160, 1500, 375), "Frame1").on_click = [this] {
        confirm_point();
    };

    // The parcel walk.
    add("Frame2", ControlKind::Frame, "统改四至").place(120, 2880, 5520, 3300);
    in_frame(add("Command3", ControlKind::Button, "选择").place(150, 300, 1400, 375), "Frame2").on_click = [this] {
        select_parcels();
    };
    in_frame(add("Label7", ControlKind::Label).place(1700, 360, 3650, 255), "Frame2");
    const char* directions[] = {"东", "南", "西", "北"};
    for (int i = 0; i < 4; ++i) {
        const int left = 150 + (i % 2) * 2700, top = 840 + (i / 2) * 480;
        in_frame(add(indexed("Label6", i), ControlKind::Label, directions[i]).place(left, top + 45, 300, 255), "Frame2").on_click =
            [this, i] { direction_click(i); };
        in_frame(add(indexed("Text2", i), ControlKind::TextBox).place(left + 350, top, 2200, 330), "Frame2").on_change =
            [this, i] { neighbour_changed(i); };
    }
    Control& notice = in_frame(add("Label4", ControlKind::Label, "目前先不要使用此功能，待所有调查界线完成后一并处理。").place(150, 1900, 5200, 500), "Frame2");
    notice.fore_color = kRed;
    in_frame(add("Command4", ControlKind::Button, "确认/下一个").place(3850, 2700, 1500, 375), "Frame2").on_click = [this] {
        confirm_parcel();
    };

    for (int i = 1; i <= 4; ++i) add("Timer" + std::to_string(i), ControlKind::Timer).interval = kBlinkMs;
    control("Timer1").on_timer = [this] { blink("Timer1", "Timer2", "Command3", kBlinkOn); };
    control("Timer2").on_timer = [this] { blink("Timer2", "Timer1", "Command3", kBlinkOff); };
    control("Timer3").on_timer = [this] { blink("Timer3", "Timer4", "Command1", kBlinkOn); };
    control("Timer4").on_timer = [this] { blink("Timer4", "Timer3", "Command1", kBlinkOff); };
}

// ---------------------------------------------------------------- state

void XG_JZ::set(const std::string& name, const std::string& text) {
    Control& c = control(name);
    c.text = text;
    changed(c);
}

void XG_JZ::enable(const std::string& name, bool on) {
    Control& c = control(name);
    c.enabled = on;
    changed(c);
}

long XG_JZ::remaining() const { return long(common::val(caption)); }

// The state the form opens with.
void XG_JZ::reset() {
    caption = kXgjzCaption;
    topmost = false;
    set("Text1", "");
    control("Check1").value = 1;
    changed(control("Check1"));
    enable("Command2", false);
    set("Command3", "选择");
    for (int i = 0; i < 4; ++i) {
        set(indexed("Text2", i), "");
        enable(indexed("Text2", i), false);
    }
    set("Label7", "");
    enable("Command4", false);
    control("Command1").tag.clear();
    control("Command3").tag.clear();
    for (int i = 1; i <= 4; ++i) control("Timer" + std::to_string(i)).enabled = i >= 3;
}

void XG_JZ::load() {
    reset();
    // The point pair runs from the start; while no point is current its ticks change nothing.
    set_timer("Timer3", true);
    set_timer("Timer4", true);
    form_changed();
}

void XG_JZ::unload() {
    for (int i = 1; i <= 4; ++i) set_timer("Timer" + std::to_string(i), false);
}

// ---------------------------------------------------------------- blinking

void XG_JZ::set_timer(const std::string& name, bool on) {
    Control& t = control(name);
    t.enabled = on;
    changed(t);
    auto it = timer_ids_.find(name);
    if (on && it == timer_ids_.end()) {
        timer_ids_[name] = session_.ui.start_timer(t.interval / 1000.0, [this, name] {
            if (control(name).enabled) tick(name);
        });
    } else if (!on && it != timer_ids_.end()) {
        session_.ui.stop_timer(it->second);
        timer_ids_.erase(it);
    }
}

void XG_JZ::blink(const std::string& self, const std::string& other, const char* tag_holder, int colour) {
    host::FrameOptions quiet;
    quiet.report_missing_host = false;
    quiet.undo_step = false;
    quiet.needs_drawing = false;  // no line every blink while no drawing is open
    const std::string handle = control(tag_holder).tag;
    const bool host_running = host::run_command(
        session_, host::FrameVariant::D,
        [&](host::CommandContext& ctx) {
            host::DocumentPtr doc = ctx.doc();
            if (handle.empty() || !doc) return;
            if (host::EntityPtr e = doc->HandleToObject(handle)) {
                e->Setcolor(colour);
                e->Update();
            }
        },
        quiet);
    if (!host_running) {
        // The host has gone: the blink stops without a word, every 200 ms.
        set_timer(self, false);
        set_timer(other, false);
        return;
    }
    set_timer(self, false);
    set_timer(other, true);
}

void XG_JZ::stop_blink(Walk w) {
    set_timer(w == Walk::Points ? "Timer3" : "Timer1", false);
    set_timer(w == Walk::Points ? "Timer4" : "Timer2", false);
}

void XG_JZ::start_blink(Walk w) { set_timer(w == Walk::Points ? "Timer3" : "Timer1", true); }

void XG_JZ::flash(Walk w) {
    auto paint = [this, w](uint32_t rgb) {
        auto one = [&](const std::string& name) {
            Control& c = control(name);
            c.text.clear();
            c.back_color = rgb;
            changed(c);
        };
        if (w == Walk::Points) one("Text1");
        else
            for (int i = 0; i < 4; ++i) one(indexed("Text2", i));
    };
    paint(kGrey);
    session_.ui.wait(kFlashSeconds);
    paint(kWhite);
}

// ---------------------------------------------------------------- walks

void XG_JZ::select_points() { begin(Walk::Points); }
void XG_JZ::select_parcels() { begin(Walk::Parcels); }

void XG_JZ::begin(Walk w) {
    const bool points = w == Walk::Points;
    host::run_command(session_, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        host::SelectionSetPtr selection = parcel::fresh_selection_set(*doc, "text");
        if (!selection) return;
        host::Filter filter;
        if (points) filter.add(0, "Point").add(8, kWorkLayer);
        else filter.add(0, "LWPOLYLINE").add(8, parcel::kParcelLayers);
        // Only the latest list can be worked: both walks stop here.
        enable("Command4", false);
        enable("Command2", false);
        stop_blink(Walk::Points);
        stop_blink(Walk::Parcels);
        control("Command1").tag.clear();
        control("Command3").tag.clear();
        set("Command3", "选择");
        set("Label7", "");
        for (int i = 0; i < 4; ++i) enable(indexed("Text2", i), false);
        session_.connector.AppActivate(ctx.app.Caption());
        selection->SelectOnScreen(filter);
        const long n = selection->Count();
        if (n < 1) return;

        std::vector<std::string> handles;
        handles.reserve(size_t(n));
        for (long i = 0; i < n; ++i)
            if (host::EntityPtr e = selection->Item(i)) handles.push_back(e->Handle());
        try {
            write_watch_file(session_.ui.paths().watch_file(), handles);
        } catch (const common::FileError& e) {
            session_.ui.message_box("批量修改列表无法写入：\r\n" + std::string(e.what()), "提示", MsgIcon::Critical);
            return;
        }
        caption = std::to_string(handles.size());
        topmost = true;
        form_changed();
        control(points ? "Command1" : "Command3").tag = handles.front();
        session_.connector.AppActivate(ctx.app.Caption());
        if (host::EntityPtr first = doc->HandleToObject(handles.front())) show(ctx, w, *first);
    });
}

// Zooms to the entity, flashes the frame's boxes, loads its values and starts the blink.
void XG_JZ::show(host::CommandContext& ctx, Walk w, host::Entity& e) {
    const bool points = w == Walk::Points;
    host::Point lo, hi;
    if (e.GetBoundingBox(lo, hi)) {
        const double m = points ? kPointMargin : kParcelMargin;
        ctx.app.ZoomWindow({lo.x - m, lo.y - m, 0}, {hi.x + m, hi.y + m, 0});
    }
    if (points) {
        const host::XData data = e.GetXData(kRecordApp);
        flash(w);
        set("Text1", data.text(kDescriptionItem));
        enable("Command2", true);
    } else {
        const parcel::ParcelRead r = parcel::read_parcel_record(e);
        set("Label7", r.state == parcel::RecordState::Record ? r.record.holder() : "");
        flash(w);
        for (int i = 0; i < 4; ++i) {
            set(indexed("Text2", i), r.state == parcel::RecordState::Record ? r.record.neighbour(i) : "");
            enable(indexed("Text2", i), true);
        }
        enable("Command4", true);
    }
    e.Setcolor(kCurrentColour);
    e.Update();
    start_blink(w);
}

void XG_JZ::confirm_point() {
    host::run_command(session_, host::FrameVariant::D, [this](host::CommandContext& ctx) {
        stop_blink(Walk::Points);
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        if (host::LayersPtr layers = doc->Layers()) {
            layers->Add(kFutureLayer);
            layers->Add(kNoteLayer);
        }
        const std::string& handle = control("Command1").tag;
        // An entity erased since the selection is passed over.
        if (host::EntityPtr e = handle.empty() ? nullptr : doc->HandleToObject(handle)) {
            if (control("Check1").value == 1) {
                const std::string& text = control("Text1").text;
                if (common::length(text) > kMaxDescription) {
                    session_.ui.message_box(kLengthMessage, "提示", MsgIcon::Critical);
                    return;
                }
                if (common::trim(text).empty()) {
                    session_.ui.message_box(kBlankMessage, "提示", MsgIcon::Critical);
                    return;
                }
                host::XData data = e->GetXData(kRecordApp);
                // A point without a whole record gets the items it lacks, empty.
                if (data.empty()) data.add(1001, std::string(kRecordApp));
                if (data.size() < 2) data.add(1000, std::string(kRecordMark));
                while (data.size() <= size_t(kNumberItem)) data.add(1000, std::string());
                data.values[kDescriptionItem] = text;
                data.values[kNumberItem] = std::string(kFutureNumber);
                e->SetXData(data);
                e->Setcolor(kBoundaryPointColour);
                e->SetLayer(kFutureLayer);
                e->Update();
            } else {
                e->SetLayer(kNoteLayer);
                e->Setcolor(kByLayer);
                e->Update();
            }
        }
        move_on(ctx, Walk::Points);
    });
}

void XG_JZ::confirm_parcel() {
    host::run_command(session_, host::FrameVariant::D, [this](host::CommandContext& ctx) {
        stop_blink(Walk::Parcels);
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        const std::string& handle = control("Command3").tag;
        if (host::EntityPtr e = handle.empty() ? nullptr : doc->HandleToObject(handle)) {
            parcel::ParcelRead r = parcel::read_parcel_record(*e);
            if (r.state == parcel::RecordState::Record) {
                for (int i = 0; i < 4; ++i)
                    r.record.value(int(parcel::Item::EAST) + i) = control(indexed("Text2", i)).text;
                parcel::write_parcel_record(*e, r.record);
            } else if (host::UtilityPtr util = doc->Utility()) {
                // Nothing to write the neighbours into: say so rather than let it look done.
                util->Prompt("宗地" + handle + "没有宗地属性，四至没有写入。\r\n");
            }
            e->Setcolor(kDoneParcelColour);
            e->Update();
        }
        move_on(ctx, Walk::Parcels);
    });
}

void XG_JZ::move_on(host::CommandContext& ctx, Walk w) {
    const bool points = w == Walk::Points;
    host::DocumentPtr doc = ctx.doc();
    while (true) {
        const long left = remaining();
        if (left <= 1) {
            finish(w);
            session_.ui.message_box(kDoneMessage, "提示", MsgIcon::Exclamation);
            return;
        }
        std::optional<std::string> handle = read_watch_handle(session_.ui.paths().watch_file(), left);
        if (!handle) {
            finish(w);
            session_.ui.message_box("批量修改列表无法读取（" + session_.ui.paths().watch_file().string() +
                                        "），本次批量修改结束。",
                                    "提示", MsgIcon::Critical);
            return;
        }
        caption = std::to_string(left - 1);
        form_changed();
        control(points ? "Command1" : "Command3").tag = *handle;
        if (!points) set("Command3", *handle);
        session_.connector.AppActivate(ctx.app.Caption());
        // An entity erased since the selection is passed over.
        if (host::EntityPtr e = doc ? doc->HandleToObject(*handle) : nullptr) {
            show(ctx, w, *e);
            return;
        }
    }
}

void XG_JZ::finish(Walk w) {
    if (w == Walk::Points) {
        enable("Command2", false);
        control("Command1").tag.clear();
        return;
    }
    for (int i = 0; i < 4; ++i) enable(indexed("Text2", i), false);
    enable("Command4", false);
    set("Label7", "");
    set("Command3", "选择");
    control("Command3").tag.clear();
}

// ---------------------------------------------------------------- small actions

void XG_JZ::preset_click(int index) { set("Text1", control(indexed("Label3", index)).text); }

void XG_JZ::neighbour_changed(int index) { check_own_name(index); }

void XG_JZ::check_own_name(int index) {
    const std::string& text = control(indexed("Text2", index)).text;
    if (!common::trim(text).empty() && text == control("Label7").text)
        session_.ui.message_box(kOwnNameMessage, "提示", MsgIcon::Critical);
}

void XG_JZ::direction_click(int index) {
    host::run_command(session_, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::EntityPtr picked;
        host::Point at;
        if (!util->GetEntity(picked, at, "请选择:") || !picked) return;
        ctx.err.clear();
        std::string text = picked->TextString();
        if (ctx.err) return;
        set(indexed("Text2", index), text);
        check_own_name(index);
    });
}

}  // namespace korvane::mapping
