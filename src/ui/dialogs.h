#pragma once
// Dialogs and message boxes come up in front of every Korvane window — the
// always-on-top tool forms included — and take the keyboard focus, so that a
// question is never hidden behind a form while the program waits for it.
#include <QMessageBox>
#include <QString>

#include <utility>
#include <vector>

class QWidget;

namespace korvane::ui {

// The window a dialog belongs to: the Korvane window the user works in now, else `fallback`.
QWidget* dialog_owner(QWidget* fallback);

// Makes a dialog stay above the program's topmost windows and, once shown, come to the
// front with the keyboard focus. Call before show() or exec().
void keep_in_front(QWidget* dialog);

// A message box over every window. `texts` renames buttons (保存/不保存/取消 and the like).
QMessageBox::StandardButton ask(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton default_button,
                                const std::vector<std::pair<QMessageBox::StandardButton, QString>>& texts = {});

// The file and folder dialogs, in front as above; an empty text when cancelled.
QString open_file_name(QWidget* owner, const QString& title, const QString& start, const QString& filter);
QString save_file_name(QWidget* owner, const QString& title, const QString& start, const QString& filter);
QString existing_directory(QWidget* owner, const QString& title, const QString& start = {});

}  // namespace korvane::ui
