// A county-sized drawing for measuring speed: a grid of attributed parcels in
// real survey coordinates (3-degree zone 39, x about 39,500,000).
#include <cmath>
#include <string>
#include <vector>

#include "drawing/create.h"
#include "drawing/tables.h"
#include "sample_common.h"
#include "sample_gen.h"

namespace korvane::samples {

namespace {

using drawing::Document;
using drawing::Entity;
using drawing::Point3;

const std::vector<std::string> kPlaces = {
    "上围", "下围", "塘尾", "大岭", "新屋", "石桥", "禾坪", "竹园", "高田", "低坑", "东门", "西门", "南坑", "北坑",
    "长岗", "圆岭", "沙坝", "水口", "罗屋", "黄屋", "陈屋", "李屋", "坪地", "岭背", "田心", "湖边", "坑尾", "龙塘",
    "松岗", "桥头", "围仔", "社背", "大塘", "草塘", "白石", "黄泥", "新村", "旧村", "角头", "横岗",
};
const std::vector<std::string> kStateHolders = {"岭南县交通运输局", "岭南县水务局", "岭南县林业局", "石岗镇中心小学"};
const std::vector<std::string> kSurveyors = {"陈建国", "林晓明", "黄志强", "刘海峰"};

enum class Kind { Sole, Joint, Disputed, State };

struct Info {
    Kind kind = Kind::Sole;
    int group = 0, partner = 0;
    std::string holder, code;
};

// Survey points on a 2 mm raster, so that the middle of an edge is a whole millimetre.
double round_2mm(double v) { return std::round(v * 500.0) / 500.0; }

}  // namespace

drawing::Document make_parcels(size_t count, uint64_t seed) {
    Rng rng(seed);
    const size_t cols = std::max<size_t>(1, size_t(std::ceil(std::sqrt(double(count)))));
    const size_t rows = (count + cols - 1) / cols;
    const double cell = 25.0;
    const double x0 = 39500000.0 - std::round(double(cols) * cell / 2), y0 = 2540000.0;

    // Shared, jittered corners.
    std::vector<P2> corners((cols + 1) * (rows + 1));
    for (size_t j = 0; j <= rows; ++j)
        for (size_t i = 0; i <= cols; ++i) {
            bool edge = i == 0 || j == 0 || i == cols || j == rows;
            double dx = edge ? 0 : rng.uniform(-4, 4), dy = edge ? 0 : rng.uniform(-4, 4);
            corners[j * (cols + 1) + i] = {round_2mm(x0 + double(i) * cell + dx), round_2mm(y0 + double(j) * cell + dy)};
        }
    auto corner = [&](size_t i, size_t j) { return corners[j * (cols + 1) + i]; };

    // Groups: 40 per county, five townships of eight; each owns 12 x 12 blocks of the grid.
    auto group_name = [&](int g) { return kPlaces[size_t(g)] + "村民小组"; };
    auto group_code = [&](int g) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "440123%03d%03d", 101 + g / 8, g % 8 + 1);
        return std::string(buf);
    };
    const int groups = int(kPlaces.size());
    std::vector<Info> info(count);
    for (size_t k = 0; k < count; ++k) {
        size_t i = k % cols, j = k / cols;
        Info& in = info[k];
        in.group = int((i / 12) * 7 + (j / 12) * 13) % groups;
        double r = rng.uniform();
        if (r < 0.04) {
            in.kind = Kind::State;
            in.holder = rng.pick(kStateHolders);
            in.code = kStateCode;
        } else if (r < 0.10) {
            in.kind = r < 0.08 ? Kind::Joint : Kind::Disputed;
            in.partner = (in.group + 1) % groups;
            in.holder = group_name(in.group) + "/" + group_name(in.partner);
            in.code = group_code(in.group) + "/" + group_code(in.partner);
        } else {
            in.holder = group_name(in.group);
            in.code = group_code(in.group);
        }
    }

    Document doc = Document::create();
    settle_header(doc, rng.next());
    for (const ParcelLayer* l : {&kSoleOwned, &kJointlyOwned, &kDisputed, &kStateOwned}) drawing::add_layer(doc, l->name);

    auto holder_at = [&](long i, long j) -> std::string {
        if (i < 0 || j < 0 || i >= long(cols) || j >= long(rows)) return "道路";
        size_t k = size_t(j) * cols + size_t(i);
        return k < count ? info[k].holder : "道路";
    };
    std::vector<Point3> pts(5);
    for (size_t k = 0; k < count; ++k) {
        size_t i = k % cols, j = k / cols;
        const Info& in = info[k];
        P2 a = corner(i, j), b = corner(i + 1, j), c = corner(i + 1, j + 1), d = corner(i, j + 1);
        P2 mid = round_mm(P2{(a.x + b.x) / 2, (a.y + b.y) / 2});
        std::vector<P2> ring = {a, mid, b, c, d};
        for (size_t v = 0; v < 5; ++v) pts[v] = {ring[v].x, ring[v].y, 0};

        const ParcelLayer& layer = in.kind == Kind::State      ? kStateOwned
                                   : in.kind == Kind::Joint    ? kJointlyOwned
                                   : in.kind == Kind::Disputed ? kDisputed
                                                               : kSoleOwned;
        Entity e(doc, drawing::add_lwpolyline(doc, pts, true, layer.name));
        e.set_color(layer.color);

        ParcelFields f;
        f.code = in.code;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s%05zu", utf8_prefix(in.code, 12).substr(6).c_str(), k + 1);
        f.number = buf;
        f.holder = in.holder;
        long li = long(i), lj = long(j);
        for (long dj = -1; dj <= 1; ++dj)
            for (long di = -1; di <= 1; ++di)
                if ((di || dj) && holder_at(li + di, lj + dj) != "道路") append_listed(f.bounds, holder_at(li + di, lj + dj));
        f.east = holder_at(li + 1, lj);
        f.south = holder_at(li, lj - 1);
        f.west = holder_at(li - 1, lj);
        f.north = holder_at(li, lj + 1);
        const std::string place = in.kind == Kind::State ? "石岗" : kPlaces[size_t(in.group)];
        f.address = "岭南县石岗镇" + place + "村";
        f.location = "石岗镇" + place + "村";
        f.nature = in.kind == Kind::State ? "国有土地所有权" : "集体土地所有权";
        f.area = fixed2(ring_area(ring));
        if (in.kind != Kind::Disputed && rng.chance(0.5)) {
            f.cert_area = f.area;
            std::snprintf(buf, sizeof buf, "岭集有(2009)第%05zu号", k + 1);
            f.cert_no = buf;
            f.approved = "2009-06-18";
        }
        f.notes = in.kind == Kind::Disputed ? "存在权属争议，待调处。" : "界址清楚，无争议。";
        f.surveyor = kSurveyors[(i / 50 + j / 50) % kSurveyors.size()];
        int month = 3 + int(j * 6 / rows), day = 1 + int(i * 28 / cols);
        std::snprintf(buf, sizeof buf, "%02d-%02d-2023", month, day);
        f.date = buf;
        e.set_xdata(parcel_record(f, save_stamp(month, day, int(rng.uniform(8 * 3600, 18 * 3600)))));
    }
    return doc;
}

}  // namespace korvane::samples
