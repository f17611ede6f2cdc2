// The workbook template reader on arbitrary bytes: a package that opens must take a text and
// a number in its first sheet, and what it saves must open again with the same sheets.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/scratch.h"
#include "sheets/workbook.h"

using korvane::sheets::Workbook;
using korvane::sheets::WorkbookError;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto& scratch = korvane::fuzz::scratch();
    const auto file = scratch.put("template.xlsx", data, size);
    std::vector<std::string> sheets;
    std::string saved;
    try {
        Workbook book = Workbook::open(file);
        sheets = book.sheet_names();
        if (sheets.empty()) return 0;
        book.set_text(sheets.front(), "B3", "000123 权利人");
        book.set_number(sheets.front(), "AA10", 12.5);
        saved = book.to_bytes();
    } catch (const WorkbookError&) {
        return 0;
    }
    const auto again = scratch.put("saved.xlsx", reinterpret_cast<const uint8_t*>(saved.data()), saved.size());
    try {
        if (Workbook::open(again).sheet_names() != sheets) {
            std::fprintf(stderr, "a saved workbook opens with other sheets\n");
            std::abort();
        }
    } catch (const WorkbookError& e) {
        std::fprintf(stderr, "a workbook Korvane saved does not open: %s\n", e.what());
        std::abort();
    }
    return 0;
}
