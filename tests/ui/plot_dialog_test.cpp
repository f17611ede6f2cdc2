// The drawing window's 打印... with the keyboard and the mouse: Ctrl+P opens the dialog, the
// scale is typed, the paper chosen from its list with the mouse, 打印 clicked, the frame clicked
// in the drawing; the PDF appears, and the scale and paper are offered again next time.
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>

#include "ui/plot_dialog.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

// Runs `act` on the dialog that Ctrl+P in the drawing window brings up.
void on_plot_dialog(DrawingWindow* window, const std::function<void(PlotDialog*)>& act) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    bool seen = false;
    QTimer::singleShot(150, [&] {
        auto* dialog = qobject_cast<PlotDialog*>(QApplication::activeModalWidget());
        if (dialog) act(dialog);
        seen = dialog != nullptr;
        if (dialog && dialog->isVisible()) dialog->reject();
    });
    QTest::keyClick(window->command_line()->input_line(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(seen);
}

// Opens the list of `box` with the mouse and clicks the entry whose data is `data`.
void pick_with_mouse(QComboBox* box, const QString& data) {
    QTest::mouseClick(box, Qt::LeftButton);
    QAbstractItemView* list = box->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    // A release right after the list opens is taken as the end of the opening click.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QRect entry = list->visualRect(box->model()->index(box->findData(data), 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
}

TEST_F(AppFixture, PlotsAFrameClickedInTheDrawingToPdf) {
    start();
    make_squares();
    const QString pdf = dir.path() + "/squares.pdf";
    answers.push_back([this] { QTest::mouseClick(canvas(), Qt::LeftButton, {}, screen_of(30, 5)); });
    on_plot_dialog(window(), [&](PlotDialog* d) {
        QTest::mouseDClick(d->scale_box()->lineEdit(), Qt::LeftButton);
        QTest::keyClick(d->scale_box()->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(d->scale_box()->lineEdit(), "500");
        pick_with_mouse(d->paper_box(), QStringLiteral("A4 横向"));
        d->file_box()->selectAll();
        QTest::keyClicks(d->file_box(), pdf);
        for (auto* b : d->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("打印")) QTest::mouseClick(b, Qt::LeftButton);
    });
    settle();
    EXPECT_TRUE(unexpected_prompts.empty());
    EXPECT_GT(QFileInfo(pdf).size(), 0);
    on_plot_dialog(window(), [](PlotDialog* d) {
        EXPECT_EQ(d->scale_box()->currentText(), "500");
        EXPECT_EQ(d->paper_box()->currentData().toString(), QStringLiteral("A4 横向"));
    });
}

}  // namespace
}  // namespace korvane::ui::testing
