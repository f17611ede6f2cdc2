// A wheel step on the canvas shows the picture it has, scaled, with coordinates already in the
// new view; once the wheel rests the picture is a fresh renderer's.
#include <QWheelEvent>

#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

TEST_F(AppFixture, AWheelStepShowsTheNewViewAtOnceAndTheExactPictureOnceTheWheelRests) {
    start({kVillage});
    auto shown = [&] { return canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto fresh = [&] {
        QImage img(canvas()->size(), QImage::Format_RGB32);
        render::DrawingRenderer renderer;
        QPainter p(&img);
        renderer.render(p, doc(), host(), canvas()->size());
        return img;
    };
    const QPoint at(canvas()->width() / 3, canvas()->height() / 2);
    const drawing::Point2 under = canvas()->to_world(at);
    const double height = doc().view().height;
    QImage preview;
    for (int step = 0; step < 2; ++step) {  // each step shown before the next
        QWheelEvent e(at, canvas()->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas(), &e);
        preview = shown();
    }
    EXPECT_NEAR(doc().view().height, height / 1.5625, height * 1e-9);
    const double per_pixel = doc().view().height / canvas()->height();
    EXPECT_NEAR(canvas()->to_world(at + QPoint(100, 0)).x, under.x + 100 * per_pixel, per_pixel * 1e-6);
    EXPECT_NE(preview, fresh());
    QTRY_COMPARE_WITH_TIMEOUT(shown(), fresh(), 3000);
}

}  // namespace
}  // namespace korvane::ui::testing
