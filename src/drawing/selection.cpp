#include "selection.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <unordered_map>

#include "clamped.h"

namespace korvane::drawing {

// ---------------------------------------------------------------- wildcards

namespace {

std::u32string decode_utf8(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + size_t(len) > s.size()) {
            out.push_back(0xDC00 + c);  // a stray byte stands for itself
            ++i;
            continue;
        }
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = true;
        for (int k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + size_t(k)]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(0xDC00 + c);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += size_t(len);
    }
    return out;
}

char32_t fold(char32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
bool is_digit(char32_t c) { return c >= '0' && c <= '9'; }
bool is_letter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80; }

struct Token {
    enum Kind { Literal, Any, Star, Digit, Letter, Other, Set } kind = Literal;
    char32_t c = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool matches(char32_t t) const {
        switch (kind) {
            case Literal: return fold(t) == c;
            case Any: return true;
            case Digit: return is_digit(t);
            case Letter: return is_letter(t);
            case Other: return !is_digit(t) && !is_letter(t);
            case Set: {
                char32_t f = fold(t);
                bool in = false;
                for (auto [lo, hi] : ranges)
                    if (f >= lo && f <= hi) in = true;
                return in != negated;
            }
            case Star: return true;
        }
        return false;
    }
};

struct Pattern {
    std::vector<Token> tokens;
    bool negated = false;

    bool matches(const std::u32string& text) const {
        size_t t = 0, p = 0, star = std::string::npos, mark = 0;
        const size_t n = text.size(), m = tokens.size();
        while (t < n) {
            if (p < m && tokens[p].kind == Token::Star) {
                star = p++;
                mark = t;
            } else if (p < m && tokens[p].matches(text[t])) {
                ++p;
                ++t;
            } else if (star != std::string::npos) {
                p = star + 1;
                t = ++mark;
            } else {
                return negated;
            }
        }
        while (p < m && tokens[p].kind == Token::Star) ++p;
        return (p == m) != negated;
    }
};

// A comma list of patterns. Lists without wildcards are kept as folded plain texts.
struct PatternList {
    std::vector<Pattern> patterns;
    std::vector<std::string> plain;
    bool is_plain = true;

    explicit PatternList(std::string_view list, bool trim_blanks = false) {
        std::u32string s = decode_utf8(list);
        static const std::u32string kSpecial = U"*?#@.[~`";
        for (char32_t c : s)
            if (kSpecial.find(c) != std::u32string::npos) is_plain = false;
        if (is_plain) {
            size_t start = 0;
            for (;;) {
                size_t comma = list.find(',', start);
                std::string part(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
                if (trim_blanks) trim(part);
                for (char& ch : part)
                    if (ch >= 'a' && ch <= 'z') ch = char(ch - 32);
                plain.push_back(std::move(part));
                if (comma == std::string_view::npos) break;
                start = comma + 1;
            }
            return;
        }
        Pattern cur;
        bool at_start = true;
        for (size_t i = 0; i <= s.size(); ++i) {
            if (i == s.size() || s[i] == ',') {
                if (trim_blanks) {
                    while (!cur.tokens.empty() && cur.tokens.back().kind == Token::Literal && cur.tokens.back().c == ' ')
                        cur.tokens.pop_back();
                }
                patterns.push_back(std::move(cur));
                cur = Pattern{};
                at_start = true;
                continue;
            }
            char32_t c = s[i];
            if (trim_blanks && at_start && c == ' ') continue;
            Token tk;
            if (at_start && c == '~' && i + 1 < s.size() && s[i + 1] != ',') {
                cur.negated = true;
                at_start = false;
                continue;
            }
            at_start = false;
            switch (c) {
                case '*': tk.kind = Token::Star; break;
                case '?': tk.kind = Token::Any; break;
                case '#': tk.kind = Token::Digit; break;
                case '@': tk.kind = Token::Letter; break;
                case '.': tk.kind = Token::Other; break;
                case '`':
                    tk.kind = Token::Literal;
                    tk.c = fold(i + 1 < s.size() ? s[++i] : U'`');
                    break;
                case '[': {
                    size_t j = i + 1;
                    Token set;
                    set.kind = Token::Set;
                    if (j < s.size() && s[j] == '~') {
                        set.negated = true;
                        ++j;
                    }
                    bool closed = false;
                    bool first = true;
                    while (j < s.size()) {
                        char32_t a = s[j];
                        if (a == ']' && !first) {
                            closed = true;
                            break;
                        }
                        first = false;
                        if (a == '`' && j + 1 < s.size()) a = s[++j];
                        char32_t b = a;
                        if (j + 2 < s.size() && s[j + 1] == '-' && s[j + 2] != ']') {
                            b = s[j + 2];
                            if (b == '`' && j + 3 < s.size()) b = s[++j + 2];
                            j += 2;
                        }
                        a = fold(a), b = fold(b);
                        if (a > b) std::swap(a, b);
                        set.ranges.push_back({a, b});
                        ++j;
                    }
                    if (closed) {
                        tk = std::move(set);
                        i = j;
                    } else {
                        tk.kind = Token::Literal;
                        tk.c = '[';
                    }
                    break;
                }
                default:
                    tk.kind = Token::Literal;
                    tk.c = fold(c);
            }
            cur.tokens.push_back(std::move(tk));
        }
    }

    bool matches(std::string_view text) const {
        if (is_plain) {
            for (const std::string& p : plain) {
                if (p.size() != text.size()) continue;
                bool same = true;
                for (size_t i = 0; i < p.size() && same; ++i) {
                    char c = text[i];
                    if (c >= 'a' && c <= 'z') c = char(c - 32);
                    same = c == p[i];
                }
                if (same) return true;
            }
            return false;
        }
        std::u32string t = decode_utf8(text);
        for (const Pattern& p : patterns)
            if (p.matches(t)) return true;
        return false;
    }

    static void trim(std::string& s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        size_t k = 0;
        while (k < s.size() && s[k] == ' ') ++k;
        s.erase(0, k);
    }
};

bool parse_integer(std::string_view v, long long& out) {
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    if (!v.empty() && v.front() == '+') v.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    if (ec == std::errc() && ptr == v.data() + v.size() && !v.empty()) return true;
    double d = 0;
    auto [p2, ec2] = std::from_chars(v.data(), v.data() + v.size(), d);
    if (ec2 != std::errc() || p2 != v.data() + v.size() || v.empty() || d != std::floor(d)) return false;
    out = clamped<long long>(d);
    return true;
}

bool parse_double(std::string_view v, double& out) {
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    if (!v.empty() && v.front() == '+') v.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    return ec == std::errc() && ptr == v.data() + v.size() && !v.empty();
}

}  // namespace

bool wildcard_match(std::string_view patterns, std::string_view text) { return PatternList(patterns).matches(text); }

// ---------------------------------------------------------------- filters

SelectionFilter::SelectionFilter(std::initializer_list<std::pair<int, std::string>> pairs) {
    for (const auto& [code, value] : pairs) add(code, value);
}

SelectionFilter& SelectionFilter::add(int code, std::string value) {
    if (code < 0 || code == 1004 || code > 1071)
        throw std::invalid_argument("selection filters do not support group code " + std::to_string(code));
    ValueKind kind = value_kind(code);
    if (code != 0 && code != 8 && code < 1000 && (kind == ValueKind::Integer || kind == ValueKind::Bool)) {
        long long v;
        if (!parse_integer(value, v))
            throw std::invalid_argument("filter value for group " + std::to_string(code) + " is not a whole number: " + value);
    } else if (code < 1000 && kind == ValueKind::Double) {
        double d;
        if (!parse_double(value, d))
            throw std::invalid_argument("filter value for group " + std::to_string(code) + " is not a number: " + value);
    }
    conditions_.push_back({code, std::move(value)});
    return *this;
}

namespace {

// A filter compiled for one document, remembering what it found for each distinct type and layer.
class FilterMatcher {
public:
    FilterMatcher(const Document& doc, const SelectionFilter& filter) : doc_(doc) {
        for (const auto& c : filter.conditions()) {
            Compiled k(c.code, c.value);
            ValueKind kind = value_kind(c.code);
            if (c.code == 0 || c.code == 8 || c.code == 1001 ||
                (c.code < 1000 && kind == ValueKind::String && c.code != 62)) {
                k.patterns.emplace(c.value, c.code == 0);
            } else if (c.code == 62 || kind == ValueKind::Integer || kind == ValueKind::Bool) {
                parse_integer(c.value, k.integer);
                k.numeric = Compiled::Int;
            } else if (kind == ValueKind::Double) {
                parse_double(c.value, k.real);
                k.numeric = Compiled::Real;
            }
            if (c.code >= 1000 && c.code <= 1003) k.encoded = doc.codec().encode(c.value);
            conds_.push_back(std::move(k));
        }
    }

    bool operator()(RecordId id) {
        if (conds_.empty()) return true;
        const std::vector<Tag>& tags = doc_.record(id).tags;
        size_t xstart = tags.size();
        for (size_t i = 1; i < tags.size(); ++i)
            if (tags[i].code == 1001) {
                xstart = i;
                break;
            }
        for (Compiled& c : conds_)
            if (!holds(c, tags, xstart, id)) return false;
        return true;
    }

private:
    struct Compiled {
        Compiled(int code, std::string value) : code(code), value(std::move(value)) {}
        int code;
        std::string value;
        std::optional<PatternList> patterns;
        enum { None, Int, Real } numeric = None;
        long long integer = 0;
        double real = 0;
        std::string encoded;
        std::unordered_map<std::string, bool> seen;  // raw value -> match (types, layers, applications)
    };

    const Document& doc_;
    std::vector<Compiled> conds_;

    bool text_matches(Compiled& c, std::string_view raw) {
        auto it = c.seen.find(std::string(raw));
        if (it != c.seen.end()) return it->second;
        bool m = c.patterns->matches(doc_.codec().decode(raw));
        if (c.seen.size() < 4096) c.seen.emplace(std::string(raw), m);
        return m;
    }

    bool xdata_text_equals(const Compiled& c, std::string_view raw) const {
        if (raw == c.encoded) return true;
        if (raw.find('\\') == std::string_view::npos) return false;  // only escapes spell a text two ways
        return doc_.codec().decode(raw) == c.value;
    }

    bool holds(Compiled& c, const std::vector<Tag>& tags, size_t xstart, RecordId id) {
        switch (c.code) {
            case 0: return text_matches(c, doc_.type(id));
            case 8: {
                for (size_t i = 1; i < xstart; ++i)
                    if (tags[i].code == 8) return text_matches(c, doc_.raw(tags[i]));
                return text_matches(c, "0");
            }
            case 62: {
                for (size_t i = 1; i < xstart; ++i)
                    if (tags[i].code == 62) return doc_.integer(tags[i]) == c.integer;
                return c.integer == 256;
            }
            case 1001: {
                for (size_t i = xstart; i < tags.size(); ++i)
                    if (tags[i].code == 1001 && text_matches(c, doc_.raw(tags[i]))) return true;
                return false;
            }
            default: break;
        }
        if (c.code >= 1000) {
            for (size_t i = xstart; i < tags.size(); ++i) {
                if (tags[i].code != c.code) continue;
                if (c.code <= 1003) {
                    if (xdata_text_equals(c, doc_.raw(tags[i]))) return true;
                } else if (c.code == 1005) {
                    if (parse_handle(doc_.raw(tags[i])) == parse_handle(c.value)) return true;
                } else if (c.numeric == Compiled::Int) {
                    if (doc_.integer(tags[i]) == c.integer) return true;
                } else if (c.numeric == Compiled::Real) {
                    if (doc_.real(tags[i]) == c.real) return true;
                }
            }
            return false;
        }
        for (size_t i = 1; i < xstart; ++i) {
            if (tags[i].code != c.code) continue;
            if (c.patterns) return c.patterns->matches(doc_.text(tags[i]));
            if (c.numeric == Compiled::Int) return doc_.integer(tags[i]) == c.integer;
            if (c.numeric == Compiled::Real) return doc_.real(tags[i]) == c.real;
            if (value_kind(c.code) == ValueKind::Handle) return parse_handle(doc_.raw(tags[i])) == parse_handle(c.value);
            return doc_.raw(tags[i]) == c.value;
        }
        return false;
    }
};

}  // namespace

bool SelectionFilter::matches(const Document& doc, RecordId id) const {
    FilterMatcher m(doc, *this);
    return m(id);
}

std::vector<RecordId> select_all(const Document& doc, const SelectionFilter& filter) {
    std::vector<RecordId> ms = doc.modelspace();
    if (filter.empty()) return ms;
    FilterMatcher m(doc, filter);
    std::vector<RecordId> out;
    for (RecordId id : ms)
        if (m(id)) out.push_back(id);
    return out;
}

// ---------------------------------------------------------------- polygons

namespace {

std::vector<Point2> cleaned_ring(const std::vector<Point2>& polygon, double tolerance) {
    std::vector<Point2> ring;
    ring.reserve(polygon.size());
    auto near = [&](Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y) <= tolerance; };
    for (const Point2& p : polygon) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return {};
        if (ring.empty() || !near(ring.back(), p)) ring.push_back(p);
    }
    while (ring.size() > 1 && near(ring.back(), ring.front())) ring.pop_back();
    return ring;
}

// The polygons of a geometry (MakeValid may add lines and points where the input collapsed).
GeosGeom polygonal_part(const GeosContext& ctx, GeosGeom g) {
    GEOSContextHandle_t h = ctx.handle();
    if (!g) return g;
    int type = GEOSGeomTypeId_r(h, g.get());
    if (type == GEOS_POLYGON || type == GEOS_MULTIPOLYGON) return g;
    std::vector<GEOSGeometry*> polys;
    int n = GEOSGetNumGeometries_r(h, g.get());
    for (int i = 0; i < n; ++i) {
        const GEOSGeometry* part = GEOSGetGeometryN_r(h, g.get(), i);
        int pt = GEOSGeomTypeId_r(h, part);
        if (pt == GEOS_POLYGON) {
            polys.push_back(GEOSGeom_clone_r(h, part));
        } else if (pt == GEOS_MULTIPOLYGON) {
            for (int k = 0; k < GEOSGetNumGeometries_r(h, part); ++k)
                polys.push_back(GEOSGeom_clone_r(h, GEOSGetGeometryN_r(h, part, k)));
        }
    }
    if (polys.empty()) return ctx.own(nullptr);
    if (polys.size() == 1) return ctx.own(polys[0]);
    return ctx.own(GEOSGeom_createCollection_r(h, GEOS_MULTIPOLYGON, polys.data(), unsigned(polys.size())));
}

}  // namespace

namespace {

// The points of a ring as GEOS holds them, in order (the closing point included).
void append_ring_points(const GeosContext& ctx, const GEOSGeometry* ring, std::vector<Point2>& out) {
    GEOSContextHandle_t h = ctx.handle();
    const GEOSCoordSequence* seq = ring ? GEOSGeom_getCoordSeq_r(h, ring) : nullptr;
    unsigned n = 0;
    if (!seq || !GEOSCoordSeq_getSize_r(h, seq, &n)) return;
    for (unsigned i = 0; i < n; ++i) {
        Point2 q;
        if (GEOSCoordSeq_getXY_r(h, seq, i, &q.x, &q.y)) out.push_back(q);
    }
}

// The vertices of a polygon's rings, sorted by xy_less; none for other shapes.
std::vector<Point2> polygon_vertices(const GeosContext& ctx, const GEOSGeometry* poly) {
    std::vector<Point2> out;
    GEOSContextHandle_t h = ctx.handle();
    if (GEOSGeomTypeId_r(h, poly) != GEOS_POLYGON) return out;
    append_ring_points(ctx, GEOSGetExteriorRing_r(h, poly), out);
    const int holes = GEOSGetNumInteriorRings_r(h, poly);
    for (int i = 0; i < holes; ++i) append_ring_points(ctx, GEOSGetInteriorRingN_r(h, poly, i), out);
    std::sort(out.begin(), out.end(), xy_less);
    return out;
}

// The sign of the turn a -> b -> c: +1 or -1 when rounding cannot have decided it, else 0.
int certain_turn(Point2 a, Point2 b, Point2 c) {
    const double left = (b.x - a.x) * (c.y - a.y), right = (b.y - a.y) * (c.x - a.x);
    const double det = left - right;
    // Far above the error of these few operations (about 3.3e-16 of the sum).
    const double bound = 1e-12 * (std::fabs(left) + std::fabs(right));
    return det > bound ? 1 : det < -bound ? -1 : 0;
}

// True when the segments a..b and c..d certainly have no point in common.
bool certainly_apart(Point2 a, Point2 b, Point2 c, Point2 d) {
    if (std::max(a.x, b.x) < std::min(c.x, d.x) || std::max(c.x, d.x) < std::min(a.x, b.x) ||
        std::max(a.y, b.y) < std::min(c.y, d.y) || std::max(c.y, d.y) < std::min(a.y, b.y))
        return true;
    const int c_side = certain_turn(a, b, c), d_side = certain_turn(a, b, d);
    if (c_side != 0 && c_side == d_side) return true;
    const int a_side = certain_turn(c, d, a), b_side = certain_turn(c, d, b);
    return a_side != 0 && a_side == b_side;
}

// True when a closed ring (last point equal to the first) is certainly simple, so that its
// polygon is valid without asking GEOS: every corner turns, and edges that are not neighbours
// are apart. False when in doubt, and for rings long enough that GEOS is the quicker judge.
bool certainly_simple(const std::vector<Point2>& ring) {
    const size_t n = ring.size() - 1;  // edges
    if (ring.size() < 4 || n > 32 || !(ring.front() == ring.back())) return false;
    for (size_t i = 0; i < n; ++i)
        if (certain_turn(ring[i], ring[i + 1], ring[(i + 2) % n]) == 0) return false;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;  // neighbours across the closing point
            if (!certainly_apart(ring[i], ring[i + 1], ring[j], ring[j + 1])) return false;
        }
    return true;
}

}  // namespace

GeosGeom selection_polygon(const GeosContext& ctx, const std::vector<Point2>& polygon, Point2 origin, double tolerance) {
    std::vector<Point2> ring = cleaned_ring(polygon, tolerance);
    if (ring.size() < 3) return ctx.own(nullptr);
    GeosGeom poly = ctx.polygon(ring, origin);
    if (!poly) return poly;
    GEOSContextHandle_t h = ctx.handle();
    std::vector<Point2> shell;
    shell.reserve(ring.size() + 1);
    append_ring_points(ctx, GEOSGetExteriorRing_r(h, poly.get()), shell);
    if (!certainly_simple(shell) && GEOSisValid_r(h, poly.get()) != 1)
        poly = polygonal_part(ctx, ctx.own(GEOSMakeValid_r(h, poly.get())));
    if (!poly) return poly;
    double area = 0;
    if (!GEOSArea_r(h, poly.get(), &area) || !(area > 0)) return ctx.own(nullptr);
    return poly;
}

std::vector<RecordId> select_by_polygon(const Document& doc, SpatialIndex& index, const std::vector<Point2>& polygon,
                                        PolygonMode mode, const SelectionFilter& filter, double tolerance) {
    if (&index.document() != &doc) throw std::invalid_argument("the spatial index belongs to another document");
    std::vector<RecordId> out;
    tolerance = std::max(tolerance, 0.0);
    Point2 origin = index.origin();
    const GeosContext& ctx = index.geos();
    GEOSContextHandle_t h = ctx.handle();
    GeosGeom poly = selection_polygon(ctx, polygon, origin, tolerance);
    if (!poly) return out;

    Box2 env;
    for (const Point2& p : polygon) env.add(p);
    env = env.grown(tolerance);
    std::vector<uint32_t> candidates;
    index.query_entries(env, candidates);
    if (candidates.empty()) return out;

    // The polygon's own vertices: an entity with a point on one of them meets it for certain,
    // without asking GEOS (neighbouring parcels share their corners).
    std::vector<Point2> corners = polygon_vertices(ctx, poly.get());
    GeosPrepared prepared = ctx.prepare(poly.get());
    GeosGeom grown;  // the polygon grown by the tolerance, made when first needed (window mode)
    GeosPrepared grown_prepared;
    FilterMatcher matches(doc, filter);

    for (uint32_t e : candidates) {
        if (mode == PolygonMode::Window && !env.contains(index.entry_box(e))) continue;
        RecordId id = index.entry_id(e);
        if (!matches(id)) continue;
        const GEOSGeometry* g = index.entry_outline(e);
        if (!g) continue;
        bool take = false;
        if (mode == PolygonMode::Crossing) {
            char r = index.entry_has_vertex_of(e, corners) ? 1 : GEOSPreparedIntersects_r(h, prepared.get(), g);
            if (r == 1) take = true;
            else {
                // Not touching exactly: within the pick tolerance still counts. (2 is an error, never true.)
                r = GEOSPreparedDistanceWithin_r(h, prepared.get(), g, tolerance);
                if (r == 1) take = true;
                else if (r == 2) {
                    double d = 0;
                    take = GEOSDistance_r(h, poly.get(), g, &d) == 1 && d <= tolerance;
                }
            }
        } else {
            char r = GEOSPreparedCovers_r(h, prepared.get(), g);
            if (r == 1) take = true;
            else if (tolerance > 0) {
                if (!grown) {
                    grown = ctx.own(GEOSBufferWithStyle_r(h, poly.get(), tolerance, 4, GEOSBUF_CAP_ROUND,
                                                          GEOSBUF_JOIN_ROUND, 5.0));
                    grown_prepared = ctx.prepare(grown.get());
                }
                if (grown_prepared) take = GEOSPreparedCovers_r(h, grown_prepared.get(), g) == 1;
            }
        }
        if (take) out.push_back(id);
    }
    return out;
}

std::vector<RecordId> select_by_box(const Document& doc, SpatialIndex& index, const Box2& box, PolygonMode mode,
                                    const SelectionFilter& filter, double tolerance) {
    if (box.empty()) return {};
    return select_by_polygon(doc, index,
                             {{box.min_x, box.min_y}, {box.max_x, box.min_y}, {box.max_x, box.max_y}, {box.min_x, box.max_y}},
                             mode, filter, tolerance);
}

RecordId pick_at(const Document& doc, SpatialIndex& index, Point2 p, double aperture, const SelectionFilter& filter) {
    if (&index.document() != &doc) throw std::invalid_argument("the spatial index belongs to another document");
    aperture = std::max(aperture, 0.0);
    std::vector<uint32_t> candidates;
    index.query_entries(Box2::of(p, p).grown(aperture), candidates);
    if (candidates.empty()) return kNoRecord;
    const GeosContext& ctx = index.geos();
    GeosGeom pt;  // made only for an outline whose distance the index cannot tell
    FilterMatcher matches(doc, filter);
    struct Hit {
        RecordId id;
        double d;
        bool fill;
    };
    std::vector<Hit> hits;  // in drawing order
    double best_d = std::numeric_limits<double>::infinity();
    RecordId fill_under = kNoRecord;  // the topmost fill the point lies inside
    bool line_hit = false;
    for (uint32_t e : candidates) {
        // The distance comes from the index, which keeps the outline's points: an entry
        // beyond the pick box is left before its record is read.
        const bool in_box = index.entry_box(e).contains(p);
        double d = index.outline_distance(e, p);
        const bool near = !(d > aperture);  // NaN: GEOS must tell
        if (!in_box && !near) continue;
        RecordId id = index.entry_id(e);
        if (!matches(id)) continue;
        const bool fill = index.entry_is_fill(e);
        if (fill && in_box && locate_in_entity(doc, id, p) == Location::Inside) fill_under = id;
        if (!near) continue;
        if (std::isnan(d)) {
            if (!pt) pt = ctx.point(p, index.origin());
            const GEOSGeometry* g = index.entry_outline(e);
            if (!g || GEOSDistance_r(ctx.handle(), pt.get(), g, &d) != 1 || d > aperture) continue;
        }
        hits.push_back({id, d, fill});
        line_hit = line_hit || !fill;
    }
    // Linework under the pick box wins over a fill whose edge lies there too (a parcel's
    // outline, not the hatch bounded by it); a fill is taken by a pick inside it.
    if (line_hit) std::erase_if(hits, [](const Hit& h) { return h.fill; });
    if (hits.empty()) return fill_under;
    for (const Hit& h : hits) best_d = std::min(best_d, h.d);
    // The nearest entity; where neighbours share the edge under the pick box, the one whose
    // area the point lies in (the parcel the user clicked into), else the one drawn last.
    const double tie = best_d + std::max(1e-9, aperture * 1e-6);
    RecordId last = kNoRecord;
    for (auto it = hits.rbegin(); it != hits.rend(); ++it) {
        if (it->d > tie) continue;
        if (last == kNoRecord) last = it->id;
        if (locate_in_entity(doc, it->id, p) == Location::Inside) return it->id;
    }
    return last;
}

}  // namespace korvane::drawing
