#pragma once
// The code table of the economic organisations: a text file in the data directory,
// "经济组织代码对照表.ini", one organisation a line: name, comma, ownership code (further
// comma-separated fields are ignored). GBK with CR LF as the Windows peers write it; UTF-8
// is read as well. There is no header line.
//
// The lines are counted once when the table is loaded; every later reading takes that many
// lines and no more, so a table that grows while the form is open is not read past the
// counted lines. The filter re-reads the file when it changed on disk (edits to the counted
// lines show at once) and otherwise works on what it read last time.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "parcel/parcel_record.h"

namespace korvane::parcel {

inline constexpr const char* kCodeTableFile = "经济组织代码对照表.ini";

// One line of the table.
struct OrgEntry {
    std::string line;      // the whole line as it stands in the file
    std::string name;      // field 1, trimmed
    std::string code;      // field 2, trimmed ("" when the line has no comma)
    std::string upper;     // the name with ASCII letters in upper case
    std::string initials;  // the pinyin initials of the name
};

// The texts a double click on an entry puts into the ownership-code, parcel-number and
// holder boxes (Text1(2), Text1(3), Text1(4)).
struct PickedTexts {
    std::string code;
    std::string parcel_number;
    std::string holder;
};

class OrgCodeTable {
public:
    // Loads the table: counts its lines. False when the file does not exist (the table is
    // then empty and stays so).
    bool load(const std::filesystem::path& file);
    bool loaded() const { return loaded_; }
    const std::filesystem::path& file() const { return file_; }
    // Lines counted at load, and the last line index (count - 1; -1 for an empty file).
    long line_count() const { return count_; }
    long last_index() const { return count_ - 1; }

    // The lines the filter box lists, in file order, each once:
    //   a blank filter lists nothing and leaves the list alone (nullopt from `filter_changes`);
    //   "ALL" (any case, blanks around ignored) lists every line that names a code;
    //   anything else lists each line whose name holds the filter (ASCII letters in any case)
    //   or whose pinyin initials hold it at some position.
    // Lines without a comma carry no code and are never listed.
    std::vector<std::string> filter(std::string_view text);

    // The entries as last read (reads the file when needed).
    const std::vector<OrgEntry>& entries();

private:
    std::filesystem::path file_;
    bool loaded_ = false;
    long count_ = 0;
    // What was read last time, and the file's state then.
    std::vector<OrgEntry> entries_;
    std::filesystem::file_time_type stamp_{};
    std::uintmax_t size_ = 0;
    bool read_once_ = false;

    void refresh();
};

// Splits a table line into name and code (fields 1 and 2, trimmed).
OrgEntry parse_org_line(const std::string& line);

// Field 1 of a listed line (the organisation name): the list's tool tip on a single click.
std::string org_name_of(const std::string& line);

// What a double click on `line` does to the boxes for the chosen type: sole-owned replaces
// code, holder and parcel number; jointly owned and disputed append code and holder after a
// "/" (none when the code box is blank) and replace the parcel number; any other type
// changes nothing (nullopt). The parcel number is the last six characters of the code.
std::optional<PickedTexts> pick_org(const std::string& line, ParcelType chosen, const std::string& code_box,
                                    const std::string& holder_box);

}  // namespace korvane::parcel
