#include "tools/tool_support.h"

#include "common/numbers.h"
#include "parcel/parcel_record.h"

namespace korvane::tools {

host::Filter parcel_filter() {
    host::Filter f;
    f.add(0, "LWPOLYLINE").add(8, parcel::kParcelLayers);
    return f;
}

std::vector<double> point_list(const std::vector<double>& xy) {
    std::vector<double> out;
    out.reserve(xy.size() / 2 * 3);
    for (size_t k = 0; k + 1 < xy.size(); k += 2) {
        out.push_back(xy[k]);
        out.push_back(xy[k + 1]);
        out.push_back(0);
    }
    return out;
}

std::string item_text(const host::XData& data, size_t i) {
    if (i >= data.size()) return {};
    const host::Value& v = data.values[i];
    if (auto s = std::get_if<std::string>(&v)) return *s;
    if (auto n = std::get_if<long long>(&v)) return common::number_to_text(*n);
    if (auto d = std::get_if<double>(&v)) return common::number_to_text(*d);
    if (auto p = std::get_if<host::Point>(&v))
        return common::number_to_text(p->x) + "," + common::number_to_text(p->y) + "," + common::number_to_text(p->z);
    return {};
}

host::EntityPtr add_marker_line(host::ModelSpace& ms, double x, double y) { return ms.AddPolyline({x, 0, 0, x, y, 0}); }

}  // namespace korvane::tools
