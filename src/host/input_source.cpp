#include "host/input_source.h"

namespace korvane::host {

const char* input_kind_name(InputKind kind) {
    switch (kind) {
        case InputKind::Entity: return "entity";
        case InputKind::Point: return "point";
        case InputKind::String: return "string";
        case InputKind::Real: return "real";
        case InputKind::Integer: return "integer";
        case InputKind::Selection: return "select";
        case InputKind::CommandLine: return "command input";
    }
    return "?";
}

namespace {

bool fits(InputKind kind, InputAnswer::Type type) {
    using T = InputAnswer::Type;
    if (type == T::Cancel || type == T::Enter) return true;
    switch (kind) {
        case InputKind::Entity: return type == T::Entity || type == T::EntityAt || type == T::Point;
        case InputKind::Point: return type == T::Point;
        case InputKind::String: return type == T::Text || type == T::Real || type == T::Integer;
        case InputKind::Real: return type == T::Real || type == T::Integer || type == T::Text;
        case InputKind::Integer: return type == T::Integer || type == T::Text;
        case InputKind::Selection: return type == T::Selection || type == T::Entity;
        case InputKind::CommandLine:
            return type == T::Text || type == T::Point || type == T::Real || type == T::Integer || type == T::Entity ||
                   type == T::Selection;
    }
    return false;
}

}  // namespace

std::optional<InputAnswer> ScriptInput::next(const InputRequest& request) {
    if (pos_ >= queue_.size()) {
        if (failure_.empty())
            failure_ = std::string("no answer queued for the ") + input_kind_name(request.kind) + " prompt \"" +
                       request.prompt + "\"";
        return std::nullopt;
    }
    const InputAnswer& a = queue_[pos_];
    if (!fits(request.kind, a.type)) {
        if (failure_.empty())
            failure_ = std::string("the queued answer does not fit the ") + input_kind_name(request.kind) +
                       " prompt \"" + request.prompt + "\"";
        ++pos_;
        return std::nullopt;
    }
    return queue_[pos_++];
}

bool RecordingTranscript::contains(const std::string& fragment) const {
    for (const auto& l : lines_)
        if (l.find(fragment) != std::string::npos) return true;
    return false;
}

}  // namespace korvane::host
