#include "panel/fck.h"

#include "panel/workspace.h"

namespace korvane::panel {

using common::ControlKind;

FCK::FCK(Workspace& ws) : FormModel("FCK"), ws_(ws) {
    visible = false;
    add("FCK_Getfoldername", ControlKind::Menu, "目录");
    for (int k = 1; k <= 3; ++k) add("FCK_GetfoldernameAt" + std::to_string(k), ControlKind::MenuItem, "...").parent = "FCK_Getfoldername";
    add("FCK_GetfoldernameAt4", ControlKind::MenuItem, "选择其它...").parent = "FCK_Getfoldername";
    add("FCK_STSZ", ControlKind::Menu, "实体选择");
    auto& jpg = add("FCK_STSZ_jpgfiles", ControlKind::MenuItem, "图像格式[JPG]");
    jpg.parent = "FCK_STSZ";
    jpg.checked = true;
    add("FCK_STSZ_tiffiles", ControlKind::MenuItem, "图像格式[TIF]").parent = "FCK_STSZ";
    // Entries whose behaviour comes later stay disabled until then.
    for (auto& c : controls())
        if (c->kind == ControlKind::MenuItem) c->enabled = false;
}

}  // namespace korvane::panel
