#pragma once
// A headless host with a recording UI over fresh data and output folders (dir/data, dir/out),
// settings in memory and a fixed clock: what the tools' tests drive. source() names a file of
// the repository.
#include <gtest/gtest.h>

#include <string>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/command_frame.h"
#include "host/embedded_host.h"
#include "temp_dir.h"

namespace korvane::test {

class HostedTest : public ::testing::Test {
protected:
    TempDir dir;
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    common::MemorySettings settings;
    common::FixedClock clock{common::LocalTime{2026, 12, 6, 10, 0, 0}};
    common::RecordingUi ui{settings, common::Paths{dir / "data", dir / "out"}};
    host::Session session{host, ui, nullptr};

    void SetUp() override {
        ui.set_clock(&clock);
        ui.paths().create_directories();
    }
    static std::string source(const std::string& path) { return std::string(KORVANE_SOURCE_DIR) + "/" + path; }
};

}  // namespace korvane::test
