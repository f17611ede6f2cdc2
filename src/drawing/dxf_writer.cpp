// Writes the records back as ASCII DXF: group codes right-aligned in three
// columns as CAD programs write them, values exactly as stored.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <system_error>
#include <cstring>
#include <vector>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fcntl.h>

#include "document.h"
#include "save_report.h"

namespace korvane::drawing {

namespace {

class Writer {
public:
    // With a sink, the text goes out in pieces of about kChunk bytes instead of
    // piling up: a save then needs no second copy of the drawing in memory.
    using Sink = std::function<void(const std::string&)>;
    static constexpr size_t kChunk = size_t(1) << 20;

    Writer(const Document& doc, std::string& out, Sink sink = {})
        : doc_(doc), out_(out), eol_(doc.eol()), sink_(std::move(sink)) {}

    void tag(const Tag& t) { tag(t.code, doc_.raw(t)); }
    void tag(int code, std::string_view value) {
        // Formatted by hand: snprintf here was half the time of a save.
        char buf[16];
        char* p = buf;
        if (code >= 0 && code < 10) *p++ = ' ', *p++ = ' ';
        else if (code >= 10 && code < 100) *p++ = ' ';
        p = std::to_chars(p, buf + sizeof buf, code).ptr;
        out_.append(buf, size_t(p - buf));
        out_ += eol_;
        out_ += value;
        out_ += eol_;
    }
    void record(RecordId id) {
        const Record& r = doc_.record(id);
        if (r.erased) return;
        for (const Tag& t : r.tags) tag(t);
        for (RecordId f : r.followers)
            if (!doc_.record(f).erased)
                for (const Tag& t : doc_.record(f).tags) tag(t);
        spill(false);
    }
    void spill(bool all) {
        if (sink_ && !out_.empty() && (all || out_.size() >= kChunk)) {
            sink_(out_);
            out_.clear();
        }
    }
    void header(RecordId id, uint64_t next_handle) {
        const Record& r = doc_.record(id);
        bool in_seed = false;
        for (const Tag& t : r.tags) {
            if (t.code == 9) in_seed = doc_.trimmed(t) == "$HANDSEED";
            else if (in_seed && t.code == 5 && parse_handle(doc_.raw(t)) < next_handle) {
                // New handles were given out since the file was read: keep the seed above them.
                tag(5, format_handle(next_handle));
                continue;
            }
            tag(t);
        }
    }

private:
    const Document& doc_;
    std::string& out_;
    std::string eol_;
    Sink sink_;
};

void write_drawing(const Document& doc, Writer& w) {
    for (const Section& s : doc.sections()) {
        if (s.head != kNoRecord) w.record(s.head);
        for (size_t i = 0; i < s.items.size(); ++i) {
            const auto& tags = doc.record(s.items[i]).tags;
            if (s.name == "HEADER" && i == 0 && tags.size() && tags[0].code != 0)
                w.header(s.items[i], doc.next_handle());
            else
                w.record(s.items[i]);
        }
        if (s.end != kNoRecord) w.record(s.end);
    }
    w.tag(0, "EOF");
    w.spill(true);
}

}  // namespace

std::string Document::to_dxf() const {
    std::string out;
    out.reserve(source_.size() + pool_.size() + 1024);
    Writer w(*this, out);
    write_drawing(*this, w);
    return out;
}

namespace {

// True when another program holds a lock on the file (flock or a POSIX record lock), as
// programs that keep a drawing open for writing do.
bool locked_by_another_program(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!locked) {
        ::flock(fd, LOCK_UN);
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    }
    ::close(fd);
    return locked;
}

}  // namespace

void Document::save(const std::string& path) { save_drawing(*this, path); }

SaveReport save_drawing(const Document& doc, const std::string& path) {
    namespace fs = std::filesystem;
    fs::path target(path);
    fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    const bool replacing = fs::exists(target, ec);
    if (replacing && locked_by_another_program(path))
        throw std::runtime_error(path + ": 文件正被其他程序使用");
    auto temp_name = [&](const std::string& what) {
        std::string tmpl = (dir / ("." + target.filename().string() + what + ".XXXXXX")).string();
        return std::vector<char>(tmpl.c_str(), tmpl.c_str() + tmpl.size() + 1);
    };
    std::vector<char> name = temp_name("");
    int fd = mkstemp(name.data());
    if (fd < 0) throw std::runtime_error(path + ": 无法在此文件夹中写入：" + std::strerror(errno));
    auto write_out = [&](const std::string& data) {
        const char* p = data.data();
        size_t left = data.size();
        while (left > 0) {
            ssize_t n = ::write(fd, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw std::runtime_error(path + ": 无法写入图形：" + std::strerror(errno));
            }
            p += n;
            left -= size_t(n);
        }
    };
    try {
        std::string buffer;
        buffer.reserve(Writer::kChunk + (size_t(64) << 10));
        Writer w(doc, buffer, write_out);
        write_drawing(doc, w);
    } catch (...) {
        ::close(fd);
        ::unlink(name.data());
        throw;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int err = errno;
        ::unlink(name.data());
        throw std::runtime_error(path + ": 无法写入图形：" + std::strerror(err));
    }
    ::chmod(name.data(), 0644);
    // The previous file becomes NAME.bak only once the new one is in place: a save that fails
    // at any step leaves both the file and its .bak as they were. A hard link keeps the old
    // file under a temporary name while the rename replaces it atomically.
    // A backup that cannot be made does not stop the save; it is reported.
    SaveReport report;
    fs::path bak = target;
    bak += ".bak";
    auto backup_failed = [&](const std::string& reason) { report.backup_problem = bak.string() + ": " + reason; };
    std::vector<char> bak_name;
    if (replacing) {
        bak_name = temp_name(".bak");
        int bfd = mkstemp(bak_name.data());
        if (bfd >= 0) {
            ::close(bfd);
            ::unlink(bak_name.data());
            if (::link(target.c_str(), bak_name.data()) != 0 &&
                !fs::copy_file(target, bak_name.data(), fs::copy_options::overwrite_existing, ec)) {
                backup_failed("无法复制原图形：" + ec.message());
                ::unlink(bak_name.data());
                bak_name.clear();
            }
        } else {
            backup_failed(std::string("无法在此文件夹中写入：") + std::strerror(errno));
            bak_name.clear();
        }
    }
    if (::rename(name.data(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        if (!bak_name.empty()) ::unlink(bak_name.data());
        throw std::runtime_error(path + ": 无法替换图形：" + std::strerror(err));
    }
    if (!bak_name.empty() && ::rename(bak_name.data(), bak.c_str()) != 0) {
        backup_failed(std::string("无法替换备份：") + std::strerror(errno));
        ::unlink(bak_name.data());
    }
    return report;
}

}  // namespace korvane::drawing

#include "piece_writer.h"

namespace korvane::drawing {

ChangeFingerprint fingerprint(const Document& doc) {
    return {doc.revision(), doc.change_generation(), doc.change_log().size(), doc.erasures(), doc.record_count()};
}

DxfPieceWriter::DxfPieceWriter(const Document& doc) : doc_(doc), start_(fingerprint(doc)) {
    out_.reserve(Writer::kChunk + (size_t(64) << 10));
}

bool DxfPieceWriter::write_some(size_t records) {
    Writer w(doc_, out_);
    const auto& sections = doc_.sections();
    size_t written = 0;
    while (!done_ && written < records) {
        if (section_ >= sections.size()) {
            w.tag(0, "EOF");
            done_ = true;
            break;
        }
        const Section& s = sections[section_];
        if (phase_ == 0) {
            if (s.head != kNoRecord) w.record(s.head);
            phase_ = 1;
            item_ = 0;
        } else if (phase_ == 1) {
            if (item_ >= s.items.size()) {
                phase_ = 2;
                continue;
            }
            const auto& tags = doc_.record(s.items[item_]).tags;
            // The same choice as write_drawing: the header's seed stays above handles given out.
            if (s.name == "HEADER" && item_ == 0 && tags.size() && tags[0].code != 0)
                w.header(s.items[item_], doc_.next_handle());
            else
                w.record(s.items[item_]);
            ++item_;
        } else {
            if (s.end != kNoRecord) w.record(s.end);
            phase_ = 0;
            ++section_;
        }
        ++written;
        if (out_.size() >= Writer::kChunk) {
            pieces_.push_back(std::move(out_));
            out_ = std::string();
            out_.reserve(Writer::kChunk + (size_t(64) << 10));
        }
    }
    return done_;
}

std::vector<std::string> DxfPieceWriter::take_pieces() {
    if (!out_.empty()) pieces_.push_back(std::move(out_));
    out_.clear();
    return std::move(pieces_);
}

std::string DxfPieceWriter::take() {
    std::string all;
    for (std::string& piece : take_pieces()) all += piece;
    return all;
}

}  // namespace korvane::drawing
