#include "cli_info.h"

#include <set>

#include "drawing/entity.h"
#include "drawing/tables.h"

namespace korvane::app {

using namespace korvane::drawing;

std::map<std::string, size_t> entity_counts(const Document& doc) {
    std::map<std::string, size_t> counts;
    if (const Section* s = doc.section("ENTITIES"))
        for (RecordId id : s->items)
            if (!doc.record(id).erased && !doc.type(id).empty()) ++counts[std::string(doc.type(id))];
    return counts;
}

void print_counts(std::ostream& out, const Document& doc) {
    size_t total = 0;
    for (auto& [type, n] : entity_counts(doc)) {
        out << "  " << type << " " << n << "\n";
        total += n;
    }
    out << "  total " << total << "\n";
}

void print_info(std::ostream& out, const Document& doc) {
    out << "version: " << doc.acadver() << "\n";
    out << "code page: " << doc.header_text("$DWGCODEPAGE").value_or("(none)") << " -> "
        << (doc.codec().is_utf8() ? std::string("UTF-8") : doc.codec().iconv_name()) << "\n";

    std::map<std::string, size_t> per_layer;
    std::map<std::string, size_t> per_app;
    if (const Section* s = doc.section("ENTITIES"))
        for (RecordId id : s->items) {
            if (doc.record(id).erased || doc.type(id).empty()) continue;
            EntityView e(doc, id);
            ++per_layer[e.layer()];
            std::set<std::string> apps;
            for (auto& a : e.xdata_apps()) apps.insert(a);
            for (auto& a : apps) ++per_app[a];
        }
    auto lays = layers(doc);
    out << "layers: " << lays.size() << "\n";
    for (auto& l : lays) {
        auto it = per_layer.find(l.name);
        out << "  " << l.name << "  colour " << l.color << (l.on ? "" : " off") << (l.frozen ? " frozen" : "")
            << (l.locked ? " locked" : "") << "  entities " << (it == per_layer.end() ? 0 : it->second) << "\n";
    }
    out << "entities:\n";
    print_counts(out, doc);
    out << "applications:\n";
    for (RecordId id : table_entries(doc, "APPID")) {
        std::string name = entry_name(doc, id);
        size_t n = 0;
        for (auto& [app, count] : per_app)
            if (iequals(app, name)) n += count;
        out << "  " << name << "  entities " << n << "\n";
    }
}

}  // namespace korvane::app
