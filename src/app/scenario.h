#pragma once
// The batch runner's scenario language: one action a line, driving forms and the
// embedded host, with expectations that make a scenario a test.
#include <iosfwd>
#include <optional>
#include <string>

namespace korvane::app {

struct ScenarioOptions {
    std::optional<std::string> data_dir;
    std::optional<std::string> output_dir;
    std::optional<std::string> settings_file;
    std::string executable;  // to find the shipped data folder
};

// Runs a scenario file; prints the host command line and every message box to `out`,
// errors to `err`. Returns 0 when it ran through, 1 when an expectation failed or an
// answer was missing or of the wrong kind, 2 on bad input.
int run_scenario(const std::string& file, const ScenarioOptions& options, std::ostream& out, std::ostream& err);

// Lists a form's controls: name, kind, caption or text, tool tip.
int list_controls(const std::string& form, std::ostream& out, std::ostream& err);

}  // namespace korvane::app
