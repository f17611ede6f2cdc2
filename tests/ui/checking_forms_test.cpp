// The checking and batch forms in the real program: opened from the "处理" menu they stand as
// designed, level with the panel at the screen's right edge (and go back there when opened
// again); resizing the quality-check list's window moves its list and buttons by the form's rule.
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "panel/fck.h"
#include "ui/designed_form_view.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

TEST_F(AppFixture, ProcessingMenuOpensTheQualityListAsDesignedAtTheRightEdge) {
    start({kVillage});
    app->workspace().fck().click("FCK_YXCR_jianchayijian");
    settle();
    auto* view = qobject_cast<DesignedFormView*>(app->form_view("ZLJC"));
    ASSERT_TRUE(view);
    view->resize(view->width() + 100, view->height() + 150);
    settle();
    const common::FormModel& m = view->model();
    auto* list = view->widget_as<QListWidget>("List1");
    auto* add = view->widget_as<QPushButton>("Command2");
    EXPECT_EQ(list->geometry().bottom() + 1, view->px(m.height - 1000));
    EXPECT_EQ(list->width(), view->px(m.width - m.control("List1").left - 200));
    EXPECT_EQ(add->y(), view->px(m.height - 1000));
    EXPECT_EQ(view->widget_as<QPushButton>("Command1")->y(), view->px(120));

    // Where a form window opens is FormView's test; moved away, it goes back there.
    const QRect avail = QApplication::primaryScreen()->availableGeometry();
    view->move(avail.left() + 10, avail.top() + 300);
    app->workspace().fck().click("FCK_YXCR_jianchayijian");
    settle();
    EXPECT_EQ(view->frameGeometry().right(), avail.right());
    EXPECT_EQ(view->frameGeometry().top(), panel()->frameGeometry().top());
}

}  // namespace
}  // namespace korvane::ui::testing
