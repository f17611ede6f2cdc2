#include "tools/image_settings.h"

#include "common/maimod.h"
#include "common/numbers.h"
#include "common/text.h"

namespace korvane::tools {

using common::MsgIcon;

namespace {

constexpr const char* kNotAPolylineMessage = "所选范围线不是多段线，图像没有裁剪。";

void make_current(common::UiService& ui, const std::string& path, const DirectoryMenuView& view) {
    common::save_ini(ui.settings(), "Filepath", path);
    if (view.set_title) view.set_title(path);
    if (view.directory_chosen) view.directory_chosen(path);
}

}  // namespace

void choose_remembered_directory(common::UiService& ui, const std::string& caption, const DirectoryMenuView& view) {
    if (caption == kNothingRemembered) return;
    make_current(ui, caption, view);
}

void choose_other_directory(common::UiService& ui, const DirectoryMenuView& view) {
    std::string path = common::trim(ui.browse_folder(common::folder_browser_title("")));
    if (path.empty()) {
        ui.message_box("任务取消！", "提示", MsgIcon::Exclamation);
        return;
    }
    common::SettingsStore& store = ui.settings();
    std::string remembered[3];
    for (int k = 0; k < 3; ++k) remembered[k] = common::setting_read(store, "Filepath" + std::to_string(k + 1));
    for (const std::string& r : remembered)
        if (common::iequals_ascii(path, r)) {
            make_current(ui, path, view);
            return;
        }
    const std::string shifted[3] = {path, remembered[0], remembered[1]};
    for (int k = 0; k < 3; ++k) {
        common::save_ini(store, "Filepath" + std::to_string(k + 1), shifted[k]);
        if (view.set_entry) view.set_entry(k + 1, shifted[k]);
    }
    ui.message_box("图像工作目录为：[" + path + "]      ", "[Halvex]", MsgIcon::Exclamation);
    make_current(ui, path, view);
}

void set_point_display(host::Session& session) {
    host::run_command(session, host::FrameVariant::B, [](host::CommandContext& ctx) {
        if (host::DocumentPtr doc = ctx.doc()) {
            doc->SendCommand("pdmode\r32\r");
            doc->SendCommand("pdsize\r4\r");
        }
    });
}

void switch_file_dialogs_on(host::Session& session) {
    host::run_command(session, host::FrameVariant::B, [](host::CommandContext& ctx) {
        if (host::DocumentPtr doc = ctx.doc()) doc->SendCommand("filedia\r1\r");
    });
}

void ask_image_frame(host::Session& session) {
    host::run_command(session, host::FrameVariant::B, [](host::CommandContext& ctx) {
        if (host::DocumentPtr doc = ctx.doc()) doc->SendCommand("IMAGEFRAME\r");
    });
}

std::string clip_point_text(const std::vector<double>& coordinates, bool triples) {
    size_t step = triples ? 3 : 2;
    std::string text;
    for (size_t i = 0; i + 1 < coordinates.size(); i += step)
        text += common::number_to_text(coordinates[i]) + "," + common::number_to_text(coordinates[i + 1]) + "\r";
    if (coordinates.size() >= 2)
        text += common::number_to_text(coordinates[0]) + "," + common::number_to_text(coordinates[1]) + "\r";
    return text + "\r";
}

void clip_image_to_polyline(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::EntityPtr image, boundary;
        host::Point at;
        if (!util->GetEntity(image, at, "请选择图片：") || !image) return;
        if (!util->GetEntity(boundary, at, "请选择范围线：") || !boundary) return;
        std::string kind = boundary->ObjectName();
        if (kind != "AcDbPolyline" && kind != "AcDb2dPolyline") {
            ctx.ui.message_box(kNotAPolylineMessage, "提示", MsgIcon::Critical);
            return;
        }
        std::string points = clip_point_text(boundary->Coordinates(), kind == "AcDb2dPolyline");
        doc->SendCommand("_imageclip\r" + common::handle_expression(image->Handle()) + "\rNEW\rP\r" + points);
    });
}

}  // namespace korvane::tools
