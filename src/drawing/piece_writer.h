#pragma once
// Writes a drawing's DXF text a few records at a time, so that a caller on a thread that
// must stay responsive (the autosave on the UI thread) can spread the work over short
// slices. The drawing must not change between the first and the last piece: `fingerprint`
// tells whether it did, and a caller that sees another fingerprint starts again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document.h"

namespace korvane::drawing {

// Everything that moves when a drawing is edited, undone or redone.
struct ChangeFingerprint {
    uint64_t revision = 0, generation = 0, log_size = 0, erasures = 0, records = 0;
    bool operator==(const ChangeFingerprint&) const = default;
};
ChangeFingerprint fingerprint(const Document& doc);

class DxfPieceWriter {
public:
    explicit DxfPieceWriter(const Document& doc);
    // Appends the text of up to `records` more records; true once the whole drawing is out.
    bool write_some(size_t records);
    bool done() const { return done_; }
    // The text so far (the whole drawing once done()), moved out: in pieces of about a
    // megabyte (a string that grew to the drawing's size would copy itself on the way, tens of
    // milliseconds at a time), or in one.
    std::vector<std::string> take_pieces();
    std::string take();
    const ChangeFingerprint& started_at() const { return start_; }

private:
    const Document& doc_;
    ChangeFingerprint start_;
    std::vector<std::string> pieces_;
    std::string out_;
    size_t section_ = 0;
    size_t item_ = 0;
    int phase_ = 0;  // 0 section head, 1 items, 2 section end
    bool done_ = false;
};

}  // namespace korvane::drawing
