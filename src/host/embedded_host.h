#pragma once
// The host Korvane carries itself: open drawings, the active one, the command
// line and the input source. It offers the automation object model of host.h
// over the drawing engine; the drawing window (when there is one) is its face.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/host_document.h"
#include "host/input_source.h"

namespace korvane::host {

class CommandInterpreter;

class EmbeddedHost : public HostConnector {
public:
    EmbeddedHost(InputSource& input, Transcript& transcript);
    ~EmbeddedHost() override;

    // "Host running": the drawing window (or headless, the batch runner's host) exists.
    bool running() const { return running_; }
    void start() { running_ = true; }
    // Stops the host: later commands find none. Open drawings stay loaded for a restart.
    void stop() { running_ = false; }

    // Opens a drawing and makes it active. Throws drawing::DxfError on bad input.
    HostDocument& open(const std::string& path, std::vector<std::string>* warnings = nullptr);
    HostDocument& add(drawing::Document doc, const std::string& path = {});
    // Makes a drawing read by read_document (document_open.h) one of the host's, the active one.
    HostDocument& adopt(std::unique_ptr<HostDocument> doc);
    HostDocument& new_document();
    void close(size_t index);
    size_t document_count() const { return docs_.size(); }
    HostDocument& document(size_t index) { return *docs_[index]; }
    HostDocument* active();
    size_t active_index() const { return active_; }
    void set_active(size_t index);

    // The automation object model.
    ApplicationPtr application();
    ApplicationPtr GetObject(const std::string& class_name, HostError& err) override;
    void AppActivate(const std::string& caption) override;
    HostError& err() { return err_; }

    InputSource& input() { return *input_; }
    void set_input(InputSource& input) { input_ = &input; }
    Transcript& transcript() { return *transcript_; }
    void print(const std::string& line) { transcript_->line(line); }
    CommandInterpreter& interpreter();

    double screen_width() const { return screen_w_; }
    double screen_height() const { return screen_h_; }
    void set_screen_size(double w, double h) { screen_w_ = w; screen_h_ = h; }

    // Window state of the host as the automation interface reports it.
    bool visible = true;
    int window_state = 1;
    std::string last_activated_caption;
    std::string caption() const;

    // Where the cursor is over the active drawing (the drawing window follows the mouse, a
    // scenario sets it): the direction of a distance typed along a rubber band.
    std::optional<Point> cursor;
    // A snap typed at a point prompt ("END"), for the next point only; -1 when none waits.
    int snap_override = -1;

    // Called after every change a view must redraw for (set by the drawing window).
    std::function<void()> on_changed;
    void changed() { if (on_changed) on_changed(); }
    // Called when another drawing became the active one, or the active one was closed: what the
    // forms remember by handle belonged to the drawing that was active.
    std::function<void()> on_active_drawing_changed;

private:
    InputSource* input_;
    Transcript* transcript_;
    bool running_ = false;
    std::vector<std::unique_ptr<HostDocument>> docs_;
    size_t active_ = 0;
    HostError err_;
    double screen_w_ = 1600, screen_h_ = 900;
    std::unique_ptr<CommandInterpreter> interpreter_;
    ApplicationPtr app_;
    int untitled_counter_ = 0;
    HostDocument* last_active_ = nullptr;
    void active_checked();
};

}  // namespace korvane::host
