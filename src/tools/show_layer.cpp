#include "tools/show_layer.h"

#include "common/text.h"

namespace korvane::tools {

std::string show_only_layer_command(const std::string& layer) {
    return "-layer\rs\r" + layer + "\roff\r*\r\r\r";
}

void show_only_picked_layer(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::EntityPtr picked;
        host::Point at;
        if (!util->GetEntity(picked, at, kShowLayerPrompt) || !picked) return;
        const std::string layer = common::trim(picked->Layer());
        if (layer.empty()) return;
        doc->SendCommand(show_only_layer_command(layer));
    });
}

}  // namespace korvane::tools
