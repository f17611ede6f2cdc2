#pragma once
// The drawing window's "打印..." dialog: what to plot (a frame picked in the drawing, the view,
// a window of two corners), the scale 1:N, the paper (by default the smallest of A4..A0 that
// holds the extent) and where to (a PDF file, or a printer of the system where Qt's printing
// support is there). The last scale and paper are remembered.
#include <QDialog>

#include <optional>

#include "render/plot.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace korvane::common {
class SettingsStore;
}

namespace korvane::ui {

struct PlotChoice {
    enum Range { Frame, View, Window };
    Range range = Frame;
    double scale = 1000;
    std::optional<render::Paper> paper;  // none: the smallest that holds the extent
    QString printer;                     // empty: a PDF file
    QString file;
};

class PlotDialog : public QDialog {
    Q_OBJECT
public:
    PlotDialog(common::SettingsStore& settings, const QString& default_file, QWidget* parent = nullptr);

    // The choice as the dialog stands; nothing while the scale is not a number above 0.
    std::optional<PlotChoice> choice() const;
    // Stores the scale and the paper for the next time.
    void remember() const;

    QComboBox* range_box() const { return range_; }
    QComboBox* scale_box() const { return scale_; }
    QComboBox* paper_box() const { return paper_; }
    QComboBox* output_box() const { return output_; }
    QLineEdit* file_box() const { return file_; }

private:
    common::SettingsStore& settings_;
    QComboBox *range_ = nullptr, *scale_ = nullptr, *paper_ = nullptr, *output_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    void output_changed();
};

// The printers of the system (empty without Qt's printing support).
QStringList system_printers();
// Prints the request on a printer of the system; the error, or empty.
std::string print_on_printer(const QString& printer, host::HostDocument& doc, const host::EmbeddedHost& host,
                             const render::PlotRequest& request);

}  // namespace korvane::ui
