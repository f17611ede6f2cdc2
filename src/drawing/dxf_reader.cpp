// Reads ASCII DXF text into the document's records without copying values:
// each tag keeps the offset and length of its value line in the source buffer.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_set>

#include "audit.h"
#include "document.h"

namespace korvane::drawing {

namespace {

size_t line_of_offset(std::string_view text, size_t offset) {
    size_t line = 1;
    const char* p = text.data();
    const char* end = p + std::min(offset, text.size());
    while ((p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)))) != nullptr) {
        ++line;
        ++p;
    }
    return line;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

class DxfReader {
public:
    ReadFacts facts_;

    DxfReader(Document& doc, LoadReport* report, const LoadProgress& progress)
        : doc_(doc), report_(report), progress_(progress) {}

    void run() {
        std::string_view src = doc_.source_.view();
        if (src.empty()) throw DxfError(doc_.source_name_, 0, "文件是空的");
        if (src.rfind("AutoCAD Binary DXF", 0) == 0)
            fail(0, "这是二进制 DXF 文件，Korvane 只读 ASCII DXF（请另存为 ASCII DXF）");
        if (src.size() >= 6 && src.rfind("AC10", 0) == 0 && src.find('\n') > 6)
            fail(0, "这是 DWG 图形，不是 DXF 文件（请另存为 ASCII DXF）");
        if (src.size() >= 2 && ((src[0] == '\xFF' && src[1] == '\xFE') || (src[0] == '\xFE' && src[1] == '\xFF')))
            fail(0, "这是 UTF-16 文本，不是 DXF 文件（DXF 用图形的代码页或 UTF-8 书写）");
        size_t start = 0;
        if (src.size() >= 3 && static_cast<unsigned char>(src[0]) == 0xEF &&
            static_cast<unsigned char>(src[1]) == 0xBB && static_cast<unsigned char>(src[2]) == 0xBF)
            start = 3;  // a UTF-8 byte order mark some writers put first
        pos_ = start;
        size_t first_nl = src.find('\n', start);
        doc_.eol_ = (first_nl != std::string::npos && first_nl > 0 && src[first_nl - 1] == '\r') ? "\r\n" : "\n";

        Tag first;
        if (!next_tag(first)) throw DxfError(doc_.source_name_, 0, "文件是空的");
        if (first.code != 0 && first.code != 999)
            fail(start, "这不是 DXF 文件（开头不是 0 组）");
        first_tag_ = false;
        pending_ = first;
        has_pending_ = true;
        parse_top_level();
        if (merged_count_ > 0) {
            std::string names;
            for (const std::string& n : merged_) names += (names.empty() ? "" : ", ") + n;
            warn(std::to_string(merged_count_) + " 个重复的段（" + names + "，第一个在第 " + std::to_string(merged_line_) +
                 " 行）已并入同名的第一个段");
        }
        if (loose_records_ > 0)
            warn(std::to_string(loose_records_) + " 个记录不在任何段中（从第 " + std::to_string(first_loose_line_) +
                 " 行起），原样保留");
        warn(header_moved_, "处头变量在 HEADER 段之外，已移入 HEADER 段");
        warn(unnamed_sections_, "个无名的 SECTION 原样保留");
        warn(unclosed_sections_, "个段缺少 ENDSEC，已补上");
        warn(missing_seqends_, "个 POLYLINE 缺少 SEQEND，已补上");
        if (!saw_eof_) warn("文件结束时没有 0/EOF，已补上 EOF");
        detect_version();
    }

private:
    Document& doc_;
    LoadReport* report_;
    const LoadProgress& progress_;
    size_t pos_ = 0;
    Tag pending_;
    bool has_pending_ = false;
    bool saw_eof_ = false;
    bool first_tag_ = true;
    size_t last_tag_offset_ = 0;
    size_t loose_records_ = 0;
    std::string_view last_application_;
    std::unordered_set<std::string_view> application_set_;
    std::vector<std::string> merged_;  // names of sections that occurred more than once
    size_t merged_count_ = 0, merged_line_ = 0;
    size_t first_loose_line_ = 0;

    [[noreturn]] void fail(size_t offset, const std::string& what) {
        throw DxfError(doc_.source_name_, line_of_offset(doc_.source_.view(), offset), what);
    }
    // Problems that can occur thousands of times are counted and reported once, with the
    // line of the first.
    struct Tally {
        size_t count = 0, first_line = 0;
    };
    Tally header_moved_, unnamed_sections_, unclosed_sections_, missing_seqends_;
    static void tally(Tally& t, size_t line) {
        if (t.count++ == 0) t.first_line = line;
    }
    void warn(const Tally& t, const std::string& what) {
        if (t.count == 0) return;
        std::string where = t.first_line ? "（第 " + std::to_string(t.first_line) + (t.count > 1 ? " 行起）" : " 行）") : "";
        warn(std::to_string(t.count) + " " + what + where);
    }
    void warn(const std::string& what) {
        if (report_) report_->warnings.push_back(what);
    }

    // Reads one line starting at pos_; returns false at the end of the buffer.
    bool read_line(size_t& begin, size_t& length) {
        std::string_view src = doc_.source_.view();
        if (pos_ >= src.size()) return false;
        begin = pos_;
        const void* nl = std::memchr(src.data() + pos_, '\n', src.size() - pos_);
        size_t end = nl ? size_t(static_cast<const char*>(nl) - src.data()) : src.size();
        pos_ = nl ? end + 1 : src.size();
        length = end - begin;
        if (length > 0 && src[begin + length - 1] == '\r') --length;
        return true;
    }

    bool next_tag(Tag& tag) {
        if (has_pending_) {
            tag = pending_;
            has_pending_ = false;
            return true;
        }
        std::string_view src = doc_.source_.view();
        size_t cb, cl;
        // Blank lines where a group code belongs occur after EOF in some files; they end the data.
        if (!read_line(cb, cl)) return false;
        const char* p = src.data() + cb;
        const char* e = p + cl;
        while (p < e && is_blank(*p)) ++p;
        while (e > p && is_blank(e[-1])) --e;
        if (p == e) {
            if (pos_ >= src.size()) return false;
            if (first_tag_) fail(cb, "这不是 DXF 文件（以空行开头）");
            fail(cb, "应为组码处是空行");
        }
        int code = 0;
        auto [ptr, ec] = std::from_chars(p, e, code);
        if (ec != std::errc() || ptr != e) {
            if (first_tag_) fail(cb, "这不是 DXF 文件（第一行不是组码）");
            fail(cb, "组码不是数字：\"" + std::string(p, std::min<size_t>(size_t(e - p), 40)) + "\"");
        }
        if (code < -5 || code > 1071) fail(cb, "组码超出范围：" + std::to_string(code));
        size_t vb, vl;
        if (!read_line(vb, vl)) fail(cb, "文件在组码 " + std::to_string(code) + " 之后结束，缺少其值（文件不完整）");
        tag.code = int16_t(code);
        tag.owned = 0;
        tag.offset = uint32_t(vb);
        tag.length = uint32_t(vl);
        last_tag_offset_ = vb;
        check_value(tag);
        return true;
    }

    // Numbers must parse where the group code requires one.
    void check_value(const Tag& tag) {
        ValueKind kind = value_kind(tag.code);
        if (kind != ValueKind::Double && kind != ValueKind::Integer && kind != ValueKind::Bool) return;
        std::string_view v = doc_.raw(tag);
        size_t b = 0, e = v.size();
        while (b < e && is_blank(v[b])) ++b;
        while (e > b && is_blank(v[e - 1])) --e;
        std::string_view t = v.substr(b, e - b);
        if (!t.empty() && t[0] == '+') t.remove_prefix(1);
        bool ok = !t.empty();
        if (ok) {
            if (kind == ValueKind::Double) {
                double d;
                auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
                ok = ec == std::errc() && ptr == t.data() + t.size();
                if (!ok && ec == std::errc::result_out_of_range) ok = true;
            } else {
                long long i;
                auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), i);
                ok = ec == std::errc() && ptr == t.data() + t.size();
                if (!ok) {
                    // Some writers put "1.0" or "0.0" in integer groups; accept a whole-number real.
                    double d;
                    auto [p2, e2] = std::from_chars(t.data(), t.data() + t.size(), d);
                    ok = e2 == std::errc() && p2 == t.data() + t.size() && d > -9.2e18 && d < 9.2e18 &&
                         d == static_cast<double>(static_cast<long long>(d));
                }
            }
        }
        if (!ok)
            fail(tag.offset, "组 " + std::to_string(tag.code) + " 应为数字，却是\"" +
                                 std::string(t.substr(0, 40)) + "\"");
    }

    // Collects tags up to (not including) the next 0 group into `out`.
    void collect_until_zero(std::vector<Tag>& out) {
        Tag t;
        while (next_tag(t)) {
            if (t.code == 0) {
                pending_ = t;
                has_pending_ = true;
                return;
            }
            if (t.code == 1001) note_application(t);
            out.push_back(t);
        }
    }

    // Names of applications with extended data, collected while their text is at hand so
    // that the structure checks need not visit every tag again.
    void note_application(const Tag& t) {
        std::string_view name = doc_.raw(t);
        if (name == last_application_) return;
        last_application_ = name;
        if (application_set_.insert(name).second) facts_.applications.push_back(name);
    }

    // The owner (330) of a record of model space: after the handle, outside 102 groups,
    // before the first subclass marker. Read now, while the record's text is at hand.
    void note_owner(const std::vector<Tag>& tags) {
        uint64_t owner = 0;
        bool in_group = false;
        for (size_t i = 1; i < tags.size(); ++i) {
            int c = tags[i].code;
            if (c == 100 || c == 1001) break;
            if (c == 102) {
                std::string_view v = doc_.trimmed(tags[i]);
                in_group = !v.empty() && v[0] == '{';
                continue;
            }
            if (in_group) continue;
            if (c == 330) {
                owner = parse_handle(doc_.raw(tags[i]));
                break;
            }
        }
        size_t id = doc_.records_.size();  // the id the record is about to get
        if (facts_.entity_owners.size() <= id) facts_.entity_owners.resize(id + 1, ReadFacts::kNotRead);
        facts_.entity_owners[id] = owner;
    }

    RecordId push_record(std::vector<Tag>& scratch) {
        Record r;
        r.tags.assign(scratch.begin(), scratch.end());
        scratch.clear();
        doc_.records_.push_back(std::move(r));
        constexpr size_t kRecordsBetweenReports = 16384;
        if (progress_ && doc_.records_.size() % kRecordsBetweenReports == 0 &&
            !progress_(double(pos_) / double(std::max<size_t>(1, doc_.source_.size()))))
            throw LoadCancelled();
        return RecordId(doc_.records_.size() - 1);
    }

    bool value_is(const Tag& t, std::string_view s) const {
        std::string_view v = doc_.raw(t);
        while (!v.empty() && is_blank(v.back())) v.remove_suffix(1);
        while (!v.empty() && is_blank(v.front())) v.remove_prefix(1);
        return v == s;
    }

    static bool is_follower_type(std::string_view t) { return t == "VERTEX" || t == "ATTRIB" || t == "SEQEND"; }
    static bool is_owner_type(std::string_view t) { return t == "POLYLINE" || t == "INSERT"; }

    void parse_top_level() {
        std::vector<Tag> scratch;
        scratch.reserve(256);
        Section* loose = nullptr;
        Tag t;
        while (next_tag(t)) {
            if (t.code == 0 && value_is(t, "EOF")) {
                saw_eof_ = true;
                check_trailing();
                return;
            }
            if (t.code == 0 && value_is(t, "SECTION")) {
                loose = nullptr;
                parse_section(t, scratch);
                continue;
            }
            if (t.code == 9 && !loose) {
                header_after_endsec(t, scratch);
                continue;
            }
            // Tags outside any section (comments, stray records): kept where they stand.
            if (t.code != 999 && loose_records_++ == 0) first_loose_line_ = line_of_offset(doc_.source_.view(), t.offset) - 1;
            if (!loose) {
                doc_.sections_.push_back(Section{});
                loose = &doc_.sections_.back();
            }
            scratch.push_back(t);
            collect_until_zero(scratch);
            RecordId id = push_record(scratch);
            doc_.sections_.back().items.push_back(id);
            loose = &doc_.sections_.back();
        }
    }

    // Header variables after a section's ENDSEC (a writer closed the header too early, or
    // wrote them outside any section): they go into the header, and the ENDSEC that
    // follows them is dropped.
    void header_after_endsec(const Tag& first, std::vector<Tag>& scratch) {
        size_t line = header_moved_.count ? 0 : line_of_offset(doc_.source_.view(), first.offset) - 1;
        scratch.push_back(first);
        collect_until_zero(scratch);
        auto it = doc_.sections_.begin();
        while (it != doc_.sections_.end() && it->name != "HEADER") ++it;
        if (it == doc_.sections_.end()) {
            Section sec;
            sec.name = "HEADER";
            Record head, end;
            head.tags = {doc_.make_raw(0, "SECTION"), doc_.make_raw(2, "HEADER")};
            end.tags = {doc_.make_raw(0, "ENDSEC")};
            sec.head = doc_.add_record(std::move(head));
            sec.end = doc_.add_record(std::move(end));
            it = doc_.sections_.begin();
            while (it != doc_.sections_.end() && it->name.empty()) ++it;  // after leading comments
            it = doc_.sections_.insert(it, std::move(sec));
        }
        Section& header = *it;
        if (header.items.empty() || doc_.records_[header.items.front()].tags.empty() ||
            doc_.records_[header.items.front()].tags.front().code == 0) {
            header.items.insert(header.items.begin(), push_record(scratch));
        } else {
            auto& tags = doc_.records_[header.items.front()].tags;
            tags.insert(tags.end(), scratch.begin(), scratch.end());
            scratch.clear();
        }
        Tag t;
        if (next_tag(t)) {
            if (t.code == 0 && value_is(t, "ENDSEC")) {
                collect_until_zero(scratch);  // nothing belongs to an ENDSEC: dropped with it
                scratch.clear();
            } else {
                pending_ = t;
                has_pending_ = true;
            }
        }
        tally(header_moved_, line);
    }

    void check_trailing() {
        std::string_view src = doc_.source_.view();
        for (size_t i = pos_; i < src.size(); ++i) {
            if (!std::isspace(static_cast<unsigned char>(src[i])) && src[i] != '\x1a') {
                warn("0/EOF 之后的数据已舍弃（从第 " + std::to_string(line_of_offset(src, i)) + " 行起）");
                return;
            }
        }
    }

    void parse_section(const Tag& section_tag, std::vector<Tag>& scratch) {
        size_t section_offset = section_tag.offset;
        Section sec;
        scratch.push_back(section_tag);
        Tag t;
        if (next_tag(t)) {
            if (t.code == 2) {
                scratch.push_back(t);
                sec.name = std::string(doc_.trimmed(t));
            } else {
                pending_ = t;
                has_pending_ = true;
                tally(unnamed_sections_, unnamed_sections_.count ? 0 : line_of_offset(doc_.source_.view(), section_tag.offset) - 1);
            }
        }
        sec.head = push_record(scratch);
        // Header variables and the like: tags before the first 0 group form one record.
        collect_until_zero(scratch);
        if (!scratch.empty()) sec.items.push_back(push_record(scratch));

        RecordId owner = kNoRecord;
        while (next_tag(t)) {
            if (t.code != 0) {  // cannot happen: collect_until_zero stops only at 0 groups
                scratch.push_back(t);
                continue;
            }
            if (value_is(t, "ENDSEC")) {
                scratch.push_back(t);
                // Groups after ENDSEC stay with it, except header variables (a misplaced ENDSEC).
                Tag after;
                if (next_tag(after)) {
                    pending_ = after;
                    has_pending_ = true;
                    if (after.code != 9) collect_until_zero(scratch);
                }
                sec.end = push_record(scratch);
                close_owner(owner, sec);
                add_section(std::move(sec), section_offset);
                return;
            }
            if (value_is(t, "SECTION") || value_is(t, "EOF")) {
                tally(unclosed_sections_, unclosed_sections_.count ? 0 : line_of_offset(doc_.source_.view(), t.offset) - 1);
                pending_ = t;
                has_pending_ = true;
                close_owner(owner, sec);
                Record end;
                end.tags.push_back(doc_.make_raw(0, "ENDSEC"));
                sec.end = doc_.add_record(std::move(end));
                add_section(std::move(sec), section_offset);
                return;
            }
            scratch.push_back(t);
            collect_until_zero(scratch);
            std::string_view type = doc_.trimmed(t);
            if (sec.name == "ENTITIES") note_owner(scratch);
            RecordId id = push_record(scratch);
            if (owner != kNoRecord && is_follower_type(type)) {
                doc_.records_[owner].followers.push_back(id);
                if (type == "SEQEND") owner = kNoRecord;
                continue;
            }
            close_owner(owner, sec);
            sec.items.push_back(id);
            if (is_owner_type(type) && (sec.name == "ENTITIES" || sec.name == "BLOCKS")) owner = id;
        }
        fail(doc_.source_.empty() ? 0 : doc_.source_.size() - 1,
             "文件在 " + sec.name + " 段（始于第 " +
                 std::to_string(line_of_offset(doc_.source_.view(), section_offset) - 1) + " 行）中结束：文件不完整");
    }

    // A second section of a name already read is merged into the first: readers look at one.
    void add_section(Section&& sec, size_t offset) {
        if (!sec.name.empty())
            for (Section& s : doc_.sections_) {
                if (s.name != sec.name) continue;
                if (!sec.items.empty() && leading_groups(sec.items.front())) {
                    attach_leading_groups(s, sec.items.front());
                    sec.items.erase(sec.items.begin());
                }
                s.items.insert(s.items.end(), sec.items.begin(), sec.items.end());
                if (merged_.empty()) merged_line_ = line_of_offset(doc_.source_.view(), offset) - 1;
                if (std::find(merged_.begin(), merged_.end(), sec.name) == merged_.end()) merged_.push_back(sec.name);
                ++merged_count_;
                return;
            }
        doc_.sections_.push_back(std::move(sec));
    }

    // Groups before a section's first 0 group (the header's variables) form a record of their own.
    bool leading_groups(RecordId id) const {
        const auto& tags = doc_.records_[id].tags;
        return !tags.empty() && tags.front().code != 0;
    }

    // The leading groups of a repeated section go where the file, once written back as one
    // section, would be read to have them: a header's variables join the first header's; in
    // other sections they follow the last record. Else a load of the saved file would differ
    // from this one (a header whose $ACADVER stood in its second part read as R12, then not).
    void attach_leading_groups(Section& into, RecordId leading) {
        auto& moved = doc_.records_[leading].tags;
        RecordId target = kNoRecord;
        if (into.name == "HEADER") {
            if (!into.items.empty() && leading_groups(into.items.front())) target = into.items.front();
            else into.items.insert(into.items.begin(), leading);
        } else if (!into.items.empty()) {
            target = into.items.back();
            if (!doc_.records_[target].followers.empty()) target = doc_.records_[target].followers.back();
        } else {
            into.items.push_back(leading);
        }
        if (target == kNoRecord) return;
        auto& tags = doc_.records_[target].tags;
        tags.insert(tags.end(), moved.begin(), moved.end());
        moved.clear();
    }

    // A POLYLINE must end with SEQEND; an INSERT without attributes has none.
    void close_owner(RecordId& owner, Section& sec) {
        if (owner == kNoRecord) return;
        Record& r = doc_.records_[owner];
        if (doc_.type(owner) == "POLYLINE" && (r.followers.empty() || doc_.type(r.followers.back()) != "SEQEND")) {
            tally(missing_seqends_, 0);
            Record seq;
            seq.tags.push_back(doc_.make_raw(0, "SEQEND"));
            RecordId sid = doc_.add_record(std::move(seq));
            doc_.records_[owner].followers.push_back(sid);
        }
        owner = kNoRecord;
    }

    void detect_version() {
        doc_.acadver_ = doc_.header_text("$ACADVER").value_or("AC1009");
        std::string cp = doc_.header_text("$DWGCODEPAGE").value_or("");
        doc_.codec_ = TextCodec::for_drawing(doc_.acadver_, cp);
        if (!doc_.codec_.known()) warn("未知的代码页 " + cp + "，按 CP1252 读取");
    }
};

Document Document::parse(std::string text, const std::string& name, LoadReport* report) {
    return parse(SourceText(std::move(text)), name, report, {});
}

Document Document::parse(SourceText text, const std::string& name, LoadReport* report, const LoadProgress& progress) {
    Document doc;
    doc.source_ = std::move(text);
    doc.source_name_ = name;
    if (doc.source_.size() >= 0xFFFFFFF0ull) throw DxfError(name, 0, "文件大于 4 GB");
    DxfReader reader(doc, report, progress);
    reader.run();
    doc.finish_load(report);
    audit(doc, report, doc.source_.view(), &reader.facts_);
    return doc;
}

Document Document::load(const std::string& path, LoadReport* report, const LoadProgress& progress) {
    SourceText text;
    switch (SourceText::read_file(path, text)) {
    case SourceText::ReadResult::CannotOpen: throw DxfError(path, 0, "无法打开文件");
    case SourceText::ReadResult::CannotRead: throw DxfError(path, 0, "无法读取文件");
    case SourceText::ReadResult::Ok: break;
    }
    return parse(std::move(text), path, report, progress);
}

}  // namespace korvane::drawing
