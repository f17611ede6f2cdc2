#pragma once
// Where each area of the program hangs its commands on the panel's picture buttons and on the
// entries of the menu form. Each area keeps its bindings in a file of its own, so that adding
// a command touches only that area's file.
namespace korvane::panel {

class FCK;
class MaiFrm;
class Workspace;

// Image tiles: the panel's image buttons, the menus "目录" and "影像插入", the image entries of
// the tools menu (bind_images.cpp).
void bind_image_buttons(MaiFrm& panel, Workspace& ws);
void bind_image_menus(FCK& menus, Workspace& ws);
// The panel's drawing utilities and the tools menu "实体选择" (bind_utilities.cpp).
void bind_utility_buttons(MaiFrm& panel, Workspace& ws);
void bind_tools_menu(FCK& menus, Workspace& ws);
// The "处理" menu: selections by area code and the checking and batch forms (bind_processing.cpp).
void bind_processing_menu(FCK& menus, Workspace& ws);
// The "处理" menu: map frames and organisation labels (bind_maps.cpp).
void bind_map_menu(FCK& menus, Workspace& ws);
// The "处理" menu: the exchange table and GIS layers (bind_gis.cpp).
void bind_gis_menu(FCK& menus, Workspace& ws);

}  // namespace korvane::panel
