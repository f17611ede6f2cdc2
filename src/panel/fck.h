#pragma once
// The hidden menu form: its pop-up menus hang off the panel's picture buttons.
#include "common/form_model.h"

namespace korvane::panel {

class Workspace;

class FCK : public common::FormModel {
public:
    explicit FCK(Workspace& ws);
    // The image-directory entries 1..3 (remembered directories) and 4 ("选择其它...").
    common::Control& directory_entry(int k) { return control("FCK_GetfoldernameAt" + std::to_string(k)); }
    bool jpg_checked() { return control("FCK_STSZ_jpgfiles").checked; }

private:
    Workspace& ws_;
};

}  // namespace korvane::panel
