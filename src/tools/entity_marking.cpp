#include "tools/entity_marking.h"

#include "parcel/selection_sets.h"
#include "tools/tool_support.h"

namespace korvane::tools {

std::optional<host::Point> reference_point(host::Entity& e) {
    const std::string kind = e.ObjectName();
    if (kind == "AcDbPolyline" || kind == "AcDb2dPolyline") {
        std::vector<double> c = e.Coordinates();
        if (c.size() >= 2) return host::Point{c[0], c[1], 0};
        return std::nullopt;
    }
    if (kind == "AcDbLine") return e.StartPoint();
    if (kind == "AcDbCircle") return e.Center();
    if (kind == "AcDbBlockReference" || kind == "AcDbText") return e.InsertionPoint();
    host::Point lo, hi;
    if (!e.GetBoundingBox(lo, hi)) return std::nullopt;
    return host::Point{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, 0};
}

void mark_entities(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::ModelSpacePtr ms = doc ? doc->ModelSpace() : nullptr;
        if (!ms) return;
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, kSelectionSet);
        if (!set) return;
        set->SelectOnScreen();
        const long count = set->Count();
        for (long i = 0; i < count; ++i) {
            host::EntityPtr e = set->Item(i);
            if (!e) continue;
            if (std::optional<host::Point> p = reference_point(*e)) add_marker_line(*ms, p->x, p->y);
        }
    });
}

}  // namespace korvane::tools
