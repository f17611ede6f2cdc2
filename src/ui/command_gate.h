#pragma once
// One command at a time. Every user action that runs tool or host code (a panel
// button, a menu entry, a form's control, a line typed on the command line) goes
// through the gate; while one runs — typically waiting for a pick in the drawing —
// the gate refuses the next, so no command starts on top of a waiting one.
#include <QObject>

#include <functional>
#include <string>

namespace korvane::ui {

class CommandGate : public QObject {
    Q_OBJECT
public:
    // Runs the action unless another one is running. Exceptions that escape the action are
    // reported (`on_error`) instead of unwinding into Qt. Returns false when refused.
    bool run(const std::function<void()>& action);
    bool busy() const { return depth_ > 0; }

    // Told when an action is refused or fails (the application shows it).
    std::function<void(const std::string&)> on_refused;
    std::function<void(const std::string&)> on_error;

signals:
    void busy_changed(bool busy);
    // Emitted when the last running action has ended.
    void idle();

private:
    int depth_ = 0;
};

}  // namespace korvane::ui
