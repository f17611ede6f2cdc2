#pragma once
// The embedded host's window: open drawings in tabs, the canvas, the command
// line, the layer list and the status bar; File New/Open/Save/Save As/Close and
// recent files; Undo and Redo. Its caption is the host's caption. While it is
// shown the host runs; closing it stops the host (the drawings stay loaded and
// come back when the window is started again).
#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drawing/geometry.h"

namespace korvane::common {
class SettingsStore;
}
namespace korvane::host {
class EmbeddedHost;
class HostDocument;
}  // namespace korvane::host

class QAction;
class QLabel;
class QMenu;
class QTabBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvane::ui {

class Canvas;
class CommandGate;
class CommandLine;
class InteractiveInput;
class PropertiesDock;
class TranscriptLog;

class DrawingWindow : public QMainWindow {
    Q_OBJECT
public:
    DrawingWindow(host::EmbeddedHost& host, InteractiveInput& input, TranscriptLog& log, CommandGate& gate,
                  common::SettingsStore& settings, QWidget* parent = nullptr);
    ~DrawingWindow() override;

    Canvas* canvas() const { return canvas_; }
    CommandLine* command_line() const { return command_line_; }
    QTreeWidget* layer_list() const { return layers_; }
    QTabBar* tabs() const { return tabs_; }
    QLabel* coordinates() const { return coords_; }
    PropertiesDock* properties() const { return properties_; }
    QToolBar* snap_toolbar() const { return snaps_; }

    // File operations as the menu runs them; each returns false when it did not happen.
    bool open_file(const QString& path);
    bool new_drawing();
    bool save(size_t index);
    bool save_as(size_t index, const QString& path = {});
    // Closes a drawing, asking first when it was modified.
    bool close_document(size_t index);
    // Asks about every modified drawing (保存, 不保存 or 取消). False when cancelled.
    bool confirm_discard_all();
    // Answers that question without asking (an unattended run); unset: the question is asked.
    std::function<QMessageBox::StandardButton(host::HostDocument&)> ask_save_answer;
    void undo();
    void redo();

    // Runs a line as typed on the command line (a host command when nothing waits).
    void enter_line(const QString& text);
    // Shows the window and starts the host; hiding it stops the host.
    void start();
    bool host_running() const;

    // Reads the host's state again (drawings, caption, layers) and redraws.
    void refresh();

    QStringList recent_files() const;

    // The window's place (its frame) as the user left it, kept in the settings; empty when none.
    QRect remembered_place() const;
    void remember_place();

signals:
    // The window was closed and the host stopped.
    void stopped();

protected:
    void closeEvent(QCloseEvent*) override;

private:
    host::EmbeddedHost& host_;
    InteractiveInput& input_;
    TranscriptLog& log_;
    CommandGate& gate_;
    common::SettingsStore& settings_;
    Canvas* canvas_ = nullptr;
    CommandLine* command_line_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QTreeWidget* layers_ = nullptr;
    QLabel* coords_ = nullptr;
    QMenu* recent_menu_ = nullptr;
    QAction *save_ = nullptr, *save_as_ = nullptr, *close_ = nullptr, *undo_ = nullptr, *redo_ = nullptr;
    QAction *new_ = nullptr, *open_ = nullptr;
    PropertiesDock* properties_ = nullptr;
    QToolBar* snaps_ = nullptr;
    QAction *osnap_ = nullptr, *ortho_ = nullptr;
    std::vector<QAction*> snap_modes_;
    std::vector<QAction*> drafting_actions_;  // entries that start a command
    bool refresh_pending_ = false;
    bool close_pending_ = false;
    bool updating_ = false;
    QString last_command_;

    QAction* print_ = nullptr;
    void build_menus();
    // "打印...": the dialog, then the extent picked in the drawing, then the plot.
    void plot();
    // The extent of PlotChoice::Range `range`: a frame or two corners picked, or the view.
    std::optional<drawing::Box2> plot_extent(int range);
    // The menus 绘图, 修改 and 工具, the snap toolbar, the properties panel (drawing_window_drafting.cpp).
    void build_drafting();
    // Running snaps (F3), one snap mode, and the toolbar showing OSMODE and ORTHOMODE as they are.
    void set_running_snaps(bool on);
    void set_snap_mode(int mode, bool on);
    void sync_snaps();
    void set_variable(const char* name, long long value);
    long long variable(const char* name) const;
    void schedule_refresh();
    void refresh_layers();
    void update_actions();
    void add_recent(const QString& path);
    void layer_item_changed(QTreeWidgetItem* item);
    QMessageBox::StandardButton ask_save(host::HostDocument& d);
    host::HostDocument* active() const;
};

}  // namespace korvane::ui
