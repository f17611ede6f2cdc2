#include "document.h"

namespace korvane::drawing {

// Placeholder until the full R2010 template lands: header, tables, blocks, entities, objects.
Document Document::create() {
    static const char* kTemplate =
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1024\n  9\n$DWGCODEPAGE\n  3\nANSI_936\n"
        "  9\n$HANDSEED\n  5\n20\n  0\nENDSEC\n"
        "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n";
    Document doc = parse(kTemplate, "new drawing");
    doc.eol_ = "\r\n";
    return doc;
}

}  // namespace korvane::drawing
