#include "tools/entity_selection.h"

#include "common/text.h"
#include "parcel/selection_sets.h"
#include "tools/tool_support.h"

namespace korvane::tools {

namespace {

// Picks one entity; null on a failed pick.
host::EntityPtr pick(host::Utility& util, const std::string& prompt) {
    host::EntityPtr e;
    host::Point at;
    if (!util.GetEntity(e, at, prompt)) return nullptr;
    return e;
}

}  // namespace

std::string literal_pattern(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (std::string_view("*?#@.~[]`,").find(c) != std::string_view::npos) out += '`';
        out += c;
    }
    return out;
}

std::string layer_selection_line(const std::string& layer, long count) {
    return "[" + layer + "]选择指定图层中的实体已完成！" + std::to_string(count) + "个";
}

std::string code_selection_command(const std::string& code) { return "MSSX\r10\r" + code + "\r\n"; }

void select_by_type(host::Session& session, const std::string& types) {
    host::run_command(session, host::FrameVariant::A, [&types](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        if (!doc) return;
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, kSelectionSet);
        if (!set) return;
        host::Filter filter;
        filter.add(0, types);
        set->SelectOnScreen(filter);
        if (host::UtilityPtr util = doc->Utility()) util->Prompt(kSelectionDone);
    });
}

void select_by_colour(host::Session& session) {
    host::FrameOptions quiet;
    quiet.report_missing_host = false;
    host::run_command(session, host::FrameVariant::C, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::EntityPtr picked = pick(*util, kColourPrompt);
        if (!picked) return;
        host::Filter filter;
        filter.add(62, std::to_string(picked->color()));
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, kSelectionSet);
        if (set) set->SelectOnScreen(filter);
    }, quiet);
}

void select_by_layer(host::Session& session) {
    host::run_command(session, host::FrameVariant::B, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::EntityPtr picked = pick(*util, kLayerPrompt);
        if (!picked) return;
        const std::string layer = picked->Layer();
        host::SelectionSetPtr set = parcel::fresh_selection_set(*doc, kSelectionSet);
        if (!set) return;
        host::Filter filter;
        filter.add(8, literal_pattern(layer));
        set->Select(5, filter);
        util->Prompt(layer_selection_line(layer, set->Count()));
    });
}

void select_by_code(host::Session& session) {
    host::run_command(session, host::FrameVariant::B, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        std::string code = util->GetString(true, kCodePrompt).value_or("");
        if (common::trim(code).empty()) {
            code.clear();
            if (host::EntityPtr picked = pick(*util, kPickEntityPrompt)) code = item_text(picked->GetXData(""), 1);
        }
        doc->SendCommand(code_selection_command(code));
    });
}

}  // namespace korvane::tools
