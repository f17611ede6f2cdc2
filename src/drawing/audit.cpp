#include "audit.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "entity.h"
#include "tables.h"

namespace korvane::drawing {

namespace {

std::string upper_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

// One kind of problem: how often it occurred and the first few places.
struct Finding {
    size_t count = 0;
    std::vector<std::string> places;
    void add(std::string place) {
        ++count;
        if (places.size() < 5) places.push_back(std::move(place));
    }
    bool empty() const { return count == 0; }
    std::string list() const {
        std::string out;
        for (size_t i = 0; i < places.size(); ++i) {
            if (i) out += ", ";
            out += places[i];
        }
        if (count > places.size()) out += "，另有 " + std::to_string(count - places.size()) + " 个";
        return out;
    }
};

class Auditor {
public:
    Auditor(Document& doc, LoadReport* report, std::string_view source, const ReadFacts* facts)
        : doc_(doc), report_(report), source_(source), facts_(facts),
          applications_(facts ? &facts->applications : nullptr), modern_(!doc.is_r12()) {}

    void run() {
        check_tables();
        if (modern_) check_handles();
        check_blocks();
        if (modern_) {
            check_owners();
            if (doc_.acadver() >= "AC1015") check_layouts();
            check_dictionaries();
        }
        check_names();
    }

private:
    Document& doc_;
    LoadReport* report_;
    std::string_view source_;
    const ReadFacts* facts_;
    const std::vector<std::string_view>* applications_;
    bool modern_;  // R13 and later: handles, owners and subclass markers are required
    std::vector<size_t> newlines_;
    bool lines_built_ = false;

    void warn(const std::string& what) {
        if (report_) report_->warnings.push_back(what);
    }
    void warn(const Finding& f, const std::string& what) {
        if (!f.empty()) warn(std::to_string(f.count) + " " + what + "：" + f.list());
    }

    // Line of the record's group-code line in the file, 0 when the record was not read from it.
    size_t line_of(RecordId id) {
        const Record& r = doc_.record(id);
        if (r.tags.empty() || r.tags[0].owned || source_.empty()) return 0;
        const char* p = doc_.raw(r.tags[0]).data();
        if (p < source_.data() || p > source_.data() + source_.size()) return 0;
        if (!lines_built_) {
            lines_built_ = true;
            for (size_t i = source_.find('\n'); i != std::string_view::npos; i = source_.find('\n', i + 1))
                newlines_.push_back(i);
        }
        size_t offset = size_t(p - source_.data());
        size_t value_line = 1 + size_t(std::lower_bound(newlines_.begin(), newlines_.end(), offset) - newlines_.begin());
        return value_line > 1 ? value_line - 1 : value_line;
    }

    std::string describe(RecordId id) {
        std::string s(doc_.type(id));
        if (s.empty()) s = "记录";
        if (auto h = doc_.handle_of(id)) s += " " + format_handle(*h);
        if (size_t line = line_of(id)) s += "（第 " + std::to_string(line) + " 行）";
        return s;
    }

    uint64_t handle_value(const Tag& t) const { return parse_handle(doc_.raw(t)); }
    bool exists(uint64_t h) const { return h != 0 && doc_.find_handle(h) != kNoRecord; }

    std::string first_text(RecordId id, int code) const { return EntityView(doc_, id).text_of(code).value_or(""); }

    // Index of the owner group: a 330 after the handle and outside 102 groups, before
    // the first subclass marker. -1 when the record has none.
    int owner_index(const Record& r) const {
        bool in_group = false;
        for (size_t i = 1; i < r.tags.size(); ++i) {
            int c = r.tags[i].code;
            if (c == 100 || c == 1001) return -1;
            if (c == 102) {
                std::string_view v = doc_.trimmed(r.tags[i]);
                in_group = !v.empty() && v[0] == '{';
                continue;
            }
            if (in_group) continue;
            if (c == 330) return int(i);
        }
        return -1;
    }
    uint64_t owner_of(RecordId id) const {
        const Record& r = doc_.record(id);
        int k = owner_index(r);
        return k < 0 ? 0 : handle_value(r.tags[size_t(k)]);
    }
    // Where an owner group belongs: after the handle and the 102 groups (before a group that
    // is never closed).
    size_t owner_position(const Record& r) const {
        size_t i = 1;
        // The handle is the first or (after a table's name) the second group.
        for (size_t k = 1; k < std::min<size_t>(3, r.tags.size()); ++k)
            if (r.tags[k].code == 5 || r.tags[k].code == 105) {
                i = k + 1;
                break;
            }
        while (i < r.tags.size() && r.tags[i].code == 102) {
            size_t j = i + 1;
            while (j < r.tags.size() && r.tags[j].code != 102 && r.tags[j].code != 100) ++j;
            if (j >= r.tags.size() || r.tags[j].code != 102 || doc_.trimmed(r.tags[j]) != "}") break;
            i = j + 1;
        }
        return std::min(i, r.tags.size());
    }
    void set_owner(RecordId id, uint64_t owner) {
        Tag t = doc_.make_handle(330, owner);
        int k = owner_index(doc_.record(id));
        Record& r = doc_.edit(id);
        if (k >= 0) r.tags[size_t(k)] = t;
        else r.tags.insert(r.tags.begin() + long(owner_position(r)), t);
    }

    // Calls f(id) for every record of the section, followers included.
    template <class F>
    void for_each_record(std::string_view section, F&& f) {
        const Section* s = doc_.section(section);
        if (!s) return;
        std::vector<RecordId> items = s->items;  // f may add records
        for (RecordId id : items) {
            if (doc_.record(id).erased) continue;
            f(id);
            std::vector<RecordId> followers = doc_.record(id).followers;
            for (RecordId fo : followers)
                if (!doc_.record(fo).erased) f(fo);
        }
    }

    // ------------------------------------------------------------------ tables

    RecordId new_record(std::vector<Tag> tags) {
        Record r;
        r.tags = std::move(tags);
        return doc_.add_record(std::move(r));
    }

    // Every table entry must stand between a TABLE head and its ENDTAB.
    void check_tables() {
        const Section* s = doc_.section("TABLES");
        if (!s) return;
        std::vector<RecordId> items = s->items;
        std::vector<RecordId> out;
        out.reserve(items.size() + 4);
        Finding heads, ends;
        std::string open;  // name of the table being read, empty between tables
        bool changed = false;
        auto close = [&]() {
            out.push_back(new_record({doc_.make_raw(0, "ENDTAB")}));
            ends.add(open);
            changed = true;
        };
        for (size_t i = 0; i < items.size(); ++i) {
            RecordId id = items[i];
            std::string type(doc_.type(id));
            if (type == "TABLE") {
                if (!open.empty()) close();
                open = first_text(id, 2);
                if (open.empty()) open = "（无名）";
            } else if (type == "ENDTAB") {
                open.clear();
            } else if (!type.empty() && open.empty() && !doc_.record(id).erased) {
                size_t count = 0;
                for (size_t j = i; j < items.size() && doc_.type(items[j]) == type; ++j) ++count;
                out.push_back(new_table_head(type, id, count));
                heads.add(type + "（第 " + std::to_string(line_of(id)) + " 行）");
                open = type;
                changed = true;
            }
            out.push_back(id);
        }
        if (!open.empty()) close();
        if (changed) doc_.edit_section("TABLES")->items = std::move(out);
        warn(heads, "个表有表项却没有 TABLE 头，已补上");
        warn(ends, "个表缺少 ENDTAB，已补上");
    }

    RecordId new_table_head(const std::string& type, RecordId first_entry, size_t count) {
        std::vector<Tag> tags = {doc_.make_raw(0, "TABLE"), doc_.make_raw(2, type)};
        if (modern_) {
            // The entries name their table as owner: give the head that handle when it is free.
            uint64_t h = owner_of(first_entry);
            if (h == 0 || doc_.find_handle(h) != kNoRecord) h = doc_.allocate_handle();
            tags.push_back(doc_.make_handle(5, h));
            tags.push_back(doc_.make_raw(330, "0"));
            tags.push_back(doc_.make_raw(100, "AcDbSymbolTable"));
        }
        tags.push_back(doc_.make_int(70, static_cast<long long>(count)));
        RecordId id = new_record(std::move(tags));
        doc_.index_handle(id);
        return id;
    }

    // ----------------------------------------------------------------- handles

    // A 5 (105 for DIMSTYLE) group before the first subclass marker, or -1.
    int handle_index(const Record& r, std::string_view type) const {
        for (size_t i = 1; i < r.tags.size(); ++i) {
            int c = r.tags[i].code;
            if (c == 5 || (c == 105 && type == "DIMSTYLE")) return int(i);
            if (c == 100 || c == 1001) break;
        }
        return -1;
    }

    // From R13 on every table, entry, block, entity and object has a handle.
    void check_handles() {
        Finding missing, moved;
        auto visit = [&](RecordId id) {
            const Record& r = doc_.record(id);
            // The loader replaced handles that were empty or in use, so a 5 or 105 group is enough.
            if (r.tags.empty() || r.tags[0].code != 0) return;
            if (r.tags.size() > 1 && (r.tags[1].code == 5 || r.tags[1].code == 105)) return;
            if (r.tags.size() > 2 && (r.tags[2].code == 5 || r.tags[2].code == 105)) return;
            std::string type(doc_.type(id));
            if (type == "ENDTAB" || type == "CLASS") return;
            int k = handle_index(doc_.record(id), type);
            Tag t;
            bool keep = false;
            if (k > 0) {
                // A handle further down than readers look for it: moved up to its place when unique.
                uint64_t h = handle_value(doc_.record(id).tags[size_t(k)]);
                keep = h != 0 && doc_.find_handle(h) == kNoRecord;
                if (keep) t = doc_.record(id).tags[size_t(k)];
            }
            if (!keep) t = doc_.make_handle(type == "DIMSTYLE" ? 105 : 5, doc_.allocate_handle());
            Record& m = doc_.edit(id);
            if (k > 0) m.tags.erase(m.tags.begin() + k);
            m.tags.insert(m.tags.begin() + 1, t);
            doc_.index_handle(id);
            (keep ? moved : missing).add(describe(id));
        };
        for (const char* s : {"TABLES", "BLOCKS", "ENTITIES", "OBJECTS"}) for_each_record(s, visit);
        // A SEQEND the reader had to add carries nothing but its type.
        for (const char* s : {"BLOCKS", "ENTITIES"}) {
            const Section* sec = doc_.section(s);
            if (!sec) continue;
            for (RecordId id : sec->items) {
                for (RecordId f : doc_.record(id).followers) {
                    if (doc_.type(f) != "SEQEND" || doc_.record(f).tags.size() != 2) continue;
                    Tag marker = doc_.make_raw(100, "AcDbEntity");
                    Entity owner(doc_, id);
                    Tag layer = doc_.make_text(8, owner.layer());
                    Record& r = doc_.edit(f);
                    r.tags.push_back(marker);
                    r.tags.push_back(layer);
                }
            }
        }
        warn(missing, "个记录没有句柄，已给新句柄");
        warn(moved, "个记录的句柄在其他组之后，已移到应在的位置");
    }

    // ------------------------------------------------------------------ blocks

    std::string block_name(RecordId id) const {
        std::string name = first_text(id, 2);
        if (name.empty()) name = first_text(id, 3);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        return name;
    }

    // Each block definition has a name, an ENDBLK and (from R13 on) a block record.
    void check_blocks() {
        const Section* s = doc_.section("BLOCKS");
        if (!s) return;
        std::vector<RecordId> items = s->items;
        std::vector<RecordId> out;
        out.reserve(items.size() + 4);
        Finding removed, unnamed, relinked, created, ends, mismatch;
        bool changed = false;
        std::unordered_set<uint64_t> defined;  // block records that have a definition
        size_t i = 0;
        while (i < items.size()) {
            RecordId id = items[i];
            if (doc_.type(id) != "BLOCK" || doc_.record(id).erased) {
                out.push_back(id);
                ++i;
                continue;
            }
            size_t j = i + 1;
            while (j < items.size() && doc_.type(items[j]) != "ENDBLK" && doc_.type(items[j]) != "BLOCK") ++j;
            bool has_end = j < items.size() && doc_.type(items[j]) == "ENDBLK";
            size_t content = 0;
            for (size_t k = i + 1; k < j; ++k)
                if (!doc_.record(items[k]).erased) ++content;
            std::string name = block_name(id);
            if (name.empty() && content == 0) {
                // Nothing can refer to an unnamed, empty block: drop it.
                removed.add(describe(id));
                doc_.erase(id);
                if (has_end) doc_.erase(items[j]);
                // Without an ENDBLK, items[j] is the next BLOCK: it is kept by its own turn.
                size_t stop = has_end ? j + 1 : j;
                for (size_t k = i; k < stop; ++k) out.push_back(items[k]);
                i = stop;
                continue;
            }
            if (name.empty()) {
                unnamed.add(describe(id));
            } else if (modern_) {
                uint64_t owner = owner_of(id);
                RecordId br = owner ? doc_.find_handle(owner) : kNoRecord;
                if (br == kNoRecord || doc_.type(br) != "BLOCK_RECORD") {
                    RecordId byname = find_table_entry(doc_, "BLOCK_RECORD", name);
                    if (byname != kNoRecord) {
                        set_owner(id, doc_.handle_of(byname).value_or(0));
                        relinked.add(describe(id) + " \"" + name + "\"");
                        br = byname;
                    } else {
                        br = new_block_record(name, owner);
                        set_owner(id, doc_.handle_of(br).value_or(0));
                        created.add("\"" + name + "\"");
                    }
                } else if (!iequals(entry_name(doc_, br), name)) {
                    mismatch.add(describe(id) + " \"" + name + "\" / \"" + entry_name(doc_, br) + "\"");
                }
                if (auto h = doc_.handle_of(br)) defined.insert(*h);
            }
            for (size_t k = i; k < j; ++k) out.push_back(items[k]);
            if (has_end) {
                out.push_back(items[j]);
                i = j + 1;
            } else {
                std::vector<Tag> tags = {doc_.make_raw(0, "ENDBLK")};
                if (modern_) {
                    tags.push_back(doc_.make_handle(5, doc_.allocate_handle()));
                    tags.push_back(doc_.make_handle(330, owner_of(id)));
                    tags.push_back(doc_.make_raw(100, "AcDbEntity"));
                    tags.push_back(doc_.make_text(8, Entity(doc_, id).layer()));
                    tags.push_back(doc_.make_raw(100, "AcDbBlockEnd"));
                } else {
                    tags.push_back(doc_.make_text(8, Entity(doc_, id).layer()));
                }
                RecordId end = new_record(std::move(tags));
                doc_.index_handle(end);
                out.push_back(end);
                ends.add(name.empty() ? describe(id) : "\"" + name + "\"");
                changed = true;
                i = j;
            }
        }
        if (changed) doc_.edit_section("BLOCKS")->items = std::move(out);
        Finding undefined;
        if (modern_)
            for (RecordId br : table_entries(doc_, "BLOCK_RECORD")) {
                auto h = doc_.handle_of(br);
                if (h && !defined.count(*h)) undefined.add("\"" + entry_name(doc_, br) + "\"");
            }
        warn(removed, "个无名且无实体的块定义已删除");
        warn(unnamed, "个块定义没有名称");
        warn(relinked, "个块定义未指明块记录或指向不存在的块记录，已连到同名的块记录");
        warn(created, "个块定义没有块记录，已补上");
        warn(mismatch, "个块定义的名称与其块记录不同");
        warn(ends, "个块定义缺少 ENDBLK，已补上");
        warn(undefined, "个块记录没有块定义");
    }

    RecordId new_block_record(const std::string& name, uint64_t wanted_handle) {
        std::vector<Tag> body = {doc_.make_raw(100, "AcDbBlockTableRecord"), doc_.make_text(2, name)};
        if (doc_.acadver() >= "AC1015") {
            body.push_back(doc_.make_raw(70, "0"));
            body.push_back(doc_.make_raw(280, "1"));
            body.push_back(doc_.make_raw(281, "0"));
        }
        RecordId id = add_table_entry(doc_, "BLOCK_RECORD", std::move(body));
        // The block's entities name the missing record as their owner: give the new one that handle.
        if (wanted_handle != 0 && doc_.find_handle(wanted_handle) == kNoRecord) {
            doc_.unindex_handle(id);
            Tag t = doc_.make_handle(5, wanted_handle);
            doc_.edit(id).tags[1] = t;
            doc_.index_handle(id);
        }
        return id;
    }

    // ------------------------------------------------------------------ owners

    uint64_t block_record_handle(std::string_view name) {
        RecordId id = find_table_entry(doc_, "BLOCK_RECORD", name);
        return id == kNoRecord ? 0 : doc_.handle_of(id).value_or(0);
    }

    // Entities, followers and table entries must name an existing owner.
    void check_owners() {
        Finding fixed, lost, objects;
        // Owners of model space as the reader found them (the checks before this one do not
        // change owners there).
        auto entity_owner = [&](RecordId id) {
            if (facts_ && id < facts_->entity_owners.size() && facts_->entity_owners[id] != ReadFacts::kNotRead)
                return facts_->entity_owners[id];
            return owner_of(id);
        };
        uint64_t last_good = 0;  // most entities name the same owner
        auto fine = [&](uint64_t owner) {
            if (owner != 0 && owner == last_good) return true;
            if (!exists(owner)) return false;
            last_good = owner;
            return true;
        };
        auto check = [&](RecordId id, uint64_t expected) {
            if (exists(owner_of(id))) return;
            if (!exists(expected)) {
                lost.add(describe(id));
                return;
            }
            set_owner(id, expected);
            fixed.add(describe(id));
        };
        auto followers = [&](RecordId id) {
            uint64_t h = doc_.handle_of(id).value_or(0);
            std::vector<RecordId> fs = doc_.record(id).followers;
            for (RecordId f : fs)
                if (!doc_.record(f).erased) check(f, h);
        };
        if (const Section* s = doc_.section("ENTITIES")) {
            uint64_t model = doc_.modelspace_owner();
            uint64_t paper = block_record_handle("*Paper_Space");
            std::vector<RecordId> items = s->items;
            for (RecordId id : items) {
                const Record& r = doc_.record(id);
                if (r.erased || r.tags.empty() || r.tags[0].code != 0) continue;
                if (!fine(entity_owner(id))) check(id, Entity(doc_, id).integer(67).value_or(0) == 1 ? paper : model);
                bool followers_fine = true;
                for (RecordId f : r.followers) followers_fine = followers_fine && fine(entity_owner(f));
                if (!followers_fine) followers(id);
            }
        }
        if (const Section* s = doc_.section("BLOCKS")) {
            std::vector<RecordId> items = s->items;
            uint64_t block = 0;
            for (RecordId id : items) {
                if (doc_.record(id).erased) continue;
                std::string_view type = doc_.type(id);
                if (type == "BLOCK") {
                    block = owner_of(id);
                    if (!exists(block)) lost.add(describe(id));
                    continue;
                }
                if (type.empty()) continue;
                check(id, block);
                followers(id);
            }
        }
        if (const Section* s = doc_.section("TABLES")) {
            std::vector<RecordId> items = s->items;
            uint64_t table = 0;
            for (RecordId id : items) {
                if (doc_.record(id).erased) continue;
                std::string_view type = doc_.type(id);
                if (type == "TABLE") {
                    table = doc_.handle_of(id).value_or(0);
                    // Tables belong to nobody: their owner is 0.
                    uint64_t owner = owner_of(id);
                    if (owner != 0 && !exists(owner)) {
                        set_owner(id, 0);
                        fixed.add(describe(id));
                    }
                }
                else if (type != "ENDTAB" && !type.empty()) check(id, table);
            }
        }
        if (const Section* s = doc_.section("OBJECTS")) {
            for (RecordId id : s->items) {
                uint64_t owner = owner_of(id);
                if (owner != 0 && !exists(owner) && !doc_.record(id).erased) objects.add(describe(id));
            }
        }
        warn(fixed, "个记录的所有者不存在（或没有），已归入其表、块或布局");
        warn(lost, "个记录的所有者不存在，也无法为其指定");
        warn(objects, "个对象的所有者不存在");
    }

    // ----------------------------------------------------------------- layouts

    // Index of the LAYOUT's link to its block record: the 330 after the AcDbLayout marker.
    int layout_link_index(const Record& r) const {
        bool in_layout = false;
        for (size_t i = 1; i < r.tags.size(); ++i) {
            if (r.tags[i].code == 100) in_layout = doc_.trimmed(r.tags[i]) == "AcDbLayout";
            else if (in_layout && r.tags[i].code == 330) return int(i);
        }
        return -1;
    }
    std::string layout_name(RecordId lay) const {
        const Record& r = doc_.record(lay);
        bool in_layout = false;
        for (size_t i = 1; i < r.tags.size(); ++i) {
            if (r.tags[i].code == 100) in_layout = doc_.trimmed(r.tags[i]) == "AcDbLayout";
            else if (in_layout && r.tags[i].code == 1) return doc_.text(r.tags[i]);
        }
        return {};
    }
    int first_index(const Record& r, int code) const {
        for (size_t i = 1; i < r.tags.size(); ++i)
            if (r.tags[i].code == code) return int(i);
        return -1;
    }

    // Handle of the named entry of a dictionary, 0 when absent.
    uint64_t dictionary_entry(RecordId dict, std::string_view name) const {
        const Record& r = doc_.record(dict);
        for (size_t i = 1; i + 1 < r.tags.size(); ++i)
            if (r.tags[i].code == 3 && doc_.trimmed(r.tags[i]) == name &&
                (r.tags[i + 1].code == 350 || r.tags[i + 1].code == 360))
                return handle_value(r.tags[i + 1]);
        return 0;
    }

    // Model and paper space have a LAYOUT object, and each links to the other.
    void check_layouts() {
        const Section* objects = doc_.section("OBJECTS");
        if (!objects) {
            warn("图形没有 OBJECTS 段：没有布局和字典");
            return;
        }
        RecordId root = kNoRecord;
        for (RecordId id : objects->items)
            if (!doc_.record(id).erased && !doc_.type(id).empty()) {
                if (doc_.type(id) == "DICTIONARY") root = id;
                break;
            }
        if (root == kNoRecord) {
            warn("OBJECTS 段不以根字典开头");
        } else if (!exists(dictionary_entry(root, "ACAD_LAYOUT"))) {
            warn("图形没有布局字典（ACAD_LAYOUT）：模型空间和图纸空间没有布局");
        }
        std::vector<RecordId> layouts;
        for (RecordId id : objects->items)
            if (!doc_.record(id).erased && doc_.type(id) == "LAYOUT") layouts.push_back(id);
        std::vector<RecordId> records = table_entries(doc_, "BLOCK_RECORD");

        Finding relinked, broken;
        for (RecordId lay : layouts) {
            int k = layout_link_index(doc_.record(lay));
            uint64_t target = k >= 0 ? handle_value(doc_.record(lay).tags[size_t(k)]) : 0;
            RecordId br = target ? doc_.find_handle(target) : kNoRecord;
            if (br != kNoRecord && doc_.type(br) == "BLOCK_RECORD") continue;
            uint64_t me = doc_.handle_of(lay).value_or(0);
            RecordId found = kNoRecord;
            for (RecordId r : records) {
                int j = first_index(doc_.record(r), 340);
                if (j >= 0 && me != 0 && handle_value(doc_.record(r).tags[size_t(j)]) == me) found = r;
            }
            std::string name = layout_name(lay);
            if (found == kNoRecord || k < 0) {
                broken.add(describe(lay) + " \"" + name + "\"");
                continue;
            }
            Tag t = doc_.make_handle(330, doc_.handle_of(found).value_or(0));
            doc_.edit(lay).tags[size_t(k)] = t;
            relinked.add(describe(lay) + " \"" + name + "\" -> " + entry_name(doc_, found));
        }
        Finding record_relinked, no_layout;
        for (RecordId r : records) {
            std::string name = entry_name(doc_, r);
            std::string up = upper_ascii(name);
            if (up != "*MODEL_SPACE" && up.rfind("*PAPER_SPACE", 0) != 0) continue;
            int j = first_index(doc_.record(r), 340);
            uint64_t target = j >= 0 ? handle_value(doc_.record(r).tags[size_t(j)]) : 0;
            RecordId lay = target ? doc_.find_handle(target) : kNoRecord;
            if (lay != kNoRecord && doc_.type(lay) == "LAYOUT") continue;
            uint64_t me = doc_.handle_of(r).value_or(0);
            RecordId found = kNoRecord;
            for (RecordId l : layouts) {
                int k = layout_link_index(doc_.record(l));
                if (k >= 0 && me != 0 && handle_value(doc_.record(l).tags[size_t(k)]) == me) found = l;
            }
            if (found == kNoRecord) {
                no_layout.add("\"" + name + "\"");
                continue;
            }
            Tag t = doc_.make_handle(340, doc_.handle_of(found).value_or(0));
            Record& m = doc_.edit(r);
            if (j >= 0) {
                m.tags[size_t(j)] = t;
            } else {
                int n = first_index(m, 2);
                m.tags.insert(m.tags.begin() + (n >= 0 ? n + 1 : long(m.tags.size())), t);
            }
            record_relinked.add("\"" + name + "\"");
        }
        warn(relinked, "个布局指向不存在的块记录，已重新连到自己的块记录");
        warn(broken, "个布局指向不存在的块记录");
        warn(record_relinked, "个块记录与其布局的链接已断，已恢复");
        warn(no_layout, "个模型空间或图纸空间的块记录没有布局");
    }

    // ------------------------------------------------------------ dictionaries

    void check_dictionaries() {
        const Section* objects = doc_.section("OBJECTS");
        if (!objects) return;
        Finding dangling;
        for (RecordId id : objects->items) {
            std::string_view type = doc_.type(id);
            if (type != "DICTIONARY" && type != "ACDBDICTIONARYWDFLT") continue;
            const Record& r = doc_.record(id);
            if (r.erased) continue;
            for (size_t i = 1; i + 1 < r.tags.size(); ++i) {
                if (r.tags[i].code != 3) continue;
                const Tag& next = r.tags[i + 1];
                if (next.code != 350 && next.code != 360) continue;
                uint64_t h = handle_value(next);
                if (h != 0 && !exists(h))
                    dangling.add(describe(id) + " \"" + doc_.text(r.tags[i]) + "\" -> " + format_handle(h));
            }
        }
        warn(dangling, "个字典项指向不存在的对象");
    }

    // ------------------------------------- applications, text styles and line types

    // A name looked up in a table, cached by its raw value: a drawing repeats a few names
    // thousands of times.
    struct NameCheck {
        std::unordered_set<std::string> known;  // upper-case names in the table
        bool have_table = false;
        std::unordered_map<std::string_view, bool> seen;  // raw value -> found in the table
        std::vector<std::string> missing;                 // in order of first use
        std::unordered_map<std::string, size_t> uses;
        std::string_view last;  // the last name found in the table
    };
    static void fill(NameCheck& c, const Document& doc, std::string_view table) {
        for (RecordId id : table_entries(doc, table)) {
            c.known.insert(upper_ascii(entry_name(doc, id)));
            c.have_table = true;
        }
    }
    void note(NameCheck& c, const Tag& t) { note(c, doc_.raw(t)); }
    void note(NameCheck& c, std::string_view raw) {
        if (raw == c.last) return;  // most records repeat the name before them
        auto [it, fresh] = c.seen.emplace(raw, true);
        if (fresh) {
            std::string name = doc_.codec().decode(raw);
            while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
            std::string key = upper_ascii(name);
            bool builtin = key.empty() || key == "BYLAYER" || key == "BYBLOCK" || key == "CONTINUOUS";
            it->second = builtin || c.known.count(key);
            if (!it->second) {
                c.missing.push_back(name);
                c.known.insert(key);  // another spelling of the same name is not listed again
            }
        }
        if (!it->second) ++c.uses[doc_.codec().decode(raw)];
        else c.last = raw;
    }
    static std::string names(const NameCheck& c, bool counts) {
        std::string out;
        for (const std::string& n : c.missing) {
            out += (out.empty() ? "" : ", ") + n;
            if (counts) {
                auto it = c.uses.find(n);
                out += " (" + std::to_string(it == c.uses.end() ? 0 : it->second) + ")";
            }
        }
        return out;
    }

    // One pass over every record: extended data of applications missing from the APPID table
    // (registered), and text styles and line types missing from their tables (reported).
    void check_names() {
        NameCheck apps, styles, ltypes;
        fill(apps, doc_, "APPID");
        fill(styles, doc_, "STYLE");
        fill(ltypes, doc_, "LTYPE");
        // Scans touch as few tags as they can: a county's drawing has millions.
        auto visit = [&](RecordId id, bool entity) {
            const Record& r = doc_.record(id);
            if (r.erased || r.tags.empty()) return;
            // Extended data is the trailing run of 1000-1071 groups.
            size_t xdata = r.tags.size();
            if (!applications_)
                while (xdata > 1 && r.tags[xdata - 1].code >= 1000) {
                    --xdata;
                    if (r.tags[xdata].code == 1001) note(apps, r.tags[xdata]);
                }
            if (!entity || r.tags[0].code != 0) return;
            // The line type is among the common groups, before the geometry.
            int markers = 0;
            for (size_t i = 1; i < xdata && ltypes.have_table; ++i) {
                int c = r.tags[i].code;
                if ((c >= 10 && c <= 18) || c >= 1000 || (c == 100 && ++markers == 2)) break;
                if (c == 6) {
                    note(ltypes, r.tags[i]);
                    break;
                }
            }
            // Only texts name a text style (types of 4 to 6 letters; the length is known without reading).
            if (styles.have_table && r.tags[0].length >= 4 && r.tags[0].length <= 6) {
                std::string_view type = doc_.type(id);
                if (type == "TEXT" || type == "MTEXT" || type == "ATTRIB" || type == "ATTDEF")
                    for (size_t i = 1; i < xdata && r.tags[i].code < 1000; ++i)
                        if (r.tags[i].code == 7) {
                            note(styles, r.tags[i]);
                            break;
                        }
            }
        };
        if (applications_)
            for (std::string_view raw : *applications_) note(apps, raw);
        for (const Section& s : doc_.sections()) {
            bool entities = s.name == "ENTITIES" || s.name == "BLOCKS";
            if (!entities && applications_) continue;
            for (RecordId id : s.items) {
                visit(id, entities);
                for (RecordId f : doc_.record(id).followers) visit(f, entities);
            }
        }
        // A name with a line break in it cannot be written into the table.
        std::vector<std::string> unwritable;
        for (auto it = apps.missing.begin(); it != apps.missing.end();) {
            if (it->find_first_of("\r\n") != std::string::npos) {
                std::string shown = *it;
                for (char& ch : shown)
                    if (ch == '\r' || ch == '\n') ch = ' ';
                unwritable.push_back(shown);
                it = apps.missing.erase(it);
            } else {
                ++it;
            }
        }
        if (!unwritable.empty()) {
            std::string list;
            for (const std::string& n : unwritable) list += (list.empty() ? "" : ", ") + n;
            warn("名称含换行的应用程序的扩展数据无法注册：" + list);
        }
        if (!apps.missing.empty()) {
            if (!doc_.section("TABLES")) {
                warn("扩展数据的应用程序不在 APPID 表中（图形没有表）：" +
                     names(apps, false));
            } else {
                std::vector<std::string> missing = apps.missing;  // ensure_appid adds to the pool the views look into
                for (const std::string& n : missing) ensure_appid(doc_, n);
                warn("扩展数据的应用程序不在 APPID 表中，已注册：" + names(apps, false));
            }
        }
        if (!styles.missing.empty())
            warn("文字使用了 STYLE 表中没有的文字样式（使用次数）：" + names(styles, true));
        if (!ltypes.missing.empty())
            warn("实体使用了 LTYPE 表中没有的线型（使用次数）：" + names(ltypes, true));
    }
};

}  // namespace

void audit(Document& doc, LoadReport* report, std::string_view source, const ReadFacts* facts) {
    Auditor(doc, report, source, facts).run();
}

}  // namespace korvane::drawing
