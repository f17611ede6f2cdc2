#include "ui/canvas.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardPaths>
#include <QThread>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "drawing/entity.h"
#include "drawing/selection.h"
#include "drawing/spatial_index.h"
#include "drawing/tables.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "ui/canvas_overlay.h"
#include "ui/interactive_input.h"

namespace korvane::ui {

using drawing::RecordId;
using host::InputAnswer;
using host::InputKind;

namespace {

constexpr int kDragThreshold = 4;  // pixels the mouse moves before a press becomes a drag

// Only entities on layers that are shown can be picked: a filter naming those layers, or an
// empty filter when every layer is shown.
drawing::SelectionFilter visible_layers(const drawing::Document& doc) {
    std::string list;
    bool all = true;
    for (const auto& l : drawing::layers(doc)) {
        if (!l.on || l.frozen) {
            all = false;
            continue;
        }
        if (!list.empty()) list += ',';
        for (char c : l.name) {
            if (std::string_view("*?#@.[]~`,").find(c) != std::string_view::npos) list += '`';
            list += c;
        }
    }
    drawing::SelectionFilter f;
    if (all) return f;
    // No layer shown: a name no layer can have.
    f.add(8, list.empty() ? std::string("`*`*") : list);
    return f;
}

// Previews of image files live in the user's cache folder; decoding takes both cores.
render::ImageCacheOptions image_cache_options() {
    render::ImageCacheOptions o;
    QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty()) o.preview_dir = std::filesystem::path(cache.toStdString()) / "previews";
    o.threads = std::max(2, QThread::idealThreadCount());
    return o;
}

std::string handle_of(const drawing::Document& doc, RecordId id) {
    auto h = doc.handle_of(id);
    return h ? drawing::format_handle(*h) : std::string();
}

}  // namespace

Canvas::Canvas(host::EmbeddedHost& host, InteractiveInput& input, QWidget* parent)
    : QWidget(parent),
      host_(host),
      input_(input),
      images_(std::make_unique<render::ImageCache>(image_cache_options())),
      renderer_(images_.get()) {
    arrivals_.setSingleShot(true);
    arrivals_.setInterval(render::ImageCache::kGatherMs);
    connect(&arrivals_, &QTimer::timeout, this, [this] {
        force_ = true;
        update();
    });
    images_->set_on_ready([this] {
        QMetaObject::invokeMethod(this, [this] { if (!arrivals_.isActive()) arrivals_.start(); }, Qt::QueuedConnection);
    });
    // A moved picture differs from a fresh one only where Qt clipped lines at its edge, a
    // scaled one everywhere; once the view rests it is drawn whole.
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, &Canvas::invalidate);
    buffer_.set_step_ms(kStepMs);
    next_step_.setSingleShot(true);
    next_step_.setInterval(0);
    connect(&next_step_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    connect(&input_, &InteractiveInput::request_started, this, [this] { request_changed(); });
    connect(&input_, &InteractiveInput::request_ended, this, [this] { request_changed(); });
    update_cursor_shape();
}

Canvas::~Canvas() {
    // The decoding threads end before the widget they report to.
    images_->set_on_ready({});
}

host::HostDocument* Canvas::document() const { return host_.active(); }

drawing::Point2 Canvas::to_world(QPointF pos) const {
    host::HostDocument* doc = document();
    if (!doc) return {pos.x(), -pos.y()};
    return render::ViewTransform::of(doc->view(), size()).to_world(pos);
}

QPointF Canvas::to_screen(double x, double y) const {
    host::HostDocument* doc = document();
    if (!doc) return {x, -y};
    return render::ViewTransform::of(doc->view(), size()).to_screen(x, y);
}

RecordId Canvas::entity_at(QPoint pos) {
    host::HostDocument* doc = document();
    if (!doc) return drawing::kNoRecord;
    render::ViewTransform xf = render::ViewTransform::of(doc->view(), size());
    drawing::Point2 w = xf.to_world(pos);
    return drawing::pick_at(doc->doc(), doc->index(), w, kPickBox / xf.scale, visible_layers(doc->doc()));
}

void Canvas::invalidate() {
    force_ = true;
    update();
}

void Canvas::zoom_extents() {
    if (host::HostDocument* doc = document()) {
        doc->zoom_extents(width(), height());
        update();
    }
}

void Canvas::zoom_at(QPointF pos, double factor) {
    host::HostDocument* doc = document();
    if (!doc || factor <= 0) return;
    // The drawing point under the cursor stays under it.
    drawing::Point2 before = to_world(pos);
    host::View& v = doc->view();
    double h = std::clamp(v.height / factor, 1e-6, 1e9);
    v.height = h;
    drawing::Point2 after = to_world(pos);
    v.center.x += before.x - after.x;
    v.center.y += before.y - after.y;
    update();
}

void Canvas::pan_by(QPointF delta) {
    host::HostDocument* doc = document();
    if (!doc) return;
    double scale = height() / doc->view().height;
    doc->view().center.x -= delta.x() / scale;
    doc->view().center.y += delta.y() / scale;
    update();
}

void Canvas::request_changed() {
    // A new selection prompt starts with nothing picked.
    pending_.clear();
    pending_set_.clear();
    hover_ = drawing::kNoRecord;
    snap_.reset();
    band_end_.reset();
    update_cursor_shape();
    if (input_.waiting()) setFocus(Qt::OtherFocusReason);
    update();
}

void Canvas::update_cursor_shape() {
    bool picking = objects_expected();
    if (drag_ == Drag::Pan) setCursor(Qt::ClosedHandCursor);
    else setCursor(picking ? Qt::BlankCursor : Qt::CrossCursor);
}

void Canvas::add_to_selection(const std::vector<RecordId>& ids, bool remove) {
    for (RecordId id : ids) {
        if (remove) {
            if (pending_set_.erase(id)) pending_.erase(std::find(pending_.begin(), pending_.end(), id));
        } else if (pending_set_.insert(id).second) {
            pending_.push_back(id);
        }
    }
    emit note(QStringLiteral("已选择 %1 个对象，回车结束选择").arg(pending_.size()));
    update();
}

void Canvas::finish_selection() {
    if (!input_.waiting() || input_.request().kind != InputKind::Selection) return;
    host::HostDocument* doc = document();
    std::vector<std::string> handles;
    if (doc)
        for (RecordId id : pending_) handles.push_back(handle_of(doc->doc(), id));
    input_.answer(InputAnswer::selection(std::move(handles)));
}

void Canvas::click_at(QPoint pos, Qt::KeyboardModifiers mods) {
    host::HostDocument* doc = document();
    if (!doc) return;
    drawing::Point2 w = to_world(pos);
    if (!input_.waiting()) {
        // No prompt: the object under the cursor is chosen (Shift: no longer), and told about.
        RecordId id = entity_at(pos);
        if (id == drawing::kNoRecord) {
            if (!doc->picked().empty()) set_picked({});
            emit note(QString());
            return;
        }
        toggle_picked(id, mods & Qt::ShiftModifier);
        drawing::Entity e(doc->doc(), id);
        emit note(QStringLiteral("%1  图层: %2  句柄: %3")
                      .arg(QString::fromStdString(e.type()), QString::fromStdString(e.layer()),
                           QString::fromStdString(e.handle_text())));
        return;
    }
    switch (input_.request().kind) {
        case InputKind::Point:
        case InputKind::CommandLine:
            input_.answer(InputAnswer::at({w.x, w.y, 0}));
            break;
        case InputKind::Entity: {
            // The visible entity under the pick box; the host picks at the point itself when it
            // finds the same one, so that it also knows where the pick was made.
            RecordId id = entity_at(pos);
            double tol = doc->view().height / std::max(1.0, host_.screen_height()) * kPickBox;
            RecordId host_pick = drawing::pick_at(doc->doc(), doc->index(), w, tol);
            if (id != drawing::kNoRecord && id == host_pick)
                input_.answer(InputAnswer::at({w.x, w.y, 0}, InputAnswer::Type::EntityAt));
            else
                input_.answer(InputAnswer::entity(id == drawing::kNoRecord ? std::string() : handle_of(doc->doc(), id)));
            break;
        }
        case InputKind::Selection: {
            RecordId id = entity_at(pos);
            if (id != drawing::kNoRecord) add_to_selection({id}, mods & Qt::ShiftModifier);
            break;
        }
        default:
            break;  // values are typed
    }
}

void Canvas::drag(QPoint from, QPoint to) {
    host::HostDocument* doc = document();
    if (!doc || !input_.waiting()) return;
    InputKind kind = input_.request().kind;
    if (kind != InputKind::Selection && kind != InputKind::CommandLine) return;
    drawing::Point2 a = to_world(from), b = to_world(to);
    bool crossing = to.x() < from.x();
    std::vector<RecordId> ids =
        drawing::select_by_box(doc->doc(), doc->index(), drawing::Box2::of(a, b),
                               crossing ? drawing::PolygonMode::Crossing : drawing::PolygonMode::Window,
                               visible_layers(doc->doc()));
    if (kind == InputKind::Selection) {
        add_to_selection(ids, false);
        return;
    }
    // At a command's object prompt the window's members are the answer.
    InputAnswer ans;
    ans.type = InputAnswer::Type::Selection;
    ans.select_mode = InputAnswer::SelectMode::Handles;
    ans.point = {a.x, a.y, 0};
    ans.corner = {b.x, b.y, 0};
    for (RecordId id : ids) ans.handles.push_back(handle_of(doc->doc(), id));
    input_.answer(ans);
}

void Canvas::update_hover(QPoint pos) {
    RecordId h = drawing::kNoRecord;
    if (objects_expected()) h = entity_at(pos);
    if (h != hover_) {
        hover_ = h;
        update();
    }
}

// ---------------------------------------------------------------- painting

void Canvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    host::HostDocument* doc = document();
    if (!doc) {
        p.fillRect(rect(), renderer_.background());
        p.setPen(QColor(150, 160, 170));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("没有打开的图形\n文件 → 新建 或 打开"));
        return;
    }
    if (host_.screen_width() != width() || host_.screen_height() != height()) host_.set_screen_size(width(), height());
    const std::vector<RecordId>& gathering = doc->gathering();
    Signature sig{&doc->doc(),     doc->doc().revision(), doc->highlighted().size(), pending_.size(), hover_,
                  gathering.size(), picked_revision_,      !input_.waiting(),         size(),          devicePixelRatioF()};
    QElapsedTimer timer;
    timer.start();
    bool changed = force_ || !(sig == drawn_);
    if (image_directory_) {
        std::string dir = image_directory_();
        if (dir != image_dir_) {
            image_dir_ = dir;
            renderer_.set_image_directory(dir);
            changed = true;
        }
    }
    render::RenderOptions options;
    options.selected = &pending_set_;
    // The chosen objects show as selected only while no command runs; the panel keeps them.
    bool chosen = !input_.waiting() && !doc->picked().empty();
    if (!gathering.empty() || chosen) {
        shown_selected_ = pending_set_;
        shown_selected_.insert(gathering.begin(), gathering.end());
        if (chosen) shown_selected_.insert(doc->picked().begin(), doc->picked().end());
        options.selected = &shown_selected_;
    }
    options.hover = hover_;
    // A wheel step shows the picture it has, scaled; the view (picks, snaps, overlays) is
    // already the new one.
    const bool scaled = wheel_step_ && !changed &&
                        buffer_.preview(doc->view(), size(), devicePixelRatioF(), renderer_.background());
    wheel_step_ = false;
    if (!scaled) buffer_.paint(renderer_, *doc, host_, size(), devicePixelRatioF(), options, changed);
    drawn_ = sig;
    force_ = false;
    if (buffer_.last_drew_all()) last_render_ms_ = double(timer.nsecsElapsed()) / 1e6;
    if (scaled) settle_.start(kWheelRestMs);
    else if (buffer_.last_moved()) settle_.start(kPanRestMs);
    else if (buffer_.unfinished()) next_step_.start();
    p.drawImage(QPoint(0, 0), buffer_.image());

    // Overlays: the window being dragged, grips, the pick box, the rubber band, the snap marker.
    p.setRenderHint(QPainter::Antialiasing, false);
    if (drag_ == Drag::Window) paint_rubber_box(p, press_pos_, last_pos_);
    if (!input_.waiting()) {
        if (drag_ != Drag::Grip) refresh_grips();
        if (drag_ == Drag::Grip && hot_grip_ >= 0 && band_end_) {
            // The dragged vertex's two sides follow the cursor.
            const Grip& g = grips_[size_t(hot_grip_)];
            drawing::EntityView e(doc->doc(), g.entity);
            std::vector<drawing::Point3> v = e.vertices();
            int n = int(v.size());
            QPointF end = to_screen(band_end_->x, band_end_->y);
            for (int side : {-1, 1}) {
                int k = g.vertex + side;
                if (e.closed()) k = (k + n) % n;
                if (k >= 0 && k < n && k != g.vertex) paint_rubber_line(p, to_screen(v[size_t(k)].x, v[size_t(k)].y), end);
            }
        }
        std::vector<QPointF> at;
        at.reserve(grips_.size());
        for (const Grip& g : grips_) at.push_back(to_screen(g.at.x, g.at.y));
        paint_grips(p, at, hot_grip_);
    }
    if (cursor_inside_ && input_.waiting()) {
        const auto& req = input_.request();
        p.setPen(QColor(230, 230, 230));
        if (objects_expected()) {
            p.drawRect(QRect(cursor_pos_ - QPoint(kPickBox, kPickBox), QSize(2 * kPickBox, 2 * kPickBox)));
        }
        if (point_expected()) {
            QPointF end = band_end_ ? to_screen(band_end_->x, band_end_->y) : QPointF(cursor_pos_);
            if (req.base) paint_rubber_line(p, to_screen(req.base->x, req.base->y), end);
            if (req.box_from) paint_rubber_box(p, to_screen(req.box_from->x, req.box_from->y), end);
        }
    }
    if (cursor_inside_ && snap_ && (point_expected() || drag_ == Drag::Grip))
        paint_snap_marker(p, to_screen(snap_->point.x, snap_->point.y), snap_->mode);
}

bool Canvas::objects_expected() const {
    if (!input_.waiting()) return false;
    const auto& r = input_.request();
    return r.kind == InputKind::Entity || r.kind == InputKind::Selection || r.expects == InputKind::Entity ||
           r.expects == InputKind::Selection;
}

bool Canvas::point_expected() const {
    if (!input_.waiting()) return false;
    const auto& r = input_.request();
    return r.kind == InputKind::Point || (r.kind == InputKind::CommandLine && r.expects == InputKind::Point);
}

void Canvas::update_snap(QPoint pos, std::optional<host::Point> base) {
    snap_.reset();
    band_end_.reset();
    host::HostDocument* doc = document();
    if (!doc) return;
    drawing::Point2 w = to_world(pos);
    // The same resolution a click gets, so that the marker shows where the click will land.
    host::ClickPoint c = host::resolve_click(host_, *doc, {w.x, w.y, 0}, base, host_.snap_override);
    snap_ = c.hit;
    band_end_ = drawing::Point2{c.point.x, c.point.y};
}

void Canvas::refresh_grips() {
    grips_.clear();
    host::HostDocument* doc = document();
    if (!doc || input_.waiting()) return;
    std::vector<RecordId> live;
    for (RecordId id : doc->picked())
        if (doc->is_live_entity(id)) live.push_back(id);
    grips_ = grips_of(doc->doc(), live);
    if (hot_grip_ >= int(grips_.size())) hot_grip_ = -1;
}

int Canvas::grip_at(QPoint pos) const {
    int best = -1;
    double best_d = kPickBox + 0.5;
    for (size_t i = 0; i < grips_.size(); ++i) {
        QPointF d = to_screen(grips_[i].at.x, grips_[i].at.y) - QPointF(pos);
        double dist = std::max(std::fabs(d.x()), std::fabs(d.y()));
        if (dist < best_d) {
            best_d = dist;
            best = int(i);
        }
    }
    return best;
}

void Canvas::set_picked(std::vector<RecordId> ids) {
    host::HostDocument* doc = document();
    if (!doc) return;
    doc->picked() = std::move(ids);
    ++picked_revision_;
    hot_grip_ = -1;
    emit picked_changed();
    update();
}

void Canvas::toggle_picked(RecordId id, bool remove) {
    host::HostDocument* doc = document();
    if (!doc) return;
    std::vector<RecordId> ids = doc->picked();
    auto it = std::find(ids.begin(), ids.end(), id);
    if (remove && it != ids.end()) ids.erase(it);
    else if (!remove && it == ids.end()) ids.push_back(id);
    else return;
    set_picked(std::move(ids));
}

void Canvas::resizeEvent(QResizeEvent*) { host_.set_screen_size(std::max(1, width()), std::max(1, height())); }

// ---------------------------------------------------------------- mouse and keys

void Canvas::mousePressEvent(QMouseEvent* e) {
    QPoint pos = e->position().toPoint();
    press_pos_ = last_pos_ = pos;
    if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && space_down_)) {
        drag_ = Drag::Pan;
        update_cursor_shape();
        return;
    }
    if (e->button() == Qt::LeftButton && !space_down_ && !input_.waiting()) {
        // A polyline's vertex grip is taken to be dragged.
        refresh_grips();
        int g = grip_at(pos);
        if (g >= 0 && grips_[size_t(g)].vertex >= 0) {
            drag_ = Drag::Grip;
            hot_grip_ = g;
            return;
        }
    }
    if (e->button() == Qt::RightButton) {
        // Right button: Enter, as on a CAD command line.
        if (input_.waiting() && input_.request().kind == InputKind::Selection) finish_selection();
        else if (input_.waiting()) input_.answer(InputAnswer::enter());
        return;
    }
    drag_ = Drag::None;
}

void Canvas::mouseMoveEvent(QMouseEvent* e) {
    QPoint pos = e->position().toPoint();
    cursor_pos_ = pos;
    cursor_inside_ = true;
    drawing::Point2 w = to_world(pos);
    emit cursor_moved(w.x, w.y);
    host_.cursor = host::Point{w.x, w.y, 0};  // the direction of a distance typed next
    if (drag_ == Drag::Grip) {
        const Grip& g = grips_[size_t(hot_grip_)];
        update_snap(pos, host::Point{g.at.x, g.at.y, 0});
        update();
        return;
    }
    if (drag_ == Drag::Pan) {
        pan_by(pos - last_pos_);
        last_pos_ = pos;
        return;
    }
    if (e->buttons() & Qt::LeftButton) {
        if (drag_ == Drag::None && (pos - press_pos_).manhattanLength() > kDragThreshold) {
            bool selecting = input_.waiting() && (input_.request().kind == InputKind::Selection ||
                                                  input_.request().kind == InputKind::CommandLine);
            drag_ = selecting ? Drag::Window : Drag::Pan;
            update_cursor_shape();
        }
        if (drag_ == Drag::Pan) {
            pan_by(pos - last_pos_);
            last_pos_ = pos;
            return;
        }
        last_pos_ = pos;
        update();
        return;
    }
    if (point_expected()) update_snap(pos, input_.request().base);
    else snap_.reset();
    if (!input_.waiting()) hot_grip_ = grip_at(pos);
    update_hover(pos);
    update();
}

void Canvas::mouseReleaseEvent(QMouseEvent* e) {
    QPoint pos = e->position().toPoint();
    Drag was = drag_;
    drag_ = Drag::None;
    update_cursor_shape();
    if (e->button() != Qt::LeftButton || space_down_) {
        update();
        return;
    }
    if (was == Drag::Grip) {
        const Grip g = grips_[size_t(hot_grip_)];
        host::HostDocument* doc = document();
        if (doc && band_end_ && (pos - press_pos_).manhattanLength() > kDragThreshold)
            emit vertex_dragged(QString::fromStdString(handle_of(doc->doc(), g.entity)), g.vertex, band_end_->x,
                                band_end_->y);
        snap_.reset();
        band_end_.reset();
    } else if (was == Drag::Window) drag(press_pos_, pos);
    else if (was == Drag::None) click_at(pos, e->modifiers());
    update();
}

void Canvas::mouseDoubleClickEvent(QMouseEvent* e) {
    // Double click of the middle button (the wheel): everything in view.
    if (e->button() == Qt::MiddleButton) zoom_extents();
    else mousePressEvent(e);
}

void Canvas::wheelEvent(QWheelEvent* e) {
    double steps = e->angleDelta().y() / 120.0;
    if (steps == 0) return;
    wheel_step_ = true;
    zoom_at(e->position(), std::pow(1.25, steps));
}

void Canvas::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Escape:
            if (!input_.waiting() && document() && !document()->picked().empty()) set_picked({});
            emit escape_pressed();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit enter_pressed();
            return;
        case Qt::Key_Space:
            if (!e->isAutoRepeat()) {
                space_down_ = true;
                press_pos_ = last_pos_ = cursor_pos_;
            }
            return;
        default: break;
    }
    if (!e->text().isEmpty() && e->text().at(0).isPrint()) {
        emit typed(e->text());
        return;
    }
    QWidget::keyPressEvent(e);
}

void Canvas::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        space_down_ = false;
        bool panned = drag_ == Drag::Pan;
        drag_ = Drag::None;
        update_cursor_shape();
        // A space without a drag is an Enter, as on a CAD command line.
        if (!panned) emit enter_pressed();
        return;
    }
    QWidget::keyReleaseEvent(e);
}

void Canvas::leaveEvent(QEvent*) {
    cursor_inside_ = false;
    update();
}

}  // namespace korvane::ui
