#include "gis/exchange_table.h"
#include "gis/gis_layers.h"
#include "panel/bindings.h"
#include "panel/fck.h"
#include "panel/workspace.h"

namespace korvane::panel {

void bind_gis_menu(FCK& menus, Workspace& ws) {
    menus.bind("FCK_YXCR_shuchujiaohuanwj", [&ws] { gis::write_exchange_table(ws.session()); });
    menus.bind("FCK_YXCR_shuchuGIStuceng", [&ws] { gis::write_gis_layers(ws.session()); });
}

}  // namespace korvane::panel
