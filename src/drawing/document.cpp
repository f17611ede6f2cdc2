#include "document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "clamped.h"

namespace korvane::drawing {

DxfError::DxfError(const std::string& file, size_t line, const std::string& what)
    : std::runtime_error(file + (line ? ":" + std::to_string(line) : std::string()) + ": " + what),
      file_(file),
      line_(line) {}

Document::Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

uint64_t parse_handle(std::string_view hex) {
    while (!hex.empty() && (hex.front() == ' ' || hex.front() == '\t')) hex.remove_prefix(1);
    while (!hex.empty() && (hex.back() == ' ' || hex.back() == '\t')) hex.remove_suffix(1);
    if (hex.empty() || hex.size() > 16) return 0;
    uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (ec != std::errc() || ptr != hex.data() + hex.size()) return 0;
    return value;
}

std::string format_handle(uint64_t handle) {
    char buf[24];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, handle, 16);
    std::string s(buf, ptr);
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = char(c - 32);
    return s;
}

std::string format_real(double value) {
    if (value == 0) return "0.0";
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, ptr);
    // Keep a decimal point so that readers see a real, as CAD programs write them.
    if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
    return s;
}

bool Document::is_r12() const { return acadver_ <= "AC1009"; }

std::string_view Document::trimmed(const Tag& t) const {
    std::string_view v = raw(t);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    return v;
}

namespace {

// Reads a plain decimal ("-12.345", no exponent) of at most 15 digits, as nearly every
// coordinate of a drawing is written: its digits and the power of ten are both exact doubles,
// so one division rounds the exact value as std::from_chars does. False for anything else.
bool read_plain_decimal(std::string_view v, double& out) {
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = v.data();
    const char* const end = p + v.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    const char* const first = p;
    uint64_t m = 0;
    while (p != end && unsigned(*p - '0') < 10) m = m * 10 + unsigned(*p++ - '0');
    if (p == first) return false;
    size_t digits = size_t(p - first), fraction = 0;
    if (p != end && *p == '.') {
        const char* const point = ++p;
        while (p != end && unsigned(*p - '0') < 10) m = m * 10 + unsigned(*p++ - '0');
        fraction = size_t(p - point);
        digits += fraction;
    }
    if (p != end || digits > 15) return false;
    const double d = double(m) / kPow10[fraction];
    out = negative ? -d : d;
    return true;
}

}  // namespace

double Document::real(const Tag& t) const {
    std::string_view v = trimmed(t);
    if (!v.empty() && v[0] == '+') v.remove_prefix(1);
    double d = 0;
    if (read_plain_decimal(v, d)) return d;
    std::from_chars(v.data(), v.data() + v.size(), d);
    return d;
}

long long Document::integer(const Tag& t) const {
    std::string_view v = trimmed(t);
    if (!v.empty() && v[0] == '+') v.remove_prefix(1);
    long long i = 0;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), i);
    if (ec != std::errc() || ptr != v.data() + v.size()) {
        double d = 0;
        std::from_chars(v.data(), v.data() + v.size(), d);
        i = clamped<long long>(d);
    }
    return i;
}

Tag Document::make_raw(int code, std::string_view raw) {
    Tag t;
    t.code = int16_t(code);
    t.owned = 1;
    t.offset = uint32_t(pool_.size());
    t.length = uint32_t(raw.size());
    pool_.append(raw);
    return t;
}

std::string Document::encode_text(std::string_view utf8) const {
    std::string value;
    append_encoded(value, utf8);
    return value;
}

void Document::append_encoded(std::string& out, std::string_view utf8) const {
    const size_t from = out.size();
    if (codec_.is_utf8()) out.append(utf8);  // what encode gives, without a string of its own
    else out += codec_.encode(utf8);
    // A value is one line of the file: a line break in it would cut the file apart.
    for (size_t i = from; i < out.size(); ++i)
        if (out[i] == '\n' || out[i] == '\r') out[i] = ' ';
}

Tag Document::make_text(int code, std::string_view utf8) { return make_raw(code, encode_text(utf8)); }
Tag Document::make_real(int code, double value) { return make_raw(code, format_real(value)); }
Tag Document::make_int(int code, long long value) { return make_raw(code, std::to_string(value)); }
Tag Document::make_handle(int code, uint64_t handle) { return make_raw(code, format_handle(handle)); }

RecordId Document::add_record(Record r) {
    records_.push_back(std::move(r));
    return RecordId(records_.size() - 1);
}

std::string_view Document::type(RecordId id) const {
    const Record& r = records_[id];
    if (r.tags.empty() || r.tags[0].code != 0) return {};
    return trimmed(r.tags[0]);
}

Section* Document::edit_section(std::string_view name) {
    for (Section& s : sections_)
        if (s.name == name) {
            journal_sections();
            return &s;
        }
    return nullptr;
}
const Section* Document::section(std::string_view name) const {
    for (const Section& s : sections_)
        if (s.name == name) return &s;
    return nullptr;
}

Section& Document::ensure_section(std::string_view name) {
    if (Section* s = edit_section(name)) return *s;
    journal_sections();
    static const char* order[] = {"HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES", "OBJECTS"};
    auto rank = [](std::string_view n) {
        for (int i = 0; i < 6; ++i)
            if (n == order[i]) return i;
        return 6;
    };
    Section sec;
    sec.name = std::string(name);
    Record head;
    head.tags = {make_raw(0, "SECTION"), make_raw(2, name)};
    sec.head = add_record(std::move(head));
    Record end;
    end.tags = {make_raw(0, "ENDSEC")};
    sec.end = add_record(std::move(end));
    auto it = sections_.begin();
    while (it != sections_.end() && (it->name.empty() || rank(it->name) <= rank(name))) ++it;
    if (it == sections_.end()) {  // keep trailing loose tags last
        while (it != sections_.begin() && std::prev(it)->name.empty()) --it;
    }
    return *sections_.insert(it, std::move(sec));
}

RecordId Document::header_record() const {
    const Section* h = section("HEADER");
    if (!h || h->items.empty()) return kNoRecord;
    return h->items.front();
}

std::optional<std::pair<size_t, size_t>> Document::header_range(std::string_view name) const {
    RecordId hr = header_record();
    if (hr == kNoRecord) return std::nullopt;
    const auto& tags = records_[hr].tags;
    for (size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].code == 9 && trimmed(tags[i]) == name) {
            size_t j = i + 1;
            while (j < tags.size() && tags[j].code != 9) ++j;
            return std::make_pair(i + 1, j);
        }
    }
    return std::nullopt;
}

std::optional<std::string> Document::header_text(std::string_view name) const {
    auto range = header_range(name);
    if (!range || range->first == range->second) return std::nullopt;
    return std::string(trimmed(records_[header_record()].tags[range->first]));
}

void Document::set_header(std::string_view name, const std::vector<Tag>& values) {
    RecordId hr = header_record();
    if (hr == kNoRecord) {
        Section& h = ensure_section("HEADER");
        h.items.push_back(add_record(Record{}));
        hr = h.items.front();
    }
    auto range = header_range(name);
    auto& tags = edit(hr).tags;
    if (range) {
        tags.erase(tags.begin() + long(range->first), tags.begin() + long(range->second));
        tags.insert(tags.begin() + long(range->first), values.begin(), values.end());
    } else {
        tags.push_back(make_raw(9, name));
        tags.insert(tags.end(), values.begin(), values.end());
    }
    touch();
}

std::optional<uint64_t> Document::handle_of(RecordId id) const {
    const auto& tags = records_[id].tags;
    size_t n = std::min<size_t>(tags.size(), 3);
    for (size_t i = 1; i < n; ++i) {
        if (tags[i].code == 5 || tags[i].code == 105) {
            uint64_t h = parse_handle(raw(tags[i]));
            if (h) return h;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

RecordId Document::find_handle(uint64_t handle) const {
    auto it = handles_.find(handle);
    if (it == handles_.end() || records_[it->second].erased) return kNoRecord;
    return it->second;
}

RecordId Document::find_handle(std::string_view hex) const { return find_handle(parse_handle(hex)); }

uint64_t Document::allocate_handle() { return next_handle_++; }

void Document::index_handle(RecordId id) {
    if (auto h = handle_of(id)) {
        handles_[*h] = id;
        if (*h >= next_handle_) next_handle_ = *h + 1;
    }
}

void Document::unindex_handle(RecordId id) {
    if (auto h = handle_of(id)) {
        auto it = handles_.find(*h);
        if (it != handles_.end() && it->second == id) handles_.erase(it);
    }
}

void Document::finish_load(LoadReport* report) {
    auto warn = [&](const std::string& w) {
        if (report) report->warnings.push_back(w);
    };
    // Text must be valid in the drawing's encoding. The file is checked whole first: no
    // character runs across a line end (line ends are ASCII, no multi-byte sequence holds
    // one), so a valid file has only valid values. Else each value, to name the bad one's line.
    if (!codec_.all_valid(source_.view())) {
        for (const Record& r : records_) {
            for (const Tag& t : r.tags) {
                if (t.owned) continue;
                std::string_view v = raw(t);
                size_t bad = codec_.find_invalid(v);
                if (bad != std::string_view::npos) {
                    size_t line = 1 + size_t(std::count(source_.data(), source_.data() + t.offset, '\n'));
                    throw DxfError(source_name_, line,
                                   "有不符合图形编码（" +
                                       (codec_.is_utf8() ? std::string("UTF-8") : codec_.iconv_name()) + "）的字节");
                }
            }
        }
    }
    // Handles: index every record; repair duplicates and empty handles with fresh ones.
    uint64_t max_handle = 0;
    std::vector<std::pair<RecordId, size_t>> needs_new;
    for (RecordId id = 0; id < records_.size(); ++id) {
        const auto& tags = records_[id].tags;
        // Only records that start with a 0 group carry a handle: the header's variables do
        // not, even when $HANDSEED's 5 group comes second among them.
        if (tags.empty() || tags[0].code != 0) continue;
        size_t n = std::min<size_t>(tags.size(), 3);
        for (size_t i = 1; i < n; ++i) {
            if (tags[i].code != 5 && tags[i].code != 105) continue;
            uint64_t h = parse_handle(raw(tags[i]));
            if (h == 0 || handles_.count(h)) {
                needs_new.emplace_back(id, i);
            } else {
                handles_.emplace(h, id);
                max_handle = std::max(max_handle, h);
            }
            break;
        }
    }
    uint64_t seed = 0;
    if (auto hs = header_text("$HANDSEED")) {
        handseed_as_read_ = *hs;
        seed = parse_handle(*hs);
    }
    next_handle_ = std::max(seed, max_handle + 1);
    if (seed != 0 && seed <= max_handle)
        warn("$HANDSEED " + handseed_as_read_ + " 不大于所有句柄，已提高到 " + format_handle(next_handle_));
    // One warning per kind, naming the first few records: a broken file can have thousands.
    size_t duplicates = 0, empties = 0;
    std::string duplicate_list, empty_list;
    for (auto [id, i] : needs_new) {
        std::string old(trimmed(records_[id].tags[i]));
        uint64_t h = allocate_handle();
        records_[id].tags[i] = make_handle(records_[id].tags[i].code, h);
        handles_.emplace(h, id);
        bool empty = parse_handle(old) == 0;
        size_t& count = empty ? empties : duplicates;
        std::string& list = empty ? empty_list : duplicate_list;
        if (count++ < 5)
            list += (list.empty() ? "" : ", ") + std::string(type(id)) + (empty ? "" : " " + old) + " -> " + format_handle(h);
    }
    if (duplicates)
        warn(std::to_string(duplicates) + " 个记录的句柄已被占用，已换新句柄：" + duplicate_list +
             (duplicates > 5 ? "，另有 " + std::to_string(duplicates - 5) + " 个" : ""));
    if (empties)
        warn(std::to_string(empties) + " 个记录的句柄为空或无效，已换新句柄：" + empty_list +
             (empties > 5 ? "，另有 " + std::to_string(empties - 5) + " 个" : ""));
}

std::vector<RecordId> Document::modelspace() const {
    std::vector<RecordId> out;
    const Section* ents = section("ENTITIES");
    if (!ents) return out;
    out.reserve(ents->items.size());
    for (RecordId id : ents->items) {
        const Record& r = records_[id];
        if (r.erased || r.tags.empty() || r.tags[0].code != 0) continue;
        bool paper = false;
        for (size_t i = 1; i < r.tags.size() && i < 12; ++i) {
            if (r.tags[i].code == 67) {
                paper = integer(r.tags[i]) == 1;
                break;
            }
        }
        if (!paper) out.push_back(id);
    }
    return out;
}

void Document::append_to_modelspace(RecordId id) {
    // An append at the end is what the change log describes: the sections are kept for undo
    // without starting a new generation of the log.
    Section* existing = nullptr;
    for (Section& s : sections_)
        if (s.name == "ENTITIES") existing = &s;
    if (existing) save_sections_for_undo();
    Section& ents = existing ? *existing : ensure_section("ENTITIES");
    log_change(id, true);
    if (step_depth_ > 0 && id >= current_.record_count) {
        // Records added in this step need no journal entry: undo drops them from the sections.
    }
    ents.items.push_back(id);
    index_handle(id);
    for (RecordId f : records_[id].followers) index_handle(f);
    touch();
}

void Document::erase(RecordId id) {
    ++erasures_;
    edit(id).erased = true;
    unindex_handle(id);
    std::vector<RecordId> followers = records_[id].followers;
    for (RecordId f : followers) {
        edit(f).erased = true;
        unindex_handle(f);
    }
    touch();
}

uint64_t Document::modelspace_owner() const {
    if (is_r12()) return 0;
    const Section* tables = section("TABLES");
    if (!tables) return 0;
    for (RecordId id : tables->items) {
        if (type(id) != "BLOCK_RECORD") continue;
        for (const Tag& t : records_[id].tags)
            if (t.code == 2 && iequals(trimmed(t), "*Model_Space")) return handle_of(id).value_or(0);
    }
    return 0;
}

}  // namespace korvane::drawing

namespace korvane::drawing {

void Document::log_change(RecordId id, bool appended) {
    // A log that has grown this long is cheaper to replace by one walk of the drawing.
    if (change_log_.size() >= (size_t(1) << 20)) new_change_generation();
    change_log_.push_back({id, appended});
}

void Document::new_change_generation() {
    change_log_.clear();
    ++change_generation_;
}

Record& Document::edit(RecordId id) {
    modified_ = true;
    log_change(id, false);
    if (step_depth_ > 0 && id < current_.record_count) current_.records.try_emplace(id, records_[id]);
    return records_[id];
}

void Document::journal_sections() {
    new_change_generation();
    save_sections_for_undo();
}

void Document::save_sections_for_undo() {
    modified_ = true;
    if (step_depth_ > 0 && !current_.has_sections) {
        current_.has_sections = true;
        current_.sections = sections_;
    }
}

void Document::begin_undo_step(std::string name) {
    if (step_depth_++ > 0) return;
    current_ = UndoStep{};
    current_.name = std::move(name);
    current_.next_handle = next_handle_;
    current_.record_count = records_.size();
}

void Document::end_undo_step() {
    if (step_depth_ == 0 || --step_depth_ > 0) return;
    bool changed = !current_.records.empty() || current_.has_sections || records_.size() != current_.record_count;
    if (changed) {
        undo_stack_.push_back(std::move(current_));
        redo_stack_.clear();
        if (undo_stack_.size() > 200) undo_stack_.erase(undo_stack_.begin());
    }
    current_ = UndoStep{};
}

// Swaps the document's state with the step's saved state, so the same step
// serves for undo and, afterwards, for redo.
void Document::apply_step(UndoStep& step) {
    for (auto& [id, saved] : step.records) {
        unindex_handle(id);
        std::swap(records_[id], saved);
    }
    // Records added by the step are reachable only through the sections or followers.
    for (RecordId id = RecordId(step.record_count); id < records_.size(); ++id) unindex_handle(id);
    if (step.has_sections) std::swap(sections_, step.sections);
    std::swap(next_handle_, step.next_handle);
    // Re-index whatever is live now.
    for (auto& [id, saved] : step.records)
        if (!records_[id].erased) index_handle(id);
    auto reindex = [&](RecordId id) {
        if (!records_[id].erased) index_handle(id);
        for (RecordId f : records_[id].followers)
            if (!records_[f].erased) index_handle(f);
    };
    for (const Section& s : sections_)
        for (RecordId id : s.items)
            if (id >= step.record_count) reindex(id);
    for (auto& [id, saved] : step.records)
        for (RecordId f : records_[id].followers)
            if (f >= step.record_count && !records_[f].erased) index_handle(f);
    modified_ = true;
    new_change_generation();
    ++erasures_;
    touch();
}

bool Document::undo() {
    if (step_depth_ > 0 || undo_stack_.empty()) return false;
    UndoStep step = std::move(undo_stack_.back());
    undo_stack_.pop_back();
    apply_step(step);
    redo_stack_.push_back(std::move(step));
    return true;
}

bool Document::redo() {
    if (step_depth_ > 0 || redo_stack_.empty()) return false;
    UndoStep step = std::move(redo_stack_.back());
    redo_stack_.pop_back();
    apply_step(step);
    undo_stack_.push_back(std::move(step));
    return true;
}

std::string Document::undo_name() const { return undo_stack_.empty() ? std::string() : undo_stack_.back().name; }
std::string Document::redo_name() const { return redo_stack_.empty() ? std::string() : redo_stack_.back().name; }

}  // namespace korvane::drawing
