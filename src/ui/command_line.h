#pragma once
// The host's command line: a scrollable history of every line the host printed
// and the user typed, the current prompt, and the input line. What the user types
// goes to the waiting prompt or, when nothing waits, runs as a host command.
#include <QWidget>

#include <string>
#include <vector>

#include "host/input_source.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace korvane::ui {

class InteractiveInput;

// The host's transcript kept for the command line (it outlives the drawing window).
class TranscriptLog : public QObject, public host::Transcript {
    Q_OBJECT
public:
    void line(const std::string& text) override;
    const std::vector<std::string>& lines() const { return lines_; }

signals:
    void appended(const QString& line);

private:
    std::vector<std::string> lines_;
};

class CommandLine : public QWidget {
    Q_OBJECT
public:
    CommandLine(TranscriptLog& log, InteractiveInput& input, QWidget* parent = nullptr);

    QLineEdit* input_line() const { return edit_; }
    QPlainTextEdit* history() const { return history_; }
    QString prompt_text() const;
    // Shows a line in the history that the host did not print (a message of the window).
    void note(const QString& text);
    // Puts typed characters into the input line and gives it the focus.
    void take_typed(const QString& text);
    // The lines typed so far, oldest first (recalled with the arrow keys).
    const std::vector<QString>& typed_lines() const { return typed_; }
    // Takes what stands in the input line as entered (Enter pressed in the drawing).
    void submit();

signals:
    // The user pressed Enter (or a blank where a blank ends the input) on this text.
    void submitted(const QString& text);
    void escape_pressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TranscriptLog& log_;
    InteractiveInput& input_;
    QPlainTextEdit* history_;
    QLabel* prompt_;
    QLineEdit* edit_;
    std::vector<QString> typed_;
    int recall_ = -1;

    void update_prompt();
};

}  // namespace korvane::ui
