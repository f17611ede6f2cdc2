#pragma once
// Painting text and images needs Qt's application object. The GUI has one; a program without
// windows (the batch runner) holds one of these while it plots. It makes the object only when
// none exists, on Qt's offscreen platform unless another is asked for.
#include <memory>

namespace korvane::render {

class PaintingContext {
public:
    PaintingContext();
    ~PaintingContext();
    PaintingContext(const PaintingContext&) = delete;
    PaintingContext& operator=(const PaintingContext&) = delete;

private:
    struct App;
    std::unique_ptr<App> app_;
};

}  // namespace korvane::render
