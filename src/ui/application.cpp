#include "ui/application.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFontMetrics>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>

#include <iostream>

#include "common/paths.h"
#include "common/settings.h"
#include "host/embedded_host.h"
#include "host/image_relink.h"
#include "host/recovery.h"
#include "panel/fck.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"
#include "ui/autosave.h"
#include "ui/canvas.h"
#include "ui/command_gate.h"
#include "ui/command_line.h"
#include "ui/designed_form_view.h"
#include "ui/drawing_window.h"
#include "ui/form_view.h"
#include "ui/interactive_input.h"
#include "ui/panel_view.h"
#include "ui/placement.h"
#include "ui/qt_settings.h"
#include "ui/qt_ui_service.h"

namespace korvane::ui {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The embedded host of the program: bringing the host forward raises the drawing window.
// A command that finds no host running (the window closed) is told too.
class WindowHost : public host::EmbeddedHost {
public:
    using EmbeddedHost::EmbeddedHost;
    void AppActivate(const std::string& caption) override {
        EmbeddedHost::AppActivate(caption);
        if (on_activate) on_activate();
    }
    host::ApplicationPtr GetObject(const std::string& class_name, host::HostError& err) override {
        host::ApplicationPtr app = EmbeddedHost::GetObject(class_name, err);
        if (!app && on_missing) on_missing();
        return app;
    }
    std::function<void()> on_activate;
    std::function<void()> on_missing;
};

std::unique_ptr<common::SettingsStore> make_settings(const AppOptions& o, std::string& problem) {
    if (o.fresh_settings) return std::make_unique<common::MemorySettings>();
    if (!o.settings_file) return std::make_unique<QtSettings>();
    try {
        return std::make_unique<common::IniSettings>(*o.settings_file);
    } catch (const std::exception& e) {
        problem = e.what();
        return std::make_unique<common::MemorySettings>();
    }
}

}  // namespace

struct Application::Parts {
    std::unique_ptr<QTemporaryDir> temp;
    std::unique_ptr<common::SettingsStore> settings;
    std::unique_ptr<QtUiService> ui;
    InteractiveInput input;
    TranscriptLog transcript;
    CommandGate gate;
    std::unique_ptr<WindowHost> host;
    std::unique_ptr<panel::Workspace> workspace;
    std::unique_ptr<host::RecoveryStore> recovery;
    std::unique_ptr<Autosave> autosave;
};

Application::Application(AppOptions options) : parts_(std::make_unique<Parts>()), options_(std::move(options)) {
    Parts& p = *parts_;
    std::string settings_problem;
    p.settings = make_settings(options_, settings_problem);

    common::Paths paths = common::default_paths();
    if (options_.fresh_settings && !options_.data_dir) {
        // A run that must not touch the user's files works in a folder of its own.
        p.temp = std::make_unique<QTemporaryDir>();
        paths.data_dir = std::filesystem::path(p.temp->path().toStdString()) / "Tessivo";
        paths.output_dir = paths.data_dir / "输出";
    }
    if (options_.data_dir) paths.data_dir = *options_.data_dir;
    if (options_.output_dir) paths.output_dir = *options_.output_dir;
    try {
        paths.create_directories();
        if (!options_.executable.empty())
            if (auto shipped = common::find_shipped_data(options_.executable))
                common::seed_data_directory(*shipped, paths.data_dir);
    } catch (const std::exception& e) {
        data_problem_ = "数据目录无法建立或填充：\r\n" + paths.data_dir.string() + "\r\n" + e.what();
        std::cerr << "korvane: " << e.what() << "\n";
    }

    p.ui = std::make_unique<QtUiService>(*p.settings, paths);
    p.ui->set_unattended(options_.unattended);
    // The forms' timers tick between commands, never inside one that waits for input.
    p.ui->run_tick = [this](const std::function<void()>& tick) {
        if (!parts_->gate.busy()) parts_->gate.run(tick);
    };
    p.ui->on_message = [this](const std::string& line) {
        messages_.push_back(line);
        if (options_.unattended) std::cerr << line << "\n";
    };
    p.host = std::make_unique<WindowHost>(p.input, p.transcript);
    p.host->stop();  // running once the drawing window is shown
    p.workspace = std::make_unique<panel::Workspace>(*p.host, *p.ui);
    p.workspace->on_form_opened = [this](common::FormModel& f) { form_opened(f.name()); };
    p.workspace->on_popup_menu = [this](const std::string& menu) { popup_menu(menu); };
    p.workspace->on_image_directory_changed = [this](const std::string& dir) { host::relink_images(host(), dir); };
    p.host->on_activate = [this] {
        if (window_ && window_->isVisible()) window_->raise();
    };
    p.host->on_missing = [this] { host_missed_ = true; };
    p.host->on_active_drawing_changed = [this] { parts_->workspace->drawing_changed(); };
    connect(&p.gate, &CommandGate::idle, this, [this] {
        if (host_missed_) QMetaObject::invokeMethod(this, [this] { offer_host(); }, Qt::QueuedConnection);
    });

    p.gate.on_refused = [this](const std::string& text) {
        QApplication::beep();
        if (window_) {
            window_->statusBar()->showMessage(qs(text), 6000);
            window_->command_line()->note(qs(text));
        }
    };
    p.gate.on_error = [this](const std::string& text) {
        parts_->ui->message_box("命令出错：" + text, "错误", common::MsgIcon::Critical, common::MsgButtons::OK);
    };

    window_ = std::make_unique<DrawingWindow>(*p.host, p.input, p.transcript, p.gate, *p.settings);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    // An unattended run never saves a drawing nor waits for an answer.
    if (options_.unattended) window_->ask_save_answer = [](host::HostDocument&) { return QMessageBox::Discard; };
    connect(window_.get(), &DrawingWindow::stopped, this, [this] { host_offered_ = false; });
    if (!settings_problem.empty())
        p.transcript.line("设置文件无法读取，本次运行的设置不会保存：" + settings_problem);
    start_autosave(paths.data_dir / "autosave");
}

void Application::start_autosave(const std::filesystem::path& folder) {
    Parts& p = *parts_;
    try {
        p.recovery = std::make_unique<host::RecoveryStore>(folder);
    } catch (const std::exception& e) {
        p.transcript.line("无法自动保存：" + std::string(e.what()));
        return;
    }
    p.autosave = std::make_unique<Autosave>(*p.host, *p.recovery, *p.settings, [this] { return parts_->gate.busy(); });
    p.autosave->on_problem = [this](const std::string& text) {
        parts_->transcript.line(text);
        if (window_) window_->statusBar()->showMessage(qs(text), 10000);
    };
}

void Application::offer_recovery() {
    Parts& p = *parts_;
    if (!p.recovery) return;
    for (const host::RecoveryCopy& copy : p.recovery->left_by_crashes()) {
        std::string where = copy.original.empty() ? copy.name + "（未保存过的图形）" : copy.original;
        auto answer = p.ui->message_box("Korvane 上次没有正常退出，留下了图形的自动保存副本：\n" + where +
                                            "\n保存于 " + copy.saved_at +
                                            "\n\n是：打开副本（另行保存后才写入原文件）\n否：删除副本\n取消：留待下次启动",
                                        "恢复图形", common::MsgIcon::Question, common::MsgButtons::YesNoCancel);
        if (answer == common::MsgResult::Cancel) continue;
        if (answer != common::MsgResult::Yes) {
            host::RecoveryStore::remove(copy);
            continue;
        }
        try {
            host::HostDocument& d = host::restore_copy(*p.host, copy);
            if (p.autosave) p.recovery->adopt(copy, p.autosave->slot_for(&d));
            p.transcript.line("已恢复 " + where + "（自动保存于 " + copy.saved_at + "）");
        } catch (const std::exception& e) {
            p.ui->message_box("无法打开自动保存副本 " + copy.drawing.string() + "：\n" + e.what(), "恢复图形",
                              common::MsgIcon::Critical, common::MsgButtons::OK);
        }
    }
    if (window_) window_->refresh();
}

Autosave* Application::autosave() const { return parts_->autosave.get(); }

Application::~Application() = default;

host::EmbeddedHost& Application::host() { return *parts_->host; }
panel::Workspace& Application::workspace() { return *parts_->workspace; }
QtUiService& Application::ui() { return *parts_->ui; }
CommandGate& Application::gate() { return parts_->gate; }
InteractiveInput& Application::input() { return parts_->input; }
TranscriptLog& Application::transcript() { return parts_->transcript; }
common::SettingsStore& Application::settings() { return *parts_->settings; }

FormView* Application::form_view(const std::string& form) const {
    auto it = forms_.find(form);
    return it == forms_.end() ? nullptr : it->second.get();
}

void Application::place_drawing_window() {
    // Where the user left it last time; else beside the panel, which stands at the left edge,
    // or over the whole screen where the room beside the panel is too narrow.
    QRect frame = window_->remembered_place();
    if (frame.isEmpty()) {
        QRect avail = available_area(window_.get());
        frame = avail.adjusted(470, 0, 0, 0);
        if (frame.width() < 900) frame = avail;
    }
    place_window(window_.get(), frame);
}

void Application::start() {
    Parts& p = *parts_;
    place_drawing_window();
    window_->start();
    for (const auto& d : options_.drawings) window_->open_file(qs(d));
    offer_recovery();
    if (parts_->autosave) parts_->autosave->start();

    // The panel: its load sequence first (with its messages), then the window.
    panel::MaiFrm& maifrm = p.workspace->maifrm();
    panel_ = std::make_unique<PanelView>(maifrm, p.gate);
    panel_->on_start_host = [this] { start_host(); };
    panel_->on_quit = [this] { quit(); };
    panel_->build();
    p.ui->set_dialog_parent(panel_.get());
    panel_->show();
    if (!data_problem_.empty()) p.ui->message_box(data_problem_, "错误", common::MsgIcon::Critical, common::MsgButtons::OK);
}

void Application::start_host() {
    if (!window_) return;
    host_missed_ = false;
    window_->start();
}

void Application::offer_host() {
    const bool missed = host_missed_;
    host_missed_ = false;
    if (!missed || host_offered_ || parts_->host->running() || quitting_) return;
    host_offered_ = true;
    auto answer = parts_->ui->message_box("绘图窗口已关闭。\r\n现在显示绘图窗口吗？", "提示", common::MsgIcon::Question,
                                          common::MsgButtons::YesNo);
    if (answer == common::MsgResult::Yes) start_host();
}

bool Application::quit() {
    if (quitting_) return false;
    if (parts_->gate.busy()) {
        // A command waits for input: cancel it and end when it has finished.
        parts_->input.cancel();
        connect(
            &parts_->gate, &CommandGate::idle, this,
            [this] { QMetaObject::invokeMethod(this, [this] { quit(); }, Qt::QueuedConnection); },
            Qt::SingleShotConnection);
        return false;
    }
    if (!options_.unattended && window_ && !window_->confirm_discard_all()) return false;
    quitting_ = true;
    if (window_ && window_->isVisible()) window_->remember_place();
    parts_->input.set_open(false);
    for (auto& [name, view] : forms_)
        if (view) view->hide();
    if (window_) window_->hide();
    if (panel_) panel_->hide();
    QApplication::quit();
    return true;
}

void Application::form_opened(const std::string& name) {
    common::FormModel* f = parts_->workspace->form(name);
    if (!f || !f->visible || name == "MaiFrm") return;
    show_form(*f);
}

FormView* Application::show_form(common::FormModel& f) {
    FormView* view = form_view(f.name());
    if (view) {
        view->show();
        view->raise();
    } else {
        std::unique_ptr<FormView> made;
        if (DesignedFormView::designed(f)) made = std::make_unique<DesignedFormView>(f, parts_->gate);
        else made = std::make_unique<FormView>(f, parts_->gate);
        view = made.get();
        view->build();
        view->adjustSize();
        forms_[f.name()] = std::move(made);
        view->show();
    }
    // Top edge level with the panel's, right edge at the screen's right edge (an open form is
    // moved there again when it is opened again), all of it on the screen.
    QRect avail = available_area(view);
    QRect frame = view->frameGeometry();
    frame.moveTopLeft(QPoint(avail.right() + 1 - frame.width(), panel_ ? panel_->frameGeometry().top() : avail.top()));
    view->move(fit_on_screen(frame, avail).topLeft());
    return view;
}

void Application::popup_menu(const std::string& menu) {
    auto* fck = dynamic_cast<panel::FCK*>(&parts_->workspace->fck());
    if (!fck) return;
    if (last_menu_) last_menu_->deleteLater();
    QMenu* m = build_menu(*fck, menu, parts_->gate, panel_.get());
    last_menu_ = m;
    m->popup(QCursor::pos());
}

bool Application::write_screenshots(const std::filesystem::path& dir, std::string* error) {
    QDir().mkpath(qs(dir.string()));
    auto fail = [&](const std::string& what) {
        if (error) *error = what;
        return false;
    };
    struct Shot {
        QWidget* w;
        QString file;
    };
    std::vector<Shot> shots;
    if (window_ && window_->isVisible()) {
        // Image tiles are decoded off the UI thread: a first picture asks for them, the one
        // taken below shows them.
        window_->canvas()->grab();
        window_->canvas()->images().wait_idle();
        window_->canvas()->invalidate();
        shots.push_back({window_.get(), "drawing.png"});
    }
    for (auto& [name, view] : forms_)
        if (view && view->isVisible()) shots.push_back({view.get(), qs(name) + ".png"});
    if (panel_ && panel_->isVisible()) shots.push_back({panel_.get(), "panel.png"});
    QRect all;
    std::vector<QPixmap> grabs;
    for (const auto& s : shots) {
        QPixmap pm = s.w->grab();
        QString path = qs((dir / s.file.toStdString()).string());
        if (!pm.save(path)) return fail("cannot write " + path.toStdString());
        grabs.push_back(pm);
        all = all.united(s.w->geometry().adjusted(0, -22, 0, 0));
    }
    // The windows where they stand, each with a plain title bar, the panel on top.
    QImage screen(all.size(), QImage::Format_RGB32);
    screen.fill(QColor(58, 68, 80));
    QPainter p(&screen);
    QFont f = QApplication::font();
    for (size_t i = 0; i < shots.size(); ++i) {
        QRect g = shots[i].w->geometry().translated(-all.topLeft());
        QRect bar(g.left(), g.top() - 22, g.width(), 22);
        p.fillRect(bar, QColor(222, 226, 232));
        p.setPen(QColor(30, 34, 40));
        p.setFont(f);
        p.drawText(bar.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, shots[i].w->windowTitle());
        p.drawPixmap(g.topLeft(), grabs[i]);
        p.setPen(QColor(120, 126, 136));
        p.drawRect(g.adjusted(0, -22, -1, -1));
    }
    p.end();
    QString path = qs((dir / "screen.png").string());
    if (!screen.save(path)) return fail("cannot write " + path.toStdString());
    return true;
}

}  // namespace korvane::ui
