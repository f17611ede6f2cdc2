// The template of a new drawing: R2010, metric (metres), everything a CAD program
// needs to open it without repair — symbol tables with their standard entries,
// model and paper space with their blocks and layouts, the root dictionary and
// its standard entries. Handles are fixed; $HANDSEED sits above all of them.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "document.h"

namespace korvane::drawing {

namespace {

// One record (or a run of header variables) a line, groups separated by '|',
// each group "CODE VALUE". @NAME@ marks values filled in at creation.
constexpr const char* kTemplate = R"(0 SECTION|2 HEADER
9 $ACADVER|1 AC1024|9 $ACADMAINTVER|70 6|9 $DWGCODEPAGE|3 ANSI_936
9 $INSBASE|10 0.0|20 0.0|30 0.0
9 $EXTMIN|10 1e+20|20 1e+20|30 1e+20|9 $EXTMAX|10 -1e+20|20 -1e+20|30 -1e+20
9 $LIMMIN|10 0.0|20 0.0|9 $LIMMAX|10 420.0|20 297.0
9 $ORTHOMODE|70 0|9 $REGENMODE|70 1|9 $FILLMODE|70 1|9 $QTEXTMODE|70 0|9 $MIRRTEXT|70 0
9 $LTSCALE|40 1.0|9 $ATTMODE|70 1|9 $TEXTSIZE|40 2.5|9 $TRACEWID|40 1.0
9 $TEXTSTYLE|7 Standard|9 $CLAYER|8 0|9 $CELTYPE|6 ByLayer|9 $CECOLOR|62 256|9 $CELTSCALE|40 1.0
9 $DIMSCALE|40 1.0|9 $DIMSTYLE|2 Standard|9 $DIMTXSTY|7 Standard
9 $LUNITS|70 2|9 $LUPREC|70 4|9 $AUNITS|70 0|9 $AUPREC|70 0|9 $MENU|1 .
9 $ELEVATION|40 0.0|9 $PELEVATION|40 0.0|9 $THICKNESS|40 0.0
9 $TDCREATE|40 @LOCAL@|9 $TDUCREATE|40 @UTC@|9 $TDUPDATE|40 @LOCAL@|9 $TDUUPDATE|40 @UTC@
9 $TDINDWG|40 0.0|9 $TDUSRTIMER|40 0.0|9 $USRTIMER|70 1
9 $ANGBASE|50 0.0|9 $ANGDIR|70 0|9 $PDMODE|70 0|9 $PDSIZE|40 0.0|9 $PLINEWID|40 0.0
9 $HANDSEED|5 30
9 $UCSBASE|2 |9 $UCSNAME|2 |9 $UCSORG|10 0.0|20 0.0|30 0.0
9 $UCSXDIR|10 1.0|20 0.0|30 0.0|9 $UCSYDIR|10 0.0|20 1.0|30 0.0
9 $PUCSBASE|2 |9 $PUCSNAME|2 |9 $PUCSORG|10 0.0|20 0.0|30 0.0
9 $PUCSXDIR|10 1.0|20 0.0|30 0.0|9 $PUCSYDIR|10 0.0|20 1.0|30 0.0
9 $WORLDVIEW|70 1|9 $TILEMODE|70 1|9 $MAXACTVP|70 64|9 $PINSBASE|10 0.0|20 0.0|30 0.0|9 $PLIMCHECK|70 0
9 $PEXTMIN|10 1e+20|20 1e+20|30 1e+20|9 $PEXTMAX|10 -1e+20|20 -1e+20|30 -1e+20
9 $PLIMMIN|10 0.0|20 0.0|9 $PLIMMAX|10 420.0|20 297.0
9 $UNITMODE|70 0|9 $VISRETAIN|70 1|9 $PLINEGEN|70 0|9 $PSLTSCALE|70 1|9 $TREEDEPTH|70 3020
9 $CMLSTYLE|2 Standard|9 $CMLJUST|70 0|9 $CMLSCALE|40 1.0|9 $PROXYGRAPHICS|70 1|9 $MEASUREMENT|70 1
9 $CELWEIGHT|370 -1|9 $ENDCAPS|280 0|9 $JOINSTYLE|280 0|9 $LWDISPLAY|290 0|9 $INSUNITS|70 6
9 $HYPERLINKBASE|1 |9 $STYLESHEET|1 |9 $XEDIT|290 1|9 $CEPSNTYPE|380 0|9 $PSTYLEMODE|290 1
9 $FINGERPRINTGUID|2 @GUID1@|9 $VERSIONGUID|2 @GUID2@|9 $EXTNAMES|290 1|9 $PSVPSCALE|40 0.0
9 $OLESTARTUP|290 0|9 $SORTENTS|280 127|9 $INDEXCTL|280 0|9 $HIDETEXT|280 1|9 $XCLIPFRAME|280 2
9 $HALOGAP|280 0|9 $OBSCOLOR|70 257|9 $OBSLTYPE|280 0|9 $INTERSECTIONDISPLAY|280 0
9 $INTERSECTIONCOLOR|70 257|9 $DIMASSOC|280 2|9 $PROJECTNAME|1 
0 ENDSEC
0 SECTION|2 CLASSES
0 CLASS|1 ACDBDICTIONARYWDFLT|2 AcDbDictionaryWithDefault|3 ObjectDBX Classes|90 0|91 1|280 0|281 0
0 ENDSEC
0 SECTION|2 TABLES
0 TABLE|2 VPORT|5 8|330 0|100 AcDbSymbolTable|70 1
0 VPORT|5 29|330 8|100 AcDbSymbolTableRecord|100 AcDbViewportTableRecord|2 *Active|70 0|10 0.0|20 0.0|11 1.0|21 1.0|12 210.0|22 148.5|13 0.0|23 0.0|14 10.0|24 10.0|15 10.0|25 10.0|16 0.0|26 0.0|36 1.0|17 0.0|27 0.0|37 0.0|40 297.0|41 1.6|42 50.0|43 0.0|44 0.0|50 0.0|51 0.0|71 0|72 1000|73 1|74 3|75 0|76 0|77 0|78 0|281 0|65 1|110 0.0|120 0.0|130 0.0|111 1.0|121 0.0|131 0.0|112 0.0|122 1.0|132 0.0|79 0|146 0.0|60 3|61 5|292 1|282 1|141 0.0|142 0.0|63 250|421 3355443
0 ENDTAB
0 TABLE|2 LTYPE|5 5|330 0|100 AcDbSymbolTable|70 3
0 LTYPE|5 14|330 5|100 AcDbSymbolTableRecord|100 AcDbLinetypeTableRecord|2 ByBlock|70 0|3 |72 65|73 0|40 0.0
0 LTYPE|5 15|330 5|100 AcDbSymbolTableRecord|100 AcDbLinetypeTableRecord|2 ByLayer|70 0|3 |72 65|73 0|40 0.0
0 LTYPE|5 16|330 5|100 AcDbSymbolTableRecord|100 AcDbLinetypeTableRecord|2 Continuous|70 0|3 Solid line|72 65|73 0|40 0.0
0 ENDTAB
0 TABLE|2 LAYER|5 2|330 0|100 AcDbSymbolTable|70 1
0 LAYER|5 10|330 2|100 AcDbSymbolTableRecord|100 AcDbLayerTableRecord|2 0|70 0|62 7|6 Continuous|370 -3|390 F
0 ENDTAB
0 TABLE|2 STYLE|5 3|330 0|100 AcDbSymbolTable|70 1
0 STYLE|5 11|330 3|100 AcDbSymbolTableRecord|100 AcDbTextStyleTableRecord|2 Standard|70 0|40 0.0|41 1.0|50 0.0|71 0|42 2.5|3 txt|4 gbcbig.shx
0 ENDTAB
0 TABLE|2 VIEW|5 6|330 0|100 AcDbSymbolTable|70 0
0 ENDTAB
0 TABLE|2 UCS|5 7|330 0|100 AcDbSymbolTable|70 0
0 ENDTAB
0 TABLE|2 APPID|5 9|330 0|100 AcDbSymbolTable|70 1
0 APPID|5 12|330 9|100 AcDbSymbolTableRecord|100 AcDbRegAppTableRecord|2 ACAD|70 0
0 ENDTAB
0 TABLE|2 DIMSTYLE|5 A|330 0|100 AcDbSymbolTable|70 1|100 AcDbDimStyleTable|71 1|340 27
0 DIMSTYLE|105 27|330 A|100 AcDbSymbolTableRecord|100 AcDbDimStyleTableRecord|2 Standard|70 0|340 11
0 ENDTAB
0 TABLE|2 BLOCK_RECORD|5 1|330 0|100 AcDbSymbolTable|70 2
0 BLOCK_RECORD|5 1F|330 1|100 AcDbSymbolTableRecord|100 AcDbBlockTableRecord|2 *Model_Space|340 22|70 0|280 1|281 0
0 BLOCK_RECORD|5 1B|330 1|100 AcDbSymbolTableRecord|100 AcDbBlockTableRecord|2 *Paper_Space|340 1E|70 0|280 1|281 0
0 ENDTAB
0 ENDSEC
0 SECTION|2 BLOCKS
0 BLOCK|5 20|330 1F|100 AcDbEntity|8 0|100 AcDbBlockBegin|2 *Model_Space|70 0|10 0.0|20 0.0|30 0.0|3 *Model_Space|1 
0 ENDBLK|5 21|330 1F|100 AcDbEntity|8 0|100 AcDbBlockEnd
0 BLOCK|5 1C|330 1B|100 AcDbEntity|67 1|8 0|100 AcDbBlockBegin|2 *Paper_Space|70 0|10 0.0|20 0.0|30 0.0|3 *Paper_Space|1 
0 ENDBLK|5 1D|330 1B|100 AcDbEntity|67 1|8 0|100 AcDbBlockEnd
0 ENDSEC
0 SECTION|2 ENTITIES
0 ENDSEC
0 SECTION|2 OBJECTS
0 DICTIONARY|5 C|330 0|100 AcDbDictionary|281 1|3 ACAD_GROUP|350 D|3 ACAD_LAYOUT|350 1A|3 ACAD_MLINESTYLE|350 17|3 ACAD_PLOTSETTINGS|350 19|3 ACAD_PLOTSTYLENAME|350 E
0 DICTIONARY|5 D|102 {ACAD_REACTORS|330 C|102 }|330 C|100 AcDbDictionary|281 1
0 DICTIONARY|5 1A|102 {ACAD_REACTORS|330 C|102 }|330 C|100 AcDbDictionary|281 1|3 Layout1|350 1E|3 Model|350 22
0 DICTIONARY|5 17|102 {ACAD_REACTORS|330 C|102 }|330 C|100 AcDbDictionary|281 1|3 Standard|350 18
0 DICTIONARY|5 19|102 {ACAD_REACTORS|330 C|102 }|330 C|100 AcDbDictionary|281 1
0 ACDBDICTIONARYWDFLT|5 E|102 {ACAD_REACTORS|330 C|102 }|330 C|100 AcDbDictionary|281 1|3 Normal|350 F|100 AcDbDictionaryWithDefault|340 F
0 ACDBPLACEHOLDER|5 F|102 {ACAD_REACTORS|330 E|102 }|330 E
0 MLINESTYLE|5 18|102 {ACAD_REACTORS|330 17|102 }|330 17|100 AcDbMlineStyle|2 Standard|70 0|3 |62 256|51 90.0|52 90.0|71 2|49 0.5|62 256|6 BYLAYER|49 -0.5|62 256|6 BYLAYER
0 LAYOUT|5 22|102 {ACAD_REACTORS|330 1A|102 }|330 1A|100 AcDbPlotSettings|1 |2 none_device|4 ISO_A4_(210.00_x_297.00_MM)|6 |40 7.5|41 20.0|42 7.5|43 20.0|44 210.0|45 297.0|46 0.0|47 0.0|48 0.0|49 0.0|140 0.0|141 0.0|142 1.0|143 1.0|70 1712|72 1|73 0|74 0|7 |75 0|147 1.0|76 0|77 2|78 300|148 0.0|149 0.0|100 AcDbLayout|1 Model|70 1|71 0|10 0.0|20 0.0|11 420.0|21 297.0|12 0.0|22 0.0|32 0.0|14 1e+20|24 1e+20|34 1e+20|15 -1e+20|25 -1e+20|35 -1e+20|146 0.0|13 0.0|23 0.0|33 0.0|16 1.0|26 0.0|36 0.0|17 0.0|27 1.0|37 0.0|76 0|330 1F|331 29
0 LAYOUT|5 1E|102 {ACAD_REACTORS|330 1A|102 }|330 1A|100 AcDbPlotSettings|1 |2 none_device|4 ISO_A4_(210.00_x_297.00_MM)|6 |40 7.5|41 20.0|42 7.5|43 20.0|44 210.0|45 297.0|46 0.0|47 0.0|48 0.0|49 0.0|140 0.0|141 0.0|142 1.0|143 1.0|70 688|72 1|73 0|74 5|7 |75 16|147 1.0|76 0|77 2|78 300|148 0.0|149 0.0|100 AcDbLayout|1 Layout1|70 1|71 1|10 0.0|20 0.0|11 420.0|21 297.0|12 0.0|22 0.0|32 0.0|14 1e+20|24 1e+20|34 1e+20|15 -1e+20|25 -1e+20|35 -1e+20|146 0.0|13 0.0|23 0.0|33 0.0|16 1.0|26 0.0|36 0.0|17 0.0|27 1.0|37 0.0|76 0|330 1B
0 ENDSEC
0 EOF
)";

// Days since the start of the Julian period, as the header's date variables count time.
std::string julian_date(std::time_t t, long offset_seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9f", double(t + offset_seconds) / 86400.0 + 2440587.5);
    return buf;
}

std::string random_guid(std::mt19937_64& rng) {
    uint64_t a = rng(), b = rng();
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%04X-%012llX}", unsigned(a >> 32), unsigned((a >> 16) & 0xFFFF),
                  unsigned(0x4000 | (a & 0x0FFF)), unsigned(0x8000 | ((b >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
    return buf;
}

// Expands the compact template into DXF text with the given values for its @NAME@ marks.
std::string expand(std::string_view tmpl, const std::vector<std::pair<std::string, std::string>>& values) {
    std::string out;
    size_t pos = 0;
    while (pos < tmpl.size()) {
        size_t end = tmpl.find_first_of("|\n", pos);
        if (end == std::string_view::npos) end = tmpl.size();
        std::string_view group = tmpl.substr(pos, end - pos);
        pos = end + 1;
        if (group.empty()) continue;
        size_t space = group.find(' ');
        std::string_view code = group.substr(0, space);
        std::string value(space == std::string_view::npos ? std::string_view() : group.substr(space + 1));
        for (const auto& [mark, v] : values)
            if (value == mark) value = v;
        out.append(3 - std::min<size_t>(code.size(), 3), ' ').append(code) += '\n';
        out += value;
        out += '\n';
    }
    return out;
}

}  // namespace

Document Document::create() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::random_device seed;
    std::mt19937_64 rng((uint64_t(seed()) << 32) ^ seed() ^ uint64_t(now));
    std::string text = expand(kTemplate, {{"@LOCAL@", julian_date(now, local.tm_gmtoff)},
                                          {"@UTC@", julian_date(now, 0)},
                                          {"@GUID1@", random_guid(rng)},
                                          {"@GUID2@", random_guid(rng)}});
    Document doc = parse(std::move(text), "new drawing");
    doc.eol_ = "\r\n";
    return doc;
}

}  // namespace korvane::drawing
