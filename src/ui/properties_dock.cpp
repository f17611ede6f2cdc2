#include "ui/properties_dock.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include "drawing/tables.h"
#include "host/command_frame.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "ui/command_gate.h"

namespace korvane::ui {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

PropertiesDock::PropertiesDock(host::EmbeddedHost& host, CommandGate& gate, QWidget* parent)
    : QDockWidget(QStringLiteral("特性"), parent), host_(host), gate_(gate) {
    setObjectName("PropertiesDock");
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    title_ = new QLabel(body);
    title_->setWordWrap(true);
    table_ = new QTableWidget(0, 2, body);
    table_->setHorizontalHeaderLabels({QStringLiteral("特性"), QStringLiteral("值")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(title_);
    layout->addWidget(table_, 1);
    setWidget(body);
    refresh();
}

void PropertiesDock::refresh() {
    host::HostDocument* doc = host_.active();
    std::vector<std::string> handles;
    std::vector<std::string> linetypes;
    if (doc) {
        for (drawing::RecordId id : doc->picked())
            if (doc->is_live_entity(id))
                if (auto h = doc->doc().handle_of(id)) handles.push_back(drawing::format_handle(*h));
        for (drawing::RecordId lt : drawing::table_entries(doc->doc(), "LTYPE")) {
            std::string name = drawing::entry_name(doc->doc(), lt);
            std::string up;
            for (char c : name) up += char(std::toupper(static_cast<unsigned char>(c)));
            if (up != "BYLAYER" && up != "BYBLOCK") linetypes.push_back(name);
        }
    }
    model_.set_linetypes(std::move(linetypes));
    host::HostError err;
    host::ApplicationPtr app = host_.running() ? host_.GetObject(host::kHostClass, err) : nullptr;
    if (app) model_.read(*app, handles);
    else model_.clear();

    filling_ = true;
    title_->setText(qs(model_.title()));
    const auto& rows = model_.rows();
    table_->clearContents();
    table_->setRowCount(int(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const tools::PropertyRow& r = rows[i];
        int row = int(i);
        auto* name = new QTableWidgetItem(qs(r.name));
        table_->setItem(row, 0, name);
        if (r.edits == tools::Property::None) {
            auto* value = new QTableWidgetItem(qs(r.value));
            value->setForeground(QColor(90, 90, 90));
            table_->setItem(row, 1, value);
            continue;
        }
        tools::Property what = r.edits;
        if (r.choices.empty()) {
            auto* line = new QLineEdit(qs(r.value), table_);
            line->setFrame(false);
            connect(line, &QLineEdit::editingFinished, this, [this, line, what] {
                if (line->isModified()) edit(what, line->text());
            });
            table_->setCellWidget(row, 1, line);
            continue;
        }
        auto* combo = new QComboBox(table_);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (const auto& c : r.choices) combo->addItem(qs(c));
        combo->setCurrentText(qs(r.value));
        connect(combo, &QComboBox::activated, this, [this, combo, what](int) { edit(what, combo->currentText()); });
        connect(combo->lineEdit(), &QLineEdit::returnPressed, this,
                [this, combo, what] { edit(what, combo->currentText()); });
        table_->setCellWidget(row, 1, combo);
    }
    filling_ = false;
}

void PropertiesDock::edit(tools::Property what, const QString& value) {
    if (filling_) return;
    std::string problem;
    bool ran = gate_.run([&] {
        host::HostError err;
        if (host::ApplicationPtr app = host_.GetObject(host::kHostClass, err)) problem = model_.apply(*app, what, value.toStdString());
    });
    if (!ran) return;
    if (!problem.empty()) emit message(qs(problem));
    else emit changed();
    // Later, so that the editor that sent this is not deleted under its own signal.
    QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection);
}

}  // namespace korvane::ui
