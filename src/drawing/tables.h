#pragma once
// Symbol tables: layers, application ids, text styles, block records.
#include <string>
#include <string_view>
#include <vector>

#include "document.h"

namespace korvane::drawing {

struct LayerInfo {
    RecordId id = kNoRecord;
    std::string name;
    int color = 7;  // always positive; `on` tells whether it is switched off
    bool on = true;
    bool frozen = false;
    bool locked = false;
};

// Entries of a table ("LAYER", "APPID", "STYLE", "BLOCK_RECORD", ...) in file order.
std::vector<RecordId> table_entries(const Document& doc, std::string_view table);
// The entry of that name (compared without regard to case), or kNoRecord.
RecordId find_table_entry(const Document& doc, std::string_view table, std::string_view name);
std::string entry_name(const Document& doc, RecordId entry);

std::vector<LayerInfo> layers(const Document& doc);
LayerInfo layer_info(const Document& doc, RecordId layer);
// Returns the existing layer of that name, or adds one (colour 7, on, continuous).
RecordId add_layer(Document& doc, std::string_view name);
void set_layer_on(Document& doc, RecordId layer, bool on);
void set_layer_frozen(Document& doc, RecordId layer, bool frozen);
void set_layer_locked(Document& doc, RecordId layer, bool locked);
void set_layer_color(Document& doc, RecordId layer, int color);

// Registers an application name in the APPID table unless present.
RecordId ensure_appid(Document& doc, std::string_view name);

// Adds a new entry record to the named table (creating the table when missing); the record's
// tags follow the (0 TYPE) tag; owner and handle are filled in here.
RecordId add_table_entry(Document& doc, std::string_view table, std::vector<Tag> body);

}  // namespace korvane::drawing
