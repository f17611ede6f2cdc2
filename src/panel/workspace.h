#pragma once
// The program-wide state the forms share: the way to the host, the user
// interface services and the open forms.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/form_model.h"
#include "host/command_frame.h"

namespace korvane::panel {

class MaiFrm;
class FCK;

class Workspace {
public:
    Workspace(host::HostConnector& connector, common::UiService& ui);
    ~Workspace();

    host::Session& session() { return session_; }
    common::UiService& ui() { return session_.ui; }

    // The form of that name, created and loaded on first use. Throws FormError for an unknown name.
    common::FormModel& open_form(const std::string& name);
    // Opens the form as open_form does and brings it forward when it was open already
    // (what a button that opens a form does).
    common::FormModel& show_form(const std::string& name);
    // An open form, or null.
    common::FormModel* form(const std::string& name);
    static std::vector<std::string> form_names();
    // A fresh, unloaded instance of a form (to list its controls).
    std::unique_ptr<common::FormModel> make_form(const std::string& name);

    MaiFrm& maifrm();
    FCK& fck();

    // Tells every open form that the active drawing changed (the host calls this).
    void drawing_changed();

    // Called after a form was opened (the Qt layer shows it).
    std::function<void(common::FormModel&)> on_form_opened;

    // Pops up a menu of the menu form (FCK::kMenus) at the mouse position: the Qt layer shows
    // it; without one nothing is shown.
    std::function<void(const std::string& menu)> on_popup_menu;
    void popup_menu(const std::string& menu) {
        if (on_popup_menu) on_popup_menu(menu);
    }

    // Called when the user chose another image directory: the open drawings' images are
    // looked for there (the program sets it; without it nothing follows).
    std::function<void(const std::string& dir)> on_image_directory_changed;

private:
    host::Session session_;
    std::map<std::string, std::unique_ptr<common::FormModel>> forms_;
};

using FormFactory = std::function<std::unique_ptr<common::FormModel>(Workspace&)>;
// The forms the program knows, by name.
const std::map<std::string, FormFactory>& form_factories();

}  // namespace korvane::panel
