#include <gtest/gtest.h>

#include "drawing/document.h"
#include "drawing/entity.h"

using namespace korvane::drawing;

TEST(TagReader, KeepsValueTextExactly) {
    std::string dxf = "0\nSECTION\n2\nENTITIES\n0\nPOINT\n5\n2F\n8\n0\n10\n  1.50\n20\n2\n30\n0\n0\nENDSEC\n0\nEOF\n";
    Document doc = Document::parse(dxf, "t");
    std::string out = doc.to_dxf();
    EXPECT_NE(out.find(" 10\n  1.50\n"), std::string::npos) << out;
}
