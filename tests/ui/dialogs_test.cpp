// Dialogs as a surveyor meets them: Qt's own texts in Chinese, every dialog in
// front of the always-on-top forms with the keyboard focus, and the drawing
// window's close asking about each modified drawing.
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include "drawing/create.h"
#include "ui/form_view.h"
#include "ui/placement.h"
#include "ui/qt_ui_service.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

TEST(Translations, MessageBoxButtonsAreChinese) {
    QMessageBox box(QMessageBox::Question, "提示", "继续？", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text().toStdString(), "确定");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), "取消");
}

// Runs `inspect` on the dialog that comes up while `show` runs, then presses its button
// of that text.
void with_dialog(const std::function<void()>& show, const std::function<void(QWidget*)>& inspect,
                 const QString& press) {
    bool seen = false;
    QTimer::singleShot(150, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        seen = true;
        inspect(dialog);
        for (auto* b : dialog->findChildren<QPushButton*>())
            if (b->text() == press) b->click();
    });
    show();
    EXPECT_TRUE(seen);
}

class DialogTest : public AppFixture {};

TEST_F(DialogTest, AMessageBoxComesAboveTheTopmostFormWithTheFocus) {
    start({kVillage});
    app->workspace().show_form("SXB");
    settle();
    FormView* form = app->form_view("SXB");
    ASSERT_TRUE(form && form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    form->activateWindow();
    settle();
    app->ui().set_unattended(false);
    with_dialog(
        [&] { app->ui().message_box("修改完成！", "提示", common::MsgIcon::Exclamation, common::MsgButtons::OK); },
        [&](QWidget* box) {
            EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            EXPECT_EQ(box->windowHandle()->transientParent(), form->windowHandle());
            EXPECT_EQ(QApplication::activeWindow(), box);
        },
        "确定");
}

TEST_F(DialogTest, ClosingTheDrawingWindowAsksAboutChangesAndCancelKeepsItOpen) {
    start({kVillage});
    drawing::add_line(doc().doc(), {0, 0, 0}, {10, 0, 0}, "0");
    window()->ask_save_answer = nullptr;
    auto buttons = [](QWidget* box) {
        QStringList texts;
        for (auto* b : box->findChildren<QPushButton*>()) texts << b->text();
        texts.sort();
        return texts.join('|').toStdString();
    };
    std::string offered;
    with_dialog([&] { window()->close(); }, [&](QWidget* box) { offered = buttons(box); }, "取消");
    EXPECT_EQ(offered, "不保存|保存|取消");
    EXPECT_TRUE(window()->isVisible());
    EXPECT_TRUE(host().running());

    with_dialog([&] { window()->close(); }, [](QWidget*) {}, "不保存");
    EXPECT_FALSE(window()->isVisible());
    EXPECT_FALSE(host().running());
    // The panel's way back; the drawing is still open, with its change.
    std::unique_ptr<QMenu> menu(panel()->make_context_menu());
    QAction* show = menu->findChild<QAction*>("ShowDrawingWindow");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show->text().toStdString(), "显示绘图窗口(&D)");
    show->trigger();
    settle();
    EXPECT_TRUE(window()->isVisible());
    ASSERT_EQ(host().document_count(), 1u);
    EXPECT_TRUE(doc().doc().modified());
}

TEST(Startup, ADataDirectoryThatCannotBeMadeIsReportedInTheGui) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    AppOptions o;
    o.fresh_settings = o.unattended = true;
    o.data_dir = dir.filePath("file/data").toStdString();  // under a file: cannot be made
    o.output_dir = dir.filePath("out").toStdString();
    Application app(o);
    app.start();
    bool told = false;
    for (const auto& m : app.messages()) told |= m.find("[错误] 数据目录无法建立或填充") != std::string::npos;
    EXPECT_TRUE(told);
}

TEST(Placement, AWindowPartlyOffTheScreenIsMovedOntoIt) {
    const QRect screen(0, 0, 1366, 768);
    const struct {
        QRect frame, expected;
    } cases[] = {
        {{100, 100, 600, 400}, {100, 100, 600, 400}},    // on the screen: stays
        {{1200, 600, 600, 400}, {766, 368, 600, 400}},   // off the right and bottom edges
        {{-300, -40, 600, 400}, {0, 0, 600, 400}},       // title bar above the top edge
        {{470, 0, 1200, 900}, {166, 0, 1200, 768}},      // taller than the screen: shrunk too
    };
    for (const auto& c : cases) EXPECT_EQ(fit_on_screen(c.frame, screen), c.expected) << c.frame.x();
}

}  // namespace
}  // namespace korvane::ui::testing
