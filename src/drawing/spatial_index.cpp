#include "spatial_index.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <thread>

#include "prefetch.h"

namespace korvane::drawing {

namespace {

// Position of a cell on the Hilbert curve through a 65536 x 65536 grid.
uint64_t hilbert(uint32_t x, uint32_t y) {
    constexpr uint32_t n = 1u << 16;
    uint64_t d = 0;
    for (uint32_t s = n / 2; s > 0; s /= 2) {
        uint32_t rx = (x & s) ? 1 : 0;
        uint32_t ry = (y & s) ? 1 : 0;
        d += uint64_t(s) * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = n - 1 - x;
                y = n - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return d;
}

// Runs part(from, to) over [0, n): from `two_from` items on, half of them on a second thread.
// The parts must only read what they share.
template <class Part>
void run_in_two(size_t n, size_t two_from, Part part) {
    if (n < two_from || std::thread::hardware_concurrency() < 2) {
        part(size_t(0), n);
        return;
    }
    const size_t half = n / 2;
    std::exception_ptr failure;
    std::thread other([&] {
        try {
            part(half, n);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        part(size_t(0), half);
    } catch (...) {
        other.join();
        throw;
    }
    other.join();
    if (failure) std::rethrow_exception(failure);
}

constexpr size_t kTwoThreadsFrom = 20000;

bool in_model_space(const Document& doc, RecordId id) {
    const Record& r = doc.record(id);
    if (r.erased || r.tags.empty() || r.tags[0].code != 0) return false;
    std::string_view type = doc.type(id);
    if (type == "VERTEX" || type == "SEQEND" || type == "ATTRIB") return false;  // parts of their owners
    for (size_t i = 1; i < r.tags.size() && i < 12; ++i)
        if (r.tags[i].code == 67) return doc.integer(r.tags[i]) != 1;
    return true;
}

// Groups that never move an entity: handle, linetype, layer, linetype scale, visibility,
// colours, subclass markers, reactors and owners, lineweight, plot style.
bool placeless(int code) {
    switch (code) {
        case 5: case 6: case 8: case 48: case 60: case 62: case 100: case 102: case 284: case 330:
        case 360: case 370: case 390: case 420: case 430: case 440:
            return true;
        default:
            return false;
    }
}

// A signature of what decides an entity's place: its groups up to its extended data and those
// of its followers. A value is never changed in place (a new value is a new tag in the
// document's pool), so the identity of the tags stands for their values.
uint64_t geometry_signature(const Document& doc, RecordId id) {
    uint64_t h = 0xCBF29CE484222325ull;
    auto add_record = [&](RecordId rid) {
        const Record& r = doc.record(rid);
        h = (h ^ (uint64_t(rid) << 1 | (r.erased ? 1 : 0))) * 0x100000001B3ull;
        for (const Tag& t : r.tags) {
            if (t.code == 1001) break;
            if (placeless(t.code)) continue;
            // (owned, offset) names the value; the code keeps a tag moved to another group apart.
            uint64_t key = (uint64_t(t.owned) << 63) ^ (uint64_t(uint16_t(t.code)) << 40) ^ (uint64_t(t.length) << 32) ^ t.offset;
            h = (h ^ key) * 0x100000001B3ull;
        }
    };
    add_record(id);
    for (RecordId f : doc.record(id).followers) add_record(f);
    h ^= h >> 31;
    return h | 1;  // never 0, which stands for "not seen"
}

// The box entity_bounds gives, read straight from the groups for the kinds a survey drawing
// is made of (straight-sided polylines, texts, points in the plane of the drawing), without
// building their shapes; nullopt when the entity is of another kind, or has arcs or an
// extrusion direction: then its shape decides.
std::optional<std::optional<Box2>> plain_bounds(const Document& doc, RecordId id, std::string_view type) {
    const bool polyline = type == "LWPOLYLINE";
    const bool at_point = type == "TEXT" || type == "MTEXT" || type == "POINT" || type == "ATTDEF";
    if (!polyline && !at_point) return std::nullopt;
    const std::vector<Tag>& tags = doc.record(id).tags;
    Box2 box;
    bool any = false;
    for (size_t i = 1; i < tags.size(); ++i) {
        const int code = tags[i].code;
        if (code == 1001) break;
        if (code == 210 || (code == 42 && polyline && doc.real(tags[i]) != 0)) return std::nullopt;
        if (code != 10 || (any && !polyline)) continue;
        Point2 p{doc.real(tags[i]), 0};
        if (i + 1 < tags.size() && tags[i + 1].code == 20) p.y = doc.real(tags[++i]);
        box.add(p);
        any = true;
    }
    // A text without its point stands at the origin; a polyline without vertices has no place.
    if (!any && at_point) box.add(Point2{0, 0});
    if (box.empty()) return std::optional<Box2>{};
    return std::optional<Box2>{box};
}

}  // namespace

void SpatialIndex::Tree::build(std::vector<uint32_t> items, const std::vector<Entry>& entries, const Box2& extents) {
    boxes.clear();
    refs.clear();
    level_end.clear();
    if (items.empty()) return;
    double w = extents.width() > 0 ? extents.width() : 1;
    double h = extents.height() > 0 ? extents.height() : 1;
    // Each half keyed and sorted on its own thread, then merged: the keys with their entries are
    // all different, so the order is the one a single sort gives.
    std::vector<std::pair<uint64_t, uint32_t>> keyed(items.size());
    run_in_two(items.size(), kTwoThreadsFrom, [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
            Point2 c = entries[items[k]].box.center();
            auto cell = [](double v) { return uint32_t(std::clamp(v, 0.0, 1.0) * 65535.0); };
            keyed[k] = {hilbert(cell((c.x - extents.min_x) / w), cell((c.y - extents.min_y) / h)), items[k]};
        }
        std::sort(keyed.begin() + std::ptrdiff_t(from), keyed.begin() + std::ptrdiff_t(to));
    });
    if (items.size() >= kTwoThreadsFrom)
        std::inplace_merge(keyed.begin(), keyed.begin() + std::ptrdiff_t(items.size() / 2), keyed.end());
    size_t total = keyed.size();
    for (size_t n = keyed.size(); n > 1;) {
        n = (n + kNodeSize - 1) / kNodeSize;
        total += n;
    }
    boxes.reserve(total);
    refs.reserve(total);
    for (size_t k = 0; k < keyed.size(); ++k) {
        // In the curve's order the entries are read here and there: each asked for a little ahead.
        if (k + 8 < keyed.size()) __builtin_prefetch(&entries[keyed[k + 8].second].box);
        const uint32_t e = keyed[k].second;
        boxes.push_back(entries[e].box);
        refs.push_back(e);
    }
    level_end.push_back(boxes.size());
    size_t level_begin = 0;
    while (level_end.back() - level_begin > 1) {
        size_t end = level_end.back();
        for (size_t i = level_begin; i < end; i += kNodeSize) {
            Box2 b;
            for (size_t k = i; k < std::min(end, i + kNodeSize); ++k) b.add(boxes[k]);
            boxes.push_back(b);
            refs.push_back(uint32_t(i));
        }
        level_begin = end;
        level_end.push_back(boxes.size());
    }
}

template <class F>
void SpatialIndex::Tree::search(const Box2& q, F&& visit) const {
    if (boxes.empty()) return;
    struct Item {
        size_t pos;
        size_t level;
    };
    Item stack[64 * kNodeSize];
    size_t top = 0;
    size_t root = boxes.size() - 1;
    if (!boxes[root].intersects(q)) return;
    if (level_end.size() == 1) {
        visit(refs[root]);
        return;
    }
    stack[top++] = {root, level_end.size() - 1};
    while (top > 0) {
        Item it = stack[--top];
        size_t first = refs[it.pos];
        size_t end = std::min<size_t>(first + kNodeSize, level_end[it.level - 1]);
        for (size_t c = first; c < end; ++c) {
            if (!boxes[c].intersects(q)) continue;
            if (it.level == 1) visit(refs[c]);
            else stack[top++] = {c, it.level - 1};
        }
    }
}

SpatialIndex::SpatialIndex(const Document& doc, ArcOptions arcs) : doc_(&doc), arcs_(arcs) {}
SpatialIndex::~SpatialIndex() = default;
SpatialIndex::SpatialIndex(SpatialIndex&&) noexcept = default;

void SpatialIndex::refresh() {
    if (!built_) rebuild();
    else if (revision_ != doc_->revision() && !catch_up_from_log()) catch_up();
}

void SpatialIndex::note_log_position() {
    log_generation_ = doc_->change_generation();
    log_seen_ = doc_->change_log().size();
}

void SpatialIndex::note_followers(RecordId id) {
    for (RecordId f : doc_->record(id).followers)
        if (f < owner_of_.size()) owner_of_[f] = id;
}

bool SpatialIndex::catch_up_from_log() {
    const auto& log = doc_->change_log();
    if (doc_->change_generation() != log_generation_ || log.size() < log_seen_) return false;
    grow_record_tables();
    std::vector<Document::Change> changes(log.begin() + std::ptrdiff_t(log_seen_), log.end());
    for (auto& c : changes)
        if (c.id < owner_of_.size() && owner_of_[c.id] != kNoRecord) c.id = owner_of_[c.id];
    // First decide whether the log tells everything, then change the index.
    std::vector<RecordId> appended;
    for (const auto& c : changes) {
        if (c.id >= entry_of_.size()) return false;
        if (c.appended) {
            if (seen_in_[c.id] != 0) return false;  // appended twice: order unknown
            appended.push_back(c.id);
        }
    }
    std::sort(appended.begin(), appended.end());
    auto is_appended = [&](RecordId id) { return std::binary_search(appended.begin(), appended.end(), id); };
    for (const auto& c : changes) {
        // A record never seen in model space and not appended to it: a block's entity, a table
        // entry, an object — it may move block references, so the drawing is walked.
        if (seen_in_[c.id] == 0 && !is_appended(c.id)) return false;
        // An entity without a place that may have gained one: its drawing order is not kept.
        if (seen_in_[c.id] != 0 && entry_of_[c.id] == kNone && in_model_space(*doc_, c.id) &&
            geometry_signature(*doc_, c.id) != signature_of_[c.id])
            return false;
    }
    // Appended entities in the order they were appended, each once; then the edited ones.
    std::vector<RecordId> order_of_appends;
    for (const auto& c : changes)
        if (c.appended) order_of_appends.push_back(c.id);
    for (RecordId id : order_of_appends) {
        seen_in_[id] = walk_;
        note_followers(id);
        uint32_t order = next_order_++;
        if (!in_model_space(*doc_, id)) continue;
        signature_of_[id] = geometry_signature(*doc_, id);
        take_in(id, order);
    }
    std::vector<RecordId> edited;
    for (const auto& c : changes)
        if (!c.appended && !is_appended(c.id)) edited.push_back(c.id);
    std::sort(edited.begin(), edited.end());
    edited.erase(std::unique(edited.begin(), edited.end()), edited.end());
    for (RecordId id : edited) {
        if (!in_model_space(*doc_, id)) {
            drop(id);  // erased, or moved to paper space
            continue;
        }
        uint64_t signature = geometry_signature(*doc_, id);
        if (signature == signature_of_[id]) continue;  // extended data, colour, layer: same place
        signature_of_[id] = signature;
        uint32_t e = entry_of_[id];
        if (e != kNone) take_in(id, entries_[e].order);
    }
    revision_ = doc_->revision();
    note_log_position();
    rebuild_if_crowded();
    return true;
}

void SpatialIndex::grow_record_tables() {
    size_t n = doc_->record_count();
    if (entry_of_.size() >= n) return;
    entry_of_.resize(n, kNone);
    signature_of_.resize(n, 0);
    seen_in_.resize(n, 0);
    owner_of_.resize(n, kNoRecord);
}

std::vector<SpatialIndex::Measured> SpatialIndex::measure(const std::vector<RecordId>& ids) const {
    std::vector<Measured> out(ids.size());
    auto run = [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
            prefetch_ahead(*doc_, ids, k, to);
            Measured& m = out[k];
            m.signature = geometry_signature(*doc_, ids[k]);
            const std::string_view type = doc_->type(ids[k]);
            m.insert = type == "INSERT";
            m.fill = is_fill_type(type);
            if (m.insert) continue;
            if (auto plain = plain_bounds(*doc_, ids[k], type)) m.box = *plain;
            else m.box = entity_bounds(*doc_, ids[k], nullptr);
        }
    };
    // The records are only read.
    run_in_two(ids.size(), kTwoThreadsFrom, run);
    return out;
}

void SpatialIndex::rebuild() {
    entries_.clear();
    outline_points_.clear();
    entry_of_.assign(doc_->record_count(), kNone);
    signature_of_.assign(doc_->record_count(), 0);
    seen_in_.assign(doc_->record_count(), 0);
    owner_of_.assign(doc_->record_count(), kNoRecord);
    ++walk_;
    blocks_.clear();
    extents_ = Box2{};
    std::vector<RecordId> ms = doc_->modelspace();
    entries_.reserve(ms.size());
    std::vector<uint32_t> items;
    items.reserve(ms.size());
    const std::vector<Measured> measured = measure(ms);
    for (size_t k = 0; k < ms.size(); ++k) {
        RecordId id = ms[k];
        signature_of_[id] = measured[k].signature;
        seen_in_[id] = walk_;
        note_followers(id);
        // An insert's box reads and fills the cache of block boxes: measured here, on one thread.
        std::optional<Box2> b = measured[k].insert ? entity_bounds(*doc_, id, &blocks_) : measured[k].box;
        if (!b) continue;
        Entry e;
        e.id = id;
        e.order = uint32_t(k);
        e.box = *b;
        e.fill = measured[k].fill;
        extents_.add(*b);
        entry_of_[id] = uint32_t(entries_.size());
        items.push_back(uint32_t(entries_.size()));
        entries_.push_back(std::move(e));
    }
    next_order_ = uint32_t(ms.size());
    tree_.build(std::move(items), entries_, extents_);
    tree_entries_ = entries_.size();
    alive_ = entries_.size();
    origin_ = extents_.empty() ? Point2{} : Point2{std::round(extents_.center().x / 1000) * 1000,
                                                   std::round(extents_.center().y / 1000) * 1000};
    built_ = true;
    revision_ = doc_->revision();
    note_log_position();
    ++builds_;
}

void SpatialIndex::drop(RecordId id) {
    if (id >= entry_of_.size()) return;
    signature_of_[id] = 0;  // seen again, it is taken in again
    uint32_t e = entry_of_[id];
    if (e == kNone) return;
    entries_[e].alive = false;
    entries_[e].outline.reset();
    entry_of_[id] = kNone;
    --alive_;
}

void SpatialIndex::take_in(RecordId id, uint32_t order) {
    uint64_t signature = signature_of_[id];
    drop(id);
    signature_of_[id] = signature;
    ++reindexed_;
    std::optional<Box2> b = entity_bounds(*doc_, id, &blocks_);
    if (!b) return;
    Entry e;
    e.id = id;
    e.order = order;
    e.box = *b;
    e.fill = is_fill_type(doc_->type(id));
    extents_.add(*b);
    entry_of_[id] = uint32_t(entries_.size());
    entries_.push_back(std::move(e));
    ++alive_;
}

void SpatialIndex::catch_up() {
    grow_record_tables();
    blocks_.clear();  // block definitions may have changed too
    std::vector<RecordId> ms = doc_->modelspace();
    ++walk_;
    std::vector<std::pair<RecordId, uint32_t>> changed;
    for (size_t k = 0; k < ms.size(); ++k) {
        RecordId id = ms[k];
        seen_in_[id] = walk_;
        note_followers(id);
        uint32_t e = entry_of_[id];
        if (e != kNone) entries_[e].order = uint32_t(k);  // drawing order may have changed
        uint64_t signature = geometry_signature(*doc_, id);
        if (signature != signature_of_[id]) {
            signature_of_[id] = signature;
            changed.push_back({id, uint32_t(k)});
        }
    }
    for (Entry& e : entries_)
        if (e.alive && seen_in_[e.id] != walk_) drop(e.id);  // erased or gone from model space
    for (auto [id, order] : changed) take_in(id, order);
    next_order_ = uint32_t(ms.size());
    revision_ = doc_->revision();
    note_log_position();
    rebuild_if_crowded();
}

void SpatialIndex::rebuild_if_crowded() {
    // Entries beside the tree are scanned on every query, dead ones in the tree still visited:
    // rebuild once either outgrows a small share of the tree.
    size_t beside = entries_.size() - tree_entries_;
    size_t dead = entries_.size() - alive_;
    if (beside > 256 + tree_entries_ / 16 || dead > 1024 + tree_entries_ / 4) rebuild();
}

size_t SpatialIndex::size() {
    refresh();
    return alive_;
}

Box2 SpatialIndex::extents() {
    refresh();
    return extents_;
}

Point2 SpatialIndex::origin() {
    refresh();
    return origin_;
}

void SpatialIndex::query_entries(const Box2& box, std::vector<uint32_t>& out) {
    refresh();
    out.clear();
    if (box.empty()) return;
    tree_.search(box, [&](uint32_t e) {
        if (entries_[e].alive) out.push_back(e);
    });
    for (size_t e = tree_entries_; e < entries_.size(); ++e)
        if (entries_[e].alive && entries_[e].box.intersects(box)) out.push_back(uint32_t(e));
    // A view that shows much of the drawing: placing each entry at its order is cheaper than
    // sorting (a whole drawing's query spent a quarter of a redraw in the sort).
    if (out.size() >= 1024 && out.size() * 8 >= next_order_) {
        std::vector<uint32_t> by_order(next_order_, kNone);
        bool unique = true;
        for (uint32_t e : out) {
            uint32_t order = entries_[e].order;
            if (order >= by_order.size() || by_order[order] != kNone) {
                unique = false;
                break;
            }
            by_order[order] = e;
        }
        if (unique) {
            out.clear();
            for (uint32_t e : by_order)
                if (e != kNone) out.push_back(e);
            return;
        }
    }
    std::sort(out.begin(), out.end(), [&](uint32_t a, uint32_t b) { return entries_[a].order < entries_[b].order; });
}

std::vector<RecordId> SpatialIndex::query(const Box2& box) {
    std::vector<uint32_t> es;
    query_entries(box, es);
    std::vector<RecordId> out;
    out.reserve(es.size());
    for (uint32_t e : es) out.push_back(entries_[e].id);
    return out;
}

const GEOSGeometry* SpatialIndex::entry_outline(uint32_t e) {
    Entry& entry = entries_[e];
    if (!entry.outline_made) {
        entry.outline_made = true;
        entry.outline = shape_outline(geos_, entity_shape(*doc_, entry.id, arcs_, &blocks_), origin_);
    }
    return entry.outline.get();
}

bool is_fill_type(std::string_view type) { return type == "HATCH" || type == "SOLID" || type == "TRACE"; }

namespace {

const Point2 kBreak{std::numeric_limits<double>::quiet_NaN(), 0};
bool is_break(const Point2& q) { return q.x != q.x; }

double point_distance(Point2 p, Point2 a) {
    const double dx = p.x - a.x, dy = p.y - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

// The distance from p to the segment a..b, computed step for step as GEOS computes it, so
// that a pick ranks its candidates exactly as it did when it asked GEOS.
double segment_distance(Point2 p, Point2 a, Point2 b) {
    if (a == b) return point_distance(p, a);
    const double len2 = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
    const double r = ((p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y)) / len2;
    if (r <= 0.0) return point_distance(p, a);
    if (r >= 1.0) return point_distance(p, b);
    const double s = ((a.y - p.y) * (b.x - a.x) - (a.x - p.x) * (b.y - a.y)) / len2;
    return std::fabs(s) * std::sqrt(len2);
}

}  // namespace

// The points are read back from the GEOS geometry, so that they are the very coordinates
// GEOS measures from: points and line strings, each part ended by a break.
void SpatialIndex::keep_outline_points(Entry& entry) {
    entry.points_at = uint32_t(outline_points_.size());
    entry.points_count = 0;
    GEOSContextHandle_t h = geos_.handle();
    const GEOSGeometry* g = entry.outline.get();
    if (!g) return;
    bool known = true;
    auto keep_part = [&](const GEOSGeometry* part) {
        int type = GEOSGeomTypeId_r(h, part);
        if (type != GEOS_POINT && type != GEOS_LINESTRING) {
            known = false;
            return;
        }
        const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(h, part);
        unsigned n = 0;
        if (!seq || !GEOSCoordSeq_getSize_r(h, seq, &n) || n == 0) {
            known = false;
            return;
        }
        for (unsigned i = 0; i < n; ++i) {
            Point2 q;
            if (!GEOSCoordSeq_getXY_r(h, seq, i, &q.x, &q.y) || !std::isfinite(q.x) || !std::isfinite(q.y)) known = false;
            outline_points_.push_back(q);
        }
        outline_points_.push_back(kBreak);
    };
    const int type = GEOSGeomTypeId_r(h, g);
    if (type == GEOS_POINT || type == GEOS_LINESTRING) {
        keep_part(g);
    } else {
        const int parts = GEOSGetNumGeometries_r(h, g);
        for (int k = 0; k < parts && known; ++k) keep_part(GEOSGetGeometryN_r(h, g, k));
    }
    entry.points_count = uint32_t(outline_points_.size() - entry.points_at);
    if (!known) {
        outline_points_.resize(entry.points_at);
        entry.points_count = kUnknownPoints;
    }
}

bool SpatialIndex::entry_has_vertex_of(uint32_t e, const std::vector<Point2>& vertices) {
    if (vertices.empty() || !entry_outline(e)) return false;
    Entry& entry = entries_[e];
    if (entry.points_count == 0) keep_outline_points(entry);
    if (entry.points_count == kUnknownPoints) return false;
    const Point2* pts = outline_points_.data() + entry.points_at;
    for (uint32_t i = 0; i < entry.points_count; ++i)
        if (!is_break(pts[i]) && std::binary_search(vertices.begin(), vertices.end(), pts[i], xy_less)) return true;
    return false;
}

double SpatialIndex::outline_distance(uint32_t e, Point2 p) {
    if (!entry_outline(e)) return std::numeric_limits<double>::infinity();
    Entry& entry = entries_[e];
    // Kept on the first measure only: selections and traces that never measure pay nothing.
    if (entry.points_count == 0) keep_outline_points(entry);
    if (entry.points_count == kUnknownPoints) return std::numeric_limits<double>::quiet_NaN();
    const Point2 q{p.x - origin_.x, p.y - origin_.y};  // as GEOS has the picked point
    const Point2* pts = outline_points_.data() + entry.points_at;
    double best = std::numeric_limits<double>::infinity();
    for (uint32_t i = 0; i < entry.points_count; ++i) {
        if (is_break(pts[i])) continue;
        const bool alone = is_break(pts[i + 1]) && (i == 0 || is_break(pts[i - 1]));
        double d = alone ? point_distance(q, pts[i]) : is_break(pts[i + 1]) ? best : segment_distance(q, pts[i], pts[i + 1]);
        best = std::min(best, d);
    }
    return best;
}

}  // namespace korvane::drawing
