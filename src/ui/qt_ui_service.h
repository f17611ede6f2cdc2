#pragma once
// The UI service of the program: Qt message boxes with the system's titles and
// icons, the file and folder dialogs, showing a file in the user's program for it,
// waiting while events are handled, and form timers.
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/ui_service.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace korvane::ui {

class QtUiService : public QObject, public common::UiService {
    Q_OBJECT
public:
    QtUiService(common::SettingsStore& settings, common::Paths paths, QObject* parent = nullptr);
    ~QtUiService() override;

    common::MsgResult message_box(const std::string& text, const std::string& title, common::MsgIcon icon,
                                  common::MsgButtons buttons) override;
    std::optional<std::string> file_dialog(const common::FileDialogRequest& request) override;
    std::string browse_folder(const std::string& title) override;
    void show_file(const std::string& path) override;
    void wait(double seconds) override;
    common::SettingsStore& settings() override { return *settings_; }
    const common::Paths& paths() override { return paths_; }
    const common::Clock& clock() override { return clock_ ? *clock_ : system_clock_; }
    void set_clock(const common::Clock* clock) { clock_ = clock; }

    // Calls `tick` every `seconds` on the interface thread until stopped; returns its id.
    int start_timer(double seconds, std::function<void()> tick) override;
    void stop_timer(int id) override;
    // Runs a timer's tick (the application lets ticks through only between commands); the tick
    // runs directly while unset.
    std::function<void(const std::function<void()>&)> run_tick;

    // A progress dialog with a Cancel button (Esc presses it); events keep flowing while it is
    // up, at most every few hundredths of a second so that a long loop is not slowed down.
    void begin_progress(const std::string& title, long total) override;
    bool progress(long done) override;
    void end_progress() override;
    // The dialog while a progress runs (tests), or null.
    QProgressDialog* progress_dialog() const { return progress_; }

    // Unattended: message boxes are not shown but answered with their default button, dialogs
    // are cancelled, files are not opened. Every message is still reported through on_message.
    void set_unattended(bool on) { unattended_ = on; }
    bool unattended() const { return unattended_; }
    // Each message box as one line "[title] text {icon}", when it is shown (tests, logs).
    std::function<void(const std::string&)> on_message;
    // The window dialogs are placed over (the panel).
    void set_dialog_parent(QWidget* w) { parent_ = w; }

    // A dialog filter as the system writes it ("文本文件 (*.TXT)|*.TXT|所有文件 (*.*)|*.*")
    // in Qt's form ("文本文件 (*.TXT);;所有文件 (*.*)").
    static QString qt_filter(const std::string& filter);

private:
    common::SettingsStore* settings_;
    common::Paths paths_;
    const common::Clock* clock_ = nullptr;
    common::SystemClock system_clock_;
    bool unattended_ = false;
    QWidget* parent_ = nullptr;
    int next_timer_ = 1;
    std::map<int, QTimer*> timers_;
    QProgressDialog* progress_ = nullptr;
    QElapsedTimer progress_clock_;
    qint64 progress_shown_at_ = 0;  // ms on progress_clock_ of the last event round
};

}  // namespace korvane::ui
