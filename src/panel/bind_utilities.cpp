#include "panel/bindings.h"
#include "panel/fck.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"

namespace korvane::panel {

void bind_utility_buttons(MaiFrm& panel, Workspace& ws) {}
void bind_tools_menu(FCK& menus, Workspace& ws) {}

}  // namespace korvane::panel
