#include "host/system_variables.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "drawing/image.h"
#include "drawing/tables.h"
#include "host/command_input.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/command_text.h"

namespace korvane::host {

namespace {

using drawing::Document;
using drawing::Tag;

std::optional<long long> to_integer(const Value& v) {
    if (auto* i = std::get_if<long long>(&v)) return *i;
    if (auto* d = std::get_if<double>(&v)) {
        if (std::isfinite(*d) && std::floor(*d) == *d && std::fabs(*d) < 9e15) return static_cast<long long>(*d);
        return std::nullopt;
    }
    if (auto* s = std::get_if<std::string>(&v)) return parse_integer(trim(*s));
    return std::nullopt;
}

std::optional<double> to_real(const Value& v) {
    if (auto* i = std::get_if<long long>(&v)) return double(*i);
    if (auto* d = std::get_if<double>(&v)) return std::isfinite(*d) ? std::optional<double>(*d) : std::nullopt;
    if (auto* s = std::get_if<std::string>(&v)) return parse_real(trim(*s));
    return std::nullopt;
}

std::optional<Point> to_point(const Value& v) {
    if (auto* p = std::get_if<Point>(&v)) return *p;
    if (auto* s = std::get_if<std::string>(&v)) return parse_point(trim(*s));
    return std::nullopt;
}

std::optional<std::string> to_text(const Value& v) {
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return std::nullopt;
}

// Variables of a fixed meaning kept in the drawing's header.
struct HeaderVar {
    const char* name;
    int code;
    bool integer;
    double fallback;  // value when the drawing does not carry the variable
};

constexpr HeaderVar kHeaderVars[] = {
    {"PDMODE", 70, true, 0},
    {"PDSIZE", 40, false, 0},
    {"OSMODE", 70, true, 0},
    {"ORTHOMODE", 70, true, 0},
    {"TEXTSIZE", 40, false, 2.5},
    {"LUPREC", 70, true, 4},  // decimals of lengths and coordinates shown
};

const HeaderVar* find_header_var(const std::string& up) {
    for (const auto& v : kHeaderVars)
        if (up == v.name) return &v;
    return nullptr;
}

// Session variables: name, default, lowest and highest value.
struct SessionVar {
    const char* name;
    long long fallback, low, high;
};

constexpr SessionVar kSessionVars[] = {
    {"FILEDIA", 1, 0, 1},
    {"CMDECHO", 1, 0, 1},
    {"IMAGEFRAME", 1, 0, 2},
    {"APERTURE", 10, 1, 50},
};

const SessionVar* find_session_var(const std::string& up) {
    for (const auto& v : kSessionVars)
        if (up == v.name) return &v;
    return nullptr;
}

constexpr const char* kReadOnly[] = {"VIEWCTR",  "VIEWSIZE",   "SCREENSIZE", "DWGNAME",  "DWGPREFIX",
                                     "ACADVER",  "HANDSEED",   "DWGCODEPAGE"};

bool valid_pdmode(long long v) { return v >= 0 && v <= 100 && (v & ~0x60LL) <= 4; }

// The value of a header variable from its tags: a point for 10/20(/30), else by group code.
Value header_value(const Document& doc, const std::string& dollar_name) {
    auto range = doc.header_range(dollar_name);
    if (!range || range->first == range->second) return {};
    const auto& tags = doc.record(doc.header_record()).tags;
    const Tag& first = tags[range->first];
    if (first.code == 10) {
        Point p;
        for (size_t i = range->first; i < range->second; ++i) {
            if (tags[i].code == 10) p.x = doc.real(tags[i]);
            else if (tags[i].code == 20) p.y = doc.real(tags[i]);
            else if (tags[i].code == 30) p.z = doc.real(tags[i]);
        }
        return p;
    }
    switch (drawing::value_kind(first.code)) {
        case drawing::ValueKind::Double: return doc.real(first);
        case drawing::ValueKind::Integer:
        case drawing::ValueKind::Bool: return static_cast<long long>(doc.integer(first));
        default: return doc.text(first);
    }
}

// Sets a header variable the drawing already carries, keeping its group codes.
bool set_existing_header(Document& doc, const std::string& dollar_name, const Value& value) {
    auto range = doc.header_range(dollar_name);
    if (!range || range->first == range->second) return false;
    std::vector<int> codes;
    {
        const auto& tags = doc.record(doc.header_record()).tags;
        for (size_t i = range->first; i < range->second; ++i) codes.push_back(tags[i].code);
    }
    std::vector<Tag> values;
    if (codes[0] == 10) {
        auto p = to_point(value);
        if (!p) return false;
        for (int c : codes) {
            if (c == 10) values.push_back(doc.make_real(10, p->x));
            else if (c == 20) values.push_back(doc.make_real(20, p->y));
            else if (c == 30) values.push_back(doc.make_real(30, p->z));
        }
    } else {
        if (codes.size() != 1) return false;
        int c = codes[0];
        switch (drawing::value_kind(c)) {
            case drawing::ValueKind::Double: {
                auto r = to_real(value);
                if (!r) return false;
                values.push_back(doc.make_real(c, *r));
                break;
            }
            case drawing::ValueKind::Integer:
            case drawing::ValueKind::Bool: {
                auto i = to_integer(value);
                if (!i) return false;
                values.push_back(doc.make_int(c, *i));
                break;
            }
            case drawing::ValueKind::String: {
                auto t = to_text(value);
                if (!t) {
                    if (auto* i = std::get_if<long long>(&value)) t = std::to_string(*i);
                    else if (auto* d = std::get_if<double>(&value)) t = format_number(*d);
                    else return false;
                }
                values.push_back(doc.make_text(c, *t));
                break;
            }
            default: return false;
        }
    }
    doc.set_header(dollar_name, values);
    return true;
}

}  // namespace

std::vector<std::string> known_system_variables() {
    std::vector<std::string> names;
    for (const auto& v : kHeaderVars) names.push_back(v.name);
    names.push_back("CLAYER");
    for (const auto& v : kSessionVars) names.push_back(v.name);
    for (const char* n : kReadOnly) names.push_back(n);
    return names;
}

bool is_read_only_system_variable(const std::string& name) {
    std::string up = upper(name);
    return std::any_of(std::begin(kReadOnly), std::end(kReadOnly), [&](const char* n) { return up == n; });
}

bool is_system_variable(const HostDocument& doc, const std::string& name) {
    std::string up = upper(name);
    if (up.empty() || up[0] == '$') return false;
    if (find_header_var(up) || find_session_var(up) || up == "CLAYER" || is_read_only_system_variable(up))
        return true;
    auto range = doc.doc().header_range("$" + up);
    return range && range->first != range->second;
}

Value get_system_variable(HostDocument& doc, const EmbeddedHost& host, const std::string& name) {
    std::string up = upper(name);
    if (up.empty() || up[0] == '$') return {};
    const drawing::Document& d = doc.doc();
    if (const HeaderVar* hv = find_header_var(up)) {
        Value v = header_value(d, "$" + up);
        if (std::holds_alternative<std::monostate>(v)) {
            if (hv->integer) return static_cast<long long>(hv->fallback);
            return hv->fallback;
        }
        if (hv->integer) {
            if (auto i = to_integer(v)) return *i;
        } else if (auto r = to_real(v)) {
            return *r;
        }
        return v;
    }
    if (up == "CLAYER") {
        auto t = d.header_text("$CLAYER");
        return t && !t->empty() ? d.codec().decode(*t) : std::string("0");
    }
    if (up == "IMAGEFRAME" && !d.is_r12()) return static_cast<long long>(drawing::image_frame(d));
    if (const SessionVar* sv = find_session_var(up)) {
        auto it = doc.session_vars().find(up);
        if (it != doc.session_vars().end()) return it->second;
        return sv->fallback;
    }
    if (up == "VIEWCTR") return doc.view().center;
    if (up == "VIEWSIZE") return doc.view().height;
    if (up == "SCREENSIZE") return Point{host.screen_width(), host.screen_height(), 0};
    if (up == "DWGNAME") return doc.name();
    if (up == "DWGPREFIX") {
        if (doc.path().empty()) return std::string();
        std::string dir = std::filesystem::path(doc.path()).parent_path().string();
        if (!dir.empty() && dir.back() != '/') dir += '/';
        return dir;
    }
    return header_value(d, "$" + up);
}

bool set_system_variable(HostDocument& doc, const std::string& name, const Value& value) {
    std::string up = upper(name);
    if (up.empty() || up[0] == '$' || is_read_only_system_variable(up)) return false;
    drawing::Document& d = doc.doc();
    if (const HeaderVar* hv = find_header_var(up)) {
        std::vector<Tag> tags;
        if (hv->integer) {
            auto i = to_integer(value);
            if (!i) return false;
            if (up == "PDMODE" && !valid_pdmode(*i)) return false;
            if (up == "OSMODE" && (*i < 0 || *i > 32767)) return false;
            if (up == "ORTHOMODE" && *i != 0 && *i != 1) return false;
            if (up == "LUPREC" && (*i < 0 || *i > 8)) return false;
            tags.push_back(d.make_int(hv->code, *i));
        } else {
            auto r = to_real(value);
            if (!r) return false;
            if (up == "TEXTSIZE" && !(*r > 0)) return false;
            tags.push_back(d.make_real(hv->code, *r));
        }
        d.set_header("$" + up, tags);
        return true;
    }
    if (up == "CLAYER") {
        auto t = to_text(value);
        if (!t) return false;
        drawing::RecordId layer = drawing::find_table_entry(d, "LAYER", trim(*t));
        if (layer == drawing::kNoRecord) return false;
        d.set_header("$CLAYER", {d.make_text(8, drawing::entry_name(d, layer))});
        return true;
    }
    if (const SessionVar* sv = find_session_var(up)) {
        std::optional<long long> i;
        if (auto t = to_text(value)) {
            std::string word = upper(trim(*t));
            if (up == "IMAGEFRAME" && word == "OFF") i = 0;
            else if (up == "IMAGEFRAME" && word == "ON") i = 1;
        }
        if (!i) i = to_integer(value);
        if (!i || *i < sv->low || *i > sv->high) return false;
        // The image frame lives in the drawing (RASTERVARIABLES) where the version has a place for it.
        if (up == "IMAGEFRAME" && !d.is_r12()) return drawing::set_image_frame(d, int(*i));
        doc.session_vars()[up] = *i;
        return true;
    }
    return set_existing_header(d, "$" + up, value);
}

std::string format_value(const Value& value) {
    if (auto* s = std::get_if<std::string>(&value)) return *s;
    if (auto* i = std::get_if<long long>(&value)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&value)) return format_number(*d);
    if (auto* p = std::get_if<Point>(&value)) return format_point(*p, p->z != 0);
    return "";
}

}  // namespace korvane::host
