#pragma once
// A DXF drawing kept as its own tags. Every section, table, block, entity and
// object is a record of tags; typed accessors (entity.h, tables.h) read and edit
// those tags in place, so whatever Korvane does not understand goes back out
// exactly as it came in.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "source_text.h"
#include "tag.h"
#include "text_codec.h"

namespace korvane::drawing {

using RecordId = uint32_t;
inline constexpr RecordId kNoRecord = 0xFFFFFFFFu;

struct Record {
    std::vector<Tag> tags;
    // VERTEX / ATTRIB records and the closing SEQEND that belong to a POLYLINE or INSERT.
    std::vector<RecordId> followers;
    bool erased = false;
};

struct Section {
    std::string name;            // "HEADER", "ENTITIES", ...; empty for tags outside any section
    RecordId head = kNoRecord;   // (0 SECTION)(2 NAME)
    std::vector<RecordId> items; // in file order; followers hang off their owners
    RecordId end = kNoRecord;    // (0 ENDSEC)
};

// Bad input: names the file and, where known, the line.
class DxfError : public std::runtime_error {
public:
    DxfError(const std::string& file, size_t line, const std::string& what);
    const std::string& file() const { return file_; }
    size_t line() const { return line_; }

private:
    std::string file_;
    size_t line_;
};

struct LoadReport {
    std::vector<std::string> warnings;  // what was repaired or is doubtful, one sentence each
};

// Told now and then how much of the file a load has read (0 to 1); answering false stops the
// load, which then throws LoadCancelled.
using LoadProgress = std::function<bool(double read)>;
struct LoadCancelled : std::runtime_error {
    LoadCancelled() : std::runtime_error("已取消") {}
};

class Document {
public:
    Document();
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    ~Document();

    // Reads an ASCII DXF file. Throws DxfError on input that cannot be read soundly.
    static Document load(const std::string& path, LoadReport* report = nullptr, const LoadProgress& progress = {});
    // Parses DXF text already in memory; `name` is used in messages.
    static Document parse(std::string text, const std::string& name, LoadReport* report = nullptr);
    // A new, empty R2010 drawing.
    static Document create();

    // Writes the drawing: temporary file in the same folder, flush, rename; the previous
    // file is kept as NAME.bak. Throws std::runtime_error when the file cannot be written.
    // save_drawing (save_report.h) also says when the previous file could not be kept.
    void save(const std::string& path);
    std::string to_dxf() const;

    // --- version and text -------------------------------------------------
    const std::string& acadver() const { return acadver_; }
    bool is_r12() const;  // AC1009 and older: no subclass markers, no owners, no LWPOLYLINE
    const TextCodec& codec() const { return codec_; }
    const std::string& source_name() const { return source_name_; }

    // --- tags -------------------------------------------------------------
    std::string_view raw(const Tag& t) const {
        return t.owned ? std::string_view(pool_).substr(t.offset, t.length)
                       : source_.view().substr(t.offset, t.length);
    }
    std::string text(const Tag& t) const { return codec_.decode(raw(t)); }
    double real(const Tag& t) const;
    long long integer(const Tag& t) const;
    // Trimmed value (numbers and handles are often padded with blanks).
    std::string_view trimmed(const Tag& t) const;

    Tag make_text(int code, std::string_view utf8);  // encoded for this drawing
    std::string encode_text(std::string_view utf8) const;  // the bytes make_text stores
    void append_encoded(std::string& out, std::string_view utf8) const;  // the same, appended
    Tag make_raw(int code, std::string_view raw);
    Tag make_real(int code, double value);
    Tag make_int(int code, long long value);
    Tag make_handle(int code, uint64_t handle);

    // --- records ----------------------------------------------------------
    const Record& record(RecordId id) const { return records_[id]; }
    // Every change to a record goes through here, so that undo can restore it.
    Record& edit(RecordId id);
    size_t record_count() const { return records_.size(); }
    RecordId add_record(Record r);
    // The value of the record's (0 TYPE) tag, empty when it has none.
    std::string_view type(RecordId id) const;

    const std::vector<Section>& sections() const { return sections_; }
    const Section* section(std::string_view name) const;
    // Mutable access to a section's item list (journaled for undo).
    Section* edit_section(std::string_view name);
    // Adds a section in its usual place when the drawing has none of that name.
    Section& ensure_section(std::string_view name);

    // --- header -----------------------------------------------------------
    // Index range [first, last) in the header record of the values of $NAME; nullopt when absent.
    std::optional<std::pair<size_t, size_t>> header_range(std::string_view name) const;
    std::optional<std::string> header_text(std::string_view name) const;
    // Sets a variable to the given tags (adds it at the end of the header when missing).
    void set_header(std::string_view name, const std::vector<Tag>& values);
    RecordId header_record() const;

    // --- handles ----------------------------------------------------------
    std::optional<uint64_t> handle_of(RecordId id) const;
    RecordId find_handle(uint64_t handle) const;
    RecordId find_handle(std::string_view hex) const;
    uint64_t allocate_handle();
    uint64_t next_handle() const { return next_handle_; }
    // Registers an existing record's handle (after adding a record that carries one).
    void index_handle(RecordId id);
    void unindex_handle(RecordId id);

    // --- model space --------------------------------------------------------
    // Entities of model space in drawing order (no followers, no paper space, nothing erased).
    std::vector<RecordId> modelspace() const;
    // Appends an entity (and its followers) at the end of model space.
    void append_to_modelspace(RecordId id);
    // Marks an entity and its followers erased; they are not written.
    void erase(RecordId id);
    // Handle of *Model_Space's BLOCK_RECORD (the owner of model-space entities), 0 for R12.
    uint64_t modelspace_owner() const;

    // --- undo --------------------------------------------------------------
    // Everything changed between begin and end is one step. Steps nest: only the outermost counts.
    void begin_undo_step(std::string name);
    void end_undo_step();
    bool undo();
    bool redo();
    bool can_undo() const { return !undo_stack_.empty(); }
    bool can_redo() const { return !redo_stack_.empty(); }
    std::string undo_name() const;
    std::string redo_name() const;
    bool modified() const { return modified_; }
    void set_modified(bool m) { modified_ = m; }

    const std::string& eol() const { return eol_; }
    // Counts changes, so that views and caches can tell when to refresh.
    uint64_t revision() const { return revision_; }
    void touch() { ++revision_; }

    // --- change log: which records changed, so that a cache can follow the drawing without
    // walking all of it. Every edit(id) and every append to model space is logged; changes the
    // log cannot describe (sections edited, undo and redo) start a new generation, and a cache
    // that finds another generation than it saw walks the drawing again.
    struct Change {
        RecordId id;
        bool appended;  // appended to model space (else: the record was edited)
    };
    const std::vector<Change>& change_log() const { return change_log_; }
    // Counts erasures and undo/redo steps: the only ways a record stops (or starts) being live.
    uint64_t erasures() const { return erasures_; }
    uint64_t change_generation() const { return change_generation_; }

private:
    friend class DxfReader;
    SourceText source_;        // the file as read; untouched tags point into it
    std::string pool_;         // values written since
    std::string source_name_;
    std::string acadver_;
    TextCodec codec_;
    std::string eol_ = "\r\n";
    std::vector<Record> records_;
    std::vector<Section> sections_;
    std::unordered_map<uint64_t, RecordId> handles_;
    uint64_t next_handle_ = 1;
    std::string handseed_as_read_;
    uint64_t revision_ = 0;
    bool modified_ = false;
    std::vector<Change> change_log_;
    uint64_t change_generation_ = 0;
    uint64_t erasures_ = 0;
    void log_change(RecordId id, bool appended);
    void new_change_generation();
    void save_sections_for_undo();

    struct UndoStep {
        std::string name;
        std::unordered_map<RecordId, Record> records;  // state on the other side of the step
        bool has_sections = false;
        std::vector<Section> sections;
        uint64_t next_handle = 0;
        size_t record_count = 0;  // records at the step's start; later ones were added by it
    };
    std::vector<UndoStep> undo_stack_, redo_stack_;
    int step_depth_ = 0;
    UndoStep current_;
    void journal_sections();
    void apply_step(UndoStep& step);

    static Document parse(SourceText text, const std::string& name, LoadReport* report, const LoadProgress& progress);
    void finish_load(LoadReport* report);
};

uint64_t parse_handle(std::string_view hex);  // 0 when not a handle
std::string format_handle(uint64_t handle);   // upper-case hex, no leading zeros
std::string format_real(double value);        // shortest text that reads back as the same double
bool iequals(std::string_view a, std::string_view b);

}  // namespace korvane::drawing
