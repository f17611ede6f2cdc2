#include "host/recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <random>
#include <system_error>

#include "common/file_io.h"
#include "drawing/document.h"
#include "host/embedded_host.h"
#include "host/host_document.h"

namespace korvane::host {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLockSuffix = ".lock";

// Values may hold any character; '%', CR and LF are written as %25, %0D, %0A.
std::string escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '%') out += "%25";
        else if (c == '\r') out += "%0D";
        else if (c == '\n') out += "%0A";
        else out += c;
    }
    return out;
}

std::string unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            std::string_view code = s.substr(i + 1, 2);
            if (code == "25") { out += '%'; i += 2; continue; }
            if (code == "0D") { out += '\r'; i += 2; continue; }
            if (code == "0A") { out += '\n'; i += 2; continue; }
        }
        out += s[i];
    }
    return out;
}

std::string local_time_now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

// The session a file belongs to: its name up to the first '-' or '.' ("s123_abcdef-4.dxf",
// "s123_abcdef.lock").
std::string session_of(const fs::path& file) {
    std::string name = file.filename().string();
    size_t end = name.find_first_of("-.");
    return end == std::string::npos ? std::string() : name.substr(0, end);
}

// True when a live process holds the session's lock.
bool session_alive(const fs::path& folder, const std::string& session) {
    fs::path lock = folder / (session + std::string(kLockSuffix));
    int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool alive = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // releases the lock if this call took it
    return alive;
}

void remove_quietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

}  // namespace

RecoveryStore::RecoveryStore(fs::path folder) : folder_(std::move(folder)) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) throw common::FileError("无法建立", folder_, ec.message());
    // The process id names the session for people looking into the folder; the random part
    // keeps a later process with the same id apart.
    std::random_device rd;
    char tag[16];
    std::snprintf(tag, sizeof tag, "%06x", unsigned(rd()) & 0xFFFFFFu);
    session_ = "s" + std::to_string(::getpid()) + "_" + tag;
    fs::path lock = folder_ / (session_ + std::string(kLockSuffix));
    lock_fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_fd_ < 0) throw common::FileError("无法建立", lock, std::strerror(errno));
    if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(lock_fd_);
        lock_fd_ = -1;
        throw common::FileError("无法锁定", lock, std::strerror(err));
    }
}

RecoveryStore::~RecoveryStore() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder_, ec))
        if (session_of(e.path()) == session_) remove_quietly(e.path());
    if (lock_fd_ >= 0) ::close(lock_fd_);
}

std::vector<RecoveryCopy> RecoveryStore::left_by_crashes() const {
    std::vector<RecoveryCopy> copies;
    std::map<std::string, bool> alive;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder_, ec)) {
        if (e.path().extension() != ".info") continue;
        std::string session = session_of(e.path());
        if (session.empty() || session == session_) continue;
        auto known = alive.find(session);
        if (known == alive.end()) known = alive.emplace(session, session_alive(folder_, session)).first;
        if (known->second) continue;
        RecoveryCopy copy;
        copy.info = e.path();
        copy.drawing = fs::path(e.path()).replace_extension(".dxf");
        if (!fs::is_regular_file(copy.drawing, ec)) continue;  // the crash came before the drawing was in place
        std::string text;
        try {
            text = common::read_file_bytes(copy.info);
        } catch (const common::FileError&) {
            continue;
        }
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string_view line(text.data() + start, end - start);
            size_t eq = line.find('=');
            if (eq != std::string_view::npos) {
                std::string_view key = line.substr(0, eq);
                std::string value = unescape(line.substr(eq + 1));
                if (key == "original") copy.original = value;
                else if (key == "name") copy.name = value;
                else if (key == "saved") copy.saved_at = value;
            }
            start = end + 1;
        }
        if (copy.name.empty()) copy.name = copy.drawing.filename().string();
        copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(),
              [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.saved_at < b.saved_at; });
    return copies;
}

void RecoveryStore::remove(const RecoveryCopy& copy) {
    remove_quietly(copy.info);
    remove_quietly(copy.drawing);
    // The lock file of a session with no copies left goes too.
    std::string session = session_of(copy.info);
    fs::path folder = copy.info.parent_path();
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        auto ext = e.path().extension();
        if (session_of(e.path()) == session && (ext == ".info" || ext == ".dxf")) return;
    }
    if (!session_alive(folder, session)) remove_quietly(folder / (session + std::string(kLockSuffix)));
}

fs::path RecoveryStore::base(uint64_t slot) const { return folder_ / (session_ + "-" + std::to_string(slot)); }

uint64_t RecoveryStore::epoch(uint64_t slot) const {
    std::lock_guard lock(mutex_);
    auto it = epochs_.find(slot);
    return it == epochs_.end() ? 0 : it->second;
}

bool RecoveryStore::write(uint64_t slot, uint64_t epoch, const std::string& original, const std::string& name,
                          std::string_view dxf) {
    const fs::path b = base(slot);
    const fs::path drawing = fs::path(b) += ".dxf", drawing_part = fs::path(b) += ".dxf.part";
    const fs::path info = fs::path(b) += ".info", info_part = fs::path(b) += ".info.part";
    // The slow part, outside the lock: discard() on the UI thread never waits for it.
    common::write_file_atomically(drawing_part, dxf);
    common::write_file_atomically(info_part,
                                  "original=" + escape(original) + "\nname=" + escape(name) + "\nsaved=" + local_time_now() + "\n");
    std::lock_guard lock(mutex_);
    auto it = epochs_.find(slot);
    if ((it == epochs_.end() ? 0 : it->second) != epoch) {
        remove_quietly(drawing_part);
        remove_quietly(info_part);
        return false;
    }
    // The drawing first: an .info is offered only with its drawing beside it.
    std::error_code ec;
    fs::rename(drawing_part, drawing, ec);
    if (!ec) fs::rename(info_part, info, ec);
    if (ec) {
        remove_quietly(drawing_part);
        remove_quietly(info_part);
        throw common::FileError("无法写入", drawing, ec.message());
    }
    return true;
}

void RecoveryStore::discard(uint64_t slot) {
    std::lock_guard lock(mutex_);
    ++epochs_[slot];
    fs::path b = base(slot);
    remove_quietly(fs::path(b) += ".info");
    remove_quietly(fs::path(b) += ".dxf");
}

void RecoveryStore::adopt(const RecoveryCopy& copy, uint64_t slot) {
    std::lock_guard lock(mutex_);
    fs::path b = base(slot);
    std::error_code ec;
    fs::rename(copy.drawing, fs::path(b) += ".dxf", ec);
    if (!ec) fs::rename(copy.info, fs::path(b) += ".info", ec);
    RecoveryStore::remove(copy);  // whatever did not move, and the old session's lock file
}

HostDocument& restore_copy(EmbeddedHost& host, const RecoveryCopy& copy) {
    drawing::Document doc = drawing::Document::load(copy.drawing.string());
    doc.set_modified(true);
    return host.add(std::move(doc), copy.original);
}

}  // namespace korvane::host
