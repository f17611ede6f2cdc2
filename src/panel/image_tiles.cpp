#include "panel/image_tiles.h"

#include <filesystem>
#include <system_error>

#include "common/maimod.h"
#include "common/text.h"
#include "common/text_file.h"

namespace korvane::panel {

using common::MsgIcon;

namespace {

constexpr const char* kCancelledMessage = "任务取消！";

// The save-file dialog the list commands choose their list file with.
std::string choose_list_file(common::UiService& ui) {
    common::FileDialogRequest request;
    request.title = std::string(common::kSaveDialogTitle);
    request.filter = "文本文件 (*.TXT)|*.TXT|所有文件 (*.*)|*.*";
    request.save = true;
    return ui.file_dialog(request).value_or("");
}

}  // namespace

void insert_tile_at_points(host::Session& session, const mapping::TileSource& tiles) {
    host::run_handler_command(session, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        host::ModelSpacePtr space = doc ? doc->ModelSpace() : nullptr;
        if (!util || !space) return;
        while (true) {
            std::optional<host::Point> at = util->GetPoint(std::nullopt, kTilePointPrompt);
            if (!at) return;  // Esc: the handler ends the command quietly
            long long kx = mapping::sheet_index(at->x), ky = mapping::sheet_index(at->y);
            std::string file = tiles.sheet_path(kx, ky);
            if (!mapping::name_exists(file)) {
                ctx.ui.message_box(kNoTileMessage, "错误", MsgIcon::Critical);
                return;
            }
            host::Point corner{double(kx) * mapping::kSheetSize, double(ky) * mapping::kSheetSize, 0};
            if (!space->AddRaster(file, corner, mapping::kTileScale, 0)) return;
        }
    });
}

void copy_listed_tiles(host::Session& session, const std::string& extension) {
    common::UiService& ui = session.ui;
    std::string title = common::folder_browser_title("");
    std::string source = common::trim(ui.browse_folder(title));
    std::string target = common::trim(ui.browse_folder(title));
    std::string list = common::trim(choose_list_file(ui));
    if (source.empty() || target.empty() || list.empty()) {
        ui.message_box(kCancelledMessage, "提示", MsgIcon::Exclamation);
        return;
    }
    std::vector<std::string> lines;
    try {
        lines = common::read_lines(list);
    } catch (const common::FileError&) {
        ui.message_box("无法读取列表文件：" + list, "错误", MsgIcon::Critical);
        return;
    }
    mapping::TileSource from{source, extension}, to{target, extension};
    long copied = 0;
    for (const std::string& line : lines) {
        // Blank lines and lines without the second field name no tile.
        std::string north = common::comma_field(line, 1), east = common::comma_field(line, 2);
        if (north.empty() || east.empty()) continue;
        std::string name = north + "-" + east;
        std::string src = from.path(name), dst = to.path(name);
        if (!mapping::name_exists(src)) {
            ui.message_box("无法找到源图像目录文件：" + src, "提示", MsgIcon::Critical);
            return;
        }
        std::error_code ec;
        std::filesystem::copy_file(src, dst, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            ui.message_box("无法复制图像文件：" + src + "\r\n到：" + dst + "\r\n" + ec.message(), "错误",
                           MsgIcon::Critical);
            return;
        }
        ++copied;
    }
    if (copied == 0) {
        ui.message_box("列表文件中没有图像：" + list, "错误", MsgIcon::Critical);
        return;
    }
    ui.message_box("复制完成！" + std::to_string(copied) + "个文件。", "提示", MsgIcon::Exclamation);
}

void insert_dropped_file(host::Session& session, const std::vector<std::string>& files) {
    if (files.empty()) return;
    const std::string file = files.front();
    host::run_handler_command(session, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::ModelSpacePtr space = doc ? doc->ModelSpace() : nullptr;
        if (!space) return;
        host::Point centre;
        host::Value view_centre = doc->GetVariable("VIEWCTR");
        if (auto p = std::get_if<host::Point>(&view_centre)) centre = *p;
        centre.z = 0;
        if (!space->AddRaster(file, centre, kDroppedImageScale, 0)) {
            if (auto util = doc->Utility()) util->Prompt("无法作为图像插入：" + file + "\r\n");
        }
    });
}

}  // namespace korvane::panel
