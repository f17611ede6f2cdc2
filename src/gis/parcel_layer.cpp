#include "gis/parcel_layer.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <system_error>

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include "parcel/parcel_record.h"

namespace korvane::gis {

namespace fs = std::filesystem;

namespace {

constexpr int kDbfTextLimit = 254;  // bytes of a Shapefile's text field

// GDAL's own error output goes to stderr unless a handler takes it; the writer reports the
// last message itself.
class QuietGdal {
public:
    QuietGdal() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    static std::string last(const std::string& fallback) {
        const char* msg = CPLGetLastErrorMsg();
        return msg && *msg ? msg : fallback;
    }
};

struct DatasetCloser {
    void operator()(GDALDatasetH ds) const { GDALClose(ds); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;
struct SrsReleaser {
    void operator()(OGRSpatialReferenceH srs) const { OSRRelease(srs); }
};
using Srs = std::unique_ptr<void, SrsReleaser>;
struct FeatureDestroyer {
    void operator()(OGRFeatureH f) const { OGR_F_Destroy(f); }
};
using Feature = std::unique_ptr<void, FeatureDestroyer>;

void register_drivers() {
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The field widths a Shapefile needs: the longest value of each text field, within its limit.
std::vector<int> text_widths(const std::vector<ParcelFeature>& features) {
    std::vector<int> w(kRecordFields + 2, 1);
    auto fit = [](int& width, const std::string& s) { width = std::min(kDbfTextLimit, std::max(width, int(s.size()))); };
    for (const ParcelFeature& f : features) {
        if (f.values)
            for (int i = 0; i < kRecordFields; ++i) fit(w[size_t(i)], (*f.values)[size_t(i)]);
        fit(w[kRecordFields], f.layer);
        fit(w[kRecordFields + 1], f.handle);
    }
    return w;
}

bool add_field(OGRLayerH layer, const std::string& name, OGRFieldType type, int width) {
    OGRFieldDefnH def = OGR_Fld_Create(name.c_str(), type);
    if (width > 0) OGR_Fld_SetWidth(def, width);
    const bool ok = OGR_L_CreateField(layer, def, TRUE) == OGRERR_NONE;
    OGR_Fld_Destroy(def);
    return ok;
}

OGRGeometryH polygon_of(const std::vector<drawing::Point2>& ring) {
    OGRGeometryH r = OGR_G_CreateGeometry(wkbLinearRing);
    for (const drawing::Point2& p : ring) OGR_G_AddPoint_2D(r, p.x, p.y);
    OGRGeometryH poly = OGR_G_CreateGeometry(wkbPolygon);
    OGR_G_AddGeometryDirectly(poly, r);
    return poly;
}

// Writes the whole layer `name` into `file` (which does not exist yet).
LayerWrite write_dataset(const fs::path& file, const std::string& name, LayerFormat format,
                         const std::vector<ParcelFeature>& features, OGRSpatialReferenceH srs) {
    LayerWrite result;
    const bool shp = format == LayerFormat::Shapefile;
    GDALDriverH driver = GDALGetDriverByName(shp ? "ESRI Shapefile" : "GPKG");
    if (!driver) return {"GDAL 缺少 " + std::string(shp ? "Shapefile" : "GeoPackage") + " 驱动"};
    Dataset ds(GDALCreate(driver, file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds) return {QuietGdal::last("无法创建文件")};
    const char* shp_options[] = {"ENCODING=UTF-8", nullptr};
    OGRLayerH layer = GDALDatasetCreateLayer(ds.get(), name.c_str(), srs, wkbPolygon,
                                             shp ? const_cast<char**>(shp_options) : nullptr);
    if (!layer) return {QuietGdal::last("无法创建图层")};
    // Text widths matter to a Shapefile only; the other fields follow the record's 21.
    const std::vector<int> widths = shp ? text_widths(features) : std::vector<int>(kRecordFields + 2, 0);
    const std::vector<std::string> names = parcel_field_names();
    const int area_index = kRecordFields, layer_index = kRecordFields + 1, handle_index = kRecordFields + 2,
              elevation_index = kRecordFields + 3;
    bool fields = true;
    for (int i = 0; i < kRecordFields; ++i) fields = fields && add_field(layer, names[size_t(i)], OFTString, widths[size_t(i)]);
    fields = fields && add_field(layer, names[area_index], OFTReal, 0) &&
             add_field(layer, names[layer_index], OFTString, widths[kRecordFields]) &&
             add_field(layer, names[handle_index], OFTString, widths[kRecordFields + 1]) &&
             add_field(layer, names[elevation_index], OFTInteger64, 0);
    if (!fields) return {QuietGdal::last("无法建立字段")};

    const bool transaction = GDALDatasetStartTransaction(ds.get(), FALSE) == OGRERR_NONE;
    OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
    for (const ParcelFeature& f : features) {
        Feature feature(OGR_F_Create(defn));
        if (f.values)
            for (int i = 0; i < kRecordFields; ++i) {
                const std::string& v = (*f.values)[size_t(i)];
                if (shp && int(v.size()) > kDbfTextLimit) ++result.truncated_values;
                OGR_F_SetFieldString(feature.get(), i, v.c_str());
            }
        OGR_F_SetFieldString(feature.get(), layer_index, f.layer.c_str());
        OGR_F_SetFieldString(feature.get(), handle_index, f.handle.c_str());
        OGR_F_SetFieldDouble(feature.get(), area_index, f.area);
        if (f.elevation) OGR_F_SetFieldInteger64(feature.get(), elevation_index, *f.elevation);
        OGR_F_SetGeometryDirectly(feature.get(), polygon_of(f.ring));
        if (OGR_L_CreateFeature(layer, feature.get()) != OGRERR_NONE) return {QuietGdal::last("无法写入要素")};
    }
    if (transaction && GDALDatasetCommitTransaction(ds.get()) != OGRERR_NONE) return {QuietGdal::last("无法写入文件")};
    CPLErrorReset();
    ds.reset();  // closing flushes: a failure shows as an error raised during the close
    if (CPLGetLastErrorType() >= CE_Failure) return {QuietGdal::last("无法写入文件")};
    return result;
}

// The target's own files: the layer file and, for a Shapefile, the files beside it of the
// same name.
const char* const kShapefileParts[] = {".shp", ".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx", ".shp.xml"};

// Moves the complete new files into place. A Shapefile is several files: the old ones are set
// aside first and put back when any new one cannot take its place, so that the target is
// either the old layer or the new one; parts of the old layer the new one lacks (a .prj when no
// coordinate system is set now) go with the old layer.
std::string move_into_place(const fs::path& written, const fs::path& target, LayerFormat format) {
    std::error_code ec;
    if (format == LayerFormat::GeoPackage) {
        fs::rename(written, target, ec);
        return ec ? "无法替换 " + target.string() + "：" + ec.message() : "";
    }
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const std::string stem = target.stem().string();
    const std::string aside = written.parent_path().filename().string() + ".old";
    std::vector<fs::path> set_aside, placed;
    auto undo = [&](const std::string& why) {
        std::error_code ignored;
        for (const fs::path& p : placed) fs::remove(p, ignored);
        for (const fs::path& p : set_aside) fs::rename(folder / (p.filename().string() + aside), p, ignored);
        return why;
    };
    for (const char* part : kShapefileParts) {
        const fs::path old = folder / (stem + part);
        if (!fs::exists(fs::symlink_status(old, ec))) continue;
        if (fs::is_directory(old, ec)) return undo("无法替换 " + old.string() + "：这是一个文件夹");
        fs::rename(old, folder / (old.filename().string() + aside), ec);
        if (ec) return undo("无法替换 " + old.string() + "：" + ec.message());
        set_aside.push_back(old);
    }
    for (const char* part : kShapefileParts) {
        const fs::path from = written.parent_path() / (stem + part), to = folder / (stem + part);
        if (!fs::exists(from, ec)) continue;
        fs::rename(from, to, ec);
        if (ec) return undo("无法写入 " + to.string() + "：" + ec.message());
        placed.push_back(to);
    }
    for (const fs::path& p : set_aside) fs::remove_all(folder / (p.filename().string() + aside), ec);
    return "";
}

}  // namespace

std::optional<LayerFormat> layer_format(const fs::path& file) {
    const std::string ext = lower(file.extension().string());
    if (ext == ".gpkg") return LayerFormat::GeoPackage;
    if (ext == ".shp") return LayerFormat::Shapefile;
    return std::nullopt;
}

std::vector<std::string> parcel_field_names() {
    std::vector<std::string> names;
    for (int i = 1; i <= kRecordFields; ++i) names.push_back(parcel::exchange_name(i));
    for (const char* n : {"Area", "Layer", "Handle", kElevationField}) names.push_back(n);
    return names;
}

LayerWrite write_parcel_layer(const fs::path& target, LayerFormat format, const std::vector<ParcelFeature>& features,
                              int epsg) {
    register_drivers();
    QuietGdal quiet;
    Srs srs;
    if (epsg != 0) {
        srs.reset(OSRNewSpatialReference(nullptr));
        if (OSRImportFromEPSG(srs.get(), epsg) != OGRERR_NONE) return {"坐标系 EPSG:" + std::to_string(epsg) + " 无效"};
        OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);  // x easting, y northing
    }
    // Beside the target, so that the move into place is a rename on one file system.
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const std::string tag = ".~" + target.stem().string() + "-" + std::to_string(::getpid());
    const fs::path scratch = format == LayerFormat::Shapefile ? folder / tag : fs::path();
    const fs::path written =
        format == LayerFormat::Shapefile ? scratch / target.filename() : folder / (tag + target.extension().string());
    std::error_code ec;
    if (!scratch.empty() && !fs::create_directory(scratch, ec) && ec)
        return {"无法在 " + folder.string() + " 中建立临时文件夹：" + ec.message()};
    fs::remove(written, ec);
    LayerWrite result = write_dataset(written, target.stem().string(), format, features, srs.get());
    if (result.ok()) result.error = move_into_place(written, target, format);
    if (!scratch.empty()) fs::remove_all(scratch, ec);
    else fs::remove(written, ec);
    return result;
}

}  // namespace korvane::gis
