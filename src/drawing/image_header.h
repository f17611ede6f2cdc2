#pragma once
// Pixel size of a raster image, read from the file's own header: JPEG (the
// frame header of the first SOFn segment), PNG (IHDR), TIFF (ImageWidth and
// ImageLength of the first image directory, classic and BigTIFF, either byte
// order) and BMP. No image library: only the few bytes that hold the size are read.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::drawing {

struct PixelSize {
    uint32_t width = 0;
    uint32_t height = 0;
    bool operator==(const PixelSize&) const = default;
};

enum class ImageFormat { Unknown, Jpeg, Png, Tiff, Bmp };

// The format named by the file's first bytes.
ImageFormat sniff_image_format(std::string_view first_bytes);

// Pixel size of the image file; nullopt when the file cannot be opened, is of another
// format, or its header is truncated or names a zero size.
std::optional<PixelSize> read_image_size(const std::string& path, ImageFormat* format = nullptr);

// The same from the file's bytes already in memory.
std::optional<PixelSize> image_size_from_bytes(std::string_view bytes, ImageFormat* format = nullptr);

}  // namespace korvane::drawing
