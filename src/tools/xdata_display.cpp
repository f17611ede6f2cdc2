#include "tools/xdata_display.h"

#include "common/text.h"
#include "tools/tool_support.h"

namespace korvane::tools {

namespace {

// The picked entity's extended data of every application; empty on a failed pick.
host::XData pick_and_read(host::Utility& util, host::EntityPtr& picked) {
    host::Point at;
    if (!util.GetEntity(picked, at, kPickEntityPrompt) || !picked) return {};
    return picked->GetXData("");
}

}  // namespace

std::string extended_data_box_text(const host::XData& data, const std::string& layer) {
    std::string list;
    for (size_t i = 1; i < data.size(); ++i) {
        std::string value = common::trim(item_text(data, i));
        if (!value.empty()) list += "[" + std::to_string(i) + "] " + value + "\r\n";
    }
    return "扩展属性：\r\n" + list + "[图层]" + layer;
}

std::vector<std::string> extended_data_lines(const host::XData& data) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < data.size(); ++i)
        lines.push_back(" " + std::to_string(i) + "  " + item_text(data, i) + "->" + std::to_string(data.codes[i]));
    return lines;
}

void show_extended_data_box(host::Session& session) {
    host::run_command(session, host::FrameVariant::B, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::EntityPtr picked;
        host::XData data = pick_and_read(*util, picked);
        if (data.empty()) {
            util->Prompt(kNoExtendedData);
            return;
        }
        ctx.ui.message_box(extended_data_box_text(data, picked->Layer()), "属性", common::MsgIcon::Exclamation);
    });
}

void print_extended_data(host::Session& session) {
    host::run_command(session, host::FrameVariant::B, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::EntityPtr picked;
        host::XData data = pick_and_read(*util, picked);
        util->Prompt("\r\n");
        if (data.empty()) {
            util->Prompt(kNoExtendedData);
            return;
        }
        for (const std::string& line : extended_data_lines(data)) util->Prompt(line + "\r\n");
    });
}

}  // namespace korvane::tools
