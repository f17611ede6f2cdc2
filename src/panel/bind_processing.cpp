#include "checks/auto_check.h"
#include "checks/zljc.h"
#include "mapping/area_selection.h"
#include "panel/bindings.h"
#include "panel/fck.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"

namespace korvane::panel {

void bind_processing_menu(FCK& menus, Workspace& ws) {
    menus.bind("FCK_YXCR_anxiangzhen", [&ws] { mapping::select_by_township(ws.session()); });
    menus.bind("FCK_YXCR_anxiangzhencun", [&ws] { mapping::select_by_village(ws.session()); });
    menus.bind("FCK_YXCR_txzjx", [&ws] { mapping::select_by_group(ws.session()); });
    menus.bind("FCK_YXCR_Xiugaiqita", [&ws] { mapping::copy_holder_to_text(ws.session()); });
    // The checking and batch forms open level with the panel at the screen's right edge; an
    // open one is moved there and shown again. None of them needs the host to open.
    const std::pair<const char*, const char*> forms[] = {
        {"FCK_YXCR_piliangxiugaijzd", "XG_JZ"},
        {"FCK_YXCR_chakanjiezhidian", "dwsx"},
        {"FCK_YXCR_piliangtiqujiexian", "JxGL"},
        {"FCK_YXCR_jianchayijian", "ZLJC"},
    };
    for (const auto& [entry, form] : forms) menus.bind(entry, [&ws, form = std::string(form)] { ws.show_form(form); });
    // The automatic check writes its findings into the quality-check list, opened when needed.
    menus.bind("FCK_YXCR_zidongjiancha", [&ws] {
        checks::auto_check(ws.session(), [&ws]() -> checks::ZLJC& { return static_cast<checks::ZLJC&>(ws.show_form("ZLJC")); });
    });
}

}  // namespace korvane::panel
