#pragma once
// The drawing window's properties panel: the chosen objects' layer, colour, linetype and
// width, each editable from a list or typed (one undo step through the host), and for a parcel
// polyline its area, perimeter and record items, read-only. What to show and how a change is
// made is the model's (tools/properties_model.h); this only shows it.
#include <QDockWidget>

#include "tools/properties_model.h"

class QLabel;
class QTableWidget;

namespace korvane::host {
class EmbeddedHost;
}

namespace korvane::ui {

class CommandGate;

class PropertiesDock : public QDockWidget {
    Q_OBJECT
public:
    PropertiesDock(host::EmbeddedHost& host, CommandGate& gate, QWidget* parent = nullptr);

    // Shows the active drawing's chosen objects again.
    void refresh();
    // Gives the chosen objects this value, as the row's editor does when a value is chosen or
    // typed and Enter pressed.
    void edit(tools::Property what, const QString& value);

    QLabel* title() const { return title_; }
    QTableWidget* table() const { return table_; }
    const tools::PropertiesModel& model() const { return model_; }

signals:
    // A value was not taken; the text says why.
    void message(const QString& text);
    // The drawing was changed from the panel.
    void changed();

private:
    host::EmbeddedHost& host_;
    CommandGate& gate_;
    tools::PropertiesModel model_;
    QLabel* title_ = nullptr;
    QTableWidget* table_ = nullptr;
    bool filling_ = false;
};

}  // namespace korvane::ui
