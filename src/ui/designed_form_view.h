#pragma once
// A window for a form whose controls carry their own place and size (twips, on the form or
// in their frame), as the form was designed: every widget stands where the model says, text
// colours as the model gives them, and when the user resizes the window the model hears of it
// (FormModel::resize) and moves its controls, which the view then follows.
#include "ui/form_view.h"

namespace korvane::ui {

class DesignedFormView : public FormView {
    Q_OBJECT
public:
    using FormView::FormView;
    // Whether a form places its controls itself (some control has a width).
    static bool designed(const common::FormModel& model);
    QSize sizeHint() const override;

protected:
    void layout_controls() override;
    void refresh(const common::Control& c) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    bool placed_ = false;
    void place(const common::Control& c);
    int twips(int pixels) const;
};

}  // namespace korvane::ui
