#pragma once
// One open drawing in the embedded host: the engine's document with its file,
// view, named selection sets, highlights and the session's system variables.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drawing/document.h"
#include "host/host.h"

namespace korvane::drawing { class SpatialIndex; }

namespace korvane::host {

struct View {
    Point center{0, 0, 0};
    double height = 100;  // VIEWSIZE: drawing units across the view's height
};

struct NamedSelection {
    std::string name;  // as created
    std::vector<drawing::RecordId> members;  // selection order
};

class HostDocument {
public:
    explicit HostDocument(drawing::Document doc, std::string path = {});
    ~HostDocument();

    drawing::Document& doc() { return doc_; }
    const drawing::Document& doc() const { return doc_; }
    const std::string& path() const { return path_; }
    void set_path(std::string path) { path_ = std::move(path); }
    // File name shown in captions and tabs ("Drawing1.dxf" for a new drawing).
    std::string name() const;

    View& view() { return view_; }
    // Sets the view to show the drawing's extents (with a small margin).
    void zoom_extents(double screen_w, double screen_h);

    std::vector<NamedSelection>& selection_sets() { return sets_; }
    NamedSelection* find_set(const std::string& name);  // name compared without regard to case
    std::vector<drawing::RecordId>& previous_selection() { return previous_; }
    std::set<drawing::RecordId>& highlighted() { return highlighted_; }
    // The objects chosen in the drawing window while no command runs: shown with grips and in
    // the properties panel. May name erased entities; readers check is_live_entity.
    std::vector<drawing::RecordId>& picked() { return picked_; }
    // What the selection prompt of a running command has gathered so far (the drawing window
    // highlights it); empty when no such prompt runs.
    std::vector<drawing::RecordId>& gathering() { return gathering_; }

    // Session variables without a place in the DXF header (filedia, ...).
    std::map<std::string, Value>& session_vars() { return session_vars_; }

    // A spatial index of model space, rebuilt when the drawing changed.
    drawing::SpatialIndex& index();

    // Model-space entities in drawing order, cached until the drawing changes.
    const std::vector<drawing::RecordId>& modelspace();

    // True when `id` is a live model-space entity of this drawing.
    bool is_live_entity(drawing::RecordId id) const;

    // Saves to `path` (or the current path) and clears the modified flag; save_document
    // (document_save.h) also says when the previous file could not be kept as NAME.bak.
    void save(const std::string& path = {});

    int untitled_number = 0;

private:
    drawing::Document doc_;
    std::string path_;
    View view_;
    std::vector<NamedSelection> sets_;
    std::vector<drawing::RecordId> previous_;
    std::set<drawing::RecordId> highlighted_;
    std::vector<drawing::RecordId> picked_;
    std::vector<drawing::RecordId> gathering_;
    std::map<std::string, Value> session_vars_;
    std::unique_ptr<drawing::SpatialIndex> index_;
    std::vector<drawing::RecordId> modelspace_;
    std::vector<bool> in_modelspace_;  // by record
    uint64_t modelspace_revision_ = ~0ull;
    uint64_t modelspace_generation_ = 0;
    uint64_t modelspace_erasures_ = 0;
    size_t modelspace_log_seen_ = 0;
    bool follow_modelspace();
};

}  // namespace korvane::host
