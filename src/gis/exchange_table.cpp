#include "gis/exchange_table.h"

#include <vector>

#include "common/numbers.h"
#include "common/text_file.h"
#include "parcel/selection_sets.h"
#include "tools/tool_support.h"

namespace korvane::gis {

std::string exchange_line(const host::XData& data, double area, long elevation) {
    std::string line = "'";
    for (size_t i = 1; i < data.size(); ++i) line += tools::item_text(data, i) + ",";
    return line + common::format_0_00(area) + "," + std::to_string(elevation);
}

void write_exchange_table(host::Session& session) {
    host::FrameOptions options = parcel::undo_step(kExchangeTitle);
    options.report_missing_host = false;
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::SelectionSetPtr set = doc ? parcel::fresh_selection_set(*doc, tools::kSelectionSet) : nullptr;
        if (!set) return;
        set->SelectOnScreen(tools::parcel_filter());
        const long count = set->Count();
        std::vector<std::string> lines{kExchangeHeader};
        lines.reserve(size_t(count) + 1);
        long elevation = kFirstElevation, without_data = 0;
        for (long i = 0; i < count; ++i) {
            host::EntityPtr parcel = set->Item(i);
            if (!parcel) continue;
            const host::XData data = parcel->GetXData("");
            if (data.empty()) {
                ++without_data;
                continue;
            }
            parcel->SetElevation(double(elevation));
            lines.push_back(exchange_line(data, parcel->Area(), elevation));
            ++elevation;
        }
        if (without_data > 0)
            if (host::UtilityPtr util = doc->Utility())
                util->Prompt("\r\n" + std::to_string(without_data) + " 条多段线没有扩展数据，未输出。\r\n");
        const auto file = ctx.ui.paths().data_file(kExchangeFile);
        try {
            common::write_lines(file, lines);
        } catch (const common::FileError& e) {
            ctx.ui.message_box("无法写出交换文件 " + file.string() + "：" + e.reason(), "错误", common::MsgIcon::Critical);
            return;
        }
        ctx.ui.show_file(file.string());
    }, options);
}

}  // namespace korvane::gis
