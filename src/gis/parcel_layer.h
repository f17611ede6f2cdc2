#pragma once
// Parcel polygons with their attributes as a GIS layer, written through GDAL's vector API to a
// GeoPackage or to a Shapefile (with its .cpg, UTF-8). The layer is named after the file.
//
// Fields, in order: the record's 21 exchange names (YSDM ... Cun_DM) as text, `Area` (real),
// `Layer` and `Handle` (text), `标高` (integer: the elevation the exchange table gave the
// polyline). A feature without a record has those 21 fields null, one without an elevation a
// null `标高`.
//
// The layer is written into a temporary file (a Shapefile's into a temporary folder) beside
// the target; the target's files are replaced only once the new ones are complete, and a
// failed write leaves them as they were.
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "drawing/geometry.h"

namespace korvane::gis {

enum class LayerFormat { GeoPackage, Shapefile };

// By the file name's extension (.gpkg, .shp, in any case); nothing for any other.
std::optional<LayerFormat> layer_format(const std::filesystem::path& file);

inline constexpr int kRecordFields = 21;
inline constexpr const char* kElevationField = "标高";

struct ParcelFeature {
    std::vector<drawing::Point2> ring;  // the outline, first point repeated at the end
    std::optional<std::array<std::string, kRecordFields>> values;  // record items 1..21
    double area = 0;
    std::string layer, handle;
    std::optional<long long> elevation;
};

// The layer's field names in order.
std::vector<std::string> parcel_field_names();

struct LayerWrite {
    std::string error;          // "" when the layer was written
    long truncated_values = 0;  // texts longer than a Shapefile's 254 bytes, cut there
    bool ok() const { return error.empty(); }
};

// `epsg` 0: no coordinate system.
LayerWrite write_parcel_layer(const std::filesystem::path& target, LayerFormat format,
                              const std::vector<ParcelFeature>& features, int epsg);

}  // namespace korvane::gis
