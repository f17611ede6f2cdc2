#pragma once
// Map frames for the printed maps ("处理" → "制作公示图", "制作宗地图", "补加图像").
//
// A frame is a closed rectangle of a fixed size around a picked point (its coordinates rounded
// down to whole units). Filling a frame puts in the aerial tiles its extent touches, clips every
// image of the drawing to the frame's outline, inserts the office's frame template (border,
// title, legend) at the frame's lower-left corner scaled to the frame's height, and turns the
// image frames off. "补加图像" does the same without the template.
#include <optional>
#include <string>
#include <vector>

#include "host/command_frame.h"
#include "mapping/tile_names.h"

namespace korvane::mapping {

struct FrameSize {
    double half_width;
    double half_height;
};
inline constexpr FrameSize kFrame610{300, 295};
inline constexpr FrameSize kFrame910{450, 442};
inline constexpr FrameSize kFrameA3{125, 137.5};
inline constexpr FrameSize kFrameA4{100, 110};

// A template drawing in the data directory and the height it is drawn at.
struct FrameTemplate {
    const char* file;
    double reference_height;
    bool remind_scale;  // the parcel map asks the user to edit its scale note
};
inline constexpr FrameTemplate kNoticeTemplate{"公示图框.dxf", 590, false};
inline constexpr FrameTemplate kParcelTemplate{"宗地图(A3).dxf", 275, true};

inline constexpr const char* kFramePointPrompt = "\r\n图幅内点:";
inline constexpr const char* kPickFramePrompt = "请选择实体";
inline constexpr const char* kScaleReminder = "根据打印比例尺修改比例尺注记。";
inline constexpr const char* kMissingTemplateMessage = "找不到图框模板文件：";

// The frame's four corners (lower left, lower right, upper right, upper left) as x,y,z triples,
// around the point rounded down.
std::vector<double> frame_corners(const host::Point& inside, FrameSize size);

// The kilometre sheets an extent touches: kx0..kx1, ky0..ky1 (rounded down).
struct SheetRange {
    long long kx0, ky0, kx1, ky1;
};
SheetRange sheets_of(const host::Point& min, const host::Point& max);

// Asks for a point inside the sheet and draws the frame there on the current layer. Esc ends
// the command quietly.
void draw_frame(host::Session& session, FrameSize size);

// Asks for the frame and fills it; without a template only the images. A template missing from
// the data directory is reported by name once the images are in. Esc ends the command quietly.
void fill_frame(host::Session& session, const TileSource& tiles, const std::optional<FrameTemplate>& frame_template);

}  // namespace korvane::mapping
