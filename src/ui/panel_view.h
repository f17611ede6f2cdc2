#pragma once
// The main panel's window: a small tool window, always on top, at the screen's
// left edge. The picture buttons in a row, the layer boxes with the point-display
// and fold labels, the build stamp, and below them (unfolded) the boundary-walk
// block. Its height is the form's (folded or unfolded); its context menu shows
// the drawing window (and starts it again after it was closed).
#include "ui/form_view.h"

class QGroupBox;

namespace korvane::ui {

class PanelView : public FormView {
    Q_OBJECT
public:
    PanelView(common::FormModel& model, CommandGate& gate, QWidget* parent = nullptr);

    // Set by the application.
    std::function<void()> on_start_host;
    std::function<void()> on_quit;

    QGroupBox* block() const { return block_; }
    // The panel's context menu as it would be shown now.
    QMenu* make_context_menu();

protected:
    void layout_controls() override;
    void apply_form() override;
    QIcon picture_for(const common::Control& c) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    void closeEvent(QCloseEvent*) override;

private:
    QGroupBox* block_ = nullptr;
    int placed_left_ = -1, placed_top_ = -1;
};

}  // namespace korvane::ui
