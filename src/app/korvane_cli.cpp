// korvane-cli: the batch runner.
#include <iostream>
#include <string>
#include <vector>

#include "cli_info.h"
#include "drawing/save_report.h"
#include "app/scenario.h"
#include "drawing/document.h"

using namespace korvane;

namespace {

int usage() {
    std::cerr << "usage:\n"
                 "  korvane-cli convert IN.dxf OUT.dxf   load and save a drawing\n"
                 "  korvane-cli info IN.dxf              version, code page, layers, entities, applications\n"
                 "  korvane-cli script FILE [--data-dir DIR] [--output-dir DIR] [--settings FILE]\n"
                 "                                       run a scenario\n"
                 "  korvane-cli controls FORM            list a form's controls\n";
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
            drawing::SaveReport report = drawing::save_drawing(doc, args[2]);
            if (!report.backup_problem.empty()) std::cerr << "warning: backup not kept: " << report.backup_problem << "\n";
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
        if (args[0] == "script" && args.size() >= 2) {
            app::ScenarioOptions options;
            options.executable = argv[0];
            for (size_t i = 2; i < args.size(); ++i) {
                if (i + 1 >= args.size()) return usage();
                if (args[i] == "--data-dir") options.data_dir = args[++i];
                else if (args[i] == "--output-dir") options.output_dir = args[++i];
                else if (args[i] == "--settings") options.settings_file = args[++i];
                else return usage();
            }
            return app::run_scenario(args[1], options, std::cout, std::cerr);
        }
        if (args[0] == "controls" && args.size() == 2) return app::list_controls(args[1], std::cout, std::cerr);
    } catch (const drawing::DxfError& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 2;
    }
    return usage();
}
