// The host's list of model-space entities follows appends and edits through the drawing's
// change log; whatever a command does, it must equal a fresh walk of the drawing.
#include <random>

#include "host_fixture.h"

namespace korvane::host::testing {
namespace {

TEST_F(HostFixture, ModelSpaceListFollowsEveryKindOfChange) {
    HostDocument& hd = *host.active();
    drawing::Document& d = hd.doc();
    ModelSpacePtr ms = doc->ModelSpace();
    std::mt19937 rng(13);
    for (int step = 0; step < 400; ++step) {
        const auto& list = hd.modelspace();
        const int what = int(rng() % 10);
        if (what < 4) {
            ms->AddPoint({double(step), 1, 0})->SetLayer("0");  // an append, then an edit
        } else if (what < 6 && !list.empty()) {
            entity(drawing::Entity(d, list[rng() % list.size()]).handle_text())->Setcolor(int(rng() % 7) + 1);
        } else if (what == 6 && !list.empty()) {
            d.erase(list[rng() % list.size()]);
        } else if (what == 7) {
            d.begin_undo_step("step");
            ms->AddCircle({double(step), 2, 0}, 1);
            d.end_undo_step();
            d.undo();
        } else if (what == 8 && !list.empty()) {
            // Into paper space and back, by its space group.
            drawing::Entity e(d, list[rng() % list.size()]);
            e.set_integer(67, 1);
        } else {
            doc->SendCommand("rectang\r0,0\r5,5\r");
        }
        ASSERT_EQ(hd.modelspace(), d.modelspace()) << "step " << step << ", change " << what;
    }
}

}  // namespace
}  // namespace korvane::host::testing
