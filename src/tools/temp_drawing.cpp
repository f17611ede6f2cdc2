#include "tools/temp_drawing.h"

#include <filesystem>

#include "tools/view_window.h"

namespace korvane::tools {

namespace {

// File dialogs of the host stay off while a command names a file on the command line.
class NoFileDialogs {
public:
    explicit NoFileDialogs(host::Document& doc) : doc_(doc) { doc_.SetVariable("filedia", 0LL); }
    ~NoFileDialogs() { doc_.SetVariable("filedia", 1LL); }
    NoFileDialogs(const NoFileDialogs&) = delete;
    NoFileDialogs& operator=(const NoFileDialogs&) = delete;

private:
    host::Document& doc_;
};

}  // namespace

std::string temp_drawing_path(const common::Paths& paths) { return paths.temp_drawing().generic_string(); }

std::string wblock_command(const std::string& path, bool exists) {
    return "-wblock " + path + (exists ? "\rY\r\r0,0\r" : "\r\r0,0\r");
}

std::string insert_command(const std::string& path) { return "-insert *" + path + "\r0,0\r1\r\r"; }

void write_temp_drawing(host::Session& session, TempDrawingState& state) {
    host::run_command(session, host::FrameVariant::A, [&state](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        const std::string path = temp_drawing_path(ctx.ui.paths());
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
        {
            NoFileDialogs quiet(*doc);
            doc->SendCommand(wblock_command(path, std::filesystem::exists(path, ec)));
        }
        if (auto w = current_view_window(*doc)) state.saved_window = window_text(*w);
    });
}

void insert_temp_drawing(host::Session& session, const TempDrawingState& state) {
    host::run_command(session, host::FrameVariant::A, [&state](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        const std::string path = temp_drawing_path(ctx.ui.paths());
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) return;
        {
            NoFileDialogs quiet(*doc);
            doc->SendCommand(insert_command(path));
        }
        // Written in an earlier run of the program: inserted, but there is no window to show.
        if (auto w = parse_window_text(state.saved_window)) ctx.app.ZoomWindow({w->x1, w->y1, 0}, {w->x2, w->y2, 0});
    });
}

}  // namespace korvane::tools
