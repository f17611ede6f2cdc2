#include <algorithm>

#include "drawing/entity.h"
#include "host/embedded_internal.h"
#include "host/host_services.h"

namespace korvane::host {

// Resolves an on-screen selection answer into entities of the document.
std::vector<drawing::RecordId> resolve_selection(EmbeddedHost& host, HostDocument& doc, const InputAnswer& answer);

namespace {

class EmbeddedSelectionSet : public SelectionSet, EmbeddedBase {
public:
    EmbeddedSelectionSet(EmbeddedHost& host, HostDocument* doc, std::string name)
        : EmbeddedBase(host, doc), name_(std::move(name)) {}

    std::string Name() override { return name_; }

    void SelectOnScreen(const Filter& filter) override {
        NamedSelection* s = set();
        if (!s) return;
        InputRequest req{InputKind::Selection, "选择对象:", true, std::nullopt};
        host_->print(req.prompt);
        auto answer = host_->input().next(req);
        if (!answer || answer->type == InputAnswer::Type::Cancel) {
            host_->print("*取消*");
            err().raise(kErrFail, "the selection was cancelled");
            return;
        }
        std::vector<drawing::RecordId> picked = resolve_selection(*host_, *doc_, *answer);
        picked = apply_filter(*doc_, picked, filter);
        host_->print("找到 " + std::to_string(picked.size()) + " 个");
        add_members(*s, picked);
        doc_->previous_selection() = picked;
    }
    void Select(int mode, const Filter& filter) override {
        NamedSelection* s = set();
        if (!s) return;
        if (mode == 5) {
            remember(select_all(*doc_, filter), *s);
        } else if (mode == 3) {
            add_members(*s, apply_filter(*doc_, doc_->previous_selection(), filter));
        } else if (mode == 4) {
            const auto& ms = doc_->modelspace();
            if (!ms.empty()) remember(apply_filter(*doc_, {ms.back()}, filter), *s);
        } else {
            err().raise(kErrInvalidArgument, "selection mode " + std::to_string(mode) + " needs points");
        }
    }
    void SelectByPolygon(int mode, const std::vector<double>& xyz, const Filter& filter) override {
        NamedSelection* s = set();
        if (!s) return;
        if ((mode != 6 && mode != 7 && mode != 2) || xyz.size() % 3 != 0) {
            err().raise(kErrInvalidArgument, "invalid polygon selection");
            return;
        }
        std::vector<Point> poly;
        for (size_t i = 0; i + 2 < xyz.size(); i += 3) poly.push_back({xyz[i], xyz[i + 1], xyz[i + 2]});
        remember(select_polygon(*doc_, poly, mode == 7, filter), *s);
    }
    void AddItems(const std::vector<EntityPtr>& items) override {
        NamedSelection* s = set();
        if (!s) return;
        std::vector<drawing::RecordId> ids;
        for (const auto& e : items) {
            drawing::RecordId id = record_of(e);
            if (doc_->is_live_entity(id)) ids.push_back(id);
        }
        add_members(*s, ids);
    }
    void RemoveItems(const std::vector<EntityPtr>& items) override {
        NamedSelection* s = set();
        if (!s) return;
        for (const auto& e : items) {
            drawing::RecordId id = record_of(e);
            s->members.erase(std::remove(s->members.begin(), s->members.end(), id), s->members.end());
        }
    }
    void Clear() override {
        if (NamedSelection* s = set()) s->members.clear();
    }
    long Count() override {
        NamedSelection* s = set();
        if (!s) return 0;
        prune(*s);
        return long(s->members.size());
    }
    EntityPtr Item(long index) override {
        NamedSelection* s = set();
        if (!s) return nullptr;
        prune(*s);
        if (index < 0 || size_t(index) >= s->members.size()) {
            err().raise(kErrInvalidArgument, "index out of range");
            return nullptr;
        }
        return make_embedded_entity(*host_, *doc_, s->members[size_t(index)]);
    }
    void Highlight(bool on) override {
        NamedSelection* s = set();
        if (!s) return;
        for (auto id : s->members) {
            if (on) doc_->highlighted().insert(id);
            else doc_->highlighted().erase(id);
        }
        host_->changed();
    }
    void Delete() override {
        if (!set()) return;
        auto& sets = doc_->selection_sets();
        sets.erase(std::remove_if(sets.begin(), sets.end(),
                                  [&](const NamedSelection& n) { return drawing::iequals(n.name, name_); }),
                   sets.end());
    }

private:
    std::string name_;

    NamedSelection* set() {
        if (!alive()) return nullptr;
        NamedSelection* s = doc_->find_set(name_);
        if (!s) err().raise(kErrErased, "the selection set " + name_ + " was deleted");
        return s;
    }
    // What a tool selected becomes the drawing's previous selection, as a selection on screen
    // does, so that a host command's "P" answer takes it; an empty result leaves it as it was.
    void remember(const std::vector<drawing::RecordId>& found, NamedSelection& s) {
        add_members(s, found);
        if (!found.empty()) doc_->previous_selection() = found;
    }
    // A set holds each entity once, in the order it was first selected.
    static void add_members(NamedSelection& s, const std::vector<drawing::RecordId>& ids) {
        if (s.members.empty()) {
            s.members = ids;
            return;
        }
        std::vector<drawing::RecordId> sorted = s.members;
        std::sort(sorted.begin(), sorted.end());
        for (auto id : ids)
            if (!std::binary_search(sorted.begin(), sorted.end(), id)) s.members.push_back(id);
    }
    // Members die only by an erase or an undo or redo, and are live when they are added: a set
    // looked at again with no erasure since needs no second look at every member (a loop that
    // writes to each Item(i) would otherwise cost n² checks).
    void prune(NamedSelection& s) {
        const uint64_t erasures = doc_->doc().erasures();
        if (erasures == pruned_at_ && s.members.size() <= pruned_count_) {
            pruned_count_ = s.members.size();
            return;
        }
        s.members.erase(std::remove_if(s.members.begin(), s.members.end(),
                                       [&](drawing::RecordId id) { return !doc_->is_live_entity(id); }),
                        s.members.end());
        pruned_at_ = erasures;
        pruned_count_ = s.members.size();
    }
    uint64_t pruned_at_ = UINT64_MAX;
    size_t pruned_count_ = 0;
};

class EmbeddedSelectionSets : public SelectionSets, EmbeddedBase {
public:
    using EmbeddedBase::EmbeddedBase;
    SelectionSetPtr Add(const std::string& name) override {
        if (!alive()) return nullptr;
        if (name.empty()) {
            err().raise(kErrInvalidArgument, "a selection set needs a name");
            return nullptr;
        }
        if (doc_->find_set(name)) {
            err().raise(kErrDuplicate, "a selection set named " + name + " exists already");
            return nullptr;
        }
        doc_->selection_sets().push_back(NamedSelection{name, {}});
        return std::make_shared<EmbeddedSelectionSet>(*host_, doc_, name);
    }
    SelectionSetPtr Item(const std::string& name) override {
        if (!alive()) return nullptr;
        NamedSelection* s = doc_->find_set(name);
        if (!s) {
            err().raise(kErrNotFound, "no selection set named " + name);
            return nullptr;
        }
        return std::make_shared<EmbeddedSelectionSet>(*host_, doc_, s->name);
    }
    SelectionSetPtr Item(long index) override {
        if (!alive()) return nullptr;
        auto& sets = doc_->selection_sets();
        if (index < 0 || size_t(index) >= sets.size()) {
            err().raise(kErrInvalidArgument, "index out of range");
            return nullptr;
        }
        return std::make_shared<EmbeddedSelectionSet>(*host_, doc_, sets[size_t(index)].name);
    }
    long Count() override { return alive() ? long(doc_->selection_sets().size()) : 0; }
};

}  // namespace

SelectionSetsPtr make_embedded_selection_sets(EmbeddedHost& host, HostDocument& doc) {
    return std::make_shared<EmbeddedSelectionSets>(host, &doc);
}

}  // namespace korvane::host
