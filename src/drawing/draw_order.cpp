#include "draw_order.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "image.h"

namespace korvane::drawing {

namespace {

RecordId modelspace_record(const Document& doc) {
    uint64_t h = doc.modelspace_owner();
    return h ? doc.find_handle(h) : kNoRecord;
}

// The handle in the record's {ACAD_XDICTIONARY group, 0 when it has none.
uint64_t extension_dictionary(const Document& doc, RecordId id) {
    const auto& tags = doc.record(id).tags;
    for (size_t i = 1; i + 1 < tags.size(); ++i) {
        if (tags[i].code == 100) break;
        if (tags[i].code == 102 && doc.trimmed(tags[i]) == "{ACAD_XDICTIONARY" && tags[i + 1].code == 360)
            return parse_handle(doc.raw(tags[i + 1]));
    }
    return 0;
}

RecordId sort_table(const Document& doc) {
    if (doc.is_r12()) return kNoRecord;
    RecordId block_record = modelspace_record(doc);
    if (block_record == kNoRecord) return kNoRecord;
    RecordId dict = doc.find_handle(extension_dictionary(doc, block_record));
    if (dict == kNoRecord || doc.type(dict) != "DICTIONARY") return kNoRecord;
    RecordId table = doc.find_handle(dictionary_entry(doc, dict, "ACAD_SORTENTS"));
    return table != kNoRecord && doc.type(table) == "SORTENTSTABLE" ? table : kNoRecord;
}

// Index of the first (331 entity)(5 sort handle) pair of the table, or the end of its tags.
size_t first_entry(const Document& doc, const std::vector<Tag>& tags) {
    size_t i = 1;
    while (i < tags.size() && !(tags[i].code == 100 && doc.trimmed(tags[i]) == "AcDbSortentsTable")) ++i;
    if (i < tags.size()) ++i;
    if (i < tags.size() && tags[i].code == 330) ++i;  // the block record it orders
    return i;
}

RecordId add_object(Document& doc, std::vector<Tag> tags) {
    Record r;
    r.tags = std::move(tags);
    RecordId id = doc.add_record(std::move(r));
    doc.ensure_section("OBJECTS").items.push_back(id);
    doc.index_handle(id);
    return id;
}

// The *Model_Space block record's extension dictionary, created when absent.
RecordId ensure_extension_dictionary(Document& doc, RecordId block_record) {
    RecordId dict = doc.find_handle(extension_dictionary(doc, block_record));
    if (dict != kNoRecord && doc.type(dict) == "DICTIONARY") return dict;
    uint64_t owner = doc.handle_of(block_record).value_or(0);
    uint64_t h = doc.allocate_handle();
    dict = add_object(doc, {doc.make_raw(0, "DICTIONARY"), doc.make_handle(5, h), doc.make_handle(330, owner),
                            doc.make_raw(100, "AcDbDictionary"), doc.make_int(280, 1), doc.make_int(281, 1)});
    // The group sits after the handle and any reactors, before the owner.
    auto& tags = doc.edit(block_record).tags;
    size_t at = 1;
    while (at < tags.size() && tags[at].code == 5) ++at;
    while (at < tags.size() && tags[at].code == 102) {
        size_t close = at + 1;
        while (close < tags.size() && tags[close].code != 102) ++close;
        at = std::min(close + 1, tags.size());
    }
    tags.insert(tags.begin() + long(at),
                {doc.make_raw(102, "{ACAD_XDICTIONARY"), doc.make_handle(360, h), doc.make_raw(102, "}")});
    return dict;
}

RecordId ensure_sort_table(Document& doc) {
    RecordId table = sort_table(doc);
    if (table != kNoRecord) return table;
    RecordId block_record = modelspace_record(doc);
    if (block_record == kNoRecord) return kNoRecord;
    RecordId dict = ensure_extension_dictionary(doc, block_record);
    uint64_t dict_handle = doc.handle_of(dict).value_or(0);
    uint64_t h = doc.allocate_handle();
    table = add_object(doc, {doc.make_raw(0, "SORTENTSTABLE"), doc.make_handle(5, h), doc.make_raw(102, "{ACAD_REACTORS"),
                             doc.make_handle(330, dict_handle), doc.make_raw(102, "}"), doc.make_handle(330, dict_handle),
                             doc.make_raw(100, "AcDbSortentsTable"),
                             doc.make_handle(330, doc.handle_of(block_record).value_or(0))});
    auto& tags = doc.edit(dict).tags;
    tags.push_back(doc.make_raw(3, "ACAD_SORTENTS"));
    tags.push_back(doc.make_handle(360, h));
    ensure_class(doc, "SORTENTSTABLE", "AcDbSortentsTable", 0, false);
    return table;
}

}  // namespace

bool has_sort_table(const Document& doc) { return sort_table(doc) != kNoRecord; }

std::vector<RecordId> draw_order(const Document& doc) {
    std::vector<RecordId> order = doc.modelspace();
    RecordId table = sort_table(doc);
    if (table == kNoRecord) return order;
    std::unordered_map<uint64_t, uint64_t> sort_handle;
    const auto& tags = doc.record(table).tags;
    for (size_t i = first_entry(doc, tags); i + 1 < tags.size(); i += 2) {
        if (tags[i].code != 331 || tags[i + 1].code != 5) break;
        sort_handle[parse_handle(doc.raw(tags[i]))] = parse_handle(doc.raw(tags[i + 1]));
    }
    std::vector<std::pair<uint64_t, RecordId>> keyed;
    keyed.reserve(order.size());
    for (RecordId id : order) {
        uint64_t h = doc.handle_of(id).value_or(0);
        auto it = sort_handle.find(h);
        keyed.push_back({it == sort_handle.end() ? h : it->second, id});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < keyed.size(); ++i) order[i] = keyed[i].second;
    return order;
}

void set_draw_order(Document& doc, const std::vector<RecordId>& order) {
    // The file: model-space entities take the places model-space entities had, in the new order.
    std::unordered_set<RecordId> moving(order.begin(), order.end());
    const Section* before = doc.section("ENTITIES");
    if (!before) return;
    std::vector<RecordId> items = before->items;
    size_t next = 0;
    for (RecordId& id : items)
        if (moving.count(id) && next < order.size()) id = order[next++];
    if (items != before->items) doc.edit_section("ENTITIES")->items = std::move(items);
    doc.touch();
    if (doc.is_r12()) return;

    // The table: the k-th entity drawn gets the k-th smallest handle as its sort handle.
    std::vector<uint64_t> handles;
    handles.reserve(order.size());
    for (RecordId id : order) handles.push_back(doc.handle_of(id).value_or(0));
    std::vector<uint64_t> sorted = handles;
    std::sort(sorted.begin(), sorted.end());
    std::vector<Tag> entries;
    for (size_t k = 0; k < order.size(); ++k) {
        if (handles[k] == 0 || handles[k] == sorted[k]) continue;
        entries.push_back(doc.make_handle(331, handles[k]));
        entries.push_back(doc.make_handle(5, sorted[k]));
    }
    RecordId table = entries.empty() ? sort_table(doc) : ensure_sort_table(doc);
    if (table == kNoRecord) return;
    size_t first = first_entry(doc, doc.record(table).tags);
    auto& tags = doc.edit(table).tags;
    size_t end = first;
    while (end + 1 < tags.size() && tags[end].code == 331 && tags[end + 1].code == 5) end += 2;
    tags.erase(tags.begin() + long(first), tags.begin() + long(end));
    tags.insert(tags.begin() + long(first), entries.begin(), entries.end());
    doc.touch();
}

}  // namespace korvane::drawing
