#include "ui/background_open.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

#include "host/document_open.h"
#include "ui/dialogs.h"

namespace korvane::ui {

namespace {

constexpr int kSteps = 1000;
constexpr int kShowAfterMs = 300;  // a drawing read sooner opens without a dialog
constexpr int kLookEveryMs = 10;

// What the reading thread and the window share.
struct Reading {
    std::atomic<int> done{0};  // of kSteps
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    std::unique_ptr<host::HostDocument> doc;
    std::exception_ptr error;
};

}  // namespace

std::unique_ptr<host::HostDocument> read_in_background(QWidget* parent, const QString& path,
                                                       std::vector<std::string>* warnings) {
    Reading reading;
    std::thread reader([&reading, file = path.toStdString(), warnings] {
        try {
            reading.doc = host::read_document(file, warnings, [&reading](double read) {
                reading.done = int(read * kSteps);
                return !reading.cancel;
            });
        } catch (const drawing::LoadCancelled&) {
        } catch (...) {
            reading.error = std::current_exception();
        }
        reading.finished = true;
    });

    QProgressDialog dialog(QStringLiteral("正在打开 %1").arg(QFileInfo(path).fileName()), QStringLiteral("取消"), 0,
                           kSteps, dialog_owner(parent));
    dialog.setWindowTitle(QStringLiteral("打开图形"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(kShowAfterMs);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);
    QEventLoop loop;
    QTimer look;
    look.setInterval(kLookEveryMs);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        // Cancel hides the dialog at once; the reading stops at its next look at the flag.
        if (dialog.wasCanceled()) reading.cancel = true;
        if (reading.finished) loop.quit();
        else dialog.setValue(reading.done);
    });
    look.start();
    // Through the loop at least once: what the user did meanwhile (Cancel) is heard.
    loop.exec();
    reader.join();
    if (reading.error) std::rethrow_exception(reading.error);
    if (reading.cancel) return nullptr;
    return std::move(reading.doc);
}

}  // namespace korvane::ui
