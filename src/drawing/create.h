#pragma once
// Creating entities in model space. Every new entity gets a fresh handle, its
// owner (330 -> *Model_Space's block record) and subclass markers (100) as CAD
// programs expect; R12 drawings get the R12 form (no markers, no owner, and
// POLYLINE where later versions would have LWPOLYLINE).
#include <string>
#include <string_view>
#include <vector>

#include "entity.h"

namespace korvane::drawing {

// The common head of a new entity: (0 TYPE)(5 handle)(330 owner)(100 AcDbEntity)(8 layer)
// (100 subclass). `subclass` may be empty (VERTEX and SEQEND add their own). The caller adds
// the type's own groups and then `add_entity` or `add_record` + followers. `owner` 0 means
// model space. A layer the drawing lacks is added (colour 7, on). R12: (0 TYPE)(5 handle, only
// when $HANDLING is 1)(8 layer).
std::vector<Tag> entity_head(Document& doc, std::string_view type, std::string_view layer,
                             std::string_view subclass, uint64_t owner = 0);

// Appends a fully built entity record (with optional followers: VERTEX/ATTRIB records and the
// closing SEQEND, each with its own handle and the entity as owner) to model space. A drawing
// without $HANDSEED gets one, so that the saved seed stays above every handle.
RecordId add_entity(Document& doc, std::vector<Tag> tags, std::vector<std::vector<Tag>> followers = {});

RecordId add_point(Document& doc, const Point3& p, std::string_view layer = "0");
RecordId add_line(Document& doc, const Point3& a, const Point3& b, std::string_view layer = "0");
// A lightweight polyline (on R12 an old-style 2D POLYLINE).
RecordId add_lwpolyline(Document& doc, const std::vector<Point3>& points, bool closed,
                        std::string_view layer = "0", const std::vector<double>& bulges = {});
// An old-style POLYLINE with VERTEX records and SEQEND: 2D (z of the first point is the
// elevation) or 3D.
RecordId add_polyline(Document& doc, const std::vector<Point3>& points, bool three_d,
                      std::string_view layer = "0", bool closed = false);
RecordId add_text(Document& doc, std::string_view text, const Point3& insertion, double height,
                  std::string_view layer = "0");
// Line breaks become \P; long text is split into 3 chunks and a final 1. Other MTEXT codes in
// `text` are kept as given. R12 has no MTEXT: there it is a TEXT with blanks for line breaks.
RecordId add_mtext(Document& doc, std::string_view text, const Point3& insertion, double height,
                   std::string_view layer = "0");
RecordId add_circle(Document& doc, const Point3& center, double radius, std::string_view layer = "0");
RecordId add_arc(Document& doc, const Point3& center, double radius, double start_deg, double end_deg,
                 std::string_view layer = "0");

}  // namespace korvane::drawing
