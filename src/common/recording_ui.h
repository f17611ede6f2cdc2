#pragma once
// A UiService that records every message box as one line "[title] text (icon)"
// and answers dialogs and message boxes from a queue (tests, the batch runner).
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/ui_service.h"

namespace korvane::common {

struct UiAnswer {
    enum class Kind { File, Folder, DialogCancel, Button };
    Kind kind = Kind::DialogCancel;
    std::string text;
    MsgResult button = MsgResult::OK;
};

class RecordingUi : public UiService {
public:
    RecordingUi(SettingsStore& settings, Paths paths) : settings_(&settings), paths_(std::move(paths)) {}

    MsgResult message_box(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    std::optional<std::string> file_dialog(const FileDialogRequest& request) override;
    std::string browse_folder(const std::string& title) override;
    void show_file(const std::string& path) override;
    void wait(double seconds) override { waited_ += seconds; }
    void begin_progress(const std::string& title, long total) override { progress_titles_.push_back(title); }
    // False, once, when a progress reaches the step set by cancel_progress_at.
    bool progress(long done) override;
    // The user presses Cancel when a progress reaches `step` (steps count from 0); -1: never.
    void cancel_progress_at(long step) { cancel_at_ = step; }
    // The titles of the progresses shown, in order.
    const std::vector<std::string>& progress_titles() const { return progress_titles_; }
    SettingsStore& settings() override { return *settings_; }
    const Paths& paths() override { return paths_; }
    const Clock& clock() override { return clock_ ? *clock_ : system_clock_; }
    void set_clock(const Clock* clock) { clock_ = clock; }

    void push(UiAnswer answer) { answers_.push_back(std::move(answer)); }
    // Every message box as shown: "[title] text" with CR LF shown as " / ", icon noted.
    const std::vector<std::string>& messages() const { return messages_; }
    const std::vector<std::string>& shown_files() const { return shown_; }
    bool message_contains(const std::string& fragment) const;
    double waited() const { return waited_; }
    // Set when a dialog found no queued answer or one of the wrong kind.
    const std::string& failure() const { return failure_; }
    void clear_failure() { failure_.clear(); }
    // Called with each message line as it is recorded, and with "显示文件 PATH" for each file
    // shown (the batch runner prints them).
    std::function<void(const std::string&)> on_message;

private:
    SettingsStore* settings_;
    Paths paths_;
    std::deque<UiAnswer> answers_;
    std::vector<std::string> messages_;
    std::vector<std::string> shown_;
    std::string failure_;
    double waited_ = 0;
    long cancel_at_ = -1;
    std::vector<std::string> progress_titles_;
    const Clock* clock_ = nullptr;
    SystemClock system_clock_;
};

// "[title] text" with line breaks shown as " / ", the icon in braces when there is one.
std::string format_message_line(const std::string& text, const std::string& title, MsgIcon icon);

}  // namespace korvane::common
