#include "ui/panel_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace korvane::ui {

namespace {

// A small palette that reads well on light and dark panels.
const QColor kInk(52, 60, 72);
const QColor kFolder(232, 176, 74);
const QColor kFolderDark(190, 132, 40);
const QColor kSky(120, 180, 235);
const QColor kHill(76, 160, 86);
const QColor kSun(250, 205, 70);
const QColor kRed(214, 58, 52);
const QColor kGreen(46, 150, 70);
const QColor kBlue(52, 112, 200);
const QColor kPaper(250, 250, 246);

QPen ink(double w = 1.4, QColor c = kInk) {
    QPen p(c, w);
    p.setJoinStyle(Qt::RoundJoin);
    p.setCapStyle(Qt::RoundCap);
    return p;
}

void folder(QPainter& p, QRectF r, QColor fill = kFolder) {
    QPainterPath tab;
    tab.moveTo(r.left(), r.top() + 2);
    tab.lineTo(r.left() + r.width() * 0.38, r.top() + 2);
    tab.lineTo(r.left() + r.width() * 0.48, r.top() + 4.5);
    tab.lineTo(r.right(), r.top() + 4.5);
    tab.lineTo(r.right(), r.bottom());
    tab.lineTo(r.left(), r.bottom());
    tab.closeSubpath();
    p.setPen(ink(1.2, kFolderDark));
    p.setBrush(fill);
    p.drawPath(tab);
    p.setBrush(fill.lighter(115));
    p.drawRect(QRectF(r.left(), r.top() + 6.5, r.width(), r.height() - 6.5));
}

void picture(QPainter& p, QRectF r) {
    p.setPen(Qt::NoPen);
    p.setBrush(kSky);
    p.drawRect(r);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left(), r.bottom() - r.height() * 0.35);
    hill.lineTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.38);
    hill.lineTo(r.left() + r.width() * 0.62, r.bottom() - r.height() * 0.3);
    hill.lineTo(r.left() + r.width() * 0.78, r.top() + r.height() * 0.55);
    hill.lineTo(r.right(), r.bottom() - r.height() * 0.25);
    hill.lineTo(r.right(), r.bottom());
    hill.closeSubpath();
    p.setBrush(kHill);
    p.drawPath(hill);
    p.setBrush(kSun);
    double s = std::min(r.width(), r.height()) * 0.22;
    p.drawEllipse(QPointF(r.right() - s * 1.3, r.top() + s * 1.3), s * 0.75, s * 0.75);
    p.setBrush(Qt::NoBrush);
    p.setPen(ink(1.3));
    p.drawRect(r);
}

// The small triangle of a button that opens a menu.
void menu_marker(QPainter& p) {
    QPainterPath t;
    t.moveTo(17.5, 19);
    t.lineTo(23, 19);
    t.lineTo(20.25, 22.5);
    t.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(t);
}

void arrow(QPainter& p, QPointF a, QPointF b, QColor c, double w = 1.8) {
    p.setPen(ink(w, c));
    p.drawLine(a, b);
    double ang = std::atan2(b.y() - a.y(), b.x() - a.x());
    double len = 3.6;
    QPainterPath head;
    head.moveTo(b);
    head.lineTo(b.x() - len * std::cos(ang - 0.55), b.y() - len * std::sin(ang - 0.55));
    head.lineTo(b.x() - len * std::cos(ang + 0.55), b.y() - len * std::sin(ang + 0.55));
    head.closeSubpath();
    p.setBrush(c);
    p.setPen(ink(1, c));
    p.drawPath(head);
    p.setBrush(Qt::NoBrush);
}

void badge(QPainter& p, QPointF c, QColor fill) {
    p.setPen(ink(1, Qt::white));
    p.setBrush(fill);
    p.drawEllipse(c, 5, 5);
}

void document(QPainter& p, QRectF r) {
    QPainterPath d;
    double fold = r.width() * 0.35;
    d.moveTo(r.topLeft());
    d.lineTo(r.right() - fold, r.top());
    d.lineTo(r.right(), r.top() + fold);
    d.lineTo(r.bottomRight());
    d.lineTo(r.bottomLeft());
    d.closeSubpath();
    p.setPen(ink(1.2));
    p.setBrush(kPaper);
    p.drawPath(d);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void layer_sheet(QPainter& p, double y, QColor fill, QColor line = kInk) {
    QPainterPath s;
    s.moveTo(12, y - 4);
    s.lineTo(22, y);
    s.lineTo(12, y + 4);
    s.lineTo(2, y);
    s.closeSubpath();
    p.setPen(ink(1.2, line));
    p.setBrush(fill);
    p.drawPath(s);
}

// Image directory (menu)
void image_directory(QPainter& p) {
    folder(p, QRectF(1.5, 4, 18, 14));
    menu_marker(p);
}

// Insert one tile
void insert_tile(QPainter& p) {
    picture(p, QRectF(1.5, 3, 17, 13));
    badge(p, QPointF(17.5, 17.5), kGreen);
    p.setPen(ink(1.8, Qt::white));
    p.drawLine(QPointF(17.5, 14.8), QPointF(17.5, 20.2));
    p.drawLine(QPointF(14.8, 17.5), QPointF(20.2, 17.5));
}

// Images to the back
void images_to_back(QPainter& p) {
    layer_sheet(p, 16, QColor(kSky).lighter(105));
    layer_sheet(p, 11, QColor(230, 232, 236));
    layer_sheet(p, 6, QColor(230, 232, 236));
    arrow(p, QPointF(20.5, 2), QPointF(20.5, 14), kBlue, 1.8);
}

// Insert tiles of an area (menu)
void insert_tiles_of_area(QPainter& p) {
    picture(p, QRectF(1.5, 2, 8.5, 7.5));
    picture(p, QRectF(10, 2, 8.5, 7.5));
    picture(p, QRectF(1.5, 9.5, 8.5, 7.5));
    picture(p, QRectF(10, 9.5, 8.5, 7.5));
    menu_marker(p);
}

// Copy tiles from folder to folder
void copy_tiles(QPainter& p) {
    folder(p, QRectF(1, 2, 11, 9));
    folder(p, QRectF(11.5, 12.5, 11.5, 9.5), QColor(120, 190, 120));
    arrow(p, QPointF(6.5, 13), QPointF(10.5, 18.5), kBlue, 1.6);
}

// Remove all images
void remove_images(QPainter& p) {
    picture(p, QRectF(1.5, 3, 17, 13));
    p.setPen(ink(2.6, kRed));
    p.drawLine(QPointF(13, 13), QPointF(21.5, 21.5));
    p.drawLine(QPointF(21.5, 13), QPointF(13, 21.5));
}

// Write the temporary block
void write_temporary_block(QPainter& p) {
    QPen dash = ink(1.2, kBlue);
    dash.setDashPattern({2, 1.6});
    p.setPen(dash);
    p.setBrush(QColor(52, 112, 200, 30));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(ink(1.4));
    p.drawLine(QPointF(4, 11), QPointF(8, 4.5));
    p.drawLine(QPointF(8, 4.5), QPointF(12, 11));
    document(p, QRectF(14, 11, 8.5, 11));
    arrow(p, QPointF(9, 15), QPointF(13.5, 19), kGreen, 1.6);
}

// Insert the temporary block
void insert_temporary_block(QPainter& p) {
    document(p, QRectF(1.5, 1.5, 8.5, 11));
    QPen dash = ink(1.2, kBlue);
    dash.setDashPattern({2, 1.6});
    p.setPen(dash);
    p.setBrush(QColor(52, 112, 200, 30));
    p.drawRect(QRectF(9.5, 9.5, 13, 13));
    p.setPen(ink(1.4));
    p.drawLine(QPointF(12, 20), QPointF(16, 13.5));
    p.drawLine(QPointF(16, 13.5), QPointF(20, 20));
    arrow(p, QPointF(7, 14), QPointF(11.5, 17.5), kGreen, 1.6);
}

// Only the picked layer
void only_picked_layer(QPainter& p) {
    layer_sheet(p, 17, QColor(235, 236, 240), QColor(170, 175, 185));
    layer_sheet(p, 12, kSun);
    layer_sheet(p, 7, QColor(235, 236, 240), QColor(170, 175, 185));
}

// Align images to the grid
void align_images(QPainter& p) {
    p.setPen(ink(1, QColor(150, 158, 170)));
    for (double v : {4.0, 12.0, 20.0}) {
        p.drawLine(QPointF(v, 1), QPointF(v, 23));
        p.drawLine(QPointF(1, v), QPointF(23, v));
    }
    p.setOpacity(0.85);
    picture(p, QRectF(6.5, 6.5, 9, 7.5));
    p.setOpacity(1);
    arrow(p, QPointF(9, 16.5), QPointF(4.5, 20.5), kRed, 1.5);
    p.setPen(ink(1.4, kRed));
    p.drawEllipse(QPointF(4, 20), 2.2, 2.2);
}

// Select by feature code
void select_by_code(QPainter& p) {
    QPainterPath f;
    f.moveTo(2, 3);
    f.lineTo(22, 3);
    f.lineTo(14, 12);
    f.lineTo(14, 20);
    f.lineTo(10, 22);
    f.lineTo(10, 12);
    f.closeSubpath();
    p.setPen(ink(1.3));
    p.setBrush(QColor(120, 170, 230));
    p.drawPath(f);
    p.setPen(ink(1.3, kRed));
    p.drawLine(QPointF(17, 14.5), QPointF(16.2, 22));
    p.drawLine(QPointF(20.5, 14.5), QPointF(19.7, 22));
    p.drawLine(QPointF(15.5, 16.7), QPointF(22.5, 16.7));
    p.drawLine(QPointF(15.2, 19.7), QPointF(22.2, 19.7));
}

// Show extended data
void show_extended_data(QPainter& p) {
    p.setPen(ink(1.3));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(2, 2, 15, 19), 1.5, 1.5);
    p.setPen(ink(1.3, QColor(120, 128, 140)));
    for (double y : {6.5, 10.5, 14.5}) p.drawLine(QPointF(5, y), QPointF(14, y));
    badge(p, QPointF(17.5, 17.5), kBlue);
    p.setPen(ink(1.8, Qt::white));
    p.drawLine(QPointF(17.5, 16.8), QPointF(17.5, 20));
    p.drawPoint(QPointF(17.5, 14.6));
}

// The same window in every drawing
void same_window(QPainter& p) {
    p.setPen(ink(1.2));
    p.setBrush(QColor(225, 230, 238));
    p.drawRect(QRectF(1.5, 2, 13, 10));
    p.setBrush(kPaper);
    p.drawRect(QRectF(7, 8, 15, 12));
    p.setBrush(QColor(120, 170, 230));
    p.drawRect(QRectF(7, 8, 15, 2.5));
    QPainterPath pin;
    pin.moveTo(14.5, 19);
    pin.cubicTo(11, 15.5, 11.5, 12.5, 14.5, 12.5);
    pin.cubicTo(17.5, 12.5, 18, 15.5, 14.5, 19);
    p.setPen(ink(1, kRed.darker(120)));
    p.setBrush(kRed);
    p.drawPath(pin);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(14.5, 14.8), 1.1, 1.1);
}

// Other tools (menu)
void other_tools(QPainter& p) {
    p.save();
    p.translate(10, 10);
    p.rotate(45);
    p.setPen(ink(1.2));
    p.setBrush(QColor(150, 160, 175));
    p.drawRoundedRect(QRectF(-1.8, -3, 3.6, 13), 1.2, 1.2);
    QPainterPath head;
    head.addEllipse(QPointF(0, -5), 4.6, 4.6);
    QPainterPath slot;
    slot.addRect(QRectF(-1.6, -10.5, 3.2, 5.5));
    p.drawPath(head.subtracted(slot));
    p.restore();
    menu_marker(p);
}

// Data processing (menu)
void data_processing(QPainter& p) {
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        double a = i * std::numbers::pi / teeth;
        double r = i % 2 == 0 ? 8.5 : 6.5;
        double a0 = a - std::numbers::pi / teeth / 2, a1 = a + std::numbers::pi / teeth / 2;
        QPointF p0(10 + r * std::cos(a0), 10 + r * std::sin(a0)), p1(10 + r * std::cos(a1), 10 + r * std::sin(a1));
        if (i == 0) gear.moveTo(p0);
        else gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(10, 10), 2.8, 2.8);
    p.setPen(ink(1.1));
    p.setBrush(QColor(110, 150, 205));
    p.drawPath(gear.subtracted(hole));
    menu_marker(p);
}

// Parcel attribute table
void parcel_table(QPainter& p) {
    QRectF r(2, 3, 20, 18);
    p.setPen(ink(1.2));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setBrush(QColor(120, 170, 230));
    p.drawRect(QRectF(2, 3, 20, 4.5));
    p.setPen(ink(1, QColor(130, 138, 150)));
    for (double y : {11.0, 14.5, 18.0}) p.drawLine(QPointF(2.5, y), QPointF(21.5, y));
    p.drawLine(QPointF(9, 7.5), QPointF(9, 20.5));
}

// The pictures in the panel's order of buttons.
using IconPainter = void (*)(QPainter&);
constexpr IconPainter kIcons[kPanelIconCount] = {
    image_directory,
    insert_tile,
    images_to_back,
    insert_tiles_of_area,
    copy_tiles,
    remove_images,
    write_temporary_block,
    insert_temporary_block,
    only_picked_layer,
    align_images,
    select_by_code,
    show_extended_data,
    same_window,
    other_tools,
    data_processing,
    parcel_table,
};

}  // namespace

void paint_panel_icon(QPainter& p, int index, double size) {
    if (index < 0 || index >= kPanelIconCount) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 24.0, size / 24.0);
    kIcons[index](p);
    p.restore();
}

QIcon panel_icon(int index) {
    QIcon icon;
    for (int size : {24, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint_panel_icon(p, index, size);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace korvane::ui
