#include "ui/panel_view.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include <set>

#include "panel/maifrm.h"
#include "ui/panel_icons.h"
#include "ui/placement.h"

namespace korvane::ui {

using common::Control;
using common::ControlKind;

namespace {

// The boundary-walk block: its frame, the captions of its six boxes and of the handle.
const char* const kBlockFrame = "Frame1";
const char* const kHandleCaption = "Label8";
const char* const kBlockTitle = "走界记录";

std::string indexed(const char* array, int i) { return std::string(array) + "(" + std::to_string(i) + ")"; }

int index_of(const std::string& name, const std::string& array) {
    // "Picture1(12)" -> 12 for array "Picture1"; -1 otherwise.
    if (name.size() < array.size() + 3 || name.compare(0, array.size() + 1, array + "(") != 0 || name.back() != ')')
        return -1;
    try {
        return std::stoi(name.substr(array.size() + 1, name.size() - array.size() - 2));
    } catch (...) {
        return -1;
    }
}

}  // namespace

PanelView::PanelView(common::FormModel& model, CommandGate& gate, QWidget* parent) : FormView(model, gate, parent) {
    auto* restart = new QShortcut(QKeySequence(QStringLiteral("Ctrl+D")), this);
    connect(restart, &QShortcut::activated, this, [this] {
        if (on_start_host) on_start_host();
    });
}

QIcon PanelView::picture_for(const Control& c) {
    int i = index_of(c.name, "Picture1");
    return i >= 0 && i < kPanelIconCount ? panel_icon(i) : QIcon();
}

void PanelView::layout_controls() {
    std::set<std::string> placed;
    auto take = [&](const std::string& name) -> QWidget* {
        QWidget* w = widget_for(name);
        if (w) placed.insert(name);
        return w;
    };
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 2, 4, 2);
    outer->setSpacing(1);

    // The picture buttons, left to right.
    auto* tools = new QHBoxLayout;
    tools->setSpacing(0);
    for (const auto& c : model_.controls())
        if (c->kind == ControlKind::PictureButton)
            if (QWidget* w = take(c->name)) {
                w->setFixedSize(28, 28);
                tools->addWidget(w);
            }
    tools->addStretch(1);
    outer->addLayout(tools);

    // The layer boxes, the point-display toggle and the fold label.
    auto* boxes = new QHBoxLayout;
    boxes->setSpacing(6);
    for (int i = 0; i < 8; ++i)
        if (QWidget* w = take("Check1(" + std::to_string(i) + ")")) boxes->addWidget(w);
    boxes->addSpacing(8);
    if (QWidget* w = take("Label5")) {
        w->setCursor(Qt::PointingHandCursor);
        w->setStyleSheet(QStringLiteral("QLabel { color: #1f5fbf; } QLabel:hover { text-decoration: underline; }"));
        boxes->addWidget(w);
    }
    boxes->addStretch(1);
    if (QWidget* w = take("Label1")) {
        w->setCursor(Qt::PointingHandCursor);
        w->setStyleSheet(QStringLiteral("QLabel { color: #1f5fbf; font-weight: bold; }"));
        boxes->addWidget(w);
    }
    outer->addLayout(boxes);

    // The build stamp and the double-click notice.
    auto* stamp = new QHBoxLayout;
    stamp->setSpacing(2);
    if (QWidget* w = take("Label10")) stamp->addWidget(w);
    if (QWidget* w = take("Label2")) stamp->addWidget(w);
    stamp->addSpacing(12);
    if (QWidget* w = take("Label6")) {
        w->setStyleSheet(QStringLiteral("QLabel { color: #7a808a; }"));
        stamp->addWidget(w);
    }
    stamp->addStretch(1);
    outer->addLayout(stamp);

    // The boundary-walk block: the form's own frame, or one of the view's.
    block_ = qobject_cast<QGroupBox*>(take(kBlockFrame));
    if (!block_) {
        block_ = new QGroupBox(QString::fromUtf8(kBlockTitle), this);
        block_->setObjectName("BoundaryWalk");
    }
    auto* grid = new QGridLayout(block_);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    // Three rows of two fields; the plotter and pointer fields have their "统改" buttons.
    const int layout[6][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
    for (int i = 0; i < 6; ++i) {
        QWidget* box = take(indexed("Text1", i));
        QWidget* cap = take(indexed("Label7", i));
        int row = layout[i][0], col = layout[i][1];
        if (cap) grid->addWidget(cap, row, col);
        if (box) grid->addWidget(box, row, col + 1, 1, i == 1 || i == 2 ? 1 : 2);
    }
    if (QWidget* w = take("Command4")) grid->addWidget(w, 1, 2);
    if (QWidget* w = take("Command5")) grid->addWidget(w, 2, 2);
    auto* presets = new QHBoxLayout;
    presets->setSpacing(8);
    for (int i = 0; i < 7; ++i)
        if (QWidget* w = take(indexed("Label3", i))) {
            w->setCursor(Qt::PointingHandCursor);
            w->setStyleSheet(QStringLiteral("QLabel { color: #1f5fbf; }"));
            presets->addWidget(w);
        }
    presets->addStretch(1);
    grid->addLayout(presets, 3, 0, 1, 5);
    auto* actions = new QHBoxLayout;
    actions->setSpacing(4);
    if (QWidget* w = take(kHandleCaption)) actions->addWidget(w);
    if (QWidget* w = take("Label4")) actions->addWidget(w, 1);
    for (const char* b : {"Command1", "Command2", "Command3"})
        if (QWidget* w = take(b)) actions->addWidget(w);
    // Whatever else the form has: after the buttons, so that nothing is lost.
    for (const auto& c : model_.controls()) {
        if (placed.count(c->name) || c->kind == ControlKind::Menu || c->kind == ControlKind::MenuItem) continue;
        if (QWidget* w = take(c->name)) actions->addWidget(w);
    }
    grid->addLayout(actions, 4, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    outer->addWidget(block_);
    outer->addStretch(1);
}

void PanelView::apply_form() {
    FormView::apply_form();
    bool unfolded = model_.height > panel::kFoldedHeight;
    if (block_) block_->setVisible(unfolded);
    int w = std::max(minimumSizeHint().width(), px(model_.width));
    if (layout()) {
        // As wide as the row of buttons needs.
        layout()->activate();
        w = layout()->minimumSize().width();
    }
    setFixedSize(w, px(model_.height));
    // The form's place, when the form sets it (not when the user has moved the panel since).
    if (model_.left != placed_left_ || model_.top != placed_top_) {
        QRect avail = available_area(this);
        QRect frame(avail.left() + px(model_.left), avail.top() + px(model_.top), frameGeometry().width(),
                    frameGeometry().height());
        move(fit_on_screen(frame, avail).topLeft());
        placed_left_ = model_.left;
        placed_top_ = model_.top;
    }
}

QMenu* PanelView::make_context_menu() {
    auto* m = new QMenu(this);
    QAction* show = m->addAction(QStringLiteral("显示绘图窗口(&D)"), this, [this] {
        if (on_start_host) on_start_host();
    });
    show->setObjectName("ShowDrawingWindow");
    show->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    m->addSeparator();
    m->addAction(QStringLiteral("退出 Korvane(&X)"), this, [this] { close(); });
    return m;
}

void PanelView::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* m = make_context_menu();
    m->setAttribute(Qt::WA_DeleteOnClose);
    m->popup(e->globalPos());
}

void PanelView::closeEvent(QCloseEvent* e) {
    // Closing the panel ends the program; the application asks about unsaved drawings.
    e->ignore();
    if (on_quit) on_quit();
}

}  // namespace korvane::ui
