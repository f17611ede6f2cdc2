#include "tables.h"

#include <cstdlib>

#include "entity.h"

namespace korvane::drawing {

namespace {

// Index range of a table in the TABLES section: [TABLE head, ENDTAB].
struct TableSpan {
    size_t head = 0, endtab = 0;
    bool found = false;
};

TableSpan find_table(const Document& doc, std::string_view table) {
    TableSpan span;
    const Section* s = doc.section("TABLES");
    if (!s) return span;
    for (size_t i = 0; i < s->items.size(); ++i) {
        RecordId id = s->items[i];
        if (doc.type(id) != "TABLE") continue;
        const Record& r = doc.record(id);
        bool match = false;
        for (size_t k = 1; k < r.tags.size(); ++k)
            if (r.tags[k].code == 2) {
                match = doc.trimmed(r.tags[k]) == table;
                break;
            }
        if (!match) continue;
        span.head = i;
        span.found = true;
        for (size_t j = i + 1; j < s->items.size(); ++j) {
            if (doc.type(s->items[j]) == "ENDTAB" || doc.type(s->items[j]) == "TABLE") {
                span.endtab = j;
                return span;
            }
        }
        span.endtab = s->items.size();
        return span;
    }
    return span;
}

}  // namespace

std::vector<RecordId> table_entries(const Document& doc, std::string_view table) {
    std::vector<RecordId> out;
    TableSpan span = find_table(doc, table);
    if (!span.found) return out;
    const Section* s = doc.section("TABLES");
    for (size_t i = span.head + 1; i < span.endtab; ++i) {
        RecordId id = s->items[i];
        if (!doc.record(id).erased && doc.type(id) == table) out.push_back(id);
    }
    return out;
}

std::string entry_name(const Document& doc, RecordId entry) {
    const Record& r = doc.record(entry);
    for (size_t k = 1; k < r.tags.size(); ++k)
        if (r.tags[k].code == 2) return doc.text(r.tags[k]);
    return {};
}

namespace {

// True when the entry's name (its first 2 group) is `name`, without regard to case (ASCII
// letters; CJK has no case). A name of plain ASCII without escapes is its stored bytes, and is
// compared as it stands; any other is decoded first.
bool entry_named(const Document& doc, const Record& r, std::string_view name) {
    for (size_t k = 1; k < r.tags.size(); ++k) {
        if (r.tags[k].code != 2) continue;
        const std::string_view raw = doc.raw(r.tags[k]);
        bool plain = true;
        for (char c : raw)
            if (static_cast<unsigned char>(c) >= 0x80 || c == '\\') plain = false;
        return plain ? iequals(raw, name) : iequals(doc.text(r.tags[k]), name);
    }
    return name.empty();
}

}  // namespace

// Walks the table in place: every extended-data write looks its application up here.
RecordId find_table_entry(const Document& doc, std::string_view table, std::string_view name) {
    TableSpan span = find_table(doc, table);
    if (!span.found) return kNoRecord;
    const Section* s = doc.section("TABLES");
    for (size_t i = span.head + 1; i < span.endtab; ++i) {
        RecordId id = s->items[i];
        const Record& r = doc.record(id);
        if (!r.erased && doc.type(id) == table && entry_named(doc, r, name)) return id;
    }
    return kNoRecord;
}

RecordId add_table_entry(Document& doc, std::string_view table, std::vector<Tag> body) {
    TableSpan span = find_table(doc, table);
    Section& s = doc.ensure_section("TABLES");
    if (!span.found) {
        Record head;
        head.tags.push_back(doc.make_raw(0, "TABLE"));
        head.tags.push_back(doc.make_raw(2, table));
        if (!doc.is_r12()) {
            head.tags.push_back(doc.make_handle(5, doc.allocate_handle()));
            head.tags.push_back(doc.make_raw(330, "0"));
            head.tags.push_back(doc.make_raw(100, "AcDbSymbolTable"));
        }
        head.tags.push_back(doc.make_raw(70, "0"));
        RecordId hid = doc.add_record(std::move(head));
        doc.index_handle(hid);
        Record end;
        end.tags.push_back(doc.make_raw(0, "ENDTAB"));
        RecordId eid = doc.add_record(std::move(end));
        s.items.push_back(hid);
        s.items.push_back(eid);
        span = find_table(doc, table);
    }
    RecordId head_id = s.items[span.head];
    Record r;
    r.tags.push_back(doc.make_raw(0, table));
    if (doc.handle_of(head_id) || !doc.is_r12() || doc.header_text("$HANDLING").value_or("0") != "0") {
        r.tags.push_back(doc.make_handle(table == "DIMSTYLE" ? 105 : 5, doc.allocate_handle()));
    }
    if (!doc.is_r12()) {
        r.tags.push_back(doc.make_handle(330, doc.handle_of(head_id).value_or(0)));
        r.tags.push_back(doc.make_raw(100, "AcDbSymbolTableRecord"));
    }
    r.tags.insert(r.tags.end(), body.begin(), body.end());
    RecordId id = doc.add_record(std::move(r));
    s.items.insert(s.items.begin() + long(span.endtab), id);
    doc.index_handle(id);
    doc.touch();
    return id;
}

LayerInfo layer_info(const Document& doc, RecordId layer) {
    LayerInfo info;
    info.id = layer;
    const Record& r = doc.record(layer);
    for (size_t k = 1; k < r.tags.size(); ++k) {
        const Tag& t = r.tags[k];
        if (t.code == 2) info.name = doc.text(t);
        else if (t.code == 62) {
            long long c = doc.integer(t);
            info.on = c >= 0;
            info.color = int(std::llabs(c));
        } else if (t.code == 70) {
            long long f = doc.integer(t);
            info.frozen = f & 1;
            info.locked = f & 4;
        } else if (t.code == 1001) break;
    }
    return info;
}

std::vector<LayerInfo> layers(const Document& doc) {
    std::vector<LayerInfo> out;
    for (RecordId id : table_entries(doc, "LAYER")) out.push_back(layer_info(doc, id));
    return out;
}

RecordId add_layer(Document& doc, std::string_view name) {
    RecordId existing = find_table_entry(doc, "LAYER", name);
    if (existing != kNoRecord) return existing;
    std::vector<Tag> body;
    if (!doc.is_r12()) body.push_back(doc.make_raw(100, "AcDbLayerTableRecord"));
    body.push_back(doc.make_text(2, name));
    body.push_back(doc.make_raw(70, "0"));
    body.push_back(doc.make_raw(62, "7"));
    body.push_back(doc.make_raw(6, "Continuous"));
    if (!doc.is_r12()) body.push_back(doc.make_raw(370, "-3"));
    return add_table_entry(doc, "LAYER", std::move(body));
}

namespace {
void set_flag_bit(Document& doc, RecordId layer, int bit, bool value) {
    Entity e(doc, layer);
    long long flags = e.integer(70).value_or(0);
    flags = value ? (flags | bit) : (flags & ~static_cast<long long>(bit));
    e.set_integer(70, flags, 2);
}
}  // namespace

void set_layer_on(Document& doc, RecordId layer, bool on) {
    Entity e(doc, layer);
    long long c = e.integer(62).value_or(7);
    long long mag = std::llabs(c);
    if (mag == 0) mag = 7;
    if ((c >= 0) == on && c != 0) return;
    e.set_integer(62, on ? mag : -mag, 70);
}

void set_layer_color(Document& doc, RecordId layer, int color) {
    Entity e(doc, layer);
    bool on = e.integer(62).value_or(7) >= 0;
    e.set_integer(62, on ? color : -color, 70);
}

void set_layer_frozen(Document& doc, RecordId layer, bool frozen) { set_flag_bit(doc, layer, 1, frozen); }
void set_layer_locked(Document& doc, RecordId layer, bool locked) { set_flag_bit(doc, layer, 4, locked); }

RecordId ensure_appid(Document& doc, std::string_view name) {
    RecordId existing = find_table_entry(doc, "APPID", name);
    if (existing != kNoRecord) return existing;
    std::vector<Tag> body;
    if (!doc.is_r12()) body.push_back(doc.make_raw(100, "AcDbRegAppTableRecord"));
    body.push_back(doc.make_text(2, name));
    body.push_back(doc.make_raw(70, "0"));
    return add_table_entry(doc, "APPID", std::move(body));
}

}  // namespace korvane::drawing
