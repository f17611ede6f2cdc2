#include "entity.h"

#include <algorithm>
#include <cmath>

#include "tables.h"

namespace korvane::drawing {

std::string EntityView::handle_text() const {
    uint64_t h = handle();
    return h ? format_handle(h) : std::string();
}

size_t EntityView::xdata_start() const {
    const auto& tags = rec().tags;
    for (size_t i = 1; i < tags.size(); ++i)
        if (tags[i].code == 1001) return i;
    return tags.size();
}

int EntityView::find(int code, size_t from) const {
    // One pass: the entity's own groups end at the first 1001 (extended data holds only
    // codes from 1000 on, so a start inside it finds no entity group either).
    const auto& tags = rec().tags;
    for (size_t i = std::max<size_t>(from, 1); i < tags.size(); ++i) {
        if (tags[i].code == 1001) break;
        if (tags[i].code == code) return int(i);
    }
    return -1;
}

int EntityView::find_in_subclass(std::string_view subclass, int code) const {
    const auto& tags = rec().tags;
    size_t from = 1;
    for (size_t i = 1; i < tags.size() && tags[i].code != 1001; ++i)
        if (tags[i].code == 100 && cdoc_->trimmed(tags[i]) == subclass) {
            from = i + 1;
            break;
        }
    return find(code, from);
}

std::optional<double> EntityView::real(int code) const {
    int i = find(code);
    if (i < 0) return std::nullopt;
    return real_at(size_t(i));
}

std::optional<long long> EntityView::integer(int code) const {
    int i = find(code);
    if (i < 0) return std::nullopt;
    return int_at(size_t(i));
}

std::optional<std::string> EntityView::text_of(int code) const {
    int i = find(code);
    if (i < 0) return std::nullopt;
    return cdoc_->text(rec().tags[size_t(i)]);
}

uint64_t EntityView::handle_value(int code) const {
    int i = find(code);
    return i < 0 ? 0 : parse_handle(cdoc_->raw(rec().tags[size_t(i)]));
}

Point3 EntityView::point_at(size_t i) const {
    const auto& tags = rec().tags;
    int code = tags[i].code;
    Point3 p;
    p.x = cdoc_->real(tags[i]);
    if (i + 1 < tags.size() && tags[i + 1].code == code + 10) {
        p.y = cdoc_->real(tags[i + 1]);
        if (i + 2 < tags.size() && tags[i + 2].code == code + 20) p.z = cdoc_->real(tags[i + 2]);
    }
    return p;
}

std::optional<Point3> EntityView::point(int code) const {
    int i = find(code);
    if (i < 0) return std::nullopt;
    return point_at(size_t(i));
}

std::string EntityView::layer() const { return text_of(8).value_or("0"); }

int EntityView::color() const { return int(integer(62).value_or(256)); }

int Entity::insert_position(int after) const {
    if (after >= 0) {
        int i = find(after);
        if (i >= 0) return i + 1;
    }
    return int(xdata_start());
}

void Entity::set_tag(int code, const Tag& value, int after) {
    int i = find(code);
    auto& tags = mrec().tags;
    if (i >= 0) tags[size_t(i)] = value;
    else tags.insert(tags.begin() + insert_position(after), value);
    doc_->touch();
}

void Entity::set_real(int code, double value, int after) { set_tag(code, doc_->make_real(code, value), after); }
void Entity::set_integer(int code, long long value, int after) { set_tag(code, doc_->make_int(code, value), after); }
void Entity::set_text_of(int code, std::string_view utf8, int after) { set_tag(code, doc_->make_text(code, utf8), after); }

void Entity::set_point(int code, const Point3& p) {
    int i = find(code);
    auto& tags = mrec().tags;
    if (i < 0) {
        size_t at = xdata_start();
        std::vector<Tag> add = {doc_->make_real(code, p.x), doc_->make_real(code + 10, p.y)};
        if (!doc_->is_r12() || true) add.push_back(doc_->make_real(code + 20, p.z));
        tags.insert(tags.begin() + long(at), add.begin(), add.end());
    } else {
        size_t k = size_t(i);
        tags[k] = doc_->make_real(code, p.x);
        if (k + 1 < tags.size() && tags[k + 1].code == code + 10) tags[k + 1] = doc_->make_real(code + 10, p.y);
        else tags.insert(tags.begin() + long(k + 1), doc_->make_real(code + 10, p.y));
        if (k + 2 < tags.size() && tags[k + 2].code == code + 20) tags[k + 2] = doc_->make_real(code + 20, p.z);
        else if (p.z != 0) tags.insert(tags.begin() + long(k + 2), doc_->make_real(code + 20, p.z));
    }
    doc_->touch();
}

void Entity::set_layer(std::string_view name) { set_text_of(8, name, 100); }

void Entity::set_color(int color) {
    if (find(62) >= 0) {
        set_integer(62, color);
        return;
    }
    int after = find(6) >= 0 && find(6) == find(8) + 1 ? 6 : 8;
    set_integer(62, color, after);
}

// ---------------------------------------------------------------- extended data

std::vector<XDataItem> EntityView::xdata(std::string_view app) const {
    std::vector<XDataItem> out;
    out.reserve(rec().tags.size() - xdata_start());
    visit_xdata(app, [&](XDataItem&& item) { out.push_back(std::move(item)); });
    return out;
}

std::vector<std::string> EntityView::xdata_apps() const {
    std::vector<std::string> out;
    const auto& tags = rec().tags;
    for (size_t i = xdata_start(); i < tags.size(); ++i)
        if (tags[i].code == 1001) out.push_back(cdoc_->text(tags[i]));
    return out;
}

namespace {

// Index range [begin, end) of the named application's data, begin == end when absent.
std::pair<size_t, size_t> app_range(const Document& doc, const Record& r, size_t start, std::string_view app) {
    for (size_t i = start; i < r.tags.size(); ++i) {
        if (r.tags[i].code != 1001 || !iequals(doc.text(r.tags[i]), app)) continue;
        size_t j = i + 1;
        while (j < r.tags.size() && r.tags[j].code != 1001) ++j;
        return {i, j};
    }
    return {r.tags.size(), r.tags.size()};
}

size_t binary_size(const Document& doc, const std::vector<Tag>& tags, size_t from, size_t to) {
    size_t total = 0;
    for (size_t i = from; i < to; ++i) {
        int c = tags[i].code;
        if (c >= 1020 && c <= 1033) continue;  // counted with their x
        if (c >= 1010 && c <= 1013) total += 2 + 24;
        else if (c >= 1040 && c <= 1042) total += 2 + 8;
        else if (c == 1070) total += 2 + 2;
        else if (c == 1071) total += 2 + 4;
        else if (c == 1001) total += 2 + 2;
        else total += 3 + doc.raw(tags[i]).size();
    }
    return total;
}

}  // namespace

namespace {

// The values of a call to set_xdata as the file will hold them, one string of bytes for all.
struct EncodedItems {
    struct Item {
        int code;
        uint32_t offset, length;
    };
    std::string bytes;
    std::vector<Item> items;
    void add(int code, std::string_view raw) {
        items.push_back({code, uint32_t(bytes.size()), uint32_t(raw.size())});
        bytes.append(raw);
    }
    void add_text(int code, const Document& doc, std::string_view utf8) {
        const size_t from = bytes.size();
        doc.append_encoded(bytes, utf8);
        items.push_back({code, uint32_t(from), uint32_t(bytes.size() - from)});
    }
    std::string_view raw(size_t k) const { return std::string_view(bytes).substr(items[k].offset, items[k].length); }
};

}  // namespace

void Entity::set_xdata(const std::vector<XDataItem>& items) {
    std::vector<XDataValue> values;
    values.reserve(items.size());
    for (const XDataItem& it : items) values.push_back({it.code, it.text, it.point, it.real, it.integer});
    set_xdata(values);
}

void Entity::set_xdata(std::span<const XDataValue> items) {
    if (items.empty() || items[0].code != 1001 || items[0].text.empty())
        throw XDataError("extended data must start with a 1001 application name");
    const std::string_view app = items[0].text;
    EncodedItems enc;
    enc.items.reserve(items.size() + 2);
    enc.bytes.reserve(512);
    enc.add_text(1001, *doc_, app);
    if (enc.raw(0).size() > 31) throw XDataError("application name longer than 31 bytes: " + std::string(app));
    int depth = 0;
    for (size_t k = 1; k < items.size(); ++k) {
        const XDataValue& it = items[k];
        int c = it.code;
        if (c == 1001) throw XDataError("only one application per call");
        if (c >= 1010 && c <= 1013) {
            if (!std::isfinite(it.point.x) || !std::isfinite(it.point.y) || !std::isfinite(it.point.z))
                throw XDataError("extended-data point is not finite (item " + std::to_string(k) + ")");
            enc.add(c, format_real(it.point.x));
            enc.add(c + 10, format_real(it.point.y));
            enc.add(c + 20, format_real(it.point.z));
        } else if (c >= 1040 && c <= 1042) {
            if (!std::isfinite(it.real)) throw XDataError("extended-data real is not a finite number (item " + std::to_string(k) + ")");
            enc.add(c, format_real(it.real));
        } else if (c == 1070 || c == 1071) {
            if (c == 1070 && (it.integer < -32768 || it.integer > 32767))
                throw XDataError("1070 value out of 16-bit range: " + std::to_string(it.integer));
            if (c == 1071 && (it.integer < -2147483648LL || it.integer > 2147483647LL))
                throw XDataError("1071 value out of 32-bit range: " + std::to_string(it.integer));
            enc.add(c, std::to_string(it.integer));
        } else if (c >= 1000 && c <= 1005) {
            if (it.text.find('\r') != std::string::npos || it.text.find('\n') != std::string::npos)
                throw XDataError("line break in an extended-data string (item " + std::to_string(k) + ")");
            if ((c == 1004 || c == 1005) && (it.text.empty() || it.text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
                                             (c == 1004 && it.text.size() % 2 != 0)))
                throw XDataError(std::string(c == 1004 ? "1004 binary data" : "1005 handle") + " must be hexadecimal (item " +
                                 std::to_string(k) + ")");
            if (c == 1004 || c == 1005) enc.add(c, it.text);
            else enc.add_text(c, *doc_, it.text);
            if (enc.raw(enc.items.size() - 1).size() > 255)
                throw XDataError("extended-data string longer than 255 bytes (item " + std::to_string(k) + ")");
            if (c == 1002) {
                if (it.text == "{") ++depth;
                else if (it.text == "}") --depth;
                else throw XDataError("a 1002 item must be { or }");
                if (depth < 0) throw XDataError("unbalanced braces in extended data");
            }
        } else {
            throw XDataError("not an extended-data group code: " + std::to_string(c));
        }
    }
    if (depth != 0) throw XDataError("unbalanced braces in extended data");

    const Record& old = rec();
    size_t start = xdata_start();
    auto [b, e] = app_range(*doc_, old, start, app);
    size_t size = 0;
    for (size_t k = 1; k < enc.items.size(); ++k) {
        const int c = enc.items[k].code;
        if (c >= 1020 && c <= 1033) continue;  // counted with their x
        if (c >= 1010 && c <= 1013) size += 2 + 24;
        else if (c >= 1040 && c <= 1042) size += 2 + 8;
        else if (c == 1070) size += 2 + 2;
        else if (c == 1071) size += 2 + 4;
        else size += 3 + enc.items[k].length;
    }
    size_t others = binary_size(*doc_, old.tags, start, old.tags.size()) - binary_size(*doc_, old.tags, b, e);
    if (others + 2 + 2 + size > 16383) throw XDataError("extended data of an entity is limited to 16 KB");

    // The application keeps its name as the drawing spells it (names match without regard to case).
    RecordId appid = ensure_appid(*doc_, app);
    Record& r = mrec();  // the table insert may have grown the record store
    // A value written as it stands keeps its tag: the pool grows only by what changed.
    auto value_tag = [&](size_t k) {
        const int c = enc.items[k].code;
        const std::string_view raw = enc.raw(k);
        if (b + k < e && r.tags[b + k].code == c && doc_->raw(r.tags[b + k]) == raw) return r.tags[b + k];
        return doc_->make_raw(c, raw);
    };
    if (e - b == enc.items.size()) {
        // As many groups as before (the usual rewrite of a record): each replaced where it is.
        for (size_t k = 1; k < enc.items.size(); ++k) r.tags[b + k] = value_tag(k);
        doc_->touch();
        return;
    }
    std::vector<Tag> tags;
    tags.reserve(enc.items.size());
    if (b < e) tags.push_back(r.tags[b]);
    else if (entry_name(*doc_, appid) != app) tags.push_back(doc_->make_text(1001, entry_name(*doc_, appid)));
    else tags.push_back(doc_->make_raw(1001, enc.raw(0)));
    for (size_t k = 1; k < enc.items.size(); ++k) tags.push_back(value_tag(k));
    r.tags.erase(r.tags.begin() + long(b), r.tags.begin() + long(e));
    r.tags.insert(r.tags.begin() + long(b), tags.begin(), tags.end());
    doc_->touch();
}

void Entity::remove_xdata(std::string_view app) {
    Record& r = mrec();
    auto [b, e] = app_range(*doc_, r, xdata_start(), app);
    r.tags.erase(r.tags.begin() + long(b), r.tags.begin() + long(e));
    doc_->touch();
}

// ---------------------------------------------------------------- text

std::string EntityView::text() const {
    std::string t = type();
    if (t == "MTEXT") {
        std::string out;
        const auto& tags = rec().tags;
        std::string raw;
        size_t end = xdata_start();
        for (size_t i = 1; i < end; ++i)
            if (tags[i].code == 3) raw += cdoc_->raw(tags[i]);
        for (size_t i = 1; i < end; ++i)
            if (tags[i].code == 1) {
                raw += cdoc_->raw(tags[i]);
                break;
            }
        return cdoc_->codec().decode(raw);
    }
    return text_of(1).value_or("");
}

void Entity::set_text(std::string_view utf8) {
    if (type() != "MTEXT") {
        set_text_of(1, utf8, 40);
        return;
    }
    auto& tags = mrec().tags;
    int first = -1;
    for (size_t i = 1; i < xdata_start();) {
        if (tags[i].code == 3 || tags[i].code == 1) {
            if (first < 0) first = int(i);
            tags.erase(tags.begin() + long(i));
        } else {
            ++i;
        }
    }
    // Line breaks are paragraph codes in MTEXT; a value holds no line break.
    std::string text;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
        if (utf8[i] == '\n' || utf8[i] == '\r') text += "\\P";
        else text += utf8[i];
    }
    std::string raw = doc_->codec().encode(text);
    std::vector<Tag> chunks;
    // Chunks of at most 250 bytes, never splitting a character, a \U+XXXX escape or a
    // backslash code (\P, \\): readers decode each chunk on its own.
    auto char_len = [&](size_t k) -> size_t {
        unsigned char c = static_cast<unsigned char>(raw[k]);
        if (!doc_->codec().is_utf8()) return c >= 0x81 ? 2 : 1;
        return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    };
    size_t pos = 0;
    while (raw.size() - pos > 250) {
        size_t cut = pos, k = pos;
        while (k < raw.size()) {
            size_t len = char_len(k);
            if (raw[k] == '\\' && k + 1 < raw.size())
                len = raw.compare(k + 1, 2, "U+") == 0 ? 7 : raw.compare(k + 1, 2, "M+") == 0 ? 8 : 1 + char_len(k + 1);
            if (k + len - pos > 250) break;
            k += len;
            cut = k;
        }
        if (cut == pos) cut = pos + 250;
        chunks.push_back(doc_->make_raw(3, raw.substr(pos, cut - pos)));
        pos = cut;
    }
    chunks.push_back(doc_->make_raw(1, raw.substr(pos)));
    size_t at = first >= 0 ? size_t(first) : size_t(insert_position(40));
    tags.insert(tags.begin() + long(at), chunks.begin(), chunks.end());
    doc_->touch();
}

}  // namespace korvane::drawing
