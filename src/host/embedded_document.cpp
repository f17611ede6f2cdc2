#include <algorithm>

#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "host/command_interpreter.h"
#include "host/embedded_internal.h"
#include "host/system_variables.h"

namespace korvane::host {

// Defined beside their classes.
LayersPtr make_embedded_layers(EmbeddedHost& host, HostDocument& doc);
LayerPtr make_embedded_layer(EmbeddedHost& host, HostDocument& doc, drawing::RecordId id);
ModelSpacePtr make_embedded_modelspace(EmbeddedHost& host, HostDocument& doc);
SelectionSetsPtr make_embedded_selection_sets(EmbeddedHost& host, HostDocument& doc);
UtilityPtr make_embedded_utility(EmbeddedHost& host, HostDocument& doc);

namespace {

class EmbeddedDocument : public Document, EmbeddedBase {
public:
    using EmbeddedBase::EmbeddedBase;

    std::string Name() override { return alive() ? doc_->name() : std::string(); }
    std::string FullName() override { return alive() ? doc_->path() : std::string(); }
    ModelSpacePtr ModelSpace() override { return alive() ? make_embedded_modelspace(*host_, *doc_) : nullptr; }
    LayersPtr Layers() override { return alive() ? make_embedded_layers(*host_, *doc_) : nullptr; }
    SelectionSetsPtr SelectionSets() override { return alive() ? make_embedded_selection_sets(*host_, *doc_) : nullptr; }
    UtilityPtr Utility() override { return alive() ? make_embedded_utility(*host_, *doc_) : nullptr; }

    LayerPtr ActiveLayer() override {
        if (!alive()) return nullptr;
        std::string name = engine().header_text("$CLAYER").value_or("0");
        drawing::RecordId id = drawing::find_table_entry(engine(), "LAYER", engine().codec().decode(name));
        if (id == drawing::kNoRecord) id = drawing::find_table_entry(engine(), "LAYER", "0");
        if (id == drawing::kNoRecord) {
            err().raise(kErrNotFound, "the drawing has no layers");
            return nullptr;
        }
        return make_embedded_layer(*host_, *doc_, id);
    }
    void SetActiveLayer(const LayerPtr& layer) override {
        if (!alive() || !layer) return;
        set_system_variable(*doc_, "CLAYER", Value(layer->Name()));
    }

    EntityPtr HandleToObject(const std::string& handle) override {
        if (!alive()) return nullptr;
        drawing::RecordId id = engine().find_handle(handle);
        EntityPtr e = doc_->is_live_entity(id) ? make_embedded_entity(*host_, *doc_, id) : nullptr;
        if (!e) err().raise(kErrNotFound, "no object with handle " + handle);
        return e;
    }

    Value GetVariable(const std::string& name) override {
        if (!alive()) return {};
        Value v = get_system_variable(*doc_, *host_, name);
        if (std::holds_alternative<std::monostate>(v)) err().raise(kErrInvalidArgument, "unknown system variable " + name);
        return v;
    }
    void SetVariable(const std::string& name, const Value& value) override {
        if (!alive()) return;
        if (!set_system_variable(*doc_, name, value)) err().raise(kErrInvalidArgument, "cannot set system variable " + name);
        host_->changed();
    }

    void Activate() override {
        if (!alive()) return;
        for (size_t i = 0; i < host_->document_count(); ++i)
            if (&host_->document(i) == doc_) host_->set_active(i);
    }
    void SendCommand(const std::string& text) override {
        if (!alive()) return;
        host_->interpreter().send(*doc_, text);
        host_->changed();
    }
    void StartUndoMark(const std::string& name = {}) override {
        if (alive()) engine().begin_undo_step(name.empty() ? std::string("命令") : name);
    }
    void EndUndoMark() override {
        if (alive()) engine().end_undo_step();
    }
    void Regen() override { host_->changed(); }
};

}  // namespace

DocumentPtr make_embedded_document(EmbeddedHost& host, HostDocument& doc) {
    return std::make_shared<EmbeddedDocument>(host, &doc);
}

}  // namespace korvane::host
