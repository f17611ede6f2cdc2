// Drafting in the drawing window: a menu entry starts its command, the snap marker shows the
// snap a click will land on (and the rubber band ends there), a click chooses an object whose
// grips show, and a dragged vertex grip snaps and moves the vertex in one undo step.
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTableWidget>
#include <QToolBar>

#include "host/object_snap.h"
#include "ui/properties_dock.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

class DraftingTest : public AppFixture {
protected:
    // Mouse moves delivered at once (QTest's go through the platform's cursor, late on a busy machine).
    void move_to(QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent ev(QEvent::MouseMove, QPointF(pos), canvas()->mapToGlobal(QPointF(pos)), Qt::NoButton, buttons,
                       Qt::NoModifier);
        QApplication::sendEvent(canvas(), &ev);
    }
    void move_to(double x, double y) { move_to(screen_of(x, y)); }
    QAction* menu_entry(const QString& name) { return window()->menuBar()->findChild<QAction*>(name); }
};

TEST_F(DraftingTest, SnapMarkerGripsAndAVertexDrag) {
    start();
    make_squares();
    ASSERT_TRUE(host::set_system_variable(doc(), "OSMODE", 1LL));  // endpoints
    QAction* line = menu_entry("LINE");
    ASSERT_TRUE(line);

    std::optional<host::SnapHit> first, second;
    std::optional<drawing::Point2> band_end_seen;
    answers.push_back([&] {
        move_to(10.3, 0.2);
        first = canvas()->snap();
        QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, screen_of(10.3, 0.2));
    });
    answers.push_back([&] {
        move_to(29.7, 9.8);
        second = canvas()->snap();
        QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, screen_of(29.7, 9.8));
    });
    answers.push_back([&] { app->input().answer(host::InputAnswer::enter()); });
    line->trigger();
    settle();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->mode, host::kSnapEndpoint);
    EXPECT_EQ(first->point, (host::Point{10, 0, 0}));
    EXPECT_EQ(second->point, (host::Point{30, 10, 0}));
    EXPECT_TRUE(transcript_has("命令: LINE"));
    drawing::RecordId drawn = doc().modelspace().back();
    drawing::EntityView e(doc().doc(), drawn);
    EXPECT_EQ(e.type(), "LINE");
    EXPECT_EQ(e.point(11), (drawing::Point3{30, 10, 0}));
    EXPECT_TRUE(unexpected_prompts.empty());

    // A click with no command running chooses the square: its four vertices are grips and the
    // properties panel shows it.
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, screen_of(5, 0.1));
    settle();
    ASSERT_EQ(canvas()->grips().size(), 4u);
    EXPECT_EQ(window()->properties()->title()->text(), QStringLiteral("多段线"));

    // The grip at (0,10) dragged near the hidden line's end snaps onto it.
    QPoint from = screen_of(0, 10), to = screen_of(0.25, -3.8);
    QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, from);
    move_to((from + to) / 2, Qt::LeftButton);
    move_to(to, Qt::LeftButton);
    ASSERT_TRUE(canvas()->snap());
    EXPECT_EQ(canvas()->snap()->point, (host::Point{0, -4, 0}));
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, to);
    settle();
    host::HostError err;
    auto square = host().GetObject(host::kHostClass, err)->ActiveDocument()->HandleToObject(sq1);
    // The move as one undo step is PropertiesModelTest's.
    EXPECT_EQ(square->Coordinates(), (std::vector<double>{0, 0, 10, 0, 10, 10, 0, -4}));

    // F3 switches running snaps off and on, the toolbar following OSMODE.
    QAction* osnap = window()->snap_toolbar()->findChild<QAction*>("OSNAP");
    ASSERT_TRUE(osnap && osnap->isChecked());
    osnap->trigger();
    EXPECT_EQ(std::get<long long>(host::get_system_variable(doc(), host(), "OSMODE")), 1 + host::kSnapSuppressed);
    EXPECT_FALSE(osnap->isChecked());
}

// The sample village with a parcel chosen (its record in the properties panel) while a polyline
// is drawn along its neighbours' corners, the cursor on the next corner. With
// KORVANE_SCREENSHOT_DIR set the window is saved there as drafting.png (the README's picture).
TEST_F(DraftingTest, APolylineDrawnAlongParcelCornersBesideAParcelsRecord) {
    start({kVillage});
    window()->resize(1280, 800);
    settle();
    ASSERT_TRUE(host::set_system_variable(doc(), "OSMODE", 1LL + 2 + 32));
    doc().view().center = {547712, 2542728, 0};
    doc().view().height = 80;
    host().changed();
    settle();
    drawing::RecordId parcel = doc().doc().find_handle(0x3C);
    canvas()->set_picked({parcel});
    settle();
    auto* table = window()->properties()->table();
    bool has_record = false;
    for (int r = 0; r < table->rowCount(); ++r) has_record = has_record || table->item(r, 0)->text() == "ZDH";
    EXPECT_TRUE(has_record);

    std::optional<host::SnapHit> marker;
    answers.push_back([&] { QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, screen_of(547675.2, 2542729.5)); });
    answers.push_back([&] { QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, screen_of(547711.3, 2542736.6)); });
    answers.push_back([&] {
        move_to(547706.4, 2542760.1);
        marker = canvas()->snap();
        QString dir = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR");
        if (!dir.isEmpty()) window()->grab().save(dir + "/drafting.png");
        app->input().cancel();
    });
    window()->enter_line("PLINE");
    settle();
    ASSERT_TRUE(marker);
    EXPECT_EQ(marker->mode, host::kSnapEndpoint);
    EXPECT_NEAR(marker->point.x, 547705.98, 0.01);
    EXPECT_TRUE(unexpected_prompts.empty());
}

}  // namespace
}  // namespace korvane::ui::testing
