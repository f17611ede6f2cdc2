// The program's settings on QSettings: the same sections and keys as the batch runner's store,
// names compared without regard to case, values surviving a new start.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/settings.h"
#include "ui/qt_settings.h"

namespace korvane::ui {
namespace {

TEST(QtSettings, KeysOfAnySpellingAreOneSettingAndSurviveARestart) {
    QTemporaryDir dir;
    QString file = dir.filePath("Korvane.ini");
    {
        QtSettings s(file);
        EXPECT_FALSE(s.get(common::kSettingsSection, "filepath").has_value());
        common::save_ini(s, "Filepath", "E:\\影像\\");
        common::save_ini(s, "FILEPATH", "D:\\tiles\\");  // the value changes, the spelling stays
        common::save_ini(s, "Plotter", "张三");
        s.set("Korvane", "recent1", "村.dxf");
        EXPECT_EQ(common::load_ini(s, "filePATH"), "D:\\tiles\\");
    }
    QtSettings again(file);
    EXPECT_EQ(common::load_ini(again, "filepath"), "D:\\tiles\\");
    EXPECT_EQ(common::load_ini(again, "plotter"), "张三");
    EXPECT_EQ(again.get("korvane", "RECENT1"), std::optional<std::string>("村.dxf"));
    again.qsettings().beginGroup(QString::fromStdString(std::string(common::kSettingsSection)));
    EXPECT_EQ(again.qsettings().childKeys(), (QStringList{"Filepath", "Plotter"}));
    again.qsettings().endGroup();
    // An empty value is a value, not a missing one.
    again.set("Korvane", "recent2", "");
    EXPECT_EQ(again.get("Korvane", "recent2"), std::optional<std::string>(""));
}

}  // namespace
}  // namespace korvane::ui
