#pragma once
// The order model space is drawn in.
//
// CAD programs draw model space in the order of its entities, unless the *Model_Space block
// record carries a SORTENTSTABLE (extension dictionary entry ACAD_SORTENTS): that table gives
// entities a sort handle, and entities are drawn by ascending sort handle, an entity without an
// entry by its own handle. When Korvane changes the order it moves the entities in the file and
// writes the table to match, so every reader draws the same: the sort handles are the entities'
// own handles handed out again in the new order (an entity whose handle stays is left out).
#include <vector>

#include "document.h"

namespace korvane::drawing {

// Model-space entities in the order they are drawn.
std::vector<RecordId> draw_order(const Document& doc);

// True when the drawing has a SORTENTSTABLE for model space.
bool has_sort_table(const Document& doc);

// Puts model space into `order` (the entities of modelspace(), each once): entities move within
// the ENTITIES section (other records keep their places) and the SORTENTSTABLE is written,
// created with its dictionary when absent (not on R12, which has neither).
void set_draw_order(Document& doc, const std::vector<RecordId>& order);

}  // namespace korvane::drawing
