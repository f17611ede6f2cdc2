#pragma once
// Recovery copies of modified drawings, kept in a folder of their own (the autosave writes
// them; the next start after a crash offers them).
//
// Each running Korvane is a session holding an exclusive lock on its lock file in the
// folder for as long as it lives; the operating system drops the lock when the process
// ends in any way, a kill included. Copies whose session holds no lock were left by a
// session that did not end normally: those are the ones to offer. A session that ends
// normally removes its own copies.
//
// A copy is two files: NAME.dxf, the drawing as it was at the autosave, and NAME.info, what
// it is a copy of (UTF-8 lines "key=value": original path, shown name, time of the copy).
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::host {

class EmbeddedHost;
class HostDocument;

struct RecoveryCopy {
    std::filesystem::path drawing;  // the copy itself
    std::filesystem::path info;
    std::string original;           // the drawing's file; empty for a drawing never saved
    std::string name;               // as the tab showed it ("村.dxf", "Drawing1.dxf")
    std::string saved_at;           // local time of the copy, "2024-05-01 14:02"
};

class RecoveryStore {
public:
    // Creates the folder when missing and starts this session. Failure: common::FileError.
    explicit RecoveryStore(std::filesystem::path folder);
    // A normal end: this session's copies and its lock file go.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    const std::filesystem::path& folder() const { return folder_; }

    // Copies left by sessions that ended without removing them, oldest first.
    std::vector<RecoveryCopy> left_by_crashes() const;
    // Removes a copy (once taken or declined).
    static void remove(const RecoveryCopy& copy);

    // Copy slots are numbered by the caller, one per open drawing. A write begun before the
    // slot was discarded must not bring the copy back: writers take the slot's epoch when
    // they start and hand it to write().
    uint64_t epoch(uint64_t slot) const;
    // Writes the slot's copy (any thread): to a part file first, renamed into place only if
    // the slot was not discarded meanwhile. False when it was. Failure: common::FileError.
    bool write(uint64_t slot, uint64_t epoch, const std::string& original, const std::string& name,
               std::string_view dxf);
    // The drawing was saved or closed: its copy goes.
    void discard(uint64_t slot);
    // Makes a copy left by a crash this session's copy in the slot (after restore_copy), so
    // that it stays until the restored drawing is saved, closed or autosaved again.
    void adopt(const RecoveryCopy& copy, uint64_t slot);

private:
    std::filesystem::path folder_;
    std::string session_;  // file name prefix of this session's files
    int lock_fd_ = -1;
    mutable std::mutex mutex_;
    std::map<uint64_t, uint64_t> epochs_;

    std::filesystem::path base(uint64_t slot) const;
};

// Opens a recovery copy as a drawing of the host: it takes the original's path (so that
// Save writes there; a drawing never saved asks for a name) and counts as modified.
// Failure: drawing::DxfError.
HostDocument& restore_copy(EmbeddedHost& host, const RecoveryCopy& copy);

}  // namespace korvane::host
