#include "checks/auto_check.h"

#include <array>

#include "checks/zljc.h"
#include "common/maimod.h"
#include "common/numbers.h"
#include "parcel/selection_sets.h"
#include "tools/tool_support.h"

namespace korvane::checks {

namespace {

constexpr std::array<const char*, kFindingKinds> kKindNames = {
    "重叠", "缝隙", "自相交", "未闭合", "少于三点", "重复点", "未咬合", "T形接点",
    "无属性", "其它属性", "图层不符", "面积不符", "四至不符",
};

double positive_setting(const common::SettingsStore& settings, const char* key, double fallback) {
    std::optional<double> v = common::to_number(common::load_ini(settings, key));
    return v && *v > 0 ? *v : fallback;
}

}  // namespace

const char* finding_kind_name(FindingKind kind) { return kKindNames[size_t(kind)]; }

TopologyOptions auto_check_options(const common::SettingsStore& settings) {
    TopologyOptions o;
    o.overlap_area = positive_setting(settings, kOverlapAreaKey, o.overlap_area);
    o.gap_area = positive_setting(settings, kGapAreaKey, o.gap_area);
    o.gap_width = positive_setting(settings, kGapWidthKey, o.gap_width);
    return o;
}

std::string summary_line(const AutoCheckResult& result) {
    std::array<long, kFindingKinds> counts{};
    for (const Finding& f : result.findings) ++counts[size_t(f.kind)];
    std::string line = std::string(kAutoCheckTitle) + "：宗地 " + std::to_string(result.parcels) + " 块，发现 " +
                       std::to_string(result.findings.size()) + " 处（";
    for (int k = 0; k < kFindingKinds; ++k)
        line += std::string(k ? "，" : "") + kKindNames[size_t(k)] + " " + std::to_string(counts[size_t(k)]);
    return line + "）";
}

void auto_check(host::Session& session, const std::function<ZLJC&()>& list) {
    host::run_command(session, host::FrameVariant::C, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        host::SelectionSetPtr set = doc ? parcel::fresh_selection_set(*doc, tools::kSelectionSet) : nullptr;
        if (!util || !set) return;
        util->Prompt(kAutoCheckPrompt);
        ctx.err.clear();
        set->SelectOnScreen(tools::parcel_filter());
        if (ctx.err.number == host::kErrFail) return;  // Esc
        // Enter without a selection: every parcel.
        const bool every_parcel = set->Count() == 0;
        if (every_parcel) set->Select(5, tools::parcel_filter());
        AutoCheckResult result = check_parcels(ctx, auto_check_options(ctx.ui.settings()), every_parcel);
        if (result.cancelled) {
            util->Prompt(std::string(kAutoCheckTitle) + "已取消。\r");
            return;
        }
        std::vector<std::pair<std::string, host::Point>> entries;
        entries.reserve(result.findings.size());
        for (Finding& f : result.findings) entries.push_back({std::move(f.remark), f.place});
        ZLJC& form = list();
        if (!entries.empty()) form.add_entries(entries, kAutoCheckTitle);
        util->Prompt(summary_line(result) + "\r");
    }, parcel::undo_step(kAutoCheckTitle));
}

}  // namespace korvane::checks
