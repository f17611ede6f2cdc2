#include "block.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

#include "create.h"
#include "image.h"
#include "save_report.h"
#include "tables.h"
#include "transform.h"

namespace korvane::drawing {

namespace {

bool uses_handles(const Document& doc) {
    return !doc.is_r12() || doc.header_text("$HANDLING").value_or("0") != "0";
}

std::string file_stem(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

Point3 insbase(const Document& doc) {
    Point3 p;
    auto range = doc.header_range("$INSBASE");
    if (!range) return p;
    const auto& tags = doc.record(doc.header_record()).tags;
    for (size_t i = range->first; i < range->second; ++i) {
        if (tags[i].code == 10) p.x = doc.real(tags[i]);
        else if (tags[i].code == 20) p.y = doc.real(tags[i]);
        else if (tags[i].code == 30) p.z = doc.real(tags[i]);
    }
    return p;
}

void skip(CopyReport* report, std::string_view type) {
    if (report) ++report->skipped[std::string(type)];
}

// Entity types a copy leaves out: they point at objects a copy cannot carry along.
bool never_copied(std::string_view t) {
    static const std::set<std::string_view> kinds = {
        "VIEWPORT", "MLINE", "MULTILEADER", "MLEADER", "ACAD_TABLE", "ACAD_PROXY_ENTITY", "WIPEOUT",
        "PDFUNDERLAY", "DWFUNDERLAY", "DGNUNDERLAY", "ATTDEF_MTEXT"};
    return kinds.count(t) > 0;
}

bool r12_type(std::string_view t) {
    static const std::set<std::string_view> kinds = {"LINE", "POINT", "CIRCLE", "ARC", "TEXT", "SHAPE", "INSERT",
                                                     "ATTDEF", "ATTRIB", "POLYLINE", "VERTEX", "SEQEND", "3DFACE",
                                                     "SOLID", "TRACE"};
    return kinds.count(t) > 0;
}

// Group codes a later drawing puts between AcDbEntity and the type's own subclass.
bool common_code(int c) {
    return c == 8 || c == 6 || c == 62 || c == 67 || c == 60 || c == 370 || c == 420 || c == 430 || c == 440 ||
           c == 48 || c == 284 || c == 347 || c == 348 || c == 390 || c == 92 || c == 160 || c == 310;
}

// Group codes an R12 drawing can hold.
bool r12_code(int c) { return (c >= 0 && c < 100) || (c >= 210 && c <= 239) || c == 999 || c >= 1000; }

bool is_text_type(std::string_view t) { return t == "TEXT" || t == "MTEXT" || t == "ATTRIB" || t == "ATTDEF"; }

const char* table_marker(std::string_view table) {
    if (table == "LAYER") return "AcDbLayerTableRecord";
    if (table == "LTYPE") return "AcDbLinetypeTableRecord";
    if (table == "STYLE") return "AcDbTextStyleTableRecord";
    if (table == "DIMSTYLE") return "AcDbDimStyleTableRecord";
    return nullptr;
}

// Copies entities from one drawing into another (or within one drawing).
class Copier {
public:
    Copier(const Document& src, Document& dst, CopyReport* report)
        : src_(src), dst_(dst), report_(report), same_(&src == &dst) {
        src_r12_ = src.is_r12();
        dst_r12_ = dst.is_r12();
        handles_ = uses_handles(dst);
        recode_ = !same_ && (src.codec().is_utf8() != dst.codec().is_utf8() ||
                             src.codec().iconv_name() != dst.codec().iconv_name());
    }

    // Explode settings: where layer "0" and by-block properties go.
    std::string layer0;
    bool byblock = false;
    int byblock_color = 256;
    std::string byblock_ltype;  // empty: by layer

    // The copy as a record of no section; kNoRecord when it cannot be copied.
    RecordId copy(RecordId id, uint64_t owner) {
        std::string type(src_.type(id));
        if (never_copied(type) || type == "SEQEND" || type == "VERTEX") {
            skip(report_, type);
            return kNoRecord;
        }
        if (dst_r12_ && type == "LWPOLYLINE") return lwpolyline_to_r12(id);
        if ((dst_r12_ || src_r12_) && !r12_type(type)) {
            skip(report_, type);
            return kNoRecord;
        }
        if (!same_ && type == "DIMENSION" && (dst_r12_ != src_r12_)) {
            skip(report_, type);
            return kNoRecord;
        }
        std::string image_file;
        PixelSize image_size;
        if (type == "IMAGE") {
            auto def = image_def_info(src_, image_def_of(src_, id));
            if (!def || dst_r12_) {
                skip(report_, type);
                return kNoRecord;
            }
            image_file = def->file;
            image_size = def->size;
        }
        uint64_t handle = 0;
        auto tags = convert(id, owner, type, handle);
        if (!tags) {
            skip(report_, type);
            return kNoRecord;
        }
        std::vector<RecordId> followers;
        for (RecordId f : src_.record(id).followers) {
            if (src_.record(f).erased) continue;
            std::string ft(src_.type(f));
            uint64_t fh = 0;
            auto ftags = convert(f, handle, ft, fh);
            if (!ftags) continue;
            Record fr;
            fr.tags = std::move(*ftags);
            followers.push_back(dst_.add_record(std::move(fr)));
        }
        Record r;
        r.tags = std::move(*tags);
        r.followers = std::move(followers);
        RecordId nid = dst_.add_record(std::move(r));
        if (type == "IMAGE") pending_images_.push_back({nid, image_file, image_size});
        if (report_) ++report_->copied;
        return nid;
    }

    // Visible attributes of a reference become plain text where they stand.
    RecordId attrib_as_text(RecordId id, uint64_t owner) {
        if (src_.type(id) != "ATTRIB") return kNoRecord;
        if (EntityView(src_, id).integer(70).value_or(0) & 1) return kNoRecord;
        uint64_t handle = 0;
        auto tags = convert(id, owner, "ATTRIB", handle);
        if (!tags) return kNoRecord;
        std::vector<Tag> out;
        std::optional<Tag> valign;
        bool in_attrib = false;
        size_t xd = tags->size();
        for (size_t i = 0; i < tags->size(); ++i)
            if ((*tags)[i].code == 1001) {
                xd = i;
                break;
            }
        for (size_t i = 0; i < tags->size(); ++i) {
            Tag t = (*tags)[i];
            if (i == 0) {
                out.push_back(dst_.make_raw(0, "TEXT"));
                continue;
            }
            if (i >= xd) {
                if (i == xd) finish_text(out, valign);
                out.push_back(t);
                continue;
            }
            if (t.code == 100 && dst_.trimmed(t) == "AcDbAttribute") {
                in_attrib = true;
                continue;
            }
            if (t.code == 74) {
                valign = dst_.make_raw(73, dst_.raw(t));
                continue;
            }
            if (dst_r12_ || in_attrib) {
                // The attribute's own groups: tag, flags, field length, lock, embedded text.
                if (t.code == 2 || t.code == 70 || t.code == 73 || t.code == 280 || in_attrib) continue;
            }
            out.push_back(t);
        }
        if (xd == tags->size()) finish_text(out, valign);
        Record r;
        r.tags = std::move(out);
        if (report_) ++report_->copied;
        return dst_.add_record(std::move(r));
    }

    // After a copy is placed in a section: images get their definition and reactor.
    void placed(RecordId id) {
        for (auto& p : pending_images_) {
            if (p.id != id) continue;
            RecordId def = ensure_image_def(dst_, p.file, p.size);
            if (def != kNoRecord) attach_image(dst_, id, def);
        }
    }
    // Copies made but not placed (a transform refused them): forget their pending work.
    void dropped(RecordId id) {
        pending_images_.erase(std::remove_if(pending_images_.begin(), pending_images_.end(),
                                             [&](const PendingImage& p) { return p.id == id; }),
                              pending_images_.end());
    }

    // The name under which the source's block exists in the target (copied when needed).
    std::optional<std::string> block(const std::string& name) {
        if (same_) return find_block(dst_, name) != kNoRecord ? std::optional<std::string>(name) : std::nullopt;
        auto memo = block_map_.find(name);
        if (memo != block_map_.end()) return memo->second;
        RecordId sb = find_block(src_, name);
        if (sb == kNoRecord) return std::nullopt;
        bool anonymous = !name.empty() && name[0] == '*';
        if (anonymous && (iequals(name.substr(0, 6), "*Model") || iequals(name.substr(0, 6), "*Paper")))
            return std::nullopt;
        EntityView block(src_, sb);
        long long flags = block.integer(70).value_or(0);
        if (flags & (4 | 8 | 16 | 32)) return std::nullopt;  // external references stay behind
        std::string target = name;
        if (!anonymous) {
            if (find_block(dst_, name) != kNoRecord) {
                block_map_[name] = name;
                return name;
            }
        } else {
            target = unused_anonymous_name(name);
        }
        block_map_[name] = target;
        std::vector<RecordId> entities = block_entities(src_, sb);
        Point3 base = block.point(10).value_or(Point3{});
        define_block(target, base, int(flags & 3), [&](uint64_t owner) {
            std::vector<RecordId> out;
            for (RecordId e : entities) {
                RecordId c = copy(e, owner);
                if (c != kNoRecord) out.push_back(c);
            }
            return out;
        });
        return target;
    }

    // Adds BLOCK_RECORD, BLOCK, the entities that `fill` copies for the block's owner, and ENDBLK.
    template <class Fill>
    void define_block(const std::string& name, const Point3& base, int flags, Fill fill) {
        uint64_t record_handle = 0;
        if (!dst_r12_) {
            std::vector<Tag> body = {dst_.make_raw(100, "AcDbBlockTableRecord"), dst_.make_text(2, name),
                                     dst_.make_raw(340, "0")};
            if (dst_.acadver() >= "AC1021") {
                body.push_back(dst_.make_int(70, 0));
                body.push_back(dst_.make_int(280, 1));
                body.push_back(dst_.make_int(281, 0));
            }
            RecordId br = add_table_entry(dst_, "BLOCK_RECORD", std::move(body));
            record_handle = dst_.handle_of(br).value_or(0);
        }
        std::vector<Tag> begin = {dst_.make_raw(0, "BLOCK")};
        if (handles_) begin.push_back(dst_.make_handle(5, dst_.allocate_handle()));
        if (!dst_r12_) {
            begin.push_back(dst_.make_handle(330, record_handle));
            begin.push_back(dst_.make_raw(100, "AcDbEntity"));
        }
        begin.push_back(dst_.make_raw(8, "0"));
        if (!dst_r12_) begin.push_back(dst_.make_raw(100, "AcDbBlockBegin"));
        begin.push_back(dst_.make_text(2, name));
        begin.push_back(dst_.make_int(70, flags));
        begin.push_back(dst_.make_real(10, base.x));
        begin.push_back(dst_.make_real(20, base.y));
        begin.push_back(dst_.make_real(30, base.z));
        begin.push_back(dst_.make_text(3, name));
        begin.push_back(dst_.make_raw(1, ""));
        std::vector<RecordId> entities = fill(record_handle);
        std::vector<Tag> end = {dst_.make_raw(0, "ENDBLK")};
        if (handles_) end.push_back(dst_.make_handle(5, dst_.allocate_handle()));
        if (!dst_r12_) {
            end.push_back(dst_.make_handle(330, record_handle));
            end.push_back(dst_.make_raw(100, "AcDbEntity"));
        }
        end.push_back(dst_.make_raw(8, "0"));
        if (!dst_r12_) end.push_back(dst_.make_raw(100, "AcDbBlockEnd"));
        Record rb, re;
        rb.tags = std::move(begin);
        re.tags = std::move(end);
        RecordId bid = dst_.add_record(std::move(rb));
        RecordId eid = dst_.add_record(std::move(re));
        Section& s = dst_.ensure_section("BLOCKS");
        s.items.push_back(bid);
        dst_.index_handle(bid);
        for (RecordId e : entities) {
            s.items.push_back(e);
            dst_.index_handle(e);
            for (RecordId f : dst_.record(e).followers) dst_.index_handle(f);
        }
        s.items.push_back(eid);
        dst_.index_handle(eid);
        dst_.touch();
        for (RecordId e : entities) placed(e);
    }

private:
    struct PendingImage {
        RecordId id;
        std::string file;
        PixelSize size;
    };
    const Document& src_;
    Document& dst_;
    CopyReport* report_;
    bool same_;
    bool src_r12_ = false, dst_r12_ = false, handles_ = true, recode_ = false;
    std::map<std::string, std::string> block_map_;
    std::map<std::string, bool> entries_;  // "TABLE\nname" -> present in the target
    std::vector<PendingImage> pending_images_;
    std::map<std::string, long long> anonymous_counters_;

    void finish_text(std::vector<Tag>& out, const std::optional<Tag>& valign) {
        if (!dst_r12_) out.push_back(dst_.make_raw(100, "AcDbText"));
        if (valign) out.push_back(*valign);
    }

    std::string unused_anonymous_name(const std::string& name) {
        size_t k = 1;
        while (k < name.size() && !std::isdigit(static_cast<unsigned char>(name[k]))) ++k;
        std::string prefix = name.substr(0, k);
        auto it = anonymous_counters_.find(prefix);
        if (it == anonymous_counters_.end()) {
            long long top = 0;
            for (const std::string& n : block_names(dst_)) {
                if (n.size() <= prefix.size() || !iequals(n.substr(0, prefix.size()), prefix)) continue;
                std::string digits = n.substr(prefix.size());
                if (std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                    top = std::max(top, std::atoll(digits.c_str()));
            }
            it = anonymous_counters_.emplace(prefix, top).first;
        }
        return prefix + std::to_string(++it->second);
    }

    Tag transfer(const Tag& t) {
        if (same_) return t;
        if (recode_ && value_kind(t.code) == ValueKind::String)
            return dst_.make_text(t.code, src_.text(t));
        return dst_.make_raw(t.code, std::string(src_.raw(t)));
    }

    // Copies a table entry (layer, linetype, text style, dimension style) into the target
    // unless it has one of that name. False when neither drawing has it.
    bool ensure_entry(const std::string& table, const std::string& name) {
        std::string key = table + "\n" + name;
        auto memo = entries_.find(key);
        if (memo != entries_.end()) return memo->second;
        bool present = find_table_entry(dst_, table, name) != kNoRecord;
        if (!present && !same_) present = copy_entry(table, name);
        if (!present && table == "LAYER") {
            add_layer(dst_, name);
            present = true;
        }
        entries_[key] = present;
        return present;
    }

    bool copy_entry(const std::string& table, const std::string& name) {
        RecordId se = find_table_entry(src_, table, name);
        if (se == kNoRecord) return false;
        std::vector<Tag> stags = src_.record(se).tags;
        std::vector<Tag> body;
        if (src_r12_ && !dst_r12_)
            if (const char* m = table_marker(table)) body.push_back(dst_.make_raw(100, m));
        std::string ltype;
        for (size_t i = 1; i < stags.size(); ++i) {
            const Tag& t = stags[i];
            int c = t.code;
            if (c == 102) {
                while (i + 1 < stags.size() && !(stags[i + 1].code == 102)) ++i;
                ++i;
                continue;
            }
            if (c == 1001) ensure_appid(dst_, src_.text(t));
            if (c == 5 || c == 105) continue;
            if (c == 100 && (dst_r12_ || src_.trimmed(t) == "AcDbSymbolTableRecord")) continue;
            if (value_kind(c) == ValueKind::Handle && c < 1000) {
                // A linetype's shapes or a dimension style's text style point at STYLE entries.
                RecordId ref = src_.find_handle(src_.raw(t));
                if (c != 330 && ref != kNoRecord && src_.type(ref) == "STYLE") {
                    std::string sname = entry_name(src_, ref);
                    if (ensure_entry("STYLE", sname)) {
                        RecordId dref = find_table_entry(dst_, "STYLE", sname);
                        if (auto h = dst_.handle_of(dref)) body.push_back(dst_.make_handle(c, *h));
                    }
                }
                continue;
            }
            if (dst_r12_ && !r12_code(c)) continue;
            if (table == "LAYER" && c == 6) ltype = src_.text(t);
            body.push_back(transfer(t));
            // Later versions give every dash a shape flag (74).
            if (table == "LTYPE" && c == 49 && src_r12_ && !dst_r12_ &&
                !(i + 1 < stags.size() && stags[i + 1].code == 74))
                body.push_back(dst_.make_int(74, 0));
        }
        if (!ltype.empty()) ensure_entry("LTYPE", ltype);
        add_table_entry(dst_, table, std::move(body));
        return true;
    }

    // The record's tags converted for the target; `handle` receives the copy's new handle.
    std::optional<std::vector<Tag>> convert(RecordId id, uint64_t owner, const std::string& type, uint64_t& handle) {
        std::vector<Tag> stags = src_.record(id).tags;  // a copy: the target may be the same drawing
        std::vector<Tag> out;
        out.push_back(dst_.make_raw(0, type));
        handle = 0;
        if (handles_) {
            handle = dst_.allocate_handle();
            out.push_back(dst_.make_handle(5, handle));
        }
        if (!dst_r12_) {
            if (owner == 0) owner = dst_.modelspace_owner();
            if (owner != 0) out.push_back(dst_.make_handle(330, owner));
            out.push_back(dst_.make_raw(100, "AcDbEntity"));
        }
        size_t head_end = out.size();
        size_t xd = stags.size();
        for (size_t i = 1; i < stags.size(); ++i)
            if (stags[i].code == 1001) {
                xd = i;
                break;
            }
        bool seen_marker = false, seen_layer = false, seen_71 = false;
        bool is_hatch = type == "HATCH";
        for (size_t i = 1; i < xd; ++i) {
            const Tag& t = stags[i];
            int c = t.code;
            if (c == 102) {  // reactors and extension dictionary stay behind
                while (i + 1 < xd && stags[i + 1].code != 102) ++i;
                ++i;
                continue;
            }
            if ((c == 5 || c == 105) && i <= 2) continue;
            if (c == 100) {
                bool entity_marker = src_.trimmed(t) == "AcDbEntity";
                seen_marker = true;
                if (entity_marker || dst_r12_) continue;
                out.push_back(transfer(t));
                continue;
            }
            if (c == 330 && !seen_marker) continue;  // the old owner
            if (dst_r12_ && !r12_code(c)) continue;
            if (is_hatch && c == 97 && i + 1 < xd && stags[i + 1].code == 330) {
                // A copy is not tied to the boundary objects the original followed.
                out.push_back(dst_.make_int(97, 0));
                while (i + 1 < xd && stags[i + 1].code == 330) ++i;
                continue;
            }
            if (is_hatch && c == 71 && !seen_71) {
                seen_71 = true;
                out.push_back(dst_.make_int(71, 0));
                continue;
            }
            if (value_kind(c) == ValueKind::Handle) continue;  // pointers into the source's objects
            if (c == 8 && !seen_layer) {
                seen_layer = true;
                std::string layer = src_.text(t);
                if (!layer0.empty() && layer == "0") layer = layer0;
                ensure_entry("LAYER", layer);
                out.push_back(dst_.make_text(8, layer));
                continue;
            }
            if (c == 6) {
                std::string lt = src_.text(t);
                if (byblock && iequals(lt, "BYBLOCK")) {
                    if (byblock_ltype.empty()) continue;
                    lt = byblock_ltype;
                }
                if (!iequals(lt, "BYLAYER") && !iequals(lt, "BYBLOCK") && !ensure_entry("LTYPE", lt)) continue;
                out.push_back(dst_.make_text(6, lt));
                continue;
            }
            if (c == 62 && byblock && src_.integer(t) == 0) {
                if (byblock_color != 256) out.push_back(dst_.make_int(62, byblock_color));
                continue;
            }
            if (c == 7 && is_text_type(type)) {
                std::string st = src_.text(t);
                if (!ensure_entry("STYLE", st)) st = "Standard";
                out.push_back(dst_.make_text(7, st));
                continue;
            }
            if (c == 3 && (type == "DIMENSION" || type == "LEADER" || type == "TOLERANCE")) {
                std::string ds = src_.text(t);
                if (!ensure_entry("DIMSTYLE", ds)) ds = "Standard";
                out.push_back(dst_.make_text(3, ds));
                continue;
            }
            if (c == 2 && (type == "INSERT" || type == "DIMENSION")) {
                auto name = block(src_.text(t));
                if (!name) {
                    if (type == "INSERT") return std::nullopt;
                    continue;  // a dimension redraws its block
                }
                out.push_back(dst_.make_text(2, *name));
                continue;
            }
            out.push_back(transfer(t));
        }
        if (src_r12_ && !dst_r12_) add_markers(out, head_end, type);
        for (size_t i = xd; i < stags.size(); ++i) {
            if (stags[i].code == 1001) ensure_appid(dst_, src_.text(stags[i]));
            if (dst_r12_ && !r12_code(stags[i].code)) continue;
            out.push_back(transfer(stags[i]));
        }
        return out;
    }

    // Subclass markers for a copy out of an R12 drawing.
    void add_markers(std::vector<Tag>& out, size_t head_end, const std::string& type) {
        size_t at = head_end;
        while (at < out.size() && common_code(out[at].code)) ++at;
        std::vector<Tag> body(out.begin() + long(at), out.end());
        out.resize(at);
        auto marker = [&](const char* m) { out.push_back(dst_.make_raw(100, m)); };
        auto flags = [&]() {
            for (const Tag& t : body)
                if (t.code == 70) return dst_.integer(t);
            return 0LL;
        };
        auto split_before = [&](const char* first, int code, const char* second) {
            marker(first);
            bool done = false;
            for (const Tag& t : body) {
                if (!done && t.code == code) {
                    marker(second);
                    done = true;
                }
                out.push_back(t);
            }
            if (!done) marker(second);
        };
        if (type == "LINE") marker("AcDbLine");
        else if (type == "POINT") marker("AcDbPoint");
        else if (type == "CIRCLE") marker("AcDbCircle");
        else if (type == "SHAPE") marker("AcDbShape");
        else if (type == "INSERT") marker("AcDbBlockReference");
        else if (type == "SOLID" || type == "TRACE") marker("AcDbTrace");
        else if (type == "3DFACE") marker("AcDbFace");
        else if (type == "POLYLINE") {
            long long f = flags();
            marker(f & 8 ? "AcDb3dPolyline" : f & 16 ? "AcDbPolygonMesh" : f & 64 ? "AcDbPolyFaceMesh" : "AcDb2dPolyline");
        } else if (type == "VERTEX") {
            long long f = flags();
            marker("AcDbVertex");
            if ((f & 128) && !(f & 64)) marker("AcDbFaceRecord");
            else if (f & 128) marker("AcDbPolyFaceMeshVertex");
            else if (f & 64) marker("AcDbPolygonMeshVertex");
            else if (f & 32) marker("AcDb3dPolylineVertex");
            else marker("AcDb2dVertex");
        } else if (type == "ARC") {
            split_before("AcDbCircle", 50, "AcDbArc");
            return;
        } else if (type == "TEXT") {
            // The vertical alignment (73) goes last, under a second AcDbText marker.
            marker("AcDbText");
            std::optional<Tag> valign;
            for (const Tag& t : body)
                if (t.code == 73) valign = t;
                else out.push_back(t);
            marker("AcDbText");
            if (valign) out.push_back(*valign);
            return;
        } else if (type == "ATTRIB" || type == "ATTDEF") {
            marker("AcDbText");
            std::vector<Tag> own;
            for (const Tag& t : body) {
                bool attrib_group = t.code == 2 || t.code == 70 || t.code == 73 || t.code == 74 || t.code == 280 ||
                                    (type == "ATTDEF" && t.code == 3);
                (attrib_group ? own : out).push_back(t);
            }
            marker(type == "ATTRIB" ? "AcDbAttribute" : "AcDbAttributeDefinition");
            out.insert(out.end(), own.begin(), own.end());
            return;
        }
        out.insert(out.end(), body.begin(), body.end());
    }

    // An R12 drawing has no lightweight polylines: the copy is an old-style one.
    RecordId lwpolyline_to_r12(RecordId id) {
        EntityView e(src_, id);
        std::vector<Point3> pts = e.vertices();
        std::vector<double> bulges = e.bulges();
        double elevation = e.elevation();
        double width = e.constant_width();
        std::string layer = e.layer();
        if (!layer0.empty() && layer == "0") layer = layer0;
        ensure_entry("LAYER", layer);
        std::optional<std::string> lt = e.text_of(6);
        if (lt && !iequals(*lt, "BYLAYER") && !iequals(*lt, "BYBLOCK") && !ensure_entry("LTYPE", *lt)) lt.reset();
        int color = e.color();
        if (byblock && color == 0) color = byblock_color;
        auto head = [&](const char* type) {
            std::vector<Tag> t = {dst_.make_raw(0, type)};
            if (handles_) t.push_back(dst_.make_handle(5, dst_.allocate_handle()));
            t.push_back(dst_.make_text(8, layer));
            return t;
        };
        std::vector<Tag> tags = head("POLYLINE");
        if (lt) tags.push_back(dst_.make_text(6, *lt));
        if (color != 256) tags.push_back(dst_.make_int(62, color));
        tags.push_back(dst_.make_int(66, 1));
        tags.push_back(dst_.make_real(10, 0.0));
        tags.push_back(dst_.make_real(20, 0.0));
        tags.push_back(dst_.make_real(30, elevation));
        tags.push_back(dst_.make_int(70, e.closed() ? 1 : 0));
        if (width != 0) {
            tags.push_back(dst_.make_real(40, width));
            tags.push_back(dst_.make_real(41, width));
        }
        std::vector<RecordId> followers;
        for (size_t i = 0; i < pts.size(); ++i) {
            std::vector<Tag> v = head("VERTEX");
            v.push_back(dst_.make_real(10, pts[i].x));
            v.push_back(dst_.make_real(20, pts[i].y));
            v.push_back(dst_.make_real(30, elevation));
            if (i < bulges.size() && bulges[i] != 0) v.push_back(dst_.make_real(42, bulges[i]));
            v.push_back(dst_.make_int(70, 0));
            Record vr;
            vr.tags = std::move(v);
            followers.push_back(dst_.add_record(std::move(vr)));
        }
        Record sr;
        sr.tags = head("SEQEND");
        followers.push_back(dst_.add_record(std::move(sr)));
        Record r;
        r.tags = std::move(tags);
        r.followers = std::move(followers);
        if (report_) ++report_->copied;
        return dst_.add_record(std::move(r));
    }
};

// Places a copy: world = at + R(rotation) · scale · (p − base). False when the entity's type
// cannot be moved that way.
bool place(Document& doc, RecordId id, const Point3& base, const Point3& at, double scale, double rotation_rad) {
    Entity e(doc, id);
    double dx = at.x - base.x, dy = at.y - base.y, dz = at.z - base.z;
    if (dx != 0 || dy != 0 || dz != 0)
        if (!move(e, dx, dy, dz)) return false;
    if (scale != 1)
        if (!drawing::scale(e, at, scale)) return false;
    if (rotation_rad != 0)
        if (!rotate(e, at, rotation_rad)) return false;
    return true;
}

}  // namespace

// ------------------------------------------------------------------ reading

std::optional<InsertInfo> read_insert(const Document& doc, RecordId id) {
    if (id == kNoRecord || id >= doc.record_count() || doc.type(id) != "INSERT") return std::nullopt;
    EntityView e(doc, id);
    InsertInfo info;
    info.name = e.text_of(2).value_or("");
    info.insertion = e.point(10).value_or(Point3{});
    info.sx = e.real(41).value_or(1);
    info.sy = e.real(42).value_or(1);
    info.sz = e.real(43).value_or(1);
    info.rotation = e.real(50).value_or(0);
    if (auto c = e.integer(70)) info.columns = std::max(1, int(*c));
    if (auto r = e.integer(71)) info.rows = std::max(1, int(*r));
    return info;
}

std::string insert_block_name(const Document& doc, RecordId id) {
    auto info = read_insert(doc, id);
    return info ? info->name : std::string();
}
Point3 insert_point(const Document& doc, RecordId id) {
    auto info = read_insert(doc, id);
    return info ? info->insertion : Point3{};
}
double insert_rotation(const Document& doc, RecordId id) {
    auto info = read_insert(doc, id);
    return info ? info->rotation : 0;
}

std::string block_name(const Document& doc, RecordId block) { return EntityView(doc, block).text_of(2).value_or(""); }

Point3 block_base_point(const Document& doc, RecordId block) {
    return EntityView(doc, block).point(10).value_or(Point3{});
}

RecordId find_block(const Document& doc, std::string_view name) {
    const Section* s = doc.section("BLOCKS");
    if (!s) return kNoRecord;
    for (RecordId id : s->items)
        if (!doc.record(id).erased && doc.type(id) == "BLOCK" && iequals(block_name(doc, id), name)) return id;
    return kNoRecord;
}

std::vector<std::string> block_names(const Document& doc) {
    std::vector<std::string> out;
    if (const Section* s = doc.section("BLOCKS"))
        for (RecordId id : s->items)
            if (!doc.record(id).erased && doc.type(id) == "BLOCK") out.push_back(block_name(doc, id));
    return out;
}

std::vector<RecordId> block_entities(const Document& doc, RecordId block) {
    std::vector<RecordId> out;
    const Section* s = doc.section("BLOCKS");
    if (!s) return out;
    auto it = std::find(s->items.begin(), s->items.end(), block);
    if (it == s->items.end()) return out;
    for (++it; it != s->items.end(); ++it) {
        std::string_view t = doc.type(*it);
        if (t == "ENDBLK" || t == "BLOCK") break;
        if (!doc.record(*it).erased) out.push_back(*it);
    }
    return out;
}

// ------------------------------------------------------------------ creating and exploding

RecordId add_insert(Document& doc, std::string_view block, const Point3& at, double sx, double sy, double sz,
                    double rotation_deg, std::string_view layer) {
    RecordId b = find_block(doc, block);
    if (b == kNoRecord) return kNoRecord;
    std::string name = block_name(doc, b);
    std::vector<Tag> tags = entity_head(doc, "INSERT", layer, "AcDbBlockReference");
    tags.push_back(doc.make_text(2, name));
    tags.push_back(doc.make_real(10, at.x));
    tags.push_back(doc.make_real(20, at.y));
    tags.push_back(doc.make_real(30, at.z));
    if (sx != 1) tags.push_back(doc.make_real(41, sx));
    if (sy != 1) tags.push_back(doc.make_real(42, sy));
    if (sz != 1) tags.push_back(doc.make_real(43, sz));
    if (rotation_deg != 0) tags.push_back(doc.make_real(50, rotation_deg));
    return add_entity(doc, std::move(tags));
}

std::vector<RecordId> explode_insert(Document& doc, RecordId insert, CopyReport* report) {
    std::vector<RecordId> out;
    auto info = read_insert(doc, insert);
    if (!info || doc.record(insert).erased) {
        if (report) report->error = "not a block reference";
        return out;
    }
    if (info->columns > 1 || info->rows > 1) {
        if (report) report->error = "a multiple insert cannot be exploded";
        return out;
    }
    RecordId block = find_block(doc, info->name);
    if (block == kNoRecord) {
        if (report) report->error = "block " + info->name + " is not defined";
        return out;
    }
    double s = info->sx, rotation = info->rotation * std::numbers::pi / 180;
    if (s == 0 || std::abs(info->sy - s) > 1e-9 * std::abs(s) || !std::isfinite(s)) {
        if (report) report->error = "the reference is not scaled equally in x and y";
        return out;
    }
    if (s < 0) {  // equal negative scales turn the block half way round
        s = -s;
        rotation += std::numbers::pi;
    }
    Entity ref(doc, insert);
    Copier copier(doc, doc, report);
    copier.layer0 = ref.layer();
    copier.byblock = true;
    copier.byblock_color = ref.color();
    copier.byblock_ltype = ref.text_of(6).value_or("");
    if (iequals(copier.byblock_ltype, "BYLAYER")) copier.byblock_ltype.clear();
    Point3 base = block_base_point(doc, block);
    std::vector<RecordId> entities = block_entities(doc, block);
    std::vector<RecordId> attribs = doc.record(insert).followers;
    for (RecordId e : entities) {
        if (doc.type(e) == "ATTDEF") continue;
        RecordId c = copier.copy(e, 0);
        if (c == kNoRecord) continue;
        if (!place(doc, c, base, info->insertion, s, rotation)) {
            copier.dropped(c);
            skip(report, doc.type(c));
            if (report && report->copied) --report->copied;
            continue;
        }
        doc.append_to_modelspace(c);
        copier.placed(c);
        out.push_back(c);
    }
    for (RecordId a : attribs) {
        if (doc.record(a).erased) continue;
        RecordId t = copier.attrib_as_text(a, 0);
        if (t == kNoRecord) continue;
        doc.append_to_modelspace(t);
        out.push_back(t);
    }
    doc.erase(insert);
    return out;
}

// ------------------------------------------------------------------ other drawings

namespace {

std::optional<Document> load_other(const std::string& path, CopyReport* report) {
    try {
        return Document::load(path);
    } catch (const std::exception& e) {
        if (report) report->error = e.what();
        return std::nullopt;
    }
}

}  // namespace

RecordId insert_dxf_as_block(Document& doc, const std::string& path, const Point3& at, double sx, double sy, double sz,
                             double rotation_deg, std::string_view layer, CopyReport* report) {
    std::string name = file_stem(path);
    if (name.empty()) {
        if (report) report->error = path + ": no block name in the file name";
        return kNoRecord;
    }
    if (find_block(doc, name) == kNoRecord) {
        auto other = load_other(path, report);
        if (!other) return kNoRecord;
        Copier copier(*other, doc, report);
        std::vector<RecordId> entities = other->modelspace();
        copier.define_block(name, insbase(*other), 0, [&](uint64_t owner) {
            std::vector<RecordId> out;
            for (RecordId e : entities) {
                RecordId c = copier.copy(e, owner);
                if (c != kNoRecord) out.push_back(c);
            }
            return out;
        });
    }
    return add_insert(doc, name, at, sx, sy, sz, rotation_deg, layer);
}

std::vector<RecordId> insert_dxf_exploded(Document& doc, const std::string& path, const Point3& at, double scale,
                                          double rotation_deg, CopyReport* report) {
    std::vector<RecordId> out;
    if (!(scale > 0) || !std::isfinite(scale)) {
        if (report) report->error = "the scale must be a positive number";
        return out;
    }
    auto other = load_other(path, report);
    if (!other) return out;
    Copier copier(*other, doc, report);
    Point3 base = insbase(*other);
    for (RecordId e : other->modelspace()) {
        RecordId c = copier.copy(e, 0);
        if (c == kNoRecord) continue;
        if (!place(doc, c, base, at, scale, rotation_deg * std::numbers::pi / 180)) {
            copier.dropped(c);
            skip(report, doc.type(c));
            if (report && report->copied) --report->copied;
            continue;
        }
        doc.append_to_modelspace(c);
        copier.placed(c);
        out.push_back(c);
    }
    return out;
}

Document make_wblock(const Document& src, const std::vector<RecordId>& entities, const Point3& base, CopyReport* report) {
    Document out = Document::create();
    Copier copier(src, out, report);
    Point3 origin{0, 0, 0};
    for (RecordId e : entities) {
        if (e == kNoRecord || e >= src.record_count() || src.record(e).erased) continue;
        RecordId c = copier.copy(e, 0);
        if (c == kNoRecord) continue;
        if (!place(out, c, base, origin, 1, 0)) {
            copier.dropped(c);
            skip(report, out.type(c));
            if (report && report->copied) --report->copied;
            continue;
        }
        out.append_to_modelspace(c);
        copier.placed(c);
    }
    return out;
}

bool write_wblock(const Document& src, const std::vector<RecordId>& entities, const Point3& base, const std::string& path,
                  CopyReport* report) {
    Document out = make_wblock(src, entities, base, report);
    try {
        SaveReport saved = save_drawing(out, path);
        if (report) report->backup_problem = saved.backup_problem;
    } catch (const std::exception& e) {
        if (report) report->error = e.what();
        return false;
    }
    return true;
}

RecordId copy_entity(const Document& src, RecordId entity, Document& dst, uint64_t owner, CopyReport* report) {
    Copier copier(src, dst, report);
    RecordId c = copier.copy(entity, owner);
    if (c != kNoRecord) copier.placed(c);  // an image gets its definition and reactor now
    return c;
}

}  // namespace korvane::drawing
