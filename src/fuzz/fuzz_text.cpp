// The text-file readers on arbitrary bytes: the GBK/UTF-8 decoding and line splitting, the
// code table and its filter, the batch-modify list, and the settings store (which must keep
// a value it was given across a rewrite of whatever file it was read from).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/file_io.h"
#include "common/settings.h"
#include "common/text.h"
#include "common/text_file.h"
#include "fuzz/scratch.h"
#include "mapping/watch_file.h"
#include "parcel/org_code_table.h"

namespace common = korvane::common;
namespace parcel = korvane::parcel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    common::TextEncoding encoding;
    std::string text = common::decode_text(bytes, &encoding);
    auto lines = common::split_lines(text);
    for (const auto& line : lines) {
        auto entry = parcel::parse_org_line(line);
        parcel::pick_org(line, parcel::ParcelType::Joint, "12", "x");
        (void)entry;
    }

    const auto file = korvane::fuzz::scratch().put("table.ini", data, size);
    parcel::OrgCodeTable table;
    if (table.load(file)) {
        table.filter("ALL");
        table.filter("c");
        table.filter("村");
    }
    korvane::mapping::read_watch_handle(file, 1);
    korvane::mapping::read_watch_handle(file, 3);

    try {
        common::IniSettings settings(file);
        settings.get(common::kSettingsSection, "Filepath");
        const std::string value = " a%b\r\nc= [x] ";
        settings.set(common::kSettingsSection, "FuzzKey", value);
        common::IniSettings reread(file);
        if (reread.get(common::kSettingsSection, "fuzzkey") != value) {
            std::fprintf(stderr, "the settings store lost a value it had just written\n");
            std::abort();
        }
    } catch (const common::FileError&) {
    }
    return 0;
}
