#pragma once
// The command line's object selection ("选择对象:"): the answers a user gives at the prompt,
// each adding entities to the selection or, after Remove, taking them out again.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "drawing/document.h"

namespace korvane::host {

class CommandContext;
struct CommandToken;

// The entities chosen so far, each once, in the order they were chosen, and what each answer
// changed so that Undo can take it back. Adding, removing and undoing cost the answer's size,
// whatever the size of the selection.
class ChosenEntities {
public:
    // Adds the entities not chosen yet; returns how many were chosen already.
    size_t add(const std::vector<drawing::RecordId>& ids);
    // Takes out those chosen; returns how many were.
    size_t remove(const std::vector<drawing::RecordId>& ids);
    // Takes back the last add or remove (a removed entity comes back at the end).
    void undo();

    size_t size() const { return rank_.size(); }
    std::vector<drawing::RecordId> list() const;

private:
    struct Step {
        std::vector<drawing::RecordId> ids;  // what the answer changed
        bool removed = false;
    };
    // Every entity as it was appended, with its rank; an entry whose rank is no longer the
    // entity's (taken out, or appended again later) is stale and skipped.
    std::vector<std::pair<drawing::RecordId, uint64_t>> appended_;
    std::unordered_map<drawing::RecordId, uint64_t> rank_;
    uint64_t next_rank_ = 0;
    std::vector<Step> steps_;

    void append(drawing::RecordId id);
    bool take_out(drawing::RecordId id);
    void compact();
};

// One run of the object-selection prompt for a command.
class ObjectSelection {
public:
    ObjectSelection(CommandContext& c, std::string prompt) : c_(c), prompt_(std::move(prompt)) {}

    // Asks until Enter; nullopt on cancel. The result becomes the drawing's previous selection.
    std::optional<std::vector<drawing::RecordId>> run();

private:
    // What one answer did.
    enum class Outcome { Found, Switched, Invalid, Enter, Cancel };

    CommandContext& c_;
    std::string prompt_;
    ChosenEntities chosen_;
    bool removing_ = false;
    std::vector<drawing::RecordId> found_;

    std::string shown_prompt() const { return removing_ ? "删除对象:" : prompt_; }
    Outcome answer(const CommandToken& t);
    Outcome typed(const std::string& word);
    Outcome keyword(int k);
    Outcome found(std::vector<drawing::RecordId> ids);
    Outcome one(drawing::RecordId id);
    Outcome window(bool crossing);
    Outcome polygon(bool crossing);
    Outcome point_or_window(const std::string& word);
    void take_found();
};

}  // namespace korvane::host
