#include "ui/gui.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <iostream>
#include <memory>

#include "panel/maifrm.h"
#include "panel/workspace.h"

namespace korvane::ui {

namespace {

// Lets the windows lay themselves out and paint.
void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

int write_screenshots(Application& korvane, const GuiOptions& options) {
    settle(400);
    if (options.unfold) {
        auto& fold = korvane.workspace().maifrm().control("Label1");
        if (fold.on_click) fold.on_click();
        settle(200);
    }
    for (const auto& name : options.forms) {
        try {
            korvane.workspace().open_form(name);
        } catch (const std::exception& e) {
            std::cerr << "korvane: " << e.what() << "\n";
            return 1;
        }
        settle(200);
    }
    std::string error;
    if (!korvane.write_screenshots(options.screenshot_dir, &error)) {
        std::cerr << "korvane: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

bool install_translations(QCoreApplication& app) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // "qt" gathers the catalogues of every Qt module; "qtbase" alone where it is missing.
    for (const char* catalogue : {"qt", "qtbase"}) {
        auto t = std::make_unique<QTranslator>();
        if (!t->load(chinese, QString::fromLatin1(catalogue), QStringLiteral("_"), dir)) continue;
        t->setParent(&app);
        QCoreApplication::installTranslator(t.release());
        return true;
    }
    return false;
}

void set_program_font() {
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPointSize(9);
    QApplication::setFont(font);
}

int run_gui(int& argc, char** argv, const GuiOptions& options) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Halvex");
    QApplication::setApplicationName("Korvane");
    // The panel outlives the drawing window; the program ends when the panel is closed.
    QApplication::setQuitOnLastWindowClosed(false);
    set_program_font();
    if (!install_translations(app))
        std::cerr << "korvane: Qt's Chinese translations were not found (qt6-translations-l10n)\n";

    AppOptions app_options = options.app;
    if (!options.screenshot_dir.empty()) {
        app_options.fresh_settings = true;
        app_options.unattended = true;
    }
    Application korvane(app_options);
    korvane.start();
    if (!options.screenshot_dir.empty()) return write_screenshots(korvane, options);
    return app.exec();
}

}  // namespace korvane::ui
