#pragma once
// 自动检查: the automatic quality check of the parcels. The user selects parcels (Enter: every
// parcel on the four parcel layers); Korvane checks their outlines as a coverage of the land
// (overlaps, gaps, crossing or open outlines, repeated vertices, missed snaps, T-junctions) and
// their records (none, foreign data, the layer the ownership code allows, the measured area,
// the four-boundaries list against what 统加 would write). Each finding becomes one entry of
// the quality-check list: what was found on which parcels, a point on the finding, checker
// "自动检查". The command line gets a summary with the count per kind.
//
// The outlines are checked among the selected parcels (select a whole area, or press Enter, to
// check the joins at its edge too); the neighbours of the four-boundaries test are every
// polyline of the drawing, as 统加 finds them.
//
// Settings (section 参数设定): AutoCheckOverlapArea (m², default 0.01), AutoCheckGapArea (m²,
// default 10), AutoCheckGapWidth (m, default 0.2).
#include <functional>
#include <string>
#include <vector>

#include "checks/topology_check.h"
#include "common/settings.h"
#include "host/command_frame.h"

namespace korvane::checks {

class ZLJC;

inline constexpr const char* kAutoCheckTitle = "自动检查";  // also the checker of its entries
inline constexpr const char* kOverlapAreaKey = "AutoCheckOverlapArea";
inline constexpr const char* kGapAreaKey = "AutoCheckGapArea";
inline constexpr const char* kGapWidthKey = "AutoCheckGapWidth";
inline constexpr const char* kAutoCheckPrompt = "\r\n选择要检查的宗地（回车检查全部宗地）：";

enum class FindingKind {
    Overlap, Gap, SelfCrossing, NotClosed, TooFewVertices, RepeatedVertex, MissedSnap, TJunction,
    NoRecord, ForeignData, WrongLayer, AreaMismatch, BoundsMismatch,
};
inline constexpr int kFindingKinds = int(FindingKind::BoundsMismatch) + 1;
// The kind's short name in the summary line.
const char* finding_kind_name(FindingKind kind);

struct Finding {
    FindingKind kind = FindingKind::Overlap;
    std::string remark;
    host::Point place;
};

struct AutoCheckResult {
    long parcels = 0;
    std::vector<Finding> findings;  // by kind, then in drawing order
    bool cancelled = false;
};

// The tolerances from the settings; the default for a value that is missing or not a
// positive number.
TopologyOptions auto_check_options(const common::SettingsStore& settings);

// Checks the members of the selection set "text" (inside a command frame); `every_parcel`
// tells that they are all the drawing's parcels. Shows its progress; Cancel stops it and
// nothing is found.
AutoCheckResult check_parcels(host::CommandContext& ctx, const TopologyOptions& options, bool every_parcel);

// "自动检查：宗地 N 块，发现 M 处（重叠 a，缝隙 b，…）".
std::string summary_line(const AutoCheckResult& result);

// The command: select, check, the findings into the list that `list` opens, the summary.
void auto_check(host::Session& session, const std::function<ZLJC&()>& list);

}  // namespace korvane::checks
