#pragma once
// 检查线重复点: parcel polylines with two consecutive vertices at the same place. Two vertices
// are at the same place when their x and y, each written "0.00", are the same texts. Only
// consecutive vertices of one polyline are compared (not the closing pair, and not the last
// vertex of one parcel with the first of the next).
//
// find_repeated_vertices is the check itself, for every caller that wants the findings; the
// menu command marks them in the drawing: a marker line up to each repeated vertex, and the
// parcel in red with width 1.
#include <string>
#include <vector>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr const char* kIslandLayer = "宗地岛";
// The zoom around each parcel reaches this far beyond its bounding box (drawing units).
inline constexpr double kParcelZoomMargin = 100;
inline constexpr double kDuplicateWidth = 1.0;

// The "0.00" key of a vertex.
std::string vertex_key(double x, double y);

struct RepeatedVertex {
    size_t index = 0;  // vertex number from 0; its predecessor has the same key
    double x = 0, y = 0;
};
// The repeated vertices of a polyline given as x,y pairs.
std::vector<RepeatedVertex> find_repeated_vertices(const std::vector<double>& xy);

struct DuplicateFinding {
    std::string handle;  // of the parcel polyline
    RepeatedVertex vertex;
};

struct DuplicateCheckResult {
    long parcels = 0;  // parcels looked at
    std::vector<DuplicateFinding> findings;
    bool cancelled = false;
};

// The check over the members of the active drawing's selection set "text" (inside a command
// frame), marking what it finds; shows its progress, Cancel stops after the parcel at hand.
DuplicateCheckResult mark_duplicate_points(host::CommandContext& ctx);

// The menu command: the user selects parcels, the check marks them; no closing message.
void check_duplicate_points(host::Session& session);

}  // namespace korvane::tools
