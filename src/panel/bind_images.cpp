#include "mapping/image_insert.h"
#include "mapping/tile_names.h"
#include "panel/bindings.h"
#include "panel/fck.h"
#include "panel/image_align.h"
#include "panel/image_tiles.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"
#include "tools/image_settings.h"

namespace korvane::panel {

namespace {

// The tile directory and the extension the format entries chose, as they stand now.
mapping::TileSource tiles(Workspace& ws) { return mapping::tile_source(ws.ui().settings(), ws.fck().jpg_checked()); }

tools::DirectoryMenuView directory_view(FCK& menus, Workspace& ws) {
    tools::DirectoryMenuView view;
    view.set_entry = [&menus](int k, const std::string& caption) {
        common::Control& entry = menus.directory_entry(k);
        entry.text = caption;
        menus.changed(entry);
    };
    view.set_title = [&ws](const std::string& path) {
        if (auto* panel = static_cast<MaiFrm*>(ws.form("MaiFrm"))) panel->set_title_directory(path);
    };
    view.directory_chosen = [&ws](const std::string& path) {
        if (ws.on_image_directory_changed) ws.on_image_directory_changed(path);
    };
    return view;
}

void check_format(FCK& menus, bool jpg) {
    for (auto [name, on] : {std::pair{"FCK_STSZ_jpgfiles", jpg}, std::pair{"FCK_STSZ_tiffiles", !jpg}}) {
        common::Control& entry = menus.control(name);
        entry.checked = on;
        menus.changed(entry);
    }
}

}  // namespace

void bind_image_buttons(MaiFrm& panel, Workspace& ws) {
    host::Session& s = ws.session();
    panel.bind_button(1, [&ws, &s] { insert_tile_at_points(s, tiles(ws)); });
    panel.bind_button(2, [&s] { send_images_to_back(s); });
    panel.bind_button(4, [&ws, &s] { copy_listed_tiles(s, tiles(ws).extension); });
    panel.bind_button(5, [&s] { remove_all_images(s); });
    panel.bind_button(9, [&s] { align_image(s); });
    // Image files dropped on the panel or on the insert-tile button.
    auto dropped = [&s](const std::vector<std::string>& files) { insert_dropped_file(s, files); };
    panel.on_drop = dropped;
    panel.control("Picture1(1)").on_drop = dropped;
}

void bind_image_menus(FCK& menus, Workspace& ws) {
    for (int k = 1; k <= 3; ++k)
        menus.bind("FCK_GetfoldernameAt" + std::to_string(k), [&menus, &ws, k] {
            tools::choose_remembered_directory(ws.ui(), menus.directory_entry(k).text, directory_view(menus, ws));
        });
    menus.bind("FCK_GetfoldernameAt4", [&menus, &ws] { tools::choose_other_directory(ws.ui(), directory_view(menus, ws)); });
    menus.bind("FCK_STSZ_jpgfiles", [&menus] { check_format(menus, true); });
    menus.bind("FCK_STSZ_tiffiles", [&menus] { check_format(menus, false); });
    host::Session& s = ws.session();
    menus.bind("FCK_STSZ_dandianfs", [&s] { tools::set_point_display(s); });
    menus.bind("FCK_STSZ_duihuakuangfs", [&s] { tools::switch_file_dialogs_on(s); });
    menus.bind("FCK_STSZ_tuxiangbiankuang", [&s] { tools::ask_image_frame(s); });
    menus.bind("FCK_STSZ_tuxiangcaijian", [&s] { tools::clip_image_to_polyline(s); });
    menus.bind("FCK_YXCR_anxuliewenjian", [&ws, &s] { mapping::insert_tiles_from_list(s, tiles(ws)); });
    menus.bind("FCK_YXCR_tushangzhidingfanwei", [&ws, &s] { mapping::insert_tiles_in_range(s, tiles(ws)); });
}

}  // namespace korvane::panel
