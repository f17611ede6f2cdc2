#include "ui/designed_form_view.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>

namespace korvane::ui {

using common::Control;
using common::ControlKind;

bool DesignedFormView::designed(const common::FormModel& model) {
    for (const auto& c : model.controls())
        if (c->width > 0) return true;
    return false;
}

int DesignedFormView::twips(int pixels) const {
    double dpi = 96;
    if (QScreen* s = screen()) dpi = s->logicalDotsPerInchY();
    return int(pixels * 1440.0 / dpi + 0.5);
}

QSize DesignedFormView::sizeHint() const {
    return QSize(const_cast<DesignedFormView*>(this)->px(model_.width),
                 const_cast<DesignedFormView*>(this)->px(model_.height));
}

void DesignedFormView::layout_controls() {
    for (const auto& c : model_.controls()) {
        QWidget* w = widget_for(c->name);
        if (!w) continue;
        if (QWidget* frame = widget_for(c->parent)) w->setParent(frame);
        if (auto* label = qobject_cast<QLabel*>(w); label && c->height > 300) label->setWordWrap(true);
        // Enter on a button that has the focus presses it.
        if (auto* button = qobject_cast<QPushButton*>(w)) button->setAutoDefault(true);
    }
    placed_ = true;
    for (const auto& c : model_.controls()) place(*c);
}

void DesignedFormView::place(const Control& c) {
    QWidget* w = widget_for(c.name);
    if (!w || c.width <= 0) return;
    w->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
    if (c.fore_color != 0 && (c.kind == ControlKind::Label || c.kind == ControlKind::CheckBox)) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::WindowText, QColor(QRgb(c.fore_color)));
        w->setPalette(pal);
    }
}

void DesignedFormView::refresh(const Control& c) {
    FormView::refresh(c);
    if (placed_) place(c);
}

void DesignedFormView::resizeEvent(QResizeEvent* e) {
    FormView::resizeEvent(e);
    if (!placed_) return;
    const int w = twips(e->size().width()), h = twips(e->size().height());
    if (w == model_.width && h == model_.height) return;
    model_.width = w;
    model_.height = h;
    model_.resize();
}

}  // namespace korvane::ui
