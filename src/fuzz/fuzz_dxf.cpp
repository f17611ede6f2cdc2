// The DXF reader on arbitrary bytes: a file that loads must save, and what it saves must
// load again into the same drawing (the second save gives the same text as the first).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "drawing/document.h"

using korvane::drawing::Document;
using korvane::drawing::DxfError;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string first;
    try {
        Document doc = Document::parse(std::move(text), "fuzz.dxf");
        first = doc.to_dxf();
    } catch (const DxfError&) {
        return 0;  // refused with a message: fine
    }
    try {
        Document again = Document::parse(first, "fuzz-saved.dxf");
        std::string second = again.to_dxf();
        if (second != first) {
            std::fprintf(stderr, "a saved drawing does not load back as saved (%zu vs %zu bytes)\n", first.size(),
                         second.size());
            std::abort();
        }
    } catch (const DxfError& e) {
        std::fprintf(stderr, "a drawing Korvane saved does not load: %s\n", e.what());
        std::abort();
    }
    return 0;
}
