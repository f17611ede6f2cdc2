#include "ui/command_line.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/interactive_input.h"

namespace korvane::ui {

using host::InputKind;

void TranscriptLog::line(const std::string& text) {
    lines_.push_back(text);
    emit appended(QString::fromStdString(text));
}

CommandLine::CommandLine(TranscriptLog& log, InteractiveInput& input, QWidget* parent)
    : QWidget(parent), log_(log), input_(input) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    history_ = new QPlainTextEdit(this);
    history_->setReadOnly(true);
    history_->setMaximumBlockCount(5000);
    history_->setFocusPolicy(Qt::NoFocus);
    history_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFontMetrics fm(font());
    history_->setMinimumHeight(fm.lineSpacing() * 4 + 8);
    // The command list (F1) puts a tab between a command's names and what it does.
    history_->setTabStopDistance(fm.horizontalAdvance(QStringLiteral("MATCHPROP (MA, PAINTER)  ")));
    layout->addWidget(history_, 1);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    prompt_ = new QLabel(this);
    prompt_->setTextFormat(Qt::PlainText);
    edit_ = new QLineEdit(this);
    edit_->setObjectName("commandInput");
    edit_->installEventFilter(this);
    row->addWidget(prompt_);
    row->addWidget(edit_, 1);
    layout->addLayout(row);

    for (const auto& l : log_.lines()) history_->appendPlainText(QString::fromStdString(l));
    connect(&log_, &TranscriptLog::appended, this, [this](const QString& l) {
        history_->appendPlainText(l);
        history_->verticalScrollBar()->setValue(history_->verticalScrollBar()->maximum());
    });
    connect(&input_, &InteractiveInput::request_started, this, [this] { update_prompt(); });
    connect(&input_, &InteractiveInput::request_ended, this, [this] { update_prompt(); });
    connect(edit_, &QLineEdit::returnPressed, this, [this] { submit(); });
    update_prompt();
}

QString CommandLine::prompt_text() const { return prompt_->text(); }

void CommandLine::note(const QString& text) {
    history_->appendPlainText(text);
    history_->verticalScrollBar()->setValue(history_->verticalScrollBar()->maximum());
}

void CommandLine::take_typed(const QString& text) {
    edit_->setFocus(Qt::OtherFocusReason);
    edit_->insert(text);
}

void CommandLine::update_prompt() {
    if (!input_.waiting()) {
        prompt_->setText(QStringLiteral("命令:"));
        return;
    }
    QString p = QString::fromStdString(input_.request().prompt).trimmed();
    prompt_->setText(p.isEmpty() ? QStringLiteral("输入:") : p);
    edit_->setFocus(Qt::OtherFocusReason);
}

void CommandLine::submit() {
    QString text = edit_->text();
    edit_->clear();
    recall_ = -1;
    if (!text.isEmpty() && (typed_.empty() || typed_.back() != text)) typed_.push_back(text);
    emit submitted(text);
}

bool CommandLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::ShortcutOverride) {
        // Undo and redo keys belong to the drawing, as on a CAD command line: the input
        // line leaves them to the window's actions instead of undoing its own typing.
        auto* k = static_cast<QKeyEvent*>(event);
        bool ctrl_y = k->key() == Qt::Key_Y && k->modifiers() == Qt::ControlModifier;
        if (k->matches(QKeySequence::Undo) || k->matches(QKeySequence::Redo) || ctrl_y) return true;
    }
    if (watched != edit_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* k = static_cast<QKeyEvent*>(event);
    switch (k->key()) {
        case Qt::Key_Escape:
            edit_->clear();
            emit escape_pressed();
            return true;
        case Qt::Key_Space: {
            // A blank ends the input where the prompt takes no blanks (a command name, a point,
            // a number, an entity), as on a CAD command line.
            bool takes_blanks = input_.waiting() && (input_.request().kind == InputKind::String ||
                                                     input_.request().kind == InputKind::CommandLine) &&
                                input_.request().allow_spaces;
            if (takes_blanks) return false;
            submit();
            return true;
        }
        case Qt::Key_Up:
            if (typed_.empty()) return true;
            recall_ = recall_ < 0 ? int(typed_.size()) - 1 : std::max(0, recall_ - 1);
            edit_->setText(typed_[size_t(recall_)]);
            return true;
        case Qt::Key_Down:
            if (recall_ < 0) return true;
            if (recall_ + 1 >= int(typed_.size())) {
                recall_ = -1;
                edit_->clear();
            } else {
                edit_->setText(typed_[size_t(++recall_)]);
            }
            return true;
        default: break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace korvane::ui
