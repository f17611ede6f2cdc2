#include "tools/drawing_aids.h"

#include "common/numbers.h"
#include "parcel/selection_sets.h"
#include "tools/tool_support.h"

namespace korvane::tools {

void change_line_width(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, kSelectionSet);
        if (!set) return;
        host::Filter polylines;
        polylines.add(0, "LWPOLYLINE,POLYLINE");
        set->SelectOnScreen(polylines);
        const long count = set->Count();
        if (count == 0) {
            util->Prompt(kNoPolylineSelected);
            return;
        }
        std::optional<double> width = util->GetReal(kWidthPrompt);
        if (!width) return;
        if (*width < 0) {
            util->Prompt(kNegativeWidth);
            return;
        }
        for (long i = 0; i < count; ++i) {
            host::EntityPtr p = set->Item(i);
            if (!p) continue;
            p->SetConstantWidth(*width);
            p->Update();
        }
        util->Prompt(kWidthChanged + common::number_to_text(*width));
    });
}

void draw_square(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        if (host::DocumentPtr doc = ctx.doc()) doc->SendCommand("rectang\r\n");
    });
}

}  // namespace korvane::tools
