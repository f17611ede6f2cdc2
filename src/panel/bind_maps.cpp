#include "mapping/map_frames.h"
#include "mapping/org_labels.h"
#include "panel/bindings.h"
#include "panel/fck.h"
#include "panel/workspace.h"

namespace korvane::panel {

void bind_map_menu(FCK& menus, Workspace& ws) {
    host::Session& s = ws.session();
    auto tiles = [&ws] { return mapping::tile_source(ws.ui().settings(), ws.fck().jpg_checked()); };
    menus.bind("FCK_YXCR_huibiankuangxian", [&s] { mapping::draw_frame(s, mapping::kFrame610); });
    menus.bind("FCK_YXCR_huibiankuangxian910", [&s] { mapping::draw_frame(s, mapping::kFrame910); });
    menus.bind("FCK_YXCR_huibiankuangzdt", [&s] { mapping::draw_frame(s, mapping::kFrameA3); });
    menus.bind("FCK_YXCR_huibiankuangzdtA4", [&s] { mapping::draw_frame(s, mapping::kFrameA4); });
    menus.bind("FCK_YXCR_charutukuang", [&s, tiles] { mapping::fill_frame(s, tiles(), mapping::kNoticeTemplate); });
    menus.bind("FCK_YXCR_charutkA3", [&s, tiles] { mapping::fill_frame(s, tiles(), mapping::kParcelTemplate); });
    menus.bind("FCK_YXCR_gstjiarutuxiang", [&s, tiles] { mapping::fill_frame(s, tiles(), std::nullopt); });
    menus.bind("FCK_YXCR_zhujizdneiyong_zzmc2", [&s] { mapping::label_organisations(s, mapping::LabelEntry::Centroid); });
    menus.bind("FCK_YXCR_zhujizdneiyong_zzmc", [&s] { mapping::label_organisations(s, mapping::LabelEntry::BoxCentre); });
}

}  // namespace korvane::panel
