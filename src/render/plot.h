#pragma once
// Plotting: an extent of a drawing (a frame, the view, a window) drawn at a scale 1:N onto a
// page, centred, through the same renderer as the screen. 1 m at 1:2000 is 0.5 mm on paper;
// nothing outside the extent is drawn; line widths are kept at the scale, and a line without
// width is drawn at the thinnest width a plot shows; images at no more than the resolution
// the paper needs; image frames as IMAGEFRAME says (2: shown, not plotted); text as text.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/geometry.h"

class QPainter;

namespace korvane::host {
class EmbeddedHost;
class HostDocument;
}  // namespace korvane::host

namespace korvane::render {

class DrawingRenderer;

// A sheet of paper as it lies on the page: width and height in millimetres.
struct Paper {
    std::string name;  // "A3"
    double width_mm = 0, height_mm = 0;
    bool landscape() const { return width_mm > height_mm; }
};

// A4 .. A0, portrait.
const std::vector<Paper>& iso_papers();
// The paper of that name ("A0".."A4", any case) in the orientation asked for.
std::optional<Paper> paper_named(std::string_view name, bool landscape);
// The smallest of A4..A0, either orientation, that holds width x height millimetres.
std::optional<Paper> smallest_paper(double width_mm, double height_mm);

// The thinnest line a plot draws, in millimetres.
inline constexpr double kThinLineMm = 0.1;
// The resolution the renderer works at on paper.
inline constexpr double kPlotDpi = 150;
// The most an image carries on paper: each is cropped to the part the page shows and reduced
// to this resolution when its file is finer (never enlarged).
inline constexpr double kPlotImageDpi = 300;

struct PlotRequest {
    drawing::Box2 extent;          // drawing units
    double scale = 1000;           // N of 1:N (drawing units are metres)
    std::optional<Paper> paper;    // none: the smallest that holds the extent
    std::string image_directory;   // where image files are looked for besides the drawing's folder
};

struct PlotResult {
    std::string error;  // empty when the plot was made
    Paper paper;
    bool ok() const { return error.empty(); }
};

inline constexpr const char* kNoPaperMessage = "在此比例尺下，打印范围超出A0纸张。";
inline constexpr const char* kEmptyExtentMessage = "打印范围为空。";

// What the view shows on a screen of that many pixels.
drawing::Box2 view_extent(const host::HostDocument& doc, double screen_width, double screen_height);

// "1:2000", "2000": the N of the scale; nothing for anything else or N <= 0.
std::optional<double> scale_of(std::string_view text);

// The paper the request will go on, or the error.
PlotResult plan_plot(const PlotRequest& request);

// Paints the request onto a painter whose device is the page of `paper` at `dpi` dots per inch.
void paint_plot(QPainter& painter, double dpi, const Paper& paper, host::HostDocument& doc,
                const host::EmbeddedHost& host, const PlotRequest& request, DrawingRenderer& renderer);

// Writes the plot as a one-page PDF. The file appears whole or not at all.
PlotResult plot_to_pdf(const std::string& file, host::HostDocument& doc, const host::EmbeddedHost& host,
                       const PlotRequest& request);

}  // namespace korvane::render
