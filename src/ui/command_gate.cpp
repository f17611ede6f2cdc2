#include "ui/command_gate.h"

#include <exception>

namespace korvane::ui {

bool CommandGate::run(const std::function<void()>& action) {
    if (depth_ > 0) {
        if (on_refused) on_refused("命令正在进行：请先在绘图窗口完成输入，或按 Esc 取消。");
        return false;
    }
    ++depth_;
    emit busy_changed(true);
    try {
        action();
    } catch (const std::exception& e) {
        if (on_error) on_error(e.what());
    } catch (...) {
        if (on_error) on_error("unknown error");
    }
    --depth_;
    emit busy_changed(false);
    emit idle();
    return true;
}

}  // namespace korvane::ui
