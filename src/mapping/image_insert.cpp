#include "mapping/image_insert.h"

#include "common/maimod.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/text_file.h"

namespace korvane::mapping {

using common::MsgIcon;

namespace {

// Above this many sheets a range shows its progress and can be cancelled.
constexpr long long kQuietRange = 400;

host::Point sheet_corner(double kx, double ky) { return {kx * kSheetSize, ky * kSheetSize, 0}; }

}  // namespace

void insert_tiles_from_list(host::Session& session, const TileSource& tiles) {
    host::run_command(session, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::ModelSpacePtr space = doc ? doc->ModelSpace() : nullptr;
        if (!space) return;
        common::FileDialogRequest request;
        request.title = std::string(common::kSaveDialogTitle);
        request.filter = "文本文件 (*.TXT)|*.TXT|所有文件 (*.*)|*.*";
        request.save = true;
        std::string list = common::trim(ctx.ui.file_dialog(request).value_or(""));
        if (list.empty()) {
            ctx.ui.message_box("任务取消！", "提示", MsgIcon::Exclamation);
            return;
        }
        std::vector<std::string> lines;
        try {
            lines = common::read_lines(list);
        } catch (const common::FileError&) {
            ctx.ui.message_box("无法读取序列文件：" + list, "提示", MsgIcon::Critical);
            return;
        }
        for (const std::string& line : lines) {
            std::string north = common::comma_field(line, 1), east = common::comma_field(line, 2);
            // An empty line or a line with one field names no tile.
            if (north.empty() || east.empty()) continue;
            std::string file = tiles.path(north + "-" + east);
            if (!name_exists(file)) {
                ctx.ui.message_box("文件不存在！" + file, "提示", MsgIcon::Critical);
                return;
            }
            space->AddRaster(file, sheet_corner(common::val(east), common::val(north)), kTileScale, 0);
        }
    });
}

void insert_tiles_in_range(host::Session& session, const TileSource& tiles) {
    host::run_command(session, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        host::ModelSpacePtr space = doc ? doc->ModelSpace() : nullptr;
        if (!util || !space) return;
        std::optional<host::Point> a = util->GetPoint(std::nullopt, kLowerLeftPrompt);
        if (!a) return;
        std::optional<host::Point> b = util->GetPoint(std::nullopt, kUpperRightPrompt);
        if (!b) return;
        long long kx1 = sheet_index(a->x), ky1 = sheet_index(a->y);
        long long kx2 = sheet_index(b->x), ky2 = sheet_index(b->y);
        if (ky1 > ky2 || kx1 > kx2) {
            ctx.ui.message_box(kCornersWrongMessage, "错误", MsgIcon::Critical);
            return;
        }
        long long total = (kx2 - kx1 + 1) * (ky2 - ky1 + 1);
        bool shown = total > kQuietRange;
        if (shown) ctx.ui.begin_progress("图上指定范围", long(total));
        long long done = 0;
        for (long long ky = ky1; ky <= ky2; ++ky)
            for (long long kx = kx1; kx <= kx2; ++kx) {
                if (shown && !ctx.ui.progress(long(done++))) {
                    ctx.ui.end_progress();
                    return;
                }
                // A tile that is not there is passed over.
                space->AddRaster(tiles.sheet_path(kx, ky), sheet_corner(double(kx), double(ky)), kTileScale, 0);
            }
        if (shown) ctx.ui.end_progress();
    });
}

}  // namespace korvane::mapping
