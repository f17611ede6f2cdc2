// MSSX: the surveying add-on's selection by feature code. A feature code is the first
// extended-data item after the application name.
#include <algorithm>

#include "drawing/entity.h"
#include "host/commands.h"
#include "host/command_text.h"

namespace korvane::host {

namespace {

// The entity's feature code, or nullopt when it carries no extended data item. Only the two
// tags concerned are read, not the whole record.
std::optional<std::string> feature_code(const drawing::Entity& e) {
    const auto& tags = e.rec().tags;
    size_t start = e.xdata_start();
    if (start + 1 >= tags.size()) return std::nullopt;
    const drawing::Tag& item = tags[start + 1];
    const drawing::Document& d = e.doc();
    if (item.code >= 1000 && item.code <= 1005 && item.code != 1001) return d.text(item);
    if (item.code >= 1040 && item.code <= 1042) return format_number(d.real(item));
    if (item.code == 1070 || item.code == 1071) return std::to_string(d.integer(item));
    return std::nullopt;
}

}  // namespace

void cmd_mssx(CommandContext& c) {
    constexpr long kByCode = 10;
    Answer opt = c.ask("选择方式 [10:按属性编码] <10>:", Accept::integers());
    if (opt.cancel()) return;
    long mode = opt.enter() ? kByCode : long(opt.real);
    if (mode != kByCode) {
        c.print("选择方式 " + std::to_string(mode) + " 不可用，只能按属性编码 (10) 选择。");
        return;
    }
    Answer code = c.ask("输入属性编码:", Accept::line());
    if (code.cancel()) return;
    std::string wanted = code.enter() ? std::string() : trim(code.text);
    if (wanted.empty()) {
        c.print("编码为空，未选择实体。");
        return;
    }
    std::vector<drawing::RecordId> found;
    for (drawing::RecordId id : c.doc.modelspace()) {
        drawing::Entity e(c.dwg(), id);
        auto fc = feature_code(e);
        if (fc && trim(*fc) == wanted) found.push_back(id);
    }
    c.doc.highlighted() = std::set<drawing::RecordId>(found.begin(), found.end());
    c.doc.previous_selection() = found;
    c.redraw = true;
    c.print("找到编码为 \"" + wanted + "\" 的实体 " + std::to_string(found.size()) + " 个");
}

}  // namespace korvane::host
