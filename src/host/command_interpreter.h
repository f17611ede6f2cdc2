#pragma once
// The host's command line: runs text as the user would type it. Text is split
// at CR and LF (CR LF is one Enter); a blank ends a command name; when the text
// runs out in the middle of a command, the next answers come from the input source.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"

namespace korvane::host {

class EmbeddedHost;
class HostDocument;

class CommandInterpreter {
public:
    explicit CommandInterpreter(EmbeddedHost& host);
    ~CommandInterpreter();

    // Runs the text against the document; each command it runs is one undo step.
    void send(HostDocument& doc, const std::string& text);

    // Names of the commands it knows (for the command line's completion and help).
    std::vector<std::string> command_names() const;
    // The command list, a line each (name, short forms, what it does), then the variables:
    // what HELP prints and F1 shows.
    static std::vector<std::string> help_lines();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvane::host
