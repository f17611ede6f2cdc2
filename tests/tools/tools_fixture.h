#pragma once
// The tools menu over a headless host with the test drawing tests/data/utilities.dxf (written by
// ezdxf; make_utilities.py lists its handles), a recording UI and fresh data and output folders.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "../common/temp_dir.h"
#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/embedded_host.h"
#include "panel/fck.h"
#include "panel/workspace.h"

namespace korvane::tools::testing {

class ToolsFixture : public ::testing::Test {
protected:
    test::TempDir dir;
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
    void click(const std::string& entry) { ws.fck().click(entry); }
    host::DocumentPtr doc() { return host.application()->ActiveDocument(); }
    host::EntityPtr entity(const std::string& handle) { return doc()->HandleToObject(handle); }
    // The handles in the selection set "text".
    std::set<std::string> members() {
        std::set<std::string> out;
        host::SelectionSetPtr s = doc()->SelectionSets()->Item("text");
        for (long i = 0; s && i < s->Count(); ++i) out.insert(s->Item(i)->Handle());
        return out;
    }
};

}  // namespace korvane::tools::testing
