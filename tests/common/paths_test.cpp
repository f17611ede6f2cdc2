#include <gtest/gtest.h>

#include <cstdlib>

#include "common/file_io.h"
#include "common/paths.h"
#include "temp_dir.h"

using namespace korvane::common;
namespace fs = std::filesystem;
using korvane::test::TempDir;

TEST(Paths, MapsTheSystemsFixedLocations) {
    Paths p;
    p.data_dir = "data";
    p.output_dir = "out";
    EXPECT_EQ(p.map_windows_path("c:\\Tessivo\\经济组织代码对照表.ini"), fs::path("data/经济组织代码对照表.ini"));
    EXPECT_EQ(p.map_windows_path("C:\\TESSIVO\\输出-点位属性.txt"), fs::path("data/输出-点位属性.txt"));
    EXPECT_EQ(p.map_windows_path("C:\\Tessivo\\宗地图(A3).dwg"), fs::path("data/宗地图(A3).dxf"));
    EXPECT_EQ(p.map_windows_path("C:\\Tessivo\\集体土地权属调查表.xls"), fs::path("data/集体土地权属调查表.xlsx"));
    EXPECT_EQ(p.map_windows_path("C:/Tessivo/sub\\a.txt"), fs::path("data/sub/a.txt"));
    EXPECT_EQ(p.map_windows_path("d:\\TempDwg.dwg"), p.temp_drawing());
    EXPECT_EQ(p.map_windows_path("d:/TempDwg.dwg"), p.temp_drawing());
    EXPECT_EQ(p.map_windows_path("\\watch.txt"), p.output_dir / "watch.txt");
    EXPECT_EQ(p.map_windows_path("d:\\张三"), fs::path("out/张三"));
    EXPECT_FALSE(p.map_windows_path("C:\\Tessivo2\\a.txt"));
    EXPECT_FALSE(p.map_windows_path("C:\\Windows\\a.txt"));
    EXPECT_FALSE(p.map_windows_path("e:\\a.txt"));
    EXPECT_FALSE(p.map_windows_path("\\\\server\\share"));
    EXPECT_FALSE(p.map_windows_path("relative.txt"));
}

TEST(Paths, SeedingCopiesOnlyMissingFiles) {
    TempDir dir;
    fs::path shipped = dir / "shipped", data = dir / "Tessivo";
    fs::create_directories(shipped / "模板");
    write_file_atomically(shipped / "经济组织代码对照表.ini", "shipped table");
    write_file_atomically(shipped / "模板" / "公示图框.dxf", "frame");
    write_file_atomically(shipped / ".gitkeep", "");
    fs::create_directories(data);
    write_file_atomically(data / "经济组织代码对照表.ini", "the user's own table");

    auto copied = seed_data_directory(shipped, data);
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0], data / "模板" / "公示图框.dxf");
    EXPECT_EQ(read_file_bytes(data / "经济组织代码对照表.ini"), "the user's own table");
    EXPECT_EQ(read_file_bytes(data / "模板" / "公示图框.dxf"), "frame");
    EXPECT_FALSE(fs::exists(data / ".gitkeep"));

    // A second start copies nothing; a file the user deleted comes back.
    EXPECT_TRUE(seed_data_directory(shipped, data).empty());
    fs::remove(data / "模板" / "公示图框.dxf");
    EXPECT_EQ(seed_data_directory(shipped, data).size(), 1u);

    // Nothing shipped: nothing to do.
    EXPECT_TRUE(seed_data_directory(dir / "none", dir / "other").empty());
}

TEST(Paths, SeedingIntoAFileIsAnError) {
    TempDir dir;
    fs::create_directories(dir / "shipped");
    write_file_atomically(dir / "shipped" / "a.txt", "a");
    write_file_atomically(dir / "blocker", "x");
    EXPECT_THROW(seed_data_directory(dir / "shipped", dir / "blocker" / "Tessivo"), FileError);
}

TEST(Paths, FindsShippedData) {
    TempDir dir;
    fs::create_directories(dir / "prefix" / "bin");
    fs::create_directories(dir / "prefix" / "share" / "korvane" / "data");
    EXPECT_EQ(find_shipped_data(dir / "prefix" / "bin" / "korvane-cli"), dir / "prefix" / "share" / "korvane" / "data");

    fs::create_directories(dir / "tree" / "build" / "src" / "app");
    fs::create_directories(dir / "tree" / "data");
    EXPECT_EQ(find_shipped_data(dir / "tree" / "build" / "src" / "app" / "korvane-cli"), dir / "tree" / "data");
}

TEST(Paths, SettingsFileFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", "cfg", 1);
    EXPECT_EQ(default_settings_file(), fs::path("cfg") / "Halvex" / "settings.ini");
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}
