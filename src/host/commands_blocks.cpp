// -INSERT and -WBLOCK.
#include <cmath>
#include <filesystem>

#include "drawing/block.h"
#include "host/commands.h"
#include "host/command_text.h"

namespace korvane::host {

namespace {

using drawing::kNoRecord;
using drawing::RecordId;

bool is_file(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool has_extension(const std::string& path, const char* ext) {
    size_t n = std::char_traits<char>::length(ext);
    return path.size() > n && drawing::iequals(std::string_view(path).substr(path.size() - n), ext);
}

// The drawing file a name stands for: the name itself, or with ".dxf" in place of (or after)
// its extension, as drawings are kept in DXF here. Empty when none exists.
std::string drawing_file(const std::string& name) {
    if (is_file(name)) return name;
    if (has_extension(name, ".dwg")) {
        std::string dxf = name.substr(0, name.size() - 4) + ".dxf";
        if (is_file(dxf)) return dxf;
    }
    if (!has_extension(name, ".dxf") && is_file(name + ".dxf")) return name + ".dxf";
    return {};
}

void print_skipped(CommandContext& c, const drawing::CopyReport& report) {
    for (const auto& [type, n] : report.skipped)
        c.print("跳过了 " + std::to_string(n) + " 个 " + type + " 对象。");
}

}  // namespace

void cmd_insert(CommandContext& c) {
    drawing::Document& d = c.dwg();
    Answer n = c.ask("输入块名或 [?]:", Accept::line());
    if (n.kind != Answer::Text) return;
    std::string name = unquote(n.text);
    if (name == "?") {
        for (const std::string& b : drawing::block_names(d))
            if (!b.empty() && b[0] != '*') c.print("\"" + b + "\"");
        return;
    }
    bool exploded = !name.empty() && name[0] == '*';
    if (exploded) name = trim(name.substr(1));
    bool is_block = drawing::find_block(d, name) != kNoRecord;
    std::string file = is_block ? std::string() : drawing_file(name);
    if (!is_block && file.empty()) {
        c.print("未找到块或图形文件 \"" + name + "\"。");
        return;
    }
    Answer at = c.ask("指定插入点:", Accept::points());
    if (at.kind != Answer::Point) return;
    drawing::Point3 p{at.point.x, at.point.y, at.point.z};
    drawing::CopyReport report;
    if (exploded) {
        auto scale = c.ask_real("指定比例因子 <1>:", 1, true);
        if (!scale) return;
        auto rot = c.ask_real("指定旋转角度 <0>:", 0);
        if (!rot) return;
        if (is_block) {
            RecordId ref = drawing::add_insert(d, name, p, *scale, *scale, *scale, *rot, c.current_layer());
            if (ref != kNoRecord) drawing::explode_insert(d, ref, &report);
        } else {
            drawing::insert_dxf_exploded(d, file, p, *scale, *rot, &report);
        }
    } else {
        auto xs = c.ask_real("输入 X 比例因子，指定对角点，或 [角点(C)/XYZ(XYZ)] <1>:", 1);
        if (!xs) return;
        if (*xs == 0) {
            c.print("比例因子不能为零。");
            return;
        }
        auto ys = c.ask_real("输入 Y 比例因子或 <使用 X 比例因子>:", *xs);
        if (!ys) return;
        if (*ys == 0) ys = xs;
        auto rot = c.ask_real("指定旋转角度 <0>:", 0);
        if (!rot) return;
        RecordId ref = is_block ? drawing::add_insert(d, name, p, *xs, *ys, 1, *rot, c.current_layer())
                                : drawing::insert_dxf_as_block(d, file, p, *xs, *ys, 1, *rot, c.current_layer(),
                                                               &report);
        if (ref == kNoRecord && report.error.empty()) report.error = "插入失败";
    }
    if (!report.error.empty()) c.print("无法插入 \"" + name + "\": " + report.error);
    print_skipped(c, report);
}

void cmd_wblock(CommandContext& c) {
    drawing::Document& d = c.dwg();
    Answer f = c.ask("输入文件名:", Accept::line());
    if (f.kind != Answer::Text) return;
    std::string path = unquote(f.text);
    if (path.empty()) return;
    // Anything of that name counts, a folder too: the replacement then fails with its reason,
    // and the answers a tool sent for the question are not taken as commands.
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        auto replace = c.ask_yes_no("文件 \"" + path + "\" 已存在。是否替换它? [是(Y)/否(N)] <N>:", false);
        if (!replace || !*replace) return;
    }
    Answer b = c.ask("输入现有块名或 [= (块=输出文件)/* (整个图形)] <定义写入文件>:", Accept::line());
    if (b.cancel()) return;
    std::vector<RecordId> entities;
    drawing::Point3 base;
    if (b.enter()) {
        Answer at = c.ask("指定插入基点 <0,0,0>:", Accept::points());
        if (at.cancel()) return;
        if (at.kind == Answer::Point) base = {at.point.x, at.point.y, at.point.z};
        auto sel = c.select_objects();
        if (!sel) return;
        if (sel->empty()) {
            c.print("未选择对象，未写出文件。");
            return;
        }
        // The objects stay in the drawing: writing them out is a copy.
        entities = *sel;
    } else {
        std::string name = trim(b.text);
        if (name == "*") {
            entities = c.doc.modelspace();
        } else {
            if (name == "=") name = std::filesystem::path(path).stem().string();
            RecordId block = drawing::find_block(d, name);
            if (block == kNoRecord) {
                c.print("未找到块 \"" + name + "\"。");
                return;
            }
            entities = drawing::block_entities(d, block);
            base = drawing::block_base_point(d, block);
        }
    }
    drawing::CopyReport report;
    if (!drawing::write_wblock(d, entities, base, path, &report)) {
        c.print("无法写出文件 \"" + path + "\": " + report.error);
        return;
    }
    c.print("已将 " + std::to_string(report.copied) + " 个对象写入 \"" + path + "\"。");
    if (!report.backup_problem.empty()) c.print("未能保留原文件的备份: " + report.backup_problem);
    print_skipped(c, report);
}

}  // namespace korvane::host
