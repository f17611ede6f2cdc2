#include "tools/map_sheets.h"

#include <cmath>

#include "common/numbers.h"
#include "parcel/selection_sets.h"

namespace korvane::tools {

std::string sheet_number(long row, long column) {
    return common::format_00(double(row)) + "-" + common::format_00(double(column));
}

std::vector<SheetLabel> sheet_labels(const host::Point& ll, const host::Point& ur) {
    std::vector<SheetLabel> out;
    long row = 1;
    for (double top = ur.y; top >= ll.y + kSheetSize; top -= kSheetSize, ++row) {
        long column = 1;
        for (double left = ll.x; left <= ur.x - kSheetSize; left += kSheetSize, ++column) {
            const std::string text = sheet_number(row, column);
            const double in = 20, far = kSheetSize - 20;
            out.push_back({text, left + in, top - in});
            out.push_back({text, left + far, top - in});
            out.push_back({text, left + in, top - far});
            out.push_back({text, left + far, top - far});
        }
    }
    return out;
}

std::string sheet_zoom_command(const host::Point& p) {
    const long long xk = (long long)std::floor(p.x / kSheetSize);
    const long long yk = (long long)std::floor(p.y / kSheetSize);
    auto corner = [](long long x, long long y) {
        return std::to_string(x * (long long)kSheetSize) + "," + std::to_string(y * (long long)kSheetSize);
    };
    return "Zoom\r" + corner(xk, yk) + "\r" + corner(xk + 1, yk + 1) + "\r";
}

void number_sheets(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        host::ModelSpacePtr ms = doc ? doc->ModelSpace() : nullptr;
        if (!util || !ms) return;
        std::optional<host::Point> ll = util->GetPoint(std::nullopt, kLowerLeftPrompt);
        if (!ll) return;
        std::optional<host::Point> ur = util->GetPoint(std::nullopt, kUpperRightPrompt);
        if (!ur) return;
        const std::vector<SheetLabel> labels = sheet_labels(*ll, *ur);
        // A far-off corner makes many sheets: the writing shows its progress and can be cancelled.
        parcel::ProgressScope progress(ctx.ui, "图面图幅编号", long(labels.size()));
        for (size_t i = 0; i < labels.size(); ++i) {
            if (i % 4 == 0 && !progress.step(long(i))) break;
            ms->AddText(labels[i].text, {labels[i].x, labels[i].y, 0}, kSheetTextHeight);
        }
    });
}

void align_layout(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        std::optional<host::Point> p = util->GetPoint(std::nullopt, kSheetPointPrompt);
        if (!p) return;
        doc->SendCommand(sheet_zoom_command(*p));
    });
}

}  // namespace korvane::tools
