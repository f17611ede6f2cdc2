// Writes the records back as ASCII DXF: group codes right-aligned in three
// columns as CAD programs write them, values exactly as stored.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <cstring>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>
#include <fcntl.h>

#include "document.h"

namespace korvane::drawing {

namespace {

class Writer {
public:
    Writer(const Document& doc, std::string& out) : doc_(doc), out_(out), eol_(doc.eol()) {}

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
};

}  // namespace

std::string Document::to_dxf() const {
    std::string out;
    out.reserve(source_.size() + pool_.size() + 1024);
    Writer w(*this, out);
    for (const Section& s : sections_) {
        if (s.head != kNoRecord) w.record(s.head);
        for (size_t i = 0; i < s.items.size(); ++i) {
            if (s.name == "HEADER" && i == 0 && records_[s.items[i]].tags.size() && records_[s.items[i]].tags[0].code != 0)
                w.header(s.items[i], next_handle_);
            else
                w.record(s.items[i]);
        }
        if (s.end != kNoRecord) w.record(s.end);
    }
    w.tag(0, "EOF");
    return out;
}

void Document::save(const std::string& path) {
    namespace fs = std::filesystem;
    std::string data = to_dxf();
    fs::path target(path);
    fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) throw std::runtime_error(path + ": cannot write in this folder: " + std::strerror(errno));
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            ::unlink(name.data());
            throw std::runtime_error(path + ": cannot write the drawing: " + std::strerror(err));
        }
        p += n;
        left -= size_t(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int err = errno;
        ::unlink(name.data());
        throw std::runtime_error(path + ": cannot write the drawing: " + std::strerror(err));
    }
    ::chmod(name.data(), 0644);
    std::error_code ec;
    if (fs::exists(target, ec)) {
        fs::path bak = target;
        bak += ".bak";
        fs::remove(bak, ec);
        // A hard link keeps the old file as .bak while the rename replaces it atomically.
        if (::link(target.c_str(), bak.c_str()) != 0) fs::copy_file(target, bak, fs::copy_options::overwrite_existing, ec);
    }
    if (::rename(name.data(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        throw std::runtime_error(path + ": cannot replace the drawing: " + std::strerror(err));
    }
}

}  // namespace korvane::drawing
