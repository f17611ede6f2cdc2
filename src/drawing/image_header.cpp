#include "image_header.h"

#include <cstring>
#include <fstream>
#include <functional>

namespace korvane::drawing {

namespace {

// Random access to the file's bytes: returns fewer bytes than asked at the end of the data.
using ReadAt = std::function<std::string(uint64_t offset, size_t count)>;

uint32_t be16(const std::string& b, size_t i) { return (uint32_t(uint8_t(b[i])) << 8) | uint8_t(b[i + 1]); }
uint32_t be32(const std::string& b, size_t i) { return (be16(b, i) << 16) | be16(b, i + 2); }
uint32_t le16(const std::string& b, size_t i) { return (uint32_t(uint8_t(b[i + 1])) << 8) | uint8_t(b[i]); }
uint32_t le32(const std::string& b, size_t i) { return (le16(b, i + 2) << 16) | le16(b, i); }

std::optional<PixelSize> checked(uint64_t w, uint64_t h) {
    if (w == 0 || h == 0 || w > 0xFFFFFFFFull || h > 0xFFFFFFFFull) return std::nullopt;
    return PixelSize{uint32_t(w), uint32_t(h)};
}

std::optional<PixelSize> png_size(const ReadAt& read) {
    // Signature (8), chunk length (4), "IHDR", width, height: all big-endian.
    std::string b = read(0, 24);
    if (b.size() < 24 || b.compare(12, 4, "IHDR") != 0) return std::nullopt;
    return checked(be32(b, 16), be32(b, 20));
}

bool is_sof(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

std::optional<PixelSize> jpeg_size(const ReadAt& read) {
    uint64_t pos = 2;  // after SOI
    for (int guard = 0; guard < 100000; ++guard) {
        std::string m = read(pos, 2);
        if (m.size() < 2) return std::nullopt;
        if (uint8_t(m[0]) != 0xFF) return std::nullopt;
        uint8_t marker = uint8_t(m[1]);
        if (marker == 0xFF) {  // fill byte before a marker
            ++pos;
            continue;
        }
        pos += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length field
        if (marker == 0xD8) continue;
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before any frame header
        std::string len = read(pos, 2);
        if (len.size() < 2) return std::nullopt;
        uint32_t length = be16(len, 0);
        if (length < 2) return std::nullopt;
        if (is_sof(marker)) {
            // Length (2), sample precision (1), number of lines (2), samples per line (2).
            std::string f = read(pos, 7);
            if (f.size() < 7) return std::nullopt;
            return checked(be16(f, 5), be16(f, 3));
        }
        pos += length;
    }
    return std::nullopt;
}

std::optional<PixelSize> tiff_size(const ReadAt& read) {
    std::string h = read(0, 16);
    if (h.size() < 8) return std::nullopt;
    bool le = h[0] == 'I';
    auto u16 = [&](const std::string& b, size_t i) { return le ? le16(b, i) : be16(b, i); };
    auto u32 = [&](const std::string& b, size_t i) { return le ? le32(b, i) : be32(b, i); };
    auto u64 = [&](const std::string& b, size_t i) {
        uint64_t lo = u32(b, i), hi = u32(b, i + 4);
        return le ? (hi << 32 | lo) : (lo << 32 | hi);
    };
    uint32_t magic = u16(h, 2);
    bool big = magic == 43;
    if (magic != 42 && !big) return std::nullopt;
    uint64_t ifd = 0;
    if (big) {
        if (h.size() < 16 || u16(h, 4) != 8) return std::nullopt;
        ifd = u64(h, 8);
    } else {
        ifd = u32(h, 4);
    }
    if (ifd < 8) return std::nullopt;
    std::string cnt = read(ifd, big ? 8 : 2);
    if (cnt.size() < (big ? 8u : 2u)) return std::nullopt;
    uint64_t n = big ? u64(cnt, 0) : u16(cnt, 0);
    if (n == 0 || n > 4096) return std::nullopt;
    size_t entry = big ? 20 : 12;
    std::string entries = read(ifd + (big ? 8 : 2), size_t(n) * entry);
    if (entries.size() < size_t(n) * entry) return std::nullopt;
    uint64_t width = 0, height = 0;
    for (size_t k = 0; k < n; ++k) {
        size_t e = k * entry;
        uint32_t tag = u16(entries, e);
        if (tag != 256 && tag != 257) continue;
        uint32_t type = u16(entries, e + 2);
        size_t value = e + (big ? 12 : 8);
        uint64_t v = 0;
        if (type == 3) v = u16(entries, value);         // SHORT
        else if (type == 4) v = u32(entries, value);    // LONG
        else if (type == 16) v = big ? u64(entries, value) : 0;  // LONG8 (BigTIFF)
        else continue;
        (tag == 256 ? width : height) = v;
    }
    return checked(width, height);
}

std::optional<PixelSize> bmp_size(const ReadAt& read) {
    std::string b = read(0, 26);
    if (b.size() < 22) return std::nullopt;
    uint32_t dib = le32(b, 14);
    if (dib == 12) return checked(le16(b, 18), le16(b, 20));  // OS/2 core header
    if (b.size() < 26) return std::nullopt;
    int32_t w = int32_t(le32(b, 18)), h = int32_t(le32(b, 22));
    if (w <= 0) return std::nullopt;
    return checked(uint64_t(w), uint64_t(h < 0 ? -int64_t(h) : h));  // negative: stored top-down
}

std::optional<PixelSize> size_of(const ReadAt& read, ImageFormat* format) {
    ImageFormat f = sniff_image_format(read(0, 8));
    if (format) *format = f;
    switch (f) {
        case ImageFormat::Png: return png_size(read);
        case ImageFormat::Jpeg: return jpeg_size(read);
        case ImageFormat::Tiff: return tiff_size(read);
        case ImageFormat::Bmp: return bmp_size(read);
        default: return std::nullopt;
    }
}

}  // namespace

ImageFormat sniff_image_format(std::string_view b) {
    auto starts = [&](std::string_view s) { return b.size() >= s.size() && b.substr(0, s.size()) == s; };
    if (starts("\x89PNG\r\n\x1a\n")) return ImageFormat::Png;
    if (starts("\xFF\xD8\xFF")) return ImageFormat::Jpeg;
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4)) ||
        starts(std::string_view("II+\0", 4)) || starts(std::string_view("MM\0+", 4)))
        return ImageFormat::Tiff;
    if (starts("BM")) return ImageFormat::Bmp;
    return ImageFormat::Unknown;
}

std::optional<PixelSize> image_size_from_bytes(std::string_view bytes, ImageFormat* format) {
    ReadAt read = [bytes](uint64_t offset, size_t count) {
        if (offset >= bytes.size()) return std::string();
        return std::string(bytes.substr(size_t(offset), count));
    };
    return size_of(read, format);
}

std::optional<PixelSize> read_image_size(const std::string& path, ImageFormat* format) {
    if (format) *format = ImageFormat::Unknown;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    ReadAt read = [&in](uint64_t offset, size_t count) {
        std::string out;
        in.clear();
        in.seekg(std::streamoff(offset));
        if (!in) return out;
        out.resize(count);
        in.read(out.data(), std::streamsize(count));
        out.resize(size_t(in.gcount()));
        return out;
    };
    return size_of(read, format);
}

}  // namespace korvane::drawing
