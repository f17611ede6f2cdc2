#pragma once
// A window of the system as plain state: its controls under their own names
// ("Text1(2)", "Command2", "Check1(3)") with texts, captions, enabled flags,
// check values, list items and tool tips, and handlers as functions. The Qt
// views, the tests and the scenario runner all drive forms through this.
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvane::common {

enum class ControlKind { TextBox, Label, Button, PictureButton, CheckBox, OptionButton, ListBox, ComboBox, Frame, Menu, MenuItem, Timer };

const char* control_kind_name(ControlKind kind);

struct Control {
    std::string name;
    ControlKind kind = ControlKind::Label;
    std::string text;     // text of a box, caption of anything else
    std::string tooltip;
    bool enabled = true;
    bool visible = true;
    bool checked = false;  // menu items
    int value = 0;         // check box: 0 clear, 1 ticked, 2 grey; option button: 0/1
    std::vector<std::string> items;
    int list_index = -1;
    uint32_t back_color = 0xFFFFFF;  // RGB
    uint32_t fore_color = 0x000000;  // RGB of the text
    std::string parent;    // the frame or menu it sits in
    bool separator = false;  // a menu separator line
    std::string tag;       // what the form keeps with the control for itself
    // Place and size in twips, on the form or in the frame it sits in. A form whose controls
    // have a width is shown as designed; otherwise the view lays its controls out itself.
    int left = 0, top = 0, width = 0, height = 0;
    int interval = 0;      // timers: milliseconds between ticks
    // Boxes: a usual value the box must show whole at the form's default size (the view makes
    // it at least that wide).
    std::string sample;

    std::function<void()> on_click;
    std::function<void()> on_dblclick;
    std::function<void()> on_rightclick;
    std::function<void(const std::vector<std::string>& files)> on_drop;  // files dropped on it
    std::function<void()> on_change;  // text changed by the user
    std::function<void()> on_enter;   // Enter pressed in a box
    std::function<void()> on_timer;   // a timer's tick

    Control& place(int left_, int top_, int width_, int height_) {
        left = left_;
        top = top_;
        width = width_;
        height = height_;
        return *this;
    }
};

class FormError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FormModel {
public:
    explicit FormModel(std::string name);
    virtual ~FormModel() = default;
    FormModel(const FormModel&) = delete;
    FormModel& operator=(const FormModel&) = delete;

    const std::string& name() const { return name_; }

    // The form's load sequence (Form_Load); run once when the form is opened.
    virtual void load() {}
    // Double-click on the form's background.
    virtual void dblclick_background() {}
    // The user changed the form's size (width and height hold the new size): the form may
    // move and size its controls.
    virtual void resize() {}
    // The form's unload sequence (Form_Unload); run when the user closes the window.
    virtual void unload() {}
    // Another drawing became the active one, or the active one was closed: entities the form
    // remembers by handle are not in the active drawing any more, so it forgets them.
    virtual void drawing_changed() {}
    // Closing the window: the unload sequence runs, and the form stays closed until it is
    // opened again, which runs its load sequence anew.
    void close() {
        unload();
        closed = true;
    }
    bool closed = false;

    Control& add(std::string name, ControlKind kind, std::string text = {}, std::string tooltip = {});
    Control& control(const std::string& name);
    const Control& control(const std::string& name) const;
    Control* find(const std::string& name);
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    // A control by its name, or where unique in the form by its caption or tool tip. Throws
    // FormError listing the candidates when the reference is unknown or ambiguous.
    Control& resolve(const std::string& ref);

    // What a user does (each fires the control's handler as the real control would).
    void set_text(const std::string& ref, const std::string& text);
    void click(const std::string& ref);
    void dblclick(const std::string& ref);
    void rightclick(const std::string& ref);
    // Files dropped on a control, or on the form's background when `ref` is empty.
    void drop(const std::string& ref, const std::vector<std::string>& files);
    std::function<void(const std::vector<std::string>& files)> on_drop;  // dropped on the background
    void set_check(const std::string& ref, int value);
    // On a list: selects item `index` (from 0), then double-clicks it.
    void dblclick_item(const std::string& ref, int index);
    void select_item(const std::string& ref, int index);
    void press_enter(const std::string& ref);
    // One tick of an enabled timer.
    void tick(const std::string& ref);

    // Brings the form's window to the front with the keyboard focus in the control.
    void request_focus(const std::string& control) {
        if (on_focus_requested) on_focus_requested(control);
    }
    std::function<void(const std::string&)> on_focus_requested;

    std::string caption;
    int left = 0, top = 0, width = 0, height = 0;  // twips
    bool topmost = false;
    bool visible = true;

    // Called after a control's state changed from code (the Qt view refreshes it).
    std::function<void(const Control&)> on_control_changed;
    std::function<void()> on_form_changed;
    // Called when the user clicks a control, before its handler runs (the program names the
    // command the user started after it).
    std::function<void(const Control&)> on_user_action;
    void changed(const Control& c) { if (on_control_changed) on_control_changed(c); }
    void form_changed() { if (on_form_changed) on_form_changed(); }

private:
    void started(const Control& c) { if (on_user_action) on_user_action(c); }
    std::string name_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::string, Control*> by_name_;
};

}  // namespace korvane::common
