#pragma once
// The panel's forms over a headless host, a recording UI and settings in memory.
#include "../common/hosted_test.h"
#include "drawing/create.h"
#include "panel/fck.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"

namespace korvane::panel::testing {

class PanelFixture : public test::HostedTest {
protected:
    Workspace ws{host, ui};

    host::HostDocument& drawing() {
        if (!host.active()) host.new_document();
        return *host.active();
    }
};

}  // namespace korvane::panel::testing
