// Commands that change what is drawn: ERASE, MOVE, COPY, ROTATE, SCALE, MIRROR, OFFSET,
// EXPLODE, JOIN, PEDIT and MATCHPROP. Every copy and every changed entity keeps its extended
// data; where a record cannot go along (an exploded polyline, the pieces joined onto another
// entity) the command line says so.
#include <cmath>
#include <numbers>

#include "drawing/block.h"
#include "drawing/create.h"
#include "drawing/edit.h"
#include "drawing/transform.h"
#include "host/commands_drafting.h"
#include "host/host_services.h"

namespace korvane::host {

namespace {

using drawing::RecordId;

constexpr double kPi = std::numbers::pi;

std::string count_text(size_t n) { return std::to_string(n); }

void report_untouched(CommandContext& c, size_t n, const char* what) {
    if (n) c.print(count_text(n) + " 个对象无法" + what + "。");
}

// The displacement of MOVE and COPY: a base point and a second point, or a typed displacement.
struct Displacement {
    Point base;
    bool by_vector = false;  // the base point itself is the displacement
};

std::optional<Displacement> ask_base(CommandContext& c, const std::string& prompt) {
    Answer a = c.ask(prompt, Accept::points().with({"Displacement"}));
    if (a.cancel()) return std::nullopt;
    if (a.kind == Answer::Point) return Displacement{a.point, false};
    // Enter or D: the displacement is typed.
    Answer d = c.ask("指定位移 <0.0000, 0.0000, 0.0000>:", Accept::points());
    if (d.kind != Answer::Point) return std::nullopt;
    return Displacement{d.point, true};
}

}  // namespace

// ---------------------------------------------------------------- ERASE

void cmd_erase(CommandContext& c) {
    auto ids = c.select_objects();
    if (!ids) return;
    for (RecordId id : *ids)
        if (c.doc.is_live_entity(id)) c.dwg().erase(id);
}

// ---------------------------------------------------------------- MOVE, COPY

void cmd_move(CommandContext& c) {
    auto ids = c.select_objects();
    if (!ids || ids->empty()) return;
    auto d = ask_base(c, "指定基点或 [位移(D)] <位移>:");
    if (!d) return;
    Point shift = d->base;
    if (!d->by_vector) {
        Answer b = c.ask("指定第二个点或 <使用第一个点作为位移>:", Accept::points().from(d->base));
        if (b.cancel()) return;
        if (b.kind == Answer::Point) shift = {b.point.x - d->base.x, b.point.y - d->base.y, b.point.z - d->base.z};
    }
    size_t untouched = 0;
    for (RecordId id : *ids)
        if (!drawing::move(drawing::Entity(c.dwg(), id), shift.x, shift.y, shift.z)) ++untouched;
    report_untouched(c, untouched, "移动");
}

void cmd_copy(CommandContext& c) {
    auto ids = c.select_objects();
    if (!ids || ids->empty()) return;
    c.print("当前设置:  复制模式 = 多个");
    auto d = ask_base(c, "指定基点或 [位移(D)] <位移>:");
    if (!d) return;
    auto place = [&](const Point& shift) {
        std::vector<RecordId> made;
        size_t untouched = 0;
        for (RecordId id : *ids) {
            RecordId copy = drawing::duplicate(c.dwg(), id);
            if (copy == drawing::kNoRecord) {
                ++untouched;
                continue;
            }
            drawing::move(drawing::Entity(c.dwg(), copy), shift.x, shift.y, shift.z);
            made.push_back(copy);
        }
        report_untouched(c, untouched, "复制");
        return made;
    };
    if (d->by_vector) {
        place(d->base);
        return;
    }
    std::vector<std::vector<RecordId>> placed;
    enum { kExit, kUndo };
    while (true) {
        // Each copy is placed from the base point: "@dx,dy" counts from there every time.
        c.state.last_point = d->base;
        Answer b = placed.empty()
                       ? c.ask("指定第二个点或 <使用第一个点作为位移>:", Accept::points().from(d->base))
                       : c.ask("指定第二个点或 [退出(E)/放弃(U)] <退出>:",
                               Accept::points().with({"Exit", "Undo"}).from(d->base));
        if (b.kind == Answer::Point) {
            placed.push_back(place({b.point.x - d->base.x, b.point.y - d->base.y, b.point.z - d->base.z}));
            continue;
        }
        if (b.kind == Answer::Keyword && b.keyword == kUndo) {
            for (RecordId id : placed.back()) c.dwg().erase(id);
            placed.pop_back();
            continue;
        }
        // Enter at the first second point: the base point is the displacement.
        if (b.enter() && placed.empty()) place(d->base);
        return;
    }
}

// ---------------------------------------------------------------- ROTATE, SCALE

void cmd_rotate(CommandContext& c) {
    c.print("UCS 当前的正角方向:  ANGDIR=逆时针  ANGBASE=0");
    auto ids = c.select_objects();
    if (!ids || ids->empty()) return;
    auto base = ask_point(c, "指定基点:");
    if (!base) return;
    enum { kCopy, kReference };
    bool copy = false;
    double degrees = 0;
    // An angle typed, or shown by a point seen from the base point.
    auto angle = [&](const std::string& prompt, double fallback, std::vector<std::string> kw = {}) -> std::optional<Answer> {
        Answer a = c.ask(prompt, length_or_point(*base).with(std::move(kw)));
        if (a.cancel()) return std::nullopt;
        if (a.enter()) {
            a.kind = Answer::Real;
            a.real = fallback;
        } else if (a.kind == Answer::Point) {
            a.kind = Answer::Real;
            a.real = std::atan2(a.point.y - base->y, a.point.x - base->x) * 180 / kPi;
        }
        return a;
    };
    while (true) {
        auto a = angle("指定旋转角度，或 [复制(C)/参照(R)] <0>:", 0, {"Copy", "Reference"});
        if (!a) return;
        if (a->kind == Answer::Keyword && a->keyword == kCopy) {
            copy = true;
            c.print("旋转一组选定对象。");
            continue;
        }
        if (a->kind == Answer::Keyword && a->keyword == kReference) {
            auto from = angle("指定参照角 <0>:", 0);
            if (!from) return;
            auto to = angle("指定新角度 <0>:", 0);
            if (!to) return;
            degrees = to->real - from->real;
        } else {
            degrees = a->real;
        }
        break;
    }
    size_t untouched = 0;
    for (RecordId id : *ids) {
        RecordId target = copy ? drawing::duplicate(c.dwg(), id) : id;
        if (target == drawing::kNoRecord ||
            !drawing::rotate(drawing::Entity(c.dwg(), target), to_point3(*base), degrees * kPi / 180))
            ++untouched;
    }
    report_untouched(c, untouched, "旋转");
}

void cmd_scale(CommandContext& c) {
    auto ids = c.select_objects();
    if (!ids || ids->empty()) return;
    auto base = ask_point(c, "指定基点:");
    if (!base) return;
    enum { kCopy, kReference };
    bool copy = false;
    double factor = 0;
    auto length = [&](const std::string& prompt, std::optional<double> fallback,
                      std::vector<std::string> kw = {}) -> std::optional<Answer> {
        while (true) {
            Answer a = c.ask(prompt, length_or_point(*base).with(kw));
            if (a.cancel()) return std::nullopt;
            if (a.enter() && !fallback) continue;
            if (a.enter()) a.kind = Answer::Real, a.real = *fallback;
            if (a.kind == Answer::Point) a.kind = Answer::Real, a.real = std::hypot(a.point.x - base->x, a.point.y - base->y);
            if (a.kind == Answer::Real && !(a.real > 0)) {
                c.print("值必须为正且非零。");
                continue;
            }
            return a;
        }
    };
    while (true) {
        auto a = length("指定比例因子或 [复制(C)/参照(R)]:", std::nullopt, {"Copy", "Reference"});
        if (!a) return;
        if (a->kind == Answer::Keyword && a->keyword == kCopy) {
            copy = true;
            c.print("缩放一组选定对象。");
            continue;
        }
        if (a->kind == Answer::Keyword && a->keyword == kReference) {
            auto from = length("指定参照长度 <1.0000>:", 1.0);
            if (!from) return;
            auto to = length("指定新的长度 <1.0000>:", 1.0);
            if (!to) return;
            factor = to->real / from->real;
        } else {
            factor = a->real;
        }
        break;
    }
    size_t untouched = 0;
    for (RecordId id : *ids) {
        RecordId target = copy ? drawing::duplicate(c.dwg(), id) : id;
        if (target == drawing::kNoRecord || !drawing::scale(drawing::Entity(c.dwg(), target), to_point3(*base), factor))
            ++untouched;
    }
    report_untouched(c, untouched, "缩放");
}

// ---------------------------------------------------------------- MIRROR

void cmd_mirror(CommandContext& c) {
    auto ids = c.select_objects();
    if (!ids || ids->empty()) return;
    auto a = ask_point(c, "指定镜像线的第一点:");
    if (!a) return;
    std::optional<Point> b;
    while (!b) {
        b = ask_point(c, "指定镜像线的第二点:", *a);
        if (!b) return;
        if (b->x == a->x && b->y == a->y) {
            c.print("镜像线的两点不能重合。");
            b.reset();
        }
    }
    auto erase = c.ask_yes_no("要删除源对象吗？[是(Y)/否(N)] <否>:", false);
    if (!erase) return;
    size_t untouched = 0;
    for (RecordId id : *ids) {
        RecordId target = *erase ? id : drawing::duplicate(c.dwg(), id);
        if (target == drawing::kNoRecord) {
            ++untouched;
            continue;
        }
        if (!drawing::mirror(drawing::Entity(c.dwg(), target), to_point2(*a), to_point2(*b))) {
            ++untouched;
            if (target != id) c.dwg().erase(target);
        }
    }
    report_untouched(c, untouched, "镜像");
}

// ---------------------------------------------------------------- OFFSET

void cmd_offset(CommandContext& c) {
    c.print("当前设置: 删除源=否  图层=源  OFFSETGAPTYPE=0");
    double& distance = c.state.offset_distance;
    enum { kThrough };
    while (true) {
        std::string fallback = distance > 0 ? format_length(distance) : "通过";
        Accept accept = Accept::reals().with({"Through"});
        accept.point = true;
        Answer a = c.ask("指定偏移距离或 [通过(T)] <" + fallback + ">:", accept);
        if (a.cancel()) return;
        if (a.kind == Answer::Point) {
            // Two points show the distance.
            auto b = ask_point(c, "指定第二点:", a.point);
            if (!b) return;
            a.kind = Answer::Real;
            a.real = std::hypot(b->x - a.point.x, b->y - a.point.y);
        }
        if (a.kind == Answer::Keyword) distance = -1;
        else if (a.kind == Answer::Real) {
            if (!(a.real > 0)) {
                c.print("值必须为正且非零。");
                continue;
            }
            distance = a.real;
        }
        break;
    }
    std::vector<RecordId> made;
    enum { kExit, kUndo };
    while (true) {
        Pick pick = pick_object(c, "选择要偏移的对象，或 [退出(E)/放弃(U)] <退出>:", {"Exit", "Undo"});
        if (pick.kind == Pick::Keyword && pick.keyword == kUndo) {
            if (!made.empty()) {
                c.dwg().erase(made.back());
                made.pop_back();
            }
            continue;
        }
        if (pick.kind != Pick::Object) return;
        Answer side = c.ask(distance > 0 ? "指定要偏移的那一侧上的点，或 [退出(E)] <退出>:"
                                         : "指定通过点或 [退出(E)] <退出>:",
                            Accept::points().with({"Exit"}));
        if (side.kind != Answer::Point) return;
        double d = distance;
        if (d <= 0) {
            // Through the point: the distance from the curve to it.
            auto curve = drawing::curve_of(c.dwg(), pick.id);
            if (curve) {
                drawing::Point2 p = to_point2(side.point), q = curve->at(curve->nearest(p));
                d = std::hypot(p.x - q.x, p.y - q.y);
            }
        }
        drawing::EditError why = drawing::EditError::None;
        RecordId copy = drawing::offset_entity(c.dwg(), pick.id, d, to_point2(side.point), &why);
        if (copy != drawing::kNoRecord) {
            made.push_back(copy);
            continue;
        }
        switch (why) {
            case drawing::EditError::NotACurve: c.print("无法偏移该对象。"); break;
            case drawing::EditError::OnTheCurve: c.print("点在对象上，无法确定偏移的一侧。"); break;
            default: c.print("偏移距离太大，无法偏移该对象。"); break;
        }
    }
}

// ---------------------------------------------------------------- EXPLODE

void cmd_explode(CommandContext& c) {
    auto ids = c.select_objects();
    if (!ids) return;
    size_t refused = 0, records_left = 0;
    for (RecordId id : *ids) {
        if (!c.doc.is_live_entity(id)) continue;
        std::string type(c.dwg().type(id));
        if (type == "INSERT") {
            bool record = drawing::EntityView(c.dwg(), id).xdata_start() < c.dwg().record(id).tags.size();
            if (drawing::explode_insert(c.dwg(), id).empty()) ++refused;
            else if (record) ++records_left;
            continue;
        }
        size_t left = 0;
        if (drawing::explode_curve(c.dwg(), id, &left).empty()) ++refused;
        records_left += left;
    }
    if (refused) c.print(count_text(refused) + " 个不能分解。");
    if (records_left)
        c.print("注意: " + count_text(records_left) + " 个对象的扩展数据未随分解保留（放弃可恢复）。");
}

// ---------------------------------------------------------------- JOIN

void cmd_join(CommandContext& c) {
    auto ids = c.select_objects("选择源对象或要一次合并的多个对象:");
    if (!ids || ids->empty()) return;
    if (ids->size() == 1) {
        auto more = c.select_objects("选择要合并的对象:");
        if (!more) return;
        ids->insert(ids->end(), more->begin(), more->end());
    }
    drawing::JoinResult r = drawing::join_curves(c.dwg(), *ids);
    switch (r.error) {
        case drawing::EditError::NotACurve: c.print("源对象无法合并。"); return;
        case drawing::EditError::Closed: c.print("源对象已闭合，无法合并。"); return;
        case drawing::EditError::NoCrossing: c.print("没有与源对象首尾相接的对象，未合并。"); return;
        default: break;
    }
    std::string line = "已将 " + count_text(r.merged.size()) + " 个对象合并到源对象";
    if (!r.left_out.empty()) line += "，" + count_text(r.left_out.size()) + " 个对象未合并";
    c.print(line + "。");
    if (r.records_dropped)
        c.print("注意: " + count_text(r.records_dropped) + " 个被合并对象的扩展数据未保留，合并后的多段线保留源对象的扩展数据。");
}

// ---------------------------------------------------------------- PEDIT

void cmd_pedit(CommandContext& c) {
    Pick pick = pick_object(c, "选择多段线:");
    if (pick.kind != Pick::Object) return;
    RecordId id = pick.id;
    drawing::EntityView e(c.dwg(), id);
    if (!e.is_polyline()) {
        auto curve = drawing::curve_of(c.dwg(), id);
        std::string type = e.type();
        if (!curve || curve->closed || (type != "LINE" && type != "ARC")) {
            c.print("选定的对象无法转换为多段线。");
            return;
        }
        c.print("选定的对象不是多段线");
        auto yes = c.ask_yes_no("是否将其转换为多段线? <Y>", true);
        if (!yes || !*yes) return;
        std::vector<drawing::Point3> pts;
        for (auto p : curve->points) pts.push_back({p.x, p.y, 0});
        RecordId pl = drawing::add_lwpolyline(c.dwg(), pts, false, e.layer(), curve->bulges);
        drawing::carry_properties(c.dwg(), id, pl, true);
        c.dwg().erase(id);
        id = pl;
    }
    enum { kClose, kOpen, kJoin, kWidth };
    while (true) {
        drawing::Entity pl(c.dwg(), id);
        bool closed = pl.closed();
        Answer a = c.ask(closed ? "输入选项 [打开(O)/合并(J)/宽度(W)]:" : "输入选项 [闭合(C)/合并(J)/宽度(W)]:",
                         Accept::words({"Close", "Open", "Join", "Width"}));
        if (a.kind != Answer::Keyword) return;
        if (a.keyword == kClose) pl.set_closed(true);
        else if (a.keyword == kOpen) pl.set_closed(false);
        else if (a.keyword == kWidth) {
            while (true) {
                auto w = c.ask_real("指定所有线段的新宽度:", pl.constant_width());
                if (!w) break;
                if (*w < 0) {
                    c.print("值必须为正或零。");
                    continue;
                }
                pl.set_constant_width(*w);
                break;
            }
        } else if (a.keyword == kJoin) {
            auto more = c.select_objects();
            if (!more || more->empty()) continue;
            std::vector<RecordId> all{id};
            all.insert(all.end(), more->begin(), more->end());
            drawing::JoinResult r = drawing::join_curves(c.dwg(), all);
            if (r.error == drawing::EditError::Closed) {
                c.print("多段线已闭合，无法合并。");
                continue;
            }
            if (r.joined != drawing::kNoRecord) id = r.joined;
            c.print("多段线已增加 " + count_text(r.merged.size()) + " 条线段");
            if (r.records_dropped)
                c.print("注意: " + count_text(r.records_dropped) + " 个被合并对象的扩展数据未保留。");
        }
    }
}

// ---------------------------------------------------------------- MATCHPROP

void cmd_matchprop(CommandContext& c) {
    Pick source = pick_object(c, "选择源对象:");
    if (source.kind != Pick::Object) return;
    c.print("当前活动设置:  颜色 图层 线型 线型比例 线宽 厚度");
    auto ids = c.select_objects("选择目标对象:");
    if (!ids) return;
    std::string layer = drawing::EntityView(c.dwg(), source.id).layer();
    for (RecordId id : *ids) {
        if (id == source.id || !c.doc.is_live_entity(id)) continue;
        drawing::Entity(c.dwg(), id).set_layer(layer);
        drawing::carry_properties(c.dwg(), source.id, id, false);
    }
}

}  // namespace korvane::host
