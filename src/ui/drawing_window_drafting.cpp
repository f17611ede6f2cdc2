// The drawing window's drafting: the menus 绘图, 修改 and 工具 (each entry runs its command as if
// typed on the command line), the object snap toolbar with F3 and F8, the properties panel and
// the grips' vertex drags.
#include <QAction>
#include <QDockWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <span>

#include "host/command_frame.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/object_snap.h"
#include "host/system_variables.h"
#include "tools/vertex_edit.h"
#include "ui/canvas.h"
#include "ui/command_gate.h"
#include "ui/command_line.h"
#include "ui/drawing_window.h"
#include "ui/properties_dock.h"

namespace korvane::ui {

namespace {

struct Entry {
    const char* caption;  // "" for a separator
    const char* command;
};

constexpr Entry kDraw[] = {{"直线(&L)", "LINE"},  {"多段线(&P)", "PLINE"},     {"点(&O)", "POINT"},
                           {"圆(&C)", "CIRCLE"},  {"圆弧(&A)", "ARC"},         {"单行文字(&T)", "TEXT"},
                           {"", ""},              {"矩形(&G)", "RECTANG"}};
constexpr Entry kModify[] = {{"删除(&E)", "ERASE"},       {"复制(&Y)", "COPY"},      {"镜像(&I)", "MIRROR"},
                             {"偏移(&S)", "OFFSET"},      {"移动(&V)", "MOVE"},      {"旋转(&R)", "ROTATE"},
                             {"缩放(&L)", "SCALE"},       {"", ""},                  {"修剪(&T)", "TRIM"},
                             {"延伸(&D)", "EXTEND"},      {"打断(&K)", "BREAK"},     {"合并(&J)", "JOIN"},
                             {"分解(&X)", "EXPLODE"},     {"", ""},                  {"编辑多段线(&P)", "PEDIT"},
                             {"特性匹配(&M)", "MATCHPROP"}};
constexpr Entry kInquiry[] = {{"列表(&L)", "LIST"}, {"点坐标(&I)", "ID"}, {"距离(&D)", "DIST"}, {"面积(&A)", "AREA"}};

// The snap modes of the toolbar, in the order CAD users know them.
constexpr int kToolbarModes[] = {host::kSnapEndpoint, host::kSnapMidpoint,      host::kSnapIntersection,
                                 host::kSnapCenter,   host::kSnapNode,          host::kSnapQuadrant,
                                 host::kSnapInsertion, host::kSnapPerpendicular, host::kSnapNearest};
// Modes switched on when running snaps are turned on with none chosen.
constexpr int kDefaultModes = host::kSnapEndpoint | host::kSnapMidpoint | host::kSnapCenter | host::kSnapIntersection;

long long integer_of(const host::Value& v) {
    if (auto i = std::get_if<long long>(&v)) return *i;
    if (auto d = std::get_if<double>(&v)) return static_cast<long long>(*d);
    return 0;
}

// Entries that run their command as if typed on the command line.
void add_entries(QMenu* menu, std::span<const Entry> entries, DrawingWindow* window, std::vector<QAction*>& out) {
    for (const Entry& e : entries) {
        if (!*e.caption) {
            menu->addSeparator();
            continue;
        }
        QString command = QString::fromLatin1(e.command);
        QAction* a = menu->addAction(QStringLiteral("%1\t%2").arg(QString::fromUtf8(e.caption), command));
        a->setObjectName(command);
        QObject::connect(a, &QAction::triggered, window, [window, command] { window->enter_line(command); });
        out.push_back(a);
    }
}

}  // namespace

void DrawingWindow::build_drafting() {
    QMenu* draw = menuBar()->addMenu(QStringLiteral("绘图(&D)"));
    add_entries(draw, kDraw, this, drafting_actions_);
    QMenu* modify = menuBar()->addMenu(QStringLiteral("修改(&M)"));
    add_entries(modify, kModify, this, drafting_actions_);

    properties_ = new PropertiesDock(host_, gate_, this);
    addDockWidget(Qt::RightDockWidgetArea, properties_);
    modify->addSeparator();
    QAction* show_properties = properties_->toggleViewAction();
    show_properties->setText(QStringLiteral("特性(&O)"));
    modify->addAction(show_properties);

    snaps_ = addToolBar(QStringLiteral("对象捕捉"));
    snaps_->setObjectName("SnapToolbar");
    osnap_ = snaps_->addAction(QStringLiteral("对象捕捉"));
    osnap_->setObjectName("OSNAP");
    osnap_->setCheckable(true);
    osnap_->setShortcut(QKeySequence(Qt::Key_F3));
    osnap_->setShortcutContext(Qt::WindowShortcut);
    osnap_->setToolTip(QStringLiteral("对象捕捉开关 (F3)"));
    connect(osnap_, &QAction::triggered, this, [this](bool on) { set_running_snaps(on); });
    snaps_->addSeparator();
    for (int mode : kToolbarModes) {
        QAction* a = snaps_->addAction(QString::fromUtf8(host::snap_mode_name(mode)));
        a->setCheckable(true);
        a->setData(mode);
        a->setToolTip(QStringLiteral("捕捉%1").arg(a->text()));
        connect(a, &QAction::triggered, this, [this, mode](bool on) { set_snap_mode(mode, on); });
        snap_modes_.push_back(a);
    }
    snaps_->addSeparator();
    ortho_ = snaps_->addAction(QStringLiteral("正交"));
    ortho_->setObjectName("ORTHO");
    ortho_->setCheckable(true);
    ortho_->setShortcut(QKeySequence(Qt::Key_F8));
    ortho_->setShortcutContext(Qt::WindowShortcut);
    ortho_->setToolTip(QStringLiteral("正交开关 (F8)"));
    connect(ortho_, &QAction::triggered, this, [this](bool on) {
        set_variable("ORTHOMODE", on ? 1 : 0);
        command_line_->note(on ? QStringLiteral("<正交 开>") : QStringLiteral("<正交 关>"));
    });

    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    QMenu* inquiry = tools->addMenu(QStringLiteral("查询(&Q)"));
    add_entries(inquiry, kInquiry, this, drafting_actions_);
    tools->addSeparator();
    tools->addAction(osnap_);
    tools->addAction(ortho_);
    QAction* show_snaps = snaps_->toggleViewAction();
    show_snaps->setText(QStringLiteral("对象捕捉工具栏(&B)"));
    tools->addAction(show_snaps);

    connect(properties_, &PropertiesDock::message, this, [this](const QString& text) {
        command_line_->note(text);
        statusBar()->showMessage(text, 8000);
    });
    connect(properties_, &PropertiesDock::changed, this, [this] { host_.changed(); });
    connect(canvas_, &Canvas::picked_changed, properties_, &PropertiesDock::refresh);
    connect(canvas_, &Canvas::vertex_dragged, this, [this](const QString& handle, int vertex, double x, double y) {
        bool moved = false;
        gate_.run([&] {
            if (host::ApplicationPtr app = host_.application())
                moved = tools::move_vertex(*app, handle.toStdString(), vertex, {x, y, 0});
        });
        if (moved) command_line_->note(QStringLiteral("夹点编辑: 顶点移到 %1,%2").arg(x, 0, 'f', 4).arg(y, 0, 'f', 4));
        host_.changed();
    });
}

void DrawingWindow::set_variable(const char* name, long long value) {
    host::ApplicationPtr app = host_.application();
    host::DocumentPtr doc = app ? app->ActiveDocument() : nullptr;
    if (!doc) {
        sync_snaps();
        return;
    }
    doc->SetVariable(name, value);
    app->Err().clear();
    sync_snaps();
    canvas_->update();
}

long long DrawingWindow::variable(const char* name) const {
    host::HostDocument* d = host_.active();
    return d ? integer_of(host::get_system_variable(*d, host_, name)) : 0;
}

void DrawingWindow::set_running_snaps(bool on) {
    long long osmode = variable("OSMODE");
    if (on) {
        osmode &= ~(long long)host::kSnapSuppressed;
        if (osmode == 0) osmode = kDefaultModes;  // nothing chosen yet: the usual four
    } else {
        osmode |= host::kSnapSuppressed;
    }
    set_variable("OSMODE", osmode);
    command_line_->note(on ? QStringLiteral("<对象捕捉 开>") : QStringLiteral("<对象捕捉 关>"));
}

void DrawingWindow::set_snap_mode(int mode, bool on) {
    long long osmode = variable("OSMODE");
    // Choosing a mode means snapping to it now: running snaps come on with it.
    if (on) osmode = (osmode | mode) & ~(long long)host::kSnapSuppressed;
    else osmode &= ~(long long)mode;
    set_variable("OSMODE", osmode);
}

void DrawingWindow::sync_snaps() {
    bool have = host_.active() != nullptr;
    long long osmode = variable("OSMODE");
    bool running = have && (osmode & host::kSnapSuppressed) == 0 && (osmode & ~(long long)host::kSnapSuppressed) != 0;
    osnap_->setChecked(running);
    osnap_->setEnabled(have);
    for (QAction* a : snap_modes_) {
        a->setChecked(have && (osmode & a->data().toInt()) != 0);
        a->setEnabled(have);
    }
    ortho_->setChecked(have && variable("ORTHOMODE") != 0);
    ortho_->setEnabled(have);
}

}  // namespace korvane::ui
