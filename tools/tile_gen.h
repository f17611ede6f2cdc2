#pragma once
// Aerial-looking image tiles for tests, benchmarks and pictures: fields in greens and browns,
// a few tracks, grain like a photograph's, and the sheet's name written in a corner. Same
// sheet and size, same pixels.
#include <QImage>

#include <string>

namespace korvane::samples {

struct TileLook {
    int size = 256;      // pixels a side
    bool grain = false;  // per-pixel noise, so that JPEG files are as big and slow as photographs
};

// The tile of the sheet whose lower-left corner is (kx, ky) kilometres.
QImage make_tile(long long kx, long long ky, const TileLook& look);

// Writes the tiles of sheets kx0..kx0+nx-1, ky0..ky0+ny-1 into `dir` as "2543.00-548.00.jpg"
// (or .tif). Returns the number written; throws std::runtime_error when a file cannot be written.
int write_tiles(const std::string& dir, long long kx0, long long ky0, int nx, int ny, const TileLook& look,
                const std::string& extension = ".jpg");

}  // namespace korvane::samples
