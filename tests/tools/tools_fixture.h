#pragma once
// The tools menu over a headless host with the test drawing tests/data/utilities.dxf (written by
// ezdxf; make_utilities.py lists its handles), a recording UI and fresh data and output folders.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <string>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/embedded_host.h"
#include "panel/fck.h"
#include "panel/workspace.h"

namespace korvane::tools::testing {

class ToolsFixture : public ::testing::Test {
protected:
    std::filesystem::path dir = unique_dir();
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    common::MemorySettings settings;
    common::RecordingUi ui{settings, common::Paths{dir / "data", dir / "out"}};
    panel::Workspace ws{host, ui};

    void SetUp() override {
        ui.paths().create_directories();
        host.start();
        host.open(std::string(KORVANE_SOURCE_DIR) + "/tests/data/utilities.dxf");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void click(const std::string& entry) { ws.fck().click(entry); }
    host::DocumentPtr doc() { return host.application()->ActiveDocument(); }
    // The handles in the selection set of that name; nothing when there is no such set.
    std::optional<std::set<std::string>> members(const std::string& set = "text") {
        host::SelectionSetsPtr sets = doc()->SelectionSets();
        host::SelectionSetPtr s = sets->Item(set);
        if (!s) return std::nullopt;
        std::set<std::string> out;
        for (long i = 0; i < s->Count(); ++i) out.insert(s->Item(i)->Handle());
        return out;
    }
    host::EntityPtr entity(const std::string& handle) { return doc()->HandleToObject(handle); }

private:
    static std::filesystem::path unique_dir() {
        static std::atomic<int> counter{0};
        return std::filesystem::temp_directory_path() /
               ("korvane-tools-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    }
};

}  // namespace korvane::tools::testing
