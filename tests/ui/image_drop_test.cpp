// Files dragged onto the panel: the panel and its insert-tile button take local files (the
// first one becomes an image at the view's centre); anything else is refused.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

#include "render/image_cache.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

class ImageDropTest : public AppFixture {
protected:
    // Drags the data onto the widget and drops it; whether the widget took it.
    bool drag_and_drop(QWidget* target, const QMimeData& data) {
        QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        settle();
        return drop.isAccepted();
    }
    std::vector<drawing::RecordId> images() {
        std::vector<drawing::RecordId> out;
        for (auto id : doc().doc().modelspace())
            if (doc().doc().type(id) == "IMAGE") out.push_back(id);
        return out;
    }
};

TEST_F(ImageDropTest, ThePanelAndTheTileButtonTakeDroppedFilesAndRefuseText) {
    start();
    window()->new_drawing();
    QString red = dir.filePath("red.png"), blue = dir.filePath("blue.png");
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(red));
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(blue));

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(red), QUrl::fromLocalFile(blue)});
    ASSERT_TRUE(drag_and_drop(panel(), files));
    // Only the first becomes an image; which one and where is image_align.scn's.
    ASSERT_EQ(images().size(), 1u);

    // The insert-tile button takes drops too; text is refused.
    QWidget* button = panel()->widget_for("Picture1(1)");
    ASSERT_TRUE(button);
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(blue)});
    EXPECT_TRUE(drag_and_drop(button, one));
    EXPECT_EQ(images().size(), 2u);
    QMimeData text;
    text.setText(QStringLiteral("2543.00-548.00.jpg"));
    EXPECT_FALSE(drag_and_drop(panel(), text));
    EXPECT_EQ(images().size(), 2u);
    EXPECT_TRUE(unexpected_prompts.empty());
}

}  // namespace
}  // namespace korvane::ui::testing
