#pragma once
// Organisation names on the maps ("处理" → "注记"): every selected parcel is labelled with its
// right holder (item 3 of its record) on the layer "小组名称", at a point of the entry's choice:
//
//   组织名称[1中心公式]  the polygon's area-weighted centroid; parcels of 独有/争议/共有宗地;
//                        height 2, the current colour
//   组织名称[2外围中心]  the centre of the bounding box; 国有宗地 too; height 5, red; ends with
//                        "程序运行完成！" on the command line
//
// A point that does not lie in the parcel (a point on the outline does) is not used: the
// parcel is shown in colour 7 at width 0.5 and the user clicks the place; Esc leaves that
// parcel without a label. A parcel whose area is zero has no centroid and is asked for too.
#include <optional>
#include <span>

#include "host/command_frame.h"

namespace korvane::mapping {

inline constexpr const char* kLabelLayer = "小组名称";
inline constexpr const char* kLabelPointPrompt = "请输入注记位置：";
inline constexpr const char* kLabelsDoneLine = "\r\n程序运行完成！";

enum class LabelEntry { Centroid, BoxCentre };

struct LabelStyle {
    const char* layers;  // the selection's layer filter
    double height;
    std::optional<int> colour;
    bool always_restore;  // width 0 and the colour back on every parcel, not only those asked for
    bool report_done;
};
const LabelStyle& label_style(LabelEntry entry);

struct PlanePoint {
    double x = 0, y = 0;
};

// The centroid of the polygon (closed from the last vertex back to the first), whichever way it
// runs; nothing when its area is zero.
std::optional<PlanePoint> polygon_centroid(std::span<const double> xs, std::span<const double> ys);

// Labels the parcels the user selects on screen.
void label_organisations(host::Session& session, LabelEntry entry);

}  // namespace korvane::mapping
