#pragma once
// 统加: for every parcel polyline the user selects, the polylines that touch, cross or lie in
// it (a crossing-polygon search with the parcel's own outline) are its neighbours; the right
// holders of those that carry a parcel record, each followed by ",", become the parcel's
// four-boundaries description (record value 4), replacing what was there. East, south, west
// and north stay as they are. A parcel without any neighbour turns red, gets a vertical
// marker line from the X axis up to its first vertex and is counted in the closing message.
// Each parcel prints "handle-description" on the command line.
//
// The run shows its progress; Cancel stops it after the parcel at hand (parcels done so far
// keep their new descriptions, and the closing message counts what was done).
#include <string>

#include "host/command_frame.h"

namespace korvane::parcel {

inline constexpr const char* kNeighbourSet = "text1";
inline constexpr const char* kParcelSet = "text";
inline constexpr const char* kNeighbourFillTitle = "统加";
inline constexpr int kIsolatedColour = 1;  // red
// The zoom around each parcel reaches this far beyond its bounding box (drawing units).
inline constexpr double kNeighbourZoomMargin = 100;

// The closing message (title "结果", critical icon) for `unprocessed` parcels without neighbours.
std::string unprocessed_message(long unprocessed);

struct NeighbourFillResult {
    long parcels = 0;      // parcels processed
    long unprocessed = 0;  // of those, parcels without any neighbour
    bool cancelled = false;
};

// The command as Command7 of the parcel form runs it: frame, selection, the fill, the message.
void neighbour_fill(host::Session& session);

// The fill of every member of the document's selection set "text" (inside a command frame),
// with the command-line lines and the progress, without the closing message.
NeighbourFillResult fill_neighbours(host::CommandContext& ctx);

}  // namespace korvane::parcel
