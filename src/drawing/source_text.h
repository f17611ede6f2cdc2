#pragma once
// The bytes of a drawing file as read. Untouched tags point into them for the life of the
// document, so they are copied into memory of the document's own: a mapping of the file
// would change (or fault) when another program rewrites the file while the drawing is open.
#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::drawing {

class SourceText {
public:
    SourceText() = default;
    explicit SourceText(std::string text) : text_(std::move(text)) {}
    SourceText(SourceText&& other) noexcept;
    SourceText& operator=(SourceText&& other) noexcept;
    SourceText(const SourceText&) = delete;
    SourceText& operator=(const SourceText&) = delete;
    ~SourceText();

    enum class ReadResult { Ok, CannotOpen, CannotRead };
    // Reads the whole file into `out` (left empty on failure).
    static ReadResult read_file(const std::string& path, SourceText& out);

    std::string_view view() const { return block_ ? std::string_view(block_, size_) : std::string_view(text_); }
    const char* data() const { return view().data(); }
    size_t size() const { return view().size(); }
    bool empty() const { return size() == 0; }

private:
    // A large file is read into a block of its own, asked for in large pages: memory fresh
    // from the system costs a fault per small page, which was most of a load's time.
    char* block_ = nullptr;
    size_t size_ = 0;
    size_t block_bytes_ = 0;
    std::string text_;  // text handed in, or a file too small for a block
    void release();
};

}  // namespace korvane::drawing
