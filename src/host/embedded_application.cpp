#include <algorithm>
#include <cmath>

#include "host/embedded_internal.h"

namespace korvane::host {

namespace {

class EmbeddedApplication : public Application {
public:
    explicit EmbeddedApplication(EmbeddedHost& host) : host_(host) {}
    HostError& Err() override { return host_.err(); }
    bool Visible() override { return host_.visible; }
    void SetVisible(bool visible) override { host_.visible = visible; }
    std::string Caption() override { return host_.caption(); }
    int WindowState() override { return host_.window_state; }
    void SetWindowState(int state) override {
        if (state < 1 || state > 3) {
            host_.err().raise(kErrInvalidArgument, "invalid window state");
            return;
        }
        host_.window_state = state;
    }
    void Prompt(const std::string& text) override { host_.print(text); }
    DocumentPtr ActiveDocument() override {
        HostDocument* d = host_.active();
        if (!d) {
            host_.err().raise(kErrNotFound, "no drawing is open");
            return nullptr;
        }
        return make_embedded_document(host_, *d);
    }
    std::vector<DocumentPtr> Documents() override {
        std::vector<DocumentPtr> out;
        for (size_t i = 0; i < host_.document_count(); ++i) out.push_back(make_embedded_document(host_, host_.document(i)));
        return out;
    }
    void ZoomWindow(const Point& a, const Point& b) override {
        HostDocument* d = active();
        if (!d) return;
        double w = std::fabs(b.x - a.x), h = std::fabs(b.y - a.y);
        double aspect = host_.screen_width() / host_.screen_height();
        d->view().center = {(a.x + b.x) / 2, (a.y + b.y) / 2, 0};
        d->view().height = std::max({h, w / aspect, 1e-9});
        host_.changed();
    }
    void ZoomCenter(const Point& center, double magnify) override {
        HostDocument* d = active();
        if (!d) return;
        d->view().center = {center.x, center.y, 0};
        if (magnify > 0) d->view().height = magnify;
        host_.changed();
    }
    void ZoomExtents() override {
        HostDocument* d = active();
        if (!d) return;
        d->zoom_extents(host_.screen_width(), host_.screen_height());
        host_.changed();
    }

private:
    EmbeddedHost& host_;
    HostDocument* active() {
        HostDocument* d = host_.active();
        if (!d) host_.err().raise(kErrNotFound, "no drawing is open");
        return d;
    }
};

}  // namespace

ApplicationPtr make_embedded_application(EmbeddedHost& host) { return std::make_shared<EmbeddedApplication>(host); }

}  // namespace korvane::host
