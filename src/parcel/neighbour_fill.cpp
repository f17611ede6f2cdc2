#include "parcel/neighbour_fill.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "parcel/parcel_record.h"
#include "parcel/selection_sets.h"

namespace korvane::parcel {

namespace {

// Each parcel's right holder, read once: a parcel is the neighbour of several others, and a
// write changes its four-boundaries list, never its holder. Handles are hexadecimal numbers,
// mostly small and dense: such a number indexes a table (no hashing of the text, no node per
// parcel), any other handle text goes to a map.
class Holders {
public:
    explicit Holders(size_t parcels) : limit_(16 * parcels + 65536) { starts_.reserve(parcels + 1); starts_.push_back(0); }

    // The holder of the entity with this handle (nullopt: it has none); `read()` gives it the
    // first time.
    template <class Read>
    std::optional<std::string_view> get(const std::string& handle, Read&& read) {
        const uint64_t n = number(handle);
        if (n >= limit_) {
            auto [it, added] = others_.try_emplace(handle);
            if (added) it->second = read();
            if (!it->second) return std::nullopt;
            return std::string_view(*it->second);
        }
        if (n >= slots_.size()) slots_.resize(std::max<size_t>(n + 1, 2 * slots_.size()), kUnknown);
        uint32_t& slot = slots_[n];
        if (slot == kUnknown) {
            const std::optional<std::string> holder = read();
            if (!holder) {
                slot = kNone;
            } else {
                text_ += *holder;
                starts_.push_back(uint32_t(text_.size()));
                slot = uint32_t(starts_.size() - 2 + kFirst);
            }
        }
        if (slot == kNone) return std::nullopt;
        const size_t k = slot - kFirst;
        return std::string_view(text_).substr(starts_[k], starts_[k + 1] - starts_[k]);
    }

private:
    static constexpr uint32_t kUnknown = 0, kNone = 1, kFirst = 2;
    uint64_t limit_;
    std::vector<uint32_t> slots_;   // by handle number: unknown, none, or kFirst + the holder's place
    std::string text_;              // the holders one after another
    std::vector<uint32_t> starts_;  // where each begins, and where the last ends
    std::unordered_map<std::string, std::optional<std::string>> others_;

    // The handle's number; UINT64_MAX for text that is not a handle as the host writes one
    // (upper-case hexadecimal without leading zeros, at most 8 digits).
    static uint64_t number(const std::string& handle) {
        if (handle.empty() || handle.size() > 8 || handle[0] == '0') return UINT64_MAX;
        uint64_t n = 0;
        for (char c : handle) {
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return UINT64_MAX;
            n = n * 16 + uint64_t(d);
        }
        return n;
    }
};

}  // namespace

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

    Holders holders{size_t(count)};
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
            if (auto holder = holders.get(q->Handle(), [&] { return record_holder(q->GetXData("")); })) {
                list += *holder;
                list += ',';
            }
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
        holders.get(handle, [&] { return record_holder(own); });
        std::string line = handle + "-" + list + "\r";
        if (record_state(own) == RecordState::Record) {
            const size_t k = size_t(Item::ZDSZ);
            own.codes[k] = 1000;
            own.values[k] = std::move(list);
            p->SetXData(own);
        }
        if (util) util->Prompt(line);
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
