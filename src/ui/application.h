#pragma once
// The program as a whole: the settings store, the UI service, the embedded host
// with its drawing window, the forms' workspace, the main panel and the windows of
// the forms opened from it, and the pop-up menus of the menu form.
#include <QMenu>
#include <QObject>
#include <QPointer>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/form_view.h"

namespace korvane::common {
class FormModel;
class SettingsStore;
struct Paths;
}  // namespace korvane::common
namespace korvane::host {
class EmbeddedHost;
}
namespace korvane::panel {
class Workspace;
}


namespace korvane::ui {

class Autosave;
class CommandGate;
class DrawingWindow;
class InteractiveInput;
class PanelView;
class QtUiService;
class TranscriptLog;

struct AppOptions {
    std::vector<std::string> drawings;
    // The settings store: the user's QSettings unless an INI file is named (the batch runner's
    // store), or kept in memory when `fresh_settings` is set (screenshots, tests).
    std::optional<std::filesystem::path> settings_file;
    bool fresh_settings = false;
    // Message boxes answered with their default button, dialogs cancelled.
    bool unattended = false;
    std::optional<std::filesystem::path> data_dir, output_dir;
    std::string executable;  // argv[0], to find the shipped data
};

class Application : public QObject {
    Q_OBJECT
public:
    explicit Application(AppOptions options);
    ~Application() override;

    // Shows the drawing window with the given drawings, then loads and shows the panel.
    void start();
    // Starts the drawing window again after it was closed.
    void start_host();
    // Ends the program after asking about unsaved drawings; false when the user cancelled.
    bool quit();

    // Writes panel.png, drawing.png, one PNG per open form and screen.png (the windows where
    // they stand) into `dir`. False when a file could not be written.
    bool write_screenshots(const std::filesystem::path& dir, std::string* error = nullptr);

    host::EmbeddedHost& host();
    panel::Workspace& workspace();
    QtUiService& ui();
    CommandGate& gate();
    InteractiveInput& input();
    TranscriptLog& transcript();
    common::SettingsStore& settings();
    // The autosave of modified drawings (none when its folder could not be made).
    Autosave* autosave() const;
    PanelView* panel() const { return panel_.get(); }
    DrawingWindow* drawing_window() const { return window_.get(); }
    FormView* form_view(const std::string& form) const;
    // Shows a form's window (modeless): top edge level with the panel's, right edge at the
    // screen's right edge. The workspace's forms come here when they are opened.
    FormView* show_form(common::FormModel& form);
    // The menu the panel popped up last (kept until the next one).
    QMenu* last_menu() const { return last_menu_; }
    // Every message box shown, one line each ("[title] text {icon}").
    const std::vector<std::string>& messages() const { return messages_; }

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    AppOptions options_;
    std::unique_ptr<DrawingWindow> window_;
    std::unique_ptr<PanelView> panel_;
    std::map<std::string, std::unique_ptr<FormView>> forms_;
    QPointer<QMenu> last_menu_;
    std::vector<std::string> messages_;
    bool quitting_ = false;
    // What went wrong making or seeding the data directory (shown once the panel is up).
    std::string data_problem_;
    // A command looked for the host while the drawing window was closed; the offer to show it
    // again is made once per closing.
    bool host_missed_ = false;
    bool host_offered_ = false;

    void start_autosave(const std::filesystem::path& folder);
    // Offers each recovery copy a crashed session left behind.
    void offer_recovery();
    void form_opened(const std::string& name);
    void offer_host();
    void popup_menu(const std::string& menu);
    void place_drawing_window();
};

}  // namespace korvane::ui
