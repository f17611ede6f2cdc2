#pragma once
// Pieces shared by the sample generators: a portable random source, small
// geometry helpers and the builders of the two extended-data records.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/entity.h"

namespace korvane::samples {

// SplitMix64: the same sequence on every platform and standard library, unlike
// the distributions of <random>.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    size_t below(size_t n) { return n ? size_t(next() % n) : 0; }
    bool chance(double p) { return uniform() < p; }
    template <class T>
    const T& pick(const std::vector<T>& v) { return v[below(v.size())]; }

private:
    uint64_t state_;
};

struct P2 {
    double x = 0, y = 0;
};

// Survey coordinates are kept to the millimetre, so that a corner shared by two
// parcels is the very same number in both.
inline double round_mm(double v) { return std::round(v * 1000.0) / 1000.0; }
inline P2 round_mm(P2 p) { return {round_mm(p.x), round_mm(p.y)}; }

inline double ring_area(const std::vector<P2>& ring) {
    double a = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        const P2& p = ring[i];
        const P2& q = ring[(i + 1) % n];
        a += p.x * q.y - q.x * p.y;
    }
    return std::fabs(a) / 2;
}

inline P2 ring_centroid(const std::vector<P2>& ring) {
    // Relative to the first vertex: real-scale coordinates lose digits otherwise.
    const P2 o = ring.front();
    double a = 0, cx = 0, cy = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        double px = ring[i].x - o.x, py = ring[i].y - o.y;
        double qx = ring[(i + 1) % n].x - o.x, qy = ring[(i + 1) % n].y - o.y;
        double c = px * qy - qx * py;
        a += c;
        cx += (px + qx) * c;
        cy += (py + qy) * c;
    }
    if (a == 0) return o;
    return {o.x + cx / (3 * a), o.y + cy / (3 * a)};
}

inline std::string fixed2(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// The first `n` characters (code points) of UTF-8 text.
inline std::string utf8_prefix(std::string_view s, size_t n) {
    size_t i = 0, chars = 0;
    while (i < s.size() && chars < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        i += len;
        ++chars;
    }
    return std::string(s.substr(0, std::min(i, s.size())));
}

inline size_t utf8_length(std::string_view s) {
    size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// Values 1 to 18 of a parcel record, in record order.
struct ParcelFields {
    std::string code;       // 1 ownership code
    std::string number;     // 2 parcel number
    std::string holder;     // 3 right holder
    std::string bounds;     // 4 four-boundaries description
    std::string east, south, west, north;  // 5..8
    std::string address;    // 9 postal address
    std::string location;   // 10 land location
    std::string nature;     // 11 nature of ownership
    std::string area;       // 12 measured area
    std::string cert_area;  // 13 certified area
    std::string cert_no;    // 14 land certificate number
    std::string approved;   // 15 approval date
    std::string notes;      // 16 ownership survey notes
    std::string surveyor;   // 17
    std::string date;       // 18 survey date
};

// The 22-item record as the attribute form writes it; `stamp` is value 19.
inline std::vector<drawing::XDataItem> parcel_record(const ParcelFields& f, const std::string& stamp) {
    using drawing::XDataItem;
    std::vector<XDataItem> items;
    items.reserve(22);
    items.push_back(XDataItem::app("South"));
    for (const std::string* s : {&f.code, &f.number, &f.holder, &f.bounds, &f.east, &f.south, &f.west, &f.north,
                                 &f.address, &f.location, &f.nature, &f.area, &f.cert_area, &f.cert_no,
                                 &f.approved, &f.notes, &f.surveyor, &f.date})
        items.push_back(XDataItem::string(*s));
    items.push_back(XDataItem::string(stamp));
    items.push_back(XDataItem::string(utf8_prefix(f.code, 6)));
    items.push_back(XDataItem::string(utf8_prefix(f.code, 9)));
    return items;
}

// The save stamp: month and day as two digits each, then seconds since midnight.
inline std::string save_stamp(int month, int day, int seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%02d%d", month, day, seconds);
    return buf;
}

// Appends "name," entries while the text stays within the 255 bytes an
// extended-data string may hold.
inline void append_listed(std::string& list, std::string_view name) {
    if (list.size() + name.size() + 1 <= 255) {
        list += name;
        list += ',';
    }
}

// Creation and update times and the drawing's fingerprint are fixed, so that the
// same seed writes the same bytes.
inline void settle_header(drawing::Document& doc, uint64_t seed) {
    const double julian = 2460077.375;  // 12 May 2023, 09:00
    for (const char* var : {"$TDCREATE", "$TDUCREATE", "$TDUPDATE", "$TDUUPDATE"})
        if (doc.header_range(var)) doc.set_header(var, {doc.make_real(40, julian)});
    Rng rng(seed);
    for (const char* var : {"$FINGERPRINTGUID", "$VERSIONGUID"}) {
        uint64_t a = rng.next(), b = rng.next();
        if (!doc.header_range(var)) continue;
        char guid[48];
        std::snprintf(guid, sizeof guid, "{%08X-%04X-4%03X-%04X-%012llX}", unsigned(a >> 32), unsigned(a >> 16) & 0xFFFFu,
                      unsigned(a) & 0xFFFu, (unsigned(b >> 48) & 0x3FFFu) | 0x8000u,
                      static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
        doc.set_header(var, {doc.make_raw(2, guid)});
    }
}

struct ParcelLayer {
    const char* name;
    int color;
};
inline constexpr ParcelLayer kSoleOwned{"独有宗地", 4};
inline constexpr ParcelLayer kJointlyOwned{"共有宗地", 3};
inline constexpr ParcelLayer kDisputed{"争议宗地", 6};
inline constexpr ParcelLayer kStateOwned{"国有宗地", 7};
inline constexpr const char* kStateCode = "440000009999";

}  // namespace korvane::samples
