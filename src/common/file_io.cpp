#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace korvane::common {

namespace fs = std::filesystem;

FileError::FileError(std::string action, const fs::path& path, std::string reason)
    : std::runtime_error(action + " " + path.string() + ": " + reason), path_(path), reason_(std::move(reason)) {}

namespace {

std::string errno_text(int e) { return std::strerror(e); }

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

private:
    int fd_;
};

}  // namespace

std::string read_file_bytes(const fs::path& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw FileError("无法读取", path, errno_text(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) throw FileError("无法读取", path, errno_text(errno));
    if (S_ISDIR(st.st_mode)) throw FileError("无法读取", path, "这是文件夹");
    std::string out;
    if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    while (true) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError("无法读取", path, errno_text(errno));
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

void write_file_atomically(const fs::path& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    fs::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    struct stat dst {};
    if (::stat(path.c_str(), &dst) == 0 && S_ISDIR(dst.st_mode))
        throw FileError("无法写入", path, "这是文件夹");
    bool existed = ::stat(path.c_str(), &dst) == 0;

    fs::path tmp = dir / ("." + path.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                          std::to_string(counter.fetch_add(1)));
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0) throw FileError("无法写入", path, errno_text(errno));
    auto fail = [&](int e) {
        ::close(fd.release());
        ::unlink(tmp.c_str());
        throw FileError("无法写入", path, errno_text(e));
    };
    if (existed && ::fchmod(fd.get(), dst.st_mode & 07777) != 0) fail(errno);
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::fsync(fd.get()) != 0) fail(errno);
    if (::close(fd.release()) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        throw FileError("无法写入", path, errno_text(e));
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        throw FileError("无法写入", path, errno_text(e));
    }
}

}  // namespace korvane::common
