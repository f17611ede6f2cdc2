// The widget tests share one QApplication on the offscreen platform, with the program's font
// and Qt's texts in Chinese as the program has them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

#include <cstdlib>

#include "ui/gui.h"

int main(int argc, char** argv) {
    // Test discovery runs the binary outside ctest's environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Caches the program keeps in the user's folders (the tiles' previews) go to a test place.
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setQuitOnLastWindowClosed(false);
    korvane::ui::set_program_font();
    korvane::ui::install_translations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
