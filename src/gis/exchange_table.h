#pragma once
// 输出交换文件[ArcGis]: the attributes of the parcels the user selects, one comma-separated line
// a parcel, written to "ArcGis宗地属性交换表.TXT" in the data directory (GBK, CR LF) for a GIS
// to import and join to the parcel polygons, and shown in the user's text editor. The join key
// is the polyline's elevation: the selected parcels get 9000, 9001, ... in selection order
// (every run starts at 9000 again), and the same number ends the parcel's line.
//
//   YSDM,ZDH,...,Cun_DM,Area,标高(E)        the header: the record's 21 exchange names
//   '<item 1>,<item 2>,...,<item n>,<area "0.00">,<elevation>
//
// The items are the polyline's extended data of every application from item 1 to the last, as
// stored (a value holding a comma is not quoted, so its line has more columns than the header).
// A polyline without any extended data has nothing to join: it gets no line, keeps its
// elevation and uses no number; the command line says how many were left out. No host running:
// the command ends without a word.
#include <string>

#include "host/command_frame.h"

namespace korvane::gis {

inline constexpr const char* kExchangeFile = "ArcGis宗地属性交换表.TXT";
inline constexpr const char* kExchangeHeader =
    "YSDM,ZDH,TDQLR,ZDSZ,EAST,SOUTH,WEST,NORTH,TXDZ,TDZL,QSXZ,SCMJ,FZMJ,TDZH,PZRQ,QSDCJS,DCY,DCRQ,OutDATA,Zen_DM,"
    "Cun_DM,Area,标高(E)";
inline constexpr long kFirstElevation = 9000;
inline constexpr const char* kExchangeTitle = "输出交换文件[ArcGis]";

// The data line of a parcel with that extended data (item 0 the application name), area and
// elevation number.
std::string exchange_line(const host::XData& data, double area, long elevation);

void write_exchange_table(host::Session& session);

}  // namespace korvane::gis
