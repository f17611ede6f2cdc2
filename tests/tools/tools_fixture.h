#pragma once
// The tools menu over a headless host with the test drawing tests/data/utilities.dxf (written by
// ezdxf; tools/fixtures/make_utilities.py lists its handles), a recording UI and fresh data and
// output folders.
#include <set>
#include <string>

#include "../common/hosted_test.h"
#include "panel/fck.h"
#include "panel/workspace.h"

namespace korvane::tools::testing {

class ToolsFixture : public test::HostedTest {
protected:
    panel::Workspace ws{host, ui};

    void SetUp() override {
        HostedTest::SetUp();
        host.start();
        host.open(source("tests/data/utilities.dxf"));
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
