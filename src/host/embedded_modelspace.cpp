#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "host/embedded_internal.h"
#include "host/host_services.h"

namespace korvane::host {

namespace {

class EmbeddedModelSpace : public ModelSpace, EmbeddedBase {
public:
    using EmbeddedBase::EmbeddedBase;

    EntityPtr AddPoint(const Point& p) override {
        return guarded([&] { return drawing::add_point(engine(), d(p), layer()); });
    }
    EntityPtr AddText(const std::string& text, const Point& at, double height) override {
        return guarded([&] { return drawing::add_text(engine(), text, d(at), height, layer()); });
    }
    EntityPtr AddCircle(const Point& c, double r) override {
        if (r <= 0) return fail("the radius must be positive");
        return guarded([&] { return drawing::add_circle(engine(), d(c), r, layer()); });
    }
    EntityPtr AddPolyline(const std::vector<double>& xyz) override {
        if (xyz.size() < 6 || xyz.size() % 3 != 0) return fail("a polyline needs x,y,z triples for at least two vertices");
        std::vector<drawing::Point3> pts;
        for (size_t i = 0; i + 2 < xyz.size(); i += 3) pts.push_back({xyz[i], xyz[i + 1], xyz[i + 2]});
        return guarded([&] { return drawing::add_polyline(engine(), pts, false, layer()); });
    }
    EntityPtr AddLightWeightPolyline(const std::vector<double>& xy) override {
        if (xy.size() < 4 || xy.size() % 2 != 0) return fail("a lightweight polyline needs x,y pairs for at least two vertices");
        std::vector<drawing::Point3> pts;
        for (size_t i = 0; i + 1 < xy.size(); i += 2) pts.push_back({xy[i], xy[i + 1], 0});
        return guarded([&] { return drawing::add_lwpolyline(engine(), pts, false, layer()); });
    }
    EntityPtr AddLine(const Point& a, const Point& b) override {
        return guarded([&] { return drawing::add_line(engine(), d(a), d(b), layer()); });
    }
    EntityPtr AddRaster(const std::string& file, const Point& at, double scale, double rotation) override {
        if (!alive()) return nullptr;
        std::string error;
        drawing::RecordId id = add_raster(engine(), file, d(at), scale, rotation, layer(), error);
        if (id == drawing::kNoRecord) return fail(error.empty() ? "cannot insert the image " + file : error);
        return made(id);
    }
    EntityPtr InsertBlock(const Point& p, const std::string& name, double xs, double ys, double zs, double rot) override {
        if (!alive()) return nullptr;
        std::string error;
        drawing::RecordId id = insert_block(engine(), name, d(p), xs, ys, zs, rot, layer(), error);
        if (id == drawing::kNoRecord) return fail(error.empty() ? "cannot insert " + name : error);
        return made(id);
    }
    long Count() override { return alive() ? long(doc_->modelspace().size()) : 0; }
    EntityPtr Item(long index) override {
        if (!alive()) return nullptr;
        const auto& ms = doc_->modelspace();
        if (index < 0 || size_t(index) >= ms.size()) return fail("index out of range");
        return make_embedded_entity(*host_, *doc_, ms[size_t(index)]);
    }

private:
    static drawing::Point3 d(const Point& p) { return {p.x, p.y, p.z}; }
    std::string layer() {
        std::string raw = engine().header_text("$CLAYER").value_or("0");
        return engine().codec().decode(raw);
    }
    EntityPtr fail(const std::string& why) {
        err().raise(kErrInvalidArgument, why);
        return nullptr;
    }
    template <class Make>
    EntityPtr guarded(Make make) {
        if (!alive()) return nullptr;
        return made(make());
    }
    EntityPtr made(drawing::RecordId id) {
        if (!alive()) return nullptr;
        if (id == drawing::kNoRecord) return fail("the entity could not be created");
        host_->changed();
        return make_embedded_entity(*host_, *doc_, id);
    }
};

}  // namespace

ModelSpacePtr make_embedded_modelspace(EmbeddedHost& host, HostDocument& doc) {
    return std::make_shared<EmbeddedModelSpace>(host, &doc);
}

}  // namespace korvane::host
