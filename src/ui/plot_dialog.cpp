#include "ui/plot_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/settings.h"

namespace korvane::ui {

namespace {

constexpr const char* kSection = "Korvane";
const char* const kScales[] = {"500", "1000", "2000", "5000", "10000"};

// "A3 横向" for a paper in its orientation, "" for the automatic choice.
QString paper_caption(const render::Paper& p) {
    return QString::fromStdString(p.name) + (p.landscape() ? QStringLiteral(" 横向") : QStringLiteral(" 纵向"));
}

}  // namespace

PlotDialog::PlotDialog(common::SettingsStore& settings, const QString& default_file, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName("PlotDialog");
    setWindowTitle(QStringLiteral("打印"));
    auto* form = new QFormLayout(this);

    range_ = new QComboBox(this);
    range_->setObjectName("range");
    range_->addItems({QStringLiteral("图框（在图中选择）"), QStringLiteral("当前视图"), QStringLiteral("窗口（在图中指定两角）")});
    form->addRow(QStringLiteral("打印范围："), range_);

    scale_ = new QComboBox(this);
    scale_->setObjectName("scale");
    scale_->setEditable(true);
    for (const char* s : kScales) scale_->addItem(QString::fromLatin1(s));
    scale_->setCurrentText(QString::fromStdString(settings_.get(kSection, "PlotScale").value_or("1000")));
    auto* scale_row = new QHBoxLayout;
    scale_row->addWidget(new QLabel(QStringLiteral("1 :"), this));
    scale_row->addWidget(scale_, 1);
    form->addRow(QStringLiteral("比例尺："), scale_row);

    paper_ = new QComboBox(this);
    paper_->setObjectName("paper");
    paper_->addItem(QStringLiteral("自动（A4…A0 中放得下的最小一种）"), QString());
    for (const render::Paper& p : render::iso_papers())
        for (bool landscape : {false, true}) {
            render::Paper turned = *render::paper_named(p.name, landscape);
            paper_->addItem(paper_caption(turned), paper_caption(turned));
        }
    int remembered = paper_->findData(QString::fromStdString(settings_.get(kSection, "PlotPaper").value_or("")));
    paper_->setCurrentIndex(std::max(0, remembered));
    form->addRow(QStringLiteral("图纸："), paper_);

    output_ = new QComboBox(this);
    output_->setObjectName("output");
    output_->addItem(QStringLiteral("PDF 文件"), QString());
    for (const QString& printer : system_printers()) output_->addItem(printer, printer);
    form->addRow(QStringLiteral("输出到："), output_);

    file_ = new QLineEdit(default_file, this);
    file_->setObjectName("file");
    file_->setMinimumWidth(file_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);  // most of a path shows
    browse_ = new QPushButton(QStringLiteral("浏览..."), this);
    auto* file_row = new QHBoxLayout;
    file_row->addWidget(file_, 1);
    file_row->addWidget(browse_);
    form->addRow(QStringLiteral("文件："), file_row);
    connect(browse_, &QPushButton::clicked, this, [this] {
        QString f = QFileDialog::getSaveFileName(this, QStringLiteral("打印到文件"), file_->text(),
                                                 QStringLiteral("PDF 文件 (*.pdf)"));
        if (!f.isEmpty()) file_->setText(f);
    });
    connect(output_, &QComboBox::currentIndexChanged, this, [this] { output_changed(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("打印"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (choice()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    output_changed();
}

void PlotDialog::output_changed() {
    bool pdf = output_->currentData().toString().isEmpty();
    file_->setEnabled(pdf);
    browse_->setEnabled(pdf);
}

std::optional<PlotChoice> PlotDialog::choice() const {
    std::optional<double> scale = render::scale_of(scale_->currentText().trimmed().toStdString());
    if (!scale) return std::nullopt;
    PlotChoice c;
    c.range = PlotChoice::Range(range_->currentIndex());
    c.scale = *scale;
    QString paper = paper_->currentData().toString();
    if (!paper.isEmpty()) c.paper = render::paper_named(paper.section(' ', 0, 0).toStdString(), paper.endsWith(QStringLiteral("横向")));
    c.printer = output_->currentData().toString();
    c.file = file_->text().trimmed();
    if (c.printer.isEmpty() && c.file.isEmpty()) return std::nullopt;
    return c;
}

void PlotDialog::remember() const {
    settings_.set(kSection, "PlotScale", scale_->currentText().trimmed().toStdString());
    settings_.set(kSection, "PlotPaper", paper_->currentData().toString().toStdString());
}

}  // namespace korvane::ui
