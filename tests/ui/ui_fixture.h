#pragma once
// The whole program on the offscreen platform: fresh settings, message boxes
// answered with their default button (and recorded), a data folder of its own.
// Prompts that wait for input are answered by queued actions (clicks on the
// canvas, lines typed on the command line) run once the prompt waits.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/settings.h"
#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/system_variables.h"
#include "panel/maifrm.h"
#include "panel/workspace.h"
#include "ui/application.h"
#include "ui/canvas.h"
#include "ui/command_gate.h"
#include "ui/command_line.h"
#include "ui/drawing_window.h"
#include "ui/interactive_input.h"
#include "ui/panel_view.h"

namespace korvane::ui::testing {

inline const std::string kVillage = std::string(KORVANE_SOURCE_DIR) + "/samples/village.dxf";

class AppFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    std::deque<std::function<void()>> answers;
    std::vector<std::string> unexpected_prompts;

    void start(std::vector<std::string> drawings = {}) {
        AppOptions o;
        o.drawings = std::move(drawings);
        o.fresh_settings = true;
        o.unattended = true;
        o.data_dir = dir.path().toStdString() + "/data";
        o.output_dir = dir.path().toStdString() + "/out";
        app = std::make_unique<Application>(o);
        QObject::connect(&app->input(), &InteractiveInput::request_started, [this] {
            std::function<void()> next;
            if (!answers.empty()) {
                next = std::move(answers.front());
                answers.pop_front();
            } else {
                // Nothing queued: record it and cancel, so that a test never hangs.
                unexpected_prompts.push_back(app->input().request().prompt);
                next = [this] { app->input().cancel(); };
            }
            QTimer::singleShot(0, next);
        });
        app->start();
        window()->resize(1000, 700);
        settle();
    }
    void TearDown() override {
        app.reset();
        settle();
    }

    static void settle() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }

    DrawingWindow* window() { return app->drawing_window(); }
    Canvas* canvas() { return window()->canvas(); }
    PanelView* panel() { return app->panel(); }
    host::EmbeddedHost& host() { return app->host(); }
    host::HostDocument& doc() { return *host().active(); }
    QLineEdit* input_line() { return window()->command_line()->input_line(); }

    // Types a line into the command line and presses Enter (text through the input method, so
    // that Chinese works as typed).
    void type_line(const QString& text) {
        QLineEdit* e = input_line();
        e->setFocus();
        e->setText(text);
        QTest::keyClick(e, Qt::Key_Return);
    }
    QPoint screen_of(double x, double y) { return canvas()->to_screen(x, y).toPoint(); }

    bool has_message(const std::string& fragment) const {
        for (const auto& m : app->messages())
            if (m.find(fragment) != std::string::npos) return true;
        return false;
    }
    bool transcript_has(const std::string& fragment) const {
        for (const auto& l : app->transcript().lines())
            if (l.find(fragment) != std::string::npos) return true;
        return false;
    }

    // A new drawing of three adjacent 10 x 10 squares from (0,0) to (30,10) on layer "宗地",
    // a line on layer "隐藏" at y = -4, viewed with (15, 3) in the middle and 30 units high.
    std::string sq1, sq2, sq3, hidden_line;
    void make_squares() {
        window()->new_drawing();
        drawing::Document& d = doc().doc();
        auto square = [&](double x) {
            auto id = drawing::add_lwpolyline(d, {{x, 0, 0}, {x + 10, 0, 0}, {x + 10, 10, 0}, {x, 10, 0}}, true, "宗地");
            return drawing::Entity(d, id).handle_text();
        };
        sq1 = square(0);
        sq2 = square(10);
        sq3 = square(20);
        hidden_line = drawing::Entity(d, drawing::add_line(d, {0, -4, 0}, {30, -4, 0}, "隐藏")).handle_text();
        doc().view().center = {15, 3, 0};
        doc().view().height = 30;
        host().changed();
        settle();
    }
};

}  // namespace korvane::ui::testing
