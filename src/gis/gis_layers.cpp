#include "gis/gis_layers.h"

#include <cmath>
#include <filesystem>
#include <vector>

#include "common/settings.h"
#include "common/numbers.h"
#include "common/text.h"
#include "parcel/parcel_record.h"
#include "parcel/selection_sets.h"
#include "tools/tool_support.h"

namespace korvane::gis {

namespace fs = std::filesystem;

std::optional<ParcelFeature> parcel_feature(host::Entity& polyline) {
    const std::vector<double> xy = polyline.Coordinates();
    const size_t n = xy.size() / 2;
    if (!polyline.Closed() || n < 3) return std::nullopt;
    ParcelFeature f;
    f.ring.reserve(n + 1);
    f.ring.push_back({xy[0], xy[1]});
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const double bulge = polyline.GetBulge(long(i));
        if (bulge == 0) f.ring.push_back({xy[2 * j], xy[2 * j + 1]});
        else drawing::append_bulge_segment(f.ring, f.ring.back(), {xy[2 * j], xy[2 * j + 1]}, bulge);
    }
    f.ring.back() = f.ring.front();  // closed exactly
    const parcel::ParcelRead read = parcel::read_parcel_record(polyline.GetXData(""));
    if (read.state == parcel::RecordState::Record) {
        f.values.emplace();
        for (int i = 0; i < kRecordFields; ++i) (*f.values)[size_t(i)] = read.record.value(i + 1);
    }
    f.area = polyline.Area();
    f.layer = polyline.Layer();
    f.handle = polyline.Handle();
    // The exchange table's join numbers are whole; a polyline at elevation 0 has none.
    const double z = polyline.Elevation();
    if (z != 0 && z == std::floor(z) && std::abs(z) < 1e15) f.elevation = (long long)z;
    return f;
}

std::optional<int> epsg_setting(const common::SettingsStore& settings) {
    const std::string text = common::trim(common::load_ini(settings, kEpsgKey));
    if (text.empty()) return 0;
    const std::optional<double> v = common::to_number(text);
    if (!v || *v < 0 || *v != std::floor(*v) || *v > 1e9) return std::nullopt;
    return int(*v);
}

namespace {

// The chosen file with ".gpkg" added when it has no extension.
fs::path with_extension(fs::path file) {
    if (file.extension().empty()) file += ".gpkg";
    return file;
}

std::string end_message(long written, long skipped, const fs::path& file, long truncated) {
    std::string text = "已输出宗地 " + std::to_string(written) + " 块：" + file.string();
    if (skipped > 0) text += "\r\n未闭合或少于三个顶点的多段线 " + std::to_string(skipped) + " 条，未输出。";
    if (truncated > 0)
        text += "\r\n有 " + std::to_string(truncated) + " 个属性值超过 Shapefile 的 254 字节，已截断（GeoPackage 无此限制）。";
    return text;
}

}  // namespace

void write_gis_layers(host::Session& session) {
    host::run_command(session, host::FrameVariant::A, [](host::CommandContext& ctx) {
        host::DocumentPtr doc = ctx.doc();
        host::UtilityPtr util = doc ? doc->Utility() : nullptr;
        host::SelectionSetPtr set = doc ? parcel::fresh_selection_set(*doc, tools::kSelectionSet) : nullptr;
        if (!util || !set) return;
        const std::optional<int> epsg = epsg_setting(ctx.ui.settings());
        if (!epsg) {
            ctx.ui.message_box("坐标系设置 " + std::string(kEpsgKey) + "=" + common::load_ini(ctx.ui.settings(), kEpsgKey) +
                                   " 不是 EPSG 代码。",
                               "错误", common::MsgIcon::Critical);
            return;
        }
        util->Prompt(kGisLayersPrompt);
        ctx.err.clear();
        set->SelectOnScreen(tools::parcel_filter());
        if (ctx.err.number == host::kErrFail) return;  // Esc
        if (set->Count() == 0) set->Select(5, tools::parcel_filter());

        common::FileDialogRequest request;
        request.title = kGisLayersTitle;
        request.filter = kGisLayersFilter;
        request.initial_dir = ctx.ui.paths().output_dir.string();
        request.default_name = "宗地.gpkg";
        request.save = true;
        const std::optional<std::string> chosen = ctx.ui.file_dialog(request);
        if (!chosen || common::trim(*chosen).empty()) return;
        const fs::path file = with_extension(fs::path(*chosen));
        const std::optional<LayerFormat> format = layer_format(file);
        if (!format) {
            ctx.ui.message_box("请选择 .gpkg（GeoPackage）或 .shp（Shapefile）文件：" + file.string(), "错误",
                               common::MsgIcon::Critical);
            return;
        }

        const long count = set->Count();
        std::vector<ParcelFeature> features;
        features.reserve(size_t(count));
        long skipped = 0;
        {
            parcel::ProgressScope progress(ctx.ui, kGisLayersTitle, count);
            for (long i = 0; i < count; ++i) {
                if (i % 1000 == 0 && !progress.step(i)) return;
                host::EntityPtr e = set->Item(i);
                std::optional<ParcelFeature> f = e ? parcel_feature(*e) : std::nullopt;
                if (f) features.push_back(std::move(*f));
                else ++skipped;
            }
        }
        const LayerWrite done = write_parcel_layer(file, *format, features, *epsg);
        if (!done.ok()) {
            ctx.ui.message_box("无法写出GIS图层 " + file.string() + "：" + done.error, "错误", common::MsgIcon::Critical);
            return;
        }
        ctx.ui.message_box(end_message(long(features.size()), skipped, file, done.truncated_values));
    }, parcel::undo_step(kGisLayersTitle));
}

}  // namespace korvane::gis
