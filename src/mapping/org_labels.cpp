#include "mapping/org_labels.h"

#include <cmath>
#include <vector>

#include "common/maimod.h"
#include "parcel/parcel_record.h"

namespace korvane::mapping {

namespace {

constexpr LabelStyle kCentroidStyle{"独有宗地,争议宗地,共有宗地", 2.0, std::nullopt, false, false};
constexpr LabelStyle kBoxStyle{"独有宗地,争议宗地,共有宗地,国有宗地", 5.0, 1, true, true};
constexpr int kMiddleCentre = 10;
constexpr int kShowColour = 7;
constexpr double kShowWidth = 0.5;

void add_label(host::ModelSpace& space, const LabelStyle& style, const std::string& text, const host::Point& at) {
    host::EntityPtr label = space.AddText(text, at, style.height);
    if (!label) return;
    label->SetAlignment(kMiddleCentre);
    label->SetTextAlignmentPoint(at);
    if (style.colour) label->Setcolor(*style.colour);
    label->SetLayer(kLabelLayer);
}

// Where the entry puts the label of a parcel, if it has such a point.
std::optional<PlanePoint> label_point(LabelEntry entry, const std::vector<double>& xs, const std::vector<double>& ys,
                                      const host::Point& min, const host::Point& max) {
    if (entry == LabelEntry::BoxCentre) return PlanePoint{(min.x + max.x) / 2, (min.y + max.y) / 2};
    return polygon_centroid(xs, ys);
}

}  // namespace

const LabelStyle& label_style(LabelEntry entry) { return entry == LabelEntry::Centroid ? kCentroidStyle : kBoxStyle; }

std::optional<PlanePoint> polygon_centroid(std::span<const double> xs, std::span<const double> ys) {
    size_t n = std::min(xs.size(), ys.size());
    if (n < 3) return std::nullopt;
    // Taken about the first vertex: at survey coordinates (x near 39,500,000) the products of
    // raw coordinates lose the parcel's size to rounding and the centroid lands metres away.
    double ox = xs[0], oy = ys[0];
    double area2 = 0, sx = 0, sy = 0;
    for (size_t i = 0; i < n; ++i) {
        size_t j = (i + 1) % n;
        double xi = xs[i] - ox, yi = ys[i] - oy, xj = xs[j] - ox, yj = ys[j] - oy;
        double cross = xi * yj - xj * yi;
        area2 += cross;
        sx += (xi + xj) * cross;
        sy += (yi + yj) * cross;
    }
    double area = area2 / 2;
    if (area == 0 || !std::isfinite(area)) return std::nullopt;
    return PlanePoint{ox + sx / 6 / area, oy + sy / 6 / area};
}

void label_organisations(host::Session& session, LabelEntry entry) {
    const LabelStyle& style = label_style(entry);
    host::run_command(session, host::FrameVariant::B, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::SelectionSetsPtr sets = doc ? doc->SelectionSets() : nullptr;
        host::ModelSpacePtr space = doc ? doc->ModelSpace() : nullptr;
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!sets || !space || !util) return;
        if (host::SelectionSetPtr old = sets->Item("text")) old->Delete();
        host::SelectionSetPtr parcels = sets->Add("text");
        if (!parcels) return;
        parcels->SelectOnScreen(host::Filter().add(0, "LWPOLYLINE").add(8, style.layers));
        if (host::LayersPtr layers = doc->Layers()) layers->Add(kLabelLayer);

        for (long i = 0, n = parcels->Count(); i < n; ++i) {
            host::EntityPtr parcel = parcels->Item(i);
            if (!parcel) continue;
            parcel::ParcelRead read = parcel::read_parcel_record(parcel->GetXData(""));
            // Without a record there is no name to write, so nothing to ask about either.
            if (read.state != parcel::RecordState::Record) continue;
            host::Point min, max;
            if (!parcel->GetBoundingBox(min, max)) continue;
            int colour = parcel->color();
            ctx.app.ZoomWindow(min, max);
            std::vector<double> coords = parcel->Coordinates(), xs, ys;
            for (size_t k = 0; k + 1 < coords.size(); k += 2) {
                xs.push_back(coords[k]);
                ys.push_back(coords[k + 1]);
            }
            std::optional<PlanePoint> p = label_point(entry, xs, ys, min, max);
            const std::string& name = read.record.holder();
            bool inside = p && !xs.empty() && common::point_in_polygon(int(xs.size()) - 1, xs, ys, p->x, p->y);
            if (inside) {
                add_label(*space, style, name, {p->x, p->y, 0});
            } else {
                parcel->Setcolor(kShowColour);
                parcel->SetConstantWidth(kShowWidth);
                parcel->Update();
                if (std::optional<host::Point> at = util->GetPoint(std::nullopt, kLabelPointPrompt))
                    add_label(*space, style, name, {at->x, at->y, 0});
                ctx.err.clear();
            }
            if (!inside || style.always_restore) {
                parcel->SetConstantWidth(0);
                parcel->Setcolor(colour);
                parcel->Update();
            }
        }
        if (style.report_done) util->Prompt(kLabelsDoneLine);
    });
}

}  // namespace korvane::mapping
