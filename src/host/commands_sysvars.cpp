// System variables on the command line: a variable's name as a command, and SETVAR.
#include <cctype>

#include "host/commands.h"
#include "host/system_variables.h"
#include "host/command_text.h"

namespace korvane::host {

namespace {

}  // namespace

void run_system_variable(CommandContext& c, const std::string& variable) {
    std::string name = upper(variable);
    Value current = get_system_variable(c.doc, c.host, name);
    if (is_read_only_system_variable(name)) {
        c.print(name + " = " + format_value(current) + " (只读)");
        return;
    }
    // Text variables (CLAYER, names) take blanks; numbers end at a blank as on any prompt.
    Accept accept;
    accept.text = true;
    accept.whole_line = std::holds_alternative<std::string>(current);
    while (true) {
        Answer a = c.ask("输入 " + name + " 的新值 <" + format_value(current) + ">:", accept);
        if (a.kind != Answer::Text) return;
        std::string value = trim(a.text);
        if (set_system_variable(c.doc, name, Value(value))) return;
        if (name == "CLAYER") {
            c.print("未找到图层 \"" + value + "\"。");
            continue;
        }
        if (name == "PDMODE") c.print("需要 0-4、32-36、64-68 或 96-100 之间的整数。");
        else if (name == "IMAGEFRAME") c.print("需要 0、1 或 2 (或 ON、OFF)。");
        else if (name == "FILEDIA" || name == "CMDECHO") c.print("需要 0 或 1。");
        else c.print("无效的值: " + value);
    }
}

void cmd_setvar(CommandContext& c) {
    Accept accept;
    accept.text = true;
    accept.keywords = {"?"};
    Answer a = c.ask("输入变量名或 [?]:", accept);
    if (a.cancel() || a.enter()) return;
    if (a.kind == Answer::Keyword) {
        for (const std::string& v : known_system_variables())
            c.print(v + " = " + format_value(get_system_variable(c.doc, c.host, v)));
        return;
    }
    std::string name = trim(a.text);
    if (!is_system_variable(c.doc, name)) {
        c.print("未知变量名 \"" + upper(name) + "\"。");
        return;
    }
    run_system_variable(c, name);
}

}  // namespace korvane::host
