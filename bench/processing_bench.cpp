// Speed of the quality round on the generated drawing of 50,000 parcels (korvane-sample-gen
// parcels), through the forms and menu entries as the user runs them:
//   SelectUnit/6 and /9   按乡镇 with a typed township code (about 48,000 parcels carry it) and
//                         按行政村 with a village code (about 9,600): select all, count, highlight
//   RedrawHighlighted/N   the drawing window's full redraw at 1600 x 900 with N parcels
//                         highlighted (0: the plain redraw to compare with)
//   UnitListAllParcels    the boundary extraction's 选择 over every parcel at the group level
//   BatchModifyNext       确认/下一个 of the parcel walk in a list of 10,000 parcels: the record
//                         written, the watch file read to the next line, the next parcel shown
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "checks/jxgl.h"
#include "drawing/entity.h"
#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "mapping/area_selection.h"
#include "mapping/xg_jz.h"
#include "render/render.h"
#include "hosted_session.h"
#include "sample_gen.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

struct Bench : bench::HostedSession {
    host::HostDocument* doc = nullptr;

    Bench() : HostedSession("korvane-processing-bench") {
        ui.paths().create_directories();
        host.start();
        host.set_screen_size(1600, 900);
        doc = &host.add(samples::make_parcels(samples::kDefaultParcels), "parcels.dxf");
        doc->zoom_extents(1600, 900);
    }
    ~Bench() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void select_all() {
        host::InputAnswer a;
        a.type = host::InputAnswer::Type::Selection;
        a.select_mode = host::InputAnswer::SelectMode::All;
        input.push(a);
    }
};

Bench& bench() {
    static Bench b;
    return b;
}

// A township's six characters or a village's nine.
void BM_SelectUnit(benchmark::State& state) {
    Bench& b = bench();
    const bool township = state.range(0) == 6;
    for (auto _ : state) {
        b.doc->highlighted().clear();
        b.input.push(host::InputAnswer::typed(township ? "440123" : "440123102"));
        if (township) mapping::select_by_township(b.session);
        else mapping::select_by_village(b.session);
    }
    state.counters["highlighted"] = double(b.doc->highlighted().size());
}
BENCHMARK(BM_SelectUnit)->ArgName("code")->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);

void BM_RedrawHighlighted(benchmark::State& state) {
    Bench& b = bench();
    b.doc->highlighted().clear();
    if (state.range(0) > 0) {
        b.input.push(host::InputAnswer::typed("440123102"));
        mapping::select_by_village(b.session);
    }
    b.doc->zoom_extents(1600, 900);
    render::DrawingRenderer renderer;
    QImage image(1600, 900, QImage::Format_RGB32);
    {
        QPainter p(&image);
        renderer.render(p, *b.doc, b.host, image.size());  // shapes cached by the first frame
    }
    for (auto _ : state) {
        QPainter p(&image);
        renderer.render(p, *b.doc, b.host, image.size());
    }
    state.counters["highlighted"] = double(b.doc->highlighted().size());
    b.doc->highlighted().clear();
}
BENCHMARK(BM_RedrawHighlighted)->ArgName("highlighted")->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_UnitListAllParcels(benchmark::State& state) {
    Bench& b = bench();
    checks::JxGL form(b.session);
    form.load();
    for (auto _ : state) {
        b.select_all();
        form.click("Command1");
    }
    state.counters["units"] = double(form.control("List1").items.size());
}
BENCHMARK(BM_UnitListAllParcels)->Unit(benchmark::kMillisecond);

void BM_BatchModifyNext(benchmark::State& state) {
    Bench& b = bench();
    mapping::XG_JZ form(b.session);
    form.load();
    // The first 10,000 parcels of the drawing, in drawing order.
    std::vector<std::string> handles;
    for (drawing::RecordId id : b.doc->modelspace()) {
        if (handles.size() == 10000) break;
        handles.push_back(drawing::Entity(b.doc->doc(), id).handle_text());
    }
    b.input.push(host::InputAnswer::selection(handles));
    form.click("Command3");
    for (auto _ : state) {
        if (form.remaining() <= 1) {
            state.SkipWithError("the list ran out");
            break;
        }
        form.set_text("Text2(0)", "道路");
        form.click("Command4");
    }
    state.counters["left"] = double(form.remaining());
}
BENCHMARK(BM_BatchModifyNext)->Iterations(2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
