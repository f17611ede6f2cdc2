#pragma once
// Values read from a file become integers only through here: converting a double that is NaN
// or outside the integer type's range is undefined, so it is clamped while still a double.
#include <algorithm>
#include <cmath>
#include <limits>

namespace korvane::drawing {

template <class Int>
Int clamped(double v, Int lo = std::numeric_limits<Int>::lowest(), Int hi = std::numeric_limits<Int>::max()) {
    if (std::isnan(v)) return std::clamp(Int(0), lo, hi);
    // double(hi) may round up past hi (2^63 for long long): at or beyond it, hi itself.
    if (v >= double(hi)) return hi;
    if (v <= double(lo)) return lo;
    return Int(v);
}

// A whole count read from a file, narrowed to a smaller integer type.
template <class Int>
Int clamped(long long v) {
    return Int(std::clamp<long long>(v, std::numeric_limits<Int>::lowest(), std::numeric_limits<Int>::max()));
}

}  // namespace korvane::drawing
