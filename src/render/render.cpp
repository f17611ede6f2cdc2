#include "render/render.h"

#include <QFontMetricsF>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>

#include "drawing/block.h"
#include "drawing/draw_order.h"
#include "drawing/entity.h"
#include "drawing/image.h"
#include "drawing/image_files.h"
#include "drawing/prefetch.h"
#include "drawing/spatial_index.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/system_variables.h"
#include "render/aci.h"
#include "render/frame.h"
#include "render/image_cache.h"
#include "render/paint_worker.h"

namespace korvane::render {

using drawing::Document;
using drawing::RecordId;

namespace {

constexpr int kMaxBlockDepth = 8;

constexpr float kEverywhere = std::numeric_limits<float>::infinity();

double number(const host::Value& v, double fallback) {
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto i = std::get_if<long long>(&v)) return double(*i);
    return fallback;
}

// How far a text reaches from its insertion point (0 for other entities), so that the view's
// query takes in labels whose insertion point lies just outside it.
double text_reach(const Document& doc, RecordId id) {
    std::string_view t = doc.type(id);
    if (t != "TEXT" && t != "MTEXT") return 0;
    drawing::EntityView e(doc, id);
    double h = e.real(40).value_or(1);
    // Bytes are an upper bound of the characters, in the file's own encoding as well: a TEXT's
    // value need not be decoded for it.
    int value = t == "TEXT" ? e.find(1) : -1;
    double n = double(value >= 0 ? doc.raw(e.rec().tags[size_t(value)]).size() : e.text().size());
    if (t == "MTEXT") n = std::min(n, e.real(41).value_or(0) > 0 ? e.real(41).value_or(0) / h : n);
    return h * (n * std::max(1.0, e.real(41).value_or(1)) + 2);
}

QFont label_font() {
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(100);
    return font;
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

// ---------------------------------------------------------------- frame

void Frame::pen(QColor c, double width_px, bool dashed) {
    if (pen_set && pen_rgb == c.rgba() && pen_width == width_px && pen_dashed == dashed) return;
    QPen pen(c);
    if (options.min_line_px > 0) width_px = std::max(width_px, options.min_line_px);
    if (width_px >= 1.5 || options.min_line_px > 0) {
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

// ---------------------------------------------------------------- items

// The image files of the drawing being shown, looked for once per change of the drawing.
struct DrawingRenderer::Files {
    drawing::ImageFileLocator locator;
};

DrawingRenderer::DrawingRenderer(ImageCache* images) : layers_(std::make_unique<LayerTable>()), images_(images) {
    if (!images_) {
        own_images_ = std::make_unique<ImageCache>(ImageCacheOptions{.threads = 0});
        images_ = own_images_.get();
    }
}

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

void DrawingRenderer::set_image_directory(const std::string& dir) {
    if (dir == image_dir_) return;
    image_dir_ = dir;
    clear();
}

bool DrawingRenderer::sync(host::HostDocument& hd) {
    const Document& doc = hd.doc();
    if (doc_key_ == &doc && revision_ == doc.revision() && record_count_ == doc.record_count()) return true;
    bool followed = doc_key_ == &doc && follow_log(hd);
    revision_ = doc.revision();
    record_count_ = doc.record_count();
    log_generation_ = doc.change_generation();
    log_seen_ = doc.change_log().size();
    if (followed) return true;
    clear();
    slot_.assign(doc.record_count(), -1);
    doc_key_ = &doc;
    revision_ = doc.revision();
    layers_->load(doc);
    std::filesystem::path p(hd.path());
    files_ = std::make_unique<Files>(
        Files{drawing::ImageFileLocator(p.has_parent_path() ? p.parent_path().string() : std::string(), image_dir_)});
    builder_ = std::make_unique<ItemBuilder>(doc, *layers_, block_boxes_, files_->locator);
    text_margin_ = 0;
    in_model_.assign(doc.record_count(), false);
    owner_of_.assign(doc.record_count(), drawing::kNoRecord);
    const std::vector<RecordId>& ms = hd.modelspace();
    for (size_t k = 0; k < ms.size(); ++k) {
        drawing::prefetch_ahead(doc, ms, k, ms.size());
        note_model_entity(doc, ms[k]);
    }

    // The index answers in file order; a sort table of another program may order otherwise.
    draw_rank_.clear();
    if (drawing::has_sort_table(doc)) {
        std::vector<RecordId> order = drawing::draw_order(doc);
        if (order != hd.modelspace()) {
            draw_rank_.assign(doc.record_count(), 0);
            for (size_t i = 0; i < order.size(); ++i) draw_rank_[order[i]] = uint32_t(i);
        }
    }
    return false;
}

void DrawingRenderer::note_model_entity(const Document& doc, RecordId id) {
    in_model_[id] = true;
    for (RecordId f : doc.record(id).followers)
        if (f < owner_of_.size()) owner_of_[f] = id;
    text_margin_ = std::max(text_margin_, text_reach(doc, id));
}

bool DrawingRenderer::follow_log(host::HostDocument& hd) {
    const Document& doc = hd.doc();
    const auto& log = doc.change_log();
    // A change the log does not describe (undo, sections, a new generation) or a revision that
    // moved without an entry: every item is built again.
    if (doc.change_generation() != log_generation_ || log.size() <= log_seen_) return false;
    in_model_.resize(doc.record_count(), false);
    owner_of_.resize(doc.record_count(), drawing::kNoRecord);
    slot_.resize(doc.record_count(), -1);
    std::vector<RecordId> changed;
    for (size_t k = log_seen_; k < log.size(); ++k) {
        RecordId id = log[k].id;
        if (id >= in_model_.size()) return false;
        if (log[k].appended) note_model_entity(doc, id);
        if (owner_of_[id] != drawing::kNoRecord) id = owner_of_[id];
        // Tables, blocks, objects and the header change how many entities look: all again.
        if (!in_model_[id]) return false;
        changed.push_back(id);
    }
    for (RecordId id : changed) {
        text_margin_ = std::max(text_margin_, text_reach(doc, id));
        if (slot_[id] >= 0) items_[size_t(slot_[id])] = builder_->build(id, false);
    }
    return true;
}

const Item& DrawingRenderer::item(RecordId id) {
    if (id >= slot_.size()) slot_.resize(id + 1, -1);
    int32_t& s = slot_[id];
    if (s < 0) {
        s = int32_t(items_.size());
        items_.push_back(builder_->build(id, false));
    }
    return *items_[size_t(s)];
}

const std::vector<std::unique_ptr<Item>>& DrawingRenderer::block(const Document& doc, const std::string& name) {
    auto found = blocks_.find(name);
    if (found != blocks_.end()) return found->second;
    auto& items = blocks_[name];
    RecordId b = drawing::find_block(doc, name);
    if (b == drawing::kNoRecord) return items;
    for (RecordId id : drawing::block_entities(doc, b)) {
        auto it = builder_->build(id, true);
        if (it->kind != Item::Skip) items.push_back(std::move(it));
    }
    return items;
}

// ---------------------------------------------------------------- painting

RenderStats DrawingRenderer::render(QPainter& painter, host::HostDocument& hd, const host::EmbeddedHost& host,
                                    QSize size, const RenderOptions& options) {
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    auto spent_ms = [&] { return std::chrono::duration<double, std::milli>(Clock::now() - started).count(); };
    // Taking in a new drawing may be a step of its own: the frame starts at the next.
    if (!sync(hd) && options.budget_ms > 0 && spent_ms() >= options.budget_ms / 2) {
        RenderStats taken_in;
        taken_in.whole = false;
        return taken_in;
    }
    const Document& doc = hd.doc();
    const QRect whole(QPoint(0, 0), size);
    const QRect area = options.area.isEmpty() ? whole : options.area & whole;
    painter.save();
    ViewTransform xf = ViewTransform::of(hd.view(), size);
    images_->begin_frame();

    Frame fr{painter, options, doc, *images_};
    fr.screen_w = xf.width;
    fr.screen_h = xf.height;
    fr.pdmode = int(number(host::get_system_variable(hd, host, "PDMODE"), 0));
    fr.pdsize = number(host::get_system_variable(hd, host, "PDSIZE"), 0);
    fr.image_frame = doc.is_r12() ? 1 : drawing::image_frame(doc);
    fr.font = label_font();
    QFontMetricsF fm(fr.font);
    fr.cap = std::max(1.0, fm.capHeight());
    fr.descent = fm.descent();
    painter.setFont(fr.font);

    double point_reach = fr.pdsize > 0 ? fr.pdsize : hd.view().height * 0.05;
    drawing::Box2 box = drawing::Box2::of(xf.to_world(area.topLeft()), xf.to_world(area.bottomRight() + QPoint(1, 1)))
                            .grown(std::max(text_margin_, point_reach));
    drawing::SpatialIndex& index = hd.index();
    std::vector<uint32_t>& entries = entries_of_frame_;
    const Query query{&doc, doc.revision(), {box.min_x, box.min_y, box.max_x, box.max_y}};
    // A later step of a frame goes on with the entities its first step found.
    const bool going_on = options.from > 0 && query == query_ && options.from <= entries.size();
    if (!going_on) {
        painter.fillRect(whole, background(options.dark_background));
        index.query_entries(box, entries);
        if (!draw_rank_.empty())
            std::stable_sort(entries.begin(), entries.end(), [&](uint32_t a, uint32_t b) {
                RecordId x = index.entry_id(a), y = index.entry_id(b);
                return (x < draw_rank_.size() ? draw_rank_[x] : ~0u) < (y < draw_rank_.size() ? draw_rank_[y] : ~0u);
            });
        query_ = query;
    }
    fr.stats.candidates = entries.size();
    // Whether lines are antialiased depends on the whole frame, not on one step of it.
    const bool antialiased = entries.size() < options.antialias_limit;
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    // Drawing coordinates land on pixel centres (the half pixel), so that a one-pixel line on
    // a whole screen coordinate stays one pixel wide under antialiasing.
    Affine world{xf.scale, 0, 0, -xf.scale, xf.width / 2 - xf.cx * xf.scale + 0.5, xf.height / 2 + xf.cy * xf.scale + 0.5};
    const auto& highlighted = hd.highlighted();
    const bool marks = !highlighted.empty() || (options.selected && !options.selected->empty());

    QImage* picture = painter.device() && painter.device()->devType() == QInternal::Image
                          ? static_cast<QImage*>(painter.device())
                          : nullptr;
    const bool bands_possible = picture && size.height() >= 2 && !painter.hasClipping() &&
                                painter.worldTransform().isIdentity() && picture->devicePixelRatio() == 1 &&
                                picture->size() == size &&
                                // The second painter reaches the same pixels through an image of
                                // its own, which carries no colour table: whole 32-bit pixels only.
                                (picture->format() == QImage::Format_RGB32 ||
                                 picture->format() == QImage::Format_ARGB32_Premultiplied ||
                                 picture->format() == QImage::Format_ARGB32);

    // Paints entities [from, to) of the frame, in order.
    auto paint_entries = [&](const size_t from, const size_t to) {
        const size_t count = to - from;
        const bool two_threads = count > 0 && count >= options.two_threads_from && PaintWorker::worthwhile();
        const bool two_bands = two_threads && bands_possible;

        // Each entity's item and, for two bands, the rows it may paint: its box in the index,
        // grown by how far a label, a point's mark or a line's width may reach beyond it (one
        // band takes every row). Looked up on both threads; what is not built yet is built
        // afterwards on this one (building keeps tables), in two halves when there is much of it.
        std::vector<Placed>& placed = placed_;
        placed.resize(count);
        auto rows = [&](Placed& p, uint32_t e) {
            if (!two_bands) {
                p.top = p.bottom = 0;
                return;
            }
            const drawing::Box2& b = index.entry_box(e);
            const Item& it = *p.item;
            double reach = it.kind == Item::Text || it.kind == Item::Insert ? text_margin_
                           : it.kind == Item::Point                          ? point_reach
                                                                              : 0;
            double grow = (reach + it.width) * xf.scale + 2;
            p.top = float(world.map(0, b.max_y).y() - grow);
            p.bottom = float(world.map(0, b.min_y).y() + grow);
        };
        struct Looked {
            std::vector<size_t> missing, inserts;
            bool images = false;
        };
        auto look_up = [&](size_t first, size_t last, Looked& out) {
            for (size_t k = first; k < last; ++k) {
                Placed& p = placed[k];
                p.id = index.entry_id(entries[from + k]);
                p.dashed = p.id == options.hover || (marks && (highlighted.count(p.id) ||
                                                               (options.selected && options.selected->count(p.id))));
                p.item = p.id < slot_.size() && slot_[p.id] >= 0 ? items_[size_t(slot_[p.id])].get() : nullptr;
                if (!p.item) {
                    out.missing.push_back(k);
                    continue;
                }
                rows(p, entries[from + k]);
                if (p.item->kind == Item::Insert) out.inserts.push_back(k);
                out.images = out.images || p.item->kind == Item::Image;
            }
        };
        Looked first, second;
        if (two_threads) {
            const size_t half = count / 2;
            if (!worker_) worker_ = std::make_unique<PaintWorker>();
            worker_->share([&] { look_up(half, count, second); }, [&] { look_up(0, half, first); });
        } else {
            look_up(0, count, first);
        }
        first.missing.insert(first.missing.end(), second.missing.begin(), second.missing.end());
        first.inserts.insert(first.inserts.end(), second.inserts.begin(), second.inserts.end());
        if (two_threads && first.missing.size() >= 2) {
            std::vector<RecordId> ids;
            for (size_t k : first.missing) ids.push_back(placed[k].id);
            build_in_two(ids);
        }
        bool has_images = first.images || second.images;
        for (size_t k : first.missing) {
            Placed& p = placed[k];
            p.item = &item(p.id);
            rows(p, entries[from + k]);
            if (p.item->kind == Item::Insert) first.inserts.push_back(k);
            has_images = has_images || p.item->kind == Item::Image;
        }
        // Blocks are built on this thread too, before either band draws one.
        if (two_bands)
            for (size_t k : first.inserts) prepare_blocks(doc, *placed[k].item, 0);

        if (!two_bands || has_images) {
            // Images decode and cache as they are drawn: such frames stay on one thread.
            paint_band(fr, placed, world, -kEverywhere, kEverywhere, false);
            return;
        }
        // Two bands of about as many entities each; each painter clips to its own rows, and a
        // clip only decides which pixels are written, never where a line's pixels fall.
        std::vector<float> middles;
        for (size_t k = 0; k < placed.size(); k += 16) middles.push_back((placed[k].top + placed[k].bottom) / 2);
        std::nth_element(middles.begin(), middles.begin() + ptrdiff_t(middles.size() / 2), middles.end());
        const int split = std::clamp(int(std::lround(middles[middles.size() / 2])), 1, size.height() - 1);
        if (!worker_) worker_ = std::make_unique<PaintWorker>();
        QImage lower(const_cast<uchar*>(picture->constBits()), picture->width(), picture->height(), picture->bytesPerLine(), picture->format());
        RenderStats below;
        auto lower_band = [&] {
            QPainter p(&lower);
            p.setRenderHint(QPainter::Antialiasing, antialiased);
            p.setRenderHint(QPainter::TextAntialiasing, true);
            // A font of its own: copies share their cached font engine, which is not for two threads.
            const QFont font = label_font();
            p.setFont(font);
            p.setClipRect(QRect(0, split, size.width(), size.height() - split));
            Frame band{p, options, doc, *images_};
            band.screen_w = fr.screen_w;
            band.screen_h = fr.screen_h;
            band.pdmode = fr.pdmode;
            band.pdsize = fr.pdsize;
            band.image_frame = fr.image_frame;
            band.font = font;
            band.cap = fr.cap;
            band.descent = fr.descent;
            paint_band(band, placed, world, float(split), kEverywhere, true);
            below = band.stats;
        };
        painter.setClipRect(QRect(0, 0, size.width(), split));
        worker_->share(lower_band, [&] { paint_band(fr, placed, world, -kEverywhere, float(split), false); });
        painter.setClipping(false);
        fr.stats.drawn += below.drawn;
    };

    // In steps, the frame goes slice by slice until its time is spent; each slice is painted
    // whole, in order, so where the frame stops does not change a pixel. After the first slice
    // the next is sized by the time left, since each slice costs a little.
    const size_t least = std::max<size_t>(1, options.step_entities);
    size_t slice = options.budget_ms > 0 ? least : std::max<size_t>(1, entries.size());
    size_t at = going_on ? options.from : 0, done = 0;
    const double before_slices = spent_ms();
    while (at < entries.size()) {
        const size_t to = std::min(entries.size(), at + slice);
        paint_entries(at, to);
        done += to - at;
        at = to;
        if (options.budget_ms <= 0) continue;
        // A slice takes three quarters of what seems to fit in the time left (entities differ,
        // and the machine's speed moves), and the step ends in its last quarter.
        const double spent = spent_ms();
        if (spent >= options.budget_ms * 0.75) break;
        const double per_entity = std::max(1e-6, spent - before_slices) / double(done);
        slice = std::max(least, size_t((options.budget_ms - spent) * 0.75 / per_entity));
    }
    fr.stats.whole = at >= entries.size();
    fr.stats.next = at;
    painter.restore();
    return fr.stats;
}

void DrawingRenderer::paint_band(Frame& fr, const std::vector<Placed>& placed, const Affine& world, float top,
                                 float bottom, bool count_shared) {
    for (const Placed& p : placed) {
        if (p.bottom < top || p.top >= bottom || p.item->kind == Item::Skip) continue;
        if (count_shared && p.top < top) {
            size_t drawn = fr.stats.drawn;
            draw(fr, *p.item, world, -1, 7, p.dashed, 0);
            fr.stats.drawn = drawn;
        } else {
            draw(fr, *p.item, world, -1, 7, p.dashed, 0);
        }
    }
}

void DrawingRenderer::build_in_two(const std::vector<RecordId>& ids) {
    // Each thread builds what needs only the drawing's records; the rest (blocks, images, layers
    // the table lacks) is built afterwards here, in the order of `ids` as one thread would.
    std::vector<std::unique_ptr<Item>> built(ids.size());
    const size_t half = ids.size() / 2;
    if (!worker_) worker_ = std::make_unique<PaintWorker>();
    auto build = [&](size_t from, size_t to) {
        ItemBuilder::LayerMemo memo;
        for (size_t k = from; k < to; ++k) {
            drawing::prefetch_ahead(builder_->document(), ids, k, to);
            built[k] = builder_->build_alone(ids[k], memo);
        }
    };
    worker_->share([&] { build(half, ids.size()); }, [&] { build(0, half); });
    for (size_t k = 0; k < ids.size(); ++k) {
        if (!built[k]) built[k] = builder_->build(ids[k], false);
        if (ids[k] >= slot_.size()) slot_.resize(ids[k] + 1, -1);
        slot_[ids[k]] = int32_t(items_.size());
        items_.push_back(std::move(built[k]));
    }
}

void DrawingRenderer::prepare_blocks(const Document& doc, const Item& it, int depth) {
    if (depth >= kMaxBlockDepth) return;
    for (const auto& child : block(doc, it.insert->block))
        if (child->kind == Item::Insert) prepare_blocks(doc, *child, depth + 1);
}

void DrawingRenderer::draw(Frame& fr, const Item& it, const Affine& m, int inherit_layer, int inherit_color,
                           bool dashed, int depth) {
    const auto& states = layers_->states;
    int layer = it.layer;
    if (inherit_layer >= 0) {
        auto z = layers_->index.find("0");
        if (z != layers_->index.end() && layer == z->second) layer = inherit_layer;
    }
    bool known = layer >= 0 && size_t(layer) < states.size();
    if (known && !states[size_t(layer)].visible) return;
    if (it.kind == Item::Text) {
        // Labels too small to read are the most of a whole county's view: left before their colour.
        double h_px = it.text->height * m.scale();
        if (h_px < kMinTextPixels || h_px > kMaxTextPixels) {
            ++fr.stats.drawn;
            return;
        }
    }
    int aci = it.color;
    if (aci == 256) aci = known ? std::abs(states[size_t(layer)].color) : 7;
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

}  // namespace korvane::render
