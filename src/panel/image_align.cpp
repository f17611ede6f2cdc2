#include "panel/image_align.h"

#include <cmath>
#include <optional>

#include "parcel/selection_sets.h"

namespace korvane::panel {

namespace {

constexpr long long kSnapIntersection = 16416;  // intersection snap kept, running snaps suppressed

double distance(const host::Point& a, const host::Point& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Every image of the drawing in the selection set "text", or null.
host::SelectionSetPtr select_all_images(host::Document& doc) {
    host::SelectionSetPtr set = parcel::fresh_selection_set(doc, "text");
    if (set) set->Select(5, host::Filter{}.add(0, "image"));
    return set;
}

}  // namespace

void align_image(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        util->Prompt(std::string(kAlignAdvice) + "\r\n");
        host::EntityPtr image;
        host::Point at;
        if (!util->GetEntity(image, at, "选择图片:") || !image) return;
        doc->SetVariable("osmode", 0LL);
        std::optional<host::Point> p1 = util->GetPoint(std::nullopt, "图片第一点:");
        std::optional<host::Point> p2 = p1 ? util->GetPoint(std::nullopt, "图片第二点:") : std::nullopt;
        if (!p1 || !p2) return;
        if (distance(*p1, *p2) == 0) {
            util->Prompt(std::string(kSamePointsLine) + "\r\n");
            return;
        }
        doc->SetVariable("osmode", kSnapIntersection);
        std::optional<host::Point> q1 = util->GetPoint(std::nullopt, "第一点移至:");
        std::optional<host::Point> q2 = q1 ? util->GetPoint(std::nullopt, "第二点移至:") : std::nullopt;
        doc->SetVariable("osmode", 0LL);
        if (!q1 || !q2) return;
        if (distance(*q1, *q2) == 0) {
            util->Prompt(std::string(kSamePointsLine) + "\r\n");
            return;
        }
        double scale = distance(*q1, *q2) / distance(*p1, *p2);
        double turn = util->AngleFromXAxis(*q1, *q2) - util->AngleFromXAxis(*p1, *p2);
        image->Move(*p1, *q1);
        image->Rotate(*q1, turn);
        image->ScaleEntity(*q1, scale);
    });
}

void send_images_to_back(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::SelectionSetPtr images = doc ? select_all_images(*doc) : nullptr;
        // Without images the previous selection would be another command's: nothing to send.
        if (!images || images->Count() == 0) return;
        doc->SendCommand("DRAWorder\rP\r\rB\r");
    });
}

void remove_all_images(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::SelectionSetPtr set = doc ? select_all_images(*doc) : nullptr;
        if (!set) return;
        std::vector<std::string> names;
        for (long i = 0, n = set->Count(); i < n; ++i)
            if (host::EntityPtr image = set->Item(i)) names.push_back(image->Name());
        for (const std::string& name : names) doc->SendCommand("-image\rd\r" + name + "\r");
    });
}

}  // namespace korvane::panel
