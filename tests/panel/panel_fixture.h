#pragma once
// The panel's forms over a headless host, a recording UI and settings in memory.
#include <gtest/gtest.h>

#include "../common/temp_dir.h"
#include "common/recording_ui.h"
#include "common/settings.h"
#include "drawing/create.h"
#include "host/embedded_host.h"
#include "panel/fck.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"

namespace korvane::panel::testing {

class PanelFixture : public ::testing::Test {
protected:
    test::TempDir data;
    host::ScriptInput input;
    host::RecordingTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    common::MemorySettings settings;
    common::FixedClock clock{common::LocalTime{2026, 12, 6, 10, 0, 0}};
    common::RecordingUi ui{settings, common::Paths{data.path(), data.path() / "out"}};
    Workspace ws{host, ui};

    void SetUp() override { ui.set_clock(&clock); }
    host::HostDocument& drawing() {
        if (!host.active()) host.new_document();
        return *host.active();
    }
};

}  // namespace korvane::panel::testing
