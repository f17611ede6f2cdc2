// Images: pixel sizes from file headers, IMAGE with its definition, reactor, dictionary,
// RASTERVARIABLES and classes; placement, clipping, frame, detaching; read back by ezdxf.
#include <gtest/gtest.h>

#include <cmath>

#include "drawing_support.h"
#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/image.h"
#include "drawing/image_header.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {

std::string le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string le32(uint32_t v) { return le16(uint16_t(v & 0xFFFF)) + le16(uint16_t(v >> 16)); }
std::string le64(uint64_t v) { return le32(uint32_t(v)) + le32(uint32_t(v >> 32)); }
std::string be16(uint16_t v) { return std::string{char(v >> 8), char(v & 0xFF)}; }

std::string jpeg_segment(uint8_t marker, const std::string& payload) {
    return std::string{char(0xFF), char(marker)} + be16(uint16_t(payload.size() + 2)) + payload;
}

// SOI, APP0, a long APP1, fill bytes, a Huffman table (C4, not a frame), then the frame header.
std::string jpeg_header(uint8_t sof, uint16_t w, uint16_t h) {
    std::string s("\xFF\xD8", 2);
    s += jpeg_segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    s += jpeg_segment(0xE1, "Exif" + std::string(20000, 'x'));
    s += std::string("\xFF\xFF", 2);  // fill bytes before the next marker
    s += jpeg_segment(0xC4, std::string(30, '\x01'));
    s += jpeg_segment(sof, std::string("\x08", 1) + be16(h) + be16(w) + std::string("\x03\x01\x22\x00", 4));
    return s;
}

// Little-endian classic TIFF: width as SHORT, height as LONG, the directory after the header.
std::string tiff_le(uint16_t w, uint32_t h) {
    std::string s = "II" + le16(42) + le32(8);
    s += le16(2);
    s += le16(256) + le16(3) + le32(1) + le16(w) + le16(0);
    s += le16(257) + le16(4) + le32(1) + le32(h);
    s += le32(0);
    return s;
}

// Big-endian classic TIFF with the directory placed after some image data.
std::string tiff_be(uint32_t w, uint16_t h) {
    auto b32 = [](uint32_t v) { return be16(uint16_t(v >> 16)) + be16(uint16_t(v & 0xFFFF)); };
    std::string data(1000, '\x7F');
    std::string s = "MM" + be16(42) + b32(uint32_t(8 + data.size())) + data;
    s += be16(3);
    s += be16(254) + be16(4) + b32(1) + b32(0);
    s += be16(256) + be16(4) + b32(1) + b32(w);
    s += be16(257) + be16(3) + b32(1) + be16(h) + be16(0);
    s += b32(0);
    return s;
}

std::string bigtiff(uint64_t w, uint64_t h) {
    std::string s = "II" + le16(43) + le16(8) + le16(0) + le64(16);
    s += le64(2);
    s += le16(256) + le16(16) + le64(1) + le64(w);
    s += le16(257) + le16(4) + le64(1) + le32(uint32_t(h)) + le32(0);
    s += le64(0);
    return s;
}

std::string bmp(int32_t w, int32_t h) {
    std::string s = "BM" + le32(0) + le32(0) + le32(54) + le32(40) + le32(uint32_t(w)) + le32(uint32_t(h));
    s += le16(1) + le16(24) + std::string(24, '\0');
    return s;
}

size_t count_type(const Document& doc, std::string_view type) {
    size_t n = 0;
    for (RecordId id : doc.modelspace())
        if (doc.type(id) == type) ++n;
    return n;
}

}  // namespace

// ------------------------------------------------------------------ headers

TEST(ImageHeader, ReadsPixelSizeFromEachFormat) {
    ImageFormat f;
    EXPECT_EQ(image_size_from_bytes(png_header(4000, 3000), &f), (PixelSize{4000, 3000}));
    EXPECT_EQ(f, ImageFormat::Png);
    // Baseline and progressive frame headers; the Huffman table before them is no frame.
    EXPECT_EQ(image_size_from_bytes(jpeg_header(0xC0, 1000, 667), &f), (PixelSize{1000, 667}));
    EXPECT_EQ(f, ImageFormat::Jpeg);
    EXPECT_EQ(image_size_from_bytes(jpeg_header(0xC2, 65535, 1)), (PixelSize{65535, 1}));
    EXPECT_EQ(image_size_from_bytes(tiff_le(300, 70000), &f), (PixelSize{300, 70000}));
    EXPECT_EQ(f, ImageFormat::Tiff);
    EXPECT_EQ(image_size_from_bytes(tiff_be(123456, 77)), (PixelSize{123456, 77}));
    EXPECT_EQ(image_size_from_bytes(bigtiff(5000000000ull / 2, 9)), (PixelSize{2500000000u, 9}));
    // A bitmap stored top-down has a negative height.
    EXPECT_EQ(image_size_from_bytes(bmp(640, -480), &f), (PixelSize{640, 480}));
    EXPECT_EQ(f, ImageFormat::Bmp);
}

TEST(ImageHeader, RefusesWhatIsNotASoundImageHeader) {
    ImageFormat f;
    EXPECT_FALSE(image_size_from_bytes("", &f));
    EXPECT_EQ(f, ImageFormat::Unknown);
    EXPECT_FALSE(image_size_from_bytes("  0\nSECTION\n  2\nHEADER\n"));
    EXPECT_FALSE(image_size_from_bytes(png_header(10, 10).substr(0, 20)));  // truncated
    EXPECT_FALSE(image_size_from_bytes(png_header(0, 10)));                 // zero width
    // Scan data before any frame header.
    std::string sos = std::string("\xFF\xD8", 2) + jpeg_segment(0xDA, "abc");
    EXPECT_FALSE(image_size_from_bytes(sos));
    std::string cut = jpeg_header(0xC0, 10, 10);
    EXPECT_FALSE(image_size_from_bytes(cut.substr(0, cut.size() - 6)));
    // The directory offset points past the end of the file.
    std::string t = tiff_le(10, 10);
    t.replace(4, 4, le32(100000));
    EXPECT_FALSE(image_size_from_bytes(t));
    // A directory without the size tags.
    std::string nosize = "II" + le16(42) + le32(8) + le16(1) + le16(254) + le16(4) + le32(1) + le32(0) + le32(0);
    EXPECT_FALSE(image_size_from_bytes(nosize));
    TempDir dir;
    EXPECT_FALSE(read_image_size(dir / "missing.jpg"));
    EXPECT_FALSE(read_image_size(dir.path().string()));  // a folder
}

// ------------------------------------------------------------------ creating images

class ImageInDrawing : public ::testing::Test {
protected:
    TempDir dir;
    std::string tile, other, same_stem;
    void SetUp() override {
        tile = dir / "2543.00-548.00.png";
        write_file(tile, png_header(2000, 1000));
        other = dir / "other.jpg";
        write_file(other, jpeg_header(0xC0, 640, 480));
        std::filesystem::create_directories(dir.path() / "sub");
        same_stem = dir / "sub/2543.00-548.00.png";
        write_file(same_stem, png_header(10, 10));
    }
};

TEST_F(ImageInDrawing, PlacesTheImageByScaleAndRotation) {
    Document doc = Document::create();
    RecordId img = add_image(doc, tile, {548000, 2543000, 0}, 1000, 0, "影像");
    ASSERT_NE(img, kNoRecord);
    EXPECT_EQ(doc.modelspace().back(), img);
    EXPECT_EQ(Entity(doc, img).layer(), "影像");
    EXPECT_EQ(image_pixel_size(doc, img), (PixelSize{2000, 1000}));
    // The scale is the width of the whole image in drawing units; pixels are square.
    auto c = image_corners(doc, img);
    ASSERT_EQ(c.size(), 4u);
    expect_near(c[2], 549000, 2543500);
    EXPECT_EQ(image_file(doc, img), tile);
    EXPECT_EQ(image_name(doc, img), "2543.00-548.00");
    EXPECT_FALSE(image_clipped(doc, img));

    // The same file shares its definition; another file of the same stem gets its own name.
    RecordId again = add_image(doc, tile, {0, 0, 0}, 1000, 90);
    EXPECT_EQ(image_def_of(doc, again), image_def_of(doc, img));
    RecordId third = add_image(doc, same_stem, {0, 0, 0}, 10);
    EXPECT_NE(image_def_of(doc, third), image_def_of(doc, img));
    EXPECT_EQ(image_name(doc, third), "2543.00-548.00(2)");
    auto defs = image_defs(doc);
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0].size, (PixelSize{2000, 1000}));
    EXPECT_EQ(images_using(doc, defs[0].id).size(), 2u);
    EXPECT_EQ(find_image_def(doc, "2543.00-548.00(2)"), defs[1].id);
}

TEST_F(ImageInDrawing, ClipsInPixelCoordinatesAndKeepsTheImagePart) {
    Document doc = Document::create();
    RecordId img = add_image(doc, tile, {548000, 2543000, 0}, 1000, 0);
    // A frame that reaches past the image's right edge, given closed as the host sends it.
    std::vector<Point3> frame = {{548200, 2543100, 0}, {549500, 2543100, 0}, {549500, 2543400, 0},
                                 {548200, 2543400, 0}, {548200, 2543100, 0}};
    ASSERT_TRUE(set_image_clip(doc, img, frame));
    EXPECT_TRUE(image_clipped(doc, img));
    auto stored = image_clip_pixels(doc, img);
    ASSERT_EQ(stored.size(), 5u);  // closed: the first vertex repeated
    EXPECT_EQ(stored.front(), stored.back());
    for (auto [x, y] : stored) {
        EXPECT_GE(x, -0.5);
        EXPECT_LE(x, 1999.5);
    }
    auto world = image_clip_world(doc, img);
    ASSERT_EQ(world.size(), 4u);
    double xmax = 0;
    for (const Point3& p : world) xmax = std::max(xmax, p.x);
    EXPECT_NEAR(xmax, 549000, 1e-6);  // cut at the image's edge

    // Outside the image there is nothing to keep: refused, boundary unchanged.
    auto before = image_clip_pixels(doc, img);
    EXPECT_FALSE(set_image_clip(doc, img, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}));
    EXPECT_EQ(image_clip_pixels(doc, img), before);
    EXPECT_FALSE(set_image_clip(doc, img, {{548100, 2543100, 0}}));
    clear_image_clip(doc, img);
    EXPECT_FALSE(image_clipped(doc, img));
}

TEST_F(ImageInDrawing, NewDrawingReadsBackInEzdxf) {
    KORVANE_NEED_EZDXF();
    Document doc = Document::create();
    RecordId img = add_image(doc, tile, {548000, 2543000, 0}, 1000, 0, "影像");
    RecordId plain = add_image(doc, other, {100, 100, 0}, 64, 30);
    ASSERT_TRUE(set_image_clip(doc, img, {{548200, 2543100, 0}, {548800, 2543100, 0}, {548500, 2543400, 0}}));
    ASSERT_TRUE(set_image_frame(doc, 2));
    std::string out = dir / "new.dxf";
    doc.save(out);
    std::string r = facts("images", out);
    auto images = facts_by_prefix(r, "image ");
    std::string h = Entity(doc, img).handle_text(), h2 = Entity(doc, plain).handle_text();
    ASSERT_TRUE(images.count(h)) << r;
    EXPECT_EQ(field(images[h], "size"), "2000.0,1000.0");
    EXPECT_EQ(field(images[h], "clipping"), "1");
    EXPECT_EQ(field(images[h], "type"), "2");
    EXPECT_EQ(field(images[h], "boundary"), "399.5,799.5;1599.5,799.5;999.5,199.5;399.5,799.5");
    EXPECT_EQ(field(images[h], "reactor_owner"), h);
    EXPECT_EQ(field(images[h], "layer"), "影像");
    EXPECT_EQ(field(images[h2], "type"), "1");
    EXPECT_EQ(field(images[h2], "boundary"), "-0.5,-0.5;639.5,479.5");
    // 640 pixels over 64 units, turned by 30 degrees.
    EXPECT_EQ(field(images[h2], "u"), "0.08660254,0.05,0.0");
    EXPECT_EQ(field(images[h2], "v"), "-0.05,0.08660254,0.0");
    auto defs = facts_by_prefix(r, "imagedef ");
    ASSERT_EQ(defs.size(), 2u) << r;
    std::string def_handle = field(images[h], "def");
    EXPECT_EQ(field(defs[def_handle], "name"), "2543.00-548.00");
    EXPECT_EQ(field(defs[def_handle], "size"), "2000.0,1000.0");
    EXPECT_NE(r.find("rastervars frame=2 in_root=1"), std::string::npos) << r;
    EXPECT_NE(r.find("imagedict owner="), std::string::npos);
    for (const char* cls : {"class IMAGE cpp=AcDbRasterImage flags=2175 entity=1", "class IMAGEDEF cpp=AcDbRasterImageDef",
                            "class IMAGEDEF_REACTOR cpp=AcDbRasterImageDefReactor", "class RASTERVARIABLES cpp=AcDbRasterVariables"})
        EXPECT_NE(r.find(cls), std::string::npos) << cls << "\n" << r;
}

TEST_F(ImageInDrawing, LoadedR2000DrawingGetsTheObjectsImagesNeed) {
    KORVANE_NEED_EZDXF();
    Document doc = Document::load(small_drawing("r2000"));
    ASSERT_EQ(image_defs(doc).size(), 0u);
    EXPECT_EQ(image_frame(doc), 1);  // no RASTERVARIABLES yet: frame shown
    RecordId img = add_image(doc, tile, {10, 10, 0}, 50, 0, "影像");
    ASSERT_NE(img, kNoRecord);
    ASSERT_TRUE(set_image_clip(doc, img, {{20, 12, 0}, {40, 12, 0}, {40, 30, 0}, {20, 30, 0}, {20, 12, 0}}));
    ASSERT_TRUE(set_image_frame(doc, 0));
    std::string out = dir / "r2000_out.dxf";
    doc.save(out);
    std::string r = facts("images", out);
    EXPECT_NE(r.find("rastervars frame=0 in_root=1"), std::string::npos) << r;
    auto images = facts_by_prefix(r, "image ");
    std::string h = Entity(doc, img).handle_text();
    EXPECT_EQ(field(images[h], "boundary"), "399.5,919.5;1199.5,919.5;1199.5,199.5;399.5,199.5;399.5,919.5");
    // The Chinese layer name went through the drawing's code page.
    EXPECT_EQ(field(images[h], "layer"), "影像");
    // CLASSES of an R2000 drawing have no instance count (91).
    const Section* classes = doc.section("CLASSES");
    ASSERT_NE(classes, nullptr);
    int image_classes = 0;
    for (RecordId id : classes->items) {
        if (doc.type(id) != "CLASS") continue;
        std::string name = Entity(doc, id).text_of(1).value_or("");
        if (name.find("IMAGE") == std::string::npos && name != "RASTERVARIABLES") continue;
        ++image_classes;
        EXPECT_FALSE(Entity(doc, id).integer(91)) << name;
    }
    EXPECT_EQ(image_classes, 4);
}

TEST_F(ImageInDrawing, DetachErasesTheDefinitionItsImagesAndReactors) {
    KORVANE_NEED_EZDXF();
    Document doc = Document::create();
    add_image(doc, tile, {0, 0, 0}, 10);
    add_image(doc, tile, {20, 0, 0}, 10);
    RecordId kept = add_image(doc, other, {40, 0, 0}, 10);
    EXPECT_EQ(detach_image_def(doc, "no such image"), -1);
    EXPECT_EQ(detach_image_def(doc, "2543.00-548.00"), 2);  // names compare without regard to case
    EXPECT_EQ(find_image_def(doc, "2543.00-548.00"), kNoRecord);
    ASSERT_EQ(image_defs(doc).size(), 1u);
    EXPECT_EQ(image_defs(doc)[0].name, "other");
    doc.save(dir / "detached.dxf");
    std::string r = facts("images", dir / "detached.dxf");
    EXPECT_NE(r.find("reactor_count=1"), std::string::npos) << r;
    EXPECT_EQ(facts_by_prefix(r, "imagedef ").size(), 1u);
    auto images = facts_by_prefix(r, "image ");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images.begin()->first, Entity(doc, kept).handle_text());
}

TEST_F(ImageInDrawing, RefusesWhatCannotBeAnImage) {
    Document doc = Document::create();
    EXPECT_EQ(add_image(doc, dir / "missing.png", {0, 0, 0}, 10), kNoRecord);
    std::string text_file = dir / "notes.jpg";
    write_file(text_file, "not an image at all");
    EXPECT_EQ(add_image(doc, text_file, {0, 0, 0}, 10), kNoRecord);
    EXPECT_EQ(add_image(doc, tile, {0, 0, 0}, 0), kNoRecord);
    EXPECT_EQ(add_image(doc, tile, {0, 0, 0}, -5), kNoRecord);
    EXPECT_TRUE(image_defs(doc).empty());  // nothing half made
    EXPECT_EQ(count_type(doc, "IMAGE"), 0u);
    EXPECT_FALSE(set_image_frame(doc, 3));

    // An R12 drawing has no images at all.
    std::string dxf = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
                      "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n";
    Document r12 = Document::parse(dxf, "r12");
    EXPECT_EQ(add_image(r12, tile, {0, 0, 0}, 10), kNoRecord);
    EXPECT_FALSE(set_image_frame(r12, 0));
    EXPECT_EQ(r12.section("OBJECTS"), nullptr);
    EXPECT_EQ(r12.section("CLASSES"), nullptr);
}

// ------------------------------------------------------------------ drawings others wrote

TEST(ImageCorpus, ReadsImagesAndClipOutlinesOfAnotherWriter) {
    KORVANE_NEED_CORPUS();
    Document doc = Document::load(corpus("various/image_images.dxf"));
    auto defs = image_defs(doc);
    ASSERT_GE(defs.size(), 3u);
    RecordId img1 = find_image_def(doc, "IMAGE1");
    ASSERT_NE(img1, kNoRecord);
    EXPECT_EQ(image_def_info(doc, img1)->file, ".\\image1.jpg");
    EXPECT_EQ(image_def_info(doc, img1)->size, (PixelSize{1000, 667}));

    RecordId plain = doc.find_handle("147");
    ASSERT_NE(plain, kNoRecord);
    EXPECT_EQ(image_file(doc, plain), ".\\image1.jpg");
    EXPECT_EQ(image_name(doc, plain), "image1");
    EXPECT_EQ(image_pixel_size(doc, plain), (PixelSize{1000, 667}));
    EXPECT_FALSE(image_clipped(doc, plain));
    auto corners = image_clip_world(doc, plain);
    ASSERT_EQ(corners.size(), 4u);
    expect_near(corners[2], 1000 * 0.0107615684626417, 667 * 0.0107615684626417, 1e-9);

    // The writer's own drawing of the clipped image (its proxy graphics) gives the outline
    // in drawing coordinates: ours must agree with it.
    RecordId clipped = doc.find_handle("11A");
    ASSERT_NE(clipped, kNoRecord);
    EXPECT_TRUE(image_clipped(doc, clipped));
    auto outline = image_clip_world(doc, clipped);
    const double expected[][2] = {{119.6980812363604, 140.84837183499985}, {121.68545397643015, 134.79320432030727},
                                  {121.8538750685193, 138.1592789294515}, {123.63914190524838, 135.5674013199349},
                                  {123.97598557151082, 140.84837183499985}};
    ASSERT_EQ(outline.size(), 5u);
    for (size_t i = 0; i < 5; ++i) expect_near(outline[i], expected[i][0], expected[i][1], 1e-9);

    // Setting that outline again gives back the stored pixel coordinates.
    auto stored = image_clip_pixels(doc, clipped);
    ASSERT_TRUE(set_image_clip(doc, clipped, outline));
    auto again = image_clip_pixels(doc, clipped);
    ASSERT_EQ(again.size(), stored.size());
    for (size_t i = 0; i < again.size(); ++i) {
        EXPECT_NEAR(again[i].first, stored[i].first, 1e-6);
        EXPECT_NEAR(again[i].second, stored[i].second, 1e-6);
    }
    EXPECT_EQ(image_frame(doc), 1);
}

TEST(ImageCorpus, AddsToADrawingThatAlreadyHasImages) {
    KORVANE_NEED_CORPUS();
    KORVANE_NEED_EZDXF();
    TempDir dir;
    std::string tile = dir / "tile.png";
    write_file(tile, png_header(300, 200));
    Document doc = Document::load(corpus("autocad/sample_AC1015_ascii.dxf"));
    size_t defs_before = image_defs(doc).size();
    ASSERT_GE(defs_before, 1u);
    RecordId img = add_image(doc, tile, {0, 0, 0}, 30, 0);
    ASSERT_NE(img, kNoRecord);
    EXPECT_EQ(image_defs(doc).size(), defs_before + 1);
    std::string out = dir / "sample.dxf";
    doc.save(out);
    RunResult base = ezdxf({"images", corpus("autocad/sample_AC1015_ascii.dxf")});
    RunResult r = ezdxf({"images", out});
    ASSERT_EQ(r.status, 0) << r.output;
    // Whatever ezdxf finds to say about the original, our additions add nothing to it.
    EXPECT_EQ(r.output.substr(0, r.output.find('\n')), base.output.substr(0, base.output.find('\n'))) << r.output;
    EXPECT_EQ(facts_by_prefix(r.output, "imagedef ").size(), defs_before + 1);
    EXPECT_EQ(field(facts_by_prefix(r.output, "image ")[Entity(doc, img).handle_text()], "size"), "300.0,200.0");
}
