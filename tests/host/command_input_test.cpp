// The command line's input stream: Enters, blanks, expressions, and the hand-over to the
// input source when the text runs out; the parsing of typed answers.
#include <gtest/gtest.h>

#include "command_fixture.h"
#include "host/command_input.h"

namespace korvane::host::testing {

namespace {

std::vector<std::string> words(CommandInput& in) {
    std::vector<std::string> out;
    while (auto w = in.next_command()) out.push_back(*w);
    return out;
}

}  // namespace

TEST(CommandInputTest, CrLfIsOneEnterAndCrOrLfAloneAreOneEach) {
    RecordingInput src;
    CommandInput a("MSSX\r10\r\n300000\r\n", src);
    EXPECT_EQ(words(a), (std::vector<std::string>{"MSSX", "10", "300000"}));
    CommandInput b("x\n\ry\r\rz", src);
    // LF CR is two Enters (only CR LF is one), and so is CR CR: empty commands in between.
    EXPECT_EQ(words(b), (std::vector<std::string>{"x", "", "y", "", "z"}));
    EXPECT_TRUE(src.requests.empty()) << "the command prompt never asks the input source";
}

TEST(CommandInputTest, ABlankEndsAWordButNotATextLine) {
    RecordingInput src;
    CommandInput in("-wblock d:\\Temp Dwg.dxf\rY\r", src);
    EXPECT_EQ(in.next_command(), "-wblock");
    CommandToken file = in.next("输入文件名:", true);
    EXPECT_EQ(file.kind, CommandToken::Kind::Text);
    EXPECT_EQ(file.text, "d:\\Temp Dwg.dxf");
    EXPECT_EQ(in.next("?").text, "Y");
    EXPECT_TRUE(in.at_end());

    CommandInput words_in("u 45  2", src);
    EXPECT_EQ(words_in.next("a").text, "u");
    EXPECT_EQ(words_in.next("b").text, "45");
    EXPECT_EQ(words_in.next("c").kind, CommandToken::Kind::Enter) << "a second blank is an Enter of its own";
    EXPECT_EQ(words_in.next("d").text, "2") << "the end of the text ends the last word";
}

TEST(CommandInputTest, AnEmptyLineAtATextPromptIsAnEnterButBlanksAreText) {
    RecordingInput src;
    CommandInput in("\r  a b \r", src);
    EXPECT_EQ(in.next("p", true).kind, CommandToken::Kind::Enter);
    CommandToken t = in.next("p", true);
    EXPECT_EQ(t.kind, CommandToken::Kind::Text);
    EXPECT_EQ(t.text, "  a b ") << "text prompts keep the text as typed";
}

TEST(CommandInputTest, ExpressionsAreReadWholeAndTheirEnterOnlyHandsThemOver) {
    RecordingInput src;
    CommandInput in("(handent \"2F\")\r(handent \"30\") \r", src);
    CommandToken a = in.next("选择对象:");
    EXPECT_EQ(a.text, "(handent \"2F\")");
    CommandToken b = in.next("选择对象:");
    EXPECT_EQ(b.text, "(handent \"30\")");
    EXPECT_EQ(in.next("选择对象:").kind, CommandToken::Kind::Enter) << "the Enter after the blank ends the selection";
    EXPECT_TRUE(in.at_end());
    // A parenthesis inside the quoted handle does not end the expression.
    CommandInput odd("(handent \"a)b\") x", src);
    EXPECT_EQ(odd.next("p").text, "(handent \"a)b\")");
    EXPECT_EQ(odd.next("p").text, "x");
}

TEST(CommandInputTest, WhenTheTextRunsOutTheSourceIsAskedWithThePrompt) {
    RecordingInput src;
    src.point(1, 2);
    src.text("u 45");
    src.real(2.5);
    src.entity("2F");
    src.enter();
    CommandInput in("hatch\r", src);
    EXPECT_EQ(in.next_command(), "hatch");
    CommandToken p = in.next("指定点:");
    EXPECT_EQ(p.kind, CommandToken::Kind::Point);
    EXPECT_EQ(p.point, (Point{1, 2, 0}));
    ASSERT_EQ(src.requests.size(), 1u);
    EXPECT_EQ(src.requests[0].kind, InputKind::CommandLine);
    EXPECT_EQ(src.requests[0].prompt, "指定点:");
    EXPECT_FALSE(src.requests[0].allow_spaces);

    // Typed text goes through the same reading as sent text: a blank splits it.
    EXPECT_EQ(in.next("图案:").text, "u");
    EXPECT_EQ(in.next("角度:").text, "45");
    EXPECT_EQ(src.requests.size(), 2u) << "the second word came from the typed line, not a new question";
    CommandToken r = in.next("行距:");
    EXPECT_EQ(r.kind, CommandToken::Kind::Real);
    EXPECT_EQ(r.real, 2.5);
    CommandToken e = in.next("选择对象:");
    EXPECT_EQ(e.kind, CommandToken::Kind::Entity);
    EXPECT_EQ(e.handle, "2F");
    EXPECT_EQ(in.next("选择对象:").kind, CommandToken::Kind::Enter);
    EXPECT_EQ(in.next("选择对象:").kind, CommandToken::Kind::Cancel) << "no answer left counts as Esc";
    EXPECT_EQ(in.next_command(), std::nullopt) << "the command prompt does not ask";
}

TEST(CommandInputParseTest, NumbersAndPoints) {
    EXPECT_EQ(parse_real("45"), 45.0);
    EXPECT_EQ(parse_real("-2.5e3"), -2500.0);
    EXPECT_EQ(parse_real(".5"), 0.5);
    EXPECT_FALSE(parse_real(""));
    EXPECT_FALSE(parse_real("1,2"));
    EXPECT_FALSE(parse_real(" 1"));
    EXPECT_FALSE(parse_real("inf"));
    EXPECT_FALSE(parse_real("0x10"));
    EXPECT_FALSE(parse_real("1e"));
    EXPECT_EQ(parse_integer("34"), 34);
    EXPECT_FALSE(parse_integer("3.0"));

    EXPECT_EQ(parse_point("548100,2543050"), (Point{548100, 2543050, 0}));
    EXPECT_EQ(parse_point("1,2,3"), (Point{1, 2, 3}));
    EXPECT_EQ(parse_point("-1.5,2e2"), (Point{-1.5, 200, 0}));
    EXPECT_FALSE(parse_point("1,2,3,4"));
    EXPECT_FALSE(parse_point("1"));
    EXPECT_FALSE(parse_point("1,"));
    EXPECT_FALSE(parse_point("a,b"));
    Point last{10, 20, 5};
    EXPECT_EQ(parse_point("@5,-5", &last), (Point{15, 15, 5}));
    EXPECT_FALSE(parse_point("@5,-5")) << "relative input needs a last point";
    // Polar: a distance and an angle in degrees, from the origin or from the last point.
    auto polar = parse_point("@2<-90", &last);
    ASSERT_TRUE(polar);
    EXPECT_NEAR(polar->x, 10, 1e-12);
    EXPECT_NEAR(polar->y, 18, 1e-12);
    EXPECT_NEAR(parse_point("10<30")->y, 5, 1e-12);
    EXPECT_FALSE(parse_point("10<"));
    EXPECT_FALSE(parse_point("<30"));
}

TEST(CommandInputParseTest, KeywordsTakeTheirShortFormsAndUniquePrefixes) {
    std::vector<std::string> layer = {"?", "Make", "Set", "New", "ON", "OFF", "Color", "Freeze", "Thaw", "LOck",
                                      "Unlock"};
    EXPECT_EQ(match_keyword("s", layer), 2);
    EXPECT_EQ(match_keyword("SET", layer), 2);
    EXPECT_EQ(match_keyword("off", layer), 5);
    EXPECT_EQ(match_keyword("On", layer), 4);
    EXPECT_EQ(match_keyword("o", layer), -1) << "ON and OFF both start with o";
    EXPECT_EQ(match_keyword("lo", layer), 9);
    EXPECT_EQ(match_keyword("l", layer), 9) << "the only keyword starting with l";
    EXPECT_EQ(match_keyword("?", layer), 0);
    EXPECT_EQ(match_keyword("sx", layer), -1);

    std::vector<std::string> select = {"Window", "Last", "Crossing", "ALL", "Previous", "Add", "Remove", "Undo",
                                       "WPolygon", "CPolygon"};
    EXPECT_EQ(match_keyword("P", select), 4);
    EXPECT_EQ(match_keyword("all", select), 3);
    EXPECT_EQ(match_keyword("a", select), 5);
    EXPECT_EQ(match_keyword("wp", select), 8);
    EXPECT_EQ(match_keyword("w", select), 0);

    std::vector<std::string> clip = {"ON", "OFF", "Delete", "New"};
    EXPECT_EQ(match_keyword("NEW", clip), 3);
    EXPECT_EQ(match_keyword("n", clip), 3);
    std::vector<std::string> state = {"stAte", "Set"};
    EXPECT_EQ(match_keyword("a", state), 0) << "the capitals inside a keyword are its short form";
}

TEST(CommandInputParseTest, HandentExpressions) {
    EXPECT_EQ(parse_handent("(handent \"2F\")"), "2F");
    EXPECT_EQ(parse_handent("( HANDENT  \"1a\" )"), "1a");
    EXPECT_FALSE(parse_handent("(handent 2F)"));
    EXPECT_FALSE(parse_handent("(handentx \"2F\")"));
    EXPECT_FALSE(parse_handent("(handent \"2F\""));
    EXPECT_FALSE(parse_handent("(entlast)"));
}

TEST(CommandInputParseTest, WildcardNameLists) {
    EXPECT_TRUE(wildcard_match("*", "独有宗地"));
    EXPECT_TRUE(wildcard_match("*宗地", "争议宗地"));
    EXPECT_TRUE(wildcard_match("??宗地", "国有宗地")) << "? is one character, not one byte";
    EXPECT_FALSE(wildcard_match("?宗地", "国有宗地"));
    EXPECT_TRUE(wildcard_match("zd*", "ZD_1"));
    EXPECT_TRUE(wildcard_match("~zd*", "roads"));
    EXPECT_TRUE(wildcard_match("a#", "A7"));
    EXPECT_FALSE(wildcard_match("a#", "Ab"));
    EXPECT_TRUE(wildcard_match("a`*", "a*"));
    EXPECT_FALSE(wildcard_match("a`*", "ab"));
    EXPECT_TRUE(wildcard_list_match("界址点, 今后界址点", "今后界址点"));
    EXPECT_FALSE(wildcard_list_match("界址点,今后界址点", "工作记录"));
}

}  // namespace korvane::host::testing
