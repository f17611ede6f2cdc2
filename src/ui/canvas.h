#pragma once
// The drawing area of the drawing window: shows the host's active drawing as its
// view says, pans (middle button, or space and drag) and zooms (wheel, about the
// cursor), and turns clicks and drags into answers to the waiting prompt: a point,
// the entity under the pick box, or a window (dragged left to right: inside;
// right to left: crossing) added to the selection being made. With no prompt waiting a click
// chooses objects (shown with grips, in the properties panel) and a polyline's vertex grip can
// be dragged. Overlays (canvas_overlay.h) show the snap, the rubber band and the grips.
#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "drawing/document.h"
#include "host/object_snap.h"
#include "ui/canvas_overlay.h"
#include "render/image_cache.h"
#include "render/render.h"
#include "render/view_buffer.h"

namespace korvane::host {
class EmbeddedHost;
class HostDocument;
}  // namespace korvane::host

namespace korvane::ui {

class InteractiveInput;

class Canvas : public QWidget {
    Q_OBJECT
public:
    Canvas(host::EmbeddedHost& host, InteractiveInput& input, QWidget* parent = nullptr);
    ~Canvas() override;

    host::HostDocument* document() const;
    render::DrawingRenderer& renderer() { return renderer_; }
    // The decoded image files of the drawings shown here; decoded off the UI thread.
    render::ImageCache& images() { return *images_; }
    // Where image files not found where the drawing says are looked for (read at each frame).
    void set_image_directory(std::function<std::string()> dir) { image_directory_ = std::move(dir); }

    // Pick box half-size in pixels.
    static constexpr int kPickBox = 5;
    // The topmost visible entity within the pick box of a screen point, or kNoRecord.
    drawing::RecordId entity_at(QPoint pos);
    drawing::Point2 to_world(QPointF pos) const;
    QPointF to_screen(double x, double y) const;

    // Draws the drawing again on the next paint (the host changed something).
    void invalidate();
    // Milliseconds the last full redraw of the drawing took.
    double last_render_ms() const { return last_render_ms_; }

    void zoom_extents();
    void zoom_at(QPointF pos, double factor);
    void pan_by(QPointF delta_pixels);

    // The selection being made for the waiting selection prompt.
    const std::vector<drawing::RecordId>& pending_selection() const { return pending_; }
    // Answers the waiting selection prompt with what was picked so far.
    void finish_selection();

    // The snap the cursor is on at a point prompt or while a grip is dragged (the marker shown).
    const std::optional<host::SnapHit>& snap() const { return snap_; }
    // The grips of the chosen objects as last painted.
    const std::vector<Grip>& grips() const { return grips_; }
    // Chooses these objects as a click would (none: nothing chosen).
    void set_picked(std::vector<drawing::RecordId> ids);

    // Mouse actions as the user makes them (also what the tests drive).
    void click_at(QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void drag(QPoint from, QPoint to);

signals:
    // Cursor position in drawing units (status bar).
    void cursor_moved(double x, double y);
    // A short note for the status bar (what was picked, how many are selected).
    void note(const QString& text);
    // Typed characters the command line should take.
    void typed(const QString& text);
    void escape_pressed();
    void enter_pressed();
    // The objects chosen with no command running changed.
    void picked_changed();
    // A polyline's vertex grip was dragged to (x, y), snaps applied.
    void vertex_dragged(const QString& handle, int vertex, double x, double y);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void keyReleaseEvent(QKeyEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    host::EmbeddedHost& host_;
    InteractiveInput& input_;
    std::unique_ptr<render::ImageCache> images_;
    render::DrawingRenderer renderer_;
    std::function<std::string()> image_directory_;
    std::string image_dir_;  // as last given to the renderer
    // Images arriving in a burst are shown together, a few times a second at most.
    QTimer arrivals_;
    QTimer settle_;  // draws the picture whole once a pan or the wheel has stopped
    static constexpr int kPanRestMs = 300, kWheelRestMs = 200;
    // A picture that takes longer is drawn in steps of about this long, with the events that
    // came meanwhile attended to in between (next_step_).
    static constexpr double kStepMs = 40;
    QTimer next_step_;
    // A wheel step waits to be shown: the picture already drawn is scaled to the new view.
    bool wheel_step_ = false;
    std::vector<drawing::RecordId> pending_;
    std::unordered_set<drawing::RecordId> pending_set_;
    drawing::RecordId hover_ = drawing::kNoRecord;
    const void* pending_doc_ = nullptr;

    // The drawing as last drawn; cursor overlays are painted over it without drawing it again,
    // and a pan moves it and draws only the strip that comes into view.
    render::ViewBuffer buffer_;
    // What the picture shows besides the view's place: when it changes, all of it is drawn.
    struct Signature {
        const void* doc = nullptr;
        uint64_t revision = 0;
        size_t highlighted = 0, pending = 0;
        drawing::RecordId hover = drawing::kNoRecord;
        size_t gathering = 0;
        uint64_t picked = 0;
        bool idle = true;
        QSize size;
        qreal dpr = 1;
        bool operator==(const Signature&) const = default;
    };
    Signature drawn_;
    bool force_ = true;
    double last_render_ms_ = 0;

    // Everything shown as selected: the prompt's picks, what the command gathered, the chosen.
    std::unordered_set<drawing::RecordId> shown_selected_;
    uint64_t picked_revision_ = 0;
    std::optional<host::SnapHit> snap_;
    std::optional<drawing::Point2> band_end_;  // where the rubber band ends (snapped, ortho)
    std::vector<Grip> grips_;
    int hot_grip_ = -1;

    enum class Drag { None, Pan, Window, Grip };
    Drag drag_ = Drag::None;
    QPoint press_pos_, last_pos_, cursor_pos_;
    bool cursor_inside_ = false;
    bool space_down_ = false;

    void update_hover(QPoint pos);
    bool point_expected() const;
    bool objects_expected() const;  // a pick or a selection (the pick box, the hover highlight)
    // The snap and rubber band end for the cursor at `pos` (from `base` when given).
    void update_snap(QPoint pos, std::optional<host::Point> base);
    void refresh_grips();
    int grip_at(QPoint pos) const;
    void toggle_picked(drawing::RecordId id, bool remove);
    void update_cursor_shape();
    void request_changed();
    void add_to_selection(const std::vector<drawing::RecordId>& ids, bool remove);
};

}  // namespace korvane::ui
