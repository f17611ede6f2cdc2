// The tile naming shared by the tile commands: sheets by rounding down, names northing first,
// paths in the image directory.
#include <gtest/gtest.h>

#include "common/settings.h"
#include "mapping/tile_names.h"

namespace korvane::mapping {
namespace {

TEST(TileNames, SheetsRoundDownAndNameTheNorthingFirst) {
    struct Case {
        double x, y;
        const char* name;
    };
    const Case cases[] = {
        {548213.7, 2543871.2, "2543.00-548.00"},
        {548000.0, 2543000.0, "2543.00-548.00"},   // a sheet corner belongs to the sheet that starts there
        {548999.999, 2543999.999, "2543.00-548.00"},
        {-0.5, -0.5, "-1.00--1.00"},              // negative coordinates take the next lower kilometre
        {-1000.0, 999.9, "0.00--1.00"},
        {-1000.001, 0.0, "0.00--2.00"},
    };
    for (const Case& c : cases) EXPECT_EQ(sheet_name(sheet_index(c.x), sheet_index(c.y)), c.name) << c.x << "," << c.y;
}

TEST(TileNames, PathsInTheImageDirectoryWithTheChosenExtension) {
    common::MemorySettings settings;
    common::save_ini(settings, "Filepath", "/data/影像");
    TileSource jpg = tile_source(settings, true);
    EXPECT_EQ(jpg.sheet_path(548, 2543), "/data/影像/2543.00-548.00.jpg");
    EXPECT_EQ(tile_source(settings, false).path("2543.0-548.0"), "/data/影像/2543.0-548.0.tif");
    // A directory kept with its separator does not get a second one.
    EXPECT_EQ((TileSource{"E:\\", ".jpg"}).sheet_path(548, 2543), "E:\\2543.00-548.00.jpg");
    EXPECT_EQ((TileSource{"/tiles/", ".jpg"}).path("x"), "/tiles/x.jpg");
}

}  // namespace
}  // namespace korvane::mapping
