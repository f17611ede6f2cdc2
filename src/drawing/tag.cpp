#include "tag.h"

namespace korvane::drawing {

ValueKind value_kind(int code) {
    if (code == 5 || code == 105 || (code >= 320 && code <= 369) || (code >= 390 && code <= 399) ||
        (code >= 480 && code <= 481) || code == 1005)
        return ValueKind::Handle;
    if (code == 310 || code == 1004 || (code >= 311 && code <= 319)) return ValueKind::Binary;
    if ((code >= 10 && code <= 59) || (code >= 110 && code <= 149) || (code >= 210 && code <= 239) ||
        (code >= 460 && code <= 469) || (code >= 1010 && code <= 1059))
        return ValueKind::Double;
    if ((code >= 60 && code <= 99) || (code >= 160 && code <= 179) || (code >= 170 && code <= 179) ||
        (code >= 270 && code <= 289) || (code >= 370 && code <= 389) || (code >= 400 && code <= 409) ||
        (code >= 420 && code <= 429) || (code >= 440 && code <= 459) || (code >= 1060 && code <= 1071))
        return ValueKind::Integer;
    if (code >= 290 && code <= 299) return ValueKind::Bool;
    return ValueKind::String;
}

}  // namespace korvane::drawing
