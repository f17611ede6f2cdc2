#include "ui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace korvane::ui {

QWidget* dialog_owner(QWidget* fallback) {
    QWidget* active = QApplication::activeWindow();
    if (active && active->isVisible() && !qobject_cast<QMenu*>(active)) return active;
    return fallback;
}

void keep_in_front(QWidget* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint);
    dialog->setWindowModality(Qt::ApplicationModal);
    // Runs once the dialog is up (exec() shows it, then handles events).
    QTimer::singleShot(0, dialog, [dialog] {
        dialog->raise();
        dialog->activateWindow();
    });
}

QMessageBox::StandardButton ask(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton default_button,
                                const std::vector<std::pair<QMessageBox::StandardButton, QString>>& texts) {
    QMessageBox box(icon, title, text, buttons, owner);
    box.setDefaultButton(default_button);
    for (const auto& [button, caption] : texts)
        if (QAbstractButton* b = box.button(button)) b->setText(caption);
    keep_in_front(&box);
    return QMessageBox::StandardButton(box.exec());
}

namespace {

QString run_file_dialog(QWidget* owner, const QString& title, const QString& start, const QString& filter,
                        QFileDialog::AcceptMode accept, QFileDialog::FileMode mode) {
    QFileDialog dialog(owner, title, start, filter);
    // Qt's own dialog: its window flags hold on every platform, and its texts are translated.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    if (mode == QFileDialog::Directory) dialog.setOption(QFileDialog::ShowDirsOnly, true);
    keep_in_front(&dialog);
    // Wide enough for long Chinese file names and their dates.
    dialog.resize(std::max(dialog.width(), 860), std::max(dialog.height(), 520));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString open_file_name(QWidget* owner, const QString& title, const QString& start, const QString& filter) {
    return run_file_dialog(owner, title, start, filter, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
}

QString save_file_name(QWidget* owner, const QString& title, const QString& start, const QString& filter) {
    return run_file_dialog(owner, title, start, filter, QFileDialog::AcceptSave, QFileDialog::AnyFile);
}

QString existing_directory(QWidget* owner, const QString& title, const QString& start) {
    return run_file_dialog(owner, title, start, {}, QFileDialog::AcceptOpen, QFileDialog::Directory);
}

}  // namespace korvane::ui
