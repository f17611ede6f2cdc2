#pragma once
// Draws one drawing of the embedded host with QPainter: every entity the engine
// models, in drawing order, culled by the spatial index to what the view shows.
// What an entity looks like in drawing units (its chords, text placement, hatch
// outlines, image placement) is kept between frames until the drawing changes, so
// panning and zooming only transform and stroke.
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
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
    // Entities shown dashed besides the drawing's highlighted ones (a selection being made).
    const std::unordered_set<drawing::RecordId>* selected = nullptr;
    drawing::RecordId hover = drawing::kNoRecord;  // the entity under the pick box
    // Antialiasing below this many visible entities.
    size_t antialias_limit = 6000;
};

struct RenderStats {
    size_t candidates = 0;  // entities the index returned for the view
    size_t drawn = 0;
};

class DrawingRenderer {
public:
    DrawingRenderer();
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

    // The text as MTEXT shows it: formatting codes removed, \P as line breaks.
    static std::string mtext_plain(const std::string& raw);

    struct Item;
    struct TextInfo;
    struct HatchData;
    struct ImageData;
    struct InsertData;
    struct LayerState {
        bool visible = true;
        int color = 7;
    };

private:
    // The cache belongs to one document at one revision.
    const void* doc_key_ = nullptr;
    uint64_t revision_ = ~0ull;
    size_t record_count_ = 0;
    std::vector<int32_t> slot_;  // RecordId -> index in items_, -1 not built
    std::vector<std::unique_ptr<Item>> items_;
    std::vector<LayerState> layers_;
    std::unordered_map<std::string, int> layer_index_;  // upper-case name -> index
    std::map<std::string, std::vector<std::unique_ptr<Item>>> blocks_;  // upper-case name -> items
    drawing::BlockBoxCache block_boxes_;
    double text_margin_ = 0;  // largest distance text reaches from its insertion point
    std::string doc_dir_;
    struct Images;
    std::unique_ptr<Images> images_;

    struct Frame;
    void sync(host::HostDocument& doc);
    const Item& item(const drawing::Document& doc, drawing::RecordId id);
    std::unique_ptr<Item> build(const drawing::Document& doc, drawing::RecordId id, bool in_block);
    int layer_of(const std::string& name);
    const std::vector<std::unique_ptr<Item>>& block(const drawing::Document& doc, const std::string& name);
    void draw(Frame& fr, const Item& it, const Affine& m, int inherit_layer, int inherit_color, bool dashed,
              int depth);
    void draw_lines(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed);
    void draw_point(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed);
    void draw_text(Frame& fr, const Item& it, const Affine& m, QColor color);
    void draw_hatch(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed);
    void draw_image(Frame& fr, const Item& it, const Affine& m, QColor color, bool dashed);
};

}  // namespace korvane::render
