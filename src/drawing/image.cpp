#include "image.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "clamped.h"
#include "create.h"
#include "entity.h"
#include "hatch.h"

namespace korvane::drawing {

namespace {

constexpr std::string_view kImageSubclass = "AcDbRasterImage";

// Appends an object record at the end of the OBJECTS section.
RecordId add_object(Document& doc, std::vector<Tag> tags) {
    Record r;
    r.tags = std::move(tags);
    RecordId id = doc.add_record(std::move(r));
    Section& s = doc.ensure_section("OBJECTS");
    s.items.push_back(id);
    doc.index_handle(id);
    doc.touch();
    return id;
}

// Adds (3 name)(350 handle) at the end of the dictionary's entries.
void add_dictionary_entry(Document& doc, RecordId dict, std::string_view name, uint64_t handle) {
    Tag n = doc.make_text(3, name);
    Tag h = doc.make_handle(350, handle);
    auto& tags = doc.edit(dict).tags;
    size_t at = tags.size();
    for (size_t i = 1; i < tags.size(); ++i)
        if (tags[i].code == 1001) {
            at = i;
            break;
        }
    tags.insert(tags.begin() + long(at), {n, h});
    doc.touch();
}

void remove_dictionary_entry(Document& doc, RecordId dict, uint64_t handle) {
    const auto& ctags = doc.record(dict).tags;
    for (size_t i = 1; i + 1 < ctags.size(); ++i) {
        if (ctags[i].code == 3 && (ctags[i + 1].code == 350 || ctags[i + 1].code == 360) &&
            parse_handle(doc.raw(ctags[i + 1])) == handle) {
            auto& tags = doc.edit(dict).tags;
            tags.erase(tags.begin() + long(i), tags.begin() + long(i) + 2);
            doc.touch();
            return;
        }
    }
}

// A DICTIONARY owned by (and reacting to) `owner`, registered in it under `name`.
RecordId add_dictionary(Document& doc, RecordId owner, std::string_view name) {
    uint64_t owner_handle = doc.handle_of(owner).value_or(0);
    uint64_t h = doc.allocate_handle();
    RecordId id = add_object(doc, {doc.make_raw(0, "DICTIONARY"), doc.make_handle(5, h), doc.make_raw(102, "{ACAD_REACTORS"),
                                   doc.make_handle(330, owner_handle), doc.make_raw(102, "}"),
                                   doc.make_handle(330, owner_handle), doc.make_raw(100, "AcDbDictionary"),
                                   doc.make_int(281, 1)});
    add_dictionary_entry(doc, owner, name, h);
    return id;
}

// The root dictionary, created (first in OBJECTS) when the drawing has none.
RecordId ensure_root_dictionary(Document& doc) {
    RecordId root = root_dictionary(doc);
    if (root != kNoRecord) return root;
    Record r;
    r.tags = {doc.make_raw(0, "DICTIONARY"), doc.make_handle(5, doc.allocate_handle()), doc.make_raw(330, "0"),
              doc.make_raw(100, "AcDbDictionary"), doc.make_int(281, 1)};
    RecordId id = doc.add_record(std::move(r));
    Section& s = doc.ensure_section("OBJECTS");
    size_t at = 0;
    // Keep a leading loose record (tags before the first object) first.
    if (!s.items.empty() && doc.type(s.items[0]).empty()) at = 1;
    s.items.insert(s.items.begin() + long(at), id);
    doc.index_handle(id);
    doc.touch();
    return id;
}

RecordId image_dictionary(const Document& doc) {
    RecordId root = root_dictionary(doc);
    if (root == kNoRecord) return kNoRecord;
    uint64_t h = dictionary_entry(doc, root, "ACAD_IMAGE_DICT");
    return h ? doc.find_handle(h) : kNoRecord;
}

RecordId ensure_image_dictionary(Document& doc) {
    RecordId d = image_dictionary(doc);
    if (d != kNoRecord) return d;
    RecordId root = ensure_root_dictionary(doc);
    return add_dictionary(doc, root, "ACAD_IMAGE_DICT");
}

RecordId raster_variables(const Document& doc) {
    RecordId root = root_dictionary(doc);
    if (root != kNoRecord) {
        if (uint64_t h = dictionary_entry(doc, root, "ACAD_IMAGE_VARS")) {
            RecordId id = doc.find_handle(h);
            if (id != kNoRecord && doc.type(id) == "RASTERVARIABLES") return id;
        }
    }
    if (const Section* s = doc.section("OBJECTS"))
        for (RecordId id : s->items)
            if (!doc.record(id).erased && doc.type(id) == "RASTERVARIABLES") return id;
    return kNoRecord;
}

RecordId ensure_raster_variables(Document& doc) {
    RecordId rv = raster_variables(doc);
    if (rv != kNoRecord) return rv;
    RecordId root = ensure_root_dictionary(doc);
    uint64_t root_handle = doc.handle_of(root).value_or(0);
    uint64_t h = doc.allocate_handle();
    rv = add_object(doc, {doc.make_raw(0, "RASTERVARIABLES"), doc.make_handle(5, h), doc.make_raw(102, "{ACAD_REACTORS"),
                          doc.make_handle(330, root_handle), doc.make_raw(102, "}"), doc.make_handle(330, root_handle),
                          doc.make_raw(100, "AcDbRasterVariables"), doc.make_int(90, 0),
                          doc.make_int(70, 1),    // image frame shown and plotted
                          doc.make_int(71, 1),    // high display quality
                          doc.make_int(72, 0)});  // insertion units: none
    add_dictionary_entry(doc, root, "ACAD_IMAGE_VARS", h);
    ensure_class(doc, "RASTERVARIABLES", "AcDbRasterVariables", 0, false);
    return rv;
}

void ensure_image_classes(Document& doc) {
    ensure_class(doc, "RASTERVARIABLES", "AcDbRasterVariables", 0, false);
    ensure_class(doc, "IMAGEDEF", "AcDbRasterImageDef", 0, false);
    ensure_class(doc, "IMAGEDEF_REACTOR", "AcDbRasterImageDefReactor", 1, false);
    ensure_class(doc, "IMAGE", "AcDbRasterImage", 2175, true);
}

std::string file_stem(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name.empty() ? std::string("image") : name;
}

// Clips a polygon to the rectangle [x0, x1] × [y0, y1] (Sutherland–Hodgman).
std::vector<std::pair<double, double>> clip_to_rect(std::vector<std::pair<double, double>> poly, double x0, double y0,
                                                    double x1, double y1) {
    auto clip_edge = [&](auto inside, auto cross) {
        std::vector<std::pair<double, double>> out;
        for (size_t i = 0, n = poly.size(); i < n; ++i) {
            auto p = poly[i], q = poly[(i + 1) % n];
            bool pin = inside(p), qin = inside(q);
            if (pin) out.push_back(p);
            if (pin != qin) out.push_back(cross(p, q));
        }
        poly = std::move(out);
    };
    auto at_x = [](double x) {
        return [x](std::pair<double, double> p, std::pair<double, double> q) {
            double t = (x - p.first) / (q.first - p.first);
            return std::make_pair(x, p.second + t * (q.second - p.second));
        };
    };
    auto at_y = [](double y) {
        return [y](std::pair<double, double> p, std::pair<double, double> q) {
            double t = (y - p.second) / (q.second - p.second);
            return std::make_pair(p.first + t * (q.first - p.first), y);
        };
    };
    clip_edge([&](auto p) { return p.first >= x0; }, at_x(x0));
    clip_edge([&](auto p) { return p.first <= x1; }, at_x(x1));
    clip_edge([&](auto p) { return p.second >= y0; }, at_y(y0));
    clip_edge([&](auto p) { return p.second <= y1; }, at_y(y1));
    // Drop repeated points the clipping leaves where the outline runs along an edge.
    std::vector<std::pair<double, double>> out;
    for (auto& p : poly)
        if (out.empty() || out.back() != p) out.push_back(p);
    while (out.size() > 1 && out.front() == out.back()) out.pop_back();
    return out;
}

double polygon_area(const std::vector<std::pair<double, double>>& pts) {
    double a = 0;
    for (size_t i = 0, n = pts.size(); i < n; ++i) {
        auto p = pts[i], q = pts[(i + 1) % n];
        a += p.first * q.second - q.first * p.second;
    }
    return a / 2;
}

double clean(double v, double scale) { return std::abs(v) < 1e-14 * scale ? 0.0 : v; }

}  // namespace

// ------------------------------------------------------------------ objects

RecordId root_dictionary(const Document& doc) {
    const Section* s = doc.section("OBJECTS");
    if (!s) return kNoRecord;
    for (RecordId id : s->items) {
        if (doc.record(id).erased) continue;
        std::string_view t = doc.type(id);
        if (t.empty()) continue;
        return t == "DICTIONARY" ? id : kNoRecord;
    }
    return kNoRecord;
}

std::vector<std::pair<std::string, uint64_t>> dictionary_entries(const Document& doc, RecordId dict) {
    std::vector<std::pair<std::string, uint64_t>> out;
    if (dict == kNoRecord) return out;
    const auto& tags = doc.record(dict).tags;
    for (size_t i = 1; i + 1 < tags.size(); ++i) {
        if (tags[i].code == 1001) break;
        if (tags[i].code == 3 && (tags[i + 1].code == 350 || tags[i + 1].code == 360))
            out.emplace_back(doc.text(tags[i]), parse_handle(doc.raw(tags[i + 1])));
    }
    return out;
}

uint64_t dictionary_entry(const Document& doc, RecordId dict, std::string_view name) {
    for (auto& [n, h] : dictionary_entries(doc, dict))
        if (iequals(n, name)) return h;
    return 0;
}

void ensure_class(Document& doc, std::string_view dxf_name, std::string_view cpp_name, int flags, bool is_entity) {
    if (doc.is_r12()) return;
    if (const Section* s = doc.section("CLASSES")) {
        for (RecordId id : s->items) {
            if (doc.record(id).erased || doc.type(id) != "CLASS") continue;
            for (const Tag& t : doc.record(id).tags)
                if (t.code == 1 && iequals(doc.trimmed(t), dxf_name)) return;
        }
    }
    std::vector<Tag> tags = {doc.make_raw(0, "CLASS"), doc.make_raw(1, dxf_name), doc.make_raw(2, cpp_name),
                             doc.make_raw(3, "ISM"), doc.make_int(90, flags)};
    if (doc.acadver() >= "AC1018") tags.push_back(doc.make_int(91, 0));  // instance count, counted by CAD on load
    tags.push_back(doc.make_int(280, 0));
    tags.push_back(doc.make_int(281, is_entity ? 1 : 0));
    Record r;
    r.tags = std::move(tags);
    RecordId id = doc.add_record(std::move(r));
    Section& s = doc.ensure_section("CLASSES");
    s.items.push_back(id);
    doc.touch();
}

// ------------------------------------------------------------------ definitions

std::optional<ImageDefInfo> image_def_info(const Document& doc, RecordId def) {
    if (def == kNoRecord || doc.type(def) != "IMAGEDEF") return std::nullopt;
    ImageDefInfo info;
    info.id = def;
    const auto& tags = doc.record(def).tags;
    for (size_t i = 1; i < tags.size(); ++i) {
        const Tag& t = tags[i];
        if (t.code == 1001) break;
        switch (t.code) {
            case 1: info.file = doc.text(t); break;
            case 10: info.size.width = clamped<uint32_t>(std::round(doc.real(t))); break;
            case 20: info.size.height = clamped<uint32_t>(std::round(doc.real(t))); break;
            case 11: info.pixel_width = doc.real(t); break;
            case 21: info.pixel_height = doc.real(t); break;
            case 280: info.loaded = doc.integer(t) != 0; break;
            default: break;
        }
    }
    if (auto h = doc.handle_of(def)) {
        // The name is the key under which the image dictionary keeps the definition.
        RecordId dict = image_dictionary(doc);
        for (auto& [n, eh] : dictionary_entries(doc, dict))
            if (eh == *h) info.name = n;
    }
    return info;
}

std::vector<ImageDefInfo> image_defs(const Document& doc) {
    std::vector<ImageDefInfo> out;
    RecordId dict = image_dictionary(doc);
    for (auto& [n, h] : dictionary_entries(doc, dict)) {
        RecordId id = doc.find_handle(h);
        if (auto info = image_def_info(doc, id)) {
            info->name = n;
            out.push_back(std::move(*info));
        }
    }
    return out;
}

RecordId find_image_def(const Document& doc, std::string_view name) {
    RecordId dict = image_dictionary(doc);
    uint64_t h = dictionary_entry(doc, dict, name);
    if (!h) return kNoRecord;
    RecordId id = doc.find_handle(h);
    return id != kNoRecord && doc.type(id) == "IMAGEDEF" ? id : kNoRecord;
}

RecordId ensure_image_def(Document& doc, const std::string& path, const PixelSize& size) {
    if (doc.is_r12()) return kNoRecord;
    for (const ImageDefInfo& d : image_defs(doc))
        if (d.file == path) return d.id;
    RecordId dict = ensure_image_dictionary(doc);
    std::string stem = file_stem(path), name = stem;
    for (int k = 2; dictionary_entry(doc, dict, name) != 0; ++k) name = stem + "(" + std::to_string(k) + ")";
    uint64_t dict_handle = doc.handle_of(dict).value_or(0);
    uint64_t h = doc.allocate_handle();
    RecordId def = add_object(
        doc, {doc.make_raw(0, "IMAGEDEF"), doc.make_handle(5, h), doc.make_raw(102, "{ACAD_REACTORS"),
              doc.make_handle(330, dict_handle), doc.make_raw(102, "}"), doc.make_handle(330, dict_handle),
              doc.make_raw(100, "AcDbRasterImageDef"), doc.make_int(90, 0), doc.make_text(1, path),
              doc.make_real(10, double(size.width)), doc.make_real(20, double(size.height)), doc.make_real(11, 1.0),
              doc.make_real(21, 1.0), doc.make_int(280, 1), doc.make_int(281, 0)});
    add_dictionary_entry(doc, dict, name, h);
    ensure_image_classes(doc);
    return def;
}

std::vector<RecordId> images_using(const Document& doc, RecordId def) {
    std::vector<RecordId> out;
    auto h = doc.handle_of(def);
    if (!h) return out;
    for (const char* name : {"ENTITIES", "BLOCKS"}) {
        const Section* s = doc.section(name);
        if (!s) continue;
        for (RecordId id : s->items)
            if (!doc.record(id).erased && doc.type(id) == "IMAGE" && EntityView(doc, id).handle_value(340) == *h) out.push_back(id);
    }
    return out;
}

int detach_image_def(Document& doc, std::string_view name) {
    RecordId def = find_image_def(doc, name);
    if (def == kNoRecord) return -1;
    std::vector<RecordId> images = images_using(doc, def);
    for (RecordId img : images) {
        uint64_t reactor = EntityView(doc, img).handle_value(360);
        RecordId r = reactor ? doc.find_handle(reactor) : kNoRecord;
        if (r != kNoRecord && doc.type(r) == "IMAGEDEF_REACTOR") doc.erase(r);
        doc.erase(img);
    }
    // Reactors whose image went elsewhere before (or never existed) go with the definition.
    for (uint64_t rh : reactors(doc, def)) {
        RecordId r = doc.find_handle(rh);
        if (r != kNoRecord && doc.type(r) == "IMAGEDEF_REACTOR") doc.erase(r);
    }
    uint64_t def_handle = doc.handle_of(def).value_or(0);
    remove_dictionary_entry(doc, image_dictionary(doc), def_handle);
    doc.erase(def);
    return int(images.size());
}

// ------------------------------------------------------------------ IMAGE entities

RecordId add_image(Document& doc, const std::string& path, const Point3& insertion, double scale, double rotation_deg,
                   std::string_view layer) {
    if (doc.is_r12()) return kNoRecord;
    if (!(scale > 0) || !std::isfinite(scale) || !std::isfinite(rotation_deg)) return kNoRecord;
    auto size = read_image_size(path);
    if (!size) return kNoRecord;
    RecordId def = ensure_image_def(doc, path, *size);
    if (def == kNoRecord) return kNoRecord;
    ensure_raster_variables(doc);
    ensure_image_classes(doc);
    uint64_t def_handle = doc.handle_of(def).value_or(0);

    std::vector<Tag> tags = entity_head(doc, "IMAGE", layer, "AcDbRasterImage");
    uint64_t image_handle = 0;
    for (const Tag& t : tags)
        if (t.code == 5) image_handle = parse_handle(doc.raw(t));
    uint64_t reactor_handle = doc.allocate_handle();
    double k = scale / size->width;
    double r = rotation_deg * std::numbers::pi / 180;
    double ux = clean(k * std::cos(r), k), uy = clean(k * std::sin(r), k);
    tags.push_back(doc.make_int(90, 0));
    tags.push_back(doc.make_real(10, insertion.x));
    tags.push_back(doc.make_real(20, insertion.y));
    tags.push_back(doc.make_real(30, insertion.z));
    tags.push_back(doc.make_real(11, ux));
    tags.push_back(doc.make_real(21, uy));
    tags.push_back(doc.make_real(31, 0.0));
    tags.push_back(doc.make_real(12, clean(-uy, k)));
    tags.push_back(doc.make_real(22, ux));
    tags.push_back(doc.make_real(32, 0.0));
    tags.push_back(doc.make_real(13, double(size->width)));
    tags.push_back(doc.make_real(23, double(size->height)));
    tags.push_back(doc.make_handle(340, def_handle));
    tags.push_back(doc.make_int(70, 7));    // shown, shown when not aligned, clip boundary used when on
    tags.push_back(doc.make_int(280, 0));   // clipping off
    tags.push_back(doc.make_int(281, 50));  // brightness
    tags.push_back(doc.make_int(282, 50));  // contrast
    tags.push_back(doc.make_int(283, 0));   // fade
    if (doc.acadver() >= "AC1024") tags.push_back(doc.make_int(290, 0));  // clip mode: outside
    tags.push_back(doc.make_handle(360, reactor_handle));
    tags.push_back(doc.make_int(71, 1));
    tags.push_back(doc.make_int(91, 2));
    tags.push_back(doc.make_real(14, -0.5));
    tags.push_back(doc.make_real(24, -0.5));
    tags.push_back(doc.make_real(14, size->width - 0.5));
    tags.push_back(doc.make_real(24, size->height - 0.5));
    RecordId image = add_entity(doc, std::move(tags));
    if (image == kNoRecord) return kNoRecord;
    if (!image_handle) image_handle = doc.handle_of(image).value_or(0);

    add_object(doc, {doc.make_raw(0, "IMAGEDEF_REACTOR"), doc.make_handle(5, reactor_handle),
                     doc.make_handle(330, image_handle), doc.make_raw(100, "AcDbRasterImageDefReactor"),
                     doc.make_int(90, 2), doc.make_handle(330, image_handle)});
    add_reactor(doc, def, reactor_handle);
    return image;
}

void attach_image(Document& doc, RecordId image, RecordId def) {
    if (doc.type(image) != "IMAGE" || doc.type(def) != "IMAGEDEF") return;
    ensure_raster_variables(doc);
    ensure_image_classes(doc);
    uint64_t image_handle = doc.handle_of(image).value_or(0);
    uint64_t def_handle = doc.handle_of(def).value_or(0);
    uint64_t reactor_handle = doc.allocate_handle();
    {
        Tag pointer = doc.make_handle(340, def_handle);
        Tag reactor = doc.make_handle(360, reactor_handle);
        EntityView view(doc, image);
        int p340 = view.find_in_subclass(kImageSubclass, 340);
        int p360 = view.find_in_subclass(kImageSubclass, 360);
        int p71 = view.find_in_subclass(kImageSubclass, 71);
        auto& tags = doc.edit(image).tags;
        if (p360 >= 0) {
            tags[size_t(p360)] = reactor;
        } else {
            size_t at = p71 >= 0 ? size_t(p71) : tags.size();
            tags.insert(tags.begin() + long(at), reactor);
            if (p340 > int(at)) ++p340;
        }
        if (p340 >= 0) {
            tags[size_t(p340)] = pointer;
        } else {
            // The definition pointer follows the pixel size (13/23).
            int p13 = EntityView(doc, image).find_in_subclass(kImageSubclass, 23);
            size_t at = p13 >= 0 ? size_t(p13) + 1 : tags.size();
            tags.insert(tags.begin() + long(at), pointer);
        }
    }
    add_object(doc, {doc.make_raw(0, "IMAGEDEF_REACTOR"), doc.make_handle(5, reactor_handle),
                     doc.make_handle(330, image_handle), doc.make_raw(100, "AcDbRasterImageDefReactor"),
                     doc.make_int(90, 2), doc.make_handle(330, image_handle)});
    add_reactor(doc, def, reactor_handle);
    doc.touch();
}

RecordId image_def_of(const Document& doc, RecordId image) {
    uint64_t h = EntityView(doc, image).handle_value(340);
    RecordId id = h ? doc.find_handle(h) : kNoRecord;
    return id != kNoRecord && doc.type(id) == "IMAGEDEF" ? id : kNoRecord;
}

std::string image_file(const Document& doc, RecordId image) {
    auto info = image_def_info(doc, image_def_of(doc, image));
    return info ? info->file : std::string();
}

std::string image_name(const Document& doc, RecordId image) {
    auto info = image_def_info(doc, image_def_of(doc, image));
    return info ? info->name : std::string();
}

namespace {
Point3 raster_point(const Document& doc, RecordId image, int code) {
    EntityView e(doc, image);
    int i = e.find_in_subclass(kImageSubclass, code);
    return i < 0 ? Point3{} : e.point_at(size_t(i));
}
}  // namespace

Point3 image_insertion(const Document& doc, RecordId image) { return raster_point(doc, image, 10); }
Point3 image_u(const Document& doc, RecordId image) { return raster_point(doc, image, 11); }
Point3 image_v(const Document& doc, RecordId image) { return raster_point(doc, image, 12); }

PixelSize image_pixel_size(const Document& doc, RecordId image) {
    Point3 s = raster_point(doc, image, 13);
    return PixelSize{clamped<uint32_t>(std::round(s.x)), clamped<uint32_t>(std::round(s.y))};
}

Point3 image_pixel_to_world(const Document& doc, RecordId image, double px, double py) {
    Point3 o = image_insertion(doc, image), u = image_u(doc, image), v = image_v(doc, image);
    double h = raster_point(doc, image, 13).y;
    double a = px + 0.5, b = h - 0.5 - py;
    return Point3{o.x + a * u.x + b * v.x, o.y + a * u.y + b * v.y, o.z + a * u.z + b * v.z};
}

std::optional<std::pair<double, double>> image_world_to_pixel(const Document& doc, RecordId image, const Point3& p) {
    Point3 o = image_insertion(doc, image), u = image_u(doc, image), v = image_v(doc, image);
    double h = raster_point(doc, image, 13).y;
    double det = u.x * v.y - u.y * v.x;
    if (det == 0 || !std::isfinite(det)) return std::nullopt;
    double dx = p.x - o.x, dy = p.y - o.y;
    double a = (dx * v.y - dy * v.x) / det;
    double b = (u.x * dy - u.y * dx) / det;
    return std::make_pair(a - 0.5, h - 0.5 - b);
}

std::vector<Point3> image_corners(const Document& doc, RecordId image) {
    PixelSize s = image_pixel_size(doc, image);
    double w = s.width, h = s.height;
    return {image_pixel_to_world(doc, image, -0.5, h - 0.5), image_pixel_to_world(doc, image, w - 0.5, h - 0.5),
            image_pixel_to_world(doc, image, w - 0.5, -0.5), image_pixel_to_world(doc, image, -0.5, -0.5)};
}

bool image_clipped(const Document& doc, RecordId image) {
    EntityView view(doc, image);
    int i = view.find_in_subclass(kImageSubclass, 280);
    return i >= 0 && view.int_at(size_t(i)) != 0;
}

std::vector<std::pair<double, double>> image_clip_pixels(const Document& doc, RecordId image) {
    std::vector<std::pair<double, double>> out;
    const auto& tags = doc.record(image).tags;
    int i = EntityView(doc, image).find_in_subclass(kImageSubclass, 71);
    if (i < 0) return out;
    for (size_t k = size_t(i) + 1; k < tags.size(); ++k) {
        if (tags[k].code == 1001) break;
        if (tags[k].code == 14) {
            double x = doc.real(tags[k]), y = 0;
            if (k + 1 < tags.size() && tags[k + 1].code == 24) y = doc.real(tags[++k]);
            out.emplace_back(x, y);
        }
    }
    return out;
}

std::vector<Point3> image_clip_world(const Document& doc, RecordId image) {
    std::vector<Point3> out;
    auto px = image_clip_pixels(doc, image);
    if (!image_clipped(doc, image) || px.size() < 2) return image_corners(doc, image);
    EntityView view(doc, image);
    int i = view.find_in_subclass(kImageSubclass, 71);
    long long type = i >= 0 ? view.int_at(size_t(i)) : 1;
    if (type == 1 && px.size() == 2) {
        auto [x0, y0] = px[0];
        auto [x1, y1] = px[1];
        px = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    }
    while (px.size() > 1 && px.front() == px.back()) px.pop_back();
    for (auto [x, y] : px) out.push_back(image_pixel_to_world(doc, image, x, y));
    return out;
}

namespace {

// Replaces the clip boundary (71, 91 and the 14/24 vertices) and the clip state.
void write_clip(Document& doc, RecordId image, int type, const std::vector<std::pair<double, double>>& px, bool on) {
    std::vector<Tag> boundary = {doc.make_int(71, type), doc.make_int(91, static_cast<long long>(px.size()))};
    for (auto [x, y] : px) {
        boundary.push_back(doc.make_real(14, x));
        boundary.push_back(doc.make_real(24, y));
    }
    Tag state = doc.make_int(280, on ? 1 : 0);
    EntityView view(doc, image);
    int clip_state = view.find_in_subclass(kImageSubclass, 280);
    int at71 = view.find_in_subclass(kImageSubclass, 71);
    int flags_at = view.find_in_subclass(kImageSubclass, 70);
    Tag flags = doc.make_int(70, flags_at >= 0 ? (view.int_at(size_t(flags_at)) | 4) : 7);
    auto& tags = doc.edit(image).tags;
    if (flags_at >= 0 && on) tags[size_t(flags_at)] = flags;
    if (clip_state >= 0) tags[size_t(clip_state)] = state;
    size_t xd = tags.size();
    for (size_t k = 1; k < tags.size(); ++k)
        if (tags[k].code == 1001) {
            xd = k;
            break;
        }
    size_t begin = at71 >= 0 ? size_t(at71) : xd;
    size_t end = begin;
    while (end < xd && (tags[end].code == 71 || tags[end].code == 91 || tags[end].code == 14 || tags[end].code == 24))
        ++end;
    tags.erase(tags.begin() + long(begin), tags.begin() + long(end));
    tags.insert(tags.begin() + long(begin), boundary.begin(), boundary.end());
    if (clip_state < 0) {
        // No clip state yet: it goes before the boundary's type.
        tags.insert(tags.begin() + long(begin), state);
    }
    doc.touch();
}

}  // namespace

bool set_image_clip(Document& doc, RecordId image, const std::vector<Point3>& world) {
    if (doc.type(image) != "IMAGE" || world.size() < 2) return false;
    PixelSize s = image_pixel_size(doc, image);
    if (s.width == 0 || s.height == 0) return false;
    double x0 = -0.5, y0 = -0.5, x1 = s.width - 0.5, y1 = s.height - 0.5;
    std::vector<std::pair<double, double>> px;
    for (const Point3& p : world) {
        auto q = image_world_to_pixel(doc, image, p);
        if (!q) return false;
        px.push_back(*q);
    }
    if (px.size() == 2) {
        // A rectangle given by two opposite corners, kept within the image.
        double ax = std::max(x0, std::min(px[0].first, px[1].first)), bx = std::min(x1, std::max(px[0].first, px[1].first));
        double ay = std::max(y0, std::min(px[0].second, px[1].second)), by = std::min(y1, std::max(px[0].second, px[1].second));
        if (!(ax < bx && ay < by)) return false;
        write_clip(doc, image, 1, {{ax, ay}, {bx, by}}, true);
        return true;
    }
    while (px.size() > 1 && px.front() == px.back()) px.pop_back();
    if (px.size() < 3) return false;
    // As CAD programs store it: the part of the outline that lies on the image.
    auto clipped = clip_to_rect(px, x0, y0, x1, y1);
    double full = (x1 - x0) * (y1 - y0);
    if (clipped.size() < 3 || std::abs(polygon_area(clipped)) <= 1e-12 * full) return false;
    clipped.push_back(clipped.front());
    write_clip(doc, image, 2, clipped, true);
    return true;
}

void clear_image_clip(Document& doc, RecordId image) {
    if (doc.type(image) != "IMAGE") return;
    PixelSize s = image_pixel_size(doc, image);
    write_clip(doc, image, 1, {{-0.5, -0.5}, {s.width - 0.5, s.height - 0.5}}, false);
}

// ------------------------------------------------------------------ frame

int image_frame(const Document& doc) {
    RecordId rv = raster_variables(doc);
    if (rv == kNoRecord) return 1;
    EntityView view(doc, rv);
    int i = view.find_in_subclass("AcDbRasterVariables", 70);
    return i < 0 ? 1 : int(view.int_at(size_t(i)));
}

bool set_image_frame(Document& doc, int frame) {
    if (doc.is_r12() || frame < 0 || frame > 2) return false;
    RecordId rv = ensure_raster_variables(doc);
    int i = EntityView(doc, rv).find_in_subclass("AcDbRasterVariables", 70);
    Tag t = doc.make_int(70, frame);
    auto& tags = doc.edit(rv).tags;
    if (i >= 0) {
        tags[size_t(i)] = t;
    } else {
        size_t at = tags.size();
        for (size_t k = 1; k < tags.size(); ++k)
            if (tags[k].code == 1001) {
                at = k;
                break;
            }
        tags.insert(tags.begin() + long(at), t);
    }
    doc.touch();
    return true;
}

}  // namespace korvane::drawing
