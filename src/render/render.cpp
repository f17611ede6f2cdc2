#include "render/render.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "drawing/block.h"
#include "drawing/entity.h"
#include "drawing/hatch.h"
#include "drawing/image.h"
#include "drawing/spatial_index.h"
#include "drawing/tables.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/system_variables.h"
#include "render/aci.h"

namespace korvane::render {

using drawing::Document;
using drawing::Point2;
using drawing::RecordId;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxBlockDepth = 8;
constexpr int kMaxImageSide = 2048;    // larger images are kept at this size
constexpr double kMinTextPixels = 2.5;  // smaller text is not drawn

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

double number(const host::Value& v, double fallback) {
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto i = std::get_if<long long>(&v)) return double(*i);
    return fallback;
}

}  // namespace

// ---------------------------------------------------------------- transforms

ViewTransform ViewTransform::of(const host::View& view, QSize size) {
    ViewTransform t;
    t.cx = view.center.x;
    t.cy = view.center.y;
    t.width = std::max(1, size.width());
    t.height = std::max(1, size.height());
    t.scale = view.height > 0 ? t.height / view.height : 1;
    return t;
}

drawing::Box2 ViewTransform::world_box() const {
    Point2 a = to_world({0, 0}), b = to_world({width, height});
    return drawing::Box2::of(a, b);
}

Affine Affine::then(const Affine& o) const {
    Affine r;
    r.a = o.a * a + o.c * b;
    r.b = o.b * a + o.d * b;
    r.c = o.a * c + o.c * d;
    r.d = o.b * c + o.d * d;
    r.e = o.a * e + o.c * f + o.e;
    r.f = o.b * e + o.d * f + o.f;
    return r;
}

double Affine::scale() const { return std::sqrt(std::fabs(a * d - b * c)); }

// ---------------------------------------------------------------- cached items

struct DrawingRenderer::TextInfo {
    QStringList lines;
    Point2 p10, p11;
    bool has_p11 = false;
    double height = 1;
    double rotation = 0;  // radians, counter-clockwise
    double width_factor = 1;
    int halign = 0, valign = 0;
    bool mtext = false;
    int attach = 1;
    double spacing = 1;
};

struct DrawingRenderer::HatchData {
    std::vector<std::vector<Point2>> loops;
    bool solid = false;
    struct Line {
        double angle = 0;  // degrees
        Point2 base, offset;
    };
    std::vector<Line> lines;
    drawing::Box2 box;
};

struct DrawingRenderer::ImageData {
    std::string file;  // resolved path, or the name as stored when it cannot be found
    bool found = false;
    Point2 insertion, u, v;  // u, v: one pixel along and up the image
    double px_w = 0, px_h = 0;
    std::vector<Point2> clip;  // closed polygon in drawing units (the corners when not clipped)
};

struct DrawingRenderer::InsertData {
    std::string block;  // upper case
    Point2 insertion, base;
    double sx = 1, sy = 1, rotation = 0;  // rotation in radians
    std::vector<std::unique_ptr<Item>> attribs;
};

struct DrawingRenderer::Item {
    enum Kind : uint8_t { Skip, Lines, Point, Text, Hatch, Image, Insert };
    Kind kind = Skip;
    bool filled = false;
    bool true_color = false;
    int layer = -1;
    int color = 256;
    QRgb rgb = 0;
    double width = 0;
    std::vector<drawing::Path> paths;
    std::vector<Point2> points;
    std::unique_ptr<TextInfo> text;
    std::unique_ptr<HatchData> hatch;
    std::unique_ptr<ImageData> image;
    std::unique_ptr<InsertData> insert;
};

// Decoded images by file, each kept with halved copies for drawing far out.
struct DrawingRenderer::Images {
    struct Entry {
        bool tried = false;
        std::vector<QImage> levels;
    };
    std::map<std::string, Entry> files;

    const std::vector<QImage>& get(const std::string& path) {
        Entry& e = files[path];
        if (e.tried) return e.levels;
        e.tried = true;
        QImageReader reader(QString::fromStdString(path));
        reader.setAutoTransform(false);
        QSize size = reader.size();
        if (size.isValid() && (size.width() > kMaxImageSide || size.height() > kMaxImageSide))
            reader.setScaledSize(size.scaled(kMaxImageSide, kMaxImageSide, Qt::KeepAspectRatio));
        QImage img = reader.read();
        if (img.isNull()) return e.levels;
        img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        e.levels.push_back(img);
        while (e.levels.back().width() > 64 && e.levels.back().height() > 64)
            e.levels.push_back(e.levels.back().scaled(e.levels.back().size() / 2, Qt::IgnoreAspectRatio,
                                                      Qt::SmoothTransformation));
        return e.levels;
    }
};

// What one paint needs besides the items.
struct DrawingRenderer::Frame {
    QPainter& p;
    const RenderOptions& options;
    const Document& doc;
    double screen_h = 1;
    int pdmode = 0;
    double pdsize = 0;  // as stored
    int image_frame = 1;
    QFont font;
    double cap = 1, descent = 0;  // of `font`, in its own pixels
    QPolygonF buf;
    // Pen state, so that runs of the same colour do not set it again.
    QRgb pen_rgb = 0;
    double pen_width = -1;
    bool pen_dashed = false;
    bool pen_set = false;
    RenderStats stats;

    void pen(QColor c, double width_px, bool dashed) {
        if (pen_set && pen_rgb == c.rgba() && pen_width == width_px && pen_dashed == dashed) return;
        QPen pen(c);
        if (width_px >= 1.5) {
            pen.setWidthF(width_px);
            pen.setCapStyle(Qt::FlatCap);
            pen.setJoinStyle(Qt::MiterJoin);
        } else {
            pen.setWidth(0);  // cosmetic one pixel
        }
        pen.setCosmetic(true);
        if (dashed) pen.setDashPattern({4, 3});
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        pen_rgb = c.rgba();
        pen_width = width_px;
        pen_dashed = dashed;
        pen_set = true;
    }
    void reset_pen() { pen_set = false; }
};

DrawingRenderer::DrawingRenderer() : images_(std::make_unique<Images>()) {}
DrawingRenderer::~DrawingRenderer() = default;

QColor DrawingRenderer::background(bool dark) const { return dark ? QColor(28, 32, 38) : QColor(255, 255, 255); }

void DrawingRenderer::clear() {
    items_.clear();
    slot_.clear();
    blocks_.clear();
    block_boxes_.clear();
    doc_key_ = nullptr;
    revision_ = ~0ull;
}

int DrawingRenderer::layer_of(const std::string& name) {
    auto it = layer_index_.find(upper(name));
    if (it != layer_index_.end()) return it->second;
    // A layer missing from the table: shown in white.
    int index = int(layers_.size());
    layers_.push_back(LayerState{true, 7});
    layer_index_[upper(name)] = index;
    return index;
}

void DrawingRenderer::sync(host::HostDocument& hd) {
    const Document& doc = hd.doc();
    if (doc_key_ == &doc && revision_ == doc.revision() && record_count_ == doc.record_count()) return;
    items_.clear();
    blocks_.clear();
    block_boxes_.clear();
    slot_.assign(doc.record_count(), -1);
    doc_key_ = &doc;
    revision_ = doc.revision();
    record_count_ = doc.record_count();
    layers_.clear();
    layer_index_.clear();
    for (const auto& l : drawing::layers(doc)) {
        layer_index_[upper(l.name)] = int(layers_.size());
        layers_.push_back(LayerState{l.on && !l.frozen, l.color});
    }
    std::filesystem::path p(hd.path());
    doc_dir_ = p.has_parent_path() ? p.parent_path().string() : std::string();

    // How far text reaches from its insertion point, so that the view's query takes in
    // labels whose insertion point lies just outside it.
    text_margin_ = 0;
    Document& d = const_cast<Document&>(doc);
    for (RecordId id : hd.modelspace()) {
        std::string_view t = doc.type(id);
        if (t != "TEXT" && t != "MTEXT") continue;
        drawing::Entity e(d, id);
        double h = e.real(40).value_or(1);
        double n = double(e.text().size());  // bytes: an upper bound of the characters
        if (t == "MTEXT") n = std::min(n, e.real(41).value_or(0) > 0 ? e.real(41).value_or(0) / h : n);
        double reach = h * (n * std::max(1.0, e.real(41).value_or(1)) + 2);
        if (reach > text_margin_) text_margin_ = reach;
    }
}

const DrawingRenderer::Item& DrawingRenderer::item(const Document& doc, RecordId id) {
    if (id >= slot_.size()) slot_.resize(doc.record_count(), -1);
    int32_t& s = slot_[id];
    if (s < 0) {
        s = int32_t(items_.size());
        items_.push_back(build(doc, id, false));
    }
    return *items_[size_t(s)];
}

std::unique_ptr<DrawingRenderer::Item> DrawingRenderer::build(const Document& doc, RecordId id, bool in_block) {
    auto it = std::make_unique<Item>();
    Document& d = const_cast<Document&>(doc);
    drawing::Entity e(d, id);
    std::string type = e.type();
    if (e.integer(60).value_or(0) == 1) return it;  // invisible
    it->layer = layer_of(e.layer());
    it->color = e.color();
    if (auto tc = e.integer(420)) {
        it->true_color = true;
        it->rgb = qRgb(int((*tc >> 16) & 255), int((*tc >> 8) & 255), int(*tc & 255));
    }

    auto point2 = [&](int code) -> Point2 {
        auto p = e.point(code);
        return p ? Point2{p->x, p->y} : Point2{};
    };

    if (type == "POINT") {
        it->kind = Item::Point;
        it->points.push_back(point2(10));
        return it;
    }
    if (type == "TEXT" || type == "ATTRIB" || (type == "ATTDEF" && !in_block)) {
        if (type == "ATTRIB" && (e.integer(70).value_or(0) & 1)) return it;  // invisible attribute
        auto t = std::make_unique<TextInfo>();
        std::string s = type == "ATTDEF" ? e.text_of(2).value_or("") : e.text();
        t->lines << QString::fromStdString(s);
        t->p10 = point2(10);
        if (e.point(11)) {
            t->p11 = point2(11);
            t->has_p11 = true;
        }
        t->height = e.real(40).value_or(1);
        t->rotation = e.real(50).value_or(0) * kPi / 180;
        t->width_factor = e.real(41).value_or(1);
        if (t->width_factor <= 0) t->width_factor = 1;
        t->halign = int(e.integer(72).value_or(0));
        // TEXT keeps its vertical alignment in 73, attributes in 74.
        t->valign = int(e.integer(type == "TEXT" ? 73 : 74).value_or(0));
        it->kind = Item::Text;
        it->text = std::move(t);
        return it;
    }
    if (type == "MTEXT") {
        auto t = std::make_unique<TextInfo>();
        t->mtext = true;
        QString plain = QString::fromStdString(mtext_plain(e.text()));
        t->lines = plain.split(QChar('\n'));
        t->p10 = point2(10);
        t->height = e.real(40).value_or(1);
        if (auto dir = e.point(11)) t->rotation = std::atan2(dir->y, dir->x);
        else t->rotation = e.real(50).value_or(0);  // radians for MTEXT
        t->attach = int(e.integer(71).value_or(1));
        t->spacing = e.real(44).value_or(1);
        it->kind = Item::Text;
        it->text = std::move(t);
        return it;
    }
    if (type == "HATCH") {
        auto info = drawing::read_hatch(doc, id);
        if (!info) return it;
        auto h = std::make_unique<HatchData>();
        h->solid = info->solid || upper(info->pattern) == "SOLID";
        for (const auto& loop : info->loops) {
            std::vector<Point2> pts;
            for (const auto& p : drawing::loop_outline(loop, 0.01)) pts.push_back({p.x, p.y});
            for (const auto& p : pts) h->box.add(p);
            if (pts.size() >= 2) h->loops.push_back(std::move(pts));
        }
        // The pattern lines as stored (already scaled and turned): 78 count, then per line
        // 53 angle, 43/44 base point, 45/46 offset, 79 dash count and 49 dashes.
        const auto& tags = e.rec().tags;
        size_t end = e.xdata_start();
        size_t i = 1;
        while (i < end && tags[i].code != 78) ++i;
        if (i < end) {
            long long count = doc.integer(tags[i]);
            ++i;
            for (long long k = 0; k < count && i < end; ++k) {
                HatchData::Line line;
                for (; i < end; ++i) {
                    int c = tags[i].code;
                    if (c == 53) line.angle = doc.real(tags[i]);
                    else if (c == 43) line.base.x = doc.real(tags[i]);
                    else if (c == 44) line.base.y = doc.real(tags[i]);
                    else if (c == 45) line.offset.x = doc.real(tags[i]);
                    else if (c == 46) line.offset.y = doc.real(tags[i]);
                    else if (c == 79) {
                        long long dashes = doc.integer(tags[i]);
                        ++i;
                        while (dashes-- > 0 && i < end && tags[i].code == 49) ++i;
                        break;
                    } else break;
                }
                h->lines.push_back(line);
            }
        }
        if (h->lines.empty() && !h->solid && info->pattern_type == 0) {
            // A user-defined pattern without its definition lines: angle and spacing.
            double a = info->angle * kPi / 180;
            HatchData::Line line{info->angle, {0, 0}, {-std::sin(a) * info->scale, std::cos(a) * info->scale}};
            h->lines.push_back(line);
            if (info->cross) {
                double b = a + kPi / 2;
                h->lines.push_back({info->angle + 90, {0, 0}, {-std::sin(b) * info->scale, std::cos(b) * info->scale}});
            }
        }
        it->kind = Item::Hatch;
        it->hatch = std::move(h);
        return it;
    }
    if (type == "IMAGE") {
        auto img = std::make_unique<ImageData>();
        auto ins = drawing::image_insertion(doc, id);
        auto u = drawing::image_u(doc, id), v = drawing::image_v(doc, id);
        auto size = drawing::image_pixel_size(doc, id);
        img->insertion = {ins.x, ins.y};
        img->u = {u.x, u.y};
        img->v = {v.x, v.y};
        img->px_w = size.width;
        img->px_h = size.height;
        for (const auto& p : drawing::image_clip_world(doc, id)) img->clip.push_back({p.x, p.y});
        std::string stored = drawing::image_file(doc, id);
        img->file = stored;
        namespace fs = std::filesystem;
        std::error_code ec;
        std::vector<fs::path> tries;
        if (!stored.empty()) {
            tries.push_back(fs::path(stored));
            std::string name = stored.substr(stored.find_last_of("/\\") + 1);
            if (!doc_dir_.empty()) {
                tries.push_back(fs::path(doc_dir_) / stored);
                tries.push_back(fs::path(doc_dir_) / name);
            }
        }
        for (const auto& t : tries)
            if (fs::is_regular_file(t, ec)) {
                img->file = t.string();
                img->found = true;
                break;
            }
        it->kind = Item::Image;
        it->image = std::move(img);
        return it;
    }
    if (type == "INSERT") {
        auto info = drawing::read_insert(doc, id);
        if (!info) return it;
        auto ins = std::make_unique<InsertData>();
        ins->block = upper(info->name);
        ins->insertion = {info->insertion.x, info->insertion.y};
        ins->sx = info->sx;
        ins->sy = info->sy;
        ins->rotation = info->rotation * kPi / 180;
        RecordId b = drawing::find_block(doc, info->name);
        if (b != drawing::kNoRecord) {
            auto base = drawing::block_base_point(doc, b);
            ins->base = {base.x, base.y};
        }
        for (RecordId f : doc.record(id).followers)
            if (doc.type(f) == "ATTRIB") {
                auto a = build(doc, f, in_block);
                if (a->kind != Item::Skip) ins->attribs.push_back(std::move(a));
            }
        it->kind = Item::Insert;
        it->insert = std::move(ins);
        return it;
    }

    drawing::Shape shape = drawing::entity_shape(doc, id, {}, &block_boxes_);
    if (shape.empty()) return it;
    it->kind = Item::Lines;
    it->paths = std::move(shape.paths);
    it->points = std::move(shape.points);
    it->filled = type == "SOLID" || type == "TRACE";
    if (type == "LWPOLYLINE" || type == "POLYLINE") it->width = e.constant_width();
    return it;
}

const std::vector<std::unique_ptr<DrawingRenderer::Item>>& DrawingRenderer::block(const Document& doc,
                                                                                   const std::string& name) {
    auto found = blocks_.find(name);
    if (found != blocks_.end()) return found->second;
    auto& items = blocks_[name];
    RecordId b = drawing::find_block(doc, name);
    if (b == drawing::kNoRecord) return items;
    for (RecordId id : drawing::block_entities(doc, b)) {
        auto it = build(doc, id, true);
        if (it->kind != Item::Skip) items.push_back(std::move(it));
    }
    return items;
}

// ---------------------------------------------------------------- painting

RenderStats DrawingRenderer::render(QPainter& painter, host::HostDocument& hd, const host::EmbeddedHost& host,
                                    QSize size, const RenderOptions& options) {
    sync(hd);
    const Document& doc = hd.doc();
    painter.fillRect(QRect(QPoint(0, 0), size), background(options.dark_background));
    ViewTransform xf = ViewTransform::of(hd.view(), size);

    Frame fr{painter, options, doc};
    fr.screen_h = xf.height;
    fr.pdmode = int(number(host::get_system_variable(hd, host, "PDMODE"), 0));
    fr.pdsize = number(host::get_system_variable(hd, host, "PDSIZE"), 0);
    fr.image_frame = doc.is_r12() ? 1 : drawing::image_frame(doc);
    fr.font = QFont(QStringLiteral("Noto Sans CJK SC"));
    fr.font.setPixelSize(100);
    QFontMetricsF fm(fr.font);
    fr.cap = std::max(1.0, fm.capHeight());
    fr.descent = fm.descent();
    painter.setFont(fr.font);

    double point_reach = fr.pdsize > 0 ? fr.pdsize : hd.view().height * 0.05;
    drawing::Box2 box = xf.world_box().grown(std::max(text_margin_, point_reach));
    std::vector<RecordId> ids = hd.index().query(box);
    fr.stats.candidates = ids.size();
    painter.setRenderHint(QPainter::Antialiasing, ids.size() < options.antialias_limit);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    // Drawing coordinates land on pixel centres (the half pixel), so that a one-pixel line on
    // a whole screen coordinate stays one pixel wide under antialiasing.
    Affine world{xf.scale, 0, 0, -xf.scale, xf.width / 2 - xf.cx * xf.scale + 0.5, xf.height / 2 + xf.cy * xf.scale + 0.5};
    const auto& highlighted = hd.highlighted();
    for (RecordId id : ids) {
        const Item& it = item(doc, id);
        if (it.kind == Item::Skip) continue;
        bool dashed = id == options.hover || highlighted.count(id) || (options.selected && options.selected->count(id));
        draw(fr, it, world, -1, 7, dashed, 0);
    }
    return fr.stats;
}

void DrawingRenderer::draw(Frame& fr, const Item& it, const Affine& m, int inherit_layer, int inherit_color,
                           bool dashed, int depth) {
    int layer = it.layer;
    if (inherit_layer >= 0) {
        auto z = layer_index_.find("0");
        if (z != layer_index_.end() && layer == z->second) layer = inherit_layer;
    }
    if (layer >= 0 && size_t(layer) < layers_.size() && !layers_[size_t(layer)].visible) return;
    int aci = it.color;
    if (aci == 256) aci = layer >= 0 && size_t(layer) < layers_.size() ? std::abs(layers_[size_t(layer)].color) : 7;
    else if (aci == 0) aci = inherit_layer >= 0 ? inherit_color : 7;
    QColor color = it.true_color && it.color != 0 && it.color != 256 ? QColor(it.rgb) : aci_color(aci, fr.options.dark_background);
    ++fr.stats.drawn;

    switch (it.kind) {
        case Item::Skip: break;
        case Item::Lines: draw_lines(fr, it, m, color, dashed); break;
        case Item::Point: draw_point(fr, it, m, color, dashed); break;
        case Item::Text: draw_text(fr, it, m, color); break;
        case Item::Hatch: draw_hatch(fr, it, m, color, dashed); break;
        case Item::Image: draw_image(fr, it, m, color, dashed); break;
        case Item::Insert: {
            const InsertData& ins = *it.insert;
            for (const auto& a : ins.attribs) draw(fr, *a, m, -1, 7, dashed, depth);
            if (depth >= kMaxBlockDepth) break;
            double cs = std::cos(ins.rotation), sn = std::sin(ins.rotation);
            // Block units to drawing units: move the base point to the origin, scale, turn, move.
            Affine b;
            b.a = cs * ins.sx;
            b.b = sn * ins.sx;
            b.c = -sn * ins.sy;
            b.d = cs * ins.sy;
            b.e = ins.insertion.x - (b.a * ins.base.x + b.c * ins.base.y);
            b.f = ins.insertion.y - (b.b * ins.base.x + b.d * ins.base.y);
            Affine bm = b.then(m);
            for (const auto& child : block(fr.doc, ins.block)) draw(fr, *child, bm, layer, aci, dashed, depth + 1);
            break;
        }
    }
}

void DrawingRenderer::draw_lines(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    double width_px = it.width * m.scale();
    fr.pen(color, width_px, dashed);
    QPolygonF& buf = fr.buf;
    for (const auto& path : it.paths) {
        buf.clear();
        buf.reserve(qsizetype(path.points.size() + 1));
        for (const auto& p : path.points) buf.append(m.map(p.x, p.y));
        if (buf.isEmpty()) continue;
        if (it.filled && path.closed && buf.size() >= 3) {
            fr.p.setBrush(color);
            fr.p.drawPolygon(buf);
            fr.p.setBrush(Qt::NoBrush);
            continue;
        }
        if (path.closed && buf.size() > 1) buf.append(buf.front());
        if (buf.size() == 1) fr.p.drawPoint(buf.front());
        else fr.p.drawPolyline(buf);
    }
    for (const auto& p : it.points) fr.p.drawPoint(m.map(p.x, p.y));
}

void DrawingRenderer::draw_point(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    int mode = fr.pdmode;
    double size;
    if (fr.pdsize > 0) size = fr.pdsize * m.scale();
    else if (fr.pdsize < 0) size = -fr.pdsize / 100 * fr.screen_h;
    else size = 0.05 * fr.screen_h;
    double h = size / 2;
    fr.pen(color, 0, dashed);
    for (const auto& pt : it.points) {
        QPointF c = m.map(pt.x, pt.y);
        switch (mode & 7) {
            case 0: fr.p.fillRect(QRectF(c.x() - 1, c.y() - 1, 2, 2), color); break;
            case 2:
                fr.p.drawLine(QPointF(c.x() - h, c.y()), QPointF(c.x() + h, c.y()));
                fr.p.drawLine(QPointF(c.x(), c.y() - h), QPointF(c.x(), c.y() + h));
                break;
            case 3:
                fr.p.drawLine(QPointF(c.x() - h, c.y() - h), QPointF(c.x() + h, c.y() + h));
                fr.p.drawLine(QPointF(c.x() - h, c.y() + h), QPointF(c.x() + h, c.y() - h));
                break;
            case 4: fr.p.drawLine(c, QPointF(c.x(), c.y() - h)); break;
            default: break;  // 1: nothing
        }
        if (mode & 32) fr.p.drawEllipse(c, h, h);
        if (mode & 64) fr.p.drawRect(QRectF(c.x() - h, c.y() - h, size, size));
    }
}

void DrawingRenderer::draw_text(Frame& fr, const Item& it, const Affine& m, QColor color) {
    const TextInfo& t = *it.text;
    double k_world = m.scale();
    double h_px = t.height * k_world;
    if (h_px < kMinTextPixels || h_px > 20000) return;
    QFontMetricsF fm(fr.font);
    // Direction of the baseline on screen.
    auto direction = [&](double angle) {
        QPointF o = m.map(0, 0), d = m.map(std::cos(angle), std::sin(angle));
        return std::atan2(d.y() - o.y(), d.x() - o.x());
    };
    double k = h_px / fr.cap;  // screen pixels per font pixel
    fr.p.save();
    fr.p.setPen(color);
    if (!t.mtext) {
        const QString& s = t.lines.front();
        double w = fm.horizontalAdvance(s);
        Point2 anchor = t.p10;
        double angle = t.rotation;
        double sx = k * t.width_factor, sy = k;
        double x0 = 0, base = 0;
        bool fitted = (t.halign == 3 || t.halign == 5) && t.has_p11;
        if (fitted) {
            double dx = t.p11.x - t.p10.x, dy = t.p11.y - t.p10.y;
            double len = std::hypot(dx, dy) * k_world;
            if (len > 0 && w > 0) {
                angle = std::atan2(dy, dx);
                sx = len / w;
                if (t.halign == 3) sy = sx / t.width_factor;  // aligned: height follows the width
            }
        } else if ((t.halign != 0 || t.valign != 0) && t.has_p11) {
            anchor = t.p11;
            if (t.halign == 1 || t.halign == 4) x0 = -w / 2;
            else if (t.halign == 2) x0 = -w;
            if (t.halign == 4) base = fr.cap / 2;
            else if (t.valign == 1) base = -fr.descent;
            else if (t.valign == 2) base = fr.cap / 2;
            else if (t.valign == 3) base = fr.cap;
        }
        QPointF a = m.map(anchor.x, anchor.y);
        double sa = direction(angle);
        QTransform tr;
        tr.translate(a.x(), a.y());
        tr.rotateRadians(sa);
        tr.scale(sx, sy);
        fr.p.setTransform(tr, true);
        fr.p.drawText(QPointF(x0, base), s);
    } else {
        double pitch = fr.cap * 5.0 / 3.0 * (t.spacing > 0 ? t.spacing : 1);
        int n = int(t.lines.size());
        double block_h = (n - 1) * pitch + fr.cap;
        int col = (std::clamp(t.attach, 1, 9) - 1) % 3, row = (std::clamp(t.attach, 1, 9) - 1) / 3;
        double first = row == 0 ? fr.cap : row == 1 ? fr.cap - block_h / 2 : fr.cap - block_h;
        QPointF a = m.map(t.p10.x, t.p10.y);
        QTransform tr;
        tr.translate(a.x(), a.y());
        tr.rotateRadians(direction(t.rotation));
        tr.scale(k, k);
        fr.p.setTransform(tr, true);
        for (int i = 0; i < n; ++i) {
            double w = fm.horizontalAdvance(t.lines[i]);
            double x0 = col == 0 ? 0 : col == 1 ? -w / 2 : -w;
            fr.p.drawText(QPointF(x0, first + i * pitch), t.lines[i]);
        }
    }
    fr.p.restore();
    fr.reset_pen();
}

void DrawingRenderer::draw_hatch(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    const HatchData& h = *it.hatch;
    if (h.loops.empty()) return;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const auto& loop : h.loops) {
        QPolygonF poly;
        poly.reserve(qsizetype(loop.size() + 1));
        for (const auto& p : loop) poly.append(m.map(p.x, p.y));
        poly.append(poly.front());
        path.addPolygon(poly);
    }
    if (dashed) {
        fr.pen(color, 0, true);
        fr.p.drawPath(path);
    }
    if (h.solid) {
        fr.p.fillPath(path, color);
        return;
    }
    // Lines closer than a few pixels would only grey the area: show it as a light fill.
    double k = m.scale();
    QColor light = color;
    light.setAlpha(70);
    bool any = false;
    size_t total = 0;
    struct Family {
        double kmin, kmax;
        Point2 base, dir, off;
    };
    std::vector<Family> families;
    for (const auto& line : h.lines) {
        double a = line.angle * kPi / 180;
        Point2 dir{std::cos(a), std::sin(a)}, n{-std::sin(a), std::cos(a)};
        double step = line.offset.x * n.x + line.offset.y * n.y;  // spacing across the lines
        if (std::fabs(step) * k < 2.5) {
            families.clear();
            total = ~size_t(0);
            break;
        }
        double smin = 1e300, smax = -1e300;
        for (Point2 c : {Point2{h.box.min_x, h.box.min_y}, Point2{h.box.max_x, h.box.min_y},
                         Point2{h.box.min_x, h.box.max_y}, Point2{h.box.max_x, h.box.max_y}}) {
            double s = (c.x - line.base.x) * n.x + (c.y - line.base.y) * n.y;
            smin = std::min(smin, s);
            smax = std::max(smax, s);
        }
        double k0 = smin / step, k1 = smax / step;
        if (k0 > k1) std::swap(k0, k1);
        total += size_t(k1 - k0) + 1;
        families.push_back({std::floor(k0), std::ceil(k1), line.base, dir, line.offset});
    }
    if (families.empty() || total > 5000) {
        fr.p.fillPath(path, light);
        return;
    }
    fr.p.save();
    fr.p.setClipPath(path, Qt::IntersectClip);
    fr.reset_pen();
    fr.pen(color, 0, false);
    double reach = std::hypot(h.box.width(), h.box.height()) + 1;
    for (const auto& f : families) {
        for (double kk = f.kmin; kk <= f.kmax; kk += 1) {
            Point2 o{f.base.x + kk * f.off.x, f.base.y + kk * f.off.y};
            // Project the box centre on the line to centre the drawn segment.
            Point2 c = h.box.center();
            double t = (c.x - o.x) * f.dir.x + (c.y - o.y) * f.dir.y;
            Point2 a{o.x + (t - reach) * f.dir.x, o.y + (t - reach) * f.dir.y};
            Point2 b{o.x + (t + reach) * f.dir.x, o.y + (t + reach) * f.dir.y};
            fr.p.drawLine(m.map(a.x, a.y), m.map(b.x, b.y));
            any = true;
        }
    }
    fr.p.restore();
    fr.reset_pen();
    if (!any) fr.p.fillPath(path, light);
}

void DrawingRenderer::draw_image(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed) {
    const ImageData& img = *it.image;
    QPolygonF clip;
    for (const auto& p : img.clip) clip.append(m.map(p.x, p.y));
    if (clip.size() < 3) return;
    QPainterPath clip_path;
    clip_path.addPolygon(clip);
    clip_path.closeSubpath();
    const std::vector<QImage>* levels = img.found ? &images_->get(img.file) : nullptr;
    if (levels && !levels->empty() && img.px_w > 0 && img.px_h > 0) {
        // Screen pixels per image pixel at full size, to choose the copy to draw.
        double full = std::hypot(img.u.x, img.u.y) * m.scale();
        size_t level = 0;
        double per_pixel = full * img.px_w / (*levels)[0].width();
        while (level + 1 < levels->size() && per_pixel < 0.6) {
            ++level;
            per_pixel *= 2;
        }
        const QImage& q = (*levels)[level];
        double fx = img.px_w / q.width(), fy = img.px_h / q.height();
        // Image pixel (x right, y down from the top-left corner) -> drawing units -> screen.
        double ox = img.insertion.x + img.px_h * img.v.x, oy = img.insertion.y + img.px_h * img.v.y;
        double ux = fx * img.u.x, uy = fx * img.u.y, vx = -fy * img.v.x, vy = -fy * img.v.y;
        QTransform tr(m.a * ux + m.c * uy, m.b * ux + m.d * uy, m.a * vx + m.c * vy, m.b * vx + m.d * vy,
                      m.a * ox + m.c * oy + m.e, m.b * ox + m.d * oy + m.f);
        fr.p.save();
        fr.p.setClipPath(clip_path, Qt::IntersectClip);
        fr.p.setRenderHint(QPainter::SmoothPixmapTransform, per_pixel < 3);
        fr.p.setTransform(tr, true);
        fr.p.drawImage(QPointF(0, 0), q);
        fr.p.restore();
        fr.reset_pen();
        if (fr.image_frame != 0 || dashed) {
            fr.pen(color, 0, dashed);
            fr.p.drawPolygon(clip);
        }
        return;
    }
    // Not found or not readable: the frame and the file's name, as CAD programs show it.
    fr.pen(color, 0, dashed);
    fr.p.drawPolygon(clip);
    QRectF r = clip.boundingRect();
    if (r.width() > 60 && r.height() > 16) {
        fr.p.save();
        QFont f(QStringLiteral("Noto Sans CJK SC"));
        f.setPixelSize(12);
        fr.p.setFont(f);
        fr.p.setPen(color);
        std::string name = img.file.substr(img.file.find_last_of("/\\") + 1);
        fr.p.drawText(r.adjusted(4, 4, -4, -4), Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(name));
        fr.p.restore();
        fr.reset_pen();
    }
}

// ---------------------------------------------------------------- MTEXT

std::string DrawingRenderer::mtext_plain(const std::string& raw) {
    std::string out;
    size_t i = 0, n = raw.size();
    while (i < n) {
        char c = raw[i];
        if (c == '{' || c == '}') {
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 >= n) {
            out += c;
            ++i;
            continue;
        }
        char k = raw[i + 1];
        switch (k) {
            case 'P': out += '\n'; i += 2; break;
            case 'N': out += '\n'; i += 2; break;
            case '~': out += ' '; i += 2; break;
            case '\\': case '{': case '}': out += k; i += 2; break;
            case 'L': case 'l': case 'O': case 'o': case 'K': case 'k': i += 2; break;
            case 'S': {
                // Stacked text a^b, a/b or a#b: shown as a/b.
                size_t end = raw.find(';', i + 2);
                std::string s = raw.substr(i + 2, end == std::string::npos ? std::string::npos : end - i - 2);
                for (char& ch : s)
                    if (ch == '^' || ch == '#') ch = '/';
                out += s;
                i = end == std::string::npos ? n : end + 1;
                break;
            }
            case 'U':
                if (i + 6 < n && raw[i + 2] == '+') {
                    // \U+XXXX: a character by its code point.
                    unsigned cp = unsigned(std::strtoul(raw.substr(i + 3, 4).c_str(), nullptr, 16));
                    QString q = QString(QChar(char16_t(cp)));
                    out += q.toStdString();
                    i += 7;
                } else {
                    out += k;
                    i += 2;
                }
                break;
            default:
                if (std::string("fFHhCcAaQqTtWwp").find(k) != std::string::npos) {
                    // A formatting code running up to its ';'.
                    size_t end = raw.find(';', i + 2);
                    i = end == std::string::npos ? n : end + 1;
                } else {
                    out += k;
                    i += 2;
                }
        }
    }
    return out;
}

}  // namespace korvane::render
