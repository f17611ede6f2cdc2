#include "ui/interactive_input.h"

#include <QEventLoop>

#include "host/command_input.h"

namespace korvane::ui {

using host::InputAnswer;
using host::InputKind;

InteractiveInput::InteractiveInput(QObject* parent) : QObject(parent) {}
InteractiveInput::~InteractiveInput() {
    if (loop_) loop_->quit();
}

std::optional<InputAnswer> InteractiveInput::next(const host::InputRequest& request) {
    // No window to answer, or a request inside a request: Esc.
    if (!open_ || waiting_) return std::nullopt;
    request_ = request;
    answer_.reset();
    waiting_ = true;
    QEventLoop loop;
    loop_ = &loop;
    emit request_started();
    if (!answer_) loop.exec();
    loop_ = nullptr;
    waiting_ = false;
    emit request_ended();
    std::optional<InputAnswer> out = std::move(answer_);
    answer_.reset();
    return out;
}

void InteractiveInput::answer(const InputAnswer& a) {
    if (!waiting_ || answer_) return;
    answer_ = a;
    if (loop_) loop_->quit();
}

void InteractiveInput::set_open(bool open) {
    open_ = open;
    if (!open) cancel();
}

std::string InteractiveInput::answer_typed(const std::string& text) {
    if (!waiting_) return "";
    auto trimmed = [](const std::string& s) {
        size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
        return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    };
    std::string t = trimmed(text);
    InputAnswer a;
    switch (request_.kind) {
        case InputKind::CommandLine:
        case InputKind::String:
            if (text.empty()) {
                answer(InputAnswer::enter());
            } else {
                a.type = InputAnswer::Type::Text;
                a.text = text;
                answer(a);
            }
            return "";
        case InputKind::Point:
            if (t.empty()) {
                answer(InputAnswer::enter());
                return "";
            }
            if (auto p = host::parse_point(t)) {
                a.type = InputAnswer::Type::Point;
                a.point = *p;
                a.text = t;  // typed, not clicked: no snap applies
                answer(a);
                return "";
            }
            return "需要点。";
        case InputKind::Entity:
            if (t.empty()) {
                answer(InputAnswer::enter());
                return "";
            }
            if (auto h = host::parse_handent(t)) {
                a.type = InputAnswer::Type::Entity;
                a.handle = *h;
                answer(a);
                return "";
            }
            return "需要选择对象。";
        case InputKind::Selection:
            if (t.empty()) {
                // The caller gathers the picks and answers with them; an empty line here ends
                // an empty selection.
                a.type = InputAnswer::Type::Selection;
                a.select_mode = InputAnswer::SelectMode::Handles;
                answer(a);
                return "";
            }
            if (t == "all" || t == "ALL" || t == "All") {
                a.type = InputAnswer::Type::Selection;
                a.select_mode = InputAnswer::SelectMode::All;
                answer(a);
                return "";
            }
            return "需要选择对象。";
        case InputKind::Real:
            if (t.empty()) {
                answer(InputAnswer::enter());
                return "";
            }
            if (auto r = host::parse_real(t)) {
                a.type = InputAnswer::Type::Real;
                a.real = *r;
                answer(a);
                return "";
            }
            return "需要数值。";
        case InputKind::Integer:
            if (t.empty()) {
                answer(InputAnswer::enter());
                return "";
            }
            if (auto i = host::parse_integer(t)) {
                a.type = InputAnswer::Type::Integer;
                a.integer = long(*i);
                answer(a);
                return "";
            }
            return "需要整数。";
    }
    return "";
}

}  // namespace korvane::ui
