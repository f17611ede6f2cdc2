#pragma once
// Object snaps: the point of the drawing a click near it stands for (an end, a middle, a
// crossing, a centre, a node, the foot of a perpendicular, the nearest point of a curve). The
// candidates come from the few entities the spatial index finds around the cursor, so a snap
// costs the same on a village as on a county. Modes are the bits of OSMODE.
#include <optional>
#include <string_view>

#include "drawing/document.h"
#include "host/host.h"

namespace korvane::host {

class EmbeddedHost;
class HostDocument;

enum SnapMode : int {
    kSnapEndpoint = 1,
    kSnapMidpoint = 2,
    kSnapCenter = 4,
    kSnapNode = 8,
    kSnapQuadrant = 16,
    kSnapIntersection = 32,
    kSnapInsertion = 64,
    kSnapPerpendicular = 128,
    kSnapNearest = 512,
    kSnapSuppressed = 16384,  // running snaps switched off (F3); the modes stay set
};

struct SnapHit {
    Point point;
    int mode = 0;  // one of the bits
    drawing::RecordId entity = drawing::kNoRecord;
};

// The snap of `modes` for the cursor: of the points the modes find within `aperture` (drawing
// units) the one nearest the cursor; a perpendicular from `from` or the nearest point of a curve
// only when no such point is there. Entities on layers switched off or frozen do not count.
std::optional<SnapHit> find_snap(HostDocument& doc, Point cursor, double aperture, int modes,
                                 std::optional<Point> from = std::nullopt);

// The mode a word typed at a point prompt names ("END", "MID", "INT", "CEN", "NOD", "QUA",
// "INS", "PER", "NEA", in any case, or a longer form such as "ENDP"); 0 for "NON"/"NONE";
// nullopt for any other word.
std::optional<int> snap_override(std::string_view word);
// The mode's name as the drawing window shows it beside the marker ("端点", "中点", ...).
const char* snap_mode_name(int mode);

// The snap aperture in drawing units: APERTURE pixels of the document's view.
double snap_aperture(const EmbeddedHost& host, HostDocument& doc);

// What a click at a point prompt stands for. A typed override (`override_mode` >= 0) or else the
// running snaps (OSMODE, unless suppressed) give the point they find; without one, with
// ORTHOMODE on and a base point, the click is pulled onto the horizontal or vertical through
// the base. `missed` is set when an override found nothing (the click then answers nothing).
struct ClickPoint {
    Point point;
    std::optional<SnapHit> hit;
    bool missed = false;
};
ClickPoint resolve_click(const EmbeddedHost& host, HostDocument& doc, Point click, std::optional<Point> base,
                         int override_mode = -1);

// A point `distance` from `base` towards `toward` (along the nearer axis with ORTHOMODE on): a
// distance typed at a point prompt with a rubber band. nullopt when there is no direction.
std::optional<Point> direct_distance(HostDocument& doc, const EmbeddedHost& host, Point base, Point toward,
                                     double distance);

}  // namespace korvane::host
