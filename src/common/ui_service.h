#pragma once
// What the tools ask of the user interface: message boxes, file and folder
// dialogs, showing a file, waiting while the interface stays responsive. The Qt
// layer implements it for the program; RecordingUi serves tests and the batch runner.
#include <functional>
#include <optional>
#include <string>

#include "common/dates.h"
#include "common/paths.h"
#include "common/settings.h"

namespace korvane::common {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgResult { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

const char* icon_name(MsgIcon icon);

struct FileDialogRequest {
    std::string title;
    std::string filter;       // "文本文件 (*.TXT)|*.TXT|所有文件 (*.*)|*.*"
    std::string initial_dir;
    std::string default_name;
    bool save = false;
};

class UiService {
public:
    virtual ~UiService() = default;
    // Shows a message box; the title is "提示" unless another is given.
    virtual MsgResult message_box(const std::string& text, const std::string& title = "提示",
                                  MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::OK) = 0;
    // The chosen file, or nothing when cancelled.
    virtual std::optional<std::string> file_dialog(const FileDialogRequest& request) = 0;
    // The chosen folder, or "" when cancelled.
    virtual std::string browse_folder(const std::string& title) = 0;
    // Opens a file in the user's viewer (a text editor for reports, the spreadsheet program for workbooks).
    virtual void show_file(const std::string& path) = 0;
    // Waits the given time while the interface keeps handling events.
    virtual void wait(double seconds) = 0;
    // Calls `tick` every `seconds` while the interface handles events, until stop_timer(id)
    // (the forms' blinking). Returns the timer's id; 0 where there are no timers.
    virtual int start_timer(double seconds, std::function<void()> tick) { return 0; }
    virtual void stop_timer(int id) {}
    // A long command's progress, shown with a Cancel button that stands for the Escape key:
    // begin_progress shows it (the title names the command, `total` the number of steps),
    // progress moves it to `done` steps and answers whether to go on (false once Cancel was
    // pressed), end_progress takes it away. Where nothing is shown, nothing is cancelled.
    virtual void begin_progress(const std::string& title, long total) {}
    virtual bool progress(long done) { return true; }
    virtual void end_progress() {}
    virtual SettingsStore& settings() = 0;
    virtual const Paths& paths() = 0;
    virtual const Clock& clock() = 0;
};

}  // namespace korvane::common
