#include "render/plot.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "host/host_document.h"
#include "render/render.h"

namespace korvane::render {

namespace {

constexpr double kMmPerInch = 25.4;

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The view the renderer paints: the extent's centre, the page's pixels per drawing unit.
struct PlotGeometry {
    double px_per_unit = 1;
    QSize size;            // the extent in device pixels, rounded up
    QPointF origin;        // where the top-left of `size` lies on the page
    QRectF extent_on_page;
};

PlotGeometry geometry(double dpi, const Paper& paper, const PlotRequest& r) {
    PlotGeometry g;
    g.px_per_unit = 1000.0 / r.scale / kMmPerInch * dpi;
    double w = (r.extent.max_x - r.extent.min_x) * g.px_per_unit, h = (r.extent.max_y - r.extent.min_y) * g.px_per_unit;
    g.size = QSize(int(std::ceil(w)), int(std::ceil(h)));
    double page_w = paper.width_mm / kMmPerInch * dpi, page_h = paper.height_mm / kMmPerInch * dpi;
    // The renderer centres the extent in `size`; `size` is centred on the page.
    g.origin = QPointF((page_w - g.size.width()) / 2, (page_h - g.size.height()) / 2);
    g.extent_on_page = QRectF((page_w - w) / 2, (page_h - h) / 2, w, h);
    return g;
}

}  // namespace

const std::vector<Paper>& iso_papers() {
    static const std::vector<Paper> papers{
        {"A4", 210, 297}, {"A3", 297, 420}, {"A2", 420, 594}, {"A1", 594, 841}, {"A0", 841, 1189}};
    return papers;
}

std::optional<Paper> paper_named(std::string_view name, bool landscape) {
    for (Paper p : iso_papers())
        if (p.name == upper(name)) {
            if (landscape) std::swap(p.width_mm, p.height_mm);
            return p;
        }
    return std::nullopt;
}

std::optional<Paper> smallest_paper(double width_mm, double height_mm) {
    for (Paper p : iso_papers()) {
        if (width_mm <= p.width_mm && height_mm <= p.height_mm) return p;
        if (width_mm <= p.height_mm && height_mm <= p.width_mm) {
            std::swap(p.width_mm, p.height_mm);
            return p;
        }
    }
    return std::nullopt;
}

drawing::Box2 view_extent(const host::HostDocument& doc, double screen_width, double screen_height) {
    const host::View& v = const_cast<host::HostDocument&>(doc).view();
    double h = v.height, w = screen_height > 0 ? h * screen_width / screen_height : h;
    return drawing::Box2{v.center.x - w / 2, v.center.y - h / 2, v.center.x + w / 2, v.center.y + h / 2};
}

std::optional<double> scale_of(std::string_view text) {
    std::string t(text);
    if (t.rfind("1:", 0) == 0) t = t.substr(2);
    if (t.empty()) return std::nullopt;
    char* end = nullptr;
    double n = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !(n > 0) || !std::isfinite(n)) return std::nullopt;
    return n;
}

PlotResult plan_plot(const PlotRequest& r) {
    PlotResult result;
    if (r.extent.empty() || r.extent.max_x <= r.extent.min_x || r.extent.max_y <= r.extent.min_y || !(r.scale > 0)) {
        result.error = kEmptyExtentMessage;
        return result;
    }
    double w = (r.extent.max_x - r.extent.min_x) * 1000 / r.scale, h = (r.extent.max_y - r.extent.min_y) * 1000 / r.scale;
    std::optional<Paper> paper = r.paper ? r.paper : smallest_paper(w, h);
    if (!paper) result.error = kNoPaperMessage;
    else result.paper = *paper;
    return result;
}

void paint_plot(QPainter& painter, double dpi, const Paper& paper, host::HostDocument& doc,
                const host::EmbeddedHost& host, const PlotRequest& request, DrawingRenderer& renderer) {
    PlotGeometry g = geometry(dpi, paper, request);
    host::View saved = doc.view();
    doc.view().center = {(request.extent.min_x + request.extent.max_x) / 2,
                         (request.extent.min_y + request.extent.max_y) / 2, 0};
    doc.view().height = g.size.height() / g.px_per_unit;
    renderer.set_image_directory(request.image_directory);

    RenderOptions options;
    options.dark_background = false;
    options.plotting = true;
    options.min_line_px = kThinLineMm / kMmPerInch * dpi;
    options.max_image_px = kPlotImageDpi / dpi;
    painter.save();
    painter.setClipRect(g.extent_on_page);
    // The renderer puts drawing coordinates on pixel centres; on paper they go exactly.
    painter.translate(g.origin - QPointF(0.5, 0.5));
    renderer.render(painter, doc, host, g.size, options);
    painter.restore();
    doc.view() = saved;
}

PlotResult plot_to_pdf(const std::string& file, host::HostDocument& doc, const host::EmbeddedHost& host,
                       const PlotRequest& request) {
    PlotResult result = plan_plot(request);
    if (!result.ok()) return result;
    namespace fs = std::filesystem;
    fs::path target(file);
    fs::path temp = target;
    temp += ".part";
    {
        QPdfWriter pdf(QString::fromStdString(temp.string()));
        pdf.setResolution(int(kPlotDpi));
        pdf.setCreator(QStringLiteral("Korvane"));
        pdf.setTitle(QString::fromStdString(target.filename().string()));
        QPageSize size(QSizeF(result.paper.width_mm, result.paper.height_mm), QPageSize::Millimeter,
                       QString::fromStdString(result.paper.name), QPageSize::ExactMatch);
        pdf.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            result.error = "无法写入文件：" + file;
            return result;
        }
        DrawingRenderer renderer;
        paint_plot(painter, kPlotDpi, result.paper, doc, host, request, renderer);
        painter.end();
    }
    std::error_code ec;
    if (!fs::exists(temp, ec) || fs::file_size(temp, ec) == 0) {
        fs::remove(temp, ec);
        result.error = "无法写入文件：" + file;
        return result;
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        result.error = "无法写入文件：" + file + "（" + ec.message() + "）";
    }
    return result;
}

}  // namespace korvane::render
