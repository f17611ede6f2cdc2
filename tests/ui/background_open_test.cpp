// Opening a drawing in the window: it is read on a thread of its own while the window goes on
// answering, and Cancel in its progress dialog leaves nothing opened.
#include <QProgressDialog>
#include <QPushButton>

#include "sample_gen.h"
#include "ui_fixture.h"

namespace korvane::ui::testing {
namespace {

class BackgroundOpenTest : public AppFixture {};

TEST_F(BackgroundOpenTest, TheWindowAnswersWhileADrawingIsReadAndCancelOpensNothing) {
    start();
    const std::string path = dir.path().toStdString() + "/parcels.dxf";
    samples::make_parcels(20000).save(path);
    const size_t before = host().document_count();

    // The window's own timers go on firing while the file is read.
    int ticks = 0;
    QTimer ticking;
    QObject::connect(&ticking, &QTimer::timeout, [&] { ++ticks; });
    ticking.start(1);
    // Cancel clicked as soon as the progress dialog exists (it shows only later).
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w)) {
                progress->findChild<QPushButton*>()->click();
                canceller.stop();
            }
    });
    canceller.start(1);

    EXPECT_FALSE(window()->open_file(QString::fromStdString(path)));
    EXPECT_EQ(host().document_count(), before);
    EXPECT_TRUE(window()->command_line()->history()->toPlainText().contains(QStringLiteral("已取消打开 parcels.dxf")));

    ticks = 0;
    ASSERT_TRUE(window()->open_file(QString::fromStdString(path)));
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(host().document_count(), before + 1);
    EXPECT_EQ(doc().path(), path);
}

}  // namespace
}  // namespace korvane::ui::testing
