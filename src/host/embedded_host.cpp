#include "host/embedded_host.h"

#include "drawing/entity.h"
#include "host/command_interpreter.h"
#include "host/document_open.h"
#include "host/embedded_objects.h"

namespace korvane::host {

EmbeddedHost::EmbeddedHost(InputSource& input, Transcript& transcript) : input_(&input), transcript_(&transcript) {}
EmbeddedHost::~EmbeddedHost() = default;

HostDocument& EmbeddedHost::open(const std::string& path, std::vector<std::string>* warnings) {
    return adopt(read_document(path, warnings));
}

HostDocument& EmbeddedHost::add(drawing::Document doc, const std::string& path) {
    return adopt(std::make_unique<HostDocument>(std::move(doc), path));
}

HostDocument& EmbeddedHost::adopt(std::unique_ptr<HostDocument> doc) {
    docs_.push_back(std::move(doc));
    active_ = docs_.size() - 1;
    HostDocument& d = *docs_.back();
    if (d.path().empty()) d.untitled_number = ++untitled_counter_;
    d.zoom_extents(screen_w_, screen_h_);
    running_ = true;
    changed();
    active_checked();
    return d;
}

HostDocument& EmbeddedHost::new_document() { return add(drawing::Document::create()); }

void EmbeddedHost::close(size_t index) {
    if (index >= docs_.size()) return;
    docs_.erase(docs_.begin() + long(index));
    // The active drawing stays active when one before it closes.
    if (index < active_) --active_;
    if (active_ >= docs_.size()) active_ = docs_.empty() ? 0 : docs_.size() - 1;
    changed();
    active_checked();
}

void EmbeddedHost::active_checked() {
    HostDocument* now = active();
    if (now == last_active_) return;
    last_active_ = now;
    if (on_active_drawing_changed) on_active_drawing_changed();
}

HostDocument* EmbeddedHost::active() { return docs_.empty() ? nullptr : docs_[active_].get(); }

void EmbeddedHost::set_active(size_t index) {
    if (index < docs_.size()) active_ = index;
    changed();
    active_checked();
}

std::string EmbeddedHost::caption() const {
    std::string c = "Korvane";
    if (!docs_.empty()) c += " - [" + docs_[active_]->name() + "]";
    return c;
}

ApplicationPtr EmbeddedHost::application() {
    if (!app_) app_ = make_embedded_application(*this);
    return app_;
}

ApplicationPtr EmbeddedHost::GetObject(const std::string& class_name, HostError& err) {
    if (!running_ || !drawing::iequals(class_name, "Autocad.application")) {
        err.raise(kErrNoHost, "ActiveX component can't create object");
        return nullptr;
    }
    return application();
}

void EmbeddedHost::AppActivate(const std::string& caption) { last_activated_caption = caption; }

CommandInterpreter& EmbeddedHost::interpreter() {
    if (!interpreter_) interpreter_ = std::make_unique<CommandInterpreter>(*this);
    return *interpreter_;
}

}  // namespace korvane::host
