#pragma once
// The frame every command that touches the drawing runs in: attach to the
// running host, report when there is none, bring the host forward as the
// variant says, run the body as one undo step.
#include <functional>
#include <string>

#include "common/ui_service.h"
#include "host/host.h"

namespace korvane::host {

enum class FrameVariant { A, B, C, D };

inline constexpr const char* kHostClass = "Autocad.application";
inline constexpr const char* kHostMissingMessage = "AutoCAD(、)没有运行或版本不符合！\r\n本功能需先启动AutoCAD系统";
inline constexpr const char* kHandlerHostMissingMessage = "AutoCAD没有运行或版本不符合！\r\n本功能需先启动AutoCAD系统";
// On the command line when a command that works on a drawing finds none open.
inline constexpr const char* kNoDrawingLine = "没有打开的图形。";

// What the tools share across commands: the way to the host and the user interface.
// `acadApp` is fetched anew at the start of every command.
struct Session {
    HostConnector& connector;
    common::UiService& ui;
    ApplicationPtr acadApp;
    // What the user started last (a button's caption, a menu entry): names the undo step of a
    // command that gives no name of its own.
    std::string command_name = {};
};

struct CommandContext {
    Session& session;
    Application& app;
    HostError& err;
    common::UiService& ui;
    // The active document (fetched again on each call, as the commands do).
    DocumentPtr doc() { return app.ActiveDocument(); }
};

struct FrameOptions {
    // Some commands end silently when no host runs.
    bool report_missing_host = true;
    // A check of the command's own between attaching and bringing the host forward;
    // returning false ends the command.
    std::function<bool(CommandContext&)> check;
    // The command works on the active drawing: with none open it says so on the command line
    // and ends.
    bool needs_drawing = true;
    // The undo step's name; empty: the session's command name.
    std::string undo_name;
    // A command that only changes how an entity shows for a moment (a blink) stays out of the
    // undo history, so that it does not push the user's own steps out.
    bool undo_step = true;
};

// A continue-after-error command. Returns false when no host was running.
bool run_command(Session& session, FrameVariant variant, const std::function<void(CommandContext&)>& body,
                 const FrameOptions& options = {});

// A handler command: the body returns as soon as a host call fails (it checks ctx.err);
// the frame then looks at the error number: E_FAIL ends quietly, 429 shows the "错误"
// message, anything else ends quietly.
void run_handler_command(Session& session, FrameVariant variant, const std::function<void(CommandContext&)>& body,
                         const FrameOptions& options = {});

}  // namespace korvane::host
