// The GIS layer writer's failure to replace a target. What a written layer holds is read back
// with ogrinfo by the scenarios gis_layers and gis_village.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "gis/parcel_layer.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

std::string bytes_of(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A target that cannot be replaced (a folder where a file of the layer goes): the write fails
// with the target's name, the old files stay as they were and nothing temporary is left.
TEST(ParcelLayer, AFailedReplaceKeepsTheOldLayer) {
    const fs::path dir = fs::temp_directory_path() / ("korvane-gis-test-" + std::to_string(::getpid()));
    gis::ParcelFeature square;
    square.ring = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    square.area = 100;
    struct Case {
        const char* target;
        gis::LayerFormat format;
        const char* folder;             // the part that is a folder
        std::vector<const char*> old;   // old files of the layer
    } cases[] = {
        {"a.gpkg", gis::LayerFormat::GeoPackage, "a.gpkg", {}},
        {"b.shp", gis::LayerFormat::Shapefile, "b.dbf", {"b.shp", "b.shx", "b.prj"}},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir);
        fs::create_directories(dir / c.folder);
        for (const char* f : c.old) std::ofstream(dir / f) << "old " << f;
        const gis::LayerWrite w = gis::write_parcel_layer(dir / c.target, c.format, {square}, 4527);
        EXPECT_FALSE(w.ok()) << c.target;
        EXPECT_NE(w.error.find((dir / c.folder).string()), std::string::npos) << w.error;
        for (const char* f : c.old) EXPECT_EQ(bytes_of(dir / f), std::string("old ") + f);
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(dir)) left.push_back(e.path().filename().string());
        EXPECT_EQ(left.size(), c.old.size() + 1) << c.target;
    }
    fs::remove_all(dir);
}

}  // namespace
