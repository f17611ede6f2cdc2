#include "host/command_frame.h"

namespace korvane::host {

namespace {

// Steps 2 to 4: attach and bring the host forward. Null when no host runs (err holds 429).
ApplicationPtr attach(Session& session, FrameVariant variant, HostError& err) {
    err.clear();
    session.acadApp = session.connector.GetObject(kHostClass, err);
    return session.acadApp;
}

void bring_forward(Session& session, Application& app, FrameVariant variant) {
    if (variant == FrameVariant::D) return;
    if (variant == FrameVariant::B || variant == FrameVariant::C) app.SetVisible(true);
    session.connector.AppActivate(app.Caption());
    if (variant == FrameVariant::A || variant == FrameVariant::B) app.SetWindowState(3);
}

// Runs the body as one undo step of the active drawing, when there is one. False when the
// command needs a drawing and none is open (said on the command line).
bool run_body(CommandContext& ctx, const std::function<void(CommandContext&)>& body, const FrameOptions& options) {
    DocumentPtr doc = ctx.app.ActiveDocument();
    ctx.err.clear();
    if (!doc && options.needs_drawing) {
        ctx.app.Prompt(kNoDrawingLine);
        return false;
    }
    const std::string& name = options.undo_name.empty() ? ctx.session.command_name : options.undo_name;
    const bool step = doc && options.undo_step;
    if (step) doc->StartUndoMark(name);
    body(ctx);
    if (step) {
        HostError saved = ctx.err;
        doc->EndUndoMark();
        ctx.err = saved;
    }
    return true;
}

}  // namespace

bool run_command(Session& session, FrameVariant variant, const std::function<void(CommandContext&)>& body,
                 const FrameOptions& options) {
    HostError attach_err;
    ApplicationPtr app = attach(session, variant, attach_err);
    if (!app) {
        if (attach_err.number == kErrNoHost && options.report_missing_host)
            session.ui.message_box(kHostMissingMessage, "提示", common::MsgIcon::Critical);
        return false;
    }
    CommandContext ctx{session, *app, app->Err(), session.ui};
    ctx.err.clear();
    if (options.check && !options.check(ctx)) return true;
    bring_forward(session, *app, variant);
    run_body(ctx, body, options);
    ctx.err.clear();
    return true;
}

void run_handler_command(Session& session, FrameVariant variant, const std::function<void(CommandContext&)>& body,
                         const FrameOptions& options) {
    HostError attach_err;
    ApplicationPtr app = attach(session, variant, attach_err);
    if (!app) {
        if (attach_err.number == kErrNoHost)
            session.ui.message_box(kHandlerHostMissingMessage, "错误", common::MsgIcon::Critical);
        return;
    }
    CommandContext ctx{session, *app, app->Err(), session.ui};
    ctx.err.clear();
    bring_forward(session, *app, variant);
    run_body(ctx, body, options);
    if (ctx.err.number == kErrNoHost)
        session.ui.message_box(kHandlerHostMissingMessage, "错误", common::MsgIcon::Critical);
    ctx.err.clear();
}

}  // namespace korvane::host
