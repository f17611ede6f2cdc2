// The command line: host commands typed there, their prompts answered by typed
// values, the tools' prompts (point, text, number) answered the same way, wrong
// answers refused with the host's words, Esc, and the history of typed lines.
#include <QLabel>
#include <QPlainTextEdit>

#include "host/command_frame.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

class CommandLineTest : public AppFixture {
protected:
    host::UtilityPtr utility() {
        host::HostError err;
        auto a = host().GetObject(host::kHostClass, err);
        return a ? a->ActiveDocument()->Utility() : nullptr;
    }
    long long pdmode() { return std::get<long long>(host::get_system_variable(doc(), host(), "PDMODE")); }
    // Runs a tool body the way the panel's handlers do: through the gate.
    void run_tool(const std::function<void()>& body) { app->gate().run(body); }
};

TEST_F(CommandLineTest, ATypedCommandAsksOnTheCommandLineAndTakesTheTypedAnswer) {
    start();
    window()->new_drawing();
    QString shown_prompt;
    answers.push_back([&] {
        shown_prompt = window()->command_line()->prompt_text();
        type_line("32");
    });
    QTest::keyClicks(input_line(), "pdmode");
    QTest::keyClick(input_line(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(unexpected_prompts.empty());
    EXPECT_TRUE(shown_prompt.contains(QStringLiteral("PDMODE"))) << shown_prompt.toStdString();
    EXPECT_EQ(pdmode(), 32);
    // The prompt is back to the command prompt; the history shows what happened.
    EXPECT_EQ(window()->command_line()->prompt_text(), QStringLiteral("命令:"));
    EXPECT_TRUE(window()->command_line()->history()->toPlainText().contains(QStringLiteral("命令: pdmode")));
    // One undo step takes the command back.
    window()->undo();
    EXPECT_EQ(pdmode(), 0);
}

TEST_F(CommandLineTest, ABlankEndsACommandNameAndEnterRepeatsTheLastCommand) {
    start();
    window()->new_drawing();
    answers.push_back([&] { type_line("2"); });
    QTest::keyClicks(input_line(), "pdmode");
    QTest::keyClick(input_line(), Qt::Key_Space);
    settle();
    EXPECT_EQ(pdmode(), 2);
    answers.push_back([&] { type_line("3"); });
    QTest::keyClick(input_line(), Qt::Key_Return);  // empty line: the last command again
    settle();
    EXPECT_EQ(pdmode(), 3);
    EXPECT_TRUE(unexpected_prompts.empty());
}

TEST_F(CommandLineTest, ToolPromptsTakeTypedPointsTextsAndNumbers) {
    start();
    window()->new_drawing();
    auto u = utility();
    ASSERT_TRUE(u);
    std::optional<host::Point> point;
    std::optional<std::string> text;
    std::optional<double> real;
    std::optional<long> integer;
    answers.push_back([&] { type_line("548100.5,2543100"); });
    answers.push_back([&] { type_line("沟渠, 中"); });
    answers.push_back([&] { type_line("2.75"); });
    answers.push_back([&] { type_line("42"); });
    run_tool([&] {
        point = u->GetPoint(std::nullopt, "请选择点位:");
        text = u->GetString(true, "输入:");
        real = u->GetReal("实数:");
        integer = u->GetInteger("整数:");
    });
    ASSERT_TRUE(point);
    EXPECT_DOUBLE_EQ(point->x, 548100.5);
    EXPECT_DOUBLE_EQ(point->y, 2543100);
    EXPECT_EQ(text, "沟渠, 中");
    EXPECT_EQ(real, 2.75);
    EXPECT_EQ(integer, 42);
    EXPECT_TRUE(unexpected_prompts.empty());
}

TEST_F(CommandLineTest, AWrongAnswerIsRefusedAndTheSamePromptWaitsUntilEsc) {
    start();
    window()->new_drawing();
    auto u = utility();
    bool still_waiting = false;
    QString note;
    answers.push_back([&] {
        type_line("abc");
        QApplication::processEvents();
        still_waiting = app->input().waiting();
        note = window()->command_line()->history()->toPlainText();
        QTest::keyClick(input_line(), Qt::Key_Escape);
    });
    std::optional<host::Point> point = host::Point{1, 1, 0};
    run_tool([&] { point = u->GetPoint(std::nullopt, "请选择点位:"); });
    EXPECT_TRUE(still_waiting);
    EXPECT_TRUE(note.endsWith(QStringLiteral("需要点。"))) << note.toStdString();
    EXPECT_FALSE(point);
    // The cancelled pick is an error the tools see.
    host::HostError err;
    EXPECT_EQ(host().GetObject(host::kHostClass, err)->Err().number, host::kErrFail);
}

TEST_F(CommandLineTest, TheArrowKeysRecallTypedLines) {
    start();
    window()->new_drawing();
    answers.push_back([&] { type_line("0"); });
    answers.push_back([&] { type_line("1"); });
    type_line("pdmode");
    settle();
    type_line("pdsize");
    settle();
    // Answers count as typed lines too: pdmode, 0, pdsize, 1.
    QTest::keyClick(input_line(), Qt::Key_Up);
    EXPECT_EQ(input_line()->text(), QStringLiteral("1"));
    QTest::keyClick(input_line(), Qt::Key_Up);
    EXPECT_EQ(input_line()->text(), QStringLiteral("pdsize"));
    QTest::keyClick(input_line(), Qt::Key_Up);
    EXPECT_EQ(input_line()->text(), QStringLiteral("0"));
    QTest::keyClick(input_line(), Qt::Key_Down);
    EXPECT_EQ(input_line()->text(), QStringLiteral("pdsize"));
}

TEST_F(CommandLineTest, UndoRedoAndF1WorkWhileTheLineHasTheFocus) {
    start();
    window()->new_drawing();
    answers.push_back([&] { type_line("32"); });
    type_line("pdmode");
    settle();
    ASSERT_EQ(pdmode(), 32);
    window()->show();
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    input_line()->setFocus();
    // Ctrl+Z and Ctrl+Y undo and redo the drawing, not the typing in the line.
    QTest::keyClick(input_line(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pdmode(), 0);
    settle();  // the window enables its redo once it has refreshed
    QTest::keyClick(input_line(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(pdmode(), 32);
    // F1: the command list, a line each.
    QTest::keyClick(input_line(), Qt::Key_F1);
    QString shown = window()->command_line()->history()->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("LINE (L)"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("绘制直线")));
}

TEST_F(CommandLineTest, WithoutADrawingACommandSaysSo) {
    start();
    type_line("pdmode");
    settle();
    EXPECT_TRUE(window()->command_line()->history()->toPlainText().contains(QStringLiteral("没有打开的图形")));
    EXPECT_TRUE(unexpected_prompts.empty());
}

}  // namespace
}  // namespace korvane::ui::testing
