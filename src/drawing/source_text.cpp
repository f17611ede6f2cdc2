#include "source_text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace korvane::drawing {

namespace {

constexpr size_t kLargePage = size_t(2) << 20;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads exactly `size` bytes from the start of the file.
bool read_all(int fd, char* into, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, into + done, size - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // an error, or the file got shorter while being read
        done += size_t(n);
    }
    return true;
}

}  // namespace

SourceText::SourceText(SourceText&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      block_bytes_(std::exchange(other.block_bytes_, 0)),
      text_(std::move(other.text_)) {}

SourceText& SourceText::operator=(SourceText&& other) noexcept {
    if (this != &other) {
        release();
        block_ = std::exchange(other.block_, nullptr);
        size_ = std::exchange(other.size_, 0);
        block_bytes_ = std::exchange(other.block_bytes_, 0);
        text_ = std::move(other.text_);
    }
    return *this;
}

SourceText::~SourceText() { release(); }

void SourceText::release() {
    if (block_) ::munmap(block_, block_bytes_);
    block_ = nullptr;
    size_ = block_bytes_ = 0;
}

SourceText::ReadResult SourceText::read_file(const std::string& path, SourceText& out) {
    out = SourceText();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return ReadResult::CannotOpen;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return ReadResult::CannotRead;
    if (S_ISDIR(st.st_mode)) return ReadResult::CannotRead;
    size_t size = size_t(st.st_size);
    if (size < kLargePage) {
        std::string text(size, '\0');
        if (!read_all(fd.get(), text.data(), size)) return ReadResult::CannotRead;
        out.text_ = std::move(text);
        return ReadResult::Ok;
    }
    size_t bytes = (size + kLargePage - 1) / kLargePage * kLargePage;
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        std::string text(size, '\0');  // no block to be had: the ordinary way
        if (!read_all(fd.get(), text.data(), size)) return ReadResult::CannotRead;
        out.text_ = std::move(text);
        return ReadResult::Ok;
    }
#ifdef MADV_HUGEPAGE
    ::madvise(block, bytes, MADV_HUGEPAGE);  // a hint: without it the block works all the same
#endif
    out.block_ = static_cast<char*>(block);
    out.block_bytes_ = bytes;
    out.size_ = size;
    if (!read_all(fd.get(), out.block_, size)) {
        out.release();
        return ReadResult::CannotRead;
    }
    return ReadResult::Ok;
}

}  // namespace korvane::drawing
