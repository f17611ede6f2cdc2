#pragma once
// Draws one drawing of the embedded host with QPainter: every entity the engine
// models, in drawing order, culled by the spatial index to what the view shows.
// What an entity looks like in drawing units (its chords, text placement, hatch
// outlines, image placement) is kept between frames until the drawing changes, so
// panning and zooming only transform and stroke.
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "drawing/geometry.h"

class QPainter;

namespace korvane::host {
class EmbeddedHost;
class HostDocument;
struct View;
}  // namespace korvane::host

namespace korvane::render {

// World (drawing units, y up) to screen (pixels, y down) for one view.
struct ViewTransform {
    double cx = 0, cy = 0;  // world point at the centre of the screen
    double scale = 1;       // pixels per drawing unit
    double width = 1, height = 1;

    static ViewTransform of(const host::View& view, QSize size);
    QPointF to_screen(double x, double y) const { return {(x - cx) * scale + width / 2, height / 2 - (y - cy) * scale}; }
    drawing::Point2 to_world(QPointF p) const {
        return {cx + (p.x() - width / 2) / scale, cy - (p.y() - height / 2) / scale};
    }
    drawing::Box2 world_box() const;
};

// A plane affine map: x' = a x + c y + e, y' = b x + d y + f.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    QPointF map(double x, double y) const { return {a * x + c * y + e, b * x + d * y + f}; }
    Affine then(const Affine& o) const;  // this first, then o
    double scale() const;                // sqrt(|det|)
    bool flips() const { return a * d - b * c < 0; }
};

struct RenderOptions {
    bool dark_background = true;
    // A plot: image frames set to "shown but not plotted" are left out.
    bool plotting = false;
    // Above 0 (a plot): every line is at least this wide, in device pixels, and widths are
    // drawn as they are rather than rounded to one pixel.
    double min_line_px = 0;
    // Above 0 (a plot): each image is drawn cropped to the part the page shows, carrying at
    // most this many of its pixels per device pixel (fewer when the file has fewer), since a
    // PDF keeps whatever it is given whole.
    double max_image_px = 0;
    // Entities shown dashed besides the drawing's highlighted ones (a selection being made).
    const std::unordered_set<drawing::RecordId>* selected = nullptr;
    drawing::RecordId hover = drawing::kNoRecord;  // the entity under the pick box
    // Antialiasing below this many visible entities.
    size_t antialias_limit = 6000;
    // Only the entities that reach into this part of the picture are drawn (the strip a moved
    // picture uncovers); empty: all that the view shows. They are drawn whole, unclipped, so
    // that their pixels in the part are those a full frame gives.
    QRect area;
    // From this many entities in view a second thread shares the frame's work: the items not yet
    // built are built in two halves, and a picture painted on a QImage is painted in two bands at
    // once. Each band's pixels are those one thread would paint.
    size_t two_threads_from = 1000;
    // A frame painted in steps: `from` is where this step goes on in the frame's entities, in
    // drawing order (0: a new frame, the background painted first), and above 0 `budget_ms`
    // ends the step after the first slice of entities that finishes past that many
    // milliseconds. Painted in steps or at once, a frame's pixels are the same.
    size_t from = 0;
    double budget_ms = 0;
    size_t step_entities = 4096;  // painted before the first look at the clock, and at least between two
};

struct RenderStats {
    size_t candidates = 0;  // entities the index returned for the view
    size_t drawn = 0;
    size_t images = 0;          // images in view whose file was found
    size_t images_waiting = 0;  // of those, shown only by their frame until decoded
    size_t images_coarse = 0;   // shown coarser than the view needs until decoded
    // False when a step of a frame ended before the frame was whole: render again with `from`
    // set to `next`, where the next step goes on.
    bool whole = true;
    size_t next = 0;
};

class ImageCache;
class PaintWorker;
struct Item;
class ItemBuilder;
struct LayerTable;
struct Frame;

class DrawingRenderer {
public:
    // Images come from `images` (shared by the views of a window and decoding off this thread);
    // without one the renderer keeps its own and decodes while it draws.
    explicit DrawingRenderer(ImageCache* images = nullptr);
    ~DrawingRenderer();
    DrawingRenderer(const DrawingRenderer&) = delete;
    DrawingRenderer& operator=(const DrawingRenderer&) = delete;

    QColor background(bool dark = true) const;
    // Paints the drawing's model space as the view shows it into a painter of `size` pixels.
    RenderStats render(QPainter& painter, host::HostDocument& doc, const host::EmbeddedHost& host, QSize size,
                       const RenderOptions& options = {});
    // Forgets every cached shape (the next frame rebuilds what it shows).
    void clear();
    size_t cached_items() const { return items_.size(); }
    // The folder image files are looked for in when they are not where the drawing says.
    void set_image_directory(const std::string& dir);
    ImageCache& images() { return *images_; }

private:
    // The cache belongs to one document at one revision; edits since are followed through the
    // drawing's change log (generation and entries seen).
    const void* doc_key_ = nullptr;
    uint64_t revision_ = ~0ull;
    size_t record_count_ = 0;
    uint64_t log_generation_ = 0;
    size_t log_seen_ = 0;
    std::vector<bool> in_model_;               // by record: an entity of model space
    std::vector<drawing::RecordId> owner_of_;  // by record: the entity a follower belongs to
    std::vector<int32_t> slot_;  // RecordId -> index in items_, -1 not built
    std::vector<std::unique_ptr<Item>> items_;
    std::unique_ptr<LayerTable> layers_;
    std::map<std::string, std::vector<std::unique_ptr<Item>>> blocks_;  // upper-case name -> items
    drawing::BlockBoxCache block_boxes_;
    std::unique_ptr<ItemBuilder> builder_;
    struct Files;
    std::unique_ptr<Files> files_;
    std::string image_dir_;
    double text_margin_ = 0;  // largest distance text reaches from its insertion point
    // Position of each entity in the drawing's draw order when it differs from the file order.
    std::vector<uint32_t> draw_rank_;
    std::unique_ptr<ImageCache> own_images_;
    ImageCache* images_;
    std::unique_ptr<PaintWorker> worker_;
    // The frame's entities, kept between frames for their memory and between the steps of one
    // frame, with what they were queried for.
    std::vector<uint32_t> entries_of_frame_;
    struct Query {
        const void* doc = nullptr;
        uint64_t revision = ~0ull;
        double box[4] = {0, 0, 0, 0};
        bool operator==(const Query&) const = default;
    };
    Query query_;

    // An entity of the frame: its item, and the rows of the picture it may paint.
    struct Placed {
        const Item* item;
        drawing::RecordId id;
        float top, bottom;
        bool dashed;
    };
    std::vector<Placed> placed_;

    // Follows the drawing's changes; false when it took in the drawing afresh.
    bool sync(host::HostDocument& doc);
    // Rebuilds what the change log says was edited or added; false when the log cannot tell.
    bool follow_log(host::HostDocument& doc);
    void note_model_entity(const drawing::Document& doc, drawing::RecordId id);
    const Item& item(drawing::RecordId id);
    const std::vector<std::unique_ptr<Item>>& block(const drawing::Document& doc, const std::string& name);
    // Builds the items of `ids` (none built yet), half of them on the worker thread.
    void build_in_two(const std::vector<drawing::RecordId>& ids);
    void prepare_blocks(const drawing::Document& doc, const Item& it, int depth);
    // Paints the entities reaching into rows [top, bottom); those that also reach above `top`
    // are painted but not counted, as the band above counts them.
    void paint_band(Frame& fr, const std::vector<Placed>& placed, const Affine& world, float top, float bottom,
                    bool count_shared);
    void draw(Frame& fr, const Item& it, const Affine& m, int inherit_layer, int inherit_color, bool dashed,
              int depth);
};

}  // namespace korvane::render
