// IMAGECLIP, -IMAGE and DRAWORDER.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <set>

#include "drawing/draw_order.h"
#include "drawing/entity.h"
#include "drawing/image.h"
#include "host/commands.h"
#include "host/host_services.h"
#include "host/command_text.h"

namespace korvane::host {

namespace {

using drawing::kNoRecord;
using drawing::RecordId;

bool near(const Point& a, const Point& b) { return std::fabs(a.x - b.x) < 1e-9 && std::fabs(a.y - b.y) < 1e-9; }

// Polygon vertices as typed: repeated points and a closing copy of the first dropped.
std::vector<drawing::Point3> clean_polygon(const std::vector<Point>& pts) {
    std::vector<Point> out;
    for (const Point& p : pts)
        if (out.empty() || !near(out.back(), p)) out.push_back(p);
    while (out.size() > 1 && near(out.front(), out.back())) out.pop_back();
    std::vector<drawing::Point3> world;
    for (const Point& p : out) world.push_back({p.x, p.y, 0});
    return world;
}

void attach_image(CommandContext& c) {
    Answer f = c.ask("输入要附着的图像文件名:", Accept::line());
    if (f.kind != Answer::Text) return;
    std::string file = unquote(f.text);
    Answer at = c.ask("指定插入点 <0,0>:", Accept::points());
    if (at.cancel()) return;
    Point ins = at.kind == Answer::Point ? at.point : Point{};
    auto scale = c.ask_real("指定缩放比例因子 <1>:", 1, true);
    if (!scale) return;
    auto rot = c.ask_real("指定旋转角度 <0>:", 0);
    if (!rot) return;
    std::string error;
    RecordId id =
        add_raster(c.dwg(), file, {ins.x, ins.y, ins.z}, *scale, *rot * std::numbers::pi / 180, c.current_layer(), error);
    if (id == kNoRecord) c.print("无法附着图像: " + error);
}

}  // namespace

void cmd_imageclip(CommandContext& c) {
    auto picked = c.pick_one("选择要剪裁的图像:");
    if (!picked) return;
    RecordId image = *picked;
    if (image == kNoRecord) return;
    if (c.dwg().type(image) != "IMAGE") {
        c.print("所选对象不是图像。");
        return;
    }
    static const std::vector<std::string> kOptions = {"ON", "OFF", "Delete", "New"};
    Answer opt = c.ask("输入图像剪裁选项 [开(ON)/关(OFF)/删除(D)/新边界(N)] <新边界>:", Accept::words(kOptions));
    if (opt.cancel()) return;
    drawing::Entity e(c.dwg(), image);
    if (opt.is(0) || opt.is(1)) {
        e.set_integer(280, opt.is(0) ? 1 : 0);
        return;
    }
    if (opt.is(2)) {
        drawing::clear_image_clip(c.dwg(), image);
        return;
    }
    // A new boundary replaces the old one without asking.
    Answer type = c.ask("输入剪裁类型 [多边形(P)/矩形(R)] <矩形>:", Accept::words({"Polygonal", "Rectangular"}));
    if (type.cancel()) return;
    std::vector<Point> pts;
    if (type.is(0)) {
        Answer first = c.ask("指定第一点:", Accept::points());
        if (first.kind != Answer::Point) return;
        pts.push_back(first.point);
        while (true) {
            std::string prompt = pts.size() >= 3 ? "指定下一点或 [闭合(C)/放弃(U)]:" : "指定下一点或 [放弃(U)]:";
            Answer next = c.ask(prompt, Accept::points().with({"Close", "Undo"}));
            if (next.cancel()) return;
            if (next.enter() || next.is(0)) break;
            if (next.is(1)) {
                if (pts.size() > 1) pts.pop_back();
                continue;
            }
            pts.push_back(next.point);
        }
        auto world = clean_polygon(pts);
        if (world.size() < 3) {
            c.print("剪裁边界至少需要三个不同的点。");
            return;
        }
        if (!drawing::set_image_clip(c.dwg(), image, world)) c.print("无法剪裁该图像。");
        return;
    }
    Answer a = c.ask("指定第一个角点:", Accept::points());
    if (a.kind != Answer::Point) return;
    Answer b = c.ask("指定对角点:", Accept::points());
    if (b.kind != Answer::Point) return;
    if (!drawing::set_image_clip(c.dwg(), image, {{a.point.x, a.point.y, 0}, {b.point.x, b.point.y, 0}}))
        c.print("无法剪裁该图像。");
}

void cmd_image(CommandContext& c) {
    static const std::vector<std::string> kOptions = {"?", "Detach", "Path", "Reload", "Unload", "Attach"};
    enum { kList, kDetach, kPath, kReload, kUnload, kAttach };
    Answer opt = c.ask("输入图像选项 [?/分离(D)/路径(P)/重载(R)/卸载(U)/附着(A)] <附着>:", Accept::words(kOptions));
    if (opt.cancel()) return;
    if (opt.enter() || opt.is(kAttach)) {
        attach_image(c);
        return;
    }
    drawing::Document& d = c.dwg();
    Answer names = c.ask(opt.is(kDetach) ? "输入要分离的图像:" : "输入图像名 <*>:", Accept::line());
    if (names.cancel()) return;
    std::string pattern = names.enter() ? (opt.is(kDetach) ? "" : "*") : trim(names.text);
    if (pattern.empty()) return;
    std::vector<drawing::ImageDefInfo> defs;
    for (const auto& def : drawing::image_defs(d))
        if (wildcard_list_match(pattern, def.name)) defs.push_back(def);
    if (defs.empty()) {
        c.print("未找到图像 \"" + pattern + "\"。");
        return;
    }
    switch (opt.keyword) {
        case kList:
            c.print("图像名        路径        使用数");
            for (const auto& def : defs)
                c.print(def.name + "  " + def.file + "  " + std::to_string(drawing::images_using(d, def.id).size()));
            break;
        case kDetach:
            for (const auto& def : defs) {
                int n = drawing::detach_image_def(d, def.name);
                if (n >= 0) c.print("已分离图像 \"" + def.name + "\" (" + std::to_string(n) + " 个图像对象)。");
            }
            break;
        case kPath: {
            for (const auto& def : defs) {
                c.print("图像 \"" + def.name + "\" 的旧路径: " + def.file);
                Answer p = c.ask("输入新路径:", Accept::line());
                if (p.cancel()) return;
                if (p.enter()) continue;
                drawing::Entity(d, def.id).set_text_of(1, unquote(p.text));
            }
            break;
        }
        case kReload:
        case kUnload:
            for (const auto& def : defs) drawing::Entity(d, def.id).set_integer(280, opt.is(kReload) ? 1 : 0);
            break;
    }
}

void cmd_draworder(CommandContext& c) {
    auto selection = c.select_objects();
    if (!selection) return;
    static const std::vector<std::string> kOptions = {"Above", "Under", "Front", "Back"};
    enum { kAbove, kUnder, kFront, kBack };
    Answer opt = c.ask("输入对象排序选项 [对象上(A)/对象下(U)/最前(F)/最后(B)] <最后>:", Accept::words(kOptions));
    if (opt.cancel()) return;
    int mode = opt.enter() ? kBack : opt.keyword;
    std::vector<RecordId> reference;
    if (mode == kAbove || mode == kUnder) {
        auto ref = c.select_objects("选择参照对象:");
        if (!ref) return;
        reference = *ref;
        if (reference.empty()) return;
    }
    if (selection->empty()) return;

    std::set<RecordId> moving(selection->begin(), selection->end());
    std::vector<RecordId> items = drawing::draw_order(c.dwg());
    // The moved entities keep their order among themselves (drawing order).
    std::vector<RecordId> moved, rest;
    for (RecordId id : items) (moving.count(id) ? moved : rest).push_back(id);
    if (moved.empty()) return;
    std::vector<RecordId> order;
    switch (mode) {
        case kBack:
            order = moved;
            order.insert(order.end(), rest.begin(), rest.end());
            break;
        case kFront:
            order = rest;
            order.insert(order.end(), moved.begin(), moved.end());
            break;
        default: {
            std::set<RecordId> refs(reference.begin(), reference.end());
            // Above: right after the topmost reference; under: right before the lowest one.
            long at = -1;
            for (size_t i = 0; i < rest.size(); ++i)
                if (refs.count(rest[i])) {
                    if (mode == kAbove) at = long(i) + 1;
                    else if (at < 0) at = long(i);
                }
            if (at < 0) {
                c.print("参照对象不能是要排序的对象。");
                return;
            }
            order.assign(rest.begin(), rest.begin() + at);
            order.insert(order.end(), moved.begin(), moved.end());
            order.insert(order.end(), rest.begin() + at, rest.end());
            break;
        }
    }
    if (order == items) return;
    drawing::set_draw_order(c.dwg(), order);
}

}  // namespace korvane::host
