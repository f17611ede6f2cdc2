#pragma once
// Raster images: the IMAGE entity and the objects it needs.
//
// An image in a drawing is an IMAGE entity pointing (340) at an IMAGEDEF (the file
// name and its pixel size), which is an entry of the ACAD_IMAGE_DICT dictionary in
// the root dictionary; each IMAGE owns an IMAGEDEF_REACTOR (360) that the IMAGEDEF
// lists among its reactors. RASTERVARIABLES (under ACAD_IMAGE_VARS) keeps the
// drawing-wide image frame setting. The CLASSES section must name all four classes.
//
// Placement: an image `scale` drawing units wide (the scale factor of the host's
// AddRaster is the width of the whole image in drawing units; pixels are square), its
// lower-left corner at the insertion point, turned by `rotation` degrees about it.
// So u = (scale / width_px)·(cos r, sin r) and v = (scale / width_px)·(−sin r, cos r).
//
// Clip boundaries are kept in pixel coordinates whose origin is the centre of the
// image's top-left pixel, x to the right and y downwards: the whole image is
// (−0.5, −0.5)…(w − 0.5, h − 0.5). Polygons are stored closed (first vertex repeated).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entity.h"
#include "image_header.h"

namespace korvane::drawing {

struct ImageDefInfo {
    RecordId id = kNoRecord;
    std::string name;        // the entry's name in ACAD_IMAGE_DICT
    std::string file;        // 1
    PixelSize size;          // 10/20
    double pixel_width = 1;  // 11: size of one pixel in drawing units (as stored)
    double pixel_height = 1; // 21
    bool loaded = true;      // 280
};

// Adds an image of the file at `insertion` (lower-left corner), `scale` drawing units
// wide, turned by `rotation_deg`, on `layer`. The pixel size comes from the file's
// header. Reuses the image definition of the same file when the drawing has one;
// otherwise adds a definition named after the file stem (made unique). Returns kNoRecord
// when the file cannot be read as an image, `scale` is not positive, or the drawing is R12.
RecordId add_image(Document& doc, const std::string& path, const Point3& insertion, double scale,
                   double rotation_deg = 0, std::string_view layer = "0");

// The definition of the file (compared as written), creating it when absent. kNoRecord on R12.
RecordId ensure_image_def(Document& doc, const std::string& path, const PixelSize& size);

// Makes a (copied) IMAGE entity use the definition: sets its 340 pointer, gives it a reactor
// of its own (360) registered with the definition, and makes sure the drawing has the
// dictionary, RASTERVARIABLES and classes images need. The entity must already have a handle.
void attach_image(Document& doc, RecordId image, RecordId imagedef);

// --- the drawing's image definitions ---
std::vector<ImageDefInfo> image_defs(const Document& doc);
std::optional<ImageDefInfo> image_def_info(const Document& doc, RecordId imagedef);
// The definition of that name (without regard to case), kNoRecord when absent.
RecordId find_image_def(const Document& doc, std::string_view name);
// IMAGE entities (model space, paper space and blocks) that use the definition.
std::vector<RecordId> images_using(const Document& doc, RecordId imagedef);
// Erases the named definition, every image that uses it and their reactors, and removes
// the dictionary entry. Returns the number of images erased, or -1 when no definition has
// that name.
int detach_image_def(Document& doc, std::string_view name);

// --- one IMAGE entity ---
RecordId image_def_of(const Document& doc, RecordId image);
std::string image_file(const Document& doc, RecordId image);  // through the IMAGEDEF; "" when none
std::string image_name(const Document& doc, RecordId image);  // the definition's entry name
Point3 image_insertion(const Document& doc, RecordId image);
Point3 image_u(const Document& doc, RecordId image);
Point3 image_v(const Document& doc, RecordId image);
PixelSize image_pixel_size(const Document& doc, RecordId image);  // 13/23
// The four corners in drawing coordinates, counter-clockwise from the insertion point.
std::vector<Point3> image_corners(const Document& doc, RecordId image);

// Pixel coordinates (as clip vertices are kept) <-> drawing coordinates.
Point3 image_pixel_to_world(const Document& doc, RecordId image, double px, double py);
std::optional<std::pair<double, double>> image_world_to_pixel(const Document& doc, RecordId image, const Point3& p);

bool image_clipped(const Document& doc, RecordId image);  // 280 clip state
// The clip boundary as stored (pixel coordinates; a rectangle is two corners).
std::vector<std::pair<double, double>> image_clip_pixels(const Document& doc, RecordId image);
// The clip outline in drawing coordinates, closed polygon without the repeated vertex
// (four corners for a rectangular boundary); the image's corners when it is not clipped.
std::vector<Point3> image_clip_world(const Document& doc, RecordId image);
// Sets a clip boundary from points in drawing coordinates: two points make a rectangle,
// three or more a polygon (closed by repeating the first vertex). Turns clipping on.
// Returns false (and changes nothing) on fewer than two points or a degenerate image.
bool set_image_clip(Document& doc, RecordId image, const std::vector<Point3>& world);
// Removes the clip: the boundary becomes the whole image and clipping is off.
void clear_image_clip(Document& doc, RecordId image);

// --- the drawing-wide frame setting (RASTERVARIABLES 70: 0 off, 1 shown and plotted,
// 2 shown but not plotted). 1 when the drawing has no RASTERVARIABLES.
int image_frame(const Document& doc);
// Sets it, creating RASTERVARIABLES when absent. False on R12 or a value outside 0..2.
bool set_image_frame(Document& doc, int frame);

// --- objects and dictionaries (used by images; useful for other dictionaries too) ---
// The root (named-object) dictionary: the first DICTIONARY of the OBJECTS section.
RecordId root_dictionary(const Document& doc);
// The entry of a dictionary (name compared without regard to case): handle, 0 when absent.
uint64_t dictionary_entry(const Document& doc, RecordId dictionary, std::string_view name);
std::vector<std::pair<std::string, uint64_t>> dictionary_entries(const Document& doc, RecordId dictionary);
// Ensures the CLASSES section has a CLASS record of that DXF name.
void ensure_class(Document& doc, std::string_view dxf_name, std::string_view cpp_name, int flags,
                  bool is_entity);

}  // namespace korvane::drawing
