// Picking and selecting in the canvas on a known drawing: an entity under the
// pick box, nothing picked in empty space or on a layer that is off, windows
// dragged left to right (wholly inside) and right to left (crossing), picks
// added and removed, Enter and Esc, and a window at a host command's prompt.
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

class PickingTest : public AppFixture {
protected:
    host::DocumentPtr automation_doc() {
        host::HostError err;
        auto a = host().GetObject(host::kHostClass, err);
        return a ? a->ActiveDocument() : nullptr;
    }
    std::vector<std::string> select_on_screen() {
        auto d = automation_doc();
        auto sets = d->SelectionSets();
        auto set = sets->Add("t");
        std::vector<std::string> out;
        app->gate().run([&] { set->SelectOnScreen({}); });
        for (long i = 0; i < set->Count(); ++i) out.push_back(set->Item(i)->Handle());
        set->Delete();
        return out;
    }
    void click(double x, double y, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(canvas(), Qt::LeftButton, mods, screen_of(x, y));
    }
    void drag(double x0, double y0, double x1, double y1) {
        QPoint a = screen_of(x0, y0), b = screen_of(x1, y1);
        QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, a);
        // Through a middle point, as a hand moves.
        QTest::mouseMove(canvas(), (a + b) / 2);
        QTest::mouseMove(canvas(), b);
        QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, b);
    }
};

TEST_F(PickingTest, AClickPicksTheEntityUnderThePickBox) {
    start();
    make_squares();
    auto u = automation_doc()->Utility();
    answers.push_back([&] { click(5, 0.1); });  // on the bottom edge of the first square
    host::EntityPtr e;
    host::Point at;
    bool ok = false;
    app->gate().run([&] { ok = u->GetEntity(e, at, "选择实体"); });
    ASSERT_TRUE(ok);
    EXPECT_EQ(e->Handle(), sq1);
    // The host knows where the pick was made.
    EXPECT_NEAR(at.x, 5, 0.2);
    EXPECT_NEAR(at.y, 0.1, 0.2);
}

TEST_F(PickingTest, NothingIsPickedInEmptySpaceOrOnALayerThatIsOff) {
    start();
    make_squares();
    auto u = automation_doc()->Utility();
    host::EntityPtr e;
    host::Point at;
    // The middle of a square is five units from every edge: far outside the pick box.
    answers.push_back([&] { click(5, 5); });
    bool ok = true;
    app->gate().run([&] { ok = u->GetEntity(e, at, "选择实体"); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(transcript_has("未选择对象"));

    // The line of layer "隐藏" can be picked while the layer is on ...
    answers.push_back([&] { click(15, -4); });
    app->gate().run([&] { ok = u->GetEntity(e, at, "选择实体"); });
    ASSERT_TRUE(ok);
    EXPECT_EQ(e->Handle(), hidden_line);
    // ... but not once it is off.
    drawing::Document& d = doc().doc();
    drawing::set_layer_on(d, drawing::find_table_entry(d, "LAYER", "隐藏"), false);
    host().changed();
    settle();
    answers.push_back([&] { click(15, -4); });
    app->gate().run([&] { ok = u->GetEntity(e, at, "选择实体"); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(unexpected_prompts.empty());
}

TEST_F(PickingTest, WindowsDraggedLeftToRightTakeWhatLiesInsideRightToLeftWhatTheyCross) {
    start();
    make_squares();
    answers.push_back([&] {
        drag(-1, -1, 21, 11);  // the first two squares whole, the third only in part
        EXPECT_EQ(canvas()->pending_selection().size(), 2u);
        QTest::keyClick(canvas(), Qt::Key_Return);
    });
    EXPECT_EQ(select_on_screen(), (std::vector<std::string>{sq1, sq2}));
    answers.push_back([&] {
        drag(21, 11, 9, 1);  // crosses all three squares, misses the line below them
        QTest::keyClick(canvas(), Qt::Key_Return);
    });
    EXPECT_EQ(select_on_screen(), (std::vector<std::string>{sq1, sq2, sq3}));
    EXPECT_TRUE(unexpected_prompts.empty());
}

TEST_F(PickingTest, ClicksAddShiftClicksTakeAwayEnterEndsAndEscCancels) {
    start();
    make_squares();
    answers.push_back([&] {
        click(5, 0.1);
        click(15, 10);
        click(25, 0);
        click(5, 0.1, Qt::ShiftModifier);
        // Enter on the command line ends the selection as well.
        type_line("");
    });
    EXPECT_EQ(select_on_screen(), (std::vector<std::string>{sq2, sq3}));
    answers.push_back([&] {
        click(5, 0.1);
        QTest::keyClick(canvas(), Qt::Key_Escape);
    });
    EXPECT_TRUE(select_on_screen().empty());
    EXPECT_TRUE(transcript_has("*取消*"));
}

TEST_F(PickingTest, AWindowAnswersAHostCommandsObjectPrompt) {
    start();
    make_squares();
    // DRAWORDER: select objects (a window, then Enter), then the option (Enter: to the back).
    answers.push_back([&] { drag(9, -1, 31, 11); });
    answers.push_back([&] { type_line(""); });
    answers.push_back([&] { type_line("B"); });
    window()->enter_line("draworder");
    settle();
    EXPECT_TRUE(unexpected_prompts.empty());
    auto order = doc().modelspace();
    ASSERT_EQ(order.size(), 4u);
    // The two squares wholly inside the window now come first.
    EXPECT_EQ(drawing::Entity(doc().doc(), order[0]).handle_text(), sq2);
    EXPECT_EQ(drawing::Entity(doc().doc(), order[1]).handle_text(), sq3);
}

TEST_F(PickingTest, WheelZoomKeepsThePointUnderTheCursor) {
    start();
    make_squares();
    QPoint at = screen_of(25, 5);
    drawing::Point2 before = canvas()->to_world(at);
    double h = doc().view().height;
    canvas()->zoom_at(at, 2);
    drawing::Point2 after = canvas()->to_world(at);
    EXPECT_NEAR(doc().view().height, h / 2, 1e-9);
    EXPECT_NEAR(after.x, before.x, 1e-9);
    EXPECT_NEAR(after.y, before.y, 1e-9);
    // Panning by the middle button moves the drawing with the mouse.
    QPoint a = screen_of(5, 5), b = a + QPoint(40, -20);
    drawing::Point2 grabbed = canvas()->to_world(a);
    QTest::mousePress(canvas(), Qt::MiddleButton, Qt::NoModifier, a);
    QTest::mouseMove(canvas(), b);
    QTest::mouseRelease(canvas(), Qt::MiddleButton, Qt::NoModifier, b);
    drawing::Point2 moved = canvas()->to_world(b);
    EXPECT_NEAR(moved.x, grabbed.x, 1e-9);
    EXPECT_NEAR(moved.y, grabbed.y, 1e-9);
}

}  // namespace
}  // namespace korvane::ui::testing
