// The main panel as the surveyor sees it: its load sequence with real message
// boxes (answered by default), the picture buttons with their tool tips and the
// menus they pop up, the fold label, the layer boxes driving the host, and the
// host-missing message once the drawing window is closed.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QToolButton>

#include "panel/fck.h"
#include "ui/panel_icons.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

// A menu as one line: entries by caption, "-" for a separator, "✓" after a checked entry,
// "(disabled)" marks dropped; a submenu as "caption[...]".
std::string outline(const QMenu* m) {
    std::string out;
    for (QAction* a : m->actions()) {
        if (!out.empty()) out += "|";
        if (a->isSeparator()) {
            out += "-";
        } else if (a->menu()) {
            out += a->text().toStdString() + "[" + outline(a->menu()) + "]";
        } else {
            out += a->text().toStdString();
            if (a->isChecked()) out += "✓";
        }
    }
    return out;
}

std::vector<QAction*> leaf_actions(const QMenu* m) {
    std::vector<QAction*> out;
    for (QAction* a : m->actions()) {
        if (a->isSeparator()) continue;
        if (a->menu()) {
            auto sub = leaf_actions(a->menu());
            out.insert(out.end(), sub.begin(), sub.end());
        } else {
            out.push_back(a);
        }
    }
    return out;
}

class PanelTest : public AppFixture {
protected:
    QToolButton* button(int i) { return panel()->widget_as<QToolButton>("Picture1(" + std::to_string(i) + ")"); }
    QMenu* pop(int i) {
        QTest::mouseClick(button(i), Qt::LeftButton);
        settle();
        return app->last_menu();
    }
    std::vector<drawing::LayerInfo> layers() { return drawing::layers(doc().doc()); }
    bool layer_on(const std::string& name) {
        for (const auto& l : layers())
            if (l.name == name) return l.on;
        ADD_FAILURE() << "no layer " << name;
        return false;
    }
};

TEST_F(PanelTest, TheLoadedPanelStandsOnTopAtTheScreensLeftEdge) {
    start();
    EXPECT_EQ(panel()->windowTitle().toStdString(), app->workspace().maifrm().caption);
    EXPECT_TRUE(panel()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(panel()->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(panel()->height(), panel()->px(panel::kFoldedHeight));
    QRect avail = panel()->screen()->availableGeometry();
    EXPECT_EQ(panel()->frameGeometry().left(), avail.left());
    EXPECT_FALSE(panel()->block()->isVisible());
}

TEST_F(PanelTest, PictureButtonsStandInOrderWithTheirTooltipsAndPictures) {
    start();
    int last_x = -1;
    for (int i = 0; i < 16; ++i) {
        QToolButton* b = button(i);
        ASSERT_TRUE(b) << i;
        const std::string name = "Picture1(" + std::to_string(i) + ")";
        EXPECT_EQ(b->toolTip().toStdString(), app->workspace().maifrm().control(name).tooltip) << i;
        EXPECT_GT(b->x(), last_x) << "button " << i << " out of order";
        last_x = b->x();
        // A picture of its own, drawn at 24 pixels with something on it.
        QImage img = b->icon().pixmap(24, 24).toImage();
        ASSERT_FALSE(img.isNull()) << i;
        int inked = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) inked += qAlpha(img.pixel(x, y)) > 0;
        EXPECT_GT(inked, 60) << "button " << i << " has hardly a picture";
        // A button works exactly when a command hangs on it (each tool enables its own).
        bool bound = bool(app->workspace().maifrm().control(name).on_click);
        EXPECT_EQ(b->isEnabled(), bound) << i;
    }
    // No two pictures alike.
    for (int i = 0; i < 16; ++i)
        for (int j = i + 1; j < 16; ++j)
            EXPECT_NE(panel_icon(i).pixmap(24, 24).toImage(), panel_icon(j).pixmap(24, 24).toImage()) << i << "," << j;
}

TEST_F(PanelTest, MenuButtonsPopUpTheMenuFormsMenusEntryForEntry) {
    start();
    auto& fck = app->workspace().fck();
    // The model's menu in the same one-line form as outline().
    std::function<std::string(const std::string&)> model = [&](const std::string& menu) {
        std::string out;
        for (const common::Control* c : fck.entries(menu)) {
            if (!out.empty()) out += "|";
            if (c->separator) out += "-";
            else if (c->kind == common::ControlKind::Menu) out += c->text + "[" + model(c->name) + "]";
            else out += c->text + (c->checked ? "✓" : "");
        }
        return out;
    };
    const int buttons[4] = {0, 3, 13, 14};
    for (int k = 0; k < 4; ++k) {
        QMenu* m = pop(buttons[k]);
        ASSERT_TRUE(m) << k;
        EXPECT_TRUE(m->isVisible());
        EXPECT_EQ(outline(m), model(panel::FCK::kMenus[k])) << k;
        // An entry is enabled exactly when a command hangs on it.
        for (QAction* a : leaf_actions(m))
            EXPECT_EQ(a->isEnabled(), bool(fck.control(a->objectName().toStdString()).on_click)) << a->text().toStdString();
    }
}

TEST_F(PanelTest, AMenuEntryReachesTheMenuFormThroughTheGate) {
    start();
    // An entry that a later tool enables: the click arrives at the model.
    auto& fck = app->workspace().fck();
    bool clicked = false;
    fck.control("FCK_STSZ_tiffiles").enabled = true;
    fck.control("FCK_STSZ_tiffiles").on_click = [&] { clicked = true; };
    QMenu* tools = pop(13);
    ASSERT_TRUE(tools);
    QAction* tif = nullptr;
    for (QAction* a : leaf_actions(tools))
        if (a->objectName() == "FCK_STSZ_tiffiles") tif = a;
    ASSERT_TRUE(tif);
    ASSERT_TRUE(tif->isEnabled());
    tif->trigger();
    EXPECT_TRUE(clicked);
}

TEST_F(PanelTest, FoldLabelSwitchesBetweenTheTwoHeights) {
    start();
    auto* fold = panel()->widget_as<QLabel>("Label1");
    ASSERT_TRUE(fold);
    QTest::mouseClick(fold, Qt::LeftButton);
    settle();
    EXPECT_EQ(panel()->height(), panel()->px(panel::kUnfoldedHeight));
    EXPECT_EQ(fold->text().toStdString(), "[ ▲ ]");  // the caption follows the model
    EXPECT_TRUE(panel()->block()->isVisible());
    QTest::mouseClick(fold, Qt::LeftButton);
    settle();
    EXPECT_EQ(panel()->height(), panel()->px(panel::kFoldedHeight));
    EXPECT_FALSE(panel()->block()->isVisible());
}

TEST_F(PanelTest, ALayerBoxClickReachesTheDrawingWindowsLayerList) {
    start({kVillage});
    auto* box = panel()->widget_as<QCheckBox>("Check1(4)");
    QTest::mouseClick(box, Qt::LeftButton);
    settle();
    EXPECT_TRUE(box->isChecked());
    bool listed = false;
    auto* list = window()->layer_list();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(2) == QStringLiteral("共有宗地")) {
            listed = true;
            EXPECT_EQ(list->topLevelItem(i)->checkState(0), Qt::Unchecked);
        }
    EXPECT_TRUE(listed);
}

// The notice it shows is the panel model's (PanelFixture.DoubleClickNotice).
TEST_F(PanelTest, DoubleClicksOnTheBackgroundAndTheHintLabelReachThePanelModel) {
    start();
    size_t before = app->messages().size();
    // Between the build stamp and the right edge nothing covers the panel.
    QTest::mouseDClick(panel(), Qt::LeftButton, Qt::NoModifier, QPoint(panel()->width() - 6, panel()->height() - 6));
    settle();
    EXPECT_EQ(app->messages().size(), before + 1);
    QTest::mouseDClick(panel()->widget_for("Label6"), Qt::LeftButton);
    settle();
    EXPECT_EQ(app->messages().size(), before + 2);
}

TEST_F(PanelTest, ACommandAfterTheDrawingWindowWasClosedOffersToShowItAgain) {
    start({kVillage});
    ASSERT_TRUE(host().running());
    window()->close();
    settle();
    EXPECT_FALSE(host().running());
    EXPECT_FALSE(window()->isVisible());
    auto* box = panel()->widget_as<QCheckBox>("Check1(7)");
    QTest::mouseClick(box, Qt::LeftButton);
    settle();
    EXPECT_TRUE(has_message("AutoCAD(、)没有运行或版本不符合！"));
    // The offer (answered with its default, 是) shows the window with the drawing still there.
    EXPECT_TRUE(has_message("现在显示绘图窗口吗？"));
    EXPECT_TRUE(host().running());
    EXPECT_TRUE(window()->isVisible());
    ASSERT_EQ(host().document_count(), 1u);
    size_t before = app->messages().size();
    QTest::mouseClick(box, Qt::LeftButton);
    settle();
    EXPECT_EQ(app->messages().size(), before);
}

TEST_F(PanelTest, NoSecondCommandStartsWhileOneWaitsForInput) {
    start({kVillage});
    auto* box = panel()->widget_as<QCheckBox>("Check1(7)");
    bool refused_state_checked = false;
    answers.push_back([&] {
        // The first command waits for the new pdmode value; the panel's box must not run now.
        QTest::mouseClick(box, Qt::LeftButton);
        QApplication::processEvents();
        refused_state_checked = true;
        EXPECT_FALSE(box->isChecked());
        EXPECT_TRUE(layer_on("独有宗地"));
        type_line("3");
    });
    window()->enter_line("pdmode");
    settle();
    EXPECT_TRUE(refused_state_checked);
    EXPECT_TRUE(unexpected_prompts.empty());
    EXPECT_EQ(std::get<long long>(host::get_system_variable(doc(), host(), "PDMODE")), 3);
    // The refusal was told on the command line.
    bool told = false;
    for (const auto& line : window()->command_line()->history()->toPlainText().split('\n'))
        told |= line.contains(QStringLiteral("命令正在进行"));
    EXPECT_TRUE(told);
}

TEST_F(PanelTest, TheBoundaryWalkBlockPutsEachCaptionBesideItsBox) {
    start();
    QTest::mouseClick(panel()->widget_for("Label1"), Qt::LeftButton);  // unfolded
    settle();
    PanelView& view = *panel();
    ASSERT_TRUE(view.block()->isVisible());
    auto center = [&](const char* name) { return view.widget_for(name)->mapTo(&view, view.widget_for(name)->rect().center()); };
    for (int i = 0; i < 6; ++i) {
        QPoint cap = center(("Label7(" + std::to_string(i) + ")").c_str());
        QPoint box = center(("Text1(" + std::to_string(i) + ")").c_str());
        EXPECT_NEAR(cap.y(), box.y(), 3) << i;
        EXPECT_LT(cap.x(), box.x()) << i;
    }
    // 统改 beside 标绘者 and beside 指界人.
    EXPECT_NEAR(center("Command4").y(), center("Text1(1)").y(), 3);
    EXPECT_GT(center("Command4").x(), center("Text1(1)").x());
    EXPECT_NEAR(center("Command5").y(), center("Text1(2)").y(), 3);
    // The presets under the boxes, the buttons below them; nothing left out.
    EXPECT_GT(center("Label3(0)").y(), center("Text1(2)").y());
    EXPECT_GT(center("Command1").y(), center("Label3(0)").y());
    // Everything fits in the unfolded height.
    for (const char* name : {"Command1", "Command3", "Label4", "Text1(5)"}) {
        QWidget* w = view.widget_for(name);
        EXPECT_LE(w->mapTo(&view, QPoint(0, w->height())).y(), view.height()) << name;
    }
}

}  // namespace
}  // namespace korvane::ui::testing
