#include "host/host_document.h"

#include <algorithm>
#include <filesystem>
#include <limits>

#include "drawing/entity.h"
#include "drawing/geometry.h"
#include "drawing/spatial_index.h"

namespace korvane::host {

HostDocument::HostDocument(drawing::Document doc, std::string path) : doc_(std::move(doc)), path_(std::move(path)) {}
HostDocument::~HostDocument() = default;

std::string HostDocument::name() const {
    if (!path_.empty()) return std::filesystem::path(path_).filename().string();
    return "Drawing" + std::to_string(untitled_number) + ".dxf";
}

NamedSelection* HostDocument::find_set(const std::string& name) {
    for (auto& s : sets_)
        if (drawing::iequals(s.name, name)) return &s;
    return nullptr;
}

bool HostDocument::is_live_entity(drawing::RecordId id) const {
    if (id == drawing::kNoRecord || id >= doc_.record_count()) return false;
    const auto& r = doc_.record(id);
    if (r.erased) return false;
    std::string_view t = doc_.type(id);
    return !t.empty() && t != "VERTEX" && t != "SEQEND" && t != "ATTRIB";
}

const std::vector<drawing::RecordId>& HostDocument::modelspace() {
    if (modelspace_revision_ != doc_.revision()) {
        modelspace_ = doc_.modelspace();
        modelspace_revision_ = doc_.revision();
    }
    return modelspace_;
}

drawing::SpatialIndex& HostDocument::index() {
    if (!index_) index_ = std::make_unique<drawing::SpatialIndex>(doc_);
    index_->refresh();
    return *index_;
}

void HostDocument::zoom_extents(double screen_w, double screen_h) {
    drawing::Box2 b = index().extents();
    if (b.empty()) {
        view_.center = {0, 0, 0};
        view_.height = 100;
        return;
    }
    double aspect = screen_w / screen_h;
    view_.center = {b.center().x, b.center().y, 0};
    view_.height = std::max({b.height(), b.width() / aspect, 1e-6}) * 1.05;
}

void HostDocument::save(const std::string& path) {
    std::string target = path.empty() ? path_ : path;
    doc_.save(target);
    path_ = target;
    doc_.set_modified(false);
}

}  // namespace korvane::host
