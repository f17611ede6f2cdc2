// korvane: the main panel and the drawing window.
#include <QApplication>
#include <QElapsedTimer>
#include <QFont>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "panel/maifrm.h"
#include "panel/workspace.h"
#include "ui/application.h"

namespace {

int usage() {
    std::cerr << "usage:\n"
                 "  korvane [DRAWING.dxf ...]                    the panel and the drawing window\n"
                 "  korvane --screenshot DIR [DRAWING.dxf ...]   start with fresh settings, answer every\n"
                 "                                               message with its default button, write\n"
                 "                                               panel.png, drawing.png, one PNG per open\n"
                 "                                               form and screen.png into DIR, and end\n"
                 "      --unfold                                 with the panel unfolded (boundary-walk block)\n"
                 "      --form NAME                              with that form open too (repeatable)\n";
    return 2;
}

// Lets the windows lay themselves out and paint.
void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    korvane::ui::AppOptions options;
    options.executable = argv[0];
    std::string screenshot_dir;
    bool unfold = false;
    std::vector<std::string> forms;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--screenshot") {
            if (i + 1 >= args.size()) return usage();
            screenshot_dir = args[++i];
        } else if (args[i] == "--form") {
            if (i + 1 >= args.size()) return usage();
            forms.push_back(args[++i]);
        } else if (args[i] == "--unfold") {
            unfold = true;
        } else if (args[i] == "--help" || args[i] == "-h") {
            return usage();
        } else if (!args[i].empty() && args[i][0] == '-') {
            std::cerr << "korvane: unknown option " << args[i] << "\n";
            return usage();
        } else {
            options.drawings.push_back(args[i]);
        }
    }
    if (!screenshot_dir.empty()) {
        options.fresh_settings = true;
        options.unattended = true;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName("Halvex");
    QApplication::setApplicationName("Korvane");
    // The panel outlives the drawing window; the program ends when the panel is closed.
    QApplication::setQuitOnLastWindowClosed(false);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPointSize(9);
    QApplication::setFont(font);

    korvane::ui::Application korvane(options);
    korvane.start();
    if (screenshot_dir.empty()) return app.exec();

    settle(400);
    if (unfold) {
        auto& fold = korvane.workspace().maifrm().control("Label1");
        if (fold.on_click) fold.on_click();
        settle(200);
    }
    for (const auto& name : forms) {
        try {
            korvane.workspace().open_form(name);
        } catch (const std::exception& e) {
            std::cerr << "korvane: " << e.what() << "\n";
            return 1;
        }
        settle(200);
    }
    std::string error;
    if (!korvane.write_screenshots(screenshot_dir, &error)) {
        std::cerr << "korvane: " << error << "\n";
        return 1;
    }
    return 0;
}
