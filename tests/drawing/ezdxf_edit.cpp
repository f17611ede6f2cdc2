// Test helper: loads a drawing, applies the edits listed in an edit file, saves it.
// Used by ezdxf_interop.py to check that drawings Korvane changed read back in ezdxf.
//
// Edit file: UTF-8, one edit a line, fields separated by tabs:
//   layer   HANDLE NAME          (adds the layer when missing)
//   color   HANDLE N
//   text    HANDLE TEXT          (\n in TEXT stands for a line break)
//   xdata   HANDLE APP CODE=VALUE...   (points: 1010=x,y,z)
//   erase   HANDLE
// Exit status: 0 done, 1 an edit failed, 2 bad input.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/tables.h"

using namespace korvane::drawing;

namespace {

XDataItem parse_item(const std::string& item_text) {
    size_t eq = item_text.find('=');
    if (eq == std::string::npos) throw std::invalid_argument("xdata item without '=': " + item_text);
    XDataItem item = XDataItem::string(item_text.substr(eq + 1), std::stoi(item_text.substr(0, eq)));
    char comma;
    if (item.code >= 1010 && item.code <= 1013)
        std::istringstream(item.text) >> item.point.x >> comma >> item.point.y >> comma >> item.point.z;
    else if (item.code >= 1040 && item.code <= 1042) item.real = std::stod(item.text);
    else if (item.code == 1070 || item.code == 1071) item.integer = std::stoll(item.text);
    return item;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: drawing_ezdxf_edit IN.dxf OUT.dxf EDITS.txt\n";
        return 2;
    }
    Document doc;
    try {
        LoadReport report;
        doc = Document::load(argv[1], &report);
        for (const auto& w : report.warnings) std::cerr << argv[1] << ": warning: " << w << "\n";
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 2;
    }
    std::ifstream edits(argv[3]);
    if (!edits) {
        std::cerr << "error: cannot read " << argv[3] << "\n";
        return 2;
    }
    std::string line;
    int line_no = 0;
    try {
        doc.begin_undo_step("edits");
        while (std::getline(edits, line)) {
            ++line_no;
            std::vector<std::string> f;
            std::istringstream fields(line.substr(0, line.find('\r')));
            for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
            if (f.empty() || f[0][0] == '#') continue;
            RecordId id = f.size() < 2 ? kNoRecord : doc.find_handle(f[1]);
            if (id == kNoRecord) throw std::invalid_argument("no entity with the handle of: " + line);
            Entity e(doc, id);
            if (f[0] == "layer" && f.size() == 3) {
                add_layer(doc, f[2]);
                e.set_layer(f[2]);
            } else if (f[0] == "color" && f.size() == 3) {
                e.set_color(std::stoi(f[2]));
            } else if (f[0] == "text" && f.size() == 3) {
                std::string text;
                for (size_t i = 0; i < f[2].size(); ++i) text += f[2].compare(i, 2, "\\n") ? f[2][i] : (++i, '\n');
                e.set_text(text);
            } else if (f[0] == "xdata" && f.size() >= 3) {
                std::vector<XDataItem> items = {XDataItem::app(f[2])};
                for (size_t k = 3; k < f.size(); ++k) items.push_back(parse_item(f[k]));
                e.set_xdata(items);
            } else if (f[0] == "erase" && f.size() == 2) {
                doc.erase(id);
            } else {
                throw std::invalid_argument("unknown edit: " + f[0]);
            }
        }
        doc.end_undo_step();
        doc.save(argv[2]);
    } catch (const std::exception& e) {
        std::cerr << "error: " << argv[3] << ":" << line_no << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
