#include "ui/qt_ui_service.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QEventLoop>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

#include "common/recording_ui.h"
#include "ui/dialogs.h"

namespace korvane::ui {

using common::MsgButtons;
using common::MsgIcon;
using common::MsgResult;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Message texts use CR LF between lines.
QString message_text(const std::string& text) {
    QString t = qs(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar('\r'), QChar('\n'));
    return t;
}

}  // namespace

QtUiService::QtUiService(common::SettingsStore& settings, common::Paths paths, QObject* parent)
    : QObject(parent), settings_(&settings), paths_(std::move(paths)) {}

QtUiService::~QtUiService() { end_progress(); }

MsgResult QtUiService::message_box(const std::string& text, const std::string& title, MsgIcon icon,
                                   MsgButtons buttons) {
    if (on_message) on_message(common::format_message_line(text, title, icon));
    // The first button is the default, as in the system's message boxes.
    MsgResult first = MsgResult::OK;
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons) {
        case MsgButtons::OK: break;
        case MsgButtons::OKCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
        case MsgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; first = MsgResult::Yes; break;
        case MsgButtons::YesNoCancel:
            set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            first = MsgResult::Yes;
            break;
        case MsgButtons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; first = MsgResult::Retry; break;
    }
    if (unattended_) return first;
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
        case MsgIcon::None: break;
        case MsgIcon::Critical: qicon = QMessageBox::Critical; break;
        case MsgIcon::Question: qicon = QMessageBox::Question; break;
        case MsgIcon::Exclamation: qicon = QMessageBox::Warning; break;
        case MsgIcon::Information: qicon = QMessageBox::Information; break;
    }
    QMessageBox::StandardButton default_button = first == MsgResult::Yes     ? QMessageBox::Yes
                                                 : first == MsgResult::Retry ? QMessageBox::Retry
                                                                             : QMessageBox::Ok;
    QString shown_title = qs(title.empty() ? std::string("提示") : title);
    switch (ask(dialog_owner(parent_), qicon, shown_title, message_text(text), set, default_button)) {
        case QMessageBox::Ok: return MsgResult::OK;
        case QMessageBox::Cancel: return MsgResult::Cancel;
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        case QMessageBox::Retry: return MsgResult::Retry;
        default: break;
    }
    // Closed with the window's close button: the cancelling answer where there is one.
    switch (buttons) {
        case MsgButtons::OK: return MsgResult::OK;
        case MsgButtons::YesNo: return MsgResult::No;
        default: return MsgResult::Cancel;
    }
}

QString QtUiService::qt_filter(const std::string& filter) {
    QStringList parts = qs(filter).split(QChar('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QChar(';'), QChar(' '));
        // Qt reads the patterns from the parentheses of the name.
        if (name.contains(QChar('(')) && name.contains(QChar(')'))) {
            int a = name.lastIndexOf(QChar('(')), b = name.lastIndexOf(QChar(')'));
            name = name.left(a) + QChar('(') + patterns + QChar(')') + name.mid(b + 1);
            out << name;
        } else {
            out << QStringLiteral("%1 (%2)").arg(name, patterns);
        }
    }
    if (out.isEmpty() && !filter.empty()) out << qs(filter);
    return out.join(QStringLiteral(";;"));
}

std::optional<std::string> QtUiService::file_dialog(const common::FileDialogRequest& request) {
    if (unattended_) return std::nullopt;
    QString title = qs(request.title);
    if (title.isEmpty()) title = request.save ? QStringLiteral("另存为") : QStringLiteral("打开");
    QString start = qs(request.initial_dir);
    if (!request.default_name.empty()) start = start.isEmpty() ? qs(request.default_name) : start + "/" + qs(request.default_name);
    QWidget* owner = dialog_owner(parent_);
    QString chosen = request.save ? save_file_name(owner, title, start, qt_filter(request.filter))
                                  : open_file_name(owner, title, start, qt_filter(request.filter));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

std::string QtUiService::browse_folder(const std::string& title) {
    if (unattended_) return "";
    QString dir = existing_directory(dialog_owner(parent_), title.empty() ? QStringLiteral("浏览文件夹") : qs(title));
    return dir.toStdString();
}

void QtUiService::show_file(const std::string& path) {
    if (unattended_) return;
    auto cannot_open = [this, path] {
        message_box("没有可以打开该文件的程序：\r\n" + path + "\r\n文件已经保存，可以用其它程序打开。", "提示",
                    MsgIcon::Exclamation, MsgButtons::OK);
    };
    // The desktop's opener says by its exit status whether a program took the file.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        cannot_open();
        return;
    }
    auto* process = new QProcess(this);  // the service owns it until it has finished
    connect(process, &QProcess::finished, this, [process, cannot_open](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || code != 0) cannot_open();
    });
    connect(process, &QProcess::errorOccurred, this, [process, cannot_open](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        process->deleteLater();
        cannot_open();
    });
    process->start(opener, {qs(path)});
}

void QtUiService::wait(double seconds) {
    if (seconds <= 0) return;
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000 + 0.5), &loop, &QEventLoop::quit);
    loop.exec();
}

int QtUiService::start_timer(double seconds, std::function<void()> tick) {
    int id = next_timer_++;
    auto* t = new QTimer(this);
    t->setInterval(std::max(1, int(seconds * 1000 + 0.5)));
    connect(t, &QTimer::timeout, this, [this, tick = std::move(tick)] {
        if (run_tick) run_tick(tick);
        else tick();
    });
    t->start();
    timers_[id] = t;
    return id;
}

void QtUiService::stop_timer(int id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

void QtUiService::begin_progress(const std::string& title, long total) {
    end_progress();
    if (unattended_) return;
    progress_ = new QProgressDialog(qs(title), QStringLiteral("取消"), 0, int(std::max(1L, total)), dialog_owner(parent_));
    progress_->setWindowTitle(qs(title));
    progress_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(300);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setValue(0);
    progress_clock_.start();
    progress_shown_at_ = 0;
}

bool QtUiService::progress(long done) {
    if (!progress_) return true;
    qint64 now = progress_clock_.elapsed();
    if (now - progress_shown_at_ >= 40) {
        progress_shown_at_ = now;
        progress_->setValue(int(std::min<long>(done, progress_->maximum())));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return !progress_->wasCanceled();
}

void QtUiService::end_progress() {
    if (progress_) {
        // reset() stops the timer that would show the dialog after its minimum duration, which
        // would otherwise fire in the event loop of a message box that follows.
        progress_->reset();
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
}

}  // namespace korvane::ui
