#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "common/maimod.h"

using namespace korvane::common;

TEST(CommaField, OneBasedAndTrimmed) {
    EXPECT_EQ(comma_field("沟渠, 中 ,x", 2), "中");
    EXPECT_EQ(comma_field("上村村民小组,441523100201", 1), "上村村民小组");
    EXPECT_EQ(comma_field("上村村民小组,441523100201", 2), "441523100201");
    EXPECT_EQ(comma_field("a,,c", 2), "");
    EXPECT_EQ(comma_field("a,b,", 3), "");
    EXPECT_EQ(comma_field("备注,548213.70,2543871.20,2012-8-19,李四", 4), "2012-8-19");
    EXPECT_EQ(comma_field(" \tx ", 1), "\tx");  // blanks only
}

TEST(CommaField, OutOfRangeIsEmpty) {
    EXPECT_EQ(comma_field("a,b", 3), "");
    EXPECT_EQ(comma_field("a,b", 0), "");
    EXPECT_EQ(comma_field("a,b", -1), "");
    EXPECT_EQ(comma_field("", 1), "");
    EXPECT_EQ(comma_field("no comma", 1), "no comma");
}

TEST(PinyinInitials, ChineseText) {
    EXPECT_EQ(pinyin_initials("宗地"), "ZD");
    EXPECT_EQ(pinyin_initials("上村"), "SC");
    EXPECT_EQ(pinyin_initials("  张三 "), "ZS");  // the text is trimmed first
    EXPECT_EQ(pinyin_initials(""), "");
}

TEST(PinyinInitials, MixedTextKeepsOneCharacterPerCharacter) {
    EXPECT_EQ(pinyin_initials("第1村民小组A"), "D1CMXZA");
    EXPECT_EQ(pinyin_initials("sc村"), "SCC");
    EXPECT_EQ(pinyin_initials("宗 地"), "Z D");
    // Outside the table: level-2 characters, GBK extension characters and
    // characters GBK does not hold stand for themselves.
    EXPECT_EQ(pinyin_initials("深圳村"), "S圳C");
    EXPECT_EQ(pinyin_initials("亍"), "亍");
    EXPECT_EQ(pinyin_initials("😀村"), "😀C");
}

TEST(PinyinInitials, RangeBoundaries) {
    struct Case {
        const char* ch;
        const char* expected;
    };
    const Case cases[] = {
        {"啊", "A"}, {"澳", "A"}, {"芭", "B"}, {"怖", "B"}, {"擦", "C"},  // B0A1 B0C4 B0C5 B2C0 B2C1
        {"蛾", "E"}, {"贰", "E"}, {"发", "F"},                            // B6EA B7A1 B7A2
        {"祸", "H"}, {"击", "J"},                                        // BBF6 BBF7
        {"哦", "O"}, {"沤", "O"},                                        // C5B6 C5BD
        {"塌", "T"}, {"唾", "T"}, {"挖", "W"},                            // CBFA CDD9 CDDA
        {"孕", "Y"}, {"匝", "Z"}, {"座", "Z"},                            // D4D0 D4D1 D7F9
        {"盃", "盃"},                                                    // B0A0: just below A
    };
    for (const Case& c : cases) EXPECT_EQ(pinyin_initials(c.ch), c.expected) << c.ch;
}

TEST(PinyinInitials, CodesAreSignedSixteenBit) {
    auto code = [](unsigned v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); };
    EXPECT_EQ(pinyin_letter_of_code(code(0xB0A1)), 'A');
    EXPECT_EQ(pinyin_letter_of_code(code(0xB0A0)), '\0');
    EXPECT_EQ(pinyin_letter_of_code(code(0xD7FA)), 'Z');
    EXPECT_EQ(pinyin_letter_of_code(code(0xD7FB)), '\0');
    EXPECT_EQ(pinyin_letter_of_code(code(0xFEFE)), '\0');
    EXPECT_EQ(pinyin_letter_of_code(code(0x8140)), '\0');
    EXPECT_EQ(pinyin_letter_of_code('A'), '\0');  // single-byte codes match nothing
    EXPECT_EQ(pinyin_letter_of_code(0), '\0');
}

TEST(HandleExpression, QuotesTheHandle) {
    EXPECT_EQ(handle_expression("1A"), "(handent \"1A\")");
    EXPECT_EQ(handle_expression("2F"), "(handent \"2F\")");
}

TEST(DialogTexts, TitlesAndBuffers) {
    EXPECT_EQ(folder_browser_title(""), "选择驱动器和目录");
    EXPECT_EQ(folder_browser_title("选择影像目录"), "选择影像目录");
    EXPECT_EQ(text_before_nul(std::string("/data/tiles\0\0garbage", 21)), "/data/tiles");
    EXPECT_EQ(text_before_nul("no nul"), "no nul");
}

TEST(Azimuth, Quadrants) {
    const double q = std::atan(1.0);  // π/4
    EXPECT_NEAR(azimuth(0, 0, 1, 1), q, 1e-15);                    // north-east
    EXPECT_NEAR(azimuth(0, 0, 1, -1), kPi - q, 1e-15);             // south-east
    EXPECT_NEAR(azimuth(0, 0, -1, -1), q + kPi, 1e-15);            // south-west
    EXPECT_NEAR(azimuth(0, 0, -1, 1), -q, 1e-15);                  // north-west
    EXPECT_NEAR(azimuth(548000, 2543000, 548003, 2543004), std::atan(0.75), 1e-12);
}

TEST(Azimuth, AxesAndCoincidentPoints) {
    EXPECT_EQ(azimuth(0, 0, 0, 5), 0.0);         // north
    EXPECT_EQ(azimuth(0, 0, 0, -5), kPi);         // south, with the system's π
    EXPECT_NE(azimuth(0, 0, 0, -5), std::numbers::pi);
    EXPECT_NEAR(azimuth(0, 0, 5, 0), std::numbers::pi / 2, 1e-11);   // east: dy taken as 1E-12
    EXPECT_LT(azimuth(0, 0, 5, 0), std::numbers::pi / 2);
    EXPECT_NEAR(azimuth(0, 0, -5, 0), -std::numbers::pi / 2, 1e-11);  // west
    EXPECT_EQ(azimuth(3, 4, 3, 4), 0.0);          // A = B
}

namespace {
const std::vector<double> kSqX = {0, 10, 10, 0};
const std::vector<double> kSqY = {0, 0, 10, 10};
bool in_square(double x, double y) { return point_in_polygon(3, kSqX, kSqY, x, y); }
}  // namespace

TEST(PointInPolygon, InsideAndOutside) {
    EXPECT_TRUE(in_square(5, 5));
    EXPECT_TRUE(in_square(0.001, 9.999));
    EXPECT_FALSE(in_square(15, 5));
    EXPECT_FALSE(in_square(-0.001, 5));
    EXPECT_FALSE(in_square(1e6, -1e6));
    // Either winding.
    std::vector<double> cx = {0, 0, 10, 10}, cy = {0, 10, 10, 0};
    EXPECT_TRUE(point_in_polygon(3, cx, cy, 5, 5));
    EXPECT_FALSE(point_in_polygon(3, cx, cy, 11, 5));
}

TEST(PointInPolygon, OnEdgesIsInside) {
    EXPECT_TRUE(in_square(5, 0));
    EXPECT_TRUE(in_square(10, 5));
    EXPECT_TRUE(in_square(5, 10));
    EXPECT_TRUE(in_square(0, 5));  // the closing edge
    // On the line of an edge but beyond its end: outside.
    EXPECT_FALSE(in_square(15, 0));
    // A slanted edge at survey coordinates.
    std::vector<double> tx = {548000, 548100, 548000}, ty = {2543000, 2543100, 2543100};
    EXPECT_TRUE(point_in_polygon(2, tx, ty, 548050, 2543050));
}

TEST(PointInPolygon, AtVertices) {
    // Seen from a vertex, the vertex itself lies at azimuth 0: a neighbour due
    // south makes a change of π (an edge), otherwise the changes cancel.
    EXPECT_TRUE(in_square(0, 10));
    EXPECT_TRUE(in_square(10, 10));
    EXPECT_FALSE(in_square(0, 0));
    EXPECT_FALSE(in_square(10, 0));
}

TEST(PointInPolygon, RepeatedClosingVertexAndLastIndex) {
    std::vector<double> x = {0, 10, 10, 0, 0}, y = {0, 0, 10, 10, 0};
    EXPECT_TRUE(point_in_polygon(4, x, y, 5, 5));
    EXPECT_FALSE(point_in_polygon(4, x, y, 20, 5));
    EXPECT_TRUE(point_in_polygon(4, x, y, 0, 5));
    // Only vertices 0..last count: the triangle (0,0) (10,0) (10,10).
    EXPECT_FALSE(point_in_polygon(2, x, y, 2, 8));
    EXPECT_TRUE(point_in_polygon(2, x, y, 8, 2));
    EXPECT_FALSE(point_in_polygon(-1, x, y, 5, 5));
}

TEST(PointInPolygon, ConcaveNotch) {
    std::vector<double> x = {0, 10, 10, 5, 5, 0}, y = {0, 0, 5, 5, 10, 10};
    EXPECT_FALSE(point_in_polygon(5, x, y, 7, 7));
    EXPECT_TRUE(point_in_polygon(5, x, y, 2, 7));
    EXPECT_TRUE(point_in_polygon(5, x, y, 7, 2));
    EXPECT_TRUE(point_in_polygon(5, x, y, 7.5, 5));  // on the notch's edge
}
