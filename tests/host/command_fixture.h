#pragma once
// A headless host with one drawing, for driving the command line with the texts
// the tools send.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../common/temp_dir.h"
#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "host/command_interpreter.h"
#include "host/embedded_host.h"
#include "host/input_source.h"
#include "host/system_variables.h"

namespace korvane::host::testing {

// Answers queued in advance, with every request kept for inspection.
class RecordingInput : public InputSource {
public:
    std::optional<InputAnswer> next(const InputRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        InputAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void text(std::string t) { answers.push_back(InputAnswer::typed(std::move(t))); }
    void point(double x, double y) { answers.push_back(InputAnswer::at({x, y, 0})); }
    void real(double v) { answers.push_back(InputAnswer::number(v)); }
    void entity(std::string handle) { answers.push_back(InputAnswer::entity(std::move(handle))); }
    void select(std::vector<std::string> handles) { answers.push_back(InputAnswer::selection(std::move(handles))); }
    void window(Point a1, Point a2, bool crossing) { answers.push_back(InputAnswer::window(a1, a2, crossing)); }
    void enter() { answers.push_back(InputAnswer::enter()); }
    void cancel() { answers.push_back(InputAnswer::cancel()); }

    std::deque<InputAnswer> answers;
    std::vector<InputRequest> requests;
};

class CommandFixture : public ::testing::Test {
protected:
    RecordingInput input;
    RecordingTranscript transcript;
    EmbeddedHost host{input, transcript};
    HostDocument* hd = nullptr;
    int redraws = 0;

    void SetUp() override {
        hd = &host.new_document();
        host.on_changed = [this] { ++redraws; };
    }

    drawing::Document& d() { return hd->doc(); }
    void send(const std::string& text) { host.interpreter().send(*hd, text); }

    std::string handle(drawing::RecordId id) { return drawing::Entity(d(), id).handle_text(); }
    static std::string handent(const std::string& h) { return "(handent \"" + h + "\")"; }
    std::vector<drawing::RecordId> modelspace() { return d().modelspace(); }
    drawing::RecordId last() {
        auto ms = modelspace();
        return ms.empty() ? drawing::kNoRecord : ms.back();
    }
    Value var(const std::string& name) { return get_system_variable(*hd, host, name); }

    drawing::RecordId square(double x, double y, double size, const char* layer = "0") {
        return drawing::add_lwpolyline(d(), {{x, y, 0}, {x + size, y, 0}, {x + size, y + size, 0}, {x, y + size, 0}},
                                       true, layer);
    }

    bool printed(const std::string& fragment) const { return transcript.contains(fragment); }
    std::string all_lines() const {
        std::string s;
        for (const auto& l : transcript.lines()) s += l + "\n";
        return s;
    }

    // A folder of its own under the system's temporary folder, removed afterwards.
    const std::filesystem::path& temp_dir() { return dir_.path(); }

private:
    test::TempDir dir_;
};

}  // namespace korvane::host::testing
