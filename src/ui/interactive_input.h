#pragma once
// The drawing window as the host's input source. When a command asks for a point,
// an entity, a selection or a value, next() shows the prompt and waits in a local
// event loop — the windows stay responsive — until the canvas or the command line
// answers (click, window drag, typed value, Enter, Esc) or the window goes away.
#include <QObject>

#include <optional>
#include <string>

#include "host/input_source.h"

class QEventLoop;

namespace korvane::ui {

class InteractiveInput : public QObject, public host::InputSource {
    Q_OBJECT
public:
    explicit InteractiveInput(QObject* parent = nullptr);
    ~InteractiveInput() override;

    std::optional<host::InputAnswer> next(const host::InputRequest& request) override;

    bool waiting() const { return waiting_; }
    // The request being waited for (meaningful while waiting()).
    const host::InputRequest& request() const { return request_; }

    // Answers the waiting request; ignored when nothing waits.
    void answer(const host::InputAnswer& a);
    void cancel() { answer(host::InputAnswer::cancel()); }

    // While closed, every request is cancelled at once (no drawing window to answer it).
    void set_open(bool open);
    bool is_open() const { return open_; }

    // Typed text as the answer to the waiting request. Returns the message to show when the
    // text does not fit the request ("需要点。"), or "" when it was taken.
    std::string answer_typed(const std::string& text);

signals:
    void request_started();
    void request_ended();

private:
    bool open_ = false;
    bool waiting_ = false;
    host::InputRequest request_;
    std::optional<host::InputAnswer> answer_;
    QEventLoop* loop_ = nullptr;
};

}  // namespace korvane::ui
