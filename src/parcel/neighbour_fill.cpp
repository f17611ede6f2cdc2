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

    // All searches first, then all writes: the searches read only outlines and the neighbours'
    // right holders, which the writes (descriptions, colours, marker lines of the old polyline
    // kind) never change, so the result is the same as searching and writing parcel by parcel,
    // while the drawing's spatial index is not brought up to date after every write.
    struct Found {
        host::EntityPtr parcel;
        std::vector<double> xy;
        std::string list;
        bool isolated = false;
    };
    std::vector<Found> found;
    found.reserve(size_t(count));
    // Each parcel is the neighbour of several others; its record is read once (nothing is
    // written during the searches).
    std::unordered_map<std::string, std::optional<std::string>> holders;
    holders.reserve(size_t(count));
    {
        ProgressScope progress(ctx.ui, kNeighbourFillTitle, count);
        for (long i = 0; i < count; ++i) {
            if (!progress.step(i)) {
                result.cancelled = true;
                break;
            }
            host::EntityPtr p = parcels->Item(i);
            if (!p) continue;
            Found f;
            f.parcel = p;

            host::Point lo, hi;
            if (p->GetBoundingBox(lo, hi))
                ctx.app.ZoomWindow({lo.x - kNeighbourZoomMargin, lo.y - kNeighbourZoomMargin, 0},
                                   {hi.x + kNeighbourZoomMargin, hi.y + kNeighbourZoomMargin, 0});

            host::SelectionSetPtr around = fresh_selection_set(*doc, kNeighbourSet);
            f.xy = p->Coordinates();
            std::vector<double> polygon;
            polygon.reserve(f.xy.size() / 2 * 3);
            for (size_t k = 0; k + 1 < f.xy.size(); k += 2) {
                polygon.push_back(f.xy[k]);
                polygon.push_back(f.xy[k + 1]);
                polygon.push_back(0);
            }
            long neighbours = 0;
            if (around) {
                around->SelectByPolygon(7, polygon, polylines);
                around->RemoveItems({p});
                neighbours = around->Count();
            }
            f.isolated = neighbours == 0;
            for (long k = 0; k < neighbours; ++k) {
                host::EntityPtr q = around->Item(k);
                if (!q) continue;
                auto [it, added] = holders.try_emplace(q->Handle());
                if (added) {
                    ParcelRead neighbour = read_parcel_record(*q);
                    if (neighbour.state == RecordState::Record) it->second = neighbour.record.holder();
                }
                if (it->second) f.list += *it->second + ",";
            }
            found.push_back(std::move(f));
        }
    }

    for (Found& f : found) {
        ++result.parcels;
        host::Entity& p = *f.parcel;
        if (f.isolated) {
            if (ms && f.xy.size() >= 2) ms->AddPolyline({f.xy[0], 0, 0, f.xy[0], f.xy[1], 0});
            p.Setcolor(kIsolatedColour);
            ++result.unprocessed;
        }
        ParcelRead own = read_parcel_record(p);
        if (own.state == RecordState::Record) {
            own.record.value(Item::ZDSZ) = f.list;
            write_parcel_record(p, own.record);
        }
        if (util) util->Prompt(p.Handle() + "-" + f.list + "\r");
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
