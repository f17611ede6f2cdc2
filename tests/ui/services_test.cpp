// The Qt UI service (dialog filters, unattended answers, waiting and timers that
// keep events flowing) and the generic form window (widgets kept in step with
// the model in both directions, actions refused while a command runs).
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include "common/settings.h"
#include "ui/command_gate.h"
#include "ui/form_view.h"
#include "ui/qt_ui_service.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

TEST(QtUiService, DialogFiltersTakeQtsForm) {
    EXPECT_EQ(QtUiService::qt_filter("文本文件 (*.TXT)|*.TXT|所有文件 (*.*)|*.*").toStdString(),
              "文本文件 (*.TXT);;所有文件 (*.*)");
    // A name without its patterns gets them; several patterns are separated by blanks.
    EXPECT_EQ(QtUiService::qt_filter("图像|*.jpg;*.tif").toStdString(), "图像 (*.jpg *.tif)");
    EXPECT_EQ(QtUiService::qt_filter("").toStdString(), "");
}

TEST(QtUiService, UnattendedMessagesTakeTheDefaultButtonAndAreReported) {
    common::MemorySettings settings;
    QtUiService ui(settings, common::Paths{});
    ui.set_unattended(true);
    std::vector<std::string> lines;
    ui.on_message = [&](const std::string& l) { lines.push_back(l); };
    using common::MsgButtons;
    using common::MsgIcon;
    using common::MsgResult;
    EXPECT_EQ(ui.message_box("修改完成！", "提示", MsgIcon::Exclamation, MsgButtons::OK), MsgResult::OK);
    EXPECT_EQ(ui.message_box("继续？", "提示", MsgIcon::Question, MsgButtons::YesNo), MsgResult::Yes);
    EXPECT_EQ(ui.message_box("再试？", "错误", MsgIcon::Critical, MsgButtons::RetryCancel), MsgResult::Retry);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("[提示] 修改完成！"), std::string::npos);
    EXPECT_FALSE(ui.file_dialog({}).has_value());
    EXPECT_EQ(ui.browse_folder("选择"), "");
}

TEST(QtUiService, WaitingAndTimersKeepEventsFlowing) {
    common::MemorySettings settings;
    QtUiService ui(settings, common::Paths{});
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    ui.wait(0.08);
    EXPECT_TRUE(fired);
    int ticks = 0;
    int id = ui.start_timer(0.01, [&] { ++ticks; });
    ui.wait(0.15);
    EXPECT_GE(ticks, 3);
    ui.stop_timer(id);
    int stopped_at = ticks;
    ui.wait(0.05);
    EXPECT_EQ(ticks, stopped_at);
}

TEST(QtUiService, EscOnTheProgressDialogCancelsTheLongCommand) {
    common::MemorySettings settings;
    QtUiService ui(settings, common::Paths{});
    ui.begin_progress("统加", 1000);
    ASSERT_NE(ui.progress_dialog(), nullptr);
    ui.progress_dialog()->show();
    long done = 0;
    QElapsedTimer t;
    t.start();
    // The user presses Esc a moment into the run; the loop sees it at its next step.
    QTimer::singleShot(60, [&] { QTest::keyClick(ui.progress_dialog(), Qt::Key_Escape); });
    while (done < 1000 && t.elapsed() < 5000) {
        if (!ui.progress(done)) break;
        ++done;
        QThread::msleep(1);
    }
    EXPECT_LT(done, 1000) << "Esc stopped the run";
    EXPECT_GT(done, 0);
    ui.end_progress();
    EXPECT_EQ(ui.progress_dialog(), nullptr);
    // Unattended, nothing is shown and nothing cancels.
    ui.set_unattended(true);
    ui.begin_progress("统加", 10);
    EXPECT_EQ(ui.progress_dialog(), nullptr);
    EXPECT_TRUE(ui.progress(5));
    ui.end_progress();
}

TEST(FormView, WidgetsFollowTheModelAndTheUserDrivesTheModel) {
    using K = common::ControlKind;
    common::FormModel m("Test");
    m.caption = "测试窗体";
    m.add("Label1", K::Label, "名称：");
    auto& box = m.add("Text1", K::TextBox, "初始");
    std::string changed_to;
    box.on_change = [&] { changed_to = m.control("Text1").text; };
    auto& check = m.add("Check1", K::CheckBox, "选项");
    int check_clicks = 0;
    check.on_click = [&] { ++check_clicks; };
    auto& list = m.add("List1", K::ListBox);
    list.items = {"甲", "乙", "丙"};
    int dbl = -1;
    list.on_dblclick = [&] { dbl = m.control("List1").list_index; };
    auto& button = m.add("Command1", K::Button, "保存");
    int saves = 0;
    button.on_click = [&] { ++saves; };
    CommandGate gate;
    FormView view(m, gate);
    view.build();
    view.resize(400, 400);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(view.windowTitle(), QStringLiteral("测试窗体"));

    // The user types: the model's text changes and its handler runs.
    auto* edit = view.widget_as<QLineEdit>("Text1");
    ASSERT_TRUE(edit);
    edit->clear();
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(m.control("Text1").text, "abc");
    EXPECT_EQ(changed_to, "abc");
    // The model changes from code: the box shows it.
    m.control("Text1").text = "张三";
    m.changed(m.control("Text1"));
    EXPECT_EQ(edit->text(), QStringLiteral("张三"));

    auto* cb = view.widget_as<QCheckBox>("Check1");
    QTest::mouseClick(cb, Qt::LeftButton, Qt::NoModifier, QPoint(8, cb->height() / 2));
    EXPECT_EQ(m.control("Check1").value, 1);
    EXPECT_EQ(check_clicks, 1);
    EXPECT_TRUE(view.widget_as<QCheckBox>("Check1")->isChecked());

    auto* lw = view.widget_as<QListWidget>("List1");
    ASSERT_EQ(lw->count(), 3);
    QRect r = lw->visualItemRect(lw->item(1));
    // A click, then the double click on the same item (as a hand does).
    QTest::mouseClick(lw->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseDClick(lw->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_EQ(dbl, 1);

    // Disabled in the model: disabled on screen.
    m.control("Command1").enabled = false;
    m.changed(m.control("Command1"));
    EXPECT_FALSE(view.widget_as<QPushButton>("Command1")->isEnabled());
    m.control("Command1").enabled = true;
    m.changed(m.control("Command1"));

    // While a command runs, a click does nothing.
    bool refused = false;
    gate.on_refused = [&](const std::string&) { refused = true; };
    gate.run([&] { QTest::mouseClick(view.widget_as<QPushButton>("Command1"), Qt::LeftButton); });
    EXPECT_TRUE(refused);
    EXPECT_EQ(saves, 0);
    QTest::mouseClick(view.widget_as<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(saves, 1);

    // The caption label stands on the row of its box.
    QWidget* cap = view.widget_for("Label1");
    EXPECT_NEAR(cap->geometry().center().y(), edit->geometry().center().y(), 4);
}

TEST(FormView, AFormWindowStandsAtTheRightEdgeLevelWithThePanel) {
    common::FormModel m("TestForm");  // outlives the application's window of it
    m.caption = "测试";
    m.topmost = true;
    m.add("Command1", common::ControlKind::Button, "确定");
    QTemporaryDir dir;
    AppOptions o;
    o.fresh_settings = true;
    o.unattended = true;
    o.data_dir = dir.path().toStdString();
    Application app(o);
    app.start();
    QApplication::processEvents();
    // The menu form is never shown.
    EXPECT_EQ(app.form_view("FCK"), nullptr);
    FormView* v = app.show_form(m);
    QApplication::processEvents();
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->isVisible());
    EXPECT_TRUE(v->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QRect avail = v->screen()->availableGeometry();
    EXPECT_EQ(v->frameGeometry().right(), avail.right());
    EXPECT_EQ(v->frameGeometry().top(), app.panel()->frameGeometry().top());
    // Opening it again shows the same window.
    EXPECT_EQ(app.show_form(m), v);
}

}  // namespace
}  // namespace korvane::ui::testing
