#pragma once
// The hidden menu form: its pop-up menus hang off the panel's picture buttons.
//
// Four menus, each a Menu control with its entries (MenuItem controls, separators
// marked as such, submenus as Menu controls) parented to it in menu order:
//   FCK_Getfoldername "目录", FCK_YXCR "影像插入", FCK_STSZ "实体选择", FCK_shujuchuli "处理".
#include <functional>
#include <string>
#include <vector>

#include "common/form_model.h"

namespace korvane::panel {

class Workspace;

class FCK : public common::FormModel {
public:
    explicit FCK(Workspace& ws);
    // The four pop-up menus: image directory, image insertion, tools, data processing.
    static const char* const kMenus[4];
    // The image-directory entries 1..3 (remembered directories) and 4 ("选择其它...").
    common::Control& directory_entry(int k) { return control("FCK_GetfoldernameAt" + std::to_string(k)); }
    bool jpg_checked() { return control("FCK_STSZ_jpgfiles").checked; }
    // The entries, submenus and separators directly under a menu or submenu, in menu order.
    std::vector<const common::Control*> entries(const std::string& menu) const;
    // Hangs a command on an entry and enables it (entries without a command stay greyed out).
    void bind(const std::string& entry, std::function<void()> command);

private:
    Workspace& ws_;
};

}  // namespace korvane::panel
