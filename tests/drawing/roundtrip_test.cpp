// The tag reader and writer: what is read is written back as it was, value for value;
// only group-code lines are normalised, and saving never loses the previous file.
#include <gtest/gtest.h>

#include <filesystem>

#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;
namespace fs = std::filesystem;

namespace {

Document parse_clean(const std::string& text) {
    LoadReport report;
    Document doc = Document::parse(text, "t", &report);
    EXPECT_TRUE(report.warnings.empty()) << report.warnings.front();
    return doc;
}

}  // namespace

TEST(RoundTrip, UntouchedDrawingIsWrittenByteForByte) {
    EXPECT_EQ(parse_clean(r2010_text()).to_dxf(), r2010_text());
    EXPECT_EQ(parse_clean(r2010_text("\r\n")).to_dxf(), r2010_text("\r\n")) << "line ends follow the file";
    Document doc = parse_clean(r2010_text());
    EXPECT_FALSE(doc.modified());
    EXPECT_EQ(doc.acadver(), "AC1024");
    EXPECT_TRUE(doc.codec().is_utf8());
    EXPECT_EQ(doc.modelspace().size(), 6u) << "VERTEX, ATTRIB and SEQEND follow their owners";
}

TEST(RoundTrip, GroupCodesAreNormalisedAndValuesKeptVerbatim) {
    std::string in =
        "999\nwritten by a survey instrument\n0\nSECTION\n2\nENTITIES\n 0 \nPOINT\n8\n  padded layer  \n"
        "10\n1.50000\n20\n-0\n30\n1e3\n1000\n\n0\nENDSEC\n0\nEOF\n";
    Document doc = Document::parse(in, "t");
    std::string out = doc.to_dxf();
    EXPECT_EQ(out,
              "999\nwritten by a survey instrument\n  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n  8\n  padded layer  \n"
              " 10\n1.50000\n 20\n-0\n 30\n1e3\n1000\n\n  0\nENDSEC\n  0\nEOF\n");
    Entity p(doc, doc.modelspace().at(0));
    EXPECT_EQ(p.point(10), (Point3{1.5, 0, 1000}));
    EXPECT_EQ(p.layer(), "  padded layer  ") << "a text value is what is between the line ends";
}

TEST(RoundTrip, ByteOrderMarkAndBlankLinesAfterEofAreAccepted) {
    LoadReport report;
    Document doc = Document::parse("\xEF\xBB\xBF" + r2010_text() + "\n\n", "t", &report);
    EXPECT_TRUE(report.warnings.empty());
    EXPECT_EQ(doc.to_dxf(), r2010_text());
}

TEST(RoundTrip, SectionsAndRecordsNobodyKnowsAreKept) {
    Groups g = r2010_groups();
    Groups extra = {{0, "SECTION"}, {2, "ACDSDATA"}, {70, "2"}, {71, "6"}, {0, "ACDSSCHEMA"}, {90, "0"}, {1, "AcDb3DSolid"},
                    {0, "ENDSEC"},
                    {0, "SECTION"}, {2, "THUMBNAILIMAGE"}, {90, "4"}, {310, "DEADBEEF"}, {0, "ENDSEC"}};
    g.insert(g.end() - 1, extra.begin(), extra.end());
    auto ent = std::find(g.begin(), g.end(), std::pair<int, std::string>(0, "LINE"));
    Groups odd = {{0, "ACAD_PROXY_ENTITY"}, {5, "70"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"},
                  {100, "AcDbProxyEntity"}, {90, "498"}, {92, "4"}, {310, "00FF00FF"}, {94, "0"}};
    g.insert(ent, odd.begin(), odd.end());
    std::string text = dxf_text(g);
    Document doc = parse_clean(text);
    EXPECT_EQ(doc.to_dxf(), text);
    EXPECT_NE(doc.find_handle("70"), kNoRecord);
}

TEST(RoundTrip, HandseedIsKeptAsReadAndRaisedWhenHandlesAreGivenOut) {
    Groups g = replaced(r2010_groups(), 5, "100", "00100");
    Document doc = parse_clean(dxf_text(g));
    EXPECT_EQ(doc.next_handle(), 0x100u);
    EXPECT_NE(doc.to_dxf().find("$HANDSEED\n  5\n00100\n"), std::string::npos) << "written as read";
    doc.allocate_handle();
    doc.allocate_handle();
    EXPECT_NE(doc.to_dxf().find("$HANDSEED\n  5\n102\n"), std::string::npos) << "kept above every handle";

    // A seed below the handles in use is raised on load.
    LoadReport report;
    Document low = Document::parse(dxf_text(replaced(r2010_groups(), 5, "100", "20")), "t", &report);
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_NE(report.warnings[0].find("$HANDSEED 20 不大于所有句柄，已提高到 51"), std::string::npos);
    EXPECT_NE(low.to_dxf().find("$HANDSEED\n  5\n51\n"), std::string::npos);
}

TEST(RoundTrip, R12DrawingWithoutHeaderOrHandles) {
    std::string r12 =
        "  0\nSECTION\n  2\nENTITIES\n  0\nPOLYLINE\n  8\n宗地\n 66\n1\n 70\n1\n  0\nVERTEX\n  8\n宗地\n 10\n0.0\n 20\n0.0\n"
        "  0\nVERTEX\n  8\n宗地\n 10\n5.0\n 20\n0.0\n  0\nVERTEX\n  8\n宗地\n 10\n5.0\n 20\n5.0\n  0\nSEQEND\n  8\n宗地\n"
        "  0\nENDSEC\n  0\nEOF\n";
    // Without $ACADVER a drawing is R12, and R12's default code page is the ANSI one: Chinese
    // in UTF-8 bytes would not be valid there in general, so this one says GBK.
    std::string gbk = TextCodec::for_drawing("AC1009", "ANSI_936").encode(r12);
    std::string text = "  0\nSECTION\n  2\nHEADER\n  9\n$DWGCODEPAGE\n  3\nANSI_936\n  0\nENDSEC\n" + gbk;
    Document doc = parse_clean(text);
    EXPECT_TRUE(doc.is_r12());
    EXPECT_EQ(doc.to_dxf(), text);
    Entity pl(doc, doc.modelspace().at(0));
    EXPECT_EQ(pl.layer(), "宗地");
    EXPECT_EQ(pl.vertices().size(), 3u);
    EXPECT_TRUE(pl.closed());
    pl.set_vertices({{0, 0, 0}, {5, 0, 0}, {5, 5, 0}, {0, 5, 0}});
    Document again = parse_clean(doc.to_dxf());
    EXPECT_EQ(Entity(again, again.modelspace().at(0)).vertices().size(), 4u);
    EXPECT_EQ(again.to_dxf().find("\n  5\n"), std::string::npos) << "no handles where the drawing has none";
}

TEST(Save, ReplacesTheFileAndKeepsThePreviousOneAsBak) {
    TempDir dir;
    std::string file = dir / "村 1.dxf";
    Document doc = parse_clean(r2010_text());
    doc.save(file);
    EXPECT_EQ(read_file(file), r2010_text());
    EXPECT_FALSE(fs::exists(file + ".bak")) << "nothing to keep the first time";
    Entity(doc, doc.find_handle("49")).set_text("第二版");
    doc.save(file);
    EXPECT_EQ(read_file(file + ".bak"), r2010_text()) << "the previous version";
    EXPECT_NE(read_file(file).find("第二版"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2) << "no temporary file left";
    try {
        doc.save(dir / "no such folder" / "x.dxf");
        FAIL() << "saved into a folder that does not exist";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("no such folder"), std::string::npos) << e.what();
    }
}

TEST(RoundTrip, ALargeFileIsReadWholeAndItsTextCheckedForTheEncoding) {
    // Past 2 MB a file is read into a block of its own, and its text is checked whole before
    // value by value.
    const std::string head = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1024\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
    const std::string tail = "  0\nENDSEC\n  0\nEOF\n";
    std::string body;
    size_t count = 0;
    for (; body.size() < (size_t(3) << 20); ++count) body += "  0\nTEXT\n  8\n0\n  1\n地块 " + std::to_string(count) + "\n";
    TempDir dir;
    write_file(dir / "large.dxf", head + body + tail);
    Document doc = Document::load(dir.file("large.dxf"));
    EXPECT_EQ(doc.modelspace().size(), count);
    EXPECT_TRUE(doc.to_dxf() == Document::parse(head + body + tail, "t").to_dxf()) << "the same as read from memory";

    const std::string bad_text = "  0\nTEXT\n  1\n\xE5\xAE\n";
    write_file(dir / "bad.dxf", head + body + bad_text + tail);
    try {
        Document::load(dir.file("bad.dxf"));
        ADD_FAILURE() << "a value that is no UTF-8 is refused";
    } catch (const DxfError& e) {
        EXPECT_EQ(e.line(), size_t(std::count(head.begin(), head.end(), '\n') + std::count(body.begin(), body.end(), '\n') + 4));
    }
    // Bytes after EOF are no value: dropped with a warning, not refused.
    write_file(dir / "after_eof.dxf", head + body + tail + "\xE5\xAE\n");
    LoadReport report;
    EXPECT_EQ(Document::load(dir.file("after_eof.dxf"), &report).modelspace().size(), count);
    EXPECT_EQ(std::count_if(report.warnings.begin(), report.warnings.end(),
                            [](const std::string& w) { return w.find("0/EOF 之后的数据已舍弃") != std::string::npos; }),
              1);
}
