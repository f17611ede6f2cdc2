#include <gtest/gtest.h>

#include "common/file_io.h"
#include "common/maimod.h"
#include "common/settings.h"
#include "temp_dir.h"

using namespace korvane::common;
using korvane::test::TempDir;

namespace {

// The behaviour every store must share.
void check_case_folding(SettingsStore& s) {
    save_ini(s, "Filepath", "E:\\");
    EXPECT_EQ(load_ini(s, "FILEPATH"), "E:\\");
    EXPECT_EQ(load_ini(s, "filepath"), "E:\\");
    EXPECT_EQ(setting_read(s, "filepath"), "E:\\");
    save_ini(s, "FILEPATH", "/data/影像");  // another spelling: the same setting
    EXPECT_EQ(setting_read(s, "Filepath"), "/data/影像");
    EXPECT_EQ(load_ini(s, "Filepath1"), "");
    EXPECT_EQ(load_ini(s, "Filepath1", "..."), "...");
    EXPECT_EQ(setting_read(s, "ProgramUPdate"), "");
    // Sections fold too; other sections stay apart.
    EXPECT_EQ(s.get("参数设定", "fIlEpAtH"), "/data/影像");
    EXPECT_FALSE(s.get("其它", "filepath"));
    s.set("其它", "Filepath", "x");
    EXPECT_EQ(load_ini(s, "filepath"), "/data/影像");
    // Non-ASCII keys are compared as they are; empty values are values.
    save_ini(s, "图像目录", "");
    EXPECT_EQ(s.get(kSettingsSection, "图像目录"), "");
}

}  // namespace

TEST(Settings, MemoryStoreFoldsCase) {
    MemorySettings s;
    check_case_folding(s);
    EXPECT_EQ(s.key_spelling(kSettingsSection, "FILEPATH"), "Filepath");
}

TEST(Settings, IniStoreFoldsCase) {
    TempDir dir;
    IniSettings s(dir / "settings.ini");
    check_case_folding(s);
}

TEST(Settings, IniPersistsAcrossInstances) {
    TempDir dir;
    auto file = dir / "conf" / "Halvex" / "settings.ini";  // folders made on first write
    {
        IniSettings s(file);
        EXPECT_EQ(setting_read(s, "ProgramSYCS"), "");
        save_ini(s, "ProgramUPdate", "120819");
        save_ini(s, "ProgramSYCS", "10");
        save_ini(s, "Filepath", "E:\\");
        save_ini(s, "ProgramSYCS", "9");
    }
    IniSettings again(file);
    EXPECT_EQ(setting_read(again, "programupdate"), "120819");
    EXPECT_EQ(setting_read(again, "PROGRAMSYCS"), "9");
    EXPECT_EQ(read_file_bytes(file),
              "[参数设定]\n"
              "ProgramUPdate=120819\n"
              "ProgramSYCS=9\n"
              "Filepath=E:\\\n");
}

TEST(Settings, IniKeepsWhatItDoesNotOwn) {
    TempDir dir;
    auto file = dir / "settings.ini";
    write_file_atomically(file,
                          "; written by hand\n"
                          "[窗口]\n"
                          "Left = 120\n"
                          "\n"
                          "[参数设定]\n"
                          "FILEPATH = D:\\影像\n"
                          "# old\n"
                          "\n"
                          "[其它]\n"
                          "a=b\n");
    IniSettings s(file);
    EXPECT_EQ(setting_read(s, "Filepath"), "D:\\影像");
    EXPECT_EQ(s.get("窗口", "left"), "120");
    save_ini(s, "Filepath", "E:\\");
    save_ini(s, "Filepath1", "...");
    EXPECT_EQ(read_file_bytes(file),
              "; written by hand\n"
              "[窗口]\n"
              "Left = 120\n"
              "\n"
              "[参数设定]\n"
              "FILEPATH = E:\\\n"
              "Filepath1=...\n"
              "# old\n"
              "\n"
              "[其它]\n"
              "a=b\n");
}

TEST(Settings, IniValuesSurviveExactly) {
    TempDir dir;
    auto file = dir / "settings.ini";
    std::string odd = "  两端空格 100% a=b\r\n下一行\t";
    {
        IniSettings s(file);
        save_ini(s, "Odd", odd);
        save_ini(s, "=[key", "v");
    }
    IniSettings again(file);
    EXPECT_EQ(load_ini(again, "odd"), odd);
    EXPECT_EQ(load_ini(again, "=[KEY"), "v");
    // One line per entry.
    std::string bytes = read_file_bytes(file);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3);
}

TEST(Settings, IniWriteFailureIsAnErrorAndChangesNothing) {
    TempDir dir;
    auto blocker = dir / "blocker";
    write_file_atomically(blocker, "a file where a folder should be");
    IniSettings s(blocker / "settings.ini");
    EXPECT_THROW(save_ini(s, "Filepath", "x"), FileError);
    EXPECT_EQ(setting_read(s, "Filepath"), "");
}

TEST(Settings, IniUnreadableFileIsAnError) {
    TempDir dir;
    // A folder in place of the file.
    std::filesystem::create_directories(dir / "settings.ini");
    EXPECT_THROW(IniSettings(dir / "settings.ini"), FileError);
}
