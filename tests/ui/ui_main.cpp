// The widget tests share one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QStandardPaths>

#include <cstdlib>

int main(int argc, char** argv) {
    // Test discovery runs the binary outside ctest's environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Caches the program keeps in the user's folders (the tiles' previews) go to a test place.
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setQuitOnLastWindowClosed(false);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPointSize(9);
    QApplication::setFont(font);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
