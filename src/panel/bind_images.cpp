#include "panel/bindings.h"
#include "panel/fck.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"

namespace korvane::panel {

void bind_image_buttons(MaiFrm& panel, Workspace& ws) {}
void bind_image_menus(FCK& menus, Workspace& ws) {}

}  // namespace korvane::panel
