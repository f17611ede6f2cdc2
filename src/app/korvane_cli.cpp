// korvane-cli: the batch runner.
#include <iostream>
#include <string>
#include <vector>

#include "cli_info.h"
#include "drawing/document.h"

using namespace korvane;

namespace {

int usage() {
    std::cerr << "usage:\n"
                 "  korvane-cli convert IN.dxf OUT.dxf   load and save a drawing\n"
                 "  korvane-cli info IN.dxf              version, code page, layers, entities, applications\n";
    return 2;
}

drawing::Document load(const std::string& path) {
    drawing::LoadReport report;
    drawing::Document doc = drawing::Document::load(path, &report);
    for (auto& w : report.warnings) std::cerr << path << ": warning: " << w << "\n";
    return doc;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usage();
    try {
        if (args[0] == "convert" && args.size() == 3) {
            drawing::Document doc = load(args[1]);
            doc.save(args[2]);
            std::cout << "wrote " << args[2] << " (" << doc.acadver() << ")\n";
            app::print_counts(std::cout, doc);
            return 0;
        }
        if (args[0] == "info" && args.size() == 2) {
            drawing::Document doc = load(args[1]);
            std::cout << "drawing: " << args[1] << "\n";
            app::print_info(std::cout, doc);
            return 0;
        }
    } catch (const drawing::DxfError& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 2;
    }
    return usage();
}
