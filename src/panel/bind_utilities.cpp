#include <memory>

#include "panel/bindings.h"
#include "panel/fck.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"
#include "tools/drawing_aids.h"
#include "tools/duplicate_points.h"
#include "tools/entity_marking.h"
#include "tools/entity_selection.h"
#include "tools/map_sheets.h"
#include "tools/parcel_islands.h"
#include "tools/point_report.h"
#include "tools/show_layer.h"
#include "tools/temp_drawing.h"
#include "tools/view_window.h"
#include "tools/xdata_display.h"

namespace korvane::panel {

void bind_utility_buttons(MaiFrm& panel, Workspace& ws) {
    // The view window of the last write is kept for the insert as long as the panel lives.
    auto temp = std::make_shared<tools::TempDrawingState>();
    host::Session& s = ws.session();
    panel.bind_button(6, [&s, temp] { tools::write_temp_drawing(s, *temp); });
    panel.bind_button(7, [&s, temp] { tools::insert_temp_drawing(s, *temp); });
    panel.bind_button(8, [&s] { tools::show_only_picked_layer(s); });
    panel.bind_button(10, [&s] { tools::select_by_code(s); });
    panel.bind_button(11, [&s] { tools::show_extended_data_box(s); });
    panel.bind_button(12, [&s] { tools::same_window_in_all_drawings(s); });
}

void bind_tools_menu(FCK& menus, Workspace& ws) {
    host::Session& s = ws.session();
    menus.bind("FCK_STSZ_bianmia", [&s] { tools::select_by_code(s); });
    const std::pair<const char*, const char*> by_type[] = {
        {"FCK_STSZ_Tmddx", tools::kPolylineTypes}, {"FCK_STSZ_ZHIxian", tools::kLineType},
        {"FCK_STSZ_wenzhi", tools::kTextType},     {"FCK_STSZ_tukuai", tools::kBlockType},
        {"FCK_STSZ_dandian", tools::kPointType},
    };
    for (const auto& [entry, types] : by_type)
        menus.bind(entry, [&s, types = std::string(types)] { tools::select_by_type(s, types); });
    menus.bind("FCK_STSZ_yanse", [&s] { tools::select_by_colour(s); });
    menus.bind("FCK_STSZ_tucheng", [&s] { tools::select_by_layer(s); });

    menus.bind("FCK_STSZ_kuozhanshuxing", [&s] { tools::print_extended_data(s); });
    menus.bind("FCK_STSZ_shuchudianweishuxing", [&s] { tools::write_point_report(s); });
    menus.bind("FCK_SXSZ_shitibiaoji", [&s] { tools::mark_entities(s); });
    menus.bind("FCK_STSZ_tufubianhao", [&s] { tools::number_sheets(s); });
    menus.bind("FCK_STSZ_duiqibujudayin", [&s] { tools::align_layout(s); });
    menus.bind("FCK_STSZ_JianChaxiancfd", [&s] { tools::check_duplicate_points(s); });
    menus.bind("FCK_STSZ_BiaoSizongdidao", [&s] { tools::mark_parcel_islands(s); });
    menus.bind("FCK_shujuchuli_xiugaixiankuandu", [&s] { tools::change_line_width(s); });
    menus.bind("FCK_shujuchuli_duobianxing", [&s] { tools::draw_square(s); });
}

}  // namespace korvane::panel
