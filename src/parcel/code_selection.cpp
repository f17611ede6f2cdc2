#include "parcel/code_selection.h"

#include "parcel/selection_sets.h"

namespace korvane::parcel {

std::string code_selection_line(const std::string& code, long count) {
    return "已选择所有编码为:“" + code + "”的实体有:" + std::to_string(count) + "个\r\n";
}

long select_by_code(host::CommandContext& ctx, const std::string& code) {
    host::DocumentPtr doc = ctx.doc();
    if (!doc) return 0;
    host::SelectionSetPtr set = fresh_selection_set(*doc, kCodeSelectionSet);
    long count = 0;
    if (set && !code.empty()) {
        set->Select(5, host::Filter{}.add(1000, code));
        count = set->Count();
    }
    if (host::UtilityPtr util = doc->Utility()) util->Prompt(code_selection_line(code, count));
    if (set && count > 0) set->Highlight(true);
    return count;
}

}  // namespace korvane::parcel
