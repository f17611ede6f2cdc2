#include <gtest/gtest.h>

#include "common/text.h"

using namespace korvane::common;

TEST(Text, CountsCharactersNotBytes) {
    EXPECT_EQ(length("经济组织"), 4u);
    EXPECT_EQ(length("A村1"), 3u);
    EXPECT_EQ(length(""), 0u);
    EXPECT_EQ(length("😀x"), 2u);
    // A stray byte is one character and is kept, never dropped.
    EXPECT_EQ(length("a\xFF" "b"), 3u);
    EXPECT_EQ(left("a\xFF" "b", 2), "a\xFF");
}

TEST(Text, LeftRightMidWorkOnCharacters) {
    std::string code = "440123456789";  // an ownership code
    EXPECT_EQ(left(code, 6), "440123");
    EXPECT_EQ(left(code, 9), "440123456");
    EXPECT_EQ(left("村委", 6), "村委");  // shorter than asked: all of it

    std::string dir = "/home/测量员/影像/二〇二四年/北区/片区一";
    EXPECT_EQ(left(dir, 13), "/home/测量员/影像/");
    EXPECT_EQ(right(dir, 15), "影像/二〇二四年/北区/片区一");
    EXPECT_EQ(right("ab", 5), "ab");
    EXPECT_EQ(right("ab", 0), "");

    EXPECT_EQ(mid("土地权利人", 3), "权利人");
    EXPECT_EQ(mid("土地权利人", 3, 2), "权利");
    EXPECT_EQ(mid("土地权利人", 5, 9), "人");
    EXPECT_EQ(mid("土地权利人", 6), "");
    EXPECT_THROW(mid("abc", 0), std::invalid_argument);
}

TEST(Text, TrimRemovesBlanksOnly) {
    EXPECT_EQ(trim("  张三 "), "张三");
    EXPECT_EQ(trim("\t张三\t"), "\t张三\t");
    // The ideographic space U+3000 is not a blank.
    EXPECT_EQ(trim("\u3000张三 "), "\u3000张三");
    EXPECT_EQ(trim("   "), "");
    EXPECT_EQ(trim_left("  a b  "), "a b  ");
    EXPECT_EQ(trim_right("  a b  "), "  a b");
}

TEST(Text, UpperCaseTouchesAsciiLettersOnly) {
    EXPECT_EQ(to_upper_ascii("filepath1"), "FILEPATH1");
    EXPECT_EQ(to_upper_ascii("sc村ｚ"), "SC村ｚ");  // full-width letters stay
    EXPECT_TRUE(iequals_ascii("ProgramUPdate", "PROGRAMupdate"));
    EXPECT_FALSE(iequals_ascii("Filepath", "Filepath1"));
}

TEST(Text, SplitKeepsEmptyFields) {
    EXPECT_EQ(split("a,,b,", ","), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(split("沟渠,中", ","), (std::vector<std::string>{"沟渠", "中"}));
    EXPECT_TRUE(split("", ",").empty());
    EXPECT_EQ(split("x |,y |,z", " |,"), (std::vector<std::string>{"x", "y", "z"}));
}

TEST(Text, ReplaceAll) {
    EXPECT_EQ(replace_all("a\\b\\c", "\\", "/"), "a/b/c");
    EXPECT_EQ(replace_all("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replace_all("abc", "", "x"), "abc");
}

TEST(Gbk, RoundTripsChineseText) {
    std::string s = "集体土地权属调查表 No.1，（东至）·";
    std::string gbk = utf8_to_gbk(s);
    EXPECT_EQ(gbk.substr(0, 4), "\xBC\xAF\xCC\xE5");  // 集体
    EXPECT_EQ(gbk_to_utf8(gbk), s);
}

TEST(Gbk, NamesTheCharacterItCannotEncode) {
    try {
        utf8_to_gbk("张三😀李");
        FAIL() << "expected an error";
    } catch (const GbkEncodeError& e) {
        EXPECT_EQ(e.code_point(), U'\U0001F600');
        EXPECT_EQ(e.char_position(), 3u);
        EXPECT_NE(std::string(e.what()).find("U+1F600"), std::string::npos);
    }
    EXPECT_EQ(gbk_to_utf8(utf8_to_gbk_lossy("张😀李")), "张?李");
}

TEST(Gbk, BadBytesBecomeReplacementCharacters) {
    // D7FA is not a GBK character; the rest of the text survives.
    EXPECT_EQ(gbk_to_utf8("a\xD7\xFA" "b"), "a\uFFFD" "b");
    EXPECT_EQ(gbk_to_utf8("\xFF" "b"), "\uFFFD" "b");
    // A lead byte cut off at the end.
    EXPECT_EQ(gbk_to_utf8("\xD5\xC5\xC8"), "张\uFFFD");
}

TEST(Gbk, LengthInBytes) {
    EXPECT_EQ(gbk_length("张三ab"), 6u);
    EXPECT_EQ(gbk_length("😀"), 1u);  // written as '?'
    EXPECT_EQ(gbk_bytes_of("张"), "\xD5\xC5");
    EXPECT_EQ(gbk_bytes_of("A"), "A");
    EXPECT_EQ(gbk_bytes_of("😀"), "");
}
