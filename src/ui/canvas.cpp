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
    // A moved picture differs from a fresh one only where Qt clipped lines at its edge; once
    // the view rests it is drawn whole.
    settle_.setSingleShot(true);
    settle_.setInterval(300);
    connect(&settle_, &QTimer::timeout, this, &Canvas::invalidate);
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
    update_cursor_shape();
    if (input_.waiting()) setFocus(Qt::OtherFocusReason);
    update();
}

void Canvas::update_cursor_shape() {
    bool picking = input_.waiting() &&
                   (input_.request().kind == InputKind::Entity || input_.request().kind == InputKind::Selection);
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
        // No prompt: tell what is under the cursor.
        RecordId id = entity_at(pos);
        if (id == drawing::kNoRecord) {
            emit note(QString());
            return;
        }
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
    if (input_.waiting() &&
        (input_.request().kind == InputKind::Entity || input_.request().kind == InputKind::Selection))
        h = entity_at(pos);
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
    Signature sig{&doc->doc(), doc->doc().revision(), doc->highlighted().size(), pending_.size(), hover_, size(),
                  devicePixelRatioF()};
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
    options.hover = hover_;
    buffer_.paint(renderer_, *doc, host_, size(), devicePixelRatioF(), options, changed);
    drawn_ = sig;
    force_ = false;
    if (buffer_.last_drew_all()) last_render_ms_ = double(timer.nsecsElapsed()) / 1e6;
    if (buffer_.last_moved()) settle_.start();
    p.drawImage(QPoint(0, 0), buffer_.image());

    // Overlays: the window being dragged, the pick box, the rubber line from a base point.
    p.setRenderHint(QPainter::Antialiasing, false);
    if (drag_ == Drag::Window) {
        QRect r = QRect(press_pos_, last_pos_).normalized();
        bool crossing = last_pos_.x() < press_pos_.x();
        QColor fill = crossing ? QColor(60, 200, 90, 50) : QColor(60, 120, 230, 50);
        QPen pen(crossing ? QColor(80, 220, 110) : QColor(90, 150, 255));
        if (crossing) pen.setStyle(Qt::DashLine);
        p.fillRect(r, fill);
        p.setPen(pen);
        p.drawRect(r);
    }
    if (cursor_inside_ && input_.waiting()) {
        const auto& req = input_.request();
        p.setPen(QColor(230, 230, 230));
        if (req.kind == InputKind::Entity || req.kind == InputKind::Selection) {
            p.drawRect(QRect(cursor_pos_ - QPoint(kPickBox, kPickBox), QSize(2 * kPickBox, 2 * kPickBox)));
        }
        if (req.kind == InputKind::Point && req.base) {
            QPen dash(QColor(230, 230, 230));
            dash.setStyle(Qt::DashLine);
            p.setPen(dash);
            p.drawLine(to_screen(req.base->x, req.base->y), QPointF(cursor_pos_));
        }
    }
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
    if (was == Drag::Window) drag(press_pos_, pos);
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
    zoom_at(e->position(), std::pow(1.25, steps));
}

void Canvas::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Escape:
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
