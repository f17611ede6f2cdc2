#include "checks/record_check.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "common/numbers.h"
#include "common/text.h"
#include "parcel/parcel_record.h"

namespace korvane::checks {

namespace {

// The names of a list the neighbour fill writes, in order ("A,B," gives A and B).
std::vector<std::string> listed_names(std::string_view list) {
    if (list.empty()) return {};
    std::vector<std::string> names = common::split(list, ",");
    if (!names.empty() && names.back().empty()) names.pop_back();
    return names;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : "、") + n;
    return out;
}

}  // namespace

std::optional<std::string> layer_problem(std::string_view layer, std::string_view code) {
    const parcel::ParcelType type = parcel::type_of_layer(layer);
    if (type == parcel::ParcelType::None) return std::nullopt;
    // Would a save with this layer's type chosen keep the parcel on it?
    parcel::SavePlan plan = parcel::plan_save(type, code, "-", "-");
    if (!plan.refused() && plan.target == type) return std::nullopt;
    return "权属代码与图层不符（" + std::string(layer) + "，代码“" + std::string(code) + "”）";
}

std::optional<std::string> area_problem(std::string_view measured, double polygon_area, double islands_area) {
    std::optional<double> value = common::to_number(common::trim(measured));
    if (!value) return "实测面积不是数值（“" + std::string(measured) + "”）";
    auto agrees = [&](double area) {
        const double off = std::abs(*value - area);
        // (a hair over, for areas written with two decimals that are exactly 0.1 off)
        return off <= kAreaTolerance + 1e-9 || off <= kAreaShare * area;
    };
    if (agrees(polygon_area) || (islands_area > 0 && agrees(polygon_area - islands_area))) return std::nullopt;
    return "实测面积与图形面积不符（实测" + common::format_0_00(*value) + "，图形" + common::format_0_00(polygon_area) + "）";
}

std::optional<std::string> bounds_problem(std::string_view stored, const std::vector<std::string>& holders) {
    std::string fill;
    for (const auto& h : holders) fill += h + ",";
    const std::vector<std::string> have = listed_names(stored), want = listed_names(fill);
    // Names of `list` that `other` does not hold as often, in the list's order.
    auto beyond = [](const std::vector<std::string>& list, const std::vector<std::string>& other) {
        std::multiset<std::string> left(other.begin(), other.end());
        std::vector<std::string> out;
        for (const auto& n : list) {
            auto it = left.find(n);
            if (it == left.end()) out.push_back(n);
            else left.erase(it);
        }
        return out;
    };
    const std::vector<std::string> missing = beyond(want, have), extra = beyond(have, want);
    const bool too_long_to_write = fill.size() > 255;
    if (extra.empty() && (missing.empty() || too_long_to_write)) return std::nullopt;
    std::string detail;
    if (!missing.empty()) detail += "缺：" + joined(missing);
    if (!extra.empty()) detail += std::string(detail.empty() ? "" : "；") + "多：" + joined(extra);
    return "四至与相邻宗地不符（" + detail + "）";
}

}  // namespace korvane::checks
