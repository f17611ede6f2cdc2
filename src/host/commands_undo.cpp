// U, UNDO and REDO: the drawing's undo steps.
#include "host/commands.h"

namespace korvane::host {

namespace {

// Undoes one step; false (with a message) when there is none or a step is still open.
bool undo_one(CommandContext& c) {
    drawing::Document& d = c.dwg();
    if (!d.can_undo()) {
        c.print("已放弃所有操作。");
        return false;
    }
    std::string name = d.undo_name();
    if (!d.undo()) {
        c.print("命令进行中，无法放弃。");
        return false;
    }
    c.print("放弃 " + name);
    return true;
}

}  // namespace

void cmd_u(CommandContext& c) { undo_one(c); }

void cmd_undo(CommandContext& c) {
    Answer a = c.ask("输入要放弃的操作数目 <1>:", Accept::integers());
    if (a.cancel()) return;
    long count = a.enter() ? 1 : long(a.real);
    if (count < 1) {
        c.print("需要正整数。");
        return;
    }
    for (long i = 0; i < count; ++i)
        if (!undo_one(c)) break;
}

void cmd_redo(CommandContext& c) {
    drawing::Document& d = c.dwg();
    if (!d.can_redo()) {
        c.print("没有可重做的操作。");
        return;
    }
    std::string name = d.redo_name();
    if (!d.redo()) {
        c.print("命令进行中，无法重做。");
        return;
    }
    c.print("重做 " + name);
}

}  // namespace korvane::host
