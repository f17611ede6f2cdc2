#pragma once
// Blocks and block references: reading INSERTs, finding block definitions,
// exploding a reference into model space, inserting another DXF drawing (as a block
// or exploded) and writing a set of entities out as a drawing of its own.
//
// Copies get fresh handles and their new owner; reactor and extension-dictionary
// groups (102) stay behind, as do pointers into the source's objects; text is
// re-encoded for the target's code page; layers, linetypes, text styles, blocks and
// extended-data applications they use are added to the target when missing. Copied
// hatches are no longer associative; copied images get their own definition and reactor.
// Between an R12 drawing and a later one, subclass markers are added or dropped and
// lightweight polylines become old-style polylines; types the target version does not
// know are skipped and counted.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entity.h"

namespace korvane::drawing {

struct InsertInfo {
    std::string name;          // 2
    Point3 insertion;          // 10
    double sx = 1, sy = 1, sz = 1;  // 41/42/43
    double rotation = 0;       // 50, degrees
    int columns = 1, rows = 1; // 70/71 (a multiple insert when above 1)
};

std::optional<InsertInfo> read_insert(const Document& doc, RecordId insert);
std::string insert_block_name(const Document& doc, RecordId insert);
Point3 insert_point(const Document& doc, RecordId insert);
double insert_rotation(const Document& doc, RecordId insert);  // degrees

// The BLOCK record of that name in the BLOCKS section (without regard to case), or kNoRecord.
RecordId find_block(const Document& doc, std::string_view name);
std::vector<std::string> block_names(const Document& doc);
std::string block_name(const Document& doc, RecordId block);
Point3 block_base_point(const Document& doc, RecordId block);
// The entities of a block definition, in order (followers hang off their owners).
std::vector<RecordId> block_entities(const Document& doc, RecordId block);

// What a copy left behind, for messages: counts of skipped entities by type.
struct CopyReport {
    size_t copied = 0;
    std::map<std::string, size_t> skipped;
    std::string error;  // why nothing was done, when that is the outcome
    std::string backup_problem;  // a file replaced whose previous version was not kept (SaveReport)
};

// A reference to an existing block, appended to model space. kNoRecord when the block is missing.
RecordId add_insert(Document& doc, std::string_view block, const Point3& at, double sx = 1, double sy = 1,
                    double sz = 1, double rotation_deg = 0, std::string_view layer = "0");

// Replaces a block reference in model space by copies of its block's entities, placed by
// the reference's scale, rotation and insertion point. Entities on layer "0" go to the
// reference's layer, by-block colour and linetype take the reference's. Visible attributes
// become TEXT; attribute definitions are left out. Returns the new entities in drawing order
// and erases the reference; on failure (not an INSERT, missing block, multiple insert,
// scale that is not the same in x and y) returns nothing and changes nothing.
std::vector<RecordId> explode_insert(Document& doc, RecordId insert, CopyReport* report = nullptr);

// Inserts the DXF drawing at `path` as a block named after the file's stem (an existing block
// of that name is used as it is) and adds a reference to it at `at`. The block's base point
// is the drawing's $INSBASE. kNoRecord when the file cannot be read (report->error says why).
RecordId insert_dxf_as_block(Document& doc, const std::string& path, const Point3& at, double sx = 1,
                             double sy = 1, double sz = 1, double rotation_deg = 0, std::string_view layer = "0",
                             CopyReport* report = nullptr);

// Copies the DXF drawing's model-space entities straight into model space, as an insert of
// it at `at` with a uniform scale and rotation would place them (the "*file" form of
// inserting). Returns the new entities; empty with report->error when the file cannot be read.
std::vector<RecordId> insert_dxf_exploded(Document& doc, const std::string& path, const Point3& at, double scale = 1,
                                          double rotation_deg = 0, CopyReport* report = nullptr);

// A new drawing holding copies of the entities, moved so that `base` becomes its origin.
Document make_wblock(const Document& src, const std::vector<RecordId>& entities, const Point3& base,
                     CopyReport* report = nullptr);
// The same, saved at `path`. False (with report->error) when the file cannot be written.
bool write_wblock(const Document& src, const std::vector<RecordId>& entities, const Point3& base,
                  const std::string& path, CopyReport* report = nullptr);

// Copies one entity (with its followers) from `src` into `dst` as a record that belongs to no
// section yet, owned by `owner` (0: model space). kNoRecord when the type cannot be copied to
// the target's version. `src` and `dst` may be the same drawing.
RecordId copy_entity(const Document& src, RecordId entity, Document& dst, uint64_t owner = 0,
                     CopyReport* report = nullptr);

}  // namespace korvane::drawing
