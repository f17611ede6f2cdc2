#pragma once
// Where windows stand: a place given by a form, remembered from an earlier run or
// computed for this screen is moved (and if need be shrunk) so that the whole
// window, title bar included, lies on the screen's free area.
#include <QRect>

class QWidget;

namespace korvane::ui {

// The frame rectangle moved onto `available`: shrunk to fit it, then shifted inside it.
QRect fit_on_screen(const QRect& frame, const QRect& available);

// The free area of the screen a window is on (the primary screen's when it has none yet).
QRect available_area(const QWidget* window);

// Places a top-level window so that its frame (title bar included) is `frame` fitted onto its
// screen; once the window manager has put its frame round it, the place is checked again.
void place_window(QWidget* window, const QRect& frame);
// Moves a shown window back onto its screen when part of it lies outside.
void keep_on_screen(QWidget* window);

}  // namespace korvane::ui
