#pragma once
// Readers that walk many entities in the file's order (the index measuring a drawing, the
// renderer building its items) wait mostly for memory: each record's groups and value text lie
// a few hundred bytes past the last. Asking for them a few records ahead hides most of the wait.
#include <algorithm>
#include <vector>

#include "document.h"

namespace korvane::drawing {

// How far ahead: the group list of the record `kGroupsAhead` on, the value text of the one
// `kTextAhead` on (its group list asked for earlier).
inline constexpr size_t kGroupsAhead = 16, kTextAhead = 8;

inline void prefetch_groups(const Document& doc, RecordId id) { __builtin_prefetch(doc.record(id).tags.data()); }

// The value text of the record's first groups (up to where extended data usually starts).
inline void prefetch_text(const Document& doc, RecordId id) {
    const std::vector<Tag>& tags = doc.record(id).tags;
    if (tags.size() < 2) return;
    const char* first = doc.raw(tags[1]).data();
    const char* last = doc.raw(tags[std::min<size_t>(tags.size() - 1, 24)]).data();
    for (const char* p = first; p <= last + 64 && p - first < 2048; p += 64) __builtin_prefetch(p);
}

// Both, for the records `ids[k]` will be followed by in [k, end).
inline void prefetch_ahead(const Document& doc, const std::vector<RecordId>& ids, size_t k, size_t end) {
    if (k + kGroupsAhead < end) prefetch_groups(doc, ids[k + kGroupsAhead]);
    if (k + kTextAhead < end) prefetch_text(doc, ids[k + kTextAhead]);
}

}  // namespace korvane::drawing
