// Text encodings of drawings: GBK up to R2004, UTF-8 from R2007, \U+XXXX escapes.
#include <gtest/gtest.h>

#include "drawing/document.h"
#include "drawing/text_codec.h"

using namespace korvane::drawing;

namespace {

const TextCodec gbk = TextCodec::for_drawing("AC1018", "ANSI_936");
const TextCodec latin = TextCodec::for_drawing("AC1015", "ANSI_1252");
const TextCodec utf8 = TextCodec::for_drawing("AC1024", "ANSI_936");

}  // namespace

TEST(Codec, VersionDecidesUtf8AndCodePageDecidesBefore) {
    EXPECT_TRUE(utf8.is_utf8()) << "R2010 is UTF-8 whatever $DWGCODEPAGE says";
    EXPECT_TRUE(TextCodec::for_drawing("AC1021", "ANSI_1252").is_utf8());
    EXPECT_EQ(gbk.iconv_name(), "CP936");
    EXPECT_EQ(TextCodec::for_drawing("AC1009", "ansi_936").iconv_name(), "CP936");
    EXPECT_EQ(TextCodec::for_drawing("AC1015", "").iconv_name(), "CP1252") << "no code page: the ANSI default";
    EXPECT_EQ(iconv_name_for_codepage("dos850"), "CP850");
    EXPECT_EQ(iconv_name_for_codepage(" ANSI_1251 "), "CP1251");
    TextCodec odd = TextCodec::for_drawing("AC1015", "ANSI_99999");
    EXPECT_FALSE(odd.known());
    EXPECT_EQ(odd.iconv_name(), "CP1252");
}

TEST(Codec, GbkRoundTripsChinese) {
    std::string text = "独有宗地 张三 JC0001 界址点";
    std::string raw = gbk.encode(text);
    EXPECT_EQ(raw.size(), 4 * 2 + 1 + 2 * 2 + 1 + 6 + 1 + 3 * 2);
    EXPECT_EQ(raw.substr(0, 2), "\xB6\xC0") << "独 is B6C0 in GBK";
    EXPECT_EQ(gbk.decode(raw), text);
    EXPECT_EQ(gbk.find_invalid(raw), std::string::npos);
}

TEST(Codec, CharactersOutsideTheCodePageBecomeEscapes) {
    // 한 (Hangul) is not in GBK; 𠀀 (U+20000) lies beyond the 16-bit range and travels
    // as a surrogate pair, as programs with 16-bit characters write it.
    std::string raw = gbk.encode("甲한乙𠀀丙");
    EXPECT_EQ(raw, "\xBC\xD7\\U+D55C\xD2\xD2\\U+D840\\U+DC00\xB1\xFB");
    EXPECT_EQ(gbk.decode(raw), "甲한乙𠀀丙");
    EXPECT_EQ(latin.encode("é张"), "\xE9\\U+5F20");
    EXPECT_EQ(latin.decode("\xE9\\U+5F20"), "é张");
    EXPECT_EQ(utf8.encode("𠀀한"), "𠀀한") << "UTF-8 drawings hold every character";
}

TEST(Codec, EscapesAreDecodedInEveryEncoding) {
    EXPECT_EQ(decode_unicode_escapes("\\U+5B97\\U+5730"), "宗地");
    EXPECT_EQ(decode_unicode_escapes("\\U+5b97"), "宗") << "lower-case digits occur too";
    EXPECT_EQ(decode_unicode_escapes("a\\U+D840\\U+DC00b"), "a𠀀b");
    EXPECT_EQ(decode_unicode_escapes("\\U+00020000"), "𠀀") << "eight digits, as some writers put them";
    EXPECT_EQ(utf8.decode("x\\U+00B0"), "x°");
    // What names no character stays as written.
    EXPECT_EQ(decode_unicode_escapes("\\U+D840x"), "\\U+D840x") << "lone surrogate";
    EXPECT_EQ(decode_unicode_escapes("\\U+0000"), "\\U+0000");
    EXPECT_EQ(decode_unicode_escapes("\\U+12"), "\\U+12") << "too short";
    EXPECT_EQ(decode_unicode_escapes("\\U+12G4"), "\\U+12G4");
    EXPECT_EQ(decode_unicode_escapes("C:\\Users\\U+"), "C:\\Users\\U+");
}

TEST(Codec, FindsInvalidBytes) {
    // GBK: a lead byte needs a trail byte in 40-FE other than 7F.
    EXPECT_EQ(gbk.find_invalid("ab\xB6"), 2u) << "lead byte at the end";
    EXPECT_EQ(gbk.find_invalid("\xB6\xC0\xB6\x7F"), 2u);
    EXPECT_EQ(gbk.find_invalid("\xFF"), 0u);
    EXPECT_EQ(gbk.find_invalid("\x80"), std::string::npos) << "0x80 is the euro sign in CP936";
    // UTF-8: no truncated sequences, overlong forms, surrogates or values beyond U+10FFFF.
    EXPECT_EQ(utf8.find_invalid("ok \xE5\xAE"), 3u);
    EXPECT_EQ(utf8.find_invalid("\xC0\xAF"), 0u);
    EXPECT_EQ(utf8.find_invalid("\xE0\x80\xAF"), 0u);
    EXPECT_EQ(utf8.find_invalid("\xED\xA0\x80"), 0u) << "a surrogate written as UTF-8";
    EXPECT_EQ(utf8.find_invalid("\xF4\x90\x80\x80"), 0u);
    EXPECT_EQ(utf8.find_invalid("宗地 𠀀"), std::string::npos);
    EXPECT_FALSE(is_valid_utf8("\xB6\xC0"));
    EXPECT_TRUE(is_valid_utf8("张三"));
}

TEST(Codec, GbkUserDefinedCharactersSurviveAndOneBadCharacterCostsOnlyItself) {
    // AAA1 is in GBK's first user-defined area (U+E000); iconv does not convert it.
    std::string raw = "\xD5\xC5\xAA\xA1\xC8\xFD";  // 张, user-defined, 三
    std::string text = gbk.decode(raw);
    EXPECT_EQ(text, "张\xEE\x80\x80三");
    EXPECT_EQ(gbk.encode(text), raw);
    EXPECT_EQ(gbk.encode("\xEE\x88\xB4"), "\xF8\xA1") << "U+E234 starts the second area";
    EXPECT_EQ(gbk.encode("\xEE\x93\x86"), "\xA1\x40") << "U+E4C6 starts the third area";
    EXPECT_EQ(gbk.decode("\xA1\x80"), "\xEE\x94\x85") << "the third area skips trail byte 7F";
    // D7FA is a structurally valid pair that maps to nothing: one replacement character.
    EXPECT_EQ(gbk.decode("\xD5\xC5\xD7\xFA\xC8\xFD"), "张\xEF\xBF\xBD三");
}

TEST(Codec, NewValuesAreEncodedForTheDrawingAndHoldNoLineBreak) {
    Document doc = Document::parse(
        "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1018\n9\n$DWGCODEPAGE\n3\nANSI_936\n0\nENDSEC\n0\nEOF\n", "gbk");
    Tag t = doc.make_text(1, "宗地\n二");
    EXPECT_EQ(doc.raw(t), "\xD7\xDA\xB5\xD8 \xB6\xFE");
    EXPECT_EQ(doc.text(t), "宗地 二");
}
