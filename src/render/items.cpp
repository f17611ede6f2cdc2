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

// A text value as Qt's text; UTF-8 without escapes straight from its stored bytes.
QString qt_text(const drawing::Document& doc, const drawing::Tag& t) {
    std::string_view raw = doc.raw(t);
    if (doc.codec().is_utf8() && raw.find("\\U+") == std::string_view::npos)
        return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
    return QString::fromStdString(doc.text(t));
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
    const std::vector<drawing::Tag>& tags = doc_.record(id).tags;
    // The groups every kind reads, found in one pass: each the first of its code.
    int visibility = -1, layer = -1, color = -1, true_color = -1, other = 0;
    for (size_t i = 1; i < tags.size() && tags[i].code != 1001; ++i) {
        int& at = tags[i].code == 60    ? visibility
                  : tags[i].code == 8   ? layer
                  : tags[i].code == 62  ? color
                  : tags[i].code == 420 ? true_color
                                        : other;
        if (at < 0) at = int(i);
    }
    if (visibility >= 0 && doc_.integer(tags[size_t(visibility)]) == 1) return it;  // invisible
    it->layer = layer_of(layer >= 0 ? doc_.raw(tags[size_t(layer)]) : std::string_view("0"));
    if (it->layer < 0) return nullptr;
    it->color = color >= 0 ? int(doc_.integer(tags[size_t(color)])) : 256;
    if (true_color >= 0) {
        const long long tc = doc_.integer(tags[size_t(true_color)]);
        it->true_color = true;
        it->rgb = qRgb(int((tc >> 16) & 255), int((tc >> 8) & 255), int(tc & 255));
    }
    std::string_view type = doc_.type(id);
    if (type == "LWPOLYLINE") build_lwpolyline(*it, id);
    else if (type == "POINT") build_point(*it, id);
    else if (type == "TEXT" || type == "ATTRIB" || (type == "ATTDEF" && !in_block)) build_text(*it, id);
    else if (type == "MTEXT") build_mtext(*it, id);
    else if (type == "HATCH") build_hatch(*it, id);
    else if (type == "IMAGE") build_image(*it, id);
    else if (type == "INSERT") build_insert(*it, id, in_block);
    else build_shape(*it, id);
    return it;
}

std::unique_ptr<Item> ItemBuilder::build(RecordId id, bool in_block) {
    return build_common(id, in_block, [this](std::string_view raw) { return layers_.of(doc_.codec().decode(raw)); });
}

std::unique_ptr<Item> ItemBuilder::build_alone(RecordId id, LayerMemo& memo) {
    std::string_view type = doc_.type(id);
    const bool text = type == "TEXT" || type == "MTEXT";
    const bool plain = type == "LWPOLYLINE" || type == "LINE" || type == "CIRCLE" || type == "ARC" ||
                       type == "POLYLINE" || type == "ELLIPSE" || type == "SPLINE" || type == "POINT" ||
                       type == "SOLID" || type == "TRACE" || type == "3DFACE";
    // Other code pages convert through a converter the drawing keeps, one conversion at a time.
    if (!plain && !(text && doc_.codec().is_utf8())) return nullptr;
    const LayerTable& layers = layers_;
    return build_common(id, false, [&](std::string_view raw) {
        if (memo.layer >= 0 && raw == memo.raw) return memo.layer;
        const int found = layers.find(doc_.codec().decode(raw));
        if (found >= 0) memo = {std::string(raw), found};
        return found;
    });
}

void ItemBuilder::build_point(Item& it, RecordId id) {
    it.kind = Item::Point;
    it.points.push_back(point2(drawing::EntityView(doc_, id), 10));
}

void ItemBuilder::build_text(Item& it, RecordId id) {
    drawing::EntityView e(doc_, id);
    std::string_view type = doc_.type(id);
    const bool text = type == "TEXT";
    // The groups a text reads, found in one pass: each the first of its code.
    int value = -1, p10 = -1, p11 = -1, height = -1, rotation = -1, width = -1, halign = -1, valign = -1, flags = -1,
        other = 0;
    const std::vector<drawing::Tag>& tags = e.rec().tags;
    const int value_code = type == "ATTDEF" ? 2 : 1;
    // TEXT keeps its vertical alignment in 73, attributes in 74.
    const int valign_code = text ? 73 : 74;
    for (size_t i = 1; i < tags.size() && tags[i].code != 1001; ++i) {
        const int code = tags[i].code;
        int& at = code == value_code    ? value
                  : code == 10          ? p10
                  : code == 11          ? p11
                  : code == 40          ? height
                  : code == 50          ? rotation
                  : code == 41          ? width
                  : code == 72          ? halign
                  : code == valign_code ? valign
                  : code == 70          ? flags
                                        : other;
        if (at < 0) at = int(i);
    }
    auto real = [&](int at, double fallback) { return at >= 0 ? doc_.real(tags[size_t(at)]) : fallback; };
    auto integer = [&](int at) { return at >= 0 ? doc_.integer(tags[size_t(at)]) : 0; };
    auto point = [&](int at) {
        drawing::Point3 p = e.point_at(size_t(at));
        return Point2{p.x, p.y};
    };
    if (type == "ATTRIB" && (integer(flags) & 1)) return;  // invisible attribute
    auto t = std::make_unique<TextInfo>();
    if (value >= 0) t->text = qt_text(doc_, tags[size_t(value)]);
    if (p10 >= 0) t->p10 = point(p10);
    if (p11 >= 0) {
        t->p11 = point(p11);
        t->has_p11 = true;
    }
    t->height = real(height, 1);
    t->rotation = real(rotation, 0) * kPi / 180;
    t->width_factor = real(width, 1);
    if (t->width_factor <= 0) t->width_factor = 1;
    t->halign = int(integer(halign));
    t->valign = int(integer(valign));
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

void ItemBuilder::build_lwpolyline(Item& it, RecordId id) {
    // Straight-sided polylines in the plane of the drawing (nearly every parcel) are read here
    // in one pass, to the very points their shape has; arcs and extrusions go through the shape.
    const std::vector<drawing::Tag>& tags = doc_.record(id).tags;
    size_t end = 1, vertices = 0;
    int flags = -1, width = -1;
    for (; end < tags.size() && tags[end].code != 1001; ++end) {
        const int code = tags[end].code;
        if (code == 10) ++vertices;
        else if (code == 70 && flags < 0) flags = int(end);
        else if (code == 43 && width < 0) width = int(end);
        else if (code == 210 || (code == 42 && doc_.real(tags[end]) != 0)) return build_shape(it, id);
    }
    const bool closed = flags >= 0 && (doc_.integer(tags[size_t(flags)]) & 1);
    drawing::Path path;
    path.closed = closed;
    path.points.reserve(vertices);
    for (size_t i = 1; i < end; ++i) {
        if (tags[i].code != 10) continue;
        Point2 p{doc_.real(tags[i]), 0};
        if (i + 1 < end && tags[i + 1].code == 20) p.y = doc_.real(tags[++i]);
        // Repeated vertices add nothing to the shape.
        if (path.points.empty() || !(path.points.back() == p)) path.points.push_back(p);
    }
    if (closed)
        while (path.points.size() > 1 && path.points.back() == path.points.front()) path.points.pop_back();
    if (path.points.empty()) return;
    it.kind = Item::Lines;
    if (path.points.size() == 1) it.points.push_back(path.points.front());
    else it.paths.push_back(std::move(path));
    it.width = width >= 0 ? doc_.real(tags[size_t(width)]) : 0;
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
