#pragma once
// 输出GIS图层: the parcels the user selects (Enter: every parcel on the four parcel layers) as a
// polygon layer with their attributes, to a GeoPackage (.gpkg) or a Shapefile (.shp) chosen in
// a save dialog (gis/parcel_layer.h). Arcs of an outline are followed within 1 mm. A polyline
// that is not closed or has fewer than three vertices is left out and counted in the end
// message. The coordinate system is the setting GisEpsg (section 参数设定): an EPSG code such
// as 4526 to 4554 for the CGCS2000 Gauss-Krüger zones; none when it is missing or 0.
#include <optional>
#include <string>

#include "gis/parcel_layer.h"
#include "host/command_frame.h"

namespace korvane::gis {

inline constexpr const char* kGisLayersTitle = "输出GIS图层";
inline constexpr const char* kEpsgKey = "GisEpsg";
inline constexpr const char* kGisLayersPrompt = "\r\n选择要输出的宗地（回车输出全部宗地）：";
inline constexpr const char* kGisLayersFilter = "GeoPackage (*.gpkg)|*.gpkg|Shapefile (*.shp)|*.shp";

// The parcel as a feature; nothing when it is not closed or has fewer than three vertices.
std::optional<ParcelFeature> parcel_feature(host::Entity& polyline);

// The EPSG code of the setting: 0 for none; nothing when the setting is not a whole positive
// number.
std::optional<int> epsg_setting(const common::SettingsStore& settings);

void write_gis_layers(host::Session& session);

}  // namespace korvane::gis
