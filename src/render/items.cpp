#include "render/items.h"

#include <cmath>
#include <numbers>

#include "drawing/block.h"
#include "drawing/entity.h"
#include "drawing/hatch.h"
#include "drawing/image.h"
#include "drawing/image_files.h"
#include "drawing/tables.h"
#include "render/mtext.h"

namespace korvane::render {

using drawing::RecordId;

namespace {

constexpr double kPi = std::numbers::pi;

Point2 point2(const drawing::EntityView& e, int code) {
    auto p = e.point(code);
    return p ? Point2{p->x, p->y} : Point2{};
}

}  // namespace

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

void LayerTable::load(const drawing::Document& doc) {
    states.clear();
    index.clear();
    for (const auto& l : drawing::layers(doc)) {
        index[upper(l.name)] = int(states.size());
        states.push_back(State{l.on && !l.frozen, l.color});
    }
}

int LayerTable::of(const std::string& name) {
    std::string key = upper(name);
    auto it = index.find(key);
    if (it != index.end()) return it->second;
    int i = int(states.size());
    states.push_back(State{true, 7});
    index[key] = i;
    return i;
}

int LayerTable::find(const std::string& name) const {
    auto it = index.find(upper(name));
    return it == index.end() ? -1 : it->second;
}

template <class LayerOf>
std::unique_ptr<Item> ItemBuilder::build_common(RecordId id, bool in_block, LayerOf layer_of) {
    auto it = std::make_unique<Item>();
    drawing::EntityView e(doc_, id);
    if (e.integer(60).value_or(0) == 1) return it;  // invisible
    it->layer = layer_of(e.layer());
    if (it->layer < 0) return nullptr;
    it->color = e.color();
    if (auto tc = e.integer(420)) {
        it->true_color = true;
        it->rgb = qRgb(int((*tc >> 16) & 255), int((*tc >> 8) & 255), int(*tc & 255));
    }
    std::string_view type = doc_.type(id);
    if (type == "POINT") build_point(*it, id);
    else if (type == "TEXT" || type == "ATTRIB" || (type == "ATTDEF" && !in_block)) build_text(*it, id);
    else if (type == "MTEXT") build_mtext(*it, id);
    else if (type == "HATCH") build_hatch(*it, id);
    else if (type == "IMAGE") build_image(*it, id);
    else if (type == "INSERT") build_insert(*it, id, in_block);
    else build_shape(*it, id);
    return it;
}

std::unique_ptr<Item> ItemBuilder::build(RecordId id, bool in_block) {
    return build_common(id, in_block, [this](const std::string& name) { return layers_.of(name); });
}

std::unique_ptr<Item> ItemBuilder::build_alone(RecordId id) {
    std::string_view type = doc_.type(id);
    const bool text = type == "TEXT" || type == "MTEXT";
    const bool plain = type == "LWPOLYLINE" || type == "LINE" || type == "CIRCLE" || type == "ARC" ||
                       type == "POLYLINE" || type == "ELLIPSE" || type == "SPLINE" || type == "POINT" ||
                       type == "SOLID" || type == "TRACE" || type == "3DFACE";
    // Other code pages convert through a converter the drawing keeps, one conversion at a time.
    if (!plain && !(text && doc_.codec().is_utf8())) return nullptr;
    const LayerTable& layers = layers_;
    return build_common(id, false, [&layers](const std::string& name) { return layers.find(name); });
}

void ItemBuilder::build_point(Item& it, RecordId id) {
    it.kind = Item::Point;
    it.points.push_back(point2(drawing::EntityView(doc_, id), 10));
}

void ItemBuilder::build_text(Item& it, RecordId id) {
    drawing::EntityView e(doc_, id);
    std::string_view type = doc_.type(id);
    if (type == "ATTRIB" && (e.integer(70).value_or(0) & 1)) return;  // invisible attribute
    auto t = std::make_unique<TextInfo>();
    std::string s = type == "ATTDEF" ? e.text_of(2).value_or("") : e.text();
    t->lines << QString::fromStdString(s);
    t->p10 = point2(e, 10);
    if (e.point(11)) {
        t->p11 = point2(e, 11);
        t->has_p11 = true;
    }
    t->height = e.real(40).value_or(1);
    t->rotation = e.real(50).value_or(0) * kPi / 180;
    t->width_factor = e.real(41).value_or(1);
    if (t->width_factor <= 0) t->width_factor = 1;
    t->halign = int(e.integer(72).value_or(0));
    // TEXT keeps its vertical alignment in 73, attributes in 74.
    t->valign = int(e.integer(type == "TEXT" ? 73 : 74).value_or(0));
    it.kind = Item::Text;
    it.text = std::move(t);
}

void ItemBuilder::build_mtext(Item& it, RecordId id) {
    drawing::EntityView e(doc_, id);
    auto t = std::make_unique<TextInfo>();
    t->mtext = true;
    t->lines = QString::fromStdString(mtext_plain(e.text())).split(QChar('\n'));
    t->p10 = point2(e, 10);
    t->height = e.real(40).value_or(1);
    if (auto dir = e.point(11)) t->rotation = std::atan2(dir->y, dir->x);
    else t->rotation = e.real(50).value_or(0);  // radians for MTEXT
    t->attach = int(e.integer(71).value_or(1));
    t->spacing = e.real(44).value_or(1);
    it.kind = Item::Text;
    it.text = std::move(t);
}

void ItemBuilder::build_hatch(Item& it, RecordId id) {
    auto info = drawing::read_hatch(doc_, id);
    if (!info) return;
    auto h = std::make_unique<HatchData>();
    h->solid = info->solid || upper(info->pattern) == "SOLID";
    for (const auto& loop : info->loops) {
        std::vector<Point2> pts;
        for (const auto& p : drawing::loop_outline(loop, 0.01)) pts.push_back({p.x, p.y});
        for (const auto& p : pts) h->box.add(p);
        if (pts.size() >= 2) h->loops.push_back(std::move(pts));
    }
    // Dashes are drawn as continuous lines: at the scales surveyors look at hatches they read alike.
    for (const auto& line : info->pattern_lines)
        h->lines.push_back({line.angle, {line.base.x, line.base.y}, {line.offset.x, line.offset.y}});
    if (h->lines.empty() && !h->solid && info->pattern_type == 0) {
        // A user-defined pattern without its definition lines: angle and spacing.
        double a = info->angle * kPi / 180;
        h->lines.push_back({info->angle, {0, 0}, {-std::sin(a) * info->scale, std::cos(a) * info->scale}});
        if (info->cross) {
            double b = a + kPi / 2;
            h->lines.push_back({info->angle + 90, {0, 0}, {-std::sin(b) * info->scale, std::cos(b) * info->scale}});
        }
    }
    it.kind = Item::Hatch;
    it.hatch = std::move(h);
}

void ItemBuilder::build_image(Item& it, RecordId id) {
    auto img = std::make_unique<ImageData>();
    auto ins = drawing::image_insertion(doc_, id);
    auto u = drawing::image_u(doc_, id), v = drawing::image_v(doc_, id);
    auto size = drawing::image_pixel_size(doc_, id);
    img->insertion = {ins.x, ins.y};
    img->u = {u.x, u.y};
    img->v = {v.x, v.y};
    img->px_w = size.width;
    img->px_h = size.height;
    for (const auto& p : drawing::image_clip_world(doc_, id)) img->clip.push_back({p.x, p.y});
    img->clipped = drawing::image_clipped(doc_, id);
    img->stored = drawing::image_file(doc_, id);
    img->file = files_.locate(img->stored).value_or("");
    it.kind = Item::Image;
    it.image = std::move(img);
}

void ItemBuilder::build_insert(Item& it, RecordId id, bool in_block) {
    auto info = drawing::read_insert(doc_, id);
    if (!info) return;
    auto ins = std::make_unique<InsertData>();
    ins->block = upper(info->name);
    ins->insertion = {info->insertion.x, info->insertion.y};
    ins->sx = info->sx;
    ins->sy = info->sy;
    ins->rotation = info->rotation * kPi / 180;
    RecordId b = drawing::find_block(doc_, info->name);
    if (b != drawing::kNoRecord) {
        auto base = drawing::block_base_point(doc_, b);
        ins->base = {base.x, base.y};
    }
    for (RecordId f : doc_.record(id).followers)
        if (doc_.type(f) == "ATTRIB") {
            auto a = build(f, in_block);
            if (a->kind != Item::Skip) ins->attribs.push_back(std::move(a));
        }
    it.kind = Item::Insert;
    it.insert = std::move(ins);
}

void ItemBuilder::build_shape(Item& it, RecordId id) {
    drawing::Shape shape = drawing::entity_shape(doc_, id, {}, &block_boxes_);
    if (shape.empty()) return;
    std::string_view type = doc_.type(id);
    it.kind = Item::Lines;
    it.paths = std::move(shape.paths);
    it.points = std::move(shape.points);
    it.filled = type == "SOLID" || type == "TRACE";
    if (type == "LWPOLYLINE" || type == "POLYLINE") it.width = drawing::EntityView(doc_, id).constant_width();
}

}  // namespace korvane::render
