#include "host/host_document.h"
#include "host/document_save.h"

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

namespace {

// -1: not an entity of model space's kind (or erased); 0: in model space; 1: in paper space.
int space_of(const drawing::Document& doc, drawing::RecordId id) {
    const auto& r = doc.record(id);
    if (r.erased || r.tags.empty() || r.tags[0].code != 0) return -1;
    for (size_t i = 1; i < r.tags.size() && i < 12; ++i)
        if (r.tags[i].code == 67) return doc.integer(r.tags[i]) == 1 ? 1 : 0;
    return 0;
}

}  // namespace

const std::vector<drawing::RecordId>& HostDocument::modelspace() {
    if (modelspace_revision_ == doc_.revision()) return modelspace_;
    if (!follow_modelspace()) {
        modelspace_ = doc_.modelspace();
        in_modelspace_.assign(doc_.record_count(), false);
        for (drawing::RecordId id : modelspace_) in_modelspace_[id] = true;
    }
    modelspace_revision_ = doc_.revision();
    modelspace_generation_ = doc_.change_generation();
    modelspace_erasures_ = doc_.erasures();
    modelspace_log_seen_ = doc_.change_log().size();
    return modelspace_;
}

bool HostDocument::follow_modelspace() {
    // A loop that adds an entity and asks for model space again must not walk the drawing each
    // time: appends and edits since the last look come from the change log. Erasures, undo,
    // redo and section changes (drawing order) need the walk.
    const auto& log = doc_.change_log();
    if (modelspace_revision_ == ~0ull || modelspace_generation_ != doc_.change_generation() ||
        modelspace_erasures_ != doc_.erasures() || log.size() < modelspace_log_seen_)
        return false;
    in_modelspace_.resize(doc_.record_count(), false);
    std::vector<drawing::RecordId> appended;
    for (size_t k = modelspace_log_seen_; k < log.size(); ++k) {
        const drawing::RecordId id = log[k].id;
        if (id >= in_modelspace_.size()) return false;
        const int space = space_of(doc_, id);
        if (log[k].appended) {
            if (in_modelspace_[id]) return false;  // appended twice: its place is not known
            if (space == 0) {
                appended.push_back(id);
                in_modelspace_[id] = true;
            }
        } else if (in_modelspace_[id] ? space != 0 : space == 1) {
            return false;  // moved between model and paper space
        }
    }
    modelspace_.insert(modelspace_.end(), appended.begin(), appended.end());
    return true;
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

void HostDocument::save(const std::string& path) { save_document(*this, path); }

drawing::SaveReport save_document(HostDocument& doc, const std::string& path) {
    std::string target = path.empty() ? doc.path() : path;
    drawing::SaveReport report = drawing::save_drawing(doc.doc(), target);
    doc.set_path(target);
    doc.doc().set_modified(false);
    return report;
}

}  // namespace korvane::host
