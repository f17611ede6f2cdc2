#include "drawing/entity.h"
#include "drawing/tables.h"
#include "host/embedded_internal.h"

namespace korvane::host {

namespace {

class EmbeddedLayer : public Layer, EmbeddedBase {
public:
    EmbeddedLayer(EmbeddedHost& host, HostDocument* doc, drawing::RecordId id) : EmbeddedBase(host, doc), id_(id) {}
    std::string Name() override { return ok() ? info().name : std::string(); }
    bool LayerOn() override { return ok() && info().on; }
    void SetLayerOn(bool on) override { if (ok()) { drawing::set_layer_on(engine(), id_, on); host_->changed(); } }
    bool Freeze() override { return ok() && info().frozen; }
    void SetFreeze(bool f) override { if (ok()) { drawing::set_layer_frozen(engine(), id_, f); host_->changed(); } }
    bool Lock() override { return ok() && info().locked; }
    void SetLock(bool l) override { if (ok()) drawing::set_layer_locked(engine(), id_, l); }
    int color() override { return ok() ? info().color : 7; }

private:
    drawing::RecordId id_;
    bool ok() {
        if (!alive()) return false;
        if (engine().record(id_).erased) {
            err().raise(kErrErased, "the layer was erased");
            return false;
        }
        return true;
    }
    drawing::LayerInfo info() { return drawing::layer_info(engine(), id_); }
};

class EmbeddedLayers : public Layers, EmbeddedBase {
public:
    using EmbeddedBase::EmbeddedBase;
    LayerPtr Add(const std::string& name) override {
        if (!alive()) return nullptr;
        if (name.empty() || name.find_first_of("<>/\\\":;?*|,=`") != std::string::npos) {
            err().raise(kErrInvalidArgument, "invalid layer name: " + name);
            return nullptr;
        }
        return std::make_shared<EmbeddedLayer>(*host_, doc_, drawing::add_layer(engine(), name));
    }
    LayerPtr Item(const std::string& name) override {
        if (!alive()) return nullptr;
        drawing::RecordId id = drawing::find_table_entry(engine(), "LAYER", name);
        if (id == drawing::kNoRecord) {
            err().raise(kErrNotFound, "no layer named " + name);
            return nullptr;
        }
        return std::make_shared<EmbeddedLayer>(*host_, doc_, id);
    }
    LayerPtr Item(long index) override {
        if (!alive()) return nullptr;
        auto ids = drawing::table_entries(engine(), "LAYER");
        if (index < 0 || size_t(index) >= ids.size()) {
            err().raise(kErrInvalidArgument, "layer index out of range");
            return nullptr;
        }
        return std::make_shared<EmbeddedLayer>(*host_, doc_, ids[size_t(index)]);
    }
    long Count() override { return alive() ? long(drawing::table_entries(engine(), "LAYER").size()) : 0; }
};

}  // namespace

LayersPtr make_embedded_layers(EmbeddedHost& host, HostDocument& doc) {
    return std::make_shared<EmbeddedLayers>(host, &doc);
}
LayerPtr make_embedded_layer(EmbeddedHost& host, HostDocument& doc, drawing::RecordId id) {
    return std::make_shared<EmbeddedLayer>(host, &doc, id);
}

}  // namespace korvane::host
