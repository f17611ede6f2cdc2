// Finding an image's file when the drawing was written on another machine.
#include <gtest/gtest.h>

#include <fstream>

#include "drawing_support.h"
#include "drawing/image_files.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {

TEST(ImageFiles, LooksAsWrittenThenBesideTheDrawingThenInTheImageDirectory) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "dwg" / "tiles");
    std::filesystem::create_directories(dir.path() / "images");
    for (const char* f : {"dwg/beside.jpg", "dwg/tiles/sub.jpg", "images/2543.00-548.00.JPG", "images/both.jpg",
                          "dwg/both.jpg"})
        std::ofstream(dir / f) << "x";
    ImageFileLocator locator(dir / "dwg", dir / "images");
    struct Case {
        std::string stored;
        std::string found;  // relative to the scratch folder; "" when nothing is found
    };
    const Case cases[] = {
        {dir / "images/both.jpg", "images/both.jpg"},             // an existing path as written
        {"tiles\\sub.jpg", "dwg/tiles/sub.jpg"},                  // relative to the drawing
        {"D:\\影像\\beside.jpg", "dwg/beside.jpg"},              // a Windows path: by name, beside
        {"D:\\影像\\2543.00-548.00.jpg", "images/2543.00-548.00.JPG"},  // the image directory, any case
        {"\\\\server\\tiles\\BOTH.jpg", "dwg/both.jpg"},          // beside the drawing comes first
        {"D:\\影像\\2544.00-548.00.jpg", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        auto found = locator.locate(c.stored);
        EXPECT_EQ(found.value_or(""), c.found.empty() ? "" : dir / c.found) << c.stored;
    }
    EXPECT_EQ(stored_file_name("D:\\影像\\a/b.jpg"), "b.jpg");
}

}  // namespace
