#include "ui/drawing_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "common/numbers.h"
#include "common/settings.h"
#include "drawing/document.h"
#include "drawing/tables.h"
#include "host/command_frame.h"
#include "host/command_interpreter.h"
#include "host/document_save.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "render/aci.h"
#include "ui/background_open.h"
#include "ui/canvas.h"
#include "ui/command_gate.h"
#include "ui/command_line.h"
#include "ui/dialogs.h"
#include "ui/interactive_input.h"
#include "ui/plot_dialog.h"
#include "ui/properties_dock.h"

namespace korvane::ui {

namespace {

constexpr const char* kRecentSection = "Korvane";
constexpr int kRecentCount = 8;

QString qs(const std::string& s) { return QString::fromStdString(s); }

QIcon swatch(int aci) {
    QPixmap pm(12, 12);
    pm.fill(render::aci_color(aci, false));
    QPainter p(&pm);
    p.setPen(QColor(90, 90, 90));
    p.drawRect(0, 0, 11, 11);
    return QIcon(pm);
}

// The drawing was saved, but its previous version may not have been kept as NAME.bak.
void warn_of_backup(QWidget* owner, const drawing::SaveReport& report) {
    if (report.backup_problem.empty()) return;
    ask(owner, QMessageBox::Warning, QStringLiteral("保存图形"),
        QStringLiteral("图形已保存，但未能保留原文件的备份：\n%1").arg(qs(report.backup_problem)), QMessageBox::Ok,
        QMessageBox::Ok);
}

}  // namespace

DrawingWindow::DrawingWindow(host::EmbeddedHost& host, InteractiveInput& input, TranscriptLog& log,
                             CommandGate& gate, common::SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent), host_(host), input_(input), log_(log), gate_(gate), settings_(settings) {
    setObjectName("DrawingWindow");
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tabs_ = new QTabBar(central);
    tabs_->setTabsClosable(true);
    tabs_->setExpanding(false);
    tabs_->setDocumentMode(true);
    layout->addWidget(tabs_);
    auto* split = new QSplitter(Qt::Vertical, central);
    canvas_ = new Canvas(host_, input_, split);
    // The image settings: the tile directory of the panel's menu, the memory for decoded tiles.
    canvas_->set_image_directory([this] { return common::load_ini(settings_, "Filepath"); });
    double megabytes = common::val(common::load_ini(settings_, "ImageCacheMB", "1024"));
    canvas_->images().set_memory_limit(uint64_t(std::clamp(megabytes, 64.0, 1048576.0)) << 20);
    command_line_ = new CommandLine(log_, input_, split);
    split->addWidget(canvas_);
    split->addWidget(command_line_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setCollapsible(0, false);
    split->setCollapsible(1, false);
    split->setSizes({640, 120});  // a few lines of history under the drawing
    layout->addWidget(split, 1);
    setCentralWidget(central);

    auto* dock = new QDockWidget(QStringLiteral("图层"), this);
    dock->setObjectName("LayerDock");
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    layers_ = new QTreeWidget(dock);
    layers_->setColumnCount(3);
    layers_->setHeaderLabels({QStringLiteral("开"), QStringLiteral("颜色"), QStringLiteral("名称")});
    layers_->setRootIsDecorated(false);
    layers_->setUniformRowHeights(true);
    layers_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layers_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layers_->header()->setStretchLastSection(true);
    dock->setWidget(layers_);
    addDockWidget(Qt::RightDockWidgetArea, dock);

    coords_ = new QLabel(this);
    coords_->setMinimumWidth(260);
    coords_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    statusBar()->addPermanentWidget(coords_);

    build_menus();
    build_drafting();

    connect(tabs_, &QTabBar::currentChanged, this, [this](int i) {
        if (updating_ || i < 0) return;
        if (size_t(i) != host_.active_index()) host_.set_active(size_t(i));
    });
    connect(tabs_, &QTabBar::tabCloseRequested, this, [this](int i) {
        if (!gate_.busy()) close_document(size_t(i));
    });
    connect(layers_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (!updating_) layer_item_changed(item);
    });
    connect(canvas_, &Canvas::cursor_moved, this, [this](double x, double y) {
        coords_->setText(QStringLiteral("%1, %2").arg(x, 0, 'f', 3).arg(y, 0, 'f', 3));
    });
    connect(canvas_, &Canvas::note, this, [this](const QString& t) { statusBar()->showMessage(t, 8000); });
    connect(canvas_, &Canvas::typed, command_line_, &CommandLine::take_typed);
    connect(canvas_, &Canvas::enter_pressed, command_line_, &CommandLine::submit);
    connect(canvas_, &Canvas::escape_pressed, this, [this] {
        if (input_.waiting()) input_.cancel();
    });
    connect(command_line_, &CommandLine::submitted, this, &DrawingWindow::enter_line);
    connect(command_line_, &CommandLine::escape_pressed, this, [this] {
        if (input_.waiting()) input_.cancel();
    });
    connect(&gate_, &CommandGate::busy_changed, this, [this](bool) { update_actions(); });
    connect(&input_, &InteractiveInput::request_started, this, [this] {
        // A command asks for input: the drawing window comes forward.
        if (isMinimized()) showNormal();
        raise();
        activateWindow();
        statusBar()->showMessage(qs(input_.request().prompt));
    });
    connect(&input_, &InteractiveInput::request_ended, this, [this] { statusBar()->clearMessage(); });

    host_.on_changed = [this] { schedule_refresh(); };
    resize(1200, 800);
    refresh();
}

DrawingWindow::~DrawingWindow() {
    host_.on_changed = nullptr;
}

host::HostDocument* DrawingWindow::active() const { return host_.active(); }

bool DrawingWindow::host_running() const { return host_.running(); }

void DrawingWindow::build_menus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    new_ = file->addAction(QStringLiteral("新建(&N)"), QKeySequence::New, this, [this] { new_drawing(); });
    open_ = file->addAction(QStringLiteral("打开(&O)..."), QKeySequence::Open, this, [this] {
        QString dir;
        if (auto* d = active(); d && !d->path().empty()) dir = QFileInfo(qs(d->path())).absolutePath();
        QString path = open_file_name(this, QStringLiteral("打开图形"), dir,
                                      QStringLiteral("DXF 图形 (*.dxf *.DXF);;所有文件 (*)"));
        if (!path.isEmpty()) open_file(path);
    });
    recent_menu_ = file->addMenu(QStringLiteral("最近的文件(&R)"));
    connect(recent_menu_, &QMenu::aboutToShow, this, [this] {
        recent_menu_->clear();
        QStringList files = recent_files();
        if (files.isEmpty()) recent_menu_->addAction(QStringLiteral("（无）"))->setEnabled(false);
        int n = 0;
        for (const QString& f : files) {
            QAction* a = recent_menu_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(f));
            a->setEnabled(!gate_.busy());
            connect(a, &QAction::triggered, this, [this, f] { open_file(f); });
        }
    });
    file->addSeparator();
    save_ = file->addAction(QStringLiteral("保存(&S)"), QKeySequence::Save, this, [this] {
        if (active()) save(host_.active_index());
    });
    save_as_ = file->addAction(QStringLiteral("另存为(&A)..."), QKeySequence::SaveAs, this, [this] {
        if (active()) save_as(host_.active_index());
    });
    file->addSeparator();
    print_ = file->addAction(QStringLiteral("打印(&P)..."), QKeySequence::Print, this, [this] { plot(); });
    file->addSeparator();
    close_ = file->addAction(QStringLiteral("关闭(&C)"), QKeySequence::Close, this, [this] {
        if (active()) close_document(host_.active_index());
    });
    file->addSeparator();
    file->addAction(QStringLiteral("退出绘图窗口(&X)"), this, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    undo_ = edit->addAction(QStringLiteral("放弃(&U)"), QKeySequence::Undo, this, [this] { undo(); });
    redo_ = edit->addAction(QStringLiteral("重做(&R)"), QKeySequence::Redo, this, [this] { redo(); });
    // Ctrl+Y as well, as CAD users press it, unless the platform's redo keys have it already
    // (a key given twice makes Qt call the shortcut ambiguous and run neither).
    QList<QKeySequence> redo_keys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence ctrl_y(Qt::CTRL | Qt::Key_Y);
    if (!redo_keys.contains(ctrl_y)) redo_keys.append(ctrl_y);
    redo_->setShortcuts(redo_keys);

    QMenu* view = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    view->addAction(QStringLiteral("范围缩放(&E)"), QKeySequence(Qt::Key_Home), this, [this] { canvas_->zoom_extents(); });
    view->addAction(QStringLiteral("放大(&I)"), QKeySequence::ZoomIn, this, [this] {
        canvas_->zoom_at(QPointF(canvas_->width() / 2.0, canvas_->height() / 2.0), 1.5);
    });
    view->addAction(QStringLiteral("缩小(&O)"), QKeySequence::ZoomOut, this, [this] {
        canvas_->zoom_at(QPointF(canvas_->width() / 2.0, canvas_->height() / 2.0), 1 / 1.5);
    });
    view->addAction(QStringLiteral("重画(&R)"), this, [this] { canvas_->invalidate(); });
    view->addSeparator();
    if (auto* dock = findChild<QDockWidget*>("LayerDock")) view->addAction(dock->toggleViewAction());

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(QStringLiteral("命令列表(&C)"), QKeySequence(Qt::Key_F1), this, [this] {
        for (const std::string& line : host::CommandInterpreter::help_lines()) command_line_->note(qs(line));
    });
}

// ---------------------------------------------------------------- refreshing

void DrawingWindow::schedule_refresh() {
    if (refresh_pending_) return;
    refresh_pending_ = true;
    QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection);
}

void DrawingWindow::refresh() {
    refresh_pending_ = false;
    updating_ = true;
    size_t n = host_.document_count();
    while (tabs_->count() > int(n)) tabs_->removeTab(tabs_->count() - 1);
    for (size_t i = 0; i < n; ++i) {
        host::HostDocument& d = host_.document(i);
        QString text = qs(d.name()) + (d.doc().modified() ? QStringLiteral(" *") : QString());
        if (int(i) >= tabs_->count()) tabs_->addTab(text);
        else if (tabs_->tabText(int(i)) != text) tabs_->setTabText(int(i), text);
        tabs_->setTabToolTip(int(i), qs(d.path()));
    }
    if (n > 0) tabs_->setCurrentIndex(int(host_.active_index()));
    updating_ = false;
    setWindowTitle(qs(host_.caption()));
    refresh_layers();
    update_actions();
    sync_snaps();
    properties_->refresh();
    canvas_->invalidate();
}

void DrawingWindow::refresh_layers() {
    updating_ = true;
    host::HostDocument* d = active();
    std::vector<drawing::LayerInfo> infos;
    if (d) infos = drawing::layers(d->doc());
    // Rebuild only when something differs, so that the list keeps its scroll position.
    bool same = layers_->topLevelItemCount() == int(infos.size());
    for (size_t i = 0; same && i < infos.size(); ++i) {
        QTreeWidgetItem* it = layers_->topLevelItem(int(i));
        same = it->text(2) == qs(infos[i].name) && (it->checkState(0) == Qt::Checked) == infos[i].on &&
               it->data(1, Qt::UserRole).toInt() == infos[i].color;
    }
    if (!same) {
        layers_->clear();
        for (const auto& l : infos) {
            auto* it = new QTreeWidgetItem(layers_);
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            it->setCheckState(0, l.on ? Qt::Checked : Qt::Unchecked);
            it->setIcon(1, swatch(l.color));
            it->setText(1, QString::number(l.color));
            it->setData(1, Qt::UserRole, l.color);
            it->setText(2, qs(l.name));
            if (l.frozen) it->setForeground(2, QColor(140, 140, 140));
        }
    }
    updating_ = false;
}

void DrawingWindow::update_actions() {
    bool busy = gate_.busy();
    host::HostDocument* d = active();
    new_->setEnabled(!busy);
    open_->setEnabled(!busy);
    save_->setEnabled(!busy && d);
    save_as_->setEnabled(!busy && d);
    print_->setEnabled(!busy && d);
    close_->setEnabled(!busy && d);
    bool can_undo = !busy && d && d->doc().can_undo();
    bool can_redo = !busy && d && d->doc().can_redo();
    undo_->setEnabled(can_undo);
    redo_->setEnabled(can_redo);
    undo_->setText(can_undo ? QStringLiteral("放弃(&U) %1").arg(qs(d->doc().undo_name())) : QStringLiteral("放弃(&U)"));
    redo_->setText(can_redo ? QStringLiteral("重做(&R) %1").arg(qs(d->doc().redo_name())) : QStringLiteral("重做(&R)"));
    tabs_->setEnabled(!busy);
    layers_->setEnabled(!busy);
    for (QAction* a : drafting_actions_) a->setEnabled(!busy);
    properties_->setEnabled(!busy);
}

void DrawingWindow::layer_item_changed(QTreeWidgetItem* item) {
    if (!active() || gate_.busy()) {
        refresh_layers();
        return;
    }
    const std::string name = item->text(2).toStdString();
    const bool on = item->checkState(0) == Qt::Checked;
    // Through the host's layers, as every tool switches them, in an undo step of its own.
    gate_.run([&] {
        host::HostError err;
        host::ApplicationPtr app = host_.GetObject(host::kHostClass, err);
        host::DocumentPtr doc = app ? app->ActiveDocument() : nullptr;
        if (!doc) return;
        doc->StartUndoMark(on ? "图层开" : "图层关");
        if (host::LayersPtr layers = doc->Layers())
            if (host::LayerPtr layer = layers->Item(name)) layer->SetLayerOn(on);
        doc->EndUndoMark();
    });
    host_.changed();
}

// ---------------------------------------------------------------- files

QRect DrawingWindow::remembered_place() const {
    auto v = settings_.get(kRecentSection, "DrawingWindow");
    if (!v) return {};
    QStringList parts = qs(*v).split(QChar(','));
    if (parts.size() != 4) return {};
    int n[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        n[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) return {};
    }
    return QRect(n[0], n[1], n[2], n[3]);
}

void DrawingWindow::remember_place() {
    QRect f = frameGeometry();
    settings_.set(kRecentSection, "DrawingWindow",
                  QStringLiteral("%1,%2,%3,%4").arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height()).toStdString());
}

QStringList DrawingWindow::recent_files() const {
    QStringList out;
    for (int i = 1; i <= kRecentCount; ++i)
        if (auto v = settings_.get(kRecentSection, "recent" + std::to_string(i)); v && !v->empty()) out << qs(*v);
    return out;
}

void DrawingWindow::add_recent(const QString& path) {
    QString full = QFileInfo(path).absoluteFilePath();
    QStringList files = recent_files();
    files.removeAll(full);
    files.prepend(full);
    for (int i = 0; i < kRecentCount; ++i)
        settings_.set(kRecentSection, "recent" + std::to_string(i + 1),
                      i < files.size() ? files[i].toStdString() : std::string());
}

bool DrawingWindow::open_file(const QString& path) {
    if (gate_.busy()) return false;
    // A drawing already open comes to the front instead of opening twice.
    QString full = QFileInfo(path).absoluteFilePath();
    for (size_t i = 0; i < host_.document_count(); ++i)
        if (!host_.document(i).path().empty() &&
            QFileInfo(qs(host_.document(i).path())).absoluteFilePath() == full) {
            host_.set_active(i);
            return true;
        }
    std::vector<std::string> warnings;
    try {
        // The window answers while the drawing is read; the gate keeps commands (and another
        // opening) from starting meanwhile.
        std::unique_ptr<host::HostDocument> read;
        std::exception_ptr failed;
        gate_.run([&] {
            try {
                read = read_in_background(this, path, &warnings);
            } catch (...) {
                failed = std::current_exception();
            }
        });
        if (failed) std::rethrow_exception(failed);
        if (!read) {
            command_line_->note(QStringLiteral("已取消打开 %1").arg(QFileInfo(path).fileName()));
            return false;
        }
        host::HostDocument& d = host_.adopt(std::move(read));
        d.zoom_extents(std::max(1, canvas_->width()), std::max(1, canvas_->height()));
    } catch (const std::exception& e) {
        ask(this, QMessageBox::Critical, QStringLiteral("打开图形"),
            QStringLiteral("无法打开 %1：\n%2").arg(path, QString::fromStdString(e.what())), QMessageBox::Ok,
            QMessageBox::Ok);
        return false;
    }
    for (const auto& w : warnings) command_line_->note(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), qs(w)));
    add_recent(path);
    refresh();
    return true;
}

bool DrawingWindow::new_drawing() {
    if (gate_.busy()) return false;
    host::HostDocument& d = host_.new_document();
    d.zoom_extents(std::max(1, canvas_->width()), std::max(1, canvas_->height()));
    refresh();
    return true;
}

bool DrawingWindow::save(size_t index) {
    if (index >= host_.document_count()) return false;
    host::HostDocument& d = host_.document(index);
    if (d.path().empty()) return save_as(index);
    try {
        warn_of_backup(this, host::save_document(d));
    } catch (const std::exception& e) {
        ask(this, QMessageBox::Critical, QStringLiteral("保存图形"),
            QStringLiteral("无法保存 %1：\n%2").arg(qs(d.path()), QString::fromStdString(e.what())), QMessageBox::Ok,
            QMessageBox::Ok);
        return false;
    }
    add_recent(qs(d.path()));
    refresh();
    return true;
}

bool DrawingWindow::save_as(size_t index, const QString& given) {
    if (index >= host_.document_count()) return false;
    host::HostDocument& d = host_.document(index);
    QString path = given;
    if (path.isEmpty()) {
        QString start = d.path().empty() ? qs(d.name()) : qs(d.path());
        path = save_file_name(this, QStringLiteral("图形另存为"), start, QStringLiteral("DXF 图形 (*.dxf)"));
        if (path.isEmpty()) return false;
    }
    if (!path.endsWith(QStringLiteral(".dxf"), Qt::CaseInsensitive)) path += QStringLiteral(".dxf");
    try {
        warn_of_backup(this, host::save_document(d, path.toStdString()));
    } catch (const std::exception& e) {
        ask(this, QMessageBox::Critical, QStringLiteral("保存图形"),
            QStringLiteral("无法保存 %1：\n%2").arg(path, QString::fromStdString(e.what())), QMessageBox::Ok,
            QMessageBox::Ok);
        return false;
    }
    add_recent(path);
    refresh();
    return true;
}

QMessageBox::StandardButton DrawingWindow::ask_save(host::HostDocument& d) {
    if (ask_save_answer) return ask_save_answer(d);
    return ask(this, QMessageBox::Question, QStringLiteral("Korvane"),
               QStringLiteral("是否将改动保存到 %1？").arg(qs(d.name())),
               QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save,
               {{QMessageBox::Save, QStringLiteral("保存")},
                {QMessageBox::Discard, QStringLiteral("不保存")},
                {QMessageBox::Cancel, QStringLiteral("取消")}});
}

bool DrawingWindow::close_document(size_t index) {
    if (gate_.busy() || index >= host_.document_count()) return false;
    host::HostDocument& d = host_.document(index);
    if (d.doc().modified()) {
        auto answer = ask_save(d);
        if (answer == QMessageBox::Cancel) return false;
        if (answer == QMessageBox::Save && !save(index)) return false;
    }
    host_.close(index);
    refresh();
    return true;
}

bool DrawingWindow::confirm_discard_all() {
    for (size_t i = 0; i < host_.document_count(); ++i) {
        host::HostDocument& d = host_.document(i);
        if (!d.doc().modified()) continue;
        host_.set_active(i);
        refresh();
        auto answer = ask_save(d);
        if (answer == QMessageBox::Cancel) return false;
        if (answer == QMessageBox::Save && !save(i)) return false;
    }
    return true;
}

void DrawingWindow::undo() {
    host::HostDocument* d = active();
    if (!d || gate_.busy()) return;
    std::string name = d->doc().undo_name();
    if (d->doc().undo()) command_line_->note(QStringLiteral("放弃: %1").arg(qs(name)));
    host_.changed();
}

void DrawingWindow::redo() {
    host::HostDocument* d = active();
    if (!d || gate_.busy()) return;
    std::string name = d->doc().redo_name();
    if (d->doc().redo()) command_line_->note(QStringLiteral("重做: %1").arg(qs(name)));
    host_.changed();
}

// ---------------------------------------------------------------- command line

void DrawingWindow::enter_line(const QString& text) {
    if (input_.waiting()) {
        if (input_.request().kind == host::InputKind::Selection && text.trimmed().isEmpty()) {
            canvas_->finish_selection();
            return;
        }
        std::string problem = input_.answer_typed(text.toStdString());
        if (!problem.empty()) command_line_->note(qs(problem));
        return;
    }
    QString line = text.trimmed();
    if (line.isEmpty()) line = last_command_;  // Enter repeats the last command
    if (line.isEmpty()) return;
    host::HostDocument* d = active();
    if (!d) {
        command_line_->note(QStringLiteral("命令: %1").arg(line));
        command_line_->note(QStringLiteral("没有打开的图形。"));
        return;
    }
    last_command_ = line;
    gate_.run([&] { host_.interpreter().send(*d, line.toStdString() + "\r"); });
    refresh();
}

// ---------------------------------------------------------------- plotting

std::optional<drawing::Box2> DrawingWindow::plot_extent(int range) {
    host::HostDocument* d = active();
    if (!d) return std::nullopt;
    if (range == PlotChoice::View) return render::view_extent(*d, canvas_->width(), canvas_->height());
    host::ApplicationPtr app = host_.application();
    host::DocumentPtr doc = app ? app->ActiveDocument() : nullptr;
    host::UtilityPtr util = doc ? doc->Utility() : nullptr;
    if (!util) return std::nullopt;
    if (range == PlotChoice::Frame) {
        host::EntityPtr frame;
        host::Point at, lo, hi;
        if (!util->GetEntity(frame, at, "选择要打印的图框：") || !frame || !frame->GetBoundingBox(lo, hi))
            return std::nullopt;
        return drawing::Box2::of({lo.x, lo.y}, {hi.x, hi.y});
    }
    std::optional<host::Point> a = util->GetPoint(std::nullopt, "打印窗口的第一角点：");
    std::optional<host::Point> b = a ? util->GetPoint(a, "另一角点：") : std::nullopt;
    if (!b) return std::nullopt;
    return drawing::Box2::of({a->x, a->y}, {b->x, b->y});
}

void DrawingWindow::plot() {
    host::HostDocument* d = active();
    if (!d || gate_.busy()) return;
    QString file = QString::fromStdString(d->path());
    file = file.isEmpty() ? QStringLiteral("plot.pdf") : file.left(file.lastIndexOf('.')) + QStringLiteral(".pdf");
    PlotDialog dialog(settings_, file, this);
    if (dialog.exec() != QDialog::Accepted) return;
    dialog.remember();
    PlotChoice choice = *dialog.choice();
    gate_.run([&] {
        std::optional<drawing::Box2> extent = plot_extent(choice.range);
        host::HostDocument* doc = active();
        if (!extent || !doc) return;  // Esc at the pick: nothing is plotted
        render::PlotRequest request{*extent, choice.scale, choice.paper, common::load_ini(settings_, "Filepath")};
        std::string error;
        render::Paper paper;
        if (choice.printer.isEmpty()) {
            render::PlotResult result = render::plot_to_pdf(choice.file.toStdString(), *doc, host_, request);
            error = result.error;
            paper = result.paper;
        } else {
            error = print_on_printer(choice.printer, *doc, host_, request);
            paper = render::plan_plot(request).paper;
        }
        if (!error.empty()) {
            QMessageBox::warning(this, QStringLiteral("提示"), qs(error));
            return;
        }
        QString where = choice.printer.isEmpty() ? choice.file : choice.printer;
        statusBar()->showMessage(QStringLiteral("已打印到 %1（%2 %3，1:%4）")
                                     .arg(where, qs(paper.name), paper.landscape() ? QStringLiteral("横向") : QStringLiteral("纵向"))
                                     .arg(choice.scale),
                                 15000);
    });
}

// ---------------------------------------------------------------- life

void DrawingWindow::start() {
    host_.start();
    input_.set_open(true);
    close_pending_ = false;
    show();
    raise();
    activateWindow();
    refresh();
}

void DrawingWindow::closeEvent(QCloseEvent* e) {
    if (gate_.busy()) {
        // A command is waiting for input here: cancel it and close once it has ended.
        e->ignore();
        input_.cancel();
        if (!close_pending_) {
            close_pending_ = true;
            connect(
                &gate_, &CommandGate::idle, this,
                [this] { QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection); },
                Qt::SingleShotConnection);
        }
        return;
    }
    close_pending_ = false;
    // Each modified drawing is asked about; Cancel keeps the window open.
    if (!confirm_discard_all()) {
        e->ignore();
        return;
    }
    remember_place();
    input_.set_open(false);
    host_.stop();
    e->accept();
    emit stopped();
}

}  // namespace korvane::ui
