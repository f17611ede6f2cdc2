#include "parcel/org_code_table.h"

#include <system_error>

#include "common/maimod.h"
#include "common/text.h"
#include "common/text_file.h"

namespace korvane::parcel {

namespace fs = std::filesystem;

OrgEntry parse_org_line(const std::string& line) {
    OrgEntry e;
    e.line = line;
    e.name = common::comma_field(line, 1);
    e.code = common::comma_field(line, 2);
    e.upper = common::to_upper_ascii(e.name);
    e.initials = common::pinyin_initials(e.name);
    return e;
}

std::string org_name_of(const std::string& line) { return common::comma_field(line, 1); }

bool OrgCodeTable::load(const fs::path& file) {
    file_ = file;
    loaded_ = false;
    count_ = 0;
    entries_.clear();
    read_once_ = false;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return false;
    try {
        count_ = long(common::read_lines(file).size());
    } catch (const common::FileError&) {
        return false;
    }
    loaded_ = true;
    return true;
}

void OrgCodeTable::refresh() {
    if (!loaded_) return;
    std::error_code ec;
    auto stamp = fs::last_write_time(file_, ec);
    if (ec) stamp = {};
    auto size = fs::file_size(file_, ec);
    if (ec) size = 0;
    if (read_once_ && stamp == stamp_ && size == size_) return;
    std::vector<std::string> lines;
    try {
        lines = common::read_lines(file_);
    } catch (const common::FileError&) {
        lines.clear();  // gone or unreadable: nothing to list
    }
    if (lines.size() > size_t(count_)) lines.resize(size_t(count_));
    entries_.clear();
    entries_.reserve(lines.size());
    for (const std::string& line : lines) entries_.push_back(parse_org_line(line));
    stamp_ = stamp;
    size_ = size;
    read_once_ = true;
}

const std::vector<OrgEntry>& OrgCodeTable::entries() {
    refresh();
    return entries_;
}

std::vector<std::string> OrgCodeTable::filter(std::string_view text) {
    std::vector<std::string> out;
    const std::string wanted = common::to_upper_ascii(common::trim(text));
    if (wanted.empty()) return out;
    refresh();
    const bool all = wanted == "ALL";
    for (const OrgEntry& e : entries_) {
        if (e.line.find(',') == std::string::npos) continue;  // no code on this line
        // UTF-8 substrings start and end on character boundaries, so a byte search finds
        // exactly the character positions where the filter stands in the name or its initials.
        if (all || e.upper.find(wanted) != std::string::npos || e.initials.find(wanted) != std::string::npos)
            out.push_back(e.line);
    }
    return out;
}

std::optional<PickedTexts> pick_org(const std::string& line, ParcelType chosen, const std::string& code_box,
                                    const std::string& holder_box) {
    const std::string name = common::comma_field(line, 1);
    const std::string code = common::comma_field(line, 2);
    PickedTexts t;
    switch (chosen) {
        case ParcelType::Sole:
            t.code = code;
            t.holder = name;
            break;
        case ParcelType::Joint:
        case ParcelType::Disputed: {
            const std::string sep = common::trim(code_box).empty() ? "" : "/";
            t.code = code_box + sep + code;
            t.holder = holder_box + sep + name;
            break;
        }
        default: return std::nullopt;
    }
    t.parcel_number = common::right(code, 6);
    return t;
}

}  // namespace korvane::parcel
