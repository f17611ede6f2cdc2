#pragma once
// Small drawings for the engine's tests, written out group by group as a CAD program
// writes them, and helpers to read and write test files.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../common/shell.h"

namespace korvane::drawing::testing {

using Groups = std::vector<std::pair<int, std::string>>;

// DXF text of the groups: codes right-aligned in three columns, values as given.
inline std::string dxf_text(const Groups& groups, const std::string& eol = "\n") {
    std::string out;
    for (const auto& [code, value] : groups) {
        std::string c = std::to_string(code);
        if (c.size() < 3) c.insert(0, 3 - c.size(), ' ');
        out += c + eol + value + eol;
    }
    return out;
}

// An R2010 drawing with every part a real one has: header, classes, tables, blocks with an
// attribute definition, model space with an LWPOLYLINE carrying extended data, a 2D POLYLINE
// with VERTEX/SEQEND, an INSERT with an ATTRIB, TEXT, MTEXT, LINE, and objects (dictionaries,
// layouts, an XRECORD). It is sound: it loads without a warning.
inline Groups r2010_groups() {
    return {
        {0, "SECTION"}, {2, "HEADER"},
        {9, "$ACADVER"}, {1, "AC1024"},
        {9, "$DWGCODEPAGE"}, {3, "ANSI_936"},
        {9, "$INSBASE"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"},
        {9, "$HANDSEED"}, {5, "100"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "CLASSES"},
        {0, "CLASS"}, {1, "KORVANE_THING"}, {2, "KvThing"}, {3, "KorvaneTest"}, {90, "0"}, {91, "0"}, {280, "0"}, {281, "0"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "TABLES"},
        {0, "TABLE"}, {2, "LTYPE"}, {5, "5"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "1"},
        {0, "LTYPE"}, {5, "14"}, {330, "5"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbLinetypeTableRecord"},
        {2, "Continuous"}, {70, "0"}, {3, "Solid line"}, {72, "65"}, {73, "0"}, {40, "0.0"},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "LAYER"}, {5, "2"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "2"},
        {0, "LAYER"}, {5, "10"}, {330, "2"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbLayerTableRecord"},
        {2, "0"}, {70, "0"}, {62, "7"}, {6, "Continuous"},
        {0, "LAYER"}, {5, "11"}, {330, "2"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbLayerTableRecord"},
        {2, "独有宗地"}, {70, "0"}, {62, "3"}, {6, "Continuous"},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "STYLE"}, {5, "3"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "1"},
        {0, "STYLE"}, {5, "15"}, {330, "3"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbTextStyleTableRecord"},
        {2, "Standard"}, {70, "0"}, {40, "0.0"}, {41, "1.0"}, {50, "0.0"}, {71, "0"}, {42, "2.5"}, {3, "txt"}, {4, ""},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "APPID"}, {5, "9"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "2"},
        {0, "APPID"}, {5, "12"}, {330, "9"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbRegAppTableRecord"},
        {2, "ACAD"}, {70, "0"},
        {0, "APPID"}, {5, "13"}, {330, "9"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbRegAppTableRecord"},
        {2, "South"}, {70, "0"},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "BLOCK_RECORD"}, {5, "1"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "3"},
        {0, "BLOCK_RECORD"}, {5, "1F"}, {330, "1"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
        {2, "*Model_Space"}, {340, "22"}, {70, "0"}, {280, "1"}, {281, "0"},
        {0, "BLOCK_RECORD"}, {5, "1E"}, {330, "1"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
        {2, "*Paper_Space"}, {340, "26"}, {70, "0"}, {280, "1"}, {281, "0"},
        {0, "BLOCK_RECORD"}, {5, "30"}, {330, "1"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
        {2, "宗地号"}, {340, "0"}, {70, "0"}, {280, "1"}, {281, "0"},
        {0, "ENDTAB"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "BLOCKS"},
        {0, "BLOCK"}, {5, "20"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockBegin"},
        {2, "*Model_Space"}, {70, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, "*Model_Space"}, {1, ""},
        {0, "ENDBLK"}, {5, "21"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"},
        {0, "BLOCK"}, {5, "1A"}, {330, "1E"}, {100, "AcDbEntity"}, {67, "1"}, {8, "0"}, {100, "AcDbBlockBegin"},
        {2, "*Paper_Space"}, {70, "0"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, "*Paper_Space"}, {1, ""},
        {0, "ENDBLK"}, {5, "1B"}, {330, "1E"}, {100, "AcDbEntity"}, {67, "1"}, {8, "0"}, {100, "AcDbBlockEnd"},
        {0, "BLOCK"}, {5, "31"}, {330, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockBegin"},
        {2, "宗地号"}, {70, "2"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {3, "宗地号"}, {1, ""},
        {0, "CIRCLE"}, {5, "32"}, {330, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbCircle"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {40, "1.0"},
        {0, "ATTDEF"}, {5, "33"}, {330, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbText"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {40, "1.0"}, {1, ""}, {100, "AcDbAttributeDefinition"},
        {3, "权利人"}, {2, "QLR"}, {70, "0"},
        {0, "ENDBLK"}, {5, "34"}, {330, "30"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "ENTITIES"},
        {0, "LWPOLYLINE"}, {5, "40"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "独有宗地"}, {100, "AcDbPolyline"},
        {90, "4"}, {70, "1"}, {43, "0.0"},
        {10, "548000.0"}, {20, "2543000.0"}, {10, "548020.0"}, {20, "2543000.0"}, {42, "0.5"},
        {10, "548020.0"}, {20, "2543020.0"}, {10, "548000.0"}, {20, "2543020.0"},
        {1001, "South"}, {1000, "JC0001"}, {1000, "张三"}, {1070, "3"}, {1040, "1234.5"},
        {1002, "{"}, {1000, "北：李四"}, {1002, "}"},
        {1001, "ACAD"}, {1000, "kept"}, {1010, "1.0"}, {1020, "2.0"}, {1030, "3.0"},
        {0, "POLYLINE"}, {5, "41"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {62, "5"}, {100, "AcDb2dPolyline"},
        {66, "1"}, {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {70, "0"},
        {0, "VERTEX"}, {5, "42"}, {330, "41"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbVertex"}, {100, "AcDb2dVertex"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {42, "0.25"},
        {0, "VERTEX"}, {5, "43"}, {330, "41"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbVertex"}, {100, "AcDb2dVertex"},
        {10, "10.0"}, {20, "0.0"}, {30, "0.0"},
        {0, "VERTEX"}, {5, "44"}, {330, "41"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbVertex"}, {100, "AcDb2dVertex"},
        {10, "10.0"}, {20, "5.0"}, {30, "0.0"},
        {0, "SEQEND"}, {5, "45"}, {330, "41"}, {100, "AcDbEntity"}, {8, "0"},
        {0, "INSERT"}, {5, "46"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockReference"},
        {66, "1"}, {2, "宗地号"}, {10, "548010.0"}, {20, "2543010.0"}, {30, "0.0"},
        {0, "ATTRIB"}, {5, "47"}, {330, "46"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbText"},
        {10, "548010.0"}, {20, "2543010.0"}, {30, "0.0"}, {40, "1.0"}, {1, "李四"}, {100, "AcDbAttribute"},
        {2, "QLR"}, {70, "0"},
        {0, "SEQEND"}, {5, "48"}, {330, "46"}, {100, "AcDbEntity"}, {8, "0"},
        {0, "TEXT"}, {5, "49"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "独有宗地"}, {100, "AcDbText"},
        {10, "548005.0"}, {20, "2543005.0"}, {30, "0.0"}, {40, "2.5"}, {1, "宗地 JC0001"}, {7, "Standard"},
        {72, "1"}, {11, "548005.0"}, {21, "2543005.0"}, {31, "0.0"}, {100, "AcDbText"}, {73, "2"},
        {0, "MTEXT"}, {5, "4A"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbMText"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {40, "2.5"}, {41, "0.0"}, {71, "1"}, {3, "第一段，"}, {1, "第二段"},
        {7, "Standard"},
        {0, "LINE"}, {5, "4B"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbLine"},
        {10, "0.0"}, {20, "0.0"}, {30, "0.0"}, {11, "100.0"}, {21, "100.0"}, {31, "0.0"},
        {0, "ENDSEC"},
        {0, "SECTION"}, {2, "OBJECTS"},
        {0, "DICTIONARY"}, {5, "C"}, {330, "0"}, {100, "AcDbDictionary"}, {281, "1"},
        {3, "ACAD_GROUP"}, {350, "D"}, {3, "ACAD_LAYOUT"}, {350, "E"}, {3, "KORVANE_DATA"}, {350, "50"},
        {0, "DICTIONARY"}, {5, "D"}, {330, "C"}, {100, "AcDbDictionary"}, {281, "1"},
        {0, "DICTIONARY"}, {5, "E"}, {330, "C"}, {100, "AcDbDictionary"}, {281, "1"},
        {3, "Model"}, {350, "22"}, {3, "Layout1"}, {350, "26"},
        {0, "LAYOUT"}, {5, "22"}, {330, "E"}, {100, "AcDbPlotSettings"}, {1, ""}, {70, "1024"},
        {100, "AcDbLayout"}, {1, "Model"}, {70, "1"}, {71, "0"}, {330, "1F"},
        {0, "LAYOUT"}, {5, "26"}, {330, "E"}, {100, "AcDbPlotSettings"}, {1, ""}, {70, "0"},
        {100, "AcDbLayout"}, {1, "Layout1"}, {70, "1"}, {71, "1"}, {330, "1E"},
        {0, "XRECORD"}, {5, "50"}, {330, "C"}, {100, "AcDbXrecord"}, {280, "1"}, {1, "中文 记录"}, {40, "3.5"}, {90, "42"},
        {0, "ENDSEC"},
        {0, "EOF"},
    };
}

inline std::string r2010_text(const std::string& eol = "\n") { return dxf_text(r2010_groups(), eol); }

// The same groups with some replaced: every group of `code` whose value is `from` gets `to`.
inline Groups replaced(Groups g, int code, const std::string& from, const std::string& to) {
    for (auto& [c, v] : g)
        if (c == code && v == from) v = to;
    return g;
}

// A folder of its own for a test's files, emptied first.
inline std::filesystem::path test_dir(const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(KORVANE_TEST_OUT) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace korvane::drawing::testing
