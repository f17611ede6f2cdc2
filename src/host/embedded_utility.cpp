#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "drawing/entity.h"
#include "host/embedded_internal.h"
#include "host/host_services.h"
#include "host/object_snap.h"

namespace korvane::host {

namespace {

std::string format_coord(double v) { return drawing::format_real(v); }

std::optional<double> parse_number(const std::string& text) {
    size_t b = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
    if (b == std::string::npos) return std::nullopt;
    std::string_view t(text.data() + b, e - b + 1);
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    double d = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    if (ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
    return d;
}

class EmbeddedUtility : public Utility, EmbeddedBase {
public:
    using EmbeddedBase::EmbeddedBase;

    bool GetEntity(EntityPtr& entity, Point& picked, const std::string& prompt) override {
        entity = nullptr;
        if (!alive()) return false;
        auto a = ask(InputKind::Entity, prompt);
        if (!a || a->type == InputAnswer::Type::Cancel || a->type == InputAnswer::Type::Enter) return cancelled();
        drawing::RecordId id = drawing::kNoRecord;
        if (a->type == InputAnswer::Type::Entity) {
            id = engine().find_handle(a->handle);
            picked = pick_point_of(id);
        } else {
            picked = a->point;
            id = pick_at(*doc_, a->point, pick_tolerance());
        }
        if (!doc_->is_live_entity(id)) {
            host_->print("未选择对象。");
            return cancelled();
        }
        entity = make_embedded_entity(*host_, *doc_, id);
        return true;
    }
    std::optional<Point> GetPoint(const std::optional<Point>& base, const std::string& prompt) override {
        if (!alive()) return std::nullopt;
        auto a = ask(InputKind::Point, prompt, true, base);
        if (!a || a->type != InputAnswer::Type::Point) {
            cancelled();
            return std::nullopt;
        }
        Point p = a->point;
        if (a->text.empty()) {
            // A click (typed coordinates come with their text): snaps apply to it.
            ClickPoint click = resolve_click(*host_, *doc_, p, base, host_->snap_override);
            host_->snap_override = -1;
            if (click.missed) {
                host_->print("未找到对象捕捉点。");
                cancelled();
                return std::nullopt;
            }
            p = click.point;
        }
        host_->print(format_coord(p.x) + "," + format_coord(p.y));
        return p;
    }
    std::optional<std::string> GetString(bool allow_spaces, const std::string& prompt) override {
        if (!alive()) return std::nullopt;
        auto a = ask(InputKind::String, prompt, allow_spaces);
        if (!a || a->type == InputAnswer::Type::Cancel) {
            cancelled();
            return std::nullopt;
        }
        std::string text = a->type == InputAnswer::Type::Enter ? std::string() : a->text;
        if (a->type == InputAnswer::Type::Real) text = drawing::format_real(a->real);
        if (a->type == InputAnswer::Type::Integer) text = std::to_string(a->integer);
        if (!allow_spaces) {
            // Without spaces a blank ends the input, as on a CAD command line.
            size_t blank = text.find(' ');
            if (blank != std::string::npos) text.resize(blank);
        }
        host_->print(text);
        return text;
    }
    std::optional<double> GetReal(const std::string& prompt) override {
        if (!alive()) return std::nullopt;
        auto a = ask(InputKind::Real, prompt);
        std::optional<double> v;
        if (a && a->type == InputAnswer::Type::Real) v = a->real;
        else if (a && a->type == InputAnswer::Type::Integer) v = double(a->integer);
        else if (a && a->type == InputAnswer::Type::Text) v = parse_number(a->text);
        if (!v) {
            cancelled();
            return std::nullopt;
        }
        host_->print(drawing::format_real(*v));
        return v;
    }
    std::optional<long> GetInteger(const std::string& prompt) override {
        if (!alive()) return std::nullopt;
        auto a = ask(InputKind::Integer, prompt);
        std::optional<long> v;
        if (a && a->type == InputAnswer::Type::Integer) v = a->integer;
        else if (a && a->type == InputAnswer::Type::Text) {
            auto d = parse_number(a->text);
            if (d && *d == std::floor(*d) && std::fabs(*d) < 32768) v = long(*d);
        }
        if (!v) {
            cancelled();
            return std::nullopt;
        }
        host_->print(std::to_string(*v));
        return v;
    }
    double AngleFromXAxis(const Point& a, const Point& b) override {
        double angle = std::atan2(b.y - a.y, b.x - a.x);
        if (angle < 0) angle += 2 * std::numbers::pi;
        return angle;
    }
    Point PolarPoint(const Point& p, double angle, double distance) override {
        return {p.x + distance * std::cos(angle), p.y + distance * std::sin(angle), p.z};
    }
    void Prompt(const std::string& text) override { print_lines(text); }

private:
    std::optional<InputAnswer> ask(InputKind kind, const std::string& prompt, bool spaces = true,
                                   std::optional<Point> base = std::nullopt) {
        print_lines(prompt);
        return host_->input().next(InputRequest{kind, prompt, spaces, base});
    }
    bool cancelled() {
        err().raise(kErrFail, "the input was cancelled");
        return false;
    }
    void print_lines(const std::string& text) {
        // A prompt that begins with a line break starts a new line; CR LF inside splits lines.
        size_t start = 0;
        while (start < text.size() && (text[start] == '\r' || text[start] == '\n')) ++start;
        std::string rest = text.substr(start);
        size_t pos = 0;
        while (true) {
            size_t nl = rest.find_first_of("\r\n", pos);
            std::string line = rest.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
            if (!line.empty() || nl == std::string::npos) host_->print(line);
            if (nl == std::string::npos) break;
            pos = nl + 1;
            if (rest[nl] == '\r' && pos < rest.size() && rest[pos] == '\n') ++pos;
            if (pos >= rest.size()) break;
        }
    }
    double pick_tolerance() { return doc_->view().height / host_->screen_height() * 5; }
    Point pick_point_of(drawing::RecordId id) {
        if (!doc_->is_live_entity(id)) return {};
        drawing::Entity e(engine(), id);
        if (auto p = e.point(10)) return {p->x, p->y, p->z};
        auto v = e.vertices();
        if (!v.empty()) return {v[0].x, v[0].y, v[0].z};
        return {};
    }
};

}  // namespace

UtilityPtr make_embedded_utility(EmbeddedHost& host, HostDocument& doc) {
    return std::make_shared<EmbeddedUtility>(host, &doc);
}

std::vector<drawing::RecordId> resolve_selection(EmbeddedHost& host, HostDocument& doc, const InputAnswer& a) {
    std::vector<drawing::RecordId> out;
    using T = InputAnswer::Type;
    using M = InputAnswer::SelectMode;
    if (a.type == T::Entity) {
        drawing::RecordId id = doc.doc().find_handle(a.handle);
        if (doc.is_live_entity(id)) out.push_back(id);
        return out;
    }
    if (a.type != T::Selection) return out;
    switch (a.select_mode) {
        case M::Handles:
            for (const auto& h : a.handles) {
                drawing::RecordId id = doc.doc().find_handle(h);
                if (doc.is_live_entity(id) && std::find(out.begin(), out.end(), id) == out.end()) out.push_back(id);
            }
            break;
        case M::All: out = doc.modelspace(); break;
        case M::Window: out = select_rectangle(doc, a.point, a.corner, false); break;
        case M::Crossing: out = select_rectangle(doc, a.point, a.corner, true); break;
    }
    (void)host;
    return out;
}

}  // namespace korvane::host
