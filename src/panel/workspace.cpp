#include "panel/workspace.h"

#include "checks/dwsx.h"
#include "checks/jxgl.h"
#include "checks/zljc.h"
#include "mapping/xg_jz.h"
#include "panel/fck.h"
#include "panel/boundary_walk.h"
#include "panel/maifrm.h"
#include "parcel/neighbour_fill.h"
#include "parcel/survey_export.h"
#include "parcel/sxb.h"

namespace korvane::panel {

const std::map<std::string, FormFactory>& form_factories() {
    static const std::map<std::string, FormFactory> factories = {
        {"MaiFrm", [](Workspace& ws) { return std::make_unique<MaiFrm>(ws); }},
        {"FCK", [](Workspace& ws) { return std::make_unique<FCK>(ws); }},
        {"SXB",
         [](Workspace& ws) {
             // The label picks put the panel's record handle back to idle, when the panel is open.
             auto sxb = std::make_unique<parcel::SXB>(ws.session(), [&ws] {
                 if (auto* panel = ws.form("MaiFrm")) reset_record_handle(*panel);
             });
             sxb->on_neighbour_fill = [](parcel::SXB& f) { parcel::neighbour_fill(f.session()); };
             sxb->on_survey_export = [](parcel::SXB& f) { parcel::survey_export(f.session()); };
             return sxb;
         }},
        {"ZLJC", [](Workspace& ws) { return std::make_unique<checks::ZLJC>(ws.session()); }},
        {"dwsx", [](Workspace& ws) { return std::make_unique<checks::dwsx>(ws.session()); }},
        {"JxGL", [](Workspace& ws) { return std::make_unique<checks::JxGL>(ws.session()); }},
        {"XG_JZ", [](Workspace& ws) { return std::make_unique<mapping::XG_JZ>(ws.session()); }},
    };
    return factories;
}

Workspace::Workspace(host::HostConnector& connector, common::UiService& ui) : session_{connector, ui, nullptr} {}
Workspace::~Workspace() = default;

std::vector<std::string> Workspace::form_names() {
    std::vector<std::string> out;
    for (auto& [name, f] : form_factories()) out.push_back(name);
    return out;
}

std::unique_ptr<common::FormModel> Workspace::make_form(const std::string& name) {
    auto it = form_factories().find(name);
    if (it == form_factories().end()) {
        std::string list;
        for (auto& n : form_names()) list += (list.empty() ? "" : ", ") + n;
        throw common::FormError("no form named " + name + " (forms: " + list + ")");
    }
    return it->second(*this);
}

common::FormModel* Workspace::form(const std::string& name) {
    auto it = forms_.find(name);
    return it == forms_.end() ? nullptr : it->second.get();
}

common::FormModel& Workspace::open_form(const std::string& name) {
    if (auto* f = form(name)) {
        // Closed by the user: it opens afresh.
        if (f->closed) {
            f->closed = false;
            f->load();
            if (on_form_opened) on_form_opened(*f);
        }
        return *f;
    }
    auto made = make_form(name);
    common::FormModel& ref = *made;
    // The control the user clicks names the command it starts (its undo step).
    ref.on_user_action = [this](const common::Control& c) {
        session_.command_name = !c.text.empty() ? c.text : !c.tooltip.empty() ? c.tooltip : c.name;
    };
    forms_[name] = std::move(made);
    ref.load();
    if (on_form_opened) on_form_opened(ref);
    return ref;
}

common::FormModel& Workspace::show_form(const std::string& name) {
    const bool was_open = form(name) && !form(name)->closed;
    common::FormModel& f = open_form(name);
    if (was_open && on_form_opened) on_form_opened(f);
    return f;
}

void Workspace::drawing_changed() {
    for (auto& [name, f] : forms_)
        if (!f->closed) f->drawing_changed();
}

MaiFrm& Workspace::maifrm() { return static_cast<MaiFrm&>(open_form("MaiFrm")); }
// The menu form is never shown; it exists once the panel needs its menus.
FCK& Workspace::fck() { return static_cast<FCK&>(open_form("FCK")); }

}  // namespace korvane::panel
