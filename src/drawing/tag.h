#pragma once
// A DXF group: its code and its value text. Values stay in the file's own
// encoding (raw bytes) so that untouched tags are written back exactly as read.
#include <cstdint>

namespace korvane::drawing {

struct Tag {
    int16_t code = 0;
    uint8_t owned = 0;  // 0: value lives in the source buffer, 1: in the document's pool
    uint8_t reserved = 0;
    uint32_t offset = 0;
    uint32_t length = 0;
};

static_assert(sizeof(Tag) == 12, "tags are kept compact: a county's drawing has millions of them");

// Which Python/ezdxf-style value kind a group code carries.
enum class ValueKind { String, Double, Integer, Handle, Binary, Bool };

ValueKind value_kind(int code);
inline bool is_point_code(int code) { return (code >= 10 && code <= 18) || (code >= 1010 && code <= 1013); }

}  // namespace korvane::drawing
