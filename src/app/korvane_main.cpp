// korvane: the main panel and the drawing window.
#include <iostream>
#include <string>
#include <vector>

#include "ui/gui.h"

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

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    korvane::ui::GuiOptions options;
    options.app.executable = argv[0];
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--screenshot") {
            if (i + 1 >= args.size()) return usage();
            options.screenshot_dir = args[++i];
        } else if (args[i] == "--form") {
            if (i + 1 >= args.size()) return usage();
            options.forms.push_back(args[++i]);
        } else if (args[i] == "--unfold") {
            options.unfold = true;
        } else if (args[i] == "--help" || args[i] == "-h") {
            return usage();
        } else if (!args[i].empty() && args[i][0] == '-') {
            std::cerr << "korvane: unknown option " << args[i] << "\n";
            return usage();
        } else {
            options.app.drawings.push_back(args[i]);
        }
    }
    return korvane::ui::run_gui(argc, argv, options);
}
