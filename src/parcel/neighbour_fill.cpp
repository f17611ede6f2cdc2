#include "parcel/neighbour_fill.h"

#include <optional>
#include <unordered_map>

#include "parcel/parcel_record.h"
#include "parcel/selection_sets.h"

namespace korvane::parcel {

std::string unprocessed_message(long unprocessed) {
    return "处理完成，但有" + std::to_string(unprocessed) +
           "个未处理，主要是由如下原因：\r\n1、多边形有重合点。\r\n2、宗地孤立，检查是否为宗地岛。";
}

NeighbourFillResult fill_neighbours(host::CommandContext& ctx) {
    NeighbourFillResult result;
    host::DocumentPtr doc = ctx.doc();
    if (!doc) return result;
    host::SelectionSetsPtr sets = doc->SelectionSets();
    host::SelectionSetPtr parcels = sets ? sets->Item(kParcelSet) : nullptr;
    if (!parcels) return result;
    const long count = parcels->Count();
    host::UtilityPtr util = doc->Utility();
    host::ModelSpacePtr ms = doc->ModelSpace();
    host::Filter polylines;
    polylines.add(0, "LWPOLYLINE");

    // Each parcel is the neighbour of several others; its right holder is read once (a write
    // changes a parcel's four-boundaries list, never its holder).
    std::unordered_map<std::string, std::optional<std::string>> holders;
    holders.reserve(size_t(count));
    ProgressScope progress(ctx.ui, kNeighbourFillTitle, count);
    for (long i = 0; i < count; ++i) {
        if (!progress.step(i)) {
            result.cancelled = true;
            break;
        }
        host::EntityPtr p = parcels->Item(i);
        if (!p) continue;

        host::Point lo, hi;
        if (p->GetBoundingBox(lo, hi))
            ctx.app.ZoomWindow({lo.x - kNeighbourZoomMargin, lo.y - kNeighbourZoomMargin, 0},
                               {hi.x + kNeighbourZoomMargin, hi.y + kNeighbourZoomMargin, 0});

        host::SelectionSetPtr around = fresh_selection_set(*doc, kNeighbourSet);
        std::vector<double> xy = p->Coordinates();
        std::vector<double> polygon;
        polygon.reserve(xy.size() / 2 * 3);
        for (size_t k = 0; k + 1 < xy.size(); k += 2) {
            polygon.push_back(xy[k]);
            polygon.push_back(xy[k + 1]);
            polygon.push_back(0);
        }
        long neighbours = 0;
        if (around) {
            around->SelectByPolygon(7, polygon, polylines);
            around->RemoveItems({p});
            neighbours = around->Count();
        }
        std::string list;
        for (long k = 0; k < neighbours; ++k) {
            host::EntityPtr q = around->Item(k);
            if (!q) continue;
            auto [it, added] = holders.try_emplace(q->Handle());
            if (added) it->second = record_holder(q->GetXData(""));
            if (it->second) list += *it->second + ",";
        }

        ++result.parcels;
        if (neighbours == 0) {
            if (ms && xy.size() >= 2) ms->AddPolyline({xy[0], 0, 0, xy[0], xy[1], 0});
            p->Setcolor(kIsolatedColour);
            ++result.unprocessed;
        }
        // Only value 4 changes: every other item is written back with its own type code, so a
        // record that holds a number or a handle somewhere keeps it as it was.
        host::XData own = p->GetXData("");
        const std::string handle = p->Handle();
        // Its own holder, for the parcels after it that border it.
        if (auto [it, added] = holders.try_emplace(handle); added) it->second = record_holder(own);
        if (record_state(own) == RecordState::Record) {
            const size_t k = size_t(Item::ZDSZ);
            own.codes[k] = 1000;
            own.values[k] = list;
            p->SetXData(own);
        }
        if (util) util->Prompt(handle + "-" + list + "\r");
    }
    return result;
}

void neighbour_fill(host::Session& session) {
    host::run_command(session, host::FrameVariant::C, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        host::SelectionSetPtr parcels = fresh_selection_set(*doc, kParcelSet);
        if (!parcels) return;
        host::Filter polylines;
        polylines.add(0, "LWPOLYLINE");
        parcels->SelectOnScreen(polylines);
        NeighbourFillResult r = fill_neighbours(ctx);
        if (r.unprocessed > 0) ctx.ui.message_box(unprocessed_message(r.unprocessed), "结果", common::MsgIcon::Critical);
    }, undo_step("统加"));
}

}  // namespace korvane::parcel
