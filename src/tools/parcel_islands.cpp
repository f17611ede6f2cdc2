#include "tools/parcel_islands.h"

#include "common/maimod.h"
#include "parcel/selection_sets.h"
#include "tools/duplicate_points.h"
#include "tools/tool_support.h"

namespace korvane::tools {

const char* const kIslandWarning =
    "运行此功能之前，须对宗地的重复点进行删除后才进行！\r\n"
    "可使用[检查线重复点]功能检查后进行修改。\r\n"
    "*否则，宗地岛的获取将不完整，影响宗地面积的扣减。";

namespace {

constexpr size_t kHolderItem = 3;

// Hatches the island through the host and returns the hatch that command made, or null.
host::EntityPtr hatch_island(host::Document& doc, host::ModelSpace& ms, host::Entity& island) {
    const long before = ms.Count();
    host::EntityPtr last_before = before > 0 ? ms.Item(before - 1) : nullptr;
    const std::string previous_last = last_before ? last_before->Handle() : std::string();
    doc.SendCommand(island_hatch_command(island.Handle()));
    const long after = ms.Count();
    if (after <= before) return nullptr;
    host::EntityPtr made = ms.Item(after - 1);
    if (!made || made->ObjectName() != "AcDbHatch" || made->Handle() == previous_last) return nullptr;
    return made;
}

}  // namespace

std::string island_hatch_command(const std::string& handle) {
    return "hatch\ru\r45\r4\rY\r" + common::handle_expression(handle) + "\r\r";
}

IslandMarkingResult mark_islands(host::CommandContext& ctx) {
    IslandMarkingResult result;
    host::DocumentPtr doc = ctx.doc();
    host::SelectionSetsPtr sets = doc ? doc->SelectionSets() : nullptr;
    host::SelectionSetPtr parcels = sets ? sets->Item(kSelectionSet) : nullptr;
    host::ModelSpacePtr ms = doc ? doc->ModelSpace() : nullptr;
    if (!parcels || !ms) return result;
    if (host::LayersPtr layers = doc->Layers()) layers->Add(kIslandLayer);
    const host::Filter filter = parcel_filter();
    const long count = parcels->Count();
    parcel::ProgressScope progress(ctx.ui, "标识宗地岛", count);
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
        host::SelectionSetPtr inside = parcel::fresh_selection_set(*doc, kInnerSet);
        if (!inside) continue;
        inside->SelectByPolygon(6, point_list(p->Coordinates()), filter);
        inside->RemoveItems({p});
        const long islands = inside->Count();
        // Most parcels hold no island: the outer record is read only for those that do.
        const host::XData outer = islands > 0 ? p->GetXData("") : host::XData{};
        for (long k = 0; k < islands; ++k) {
            host::EntityPtr q = inside->Item(k);
            if (!q) continue;
            host::EntityPtr hatch = hatch_island(*doc, *ms, *q);
            if (!hatch) continue;
            ++result.hatches;
            hatch->SetLayer(kIslandLayer);
            hatch->Setcolor(kRed);
            if (outer.empty()) continue;
            host::XData record = outer;
            if (record.size() > kHolderItem) {
                record.codes[kHolderItem] = 1000;
                record.values[kHolderItem] = std::string(kIslandOwnerPrefix) + item_text(q->GetXData(""), kHolderItem);
            }
            hatch->SetXData(record);
        }
    }
    return result;
}

void mark_parcel_islands(host::Session& session) {
    host::run_command(session, host::FrameVariant::C, [](host::CommandContext& ctx) {
        ctx.ui.message_box(kIslandWarning, kIslandWarningTitle, common::MsgIcon::Exclamation);
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, kSelectionSet);
        if (!set) return;
        set->SelectOnScreen(parcel_filter());
        mark_islands(ctx);
    }, parcel::undo_step("标识宗地岛"));
}

}  // namespace korvane::tools
