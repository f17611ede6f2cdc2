#pragma once
// 输出点位说明: the coordinates and work records of the points the user selects, one line a
// point in selection order, written to "输出-点位属性.txt" in the data directory (GBK, CR LF)
// and shown in the user's text editor:
//   x,y|survey date|map number|plotter|boundary pointer|boundary description|persons present
// with x and y to eight decimals. A point without a work record gets its coordinates and
// empty fields.
#include <string>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr const char* kPointReportFile = "输出-点位属性.txt";

// One line of the report for a point at (x, y) with that extended data (item 0 the
// application name, items 2..7 the work record's fields).
std::string point_report_line(double x, double y, const host::XData& record);

void write_point_report(host::Session& session);

}  // namespace korvane::tools
