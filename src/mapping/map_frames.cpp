#include "mapping/map_frames.h"

#include <cmath>

#include "common/maimod.h"
#include "tools/image_settings.h"

namespace korvane::mapping {

using common::MsgIcon;

std::vector<double> frame_corners(const host::Point& inside, FrameSize size) {
    double cx = std::floor(inside.x), cy = std::floor(inside.y);
    double w = size.half_width, h = size.half_height;
    return {cx - w, cy - h, 0, cx + w, cy - h, 0, cx + w, cy + h, 0, cx - w, cy + h, 0};
}

SheetRange sheets_of(const host::Point& min, const host::Point& max) {
    return {sheet_index(min.x), sheet_index(min.y), sheet_index(max.x), sheet_index(max.y)};
}

void draw_frame(host::Session& session, FrameSize size) {
    host::run_command(session, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        host::ModelSpacePtr space = doc ? doc->ModelSpace() : nullptr;
        if (!util || !space) return;
        std::optional<host::Point> p = util->GetPoint(std::nullopt, kFramePointPrompt);
        if (!p) return;
        if (host::EntityPtr frame = space->AddPolyline(frame_corners(*p, size))) {
            frame->SetClosed(true);
            frame->Update();
        }
    });
}

namespace {

void insert_tiles(host::ModelSpace& space, const TileSource& tiles, const SheetRange& r) {
    for (long long ky = r.ky0; ky <= r.ky1; ++ky)
        for (long long kx = r.kx0; kx <= r.kx1; ++kx)
            // A tile that is not there is passed over (the host reports nothing for it).
            space.AddRaster(tiles.sheet_path(kx, ky), {double(kx) * kSheetSize, double(ky) * kSheetSize, 0},
                            kTileScale, 0);
}

// Every image of the drawing gets the frame's outline as its clip boundary.
void clip_all_images(host::Document& doc, const std::string& outline) {
    host::SelectionSetsPtr sets = doc.SelectionSets();
    if (!sets) return;
    if (host::SelectionSetPtr old = sets->Item("text")) old->Delete();
    host::SelectionSetPtr images = sets->Add("text");
    if (!images) return;
    images->Select(5, host::Filter().add(0, "image"));
    for (long i = 0, n = images->Count(); i < n; ++i)
        if (host::EntityPtr image = images->Item(i))
            doc.SendCommand("_imageclip\r" + common::handle_expression(image->Handle()) + "\rNEW\rP\r" + outline);
}

void insert_template(host::CommandContext& ctx, host::ModelSpace& space, const FrameTemplate& t,
                     const host::Point& min, const host::Point& max) {
    std::string file = ctx.ui.paths().data_file(t.file).string();
    if (!name_exists(file)) {
        ctx.ui.message_box(kMissingTemplateMessage + file, "提示", MsgIcon::Critical);
        return;
    }
    double scale = (max.y - min.y) / t.reference_height;
    host::EntityPtr ref = space.InsertBlock({min.x, min.y, 0}, file, scale, scale, scale, 0);
    if (!ref) {
        ctx.ui.message_box(kMissingTemplateMessage + file, "提示", MsgIcon::Critical);
        return;
    }
    ref->Explode();
    ref->Delete();
}

}  // namespace

void fill_frame(host::Session& session, const TileSource& tiles, const std::optional<FrameTemplate>& frame_template) {
    host::run_command(session, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        host::ModelSpacePtr space = doc ? doc->ModelSpace() : nullptr;
        if (!util || !space) return;
        host::EntityPtr frame;
        host::Point picked;
        if (!util->GetEntity(frame, picked, kPickFramePrompt) || !frame) return;
        host::Point min, max;
        if (!frame->GetBoundingBox(min, max)) return;
        insert_tiles(*space, tiles, sheets_of(min, max));
        ctx.err.clear();

        std::string kind = frame->ObjectName();
        std::vector<double> coords = frame->Coordinates();
        size_t step = kind == "AcDb2dPolyline" ? 3 : 2;
        // An entity without an outline of its own (a text, a circle) clips nothing.
        if (coords.size() >= 3 * step) clip_all_images(*doc, tools::clip_point_text(coords, step == 3));
        if (!frame_template) return;

        if (frame_template->remind_scale) ctx.ui.message_box(kScaleReminder, "提示", MsgIcon::Exclamation);
        insert_template(ctx, *space, *frame_template, min, max);
        doc->SendCommand("IMAGEFRAME\roff\r");
    });
}

}  // namespace korvane::mapping
