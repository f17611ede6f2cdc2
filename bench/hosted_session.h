#pragma once
// The embedded host with a recording UI over a scratch folder, as the tool benchmarks drive it
// without a window: answers come from a script, the command line's output goes nowhere.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/recording_ui.h"
#include "common/settings.h"
#include "host/command_frame.h"
#include "host/embedded_host.h"

namespace korvane::bench {

class NullTranscript : public host::Transcript {
public:
    void line(const std::string&) override {}
};

struct HostedSession {
    // NAME-PID under the temporary folder, so that parallel runs keep apart.
    explicit HostedSession(const std::string& name)
        : dir(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {}

    std::filesystem::path dir;
    host::ScriptInput input;
    NullTranscript transcript;
    host::EmbeddedHost host{input, transcript};
    common::MemorySettings settings;
    common::RecordingUi ui{settings, common::Paths{dir / "data", dir / "out"}};
    host::Session session{host, ui, nullptr};
};

}  // namespace korvane::bench
