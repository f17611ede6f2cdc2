#pragma once
// 标识宗地岛: for every selected parcel, the parcels lying wholly inside it are its islands
// (their area is deducted from the outer parcel's). Each island gets a cross-hatch on layer
// "宗地岛" in red that carries the outer parcel's extended data with value 3 (the right
// holder) replaced by "所属:" and the island's own holder.
//
// The hatch is made by the host's command-line hatch; only a hatch that command has just made
// is changed (when the host makes none, nothing else is touched).
#include <string>

#include "host/command_frame.h"

namespace korvane::tools {

inline constexpr const char* kIslandWarningTitle = "重要提示";
extern const char* const kIslandWarning;
inline constexpr const char* kIslandOwnerPrefix = "所属:";

// The hatch command for the island whose handle is given.
std::string island_hatch_command(const std::string& handle);

struct IslandMarkingResult {
    long parcels = 0;  // outer parcels looked at
    long hatches = 0;  // island hatches made
    bool cancelled = false;
};

// The marking over the members of the selection set "text" (inside a command frame); shows
// its progress, Cancel stops after the parcel at hand.
IslandMarkingResult mark_islands(host::CommandContext& ctx);

// The menu command: the warning, the selection, the marking; no closing message.
void mark_parcel_islands(host::Session& session);

}  // namespace korvane::tools
