#include "common/recording_ui.h"

namespace korvane::common {

const char* icon_name(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical: return "critical";
        case MsgIcon::Question: return "question";
        case MsgIcon::Exclamation: return "exclamation";
        case MsgIcon::Information: return "information";
        case MsgIcon::None: break;
    }
    return "";
}

std::string format_message_line(const std::string& text, const std::string& title, MsgIcon icon) {
    std::string body;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            body += " / ";
            ++i;
        } else if (text[i] == '\r' || text[i] == '\n') {
            body += " / ";
        } else {
            body += text[i];
        }
    }
    std::string line = "[" + title + "] " + body;
    if (icon != MsgIcon::None) line += std::string(" {") + icon_name(icon) + "}";
    return line;
}

MsgResult RecordingUi::message_box(const std::string& text, const std::string& title, MsgIcon icon,
                                   MsgButtons buttons) {
    std::string line = format_message_line(text, title, icon);
    messages_.push_back(line);
    if (on_message) on_message(line);
    // A queued button answers the box; otherwise the default (first) button is taken.
    if (!answers_.empty() && answers_.front().kind == UiAnswer::Kind::Button) {
        MsgResult r = answers_.front().button;
        answers_.pop_front();
        return r;
    }
    switch (buttons) {
        case MsgButtons::OK:
        case MsgButtons::OKCancel: return MsgResult::OK;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return MsgResult::Yes;
        case MsgButtons::RetryCancel: return MsgResult::Retry;
    }
    return MsgResult::OK;
}

std::optional<std::string> RecordingUi::file_dialog(const FileDialogRequest& request) {
    if (answers_.empty()) {
        if (failure_.empty()) failure_ = "no answer queued for the file dialog \"" + request.title + "\"";
        return std::nullopt;
    }
    UiAnswer a = answers_.front();
    answers_.pop_front();
    if (a.kind == UiAnswer::Kind::DialogCancel) return std::nullopt;
    if (a.kind != UiAnswer::Kind::File) {
        if (failure_.empty()) failure_ = "the queued answer does not fit the file dialog \"" + request.title + "\"";
        return std::nullopt;
    }
    return a.text;
}

std::string RecordingUi::browse_folder(const std::string& title) {
    if (answers_.empty()) {
        if (failure_.empty()) failure_ = "no answer queued for the folder browser \"" + title + "\"";
        return {};
    }
    UiAnswer a = answers_.front();
    answers_.pop_front();
    if (a.kind == UiAnswer::Kind::DialogCancel) return {};
    if (a.kind != UiAnswer::Kind::Folder) {
        if (failure_.empty()) failure_ = "the queued answer does not fit the folder browser \"" + title + "\"";
        return {};
    }
    return a.text;
}

void RecordingUi::show_file(const std::string& path) {
    shown_.push_back(path);
    if (on_message) on_message("显示文件 " + path);
}

bool RecordingUi::progress(long done) {
    if (cancel_at_ < 0 || done < cancel_at_) return true;
    cancel_at_ = -1;
    return false;
}

bool RecordingUi::message_contains(const std::string& fragment) const {
    for (const auto& m : messages_)
        if (m.find(fragment) != std::string::npos) return true;
    return false;
}

}  // namespace korvane::common
