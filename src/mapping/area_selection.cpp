#include "mapping/area_selection.h"

#include "common/text.h"
#include "parcel/code_selection.h"
#include "parcel/parcel_record.h"

namespace korvane::mapping {

namespace {

// The code typed at the prompt (as typed), or when only Enter was pressed, record value `item`
// of an entity the user picks. Nothing when the user pressed Esc at the prompt.
std::optional<std::string> code_typed_or_picked(host::CommandContext& ctx, const char* prompt,
                                                const char* pick_prompt, parcel::Item item) {
    host::DocumentPtr doc = ctx.doc();
    host::UtilityPtr util = doc ? doc->Utility() : nullptr;
    if (!util) return std::nullopt;
    std::optional<std::string> typed = util->GetString(true, prompt);
    if (!typed) return std::nullopt;
    if (!common::trim(*typed).empty()) return typed;
    host::EntityPtr picked;
    host::Point at;
    // An empty pick leaves the code empty, which selects nothing.
    if (!util->GetEntity(picked, at, pick_prompt) || !picked) return std::string();
    return picked->GetXData("").text(size_t(item));
}

void select_unit(host::Session& session, const char* prompt, parcel::Item item) {
    host::run_command(session, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        if (auto code = code_typed_or_picked(ctx, prompt, "选择实体：", item)) parcel::select_by_code(ctx, *code);
    });
}

}  // namespace

void select_by_township(host::Session& session) { select_unit(session, kTownshipPrompt, parcel::Item::Zen_DM); }

void select_by_village(host::Session& session) { select_unit(session, kVillagePrompt, parcel::Item::Cun_DM); }

void select_by_group(host::Session& session) {
    host::run_command(session, host::FrameVariant::B, [&](host::CommandContext& ctx) {
        auto code = code_typed_or_picked(ctx, kGroupPrompt, "选择实体", parcel::Item::YSDM);
        host::DocumentPtr doc = ctx.doc();
        if (code && doc) doc->SendCommand("MSSX\r10\r" + *code + "\r\n");
    });
}

void copy_holder_to_text(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [&](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        if (!util) return;
        host::EntityPtr parcel_line, text;
        host::Point at;
        if (!util->GetEntity(parcel_line, at, "选择权属界:") || !parcel_line) return;
        const parcel::ParcelRead r = parcel::read_parcel_record(*parcel_line);
        if (r.state != parcel::RecordState::Record) {
            // A work point's or another program's data has no right holder to copy.
            util->Prompt("所选实体没有宗地属性。\r\n");
            return;
        }
        if (!util->GetEntity(text, at, "选择要修改的土地权利人:") || !text) return;
        text->SetTextString(r.record.holder());
    });
}

}  // namespace korvane::mapping
