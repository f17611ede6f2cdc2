#include "ui/file_drop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace korvane::ui {

namespace {

std::vector<std::string> local_files(const QMimeData* data) {
    std::vector<std::string> files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    return files;
}

class FileDropFilter : public QObject {
public:
    FileDropFilter(QWidget* target, std::function<void(const std::vector<std::string>&)> on_drop)
        : QObject(target), on_drop_(std::move(on_drop)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* e = static_cast<QDropEvent*>(event);
                if (!local_files(e->mimeData()).empty()) e->acceptProposedAction();
                else e->ignore();
                return true;
            }
            case QEvent::Drop: {
                auto* e = static_cast<QDropEvent*>(event);
                std::vector<std::string> files = local_files(e->mimeData());
                if (files.empty()) {
                    e->ignore();
                    return true;
                }
                e->acceptProposedAction();
                on_drop_(files);
                return true;
            }
            default: return QObject::eventFilter(watched, event);
        }
    }

private:
    std::function<void(const std::vector<std::string>&)> on_drop_;
};

}  // namespace

void accept_file_drops(QWidget* target, std::function<void(const std::vector<std::string>&)> on_drop) {
    target->setAcceptDrops(true);
    target->installEventFilter(new FileDropFilter(target, std::move(on_drop)));
}

}  // namespace korvane::ui
