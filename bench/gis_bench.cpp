// GIS output on the generated county drawing of 50,000 attributed parcels (korvane-sample-gen
// parcels), each command as the user runs it over the embedded host (every parcel selected):
//   ExchangeTable50k    输出交换文件[ArcGis]: elevations set, the GBK table written
//   GeoPackage50k       输出GIS图层 to a GeoPackage
//   Shapefile50k        输出GIS图层 to a Shapefile
//   Ogr2ogrShapefile50k GDAL's ogr2ogr converting that GeoPackage to a Shapefile, side by side
// Wall times (the ogr2ogr child's processor time is not this process's).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "gis/exchange_table.h"
#include "gis/gis_layers.h"
#include "host/embedded_host.h"
#include "hosted_session.h"
#include "sample_gen.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

struct Bench : bench::HostedSession {

    Bench() : HostedSession("korvane-gis-bench") {
        ui.paths().create_directories();
        common::save_ini(settings, gis::kEpsgKey, "4527");
        host.start();
        host.add(samples::make_parcels(samples::kDefaultParcels), "parcels.dxf");
    }
    ~Bench() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void select_all() {
        host::InputAnswer a = host::InputAnswer::selection({});
        a.select_mode = host::InputAnswer::SelectMode::All;
        input.push(a);
    }
    fs::path layer(const char* name) {
        select_all();
        const fs::path file = ui.paths().output_dir / name;
        ui.push(common::UiAnswer{common::UiAnswer::Kind::File, file.string()});
        gis::write_gis_layers(session);
        return file;
    }
};

void BM_ExchangeTable50k(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        b.select_all();
        gis::write_exchange_table(b.session);
    }
    state.counters["bytes"] = double(fs::file_size(b.ui.paths().data_file(gis::kExchangeFile)));
}
BENCHMARK(BM_ExchangeTable50k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_GeoPackage50k(benchmark::State& state) {
    Bench b;
    fs::path file;
    for (auto _ : state) file = b.layer("parcels.gpkg");
    state.counters["bytes"] = double(fs::file_size(file));
}
BENCHMARK(BM_GeoPackage50k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Shapefile50k(benchmark::State& state) {
    Bench b;
    for (auto _ : state) b.layer("parcels.shp");
}
BENCHMARK(BM_Shapefile50k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Ogr2ogrShapefile50k(benchmark::State& state) {
    Bench b;
    const fs::path gpkg = b.layer("parcels.gpkg");
    const fs::path shp = b.ui.paths().output_dir / "converted.shp";
    const std::string command = "ogr2ogr -overwrite -f 'ESRI Shapefile' -lco ENCODING=UTF-8 '" + shp.string() + "' '" + gpkg.string() + "'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("ogr2ogr failed");
}
BENCHMARK(BM_Ogr2ogrShapefile50k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
