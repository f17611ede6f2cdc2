#pragma once
// What an entity looks like in drawing units — its chords, text placement, hatch outlines and
// pattern lines, image placement — built once from the drawing and kept until it changes, so
// that a frame only transforms and strokes. Internal to the renderer.
#include <QRgb>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "drawing/geometry.h"

namespace korvane::drawing {
class ImageFileLocator;
}

namespace korvane::render {

using drawing::Point2;

struct TextInfo {
    QString text;       // TEXT, ATTRIB, ATTDEF
    QStringList lines;  // MTEXT
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

struct HatchData {
    std::vector<std::vector<Point2>> loops;
    bool solid = false;
    struct Line {
        double angle = 0;  // degrees
        Point2 base, offset;
    };
    std::vector<Line> lines;
    drawing::Box2 box;
};

struct ImageData {
    std::string stored;  // the file as the drawing names it
    std::string file;    // where it was found on this machine ("" when it was not)
    Point2 insertion, u, v;  // u, v: one pixel along and up the image
    double px_w = 0, px_h = 0;
    std::vector<Point2> clip;  // closed polygon in drawing units (the corners when not clipped)
    bool clipped = false;      // the clip boundary cuts the image
};

struct Item;

struct InsertData {
    std::string block;  // upper case
    Point2 insertion, base;
    double sx = 1, sy = 1, rotation = 0;  // rotation in radians
    std::vector<std::unique_ptr<Item>> attribs;
};

struct Item {
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

// The drawing's layers as the renderer needs them, by upper-case name.
struct LayerTable {
    struct State {
        bool visible = true;
        int color = 7;
    };
    std::vector<State> states;
    std::unordered_map<std::string, int> index;

    void load(const drawing::Document& doc);
    // The layer's index; a layer missing from the table is added, shown in white.
    int of(const std::string& name);
    // The layer's index, -1 when the table does not have it.
    int find(const std::string& name) const;
};

std::string upper(std::string s);

// Builds the items of one drawing.
class ItemBuilder {
public:
    ItemBuilder(const drawing::Document& doc, LayerTable& layers, drawing::BlockBoxCache& block_boxes,
                drawing::ImageFileLocator& files)
        : doc_(doc), layers_(layers), block_boxes_(block_boxes), files_(files) {}

    // The entity as an item (kind Skip when it draws nothing). `in_block`: a block's own entity.
    std::unique_ptr<Item> build(drawing::RecordId id, bool in_block);
    // The same for an entity of model space that needs nothing but the drawing's own records to
    // build (no block, image file, new layer or code page conversion), so that two threads may
    // build at once; null for the others.
    // `memo`: the layer this thread found last, by the stored bytes of its name (neighbours
    // mostly share their layer, whose name then need not be decoded and looked up again).
    struct LayerMemo {
        std::string raw;
        int layer = -1;
    };
    std::unique_ptr<Item> build_alone(drawing::RecordId id, LayerMemo& memo);
    const drawing::Document& document() const { return doc_; }

private:
    const drawing::Document& doc_;
    LayerTable& layers_;
    drawing::BlockBoxCache& block_boxes_;
    drawing::ImageFileLocator& files_;

    // The part every kind shares; the layer found or added by `layer_of`.
    template <class LayerOf>
    std::unique_ptr<Item> build_common(drawing::RecordId id, bool in_block, LayerOf layer_of);
    void build_point(Item& it, drawing::RecordId id);
    void build_text(Item& it, drawing::RecordId id);
    void build_mtext(Item& it, drawing::RecordId id);
    void build_hatch(Item& it, drawing::RecordId id);
    void build_image(Item& it, drawing::RecordId id);
    void build_insert(Item& it, drawing::RecordId id, bool in_block);
    void build_shape(Item& it, drawing::RecordId id);
    void build_lwpolyline(Item& it, drawing::RecordId id);
};

}  // namespace korvane::render
