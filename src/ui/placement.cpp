#include "ui/placement.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace korvane::ui {

QRect fit_on_screen(const QRect& frame, const QRect& available) {
    if (available.isEmpty()) return frame;
    QRect r(frame.topLeft(), QSize(std::min(frame.width(), available.width()), std::min(frame.height(), available.height())));
    r.moveLeft(std::clamp(r.left(), available.left(), available.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), available.top(), available.bottom() + 1 - r.height()));
    return r;
}

QRect available_area(const QWidget* window) {
    QScreen* s = window ? window->screen() : nullptr;
    if (!s) s = QApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1600, 900);
}

namespace {

// The height of the window manager's title bar: known once the window is shown, guessed before.
int title_height(const QWidget* w) {
    int known = w->frameGeometry().height() - w->height();
    if (w->isVisible() && known > 0) return known;
    return w->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 6;
}

}  // namespace

void place_window(QWidget* window, const QRect& frame) {
    QRect r = fit_on_screen(frame, available_area(window));
    window->resize(r.width(), std::max(1, r.height() - title_height(window)));
    window->move(r.topLeft());  // a top-level window's position is its frame's
    QTimer::singleShot(200, window, [window] { keep_on_screen(window); });
}

void keep_on_screen(QWidget* window) {
    if (!window->isVisible()) return;
    QRect frame = window->frameGeometry();
    QRect fitted = fit_on_screen(frame, available_area(window));
    if (fitted == frame) return;
    if (fitted.size() != frame.size())
        window->resize(window->width() - (frame.width() - fitted.width()), window->height() - (frame.height() - fitted.height()));
    window->move(fitted.topLeft());
}

}  // namespace korvane::ui
