// check_parcels: reads the selected parcels and the drawing's attributed polylines through the
// host, runs the outline and record checks, and words each finding for the quality-check list.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "checks/auto_check.h"
#include "checks/crossing_neighbours.h"
#include "checks/record_check.h"
#include "common/numbers.h"
#include "common/text.h"
#include "drawing/selection.h"
#include "parcel/parcel_record.h"
#include "parcel/selection_sets.h"
#include "tools/duplicate_points.h"
#include "tools/tool_support.h"

namespace korvane::checks {

namespace {

using parcel::RecordState;

struct ParcelData {
    std::string handle, layer;
    std::vector<double> xy;  // as the host gives them
    bool closed = true;
    parcel::ParcelRead read;
    double area = 0;
    long line = -1;  // among the attributed polylines
};

struct LineData {
    Polyline shape;
    std::string holder;
};

std::vector<Point2> relative(const std::vector<double>& xy, Point2 origin) {
    std::vector<Point2> out;
    out.reserve(xy.size() / 2);
    for (size_t k = 0; k + 1 < xy.size(); k += 2) out.push_back({xy[k] - origin.x, xy[k + 1] - origin.y});
    return out;
}

// Steps of the progress (out of 100) at which each stage starts.
constexpr long kReadStep = 0, kLinesStep = 40, kOutlineStep = 50, kRecordStep = 80;

class Check {
public:
    Check(host::CommandContext& ctx, const TopologyOptions& options, bool every_parcel)
        : ctx_(ctx), options_(options), every_parcel_(every_parcel), progress_(ctx.ui, kAutoCheckTitle, 100) {}

    AutoCheckResult run() {
        host::DocumentPtr doc = ctx_.doc();
        host::SelectionSetsPtr sets = doc ? doc->SelectionSets() : nullptr;
        host::SelectionSetPtr selected = sets ? sets->Item(tools::kSelectionSet) : nullptr;
        if (!selected) return result_;
        if (!read_parcels(*selected) || !read_lines(*doc)) return cancelled();
        check_outlines();
        if (cancelled_) return cancelled();
        check_records();
        if (cancelled_) return cancelled();
        std::stable_sort(result_.findings.begin(), result_.findings.end(),
                         [](const Finding& l, const Finding& r) { return l.kind < r.kind; });
        return std::move(result_);
    }

private:
    host::CommandContext& ctx_;
    const TopologyOptions& options_;
    const bool every_parcel_;
    parcel::ProgressScope progress_;
    bool cancelled_ = false;
    AutoCheckResult result_;
    std::vector<ParcelData> parcels_;
    std::vector<LineData> lines_;
    Point2 origin_;
    std::vector<std::pair<uint32_t, uint32_t>> islands_;
    drawing::GeosContext geos_;

    bool step(long at) {
        if (!cancelled_ && !progress_.step(at)) cancelled_ = true;
        return !cancelled_;
    }
    // Asked often: passes to the progress every so many calls.
    std::function<bool()> stage(long at) {
        return [this, at, calls = 0]() mutable { return (++calls & 255) != 1 || step(at); };
    }
    AutoCheckResult cancelled() {
        AutoCheckResult r;
        r.cancelled = true;
        return r;
    }

    bool read_parcels(host::SelectionSet& selected) {
        const long count = selected.Count();
        parcels_.reserve(size_t(count));
        Box2 extents;
        for (long i = 0; i < count; ++i) {
            if ((i & 255) == 0 && !step(kReadStep + (kLinesStep - kReadStep) * i / std::max(count, 1L))) return false;
            host::EntityPtr e = selected.Item(i);
            if (!e) continue;
            ParcelData p;
            p.handle = e->Handle();
            p.layer = e->Layer();
            p.xy = e->Coordinates();
            p.closed = e->Closed();
            p.read = parcel::read_parcel_record(e->GetXData(""));
            if (p.read.state == RecordState::Record) p.area = e->Area();
            for (size_t k = 0; k + 1 < p.xy.size(); k += 2) extents.add(Point2{p.xy[k], p.xy[k + 1]});
            parcels_.push_back(std::move(p));
        }
        result_.parcels = long(parcels_.size());
        // A round point near the middle keeps GEOS's arithmetic well inside double precision.
        if (!extents.empty())
            origin_ = {std::round(extents.center().x / 1000) * 1000, std::round(extents.center().y / 1000) * 1000};
        return true;
    }

    // The polylines carrying a parcel record that the four-boundaries fill could find.
    bool read_lines(host::Document& doc) {
        std::unordered_map<std::string, uint32_t> parcel_of;
        parcel_of.reserve(parcels_.size());
        Box2 extents;
        for (uint32_t i = 0; i < parcels_.size(); ++i) {
            parcel_of.emplace(parcels_[i].handle, i);
            for (size_t k = 0; k + 1 < parcels_[i].xy.size(); k += 2) extents.add(Point2{parcels_[i].xy[k], parcels_[i].xy[k + 1]});
        }
        host::SelectionSetPtr around = parcel::fresh_selection_set(doc, tools::kInnerSet);
        host::Filter polylines;
        polylines.add(0, "LWPOLYLINE");
        if (around && every_parcel_) {
            around->Select(5, polylines);
        } else if (around && !extents.empty()) {
            const Box2 b = extents.grown(1e-3);
            around->SelectByPolygon(7, {b.min_x, b.min_y, 0, b.max_x, b.min_y, 0, b.max_x, b.max_y, 0, b.min_x, b.max_y, 0},
                                    polylines);
        }
        const long count = around ? around->Count() : 0;
        for (long i = 0; i < count; ++i) {
            if ((i & 255) == 0 && !step(kLinesStep + (kOutlineStep - kLinesStep) * i / std::max(count, 1L))) return false;
            host::EntityPtr e = around->Item(i);
            if (!e) continue;
            auto it = parcel_of.find(e->Handle());
            if (it != parcel_of.end()) {
                add_line(parcels_[it->second]);
                continue;
            }
            parcel::ParcelRead read = parcel::read_parcel_record(e->GetXData(""));
            if (read.state != RecordState::Record) continue;
            lines_.push_back({{relative(e->Coordinates(), origin_), e->Closed()}, read.record.holder()});
        }
        // Selected parcels the search did not give (none, unless the host disagrees).
        for (ParcelData& p : parcels_) add_line(p);
        return true;
    }

    void add_line(ParcelData& p) {
        if (p.line >= 0 || p.read.state != RecordState::Record) return;
        p.line = long(lines_.size());
        lines_.push_back({{relative(p.xy, origin_), p.closed}, p.read.record.holder()});
    }

    // ---- findings ----

    std::string label(uint32_t i) const {
        const ParcelData& p = parcels_[i];
        if (p.read.state == RecordState::Record && !common::trim(p.read.record.parcel_number()).empty())
            return p.read.record.parcel_number();
        return "句柄" + p.handle;
    }
    std::string labels(const std::vector<uint32_t>& list) const {
        std::string out;
        for (uint32_t i : list) out += (out.empty() ? "" : "、") + label(i);
        return out;
    }
    void add(FindingKind kind, std::string remark, Point2 place) {
        result_.findings.push_back({kind, std::move(remark), {place.x + origin_.x, place.y + origin_.y, 0}});
    }

    void check_outlines() {
        std::vector<Outline> outlines;
        outlines.reserve(parcels_.size());
        for (const ParcelData& p : parcels_) outlines.push_back({relative(p.xy, origin_), p.closed});
        TopologyResult topology = check_topology(outlines, options_, stage(kOutlineStep + 10));
        if (topology.cancelled) {
            cancelled_ = true;
            return;
        }
        islands_ = std::move(topology.islands);
        for (const TopologyFinding& f : topology.findings) add(kind_of(f.kind), remark_of(f), f.place);
        // Repeated vertices as the duplicate-point check finds them (on the drawing's own
        // coordinates: its "0.00" keys depend on them).
        for (uint32_t i = 0; i < parcels_.size(); ++i) {
            if (!may_repeat(parcels_[i].xy)) continue;
            for (const tools::RepeatedVertex& v : tools::find_repeated_vertices(parcels_[i].xy))
                add(FindingKind::RepeatedVertex, "界线有重复点（第" + std::to_string(v.index + 1) + "点）：" + label(i),
                    {v.x - origin_.x, v.y - origin_.y});
        }
    }

    // Two vertices with the same "0.00" texts are less than a hundredth apart in x and in y;
    // only then are the texts worth writing.
    static bool may_repeat(const std::vector<double>& xy) {
        for (size_t k = 2; k + 1 < xy.size(); k += 2)
            if (std::abs(xy[k] - xy[k - 2]) < 0.01 && std::abs(xy[k + 1] - xy[k - 1]) < 0.01) return true;
        return false;
    }

    static FindingKind kind_of(TopologyKind k) {
        switch (k) {
            case TopologyKind::Overlap: return FindingKind::Overlap;
            case TopologyKind::Gap: return FindingKind::Gap;
            case TopologyKind::SelfCrossing: return FindingKind::SelfCrossing;
            case TopologyKind::NotClosed: return FindingKind::NotClosed;
            case TopologyKind::TooFewVertices: return FindingKind::TooFewVertices;
            case TopologyKind::MissedSnap: return FindingKind::MissedSnap;
            case TopologyKind::TJunction: return FindingKind::TJunction;
        }
        return FindingKind::Overlap;
    }

    std::string remark_of(const TopologyFinding& f) const {
        const std::string names = labels(f.parcels);
        switch (f.kind) {
            case TopologyKind::Overlap: return "宗地重叠" + common::format_0_00(f.size) + "平方米：" + names;
            case TopologyKind::Gap:
                return "宗地间缝隙" + common::format_0_00(f.size) + "平方米（最宽" + common::format_0_00(f.width) + "米）：" + names;
            case TopologyKind::SelfCrossing: return "界线自相交：" + names;
            case TopologyKind::NotClosed: return "界线未闭合：" + names;
            case TopologyKind::TooFewVertices: return "界线少于三个点：" + names;
            case TopologyKind::MissedSnap:
                return "界址点未咬合（相距" + common::format_0_0(f.size * 1000) + "毫米）：" + names;
            case TopologyKind::TJunction:
                return "界址点在邻宗界线上而邻宗缺此点：" + names + "（点），" + labels(f.others) + "（线）";
        }
        return names;
    }

    void check_records() {
        std::vector<uint32_t> subjects;
        for (const ParcelData& p : parcels_)
            if (p.line >= 0) subjects.push_back(uint32_t(p.line));
        std::vector<Polyline> shapes;
        shapes.reserve(lines_.size());
        for (const LineData& l : lines_) shapes.push_back(l.shape);
        std::vector<std::vector<uint32_t>> neighbours =
            crossing_neighbours(shapes, subjects, drawing::kPickTolerance, stage(kRecordStep));
        if (cancelled_) return;
        std::vector<double> islands_area(parcels_.size(), 0);
        for (auto [outer, inner] : islands_) islands_area[outer] += parcels_[inner].area;

        size_t subject = 0;
        for (uint32_t i = 0; i < parcels_.size(); ++i) {
            if ((i & 1023) == 0 && !step(kRecordStep + (100 - kRecordStep) * long(i) / long(parcels_.size()))) return;
            const ParcelData& p = parcels_[i];
            if (p.read.state == RecordState::NoData) {
                add(FindingKind::NoRecord, "宗地无属性：" + label(i), inside(i));
                continue;
            }
            if (p.read.state == RecordState::Foreign) {
                add(FindingKind::ForeignData, "宗地有其它属性：" + label(i), inside(i));
                continue;
            }
            const parcel::ParcelAttributeRecord& r = p.read.record;
            if (auto problem = layer_problem(p.layer, r.code())) add(FindingKind::WrongLayer, *problem + "：" + label(i), inside(i));
            if (auto problem = area_problem(r.value(parcel::Item::SCMJ), p.area, islands_area[i]))
                add(FindingKind::AreaMismatch, *problem + "：" + label(i), inside(i));
            std::vector<std::string> holders;
            for (uint32_t q : neighbours[subject]) holders.push_back(lines_[q].holder);
            ++subject;
            if (auto problem = bounds_problem(r.value(parcel::Item::ZDSZ), holders))
                add(FindingKind::BoundsMismatch, *problem + "：" + label(i), inside(i));
        }
    }

    // A point inside the parcel (relative), where its entries lead; its first vertex when the
    // outline bounds no area.
    Point2 inside(uint32_t i) {
        std::vector<Point2> pts = relative(parcels_[i].xy, Point2{origin_.x, origin_.y});
        if (pts.empty()) return {};
        GEOSContextHandle_t h = geos_.handle();
        if (drawing::GeosGeom poly = drawing::selection_polygon(geos_, pts, {}, options_.same))
            if (drawing::GeosGeom p = geos_.own(GEOSPointOnSurface_r(h, poly.get()))) {
                double x = 0, y = 0;
                if (GEOSGeomGetX_r(h, p.get(), &x) && GEOSGeomGetY_r(h, p.get(), &y)) return {x, y};
            }
        return pts.front();
    }
};

}  // namespace

AutoCheckResult check_parcels(host::CommandContext& ctx, const TopologyOptions& options, bool every_parcel) {
    return Check(ctx, options, every_parcel).run();
}

}  // namespace korvane::checks
