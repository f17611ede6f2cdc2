#pragma once
// The GUI program as a whole: the Qt application object with the program's
// font and Qt's own texts in Chinese, the Korvane windows, and the event loop —
// or, for --screenshot, the windows drawn once into PNG files.
#include <string>
#include <vector>

#include "ui/application.h"

class QCoreApplication;

namespace korvane::ui {

struct GuiOptions {
    AppOptions app;
    // Set: write the screenshots into this folder and end instead of running.
    std::string screenshot_dir;
    bool unfold = false;              // the panel unfolded for the screenshots
    std::vector<std::string> forms;   // forms open for the screenshots
};

// Runs the GUI until the panel is closed; returns the exit status.
int run_gui(int& argc, char** argv, const GuiOptions& options);

// Qt's own texts (message-box buttons, file dialogs, context menus of text boxes) in Chinese,
// from Qt's translations. False when they could not be found (the texts stay English).
bool install_translations(QCoreApplication& app);

// The program's font for every window (CJK glyphs from one family, so that screenshots are
// stable).
void set_program_font();

}  // namespace korvane::ui
