#pragma once
// An index of the model-space entities of one document by their bounding boxes, so that a
// polygon search or a boundary trace looks at the few entities near it instead of the whole
// drawing. The index is a packed R-tree (Hilbert-ordered leaves, 16 entries a node) built on
// first use.
//
// When the document's revision() moves on, the next query brings the index up to date: it
// takes the records the document's change log names, compares a signature of each entity's
// geometry groups with the one it saw last, and takes in only the entities that moved
// (changing extended data or colour costs nothing). Where the log cannot tell (sections edited,
// undo, redo, blocks and tables changed) it walks model space once the same way. Changed and
// added entities are kept beside the tree and scanned until they are many enough to pay for a
// rebuild.
//
// Not thread-safe: one index per thread, like its GEOS context.
//
// The index keeps, per entity, its GEOS outline (built on first use) in coordinates relative
// to origin(), a round point near the middle of the drawing.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "geometry.h"

namespace korvane::drawing {

// Entities drawn as filled areas.
bool is_fill_type(std::string_view type);

class SpatialIndex {
public:
    // The document must outlive the index and stay at the same address.
    explicit SpatialIndex(const Document& doc, ArcOptions arcs = {});
    ~SpatialIndex();
    SpatialIndex(SpatialIndex&&) noexcept;
    // Not assignable: the cached geometries must go before the GEOS context they were made in.
    SpatialIndex& operator=(SpatialIndex&&) = delete;
    SpatialIndex(const SpatialIndex&) = delete;
    SpatialIndex& operator=(const SpatialIndex&) = delete;

    const Document& document() const { return *doc_; }
    const GeosContext& geos() const { return geos_; }
    const ArcOptions& arc_options() const { return arcs_; }

    // Builds the index, or brings it up to date when the document changed since.
    void refresh();
    // True when the index reflects the document's current revision.
    bool current() const { return built_ && revision_ == doc_->revision(); }
    // Number of full builds so far.
    size_t builds() const { return builds_; }
    // Number of entities taken in again (changed or added) since the index was created.
    size_t reindexed() const { return reindexed_; }

    // Number of entities with a place in the plane.
    size_t size();
    Box2 extents();
    Point2 origin();

    // Entities whose bounding box meets `box`, in drawing order.
    std::vector<RecordId> query(const Box2& box);

    // --- entries: the lower level that selection and tracing use -------------
    // Entries whose box meets `box`, sorted in drawing order (out is cleared first).
    void query_entries(const Box2& box, std::vector<uint32_t>& out);
    RecordId entry_id(uint32_t e) const { return entries_[e].id; }
    const Box2& entry_box(uint32_t e) const { return entries_[e].box; }
    // The entry's outline as GEOS geometry relative to origin(); nullptr when it cannot be made.
    const GEOSGeometry* entry_outline(uint32_t e);
    // The distance from p to the entry's outline (the one above), the very figure GEOS gives,
    // found on the outline's points kept beside the GEOS geometry without calling GEOS:
    // infinity when the entry has no outline, NaN when only GEOS can tell (then ask it).
    double outline_distance(uint32_t e, Point2 p);
    // True when a point of the entry's outline (the one above) is one of `vertices`, given
    // relative to origin() and sorted by xy_less: the two then meet, as GEOS would find.
    bool entry_has_vertex_of(uint32_t e, const std::vector<Point2>& vertices);
    // True when the entity is drawn as a filled area (hatch, solid, trace).
    bool entry_is_fill(uint32_t e) const { return entries_[e].fill; }

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    struct Entry {
        RecordId id = kNoRecord;
        uint32_t order = 0;  // position in drawing order
        bool alive = true;
        bool outline_made = false;
        bool fill = false;  // a hatch, solid or trace
        // The outline's points in outline_points_ (relative to origin_), parts ended by a break;
        // kUnknownPoints when some coordinate is not finite.
        uint32_t points_at = 0;
        uint32_t points_count = 0;
        Box2 box;
        GeosGeom outline;
    };

    // Nodes of all levels, leaves first; a leaf refers to an entry, an inner node to its first child.
    struct Tree {
        static constexpr uint32_t kNodeSize = 16;
        std::vector<Box2> boxes;
        std::vector<uint32_t> refs;
        std::vector<size_t> level_end;
        void build(std::vector<uint32_t> items, const std::vector<Entry>& entries, const Box2& extents);
        template <class F>
        void search(const Box2& q, F&& visit) const;
    };

    const Document* doc_;
    ArcOptions arcs_;
    GeosContext geos_;  // declared before the entries: their geometries are freed first
    std::vector<Entry> entries_;
    std::vector<Point2> outline_points_;
    static constexpr uint32_t kUnknownPoints = 0xFFFFFFFFu;
    void keep_outline_points(Entry& entry);
    Tree tree_;
    size_t tree_entries_ = 0;  // entries [0, tree_entries_) are in the tree, later ones are scanned
    size_t alive_ = 0;
    uint32_t next_order_ = 0;
    // By record id: the entry (kNone when the record has none), the signature last seen, and
    // the walk in which the record was last seen in model space.
    std::vector<uint32_t> entry_of_;
    std::vector<uint64_t> signature_of_;
    std::vector<uint32_t> seen_in_;
    // By record id: the model-space entity a VERTEX/ATTRIB/SEQEND record belongs to.
    std::vector<RecordId> owner_of_;
    uint32_t walk_ = 0;
    // How far the document's change log has been taken in, and in which generation.
    uint64_t log_generation_ = 0;
    size_t log_seen_ = 0;
    size_t reindexed_ = 0;
    Box2 extents_;
    Point2 origin_;
    BlockBoxCache blocks_;
    bool built_ = false;
    uint64_t revision_ = 0;
    size_t builds_ = 0;

    // Each entity's signature and box (an insert's box is left to the caller).
    struct Measured {
        uint64_t signature = 0;
        std::optional<Box2> box;
        bool insert = false;
        bool fill = false;
    };
    std::vector<Measured> measure(const std::vector<RecordId>& ids) const;
    void rebuild();
    void catch_up();
    void grow_record_tables();
    void take_in(RecordId id, uint32_t order);
    void drop(RecordId id);
    void rebuild_if_crowded();
    // Takes in the records the document's change log names since the last look; false (and
    // nothing done) when the log cannot tell, and the drawing must be walked.
    bool catch_up_from_log();
    void note_log_position();
    void note_followers(RecordId id);
};

}  // namespace korvane::drawing
