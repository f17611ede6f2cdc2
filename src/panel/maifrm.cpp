#include "panel/maifrm.h"

#include <cctype>
#include <filesystem>

#include "common/dates.h"
#include "common/maimod.h"
#include "common/numbers.h"
#include "common/settings.h"
#include "common/text.h"
#include "panel/bindings.h"
#include "panel/boundary_walk.h"
#include "panel/fck.h"
#include "panel/workspace.h"

namespace korvane::panel {

using common::ControlKind;
using common::MsgIcon;
using common::Control;

const char* const kChangeLog[14] = {
    "0724-增加[检查与修改]电脑化记录功能。",
    "0728-增加对集体土地内的国有土地边界处理。",
    "0730-增加标绘者的[批量]修改和[批量查看点位]",
    "0731-在属性表中增加只能“查看”不能修改的功能。",
    "0731-增加[批量提取界线]的功能。",
    "0803-增加图像拖放到当前图形的功能",
    "0803-增加图像对齐到网格[相当于测站改正]的功能。",
    "0810-增加多个图像目录选择的功能。",
    "0815-修改了界址点批量修改有数量限制的问题。",
    "0816-增加了地籍调查表数据输出的功能。",
    "0816-增加了自动获取本宗地相邻权利人并进行记录功能。",
    "0816-增加了宗地四至批量填写的功能。",
    "0817-增加宗地岛标识和宗地有重复点的查找。",
    "0818-主界面增加图层控制和点显示切换功能。",
};

const char* const MaiFrm::kLayerCaptions[kLayerBoxes] = {"点", "址", "岛", "国", "独", "共", "争", "其它"};
const char* const MaiFrm::kLayerTooltips[kLayerBoxes] = {"今后界址点", "界址点", "宗地岛显示", "国有宗地",
                                                         "独有宗地",   "共有宗地", "争议宗地",   "其它所有"};
const char* const MaiFrm::kLayerNames[kLayerBoxes - 1] = {"今后界址点", "界址点",   "宗地岛",  "国有宗地",
                                                          "独有宗地",   "共有宗地", "争议宗地"};

namespace {

// The panel's picture buttons, left to right, with their tool tips.
const char* const kPictureTooltips[] = {
    "选择定影像存目录",
    "查入单个图像[图像格式2543.00-548.00.jpg]",
    "图像置最下层",
    "区域插入图像",
    "目录到目标目录，列表“X.00,Y.00”格式",
    "删除图面所有图像",
    "创建临时块",
    "插入临时块",
    "只显当前层",
    "将图面中的影像对齐到网格[相当于测站改正]",
    "按编码选择过滤",
    "显示实体属性",
    "显示所有文档同一个位置",
    "其它功能",
    "",
    "",
};

// A drive path of another machine ("E:\\", the old default) that no fixed location of the
// system maps to: no folder here.
bool is_foreign_drive_path(const std::string& path, const common::Paths& paths) {
    bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                 (path[2] == '\\' || path[2] == '/');
    return drive && !paths.map_windows_path(path);
}

// The image directory when none is stored: the data directory's "影像" folder, made here.
std::string default_image_directory(const common::Paths& paths) {
    std::filesystem::path dir = paths.data_file("影像");
    std::error_code ec;  // a folder that cannot be made is found missing where it is used
    if (!paths.data_dir.empty()) std::filesystem::create_directories(dir, ec);
    return dir.string();
}

}  // namespace

std::string title_form(const std::string& path) {
    if (common::length(path) <= 20) return path;
    return common::left(path, 13) + "..." + common::right(path, 15);
}

MaiFrm::MaiFrm(Workspace& ws) : FormModel("MaiFrm"), ws_(ws) { add_controls(); }

void MaiFrm::add_controls() {
    caption = "Korvane";
    width = 5400;
    height = kFoldedHeight;
    int n = 0;
    for (const char* tip : kPictureTooltips) {
        auto& b = add("Picture1(" + std::to_string(n++) + ")", ControlKind::PictureButton, "", tip);
        b.enabled = false;  // each tool enables its own button when it is built
    }
    // Four buttons pop up the menus of the menu form.
    const std::pair<int, const char*> popups[] = {{0, FCK::kMenus[0]}, {3, FCK::kMenus[1]}, {13, FCK::kMenus[2]},
                                                  {14, FCK::kMenus[3]}};
    for (const auto& [index, menu] : popups) {
        auto& b = control("Picture1(" + std::to_string(index) + ")");
        b.enabled = true;
        b.on_click = [this, menu = std::string(menu)] { ws_.popup_menu(menu); };
    }
    // The last button opens the parcel attribute table.
    auto& table = control("Picture1(15)");
    table.enabled = true;
    table.on_click = [this] { ws_.show_form("SXB"); };
    for (int i = 0; i < kLayerBoxes; ++i) {
        auto& c = add("Check1(" + std::to_string(i) + ")", ControlKind::CheckBox, kLayerCaptions[i], kLayerTooltips[i]);
        c.on_click = [this] { apply_layer_boxes(); };
    }
    add("Label5", ControlKind::Label, "切换点显示").on_click = [this] { toggle_point_display(); };
    add("Label1", ControlKind::Label, "[ ▼ ]").on_click = [this] { toggle_fold(); };
    add("Label10", ControlKind::Label, "更新：");
    add("Label2", ControlKind::Label, "12-8-3");
    add("Label6", ControlKind::Label, "双击面板查看更新说明");
    add_boundary_walk(*this, ws_);
    bind_image_buttons(*this, ws_);
    bind_utility_buttons(*this, ws_);
}

void MaiFrm::bind_button(int index, std::function<void()> command) {
    Control& b = control("Picture1(" + std::to_string(index) + ")");
    b.on_click = std::move(command);
    b.enabled = true;
}

void MaiFrm::set_title_directory(const std::string& path) {
    // A fixed Windows location of the system shows as the folder it stands for here.
    std::string shown = path;
    bool drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
    if (auto here = drive ? ws_.ui().paths().map_windows_path(path) : std::nullopt) {
        shown = here->string();
        if (shown.size() > 1 && shown.back() == '/') shown.pop_back();
    }
    caption = std::string(kPanelTitlePrefix) + title_form(shown);
    form_changed();
}

void MaiFrm::load() {
    common::UiService& ui = ws_.ui();
    common::SettingsStore& store = ui.settings();
    FCK& fck = ws_.fck();

    // 1. Topmost, where it stands.
    topmost = true;

    // 2. The image working directory.
    const std::string image_dir = common::setting_read(store, "filepath");
    if (image_dir.empty() || is_foreign_drive_path(image_dir, ui.paths())) {
        std::string dir = default_image_directory(ui.paths());
        common::save_ini(store, "Filepath", dir);
        fck.directory_entry(1).text = dir;
        ui.message_box("默认工作目录为" + dir, "提示", MsgIcon::Exclamation);
    }

    // 3. Today's date in the survey-date box of the boundary-walk block.
    if (auto* date_box = find("Text1(0)")) {
        date_box->text = common::date_mm_dd_yyyy(ui.clock().now());
        changed(*date_box);
    }

    // 4. The title shows the working directory.
    set_title_directory(common::setting_read(store, "filepath"));

    // 5. Folded, near the top, at the left edge.
    height = kFoldedHeight;
    top = 1200;
    left = 0;

    // 6. The three remembered directories.
    for (int k = 1; k <= 3; ++k) {
        std::string value = common::trim(common::setting_read(store, "filepath" + std::to_string(k)));
        if (value.empty()) common::save_ini(store, "Filepath" + std::to_string(k), "...");
        else fck.directory_entry(k).text = value;
    }

    // 7. The change log.
    std::string log;
    for (const char* line : kChangeLog) log += std::string(line) + "\r\n";

    // 8. Version notice.
    const std::string build = kBuildStamp;
    if (common::setting_read(store, "ProgramUPdate").empty()) {
        common::save_ini(store, "ProgramUPdate", build);
        common::save_ini(store, "ProgramSYCS", "10");
        ui.message_box("你目前使用的为旧的软件版本！\r\n程序有已更新到“" + build + "”版本。", "升级", MsgIcon::Exclamation);
    }
    double stored = common::val(common::setting_read(store, "ProgramUPdate"));
    double running = common::val(build);
    if (running < stored) {
        ui.message_box(std::string("程序版本较之前使用的要旧，请确认软件的最新版本！\r\n") +
                           "旧版本会导致处理出现错误，请谨慎使用！\r\n" + kDownloadNotice,
                       "警告", MsgIcon::Critical);
        common::save_ini(store, "ProgramSYCS", "-1");
    } else if (running > stored) {
        common::save_ini(store, "ProgramUPdate", build);
        common::save_ini(store, "ProgramSYCS", "10");
        ui.message_box("程序有已更新到“" + build + "”版本。", "升级", MsgIcon::Exclamation);
    }
    long long remaining = static_cast<long long>(common::val(common::setting_read(store, "ProgramSYCS")));
    if (remaining > 0) {
        ui.message_box(log + "\r\n" + "还有" + std::to_string(remaining - 1) + "次提示。", "日志", MsgIcon::Exclamation);
        common::save_ini(store, "ProgramSYCS", std::to_string(remaining - 1));
    }

    // 9. The build stamp.
    control("Label2").text = build;
    changed(control("Label2"));
    form_changed();
}

void MaiFrm::dblclick_background() {
    ws_.ui().message_box("2012.6.21增加对Tif图像的插入功能,程序默认为jpg格式。", "更新说明", MsgIcon::Exclamation);
}

void MaiFrm::drawing_changed() { reset_record_handle(*this); }

void MaiFrm::apply_layer_boxes() {
    host::run_command(ws_.session(), host::FrameVariant::A, [this](host::CommandContext& ctx) {
        auto doc = ctx.doc();
        if (!doc) return;
        auto layers = doc->Layers();
        if (!layers) return;
        for (const char* name : {"今后界址点", "界址点", "宗地岛", "国有宗地", "独有宗地", "争议宗地", "共有宗地", "0"})
            layers->Add(name);
        if (auto zero = layers->Item("0")) doc->SetActiveLayer(zero);
        auto ticked = [this](int i) { return control("Check1(" + std::to_string(i) + ")").value == 1; };
        long count = layers->Count();
        for (long i = 0; i < count; ++i)
            if (auto layer = layers->Item(i)) layer->SetLayerOn(ticked(7));
        for (int i = 0; i < kLayerBoxes - 1; ++i)
            if (auto layer = layers->Item(kLayerNames[i])) layer->SetLayerOn(ticked(i));
        doc->SendCommand("REDRAW ");
    });
}

void MaiFrm::toggle_point_display() {
    host::run_command(ws_.session(), host::FrameVariant::A, [](host::CommandContext& ctx) {
        auto doc = ctx.doc();
        if (!doc) return;
        host::Value v = doc->GetVariable("pdmode");
        long long mode = -1;
        if (auto n = std::get_if<long long>(&v)) mode = *n;
        else if (auto d = std::get_if<double>(&v)) mode = static_cast<long long>(*d);
        if (mode == 32) {
            doc->SendCommand("pdmode\r0\r");
            doc->SendCommand("pdsize\r1\r");
        } else if (mode == 0) {
            doc->SendCommand("pdmode\r32\r");
            doc->SendCommand("pdsize\r4\r");
        }
    });
}

void MaiFrm::toggle_fold() {
    Control& label = control("Label1");
    if (height == kUnfoldedHeight) {
        height = kFoldedHeight;
        label.text = "[ ▼ ]";
    } else {
        height = kUnfoldedHeight;
        label.text = "[ ▲ ]";
    }
    changed(label);
    form_changed();
}

}  // namespace korvane::panel
