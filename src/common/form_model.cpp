#include "common/form_model.h"

namespace korvane::common {

const char* control_kind_name(ControlKind kind) {
    switch (kind) {
        case ControlKind::TextBox: return "text box";
        case ControlKind::Label: return "label";
        case ControlKind::Button: return "button";
        case ControlKind::PictureButton: return "picture button";
        case ControlKind::CheckBox: return "check box";
        case ControlKind::OptionButton: return "option button";
        case ControlKind::ListBox: return "list";
        case ControlKind::ComboBox: return "combo box";
        case ControlKind::Frame: return "frame";
        case ControlKind::Menu: return "menu";
        case ControlKind::MenuItem: return "menu item";
        case ControlKind::Timer: return "timer";
    }
    return "control";
}

FormModel::FormModel(std::string name) : name_(std::move(name)) {}

Control& FormModel::add(std::string name, ControlKind kind, std::string text, std::string tooltip) {
    if (by_name_.count(name)) throw FormError(name_ + ": a control named " + name + " exists already");
    auto c = std::make_unique<Control>();
    c->name = std::move(name);
    c->kind = kind;
    c->text = std::move(text);
    c->tooltip = std::move(tooltip);
    Control& ref = *c;
    by_name_[ref.name] = &ref;
    controls_.push_back(std::move(c));
    return ref;
}

Control* FormModel::find(const std::string& name) {
    auto it = by_name_.find(name);
    return it == by_name_.end() ? nullptr : it->second;
}

Control& FormModel::control(const std::string& name) {
    Control* c = find(name);
    if (!c) throw FormError(name_ + " has no control " + name);
    return *c;
}

const Control& FormModel::control(const std::string& name) const {
    auto it = by_name_.find(name);
    if (it == by_name_.end()) throw FormError(name_ + " has no control " + name);
    return *it->second;
}

Control& FormModel::resolve(const std::string& ref) {
    if (Control* c = find(ref)) return *c;
    std::vector<Control*> hits;
    for (auto& c : controls_)
        if (!c->separator && (c->text == ref || c->tooltip == ref)) hits.push_back(c.get());
    if (hits.size() == 1) return *hits[0];
    std::string list;
    if (hits.empty()) {
        // Suggest names that contain the reference.
        for (auto& c : controls_)
            if (c->name.find(ref) != std::string::npos || c->text.find(ref) != std::string::npos)
                list += (list.empty() ? "" : ", ") + c->name;
        throw FormError(name_ + " has no control \"" + ref + "\"" + (list.empty() ? "" : " (did you mean: " + list + ")"));
    }
    for (auto* c : hits) list += (list.empty() ? "" : ", ") + c->name;
    throw FormError(name_ + ": \"" + ref + "\" is ambiguous: " + list);
}

void FormModel::set_text(const std::string& ref, const std::string& text) {
    Control& c = resolve(ref);
    c.text = text;
    if (c.kind == ControlKind::ComboBox || c.kind == ControlKind::ListBox) {
        c.list_index = -1;
        for (size_t i = 0; i < c.items.size(); ++i)
            if (c.items[i] == text) c.list_index = int(i);
    }
    if (c.on_change) c.on_change();
    changed(c);
}

void FormModel::click(const std::string& ref) {
    Control& c = resolve(ref);
    if (!c.enabled) throw FormError(name_ + "." + c.name + " is disabled");
    if (c.kind == ControlKind::CheckBox) {
        c.value = c.value == 1 ? 0 : 1;
        changed(c);
    } else if (c.kind == ControlKind::OptionButton) {
        // Options of one group (same parent) exclude each other.
        for (auto& o : controls_)
            if (o->kind == ControlKind::OptionButton && o->parent == c.parent && o.get() != &c && o->value) {
                o->value = 0;
                changed(*o);
            }
        c.value = 1;
        changed(c);
    }
    started(c);
    if (c.on_click) c.on_click();
}

void FormModel::dblclick(const std::string& ref) {
    Control& c = resolve(ref);
    if (!c.enabled) throw FormError(name_ + "." + c.name + " is disabled");
    started(c);
    if (c.on_dblclick) c.on_dblclick();
}

void FormModel::rightclick(const std::string& ref) {
    Control& c = resolve(ref);
    started(c);
    if (c.on_rightclick) c.on_rightclick();
}

void FormModel::drop(const std::string& ref, const std::vector<std::string>& files) {
    if (ref.empty()) {
        if (on_drop) on_drop(files);
        return;
    }
    Control& c = resolve(ref);
    if (c.on_drop) c.on_drop(files);
}

void FormModel::set_check(const std::string& ref, int value) {
    Control& c = resolve(ref);
    if (!c.enabled) throw FormError(name_ + "." + c.name + " is disabled");
    if (c.kind == ControlKind::OptionButton && value) {
        click(ref);
        return;
    }
    c.value = value;
    changed(c);
    // Setting the value of a check box runs its click handler, as the real control does.
    started(c);
    if (c.on_click) c.on_click();
}

void FormModel::select_item(const std::string& ref, int index) {
    Control& c = resolve(ref);
    if (index < 0 || size_t(index) >= c.items.size())
        throw FormError(name_ + "." + c.name + " has no item " + std::to_string(index));
    c.list_index = index;
    if (c.kind == ControlKind::ComboBox) c.text = c.items[size_t(index)];
    changed(c);
    if (c.on_click) c.on_click();
}

void FormModel::press_enter(const std::string& ref) {
    Control& c = resolve(ref);
    if (!c.enabled) throw FormError(name_ + "." + c.name + " is disabled");
    if (c.on_enter) c.on_enter();
}

void FormModel::tick(const std::string& ref) {
    Control& c = resolve(ref);
    if (c.kind != ControlKind::Timer) throw FormError(name_ + "." + c.name + " is not a timer");
    if (!c.enabled) throw FormError(name_ + "." + c.name + " is disabled");
    if (c.on_timer) c.on_timer();
}

void FormModel::dblclick_item(const std::string& ref, int index) {
    select_item(ref, index);
    dblclick(ref);
}

}  // namespace korvane::common
