#pragma once
// Drafting edits of model-space entities: copies, mirror images, offsets, explosion into
// pieces, joining pieces into one polyline, breaking, trimming and extending.
//
// What an entity carries goes with every piece and copy it becomes: layer, colour, linetype,
// lineweight and extended data. Where a piece cannot rightly carry the record (the segments of
// an exploded polyline, the pieces joined onto another), the caller is told how many records
// stayed behind, so that nothing is dropped without a word.
#include <string>
#include <vector>

#include "curves.h"
#include "entity.h"

namespace korvane::drawing {

enum class EditError {
    None,
    NotACurve,      // the type cannot be edited this way
    OnTheCurve,     // the side point of an offset lies on the curve
    Folds,          // the offset would fold the curve over itself
    NoCrossing,     // no cutting or boundary edge meets the entity where it must
    WholeCircle,    // a circle cannot be broken at one point
    Closed,         // a closed curve cannot be joined or extended
};

// A copy of the entity (followers and extended data included) at the end of model space.
RecordId duplicate(Document& doc, RecordId id);

// Reflects the entity in the line through a and b: POINT, LINE, LWPOLYLINE, POLYLINE, CIRCLE,
// ARC, TEXT, MTEXT and INSERT. Text keeps reading left to right (its place is mirrored, its
// writing is not). False, and nothing changed, for other types, a and b the same point, or an
// entity drawn in a tilted plane.
bool mirror(Entity e, Point2 a, Point2 b);

// Colour, linetype, lineweight, linetype scale, thickness and transparency of `from` given to
// `to` (what `from` leaves at its default is taken off `to`); with `xdata` also its extended data.
void carry_properties(Document& doc, RecordId from, RecordId to, bool xdata);

// Puts the curve into the entity. A LINE, ARC, CIRCLE or polyline takes it in place when its
// type can hold it; otherwise the entity is replaced by a LINE, ARC or lightweight polyline on
// its layer with its properties and extended data. Returns the entity that holds the curve.
RecordId write_curve(Document& doc, RecordId id, const Curve& c);

// A copy of a LINE, ARC, CIRCLE or 2D polyline `distance` away on the side of `side`
// (extended data included). kNoRecord, with `why`, when it cannot be made.
RecordId offset_entity(Document& doc, RecordId id, double distance, Point2 side, EditError* why = nullptr);

// Replaces a polyline by its segments, LINEs and ARCs on its layer with its properties.
// Returns them in order (nothing for other types). `records_left` counts the extended data
// that stayed behind with the erased polyline (0 or 1).
std::vector<RecordId> explode_curve(Document& doc, RecordId id, size_t* records_left = nullptr);

struct JoinResult {
    RecordId joined = kNoRecord;        // the polyline now holding the pieces
    std::vector<RecordId> merged;       // the other entities taken into it (erased)
    std::vector<RecordId> left_out;     // entities that touch nothing of the chain
    size_t records_dropped = 0;         // merged entities whose extended data stayed behind
    EditError error = EditError::None;
};
// Joins LINEs, ARCs and open polylines that meet end to end onto the first one, which becomes
// (or stays) a polyline carrying its handle's record; a chain that comes back to its start is
// closed. `tolerance`: how close two ends must be to count as meeting.
JoinResult join_curves(Document& doc, const std::vector<RecordId>& ids, double tolerance = 1e-6);

// Breaks a curve between the points nearest to p1 and p2 (the part between them goes; with
// p1 = p2 it splits there). A closed curve opens: a circle loses the part counter-clockwise
// from p1 to p2, a closed polyline the shorter of the parts between them.
// Returns the entities left (the first is the original).
std::vector<RecordId> break_curve(Document& doc, RecordId id, Point2 p1, Point2 p2, EditError* why = nullptr);

// Trims the part of the curve around `pick` that lies between its crossings with `edges`.
// Returns the entities left of it (the first is the original); empty with `why` when no edge
// crosses it.
std::vector<RecordId> trim_curve(Document& doc, RecordId id, const std::vector<Segment>& edges, Point2 pick,
                                 EditError* why = nullptr);

// Extends the end of an open curve nearer to `pick` to the nearest of `edges` it meets.
bool extend_curve(Document& doc, RecordId id, const std::vector<Segment>& edges, Point2 pick,
                  EditError* why = nullptr);

}  // namespace korvane::drawing
