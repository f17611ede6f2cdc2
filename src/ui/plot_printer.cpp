// Printing on the system's printers, where Qt's printing support is there.
#include "ui/plot_dialog.h"

#ifdef KORVANE_HAVE_PRINTER
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#endif

#include "render/render.h"

namespace korvane::ui {

#ifdef KORVANE_HAVE_PRINTER

QStringList system_printers() { return QPrinterInfo::availablePrinterNames(); }

std::string print_on_printer(const QString& name, host::HostDocument& doc, const host::EmbeddedHost& host,
                             const render::PlotRequest& request) {
    render::PlotResult plan = render::plan_plot(request);
    if (!plan.ok()) return plan.error;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(name);
    printer.setFullPage(true);
    QPageSize size(QSizeF(plan.paper.width_mm, plan.paper.height_mm), QPageSize::Millimeter,
                   QString::fromStdString(plan.paper.name), QPageSize::FuzzyMatch);
    printer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    // At the plot resolution, so that line widths and images come out as in a PDF.
    printer.setResolution(int(render::kPlotDpi));
    QPainter painter;
    if (!painter.begin(&printer)) return "无法使用打印机：" + name.toStdString();
    render::DrawingRenderer renderer;
    render::paint_plot(painter, render::kPlotDpi, plan.paper, doc, host, request, renderer);
    painter.end();
    return {};
}

#else

QStringList system_printers() { return {}; }

std::string print_on_printer(const QString&, host::HostDocument&, const host::EmbeddedHost&, const render::PlotRequest&) {
    return "没有打印支持，请打印到 PDF 文件。";
}

#endif

}  // namespace korvane::ui
