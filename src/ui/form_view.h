#pragma once
// A window for a form model. It makes one widget per control by its kind (box,
// label, button, picture button, check box, option, list, combo, frame), keeps the
// widgets in step with the model (on_control_changed, on_form_changed) and turns
// what the user does into the model's actions (click, double-click, text typed),
// through the command gate. It does nothing else: the behaviour is the model's.
//
// The generic layout puts the controls in model order, a caption label beside the
// box that follows it, frames as group boxes; a form that needs a hand layout
// derives from FormView and overrides layout_controls().
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "common/form_model.h"

class QMenu;

namespace korvane::panel {
class FCK;
}

namespace korvane::ui {

class CommandGate;

class FormView : public QWidget {
    Q_OBJECT
public:
    FormView(common::FormModel& model, CommandGate& gate, QWidget* parent = nullptr);
    ~FormView() override;

    // Makes the widgets and lays them out (call once, after construction).
    void build();

    common::FormModel& model() { return model_; }
    // The widget of a control, or null.
    QWidget* widget_for(const std::string& control) const;
    template <class W>
    W* widget_as(const std::string& control) const {
        return qobject_cast<W*>(widget_for(control));
    }
    // Reads every control and the form's caption, size and flags again.
    void refresh_all();

    // Twips of the form model to this screen's pixels (15 twips a pixel at 96 dots per inch).
    int px(int twips) const;

protected:
    // Places the widgets (they exist already, with this view as parent). The default lays them
    // out in model order.
    virtual void layout_controls();
    // Called after the form's state changed (caption, size, flags).
    virtual void apply_form();
    // The picture of a picture button.
    virtual QIcon picture_for(const common::Control& c);

    void mouseDoubleClickEvent(QMouseEvent*) override;
    // Closing the window runs the form's unload sequence (refused while a command runs).
    void closeEvent(QCloseEvent*) override;

    // Runs a model action through the gate.
    void act(const std::function<void()>& action);

    common::FormModel& model_;
    CommandGate& gate_;
    std::map<std::string, QWidget*> widgets_;
    bool updating_ = false;

    void make_widget(common::Control& c);
    virtual void refresh(const common::Control& c);
};

// The form's window flags: a tool window, on top of the others when the form asks for it.
Qt::WindowFlags form_window_flags(bool topmost);

// A pop-up menu of the menu form, built from its entries as they are now (captions,
// enabled flags, check marks). Choosing an entry clicks it through the gate.
QMenu* build_menu(panel::FCK& fck, const std::string& menu, CommandGate& gate, QWidget* parent);

}  // namespace korvane::ui
