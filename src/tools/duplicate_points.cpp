#include "tools/duplicate_points.h"

#include "common/numbers.h"
#include "parcel/selection_sets.h"
#include "tools/tool_support.h"

namespace korvane::tools {

std::string vertex_key(double x, double y) { return common::format_0_00(x) + "," + common::format_0_00(y); }

std::vector<RepeatedVertex> find_repeated_vertices(const std::vector<double>& xy) {
    std::vector<RepeatedVertex> out;
    std::string previous;
    for (size_t k = 0; k + 1 < xy.size(); k += 2) {
        std::string key = vertex_key(xy[k], xy[k + 1]);
        if (k > 0 && key == previous) out.push_back({k / 2, xy[k], xy[k + 1]});
        previous = std::move(key);
    }
    return out;
}

DuplicateCheckResult mark_duplicate_points(host::CommandContext& ctx) {
    DuplicateCheckResult result;
    host::DocumentPtr doc = ctx.doc();
    host::SelectionSetsPtr sets = doc ? doc->SelectionSets() : nullptr;
    host::SelectionSetPtr parcels = sets ? sets->Item(kSelectionSet) : nullptr;
    host::ModelSpacePtr ms = doc ? doc->ModelSpace() : nullptr;
    if (!parcels || !ms) return result;
    if (host::LayersPtr layers = doc->Layers()) layers->Add(kIslandLayer);
    const long count = parcels->Count();
    parcel::ProgressScope progress(ctx.ui, "检查线重复点", count);
    for (long i = 0; i < count; ++i) {
        if (!progress.step(i)) {
            result.cancelled = true;
            break;
        }
        host::EntityPtr p = parcels->Item(i);
        if (!p) continue;
        ++result.parcels;
        host::Point lo, hi;
        if (p->GetBoundingBox(lo, hi))
            ctx.app.ZoomWindow({lo.x - kParcelZoomMargin, lo.y - kParcelZoomMargin, 0},
                               {hi.x + kParcelZoomMargin, hi.y + kParcelZoomMargin, 0});
        std::vector<RepeatedVertex> repeated = find_repeated_vertices(p->Coordinates());
        if (repeated.empty()) continue;
        const std::string handle = p->Handle();
        for (const RepeatedVertex& v : repeated) {
            add_marker_line(*ms, v.x, v.y);
            result.findings.push_back({handle, v});
        }
        p->SetConstantWidth(kDuplicateWidth);
        p->Setcolor(kRed);
    }
    return result;
}

void check_duplicate_points(host::Session& session) {
    host::run_command(session, host::FrameVariant::C, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, kSelectionSet);
        if (!set) return;
        set->SelectOnScreen(parcel_filter());
        mark_duplicate_points(ctx);
    }, parcel::undo_step("检查线重复点"));
}

}  // namespace korvane::tools
