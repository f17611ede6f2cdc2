#include "sheets/workbook.h"

#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "common/file_io.h"

namespace korvane::sheets {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata;
constexpr unsigned kSaveFlags = pugi::format_raw | pugi::format_no_declaration;

// The element's name without a namespace prefix ("x:row" -> "row"): some producers prefix the
// main namespace, and pugixml does not resolve prefixes.
std::string_view local_name(const pugi::xml_node& node) {
    std::string_view n = node.name();
    size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

// The prefix of the element's name, colon included ("x:" or "").
std::string prefix_of(const pugi::xml_node& node) {
    std::string_view n = node.name();
    size_t colon = n.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(n.substr(0, colon + 1));
}

pugi::xml_node child_named(const pugi::xml_node& parent, std::string_view name) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && local_name(c) == name) return c;
    return {};
}

// An attribute by local name ("r:id" is found as "id" when `prefixed`).
pugi::xml_attribute prefixed_attribute(const pugi::xml_node& node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        std::string_view n = a.name();
        size_t colon = n.find(':');
        if (colon != std::string_view::npos && n.substr(colon + 1) == local) return a;
    }
    return {};
}

bool ends_with(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// A part name relative to the package root, from a relationship target seen from `base_dir`
// ("xl/"): "worksheets/sheet1.xml" -> "xl/worksheets/sheet1.xml", "/xl/x.xml" -> "xl/x.xml",
// "../a.xml" resolved.
std::string resolve_target(const std::string& base_dir, std::string_view target) {
    std::string joined = !target.empty() && target.front() == '/' ? std::string(target.substr(1))
                                                                   : base_dir + std::string(target);
    std::vector<std::string> parts;
    std::stringstream ss(joined);
    std::string item;
    while (std::getline(ss, item, '/')) {
        if (item.empty() || item == ".") continue;
        if (item == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(item);
    }
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? "/" : "") + parts[i];
    return out;
}

std::string dir_of(const std::string& part) {
    size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string rels_of(const std::string& part) {
    size_t slash = part.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? part : part.substr(slash + 1);
    return dir + "_rels/" + name + ".rels";
}

// The column number of the letters at the start of a reference ("AB12" -> 28), 0 when none.
int leading_column(std::string_view ref, size_t* used = nullptr) {
    size_t i = 0;
    if (i < ref.size() && ref[i] == '$') ++i;
    int col = 0;
    size_t start = i;
    while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i]))) {
        col = col * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
        if (col > 16384) return 0;
        ++i;
    }
    if (i == start) return 0;
    if (used) *used = i;
    return col;
}

// Characters XML 1.0 cannot hold become the package's _xHHHH_ escapes; an underscore that would
// read as the start of such an escape is itself escaped.
std::string escape_cell_text(std::string_view text) {
    auto is_hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "_x%04X_", c);
            out += buf;
        } else if (c == '_' && i + 6 < text.size() && text[i + 1] == 'x' && is_hex(text[i + 2]) &&
                   is_hex(text[i + 3]) && is_hex(text[i + 4]) && is_hex(text[i + 5]) && text[i + 6] == '_') {
            out += "_x005F_";
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string number_text(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

struct Entry {
    std::string name;
    std::string data;
    bool directory = false;
};

class ZipArchive {
public:
    explicit ZipArchive(zip_t* za) : za_(za) {}
    ~ZipArchive() {
        if (za_) zip_discard(za_);
    }
    zip_t* get() const { return za_; }
    zip_t* release() {
        zip_t* z = za_;
        za_ = nullptr;
        return z;
    }

private:
    zip_t* za_;
};

std::vector<Entry> read_package(const fs::path& path, const std::string& bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!src) throw WorkbookError("cannot read workbook " + path.string() + ": " + zip_error_strerror(&error));
    zip_t* za = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!za) {
        std::string why = zip_error_strerror(&error);
        zip_source_free(src);
        zip_error_fini(&error);
        throw WorkbookError("cannot read workbook " + path.string() + ": not a workbook package (" + why + ")");
    }
    zip_error_fini(&error);
    ZipArchive archive(za);
    std::vector<Entry> entries;
    zip_int64_t n = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            throw WorkbookError("cannot read workbook " + path.string() + ": damaged package entry " +
                                std::to_string(i));
        Entry e;
        e.name = st.name;
        if (!e.name.empty() && e.name.back() == '/') {
            e.directory = true;
            entries.push_back(std::move(e));
            continue;
        }
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        if (!f) throw WorkbookError("cannot read workbook " + path.string() + ": cannot open part " + e.name);
        e.data.resize(size_t(st.size));
        zip_int64_t got = st.size ? zip_fread(f, e.data.data(), st.size) : 0;
        zip_fclose(f);
        if (got < 0 || zip_uint64_t(got) != st.size)
            throw WorkbookError("cannot read workbook " + path.string() + ": damaged part " + e.name);
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace

CellRef parse_cell(std::string_view ref) {
    size_t used = 0;
    int col = leading_column(ref, &used);
    std::string_view rest = ref.substr(used);
    if (!rest.empty() && rest.front() == '$') rest.remove_prefix(1);
    int row = 0;
    auto r = std::from_chars(rest.data(), rest.data() + rest.size(), row);
    if (col == 0 || rest.empty() || r.ec != std::errc() || r.ptr != rest.data() + rest.size() || row < 1 ||
        row > 1048576 || rest.front() == '+' || rest.front() == '-')
        throw WorkbookError("not a cell reference: \"" + std::string(ref) + "\"");
    return {row, col};
}

std::string column_letters(int column) {
    std::string s;
    while (column > 0) {
        int rem = (column - 1) % 26;
        s.insert(s.begin(), char('A' + rem));
        column = (column - 1) / 26;
    }
    return s;
}

std::string cell_name(CellRef cell) { return column_letters(cell.column) + std::to_string(cell.row); }

struct Workbook::Impl {
    fs::path source;
    std::vector<Entry> entries;
    std::string workbook_part;
    struct Sheet {
        std::string name;
        std::string part;
    };
    std::vector<Sheet> sheets;
    // Parsed parts, by part name; parsed when first needed, written back when changed.
    std::map<std::string, std::unique_ptr<pugi::xml_document>> parsed;
    std::set<std::string> changed;
    bool formula_overwritten = false;

    Entry* entry(const std::string& name) {
        for (Entry& e : entries)
            if (e.name == name) return &e;
        return nullptr;
    }

    pugi::xml_document& part(const std::string& name) {
        auto it = parsed.find(name);
        if (it != parsed.end()) return *it->second;
        Entry* e = entry(name);
        if (!e) throw WorkbookError("workbook " + source.string() + " has no part " + name);
        auto doc = std::make_unique<pugi::xml_document>();
        pugi::xml_parse_result r = doc->load_buffer(e->data.data(), e->data.size(), kParseFlags, pugi::encoding_utf8);
        if (!r)
            throw WorkbookError("workbook " + source.string() + ": part " + name + " is not well-formed XML (" +
                                r.description() + " at byte " + std::to_string(r.offset) + ")");
        return *parsed.emplace(name, std::move(doc)).first->second;
    }

    const Sheet& sheet(std::string_view name) const {
        for (const Sheet& s : sheets)
            if (s.name == name) return s;
        std::string names;
        for (const Sheet& s : sheets) names += (names.empty() ? "" : ", ") + ("\"" + s.name + "\"");
        throw WorkbookError("workbook " + source.string() + " has no sheet \"" + std::string(name) +
                            "\" (its sheets: " + names + ")");
    }

    void load_structure() {
        std::string wb = "xl/workbook.xml";
        if (entry("_rels/.rels")) {
            pugi::xml_node rels = part("_rels/.rels").document_element();
            for (pugi::xml_node r = rels.first_child(); r; r = r.next_sibling())
                if (local_name(r) == "Relationship" && ends_with(r.attribute("Type").value(), "/officeDocument")) {
                    wb = resolve_target("", r.attribute("Target").value());
                    break;
                }
        }
        if (!entry(wb)) throw WorkbookError("workbook " + source.string() + " has no workbook part (" + wb + ")");
        workbook_part = wb;

        std::map<std::string, std::string> targets;  // relationship id -> part
        std::string rels_name = rels_of(wb);
        if (entry(rels_name)) {
            pugi::xml_node rels = part(rels_name).document_element();
            for (pugi::xml_node r = rels.first_child(); r; r = r.next_sibling())
                if (local_name(r) == "Relationship")
                    targets[r.attribute("Id").value()] = resolve_target(dir_of(wb), r.attribute("Target").value());
        }
        pugi::xml_node sheets_node = child_named(part(wb).document_element(), "sheets");
        for (pugi::xml_node s = sheets_node.first_child(); s; s = s.next_sibling()) {
            if (s.type() != pugi::node_element || local_name(s) != "sheet") continue;
            pugi::xml_attribute id = prefixed_attribute(s, "id");
            auto it = targets.find(id.value());
            if (it == targets.end()) continue;
            sheets.push_back({s.attribute("name").value(), it->second});
        }
    }

    // The cell element for `cell` in the sheet, created in row and column order when missing.
    pugi::xml_node cell_node(const Sheet& sheet, CellRef cell) {
        pugi::xml_document& doc = part(sheet.part);
        pugi::xml_node root = doc.document_element();
        const std::string px = prefix_of(root);
        pugi::xml_node data = child_named(root, "sheetData");
        if (!data) throw WorkbookError("workbook " + source.string() + ": sheet \"" + sheet.name + "\" has no cell table");
        changed.insert(sheet.part);

        // The row: rows without a number follow the previous one.
        pugi::xml_node row, before;
        int implied = 0;
        for (pugi::xml_node r = data.first_child(); r; r = r.next_sibling()) {
            if (r.type() != pugi::node_element || local_name(r) != "row") continue;
            int n = r.attribute("r") ? r.attribute("r").as_int() : implied + 1;
            if (!r.attribute("r")) r.append_attribute("r") = n;
            implied = n;
            if (n == cell.row) {
                row = r;
                break;
            }
            if (n > cell.row) {
                before = r;
                break;
            }
        }
        if (!row) {
            row = before ? data.insert_child_before((px + "row").c_str(), before) : data.append_child((px + "row").c_str());
            row.append_attribute("r") = cell.row;
        }
        widen_spans(row, cell.column);
        widen_dimension(root, cell);

        const std::string name = cell_name(cell);
        pugi::xml_node c, next;
        int implied_col = 0;
        for (pugi::xml_node x = row.first_child(); x; x = x.next_sibling()) {
            if (x.type() != pugi::node_element || local_name(x) != "c") continue;
            int col = x.attribute("r") ? leading_column(x.attribute("r").value()) : implied_col + 1;
            if (!x.attribute("r")) x.append_attribute("r") = cell_name({cell.row, col}).c_str();
            implied_col = col;
            if (col == cell.column) {
                c = x;
                break;
            }
            if (col > cell.column) {
                next = x;
                break;
            }
        }
        if (!c) {
            c = next ? row.insert_child_before((px + "c").c_str(), next) : row.append_child((px + "c").c_str());
            c.append_attribute("r") = name.c_str();
        }
        return c;
    }

    static void widen_spans(pugi::xml_node row, int column) {
        pugi::xml_attribute spans = row.attribute("spans");
        if (!spans) return;
        std::string v = spans.value();
        size_t colon = v.find(':');
        if (colon == std::string::npos) return;
        int lo = std::atoi(v.substr(0, colon).c_str()), hi = std::atoi(v.substr(colon + 1).c_str());
        if (column >= lo && column <= hi) return;
        spans = (std::to_string(std::min(lo, column)) + ":" + std::to_string(std::max(hi, column))).c_str();
    }

    static void widen_dimension(pugi::xml_node root, CellRef cell) {
        pugi::xml_node dim = child_named(root, "dimension");
        if (!dim) return;
        std::string ref = dim.attribute("ref").value();
        size_t colon = ref.find(':');
        try {
            CellRef a = parse_cell(colon == std::string::npos ? ref : ref.substr(0, colon));
            CellRef b = colon == std::string::npos ? a : parse_cell(ref.substr(colon + 1));
            CellRef lo{std::min({a.row, b.row, cell.row}), std::min({a.column, b.column, cell.column})};
            CellRef hi{std::max({a.row, b.row, cell.row}), std::max({a.column, b.column, cell.column})};
            std::string v = cell_name(lo) + (lo == hi ? "" : ":" + cell_name(hi));
            if (v != ref) dim.attribute("ref") = v.c_str();
        } catch (const WorkbookError&) {
            // A dimension that does not read is only a hint; it stays as it is.
        }
    }

    // Empties a cell, keeping its style and position.
    void clear_value(pugi::xml_node c) {
        for (pugi::xml_node x = c.first_child(); x;) {
            pugi::xml_node following = x.next_sibling();
            if (x.type() == pugi::node_element && local_name(x) == "f") formula_overwritten = true;
            c.remove_child(x);
            x = following;
        }
        c.remove_attribute("t");
        c.remove_attribute("cm");
        c.remove_attribute("vm");
    }

    // After a formula cell was overwritten: the calculation chain goes (with its content type and
    // relationship), formula results are computed again on opening, and cached results of the
    // remaining formulas are dropped so that no reader shows a stale value.
    void forget_calculation() {
        std::string rels_name = rels_of(workbook_part);
        std::string chain;
        if (entry(rels_name)) {
            pugi::xml_node rels = part(rels_name).document_element();
            for (pugi::xml_node r = rels.first_child(); r;) {
                pugi::xml_node following = r.next_sibling();
                if (local_name(r) == "Relationship" && ends_with(r.attribute("Type").value(), "/calcChain")) {
                    chain = resolve_target(dir_of(workbook_part), r.attribute("Target").value());
                    rels.remove_child(r);
                    changed.insert(rels_name);
                }
                r = following;
            }
        }
        if (!chain.empty()) {
            entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == chain; }),
                          entries.end());
            if (entry("[Content_Types].xml")) {
                pugi::xml_node types = part("[Content_Types].xml").document_element();
                for (pugi::xml_node o = types.first_child(); o;) {
                    pugi::xml_node following = o.next_sibling();
                    if (local_name(o) == "Override" && resolve_target("", o.attribute("PartName").value()) == chain) {
                        types.remove_child(o);
                        changed.insert("[Content_Types].xml");
                    }
                    o = following;
                }
            }
        }
        pugi::xml_node wb = part(workbook_part).document_element();
        pugi::xml_node calc = child_named(wb, "calcPr");
        if (!calc) {
            // calcPr follows the sheets and the defined names; anything after them stays after it.
            pugi::xml_node anchor = child_named(wb, "definedNames");
            if (!anchor) anchor = child_named(wb, "sheets");
            calc = anchor ? wb.insert_child_after((prefix_of(wb) + "calcPr").c_str(), anchor)
                          : wb.append_child((prefix_of(wb) + "calcPr").c_str());
        }
        if (!calc.attribute("fullCalcOnLoad")) calc.append_attribute("fullCalcOnLoad");
        calc.attribute("fullCalcOnLoad") = "1";
        changed.insert(workbook_part);
        for (const Sheet& s : sheets) {
            pugi::xml_node data = child_named(part(s.part).document_element(), "sheetData");
            bool touched = false;
            for (pugi::xml_node r = data.first_child(); r; r = r.next_sibling())
                for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
                    if (!child_named(c, "f")) continue;
                    if (pugi::xml_node v = child_named(c, "v")) {
                        c.remove_child(v);
                        touched = true;
                    }
                }
            if (touched) changed.insert(s.part);
        }
    }

    std::string serialise(const std::string& name) {
        std::ostringstream out;
        parsed.at(name)->save(out, "", kSaveFlags, pugi::encoding_utf8);
        return out.str();
    }
};

Workbook::Workbook(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Workbook Workbook::open(const fs::path& path) {
    std::string bytes;
    try {
        bytes = common::read_file_bytes(path);
    } catch (const common::FileError& e) {
        throw WorkbookError("cannot read workbook " + path.string() + ": " + e.reason());
    }
    auto impl = std::make_unique<Impl>();
    impl->source = path;
    impl->entries = read_package(path, bytes);
    impl->load_structure();
    return Workbook(std::move(impl));
}

std::vector<std::string> Workbook::sheet_names() const {
    std::vector<std::string> names;
    for (const auto& s : impl_->sheets) names.push_back(s.name);
    return names;
}

bool Workbook::has_sheet(std::string_view name) const {
    return std::any_of(impl_->sheets.begin(), impl_->sheets.end(), [&](const Impl::Sheet& s) { return s.name == name; });
}

void Workbook::set_text(std::string_view sheet, CellRef cell, std::string_view text) {
    pugi::xml_node c = impl_->cell_node(impl_->sheet(sheet), cell);
    impl_->clear_value(c);
    if (text.empty()) return;
    const std::string px = prefix_of(c);
    c.append_attribute("t") = "inlineStr";
    pugi::xml_node t = c.append_child((px + "is").c_str()).append_child((px + "t").c_str());
    std::string escaped = escape_cell_text(text);
    auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r'; };
    if (blank(escaped.front()) || blank(escaped.back()) || escaped.find('\n') != std::string::npos)
        t.append_attribute("xml:space") = "preserve";
    t.append_child(pugi::node_pcdata).set_value(escaped.c_str());
}

void Workbook::set_number(std::string_view sheet, CellRef cell, double value) {
    if (!std::isfinite(value))
        throw WorkbookError("cannot write " + std::to_string(value) + " into cell " + cell_name(cell) + " of sheet \"" +
                            std::string(sheet) + "\": not a finite number");
    pugi::xml_node c = impl_->cell_node(impl_->sheet(sheet), cell);
    impl_->clear_value(c);
    c.append_child((prefix_of(c) + "v").c_str()).append_child(pugi::node_pcdata).set_value(number_text(value).c_str());
}

std::string Workbook::to_bytes() const {
    Impl& impl = *impl_;
    if (impl.formula_overwritten) {
        impl.forget_calculation();
        impl.formula_overwritten = false;
    }
    std::vector<std::string> bodies;  // stay alive until the archive is written
    bodies.reserve(impl.entries.size());

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!out) throw WorkbookError(std::string("cannot build workbook: ") + zip_error_strerror(&error));
    zip_t* za = zip_open_from_source(out, ZIP_TRUNCATE, &error);
    if (!za) {
        zip_source_free(out);
        throw WorkbookError(std::string("cannot build workbook: ") + zip_error_strerror(&error));
    }
    zip_source_keep(out);
    ZipArchive archive(za);
    auto fail = [&](const std::string& what) {
        std::string why = zip_strerror(za);
        zip_source_free(out);
        throw WorkbookError("cannot build workbook: " + what + ": " + why);
    };
    for (const Entry& e : impl.entries) {
        if (e.directory) {
            if (zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_UTF_8) < 0) fail(e.name);
            continue;
        }
        const std::string* body = &e.data;
        if (impl.changed.count(e.name)) {
            bodies.push_back(impl.serialise(e.name));
            body = &bodies.back();
        }
        zip_source_t* src = zip_source_buffer(za, body->data(), body->size(), 0);
        if (!src) fail(e.name);
        zip_int64_t index = zip_file_add(za, e.name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(src);
            fail(e.name);
        }
        zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE, 6);
    }
    if (zip_close(archive.get()) != 0) fail("writing the package");
    archive.release();

    std::string bytes;
    zip_stat_t st;
    if (zip_source_open(out) != 0 || zip_source_stat(out, &st) != 0) {
        zip_source_free(out);
        throw WorkbookError("cannot build workbook: the package cannot be read back");
    }
    bytes.resize(size_t(st.size));
    zip_int64_t got = st.size ? zip_source_read(out, bytes.data(), st.size) : 0;
    zip_source_close(out);
    zip_source_free(out);
    if (got < 0 || zip_uint64_t(got) != st.size) throw WorkbookError("cannot build workbook: short read of the package");
    return bytes;
}

void Workbook::save_as(const fs::path& path) const {
    std::string bytes = to_bytes();
    try {
        common::write_file_atomically(path, bytes);
    } catch (const common::FileError& e) {
        throw WorkbookError("cannot save workbook " + path.string() + ": " + e.reason());
    }
}

}  // namespace korvane::sheets
