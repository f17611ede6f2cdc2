#include "render/painting_context.h"

#include <QGuiApplication>

namespace korvane::render {

struct PaintingContext::App {
    int argc = 1;
    char name[12] = "korvane-cli";
    char* argv[2] = {name, nullptr};
    QGuiApplication app{argc, argv};
};

PaintingContext::PaintingContext() {
    if (QCoreApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<App>();
}

PaintingContext::~PaintingContext() = default;

}  // namespace korvane::render
