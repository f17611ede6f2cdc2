#include "panel/fck.h"

#include "panel/bindings.h"
#include "panel/workspace.h"

namespace korvane::panel {

using common::Control;
using common::ControlKind;

namespace {

// One line of a menu's layout: an entry (control name and caption), a submenu (its entries
// follow up to the matching End), or a separator line.
struct Line {
    enum Kind { Entry, Sub, End, Sep } kind;
    const char* name;
    const char* caption;
};

constexpr Line E(const char* name, const char* caption) { return {Line::Entry, name, caption}; }
constexpr Line S(const char* name, const char* caption) { return {Line::Sub, name, caption}; }
constexpr Line kEnd{Line::End, nullptr, nullptr};
constexpr Line kSep{Line::Sep, nullptr, nullptr};

// The image-directory menu.
const Line kDirectoryMenu[] = {
    E("FCK_GetfoldernameAt1", "..."),
    E("FCK_GetfoldernameAt2", "..."),
    E("FCK_GetfoldernameAt3", "..."),
    E("FCK_GetfoldernameAt4", "选择其它..."),
};

// The tools menu.
const Line kToolsMenu[] = {
    S("FCK_STSZ_select", "实体选择"),
    E("FCK_STSZ_bianmia", "编  码"),
    E("FCK_STSZ_Tmddx", "多段线"),
    E("FCK_STSZ_ZHIxian", "直  线"),
    E("FCK_STSZ_wenzhi", "文  字"),
    E("FCK_STSZ_tukuai", "图  块"),
    E("FCK_STSZ_yanse", "颜  色"),
    E("FCK_STSZ_dandian", "单  点"),
    E("FCK_STSZ_tucheng", "图  层"),
    kEnd,
    kSep,
    E("FCK_STSZ_tuxiangbiankuang", "图像边框显示设定"),
    E("FCK_STSZ_tuxiangcaijian", "图像裁剪"),
    E("FCK_STSZ_duihuakuangfs", "设定CAD对话框"),
    kSep,
    E("FCK_STSZ_kuozhanshuxing", "显示扩展属性"),
    E("FCK_STSZ_dandianfs", "改变点显示"),
    E("FCK_STSZ_shuchudianweishuxing", "输出点位说明"),
    kSep,
    E("FCK_SXSZ_shitibiaoji", "标记CAD实体"),
    E("FCK_STSZ_tufubianhao", "图面图幅编号"),
    E("FCK_STSZ_duiqibujudayin", "对齐布局【打印】"),
    kSep,
    E("FCK_STSZ_JianChaxiancfd", "检查线重复点"),
    E("FCK_STSZ_BiaoSizongdidao", "标识宗地岛"),
    kSep,
    E("FCK_shujuchuli_xiugaixiankuandu", "修改线宽度"),
    E("FCK_shujuchuli_duobianxing", "绘正四边形"),
    kSep,
    E("FCK_STSZ_jpgfiles", "图像格式[JPG]"),
    E("FCK_STSZ_tiffiles", "图像格式[TIF]"),
};

// The image-insertion menu.
const Line kInsertMenu[] = {
    E("FCK_YXCR_anxuliewenjian", "按序列文件"),
    E("FCK_YXCR_tushangzhidingfanwei", "图上指定范围"),
};

// The data-processing menu.
const Line kProcessMenu[] = {
    S("FCK_shujuchuli_xuanzedcjx", "选择调查界线"),
    E("FCK_YXCR_anxiangzhen", "按乡镇"),
    E("FCK_YXCR_anxiangzhencun", "按行政村"),
    E("FCK_YXCR_txzjx", "按小组"),
    kEnd,
    S("FCK_shujuchuli_gongshitu", "制作公示图"),
    E("FCK_YXCR_huibiankuangxian", "绘610图框"),
    E("FCK_YXCR_huibiankuangxian910", "绘910图框"),
    E("FCK_YXCR_charutukuang", "插入图框"),
    kEnd,
    S("FCK_shujuchuli_zongditu", "制作宗地图"),
    E("FCK_YXCR_huibiankuangzdt", "绘A3图框"),
    E("FCK_YXCR_huibiankuangzdtA4", "绘A4图框"),
    E("FCK_YXCR_charutkA3", "宗地图框"),
    kEnd,
    E("FCK_YXCR_Xiugaiqita", "修改其它"),
    S("FCK_shujuchuli_zhuji", "注记"),
    E("FCK_YXCR_zhujizdneiyong_zzmc2", "组织名称[1中心公式]"),
    E("FCK_YXCR_zhujizdneiyong_zzmc", "组织名称[2外围中心]"),
    kEnd,
    E("FCK_YXCR_piliangxiugaijzd", "批量修改界址点、四至"),
    E("FCK_YXCR_chakanjiezhidian", "批量查看点位"),
    E("FCK_YXCR_piliangtiqujiexian", "批量提取界线"),
    E("FCK_YXCR_jianchayijian", "检查与修改"),
    E("FCK_YXCR_zidongjiancha", "自动检查"),
    kSep,
    E("FCK_YXCR_gstjiarutuxiang", "补加图像"),
    E("FCK_YXCR_shuchujiaohuanwj", "输出交换文件[ArcGis]"),
    E("FCK_YXCR_shuchuGIStuceng", "输出GIS图层"),
};

}  // namespace

const char* const FCK::kMenus[4] = {"FCK_Getfoldername", "FCK_YXCR", "FCK_STSZ", "FCK_shujuchuli"};

FCK::FCK(Workspace& ws) : FormModel("FCK"), ws_(ws) {
    visible = false;
    int separators = 0;
    auto build = [&](const char* menu, const char* caption, const auto& lines) {
        add(menu, ControlKind::Menu, caption);
        std::vector<std::string> parents{menu};
        for (const Line& l : lines) {
            switch (l.kind) {
                case Line::Entry: add(l.name, ControlKind::MenuItem, l.caption).parent = parents.back(); break;
                case Line::Sub:
                    add(l.name, ControlKind::Menu, l.caption).parent = parents.back();
                    parents.push_back(l.name);
                    break;
                case Line::End: parents.pop_back(); break;
                case Line::Sep: {
                    Control& c = add(std::string(menu) + "_sep" + std::to_string(++separators), ControlKind::MenuItem, "-");
                    c.parent = parents.back();
                    c.separator = true;
                    break;
                }
            }
        }
    };
    build(kMenus[0], "目录", kDirectoryMenu);
    build(kMenus[1], "影像插入", kInsertMenu);
    build(kMenus[2], "实体选择", kToolsMenu);
    build(kMenus[3], "处理", kProcessMenu);
    control("FCK_STSZ_jpgfiles").checked = true;
    // Entries without a command stay disabled; each area binds its own.
    for (auto& c : controls())
        if (c->kind == ControlKind::MenuItem && !c->separator) c->enabled = false;
    bind_image_menus(*this, ws_);
    bind_tools_menu(*this, ws_);
    bind_processing_menu(*this, ws_);
    bind_map_menu(*this, ws_);
    bind_gis_menu(*this, ws_);
}

void FCK::bind(const std::string& entry, std::function<void()> command) {
    Control& c = control(entry);
    c.on_click = std::move(command);
    c.enabled = true;
}

std::vector<const Control*> FCK::entries(const std::string& menu) const {
    std::vector<const Control*> out;
    for (const auto& c : controls())
        if (c->parent == menu) out.push_back(c.get());
    return out;
}

}  // namespace korvane::panel
