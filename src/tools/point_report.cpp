#include "tools/point_report.h"

#include <vector>

#include "common/numbers.h"
#include "common/text_file.h"
#include "parcel/selection_sets.h"
#include "tools/tool_support.h"

namespace korvane::tools {

std::string point_report_line(double x, double y, const host::XData& record) {
    // Work-record items in the order of the report's fields.
    static constexpr size_t kFields[] = {2, 7, 3, 4, 6, 5};
    std::string line = common::format_0_8(x) + "," + common::format_0_8(y);
    for (size_t item : kFields) line += "|" + item_text(record, item);
    return line;
}

void write_point_report(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, kSelectionSet);
        if (!set) return;
        host::Filter points;
        points.add(0, "Point");
        set->SelectOnScreen(points);
        const long count = set->Count();
        std::vector<std::string> lines;
        lines.reserve(size_t(count));
        for (long i = 0; i < count; ++i) {
            host::EntityPtr p = set->Item(i);
            if (!p) continue;
            const host::Point at = p->InsertionPoint();
            lines.push_back(point_report_line(at.x, at.y, p->GetXData("")));
        }
        const auto file = ctx.ui.paths().data_file(kPointReportFile);
        try {
            common::write_lines(file, lines);
        } catch (const common::FileError& e) {
            ctx.ui.message_box("无法写出点位说明文件 " + file.string() + "：" + e.reason(), "错误", common::MsgIcon::Critical);
            return;
        }
        ctx.ui.show_file(file.string());
    });
}

}  // namespace korvane::tools
