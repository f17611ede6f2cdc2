#include "ui/form_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "panel/fck.h"
#include "ui/command_gate.h"
#include "ui/file_drop.h"

namespace korvane::ui {

using common::Control;
using common::ControlKind;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Mouse clicks on labels (which have no clicked signal of their own).
class LabelClicks : public QObject {
public:
    LabelClicks(QObject* parent, std::function<void()> click, std::function<void()> dblclick)
        : QObject(parent), click_(std::move(click)), dblclick_(std::move(dblclick)) {}

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            auto* w = static_cast<QWidget*>(o);
            if (w->isEnabled() && w->rect().contains(static_cast<QMouseEvent*>(e)->position().toPoint())) click_();
            return true;
        }
        if (e->type() == QEvent::MouseButtonDblClick) {
            dblclick_();
            return true;
        }
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> click_, dblclick_;
};

}  // namespace

Qt::WindowFlags form_window_flags(bool topmost) {
    Qt::WindowFlags f = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
    if (topmost) f |= Qt::WindowStaysOnTopHint;
    return f;
}

FormView::FormView(common::FormModel& model, CommandGate& gate, QWidget* parent)
    : QWidget(parent), model_(model), gate_(gate) {
    setObjectName(qs(model.name()));
    setWindowFlags(form_window_flags(model.topmost));
}

FormView::~FormView() {
    model_.on_control_changed = nullptr;
    model_.on_form_changed = nullptr;
    model_.on_focus_requested = nullptr;
}

int FormView::px(int twips) const {
    double dpi = 96;
    if (QScreen* s = screen()) dpi = s->logicalDotsPerInchY();
    return int(twips * dpi / 1440.0 + 0.5);
}

void FormView::build() {
    for (const auto& c : model_.controls())
        if (c->kind != ControlKind::Menu && c->kind != ControlKind::MenuItem) make_widget(*c);
    layout_controls();
    // Files dropped on the form, or on a control that takes them, go to the model.
    if (model_.on_drop)
        accept_file_drops(this, [this](const std::vector<std::string>& files) { act([=, this] { model_.drop("", files); }); });
    for (const auto& c : model_.controls())
        if (QWidget* w = c->on_drop ? widget_for(c->name) : nullptr)
            accept_file_drops(w, [this, name = c->name](const std::vector<std::string>& files) {
                act([=, this] { model_.drop(name, files); });
            });
    model_.on_control_changed = [this](const Control& c) { refresh(c); };
    model_.on_form_changed = [this] { apply_form(); };
    model_.on_focus_requested = [this](const std::string& control) {
        show();
        raise();
        activateWindow();
        if (QWidget* w = widget_for(control)) w->setFocus(Qt::OtherFocusReason);
    };
    refresh_all();
}

QWidget* FormView::widget_for(const std::string& control) const {
    auto it = widgets_.find(control);
    return it == widgets_.end() ? nullptr : it->second;
}

void FormView::act(const std::function<void()>& action) {
    gate_.run(action);
}

QIcon FormView::picture_for(const Control&) { return QIcon(); }

void FormView::make_widget(Control& c) {
    const std::string name = c.name;
    QWidget* w = nullptr;
    switch (c.kind) {
        case ControlKind::TextBox: {
            auto* e = new QLineEdit(this);
            connect(e, &QLineEdit::textEdited, this, [this, name](const QString& t) {
                if (updating_) return;
                // While a command runs the text is kept without running the box's handler.
                if (gate_.busy()) model_.control(name).text = t.toStdString();
                else act([&] { model_.set_text(name, t.toStdString()); });
            });
            if (c.on_enter)
                connect(e, &QLineEdit::returnPressed, this, [this, name] { act([&] { model_.press_enter(name); }); });
            // Room for the usual value, frame and text margins included.
            if (!c.sample.empty()) e->setMinimumWidth(e->fontMetrics().horizontalAdvance(qs(c.sample)) + 16);
            w = e;
            break;
        }
        case ControlKind::Label: {
            auto* l = new QLabel(this);
            l->setTextFormat(Qt::PlainText);
            l->installEventFilter(new LabelClicks(
                l,
                [this, name] {
                    if (model_.control(name).on_click) act([&] { model_.click(name); });
                },
                [this, name] {
                    // A label without a double-click of its own is part of the form's background.
                    if (model_.control(name).on_dblclick) act([&] { model_.dblclick(name); });
                    else act([&] { model_.dblclick_background(); });
                }));
            w = l;
            break;
        }
        case ControlKind::Button: {
            auto* b = new QPushButton(this);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, name] { act([&] { model_.click(name); }); });
            w = b;
            break;
        }
        case ControlKind::PictureButton: {
            auto* b = new QToolButton(this);
            b->setAutoRaise(true);
            b->setIcon(picture_for(c));
            b->setIconSize(QSize(24, 24));
            b->setFocusPolicy(Qt::NoFocus);
            connect(b, &QToolButton::clicked, this, [this, name] { act([&] { model_.click(name); }); });
            w = b;
            break;
        }
        case ControlKind::CheckBox: {
            auto* b = new QCheckBox(this);
            connect(b, &QCheckBox::clicked, this, [this, name] {
                if (!updating_) act([&] { model_.click(name); });
                refresh(model_.control(name));  // the model decides the state
            });
            w = b;
            break;
        }
        case ControlKind::OptionButton: {
            auto* b = new QRadioButton(this);
            b->setAutoExclusive(false);
            connect(b, &QRadioButton::clicked, this, [this, name] {
                if (!updating_) act([&] { model_.click(name); });
                refresh(model_.control(name));
            });
            w = b;
            break;
        }
        case ControlKind::ListBox: {
            auto* l = new QListWidget(this);
            connect(l, &QListWidget::currentRowChanged, this, [this, name](int row) {
                if (updating_ || row < 0) return;
                act([&] { model_.select_item(name, row); });
            });
            connect(l, &QListWidget::itemDoubleClicked, this, [this, name, l](QListWidgetItem* item) {
                int row = l->row(item);
                act([&] { model_.dblclick_item(name, row); });
            });
            if (c.on_rightclick) {
                l->setContextMenuPolicy(Qt::CustomContextMenu);
                connect(l, &QListWidget::customContextMenuRequested, this,
                        [this, name] { act([&] { model_.rightclick(name); }); });
            }
            w = l;
            break;
        }
        case ControlKind::ComboBox: {
            auto* b = new QComboBox(this);
            b->setEditable(true);
            b->setInsertPolicy(QComboBox::NoInsert);
            connect(b, &QComboBox::activated, this, [this, name](int i) {
                if (!updating_) act([&] { model_.select_item(name, i); });
            });
            connect(b, &QComboBox::editTextChanged, this, [this, name](const QString& t) {
                if (updating_ || model_.control(name).text == t.toStdString()) return;
                if (gate_.busy()) model_.control(name).text = t.toStdString();
                else act([&] { model_.set_text(name, t.toStdString()); });
            });
            w = b;
            break;
        }
        case ControlKind::Frame: w = new QGroupBox(this); break;
        case ControlKind::Menu:
        case ControlKind::MenuItem:
        case ControlKind::Timer: return;
    }
    w->setObjectName(qs(name));
    widgets_[name] = w;
}

void FormView::refresh(const Control& c) {
    QWidget* w = widget_for(c.name);
    if (!w) return;
    updating_ = true;
    QString text = qs(c.text);
    w->setToolTip(qs(c.tooltip));
    w->setEnabled(c.enabled);
    switch (c.kind) {
        case ControlKind::TextBox: {
            auto* e = static_cast<QLineEdit*>(w);
            if (e->text() != text) e->setText(text);
            QPalette pal = e->palette();
            pal.setColor(QPalette::Base, QColor(QRgb(c.back_color)));
            e->setPalette(pal);
            break;
        }
        case ControlKind::Label: static_cast<QLabel*>(w)->setText(text); break;
        case ControlKind::Button: static_cast<QPushButton*>(w)->setText(text); break;
        case ControlKind::PictureButton:
            if (!c.text.empty()) static_cast<QToolButton*>(w)->setText(text);
            break;
        case ControlKind::CheckBox: {
            auto* b = static_cast<QCheckBox*>(w);
            b->setText(text);
            b->setTristate(c.value == 2);
            b->setCheckState(c.value == 1 ? Qt::Checked : c.value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
            break;
        }
        case ControlKind::OptionButton: {
            auto* b = static_cast<QRadioButton*>(w);
            b->setText(text);
            b->setChecked(c.value != 0);
            break;
        }
        case ControlKind::ListBox: {
            auto* l = static_cast<QListWidget*>(w);
            bool same = l->count() == int(c.items.size());
            for (int i = 0; same && i < l->count(); ++i) same = l->item(i)->text() == qs(c.items[size_t(i)]);
            if (!same) {
                l->clear();
                for (const auto& item : c.items) l->addItem(qs(item));
            }
            l->setCurrentRow(c.list_index);
            break;
        }
        case ControlKind::ComboBox: {
            auto* b = static_cast<QComboBox*>(w);
            bool same = b->count() == int(c.items.size());
            for (int i = 0; same && i < b->count(); ++i) same = b->itemText(i) == qs(c.items[size_t(i)]);
            if (!same) {
                b->clear();
                for (const auto& item : c.items) b->addItem(qs(item));
            }
            if (b->currentText() != text) b->setEditText(text);
            break;
        }
        case ControlKind::Frame: static_cast<QGroupBox*>(w)->setTitle(text); break;
        default: break;
    }
    w->setVisible(c.visible);
    updating_ = false;
}

void FormView::refresh_all() {
    for (const auto& c : model_.controls()) refresh(*c);
    apply_form();
}

void FormView::apply_form() {
    setWindowTitle(qs(model_.caption));
    bool on_top = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (on_top != model_.topmost) {
        bool shown = isVisible();
        setWindowFlags(form_window_flags(model_.topmost));
        if (shown) show();  // changing the flags hides the window
    }
    if (model_.width > 0 && model_.height > 0) resize(std::max(width(), px(model_.width)), px(model_.height));
}

void FormView::layout_controls() {
    // Frames hold the controls whose parent they are; everything else sits on the form.
    std::map<std::string, QFormLayout*> frame_layouts;
    auto* top = new QFormLayout(this);
    top->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (const auto& c : model_.controls())
        if (c->kind == ControlKind::Frame) {
            auto* f = new QFormLayout(static_cast<QGroupBox*>(widget_for(c->name)));
            frame_layouts[c->name] = f;
        }
    auto layout_of = [&](const Control& c) -> QFormLayout* {
        auto it = frame_layouts.find(c.parent);
        return it == frame_layouts.end() ? top : it->second;
    };
    // Frames that follow each other on the form are set in columns once they are filled.
    struct FrameRun {
        QHBoxLayout* row;
        std::vector<QWidget*> frames;
    };
    std::vector<FrameRun> runs;
    bool last_was_frame = false;
    const auto& controls = model_.controls();
    QHBoxLayout* button_row = nullptr;
    QFormLayout* button_row_owner = nullptr;
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& c = *controls[i];
        QWidget* w = widget_for(c.name);
        if (!w) continue;
        QFormLayout* l = layout_of(c);
        if (c.kind == ControlKind::Frame && l == top) {
            if (!last_was_frame) {
                runs.push_back({new QHBoxLayout, {}});
                top->addRow(runs.back().row);
            }
            runs.back().frames.push_back(w);
            last_was_frame = true;
            button_row = nullptr;
            continue;
        }
        if (l == top) last_was_frame = false;
        bool is_button = c.kind == ControlKind::Button || c.kind == ControlKind::PictureButton;
        if (is_button) {
            // Buttons that follow each other share a row.
            if (!button_row || button_row_owner != l) {
                button_row = new QHBoxLayout;
                button_row_owner = l;
                l->addRow(button_row);
            }
            button_row->addWidget(w);
            continue;
        }
        button_row = nullptr;
        // A caption label followed by the box it names: one row.
        if (c.kind == ControlKind::Label && i + 1 < controls.size()) {
            const Control& next = *controls[i + 1];
            bool field = next.kind == ControlKind::TextBox || next.kind == ControlKind::ComboBox ||
                         next.kind == ControlKind::ListBox;
            if (field && next.parent == c.parent && widget_for(next.name)) {
                l->addRow(w, widget_for(next.name));
                ++i;
                continue;
            }
        }
        l->addRow(w);
    }
    // A column takes frames while it stays within about half the screen's height, so that a
    // form with many boxes still fits on a laptop's screen.
    QScreen* scr = screen();
    const int column_limit = (scr ? scr->availableGeometry().height() : 900) * 11 / 20;
    for (const FrameRun& run : runs) {
        QVBoxLayout* column = nullptr;
        int height = 0;
        for (QWidget* frame : run.frames) {
            int h = frame->sizeHint().height();
            if (!column || (height > 0 && height + h > column_limit)) {
                column = new QVBoxLayout;
                run.row->addLayout(column);
                height = 0;
            }
            column->addWidget(frame);
            height += h;
        }
        for (int k = 0; k < run.row->count(); ++k)
            if (auto* col = qobject_cast<QVBoxLayout*>(run.row->itemAt(k)->layout())) col->addStretch();
    }
}

void FormView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) act([&] { model_.dblclick_background(); });
}

void FormView::closeEvent(QCloseEvent* e) {
    if (gate_.run([this] { model_.close(); })) e->accept();
    else e->ignore();
}

// ---------------------------------------------------------------- menus

namespace {

void fill_menu(QMenu* m, panel::FCK& fck, const std::string& menu, CommandGate& gate) {
    for (const Control* c : fck.entries(menu)) {
        if (!c->visible) continue;
        if (c->separator) {
            m->addSeparator();
            continue;
        }
        if (c->kind == ControlKind::Menu) {
            QMenu* sub = m->addMenu(qs(c->text));
            sub->setObjectName(qs(c->name));
            sub->setEnabled(c->enabled);
            fill_menu(sub, fck, c->name, gate);
            continue;
        }
        QAction* a = m->addAction(qs(c->text));
        a->setObjectName(qs(c->name));
        a->setEnabled(c->enabled);
        if (c->checked) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        std::string name = c->name;
        QObject::connect(a, &QAction::triggered, m, [&fck, &gate, name] { gate.run([&] { fck.click(name); }); });
    }
}

}  // namespace

QMenu* build_menu(panel::FCK& fck, const std::string& menu, CommandGate& gate, QWidget* parent) {
    auto* m = new QMenu(parent);
    m->setObjectName(qs(menu));
    m->setTitle(qs(fck.control(menu).text));
    fill_menu(m, fck, menu, gate);
    return m;
}

}  // namespace korvane::ui
