// Files dragged onto the panel: the panel and its insert-tile button take local files (the
// first one becomes an image at the view's centre); anything else is refused.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

#include "drawing/image.h"
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

TEST_F(ImageDropTest, TheFirstDroppedFileBecomesAnImageAtTheViewsCentre) {
    start();
    window()->new_drawing();
    doc().view().center = {500, 300, 0};
    QString red = dir.filePath("red.png"), blue = dir.filePath("blue.png");
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(red));
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(blue));

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(red), QUrl::fromLocalFile(blue)});
    ASSERT_TRUE(drag_and_drop(panel(), files));
    ASSERT_EQ(images().size(), 1u);
    drawing::RecordId first = images().front();
    EXPECT_EQ(drawing::image_file(doc().doc(), first), red.toStdString());
    auto corner = drawing::image_insertion(doc().doc(), first);
    EXPECT_DOUBLE_EQ(corner.x, 500);
    EXPECT_DOUBLE_EQ(corner.y, 300);

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
