// A surveyor's round with the mouse: the attribute table opened from the panel, a parcel of the
// sample village picked in the drawing window, its code chosen from the table's list, saved —
// and the parcel re-layered and recoloured in the drawing.
#include <QInputMethodEvent>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "drawing/entity.h"
#include "ui/form_view.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

// Text as an input method commits it (Chinese cannot be typed key by key).
void type_into(QLineEdit* box, const QString& text) {
    box->setFocus();
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

TEST_F(AppFixture, AParcelPickedInTheDrawingIsFilledFromTheTableAndSaved) {
    start({kVillage});
    // The code table the program seeds into the data directory on a user's first start.
    std::filesystem::copy_file(std::string(KORVANE_SOURCE_DIR) + "/data/经济组织代码对照表.ini",
                               std::filesystem::path(dir.path().toStdString()) / "data" / "经济组织代码对照表.ini");
    auto* button = panel()->widget_as<QToolButton>("Picture1(15)");
    ASSERT_TRUE(button && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    settle();
    FormView* form = app->form_view("SXB");
    ASSERT_TRUE(form && form->isVisible());

    // Parcel 4A, picked just inside its southern edge, which it shares with parcel 45.
    doc().view().center = {547651.04, 2542790, 0};
    doc().view().height = 60;
    host().changed();
    settle();
    answers.push_back([&] { QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, screen_of(547650.89, 2542780.43)); });
    QTest::mouseClick(form->widget_as<QPushButton>("Command1"), Qt::LeftButton);
    settle();
    ASSERT_TRUE(unexpected_prompts.empty());
    EXPECT_EQ(form->widget_for("Frame1")->property("title").toString(), QStringLiteral("4A"));

    // Sole-owned, the code by a double click in the filtered list, the surveyor and the date.
    auto* sole = form->widget_as<QRadioButton>("Option1");
    QTest::mouseClick(sole, Qt::LeftButton, Qt::NoModifier, QPoint(8, sole->height() / 2));  // on its circle
    EXPECT_TRUE(sole->isChecked());
    auto* filter = form->widget_as<QLineEdit>("Text2");
    filter->setFocus();
    QTest::keyClicks(filter, "hp");
    settle();
    auto* list = form->widget_as<QListWidget>("Combo1");
    ASSERT_TRUE(list);
    ASSERT_GE(list->count(), 1);
    QRect first = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    EXPECT_EQ(form->widget_as<QLineEdit>("Text1(2)")->text(), QStringLiteral("440123101007"));
    type_into(form->widget_as<QLineEdit>("Text1(18)"), QStringLiteral("陈建国"));
    type_into(form->widget_as<QLineEdit>("Text1(19)"), QStringLiteral("12-06-2026"));
    QTest::mouseClick(form->widget_as<QPushButton>("Command2"), Qt::LeftButton);
    settle();

    drawing::Document& d = doc().doc();
    drawing::Entity parcel(d, d.find_handle("4A"));
    EXPECT_EQ(parcel.layer(), "独有宗地");
    EXPECT_EQ(parcel.color(), 4);
    EXPECT_EQ(parcel.xdata("South").size(), 22u);
    EXPECT_TRUE(transcript_has("修改完成"));
}

}  // namespace
}  // namespace korvane::ui::testing
