#include "tools/vertex_edit.h"

namespace korvane::tools {

bool move_vertex(host::Application& app, const std::string& handle, int index, const host::Point& to) {
    host::DocumentPtr doc = app.ActiveDocument();
    host::EntityPtr e = doc ? doc->HandleToObject(handle) : nullptr;
    if (!e) {
        app.Err().clear();
        return false;
    }
    std::string kind = e->ObjectName();
    if (kind != "AcDbPolyline" && kind != "AcDb2dPolyline" && kind != "AcDb3dPolyline") return false;
    size_t stride = kind == "AcDbPolyline" ? 2 : 3;
    std::vector<double> c = e->Coordinates();
    if (index < 0 || (size_t(index) + 1) * stride > c.size()) return false;
    c[size_t(index) * stride] = to.x;
    c[size_t(index) * stride + 1] = to.y;
    doc->StartUndoMark("夹点编辑");
    e->SetCoordinates(c);
    doc->EndUndoMark();
    return true;
}

}  // namespace korvane::tools
