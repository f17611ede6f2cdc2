// Prompts the drafting commands share.
#include <cstdio>

#include "host/command_text.h"
#include "host/commands_drafting.h"
#include "host/host_services.h"

namespace korvane::host {

using drawing::kNoRecord;
using drawing::RecordId;

Pick pick_object(CommandContext& c, const std::string& prompt, const std::vector<std::string>& keywords) {
    using K = CommandToken::Kind;
    while (true) {
        CommandToken t = c.in.next(prompt, false, InputKind::Entity);
        Pick p;
        std::string echo = t.kind == K::Selection ? std::string("(选择集)") : t.text;
        switch (t.kind) {
            case K::Cancel:
                c.print(prompt + " *取消*");
                p.kind = Pick::Cancel;
                return p;
            case K::Enter:
                c.print(prompt);
                p.kind = Pick::Enter;
                return p;
            case K::Entity: p.id = c.entity_of_handle(t.handle); break;
            case K::Point:
            case K::EntityAt:
                p.point = t.point;
                p.shift = t.answer.shift;
                p.id = pick_at(c.doc, t.point, c.pick_tolerance());
                break;
            case K::Selection:
                if (!t.answer.handles.empty()) p.id = c.entity_of_handle(t.answer.handles.front());
                break;
            case K::Real: break;
            case K::Text: {
                std::string word = trim(t.text);
                int k = keywords.empty() ? -1 : match_keyword(word, keywords);
                if (k >= 0) {
                    c.print(prompt + " " + echo);
                    p.kind = Pick::Keyword;
                    p.keyword = k;
                    return p;
                }
                const Point* last = c.state.last_point ? &*c.state.last_point : nullptr;
                if (auto h = parse_handent(word)) {
                    p.id = c.entity_of_handle(*h);
                } else if (auto q = parse_point(word, last)) {
                    p.point = *q;
                    p.id = pick_at(c.doc, *q, c.pick_tolerance());
                } else {
                    c.print(prompt + " " + echo);
                    c.print(keywords.empty() ? "需要选择对象。" : "需要选择对象或选项关键字。");
                    continue;
                }
                break;
            }
        }
        c.print(prompt + " " + echo);
        if (p.id == kNoRecord) {
            c.print("未找到对象。");
            continue;
        }
        p.kind = Pick::Object;
        if (p.point) c.state.last_point = *p.point;
        return p;
    }
}

Accept length_or_point(const Point& base) {
    Accept a = Accept::reals();
    a.point = true;
    a.base = base;
    return a;
}

std::optional<Point> ask_point(CommandContext& c, const std::string& prompt, std::optional<Point> base) {
    Answer a = c.ask(prompt, Accept::points().from(base));
    if (a.kind != Answer::Point) return std::nullopt;
    return a.point;
}

std::string format_length(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", value == 0 ? 0.0 : value);
    return buf;
}

drawing::Point3 to_point3(const Point& p) { return {p.x, p.y, p.z}; }
drawing::Point2 to_point2(const Point& p) { return {p.x, p.y}; }

std::vector<drawing::Segment> edge_segments(CommandContext& c, const std::vector<RecordId>& ids, RecordId except,
                                            const drawing::Box2* near) {
    std::vector<drawing::Segment> out;
    for (RecordId id : ids) {
        if (id == except || !c.doc.is_live_entity(id)) continue;
        auto curve = drawing::curve_of(c.dwg(), id);
        if (!curve) continue;
        for (size_t i = 0; i < curve->segment_count(); ++i) {
            drawing::Segment s = curve->segment(i);
            if (near && !near->intersects(s.bounds())) continue;
            out.push_back(s);
        }
    }
    return out;
}

}  // namespace korvane::host
