// A long session of typical work through the GUI on the sample village, on the offscreen
// platform: boundary-walk points added, viewed and confirmed, parcel records selected and
// saved, neighbours filled, image tiles inserted and drawn, undo and redo, saves, and now
// and then the drawing closed and opened again; the autosave runs at its default interval.
// The process's resident memory is sampled every 10 seconds.
//
//   korvane-long-session SECONDS [CSV]    (the sample: seconds,rss_mb a line)
//
// Exits 1 when a step fails or when memory at the end is more than 20% above memory after
// the first five minutes (for runs long enough to have them), 0 otherwise.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/settings.h"
#include "drawing/entity.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"
#include "ui/application.h"
#include "ui/command_gate.h"
#include "ui/drawing_window.h"
#include "ui/interactive_input.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

double rss_mb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

class Session {
public:
    Session(const fs::path& dir, const fs::path& village, const std::string& executable)
        : dir_(dir), village_(dir / "village.dxf") {
        fs::copy_file(village, village_, fs::copy_options::overwrite_existing);
        make_tiles();
        ui::AppOptions o;
        o.fresh_settings = true;
        o.unattended = true;
        o.data_dir = dir / "data";
        o.output_dir = dir / "out";
        o.drawings = {village_.string()};
        o.executable = executable;
        app_ = std::make_unique<ui::Application>(o);
        common::save_ini(app_->settings(), "Filepath", (dir / "tiles").string());
        QObject::connect(&app_->input(), &ui::InteractiveInput::request_started, [this] {
            QTimer::singleShot(0, [this] {
                if (!app_->input().waiting()) return;
                if (answers_.empty()) return app_->input().cancel();
                host::InputAnswer a = answers_.front();
                answers_.pop_front();
                app_->input().answer(a);
            });
        });
        app_->start();
        find_parcels();
    }

    // One round of work: about twenty actions at a surveyor's pace.
    void round(int n) {
        const double x = 547700 + (n % 40) * 15, y = 2542750 + (n % 30) * 15;
        panel::MaiFrm& walk = app_->workspace().maifrm();
        walk.set_text("Text1(0)", "08-20-2012");
        walk.set_text("Text1(1)", "测绘队");
        answer(host::InputAnswer::at({x, y, 0}));
        click(walk, "增加");
        if (auto* d = app_->host().active()) {
            auto ms = d->modelspace();
            if (!ms.empty()) {
                answer(host::InputAnswer::entity(drawing::Entity(d->doc(), ms.back()).handle_text()));
                click(walk, "查看");
                click(walk, "修改/确定");
            }
        }
        common::FormModel& sxb = app_->workspace().show_form("SXB");
        const std::string& parcel = parcels_[size_t(n) % parcels_.size()];
        answer(host::InputAnswer::entity(parcel));
        click(sxb, "选择");
        sxb.set_text("Text1(18)", "陈建国");
        sxb.set_text("Text1(19)", "12-06-2026");
        click(sxb, "保存");
        answer(host::InputAnswer::selection({parcels_[size_t(n) % parcels_.size()],
                                             parcels_[size_t(n + 1) % parcels_.size()]}));
        click(sxb, "统加");
        answer(host::InputAnswer::at({547650 + (n % 2) * 1000.0, 2542650, 0}));
        click(walk, "Picture1(1)");
        for (int i = 0; i < 3; ++i) step([this] { app_->drawing_window()->undo(); });
        for (int i = 0; i < 2; ++i) step([this] { app_->drawing_window()->redo(); });
        if (n % 5 == 4) step([this] { app_->drawing_window()->save_as(0, QString::fromStdString((dir_ / "out" / "work.dxf").string())); });
        if (n % 20 == 19) {
            // The day's drawing closed without saving and opened afresh.
            step([this] {
                auto* d = app_->host().active();
                if (d) d->doc().set_modified(false);
                app_->drawing_window()->close_document(0);
            });
            step([this] { app_->drawing_window()->open_file(QString::fromStdString(village_.string())); });
            find_parcels();
        }
    }

    bool failed() const { return failed_; }

private:
    fs::path dir_, village_;
    std::unique_ptr<ui::Application> app_;
    std::deque<host::InputAnswer> answers_;
    std::vector<std::string> parcels_;
    bool failed_ = false;

    void make_tiles() {
        fs::create_directories(dir_ / "tiles");
        for (int ky : {2542, 2543})
            for (int kx : {547, 548}) {
                QImage tile(1024, 1024, QImage::Format_RGB32);
                tile.fill(QColor(60 + (kx % 2) * 40, 110, 70 + (ky % 2) * 50));
                QPainter p(&tile);
                p.drawText(100, 100, QString::number(kx) + "," + QString::number(ky));
                p.end();
                tile.save(QString::fromStdString((dir_ / "tiles" / (std::to_string(ky) + ".00-" + std::to_string(kx) +
                                                                    ".00.jpg")).string()));
            }
    }

    void find_parcels() {
        parcels_.clear();
        auto* d = app_->host().active();
        if (!d) {
            failed_ = true;
            return;
        }
        for (drawing::RecordId id : d->modelspace()) {
            drawing::Entity e(d->doc(), id);
            if (e.is_polyline() && e.layer().find("宗地") != std::string::npos) parcels_.push_back(e.handle_text());
        }
        if (parcels_.empty()) failed_ = true;
    }

    void answer(host::InputAnswer a) { answers_.push_back(std::move(a)); }

    // An action, then a moment of the user's time with the windows drawing.
    void step(const std::function<void()>& action) {
        action();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 150) QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    void click(common::FormModel& form, const std::string& control) {
        step([&] { app_->gate().run([&] { form.click(control); }); });
        answers_.clear();  // answers a command did not ask for are not carried to the next
    }
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    std::ofstream csv;
    if (argc > 2) csv.open(argv[2]);
    QTemporaryDir dir;
    Session session(dir.path().toStdString(), fs::path(KORVANE_SOURCE_DIR) / "samples" / "village.dxf", argv[0]);
    QElapsedTimer clock;
    clock.start();
    double next_sample = 0, at_five_minutes = 0, last = 0;
    int rounds = 0;
    while (clock.elapsed() < seconds * 1000 && !session.failed()) {
        session.round(rounds++);
        double t = double(clock.elapsed()) / 1000;
        if (t >= next_sample) {
            last = rss_mb();
            std::printf("%.0f s\t%.1f MB\t%d rounds\n", t, last, rounds);
            std::fflush(stdout);
            if (csv) csv << int(t) << "," << last << "\n" << std::flush;
            if (at_five_minutes == 0 && t >= 300) at_five_minutes = last;
            next_sample += 10;
        }
    }
    last = rss_mb();
    std::printf("end: %d rounds, %.1f MB (after five minutes: %.1f MB)\n", rounds, last, at_five_minutes);
    if (session.failed()) {
        std::printf("a step failed\n");
        return 1;
    }
    if (at_five_minutes > 0 && last > at_five_minutes * 1.2) {
        std::printf("memory grew by more than 20%%\n");
        return 1;
    }
    return 0;
}
