#include "host/object_selection.h"

#include "host/command_text.h"
#include "host/commands.h"
#include "host/host_services.h"

namespace korvane::host {

using drawing::kNoRecord;
using drawing::RecordId;

// ---------------------------------------------------------------- ChosenEntities

void ChosenEntities::append(RecordId id) {
    rank_[id] = next_rank_;
    appended_.emplace_back(id, next_rank_++);
}

bool ChosenEntities::take_out(RecordId id) {
    if (rank_.erase(id) == 0) return false;
    // Stale entries are dropped once they outnumber the chosen, which keeps the list's
    // length within twice the selection and the cost of each removal constant on average.
    if (appended_.size() > 2 * rank_.size() + 16) compact();
    return true;
}

void ChosenEntities::compact() {
    std::vector<std::pair<RecordId, uint64_t>> kept;
    kept.reserve(rank_.size());
    for (const auto& entry : appended_) {
        auto it = rank_.find(entry.first);
        if (it != rank_.end() && it->second == entry.second) kept.push_back(entry);
    }
    appended_ = std::move(kept);
}

size_t ChosenEntities::add(const std::vector<RecordId>& ids) {
    Step step;
    size_t already = 0;
    rank_.reserve(rank_.size() + ids.size());
    for (RecordId id : ids) {
        if (rank_.count(id)) {
            ++already;
            continue;
        }
        append(id);
        step.ids.push_back(id);
    }
    steps_.push_back(std::move(step));
    return already;
}

size_t ChosenEntities::remove(const std::vector<RecordId>& ids) {
    Step step;
    step.removed = true;
    for (RecordId id : ids)
        if (take_out(id)) step.ids.push_back(id);
    size_t removed = step.ids.size();
    steps_.push_back(std::move(step));
    return removed;
}

void ChosenEntities::undo() {
    if (steps_.empty()) return;
    Step step = std::move(steps_.back());
    steps_.pop_back();
    for (RecordId id : step.ids) {
        if (step.removed) append(id);
        else take_out(id);
    }
}

std::vector<RecordId> ChosenEntities::list() const {
    std::vector<RecordId> out;
    out.reserve(rank_.size());
    for (const auto& [id, rank] : appended_) {
        auto it = rank_.find(id);
        if (it != rank_.end() && it->second == rank) out.push_back(id);
    }
    return out;
}

// ---------------------------------------------------------------- ObjectSelection

std::optional<std::vector<RecordId>> ObjectSelection::run() {
    // The drawing window highlights what is gathered while the prompt runs.
    struct Gathered {
        HostDocument& d;
        ~Gathered() { d.gathering().clear(); }
    } gathered{c_.doc};
    while (true) {
        c_.doc.gathering() = chosen_.list();
        CommandToken t = c_.in.next(shown_prompt(), false, InputKind::Selection);
        switch (answer(t)) {
            case Outcome::Cancel: return std::nullopt;
            case Outcome::Enter: {
                std::vector<RecordId> chosen = chosen_.list();
                if (!chosen.empty()) c_.doc.previous_selection() = chosen;
                return chosen;
            }
            case Outcome::Found: take_found(); break;
            case Outcome::Switched: break;
            case Outcome::Invalid:
                c_.print("*无效选择*");
                c_.print("需要点或 窗口(W)/上一个(L)/窗交(C)/全部(ALL)/上一个选择集(P)/添加(A)/删除(R)/放弃(U)/圈围(WP)/圈交(CP)");
                break;
        }
    }
}

// Prints the prompt with the answer and reads it.
ObjectSelection::Outcome ObjectSelection::answer(const CommandToken& t) {
    using K = CommandToken::Kind;
    const std::string shown = shown_prompt();
    if (t.kind == K::Cancel) {
        c_.print(shown + " *取消*");
        return Outcome::Cancel;
    }
    if (t.kind == K::Enter) {
        c_.print(shown);
        return Outcome::Enter;
    }
    c_.print(shown + " " + (t.kind == K::Selection ? std::string("(选择集)") : t.text));
    switch (t.kind) {
        case K::Entity: return one(c_.entity_of_handle(t.handle));
        case K::Point:
        case K::EntityAt: return one(pick_at(c_.doc, t.point, c_.pick_tolerance()));
        case K::Selection: {
            const InputAnswer& s = t.answer;
            switch (s.select_mode) {
                case InputAnswer::SelectMode::Handles: {
                    std::vector<RecordId> ids;
                    for (const auto& h : s.handles)
                        if (RecordId id = c_.entity_of_handle(h); id != kNoRecord) ids.push_back(id);
                    return found(std::move(ids));
                }
                case InputAnswer::SelectMode::All: return found(select_all(c_.doc, Filter{}));
                case InputAnswer::SelectMode::Window: return found(select_rectangle(c_.doc, s.point, s.corner, false));
                case InputAnswer::SelectMode::Crossing: return found(select_rectangle(c_.doc, s.point, s.corner, true));
            }
            return Outcome::Invalid;
        }
        case K::Text: return typed(trim(t.text));
        default: return Outcome::Invalid;
    }
}

// A typed answer: an expression, a keyword or a point.
ObjectSelection::Outcome ObjectSelection::typed(const std::string& word) {
    if (!word.empty() && word[0] == '(') {
        if (auto h = parse_handent(word)) return one(c_.entity_of_handle(*h));
        if (upper(word) == "(ENTLAST)") return one(c_.last_entity());
        return Outcome::Invalid;
    }
    static const std::vector<std::string> kKeywords = {"Window", "Last",  "Crossing", "ALL",      "Previous",
                                                       "Add",    "Remove", "Undo",    "WPolygon", "CPolygon"};
    int k = match_keyword(word, kKeywords);
    if (k >= 0) return keyword(k);
    return point_or_window(word);
}

ObjectSelection::Outcome ObjectSelection::keyword(int k) {
    enum { kWindow, kLast, kCrossing, kAll, kPrevious, kAdd, kRemove, kUndo, kWPolygon, kCPolygon };
    switch (k) {
        case kWindow: return window(false);
        case kCrossing: return window(true);
        case kWPolygon: return polygon(false);
        case kCPolygon: return polygon(true);
        case kLast: return one(c_.last_entity());
        case kAll: return found(select_all(c_.doc, Filter{}));
        case kPrevious: return found(c_.doc.previous_selection());
        case kAdd: removing_ = false; return Outcome::Switched;
        case kRemove: removing_ = true; return Outcome::Switched;
        case kUndo:
            chosen_.undo();
            c_.print("总计 " + std::to_string(chosen_.size()) + " 个");
            return Outcome::Switched;
        default: return Outcome::Invalid;
    }
}

ObjectSelection::Outcome ObjectSelection::found(std::vector<RecordId> ids) {
    found_ = std::move(ids);
    return Outcome::Found;
}

// The one entity an answer names; none (kNoRecord) is an empty find, not an invalid answer.
ObjectSelection::Outcome ObjectSelection::one(RecordId id) {
    if (id == kNoRecord) return found({});
    return found({id});
}

ObjectSelection::Outcome ObjectSelection::window(bool crossing) {
    Answer a = c_.ask("指定第一个角点:", Accept::points());
    if (a.kind != Answer::Point) return Outcome::Invalid;
    Answer b = c_.ask("指定对角点:", Accept::points().box(a.point));
    if (b.kind != Answer::Point) return Outcome::Invalid;
    return found(select_rectangle(c_.doc, a.point, b.point, crossing));
}

ObjectSelection::Outcome ObjectSelection::polygon(bool crossing) {
    std::vector<Point> pts;
    while (true) {
        Answer a = c_.ask(pts.empty() ? "第一圈围点:" : "指定直线的端点或 [放弃(U)]:", Accept::points().with({"Undo"}));
        if (a.cancel()) return Outcome::Invalid;
        if (a.enter()) break;
        if (a.kind == Answer::Keyword) {
            if (!pts.empty()) pts.pop_back();
            continue;
        }
        pts.push_back(a.point);
    }
    if (pts.size() < 3) {
        c_.print("圈围需要至少三个点。");
        return found({});
    }
    return found(select_polygon(c_.doc, pts, crossing, Filter{}));
}

// A typed point picks the entity there; an empty pick opens a window: to the right wholly
// inside, to the left crossing, as CAD programs do.
ObjectSelection::Outcome ObjectSelection::point_or_window(const std::string& word) {
    const Point* last = c_.state.last_point ? &*c_.state.last_point : nullptr;
    auto p = parse_point(word, last);
    if (!p) return Outcome::Invalid;
    if (RecordId id = pick_at(c_.doc, *p, c_.pick_tolerance()); id != kNoRecord) return one(id);
    Answer b = c_.ask("指定对角点:", Accept::points().box(*p));
    if (b.cancel()) return Outcome::Cancel;
    if (b.kind != Answer::Point) return found({});
    return found(select_rectangle(c_.doc, *p, b.point, b.point.x < p->x));
}

// Adds what the answer found, or takes it out after Remove, and says how many.
void ObjectSelection::take_found() {
    std::vector<RecordId> ids;
    ids.reserve(found_.size());
    for (RecordId id : found_)
        if (c_.doc.is_live_entity(id)) ids.push_back(id);
    if (removing_) {
        size_t removed = chosen_.remove(ids);
        c_.print("删除 " + std::to_string(removed) + " 个，总计 " + std::to_string(chosen_.size()) + " 个");
        return;
    }
    size_t already = chosen_.add(ids);
    std::string line = "找到 " + std::to_string(ids.size()) + " 个";
    if (already) line += " (" + std::to_string(already) + " 个重复)";
    if (chosen_.size() != ids.size() || already) line += "，总计 " + std::to_string(chosen_.size()) + " 个";
    c_.print(line);
}

}  // namespace korvane::host
