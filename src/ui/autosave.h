#pragma once
// The autosave: every few minutes (setting "AutosaveMinutes", default 2; 0 turns it off) a
// recovery copy of each drawing modified since its last copy.
//
// The drawing is turned into DXF text on the UI thread, because commands edit it there, but
// in slices of a few milliseconds between events, never inside a command; a drawing that
// changes between two slices is started again. Writing the text to disk, the slow part,
// happens on a thread of its own. A drawing saved or closed loses its copy.
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drawing/piece_writer.h"

namespace korvane::common { class SettingsStore; }
namespace korvane::host {
class EmbeddedHost;
class HostDocument;
class RecoveryStore;
}  // namespace korvane::host

namespace korvane::ui {

inline constexpr const char* kAutosaveMinutesKey = "AutosaveMinutes";

class Autosave : public QObject {
    Q_OBJECT
public:
    // `busy` tells whether a command is running (the drawing is then left alone).
    Autosave(host::EmbeddedHost& host, host::RecoveryStore& store, common::SettingsStore& settings,
             std::function<bool()> busy);
    ~Autosave() override;

    // Starts the timer at the interval the settings give (again after the setting changed).
    void start();
    int interval_ms() const { return timer_.interval(); }

    // A round now: copies every drawing modified since its last copy. round_finished() follows.
    void run_now();
    bool running() const { return round_active_; }

    // The copy slot of a drawing (restored drawings are given theirs before the first round).
    uint64_t slot_for(const host::HostDocument* doc);

    // What the rounds so far cost the UI thread: the longest slice, in milliseconds.
    double longest_slice_ms() const { return longest_slice_ms_; }
    size_t copies_written() const { return copies_written_; }

    // A copy could not be written: the message names the file and the reason.
    std::function<void(const std::string&)> on_problem;

signals:
    void round_finished();

private:
    struct Slot {
        uint64_t number = 0;
        drawing::ChangeFingerprint written;  // as of the last copy
        bool has_copy = false;
    };
    struct Job {
        const host::HostDocument* doc = nullptr;
        std::unique_ptr<drawing::DxfPieceWriter> writer;
        int restarts = 0;
    };

    host::EmbeddedHost& host_;
    host::RecoveryStore& store_;
    common::SettingsStore& settings_;
    std::function<bool()> busy_;
    QTimer timer_;
    QTimer housekeeping_;
    std::map<const host::HostDocument*, Slot> slots_;
    uint64_t next_slot_ = 1;
    bool round_active_ = false;
    std::vector<const host::HostDocument*> queue_;
    std::optional<Job> job_;
    std::future<void> writing_;
    double longest_slice_ms_ = 0;
    size_t copies_written_ = 0;

    host::HostDocument* live(const host::HostDocument* doc) const;
    void tidy();
    void next_document();
    void slice();
    void write_off_thread(const host::HostDocument& doc, drawing::ChangeFingerprint state,
                          std::vector<std::string> pieces);
    void finish_round();
};

}  // namespace korvane::ui
