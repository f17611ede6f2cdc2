// The sample village: twelve blocks of farmland and homesteads between roads
// and ditches, each block a jittered grid of plots, some plots merged in pairs.
// Plots of one block share their corners exactly, so neighbours found by
// geometry agree with the neighbours written in the records.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <set>
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
using drawing::XDataItem;

struct Group {
    const char* name;
    const char* code;
    const char* place;
};

// The village's groups; codes are county (6) + township (3) + group (3).
const std::vector<Group> kGroups = {
    {"上围村民小组", "440123101001", "上围"}, {"下围村民小组", "440123101002", "下围"},
    {"塘尾村民小组", "440123101003", "塘尾"}, {"大岭村民小组", "440123101004", "大岭背"},
    {"新屋村民小组", "440123101005", "新屋"}, {"石桥村民小组", "440123101006", "石桥头"},
    {"禾坪村民小组", "440123101007", "禾坪"}, {"竹园村民小组", "440123101008", "竹园"},
};
const std::vector<std::string> kPersons = {
    "张三",   "李四",   "王五",   "赵六",   "陈秀英", "林志强", "黄伟",   "刘芳",   "周建华", "吴桂兰",
    "郑国平", "何丽娟", "罗永明", "梁淑芬", "谢春生", "宋玉梅", "邓家豪", "冯海燕", "曾德胜", "彭小红",
};
const std::vector<std::string> kStateHolders = {"岭南县交通运输局", "石岗镇中心小学", "岭南县水务局"};
const std::vector<std::string> kSurveyors = {"陈建国", "林晓明", "黄志强"};
const std::vector<std::string> kFeatureCodes = {"300000", "300000", "300000", "300100"};

constexpr const char* kAddress = "岭南县石岗镇石岗村";
constexpr const char* kLocation = "石岗镇石岗村";
constexpr const char* kPlotter = "岭南县国土测绘队";
constexpr const char* kPresent = "镇政府、国土所、村委、村小组代表、技术人员";

constexpr int kBlockCols = 4, kBlockRows = 3;
constexpr int kCellCols = 6, kCellRows = 5;
constexpr int kHomesteadBlock = 1 * kBlockCols + 1;  // second row, second column
constexpr double kRotationDeg = 12.0;
constexpr P2 kOrigin{547630.0, 2542690.0};

enum class SepKind { Road, Ditch, Outside };
struct Separator {
    SepKind kind;
    double width;
    const char* name;  // what the neighbour fields say on that side
};

const std::array<Separator, kBlockCols - 1> kVerticalSeps = {{
    {SepKind::Road, 8.0, "道路"}, {SepKind::Ditch, 3.0, "沟渠"}, {SepKind::Road, 6.0, "道路"}}};
const std::array<Separator, kBlockRows - 1> kHorizontalSeps = {{
    {SepKind::Ditch, 3.0, "沟渠"}, {SepKind::Road, 6.0, "道路"}}};
// Outside the surveyed area, by side: east, south, west, north.
const std::array<Separator, 4> kOutside = {{{SepKind::Outside, 0, "龙溪河"},
                                            {SepKind::Outside, 0, "岭南大道"},
                                            {SepKind::Outside, 0, "西岭村集体土地"},
                                            {SepKind::Outside, 0, "东坑村集体土地"}}};

// Directions in record order of the neighbour values: east, south, west, north.
constexpr std::array<std::array<int, 2>, 4> kDirs = {{{1, 0}, {0, -1}, {-1, 0}, {0, 1}}};

enum class Kind { Sole, Joint, Disputed, State };
enum class Data { Record, FeatureCode, None };

struct Block {
    int bc = 0, br = 0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::vector<double> xs, ys;  // column and row lines
    std::vector<P2> world;       // (kCellCols+1) x (kCellRows+1) corners, survey coordinates
    std::vector<int> owner;      // cell -> parcel index
    std::array<Separator, 4> side{};
    int month = 4, day = 10;

    P2& corner(int i, int j) { return world[size_t(j * (kCellCols + 1) + i)]; }
    int& cell(int i, int j) { return owner[size_t(j * kCellCols + i)]; }
    bool inside(int i, int j) const { return i >= 0 && j >= 0 && i < kCellCols && j < kCellRows; }
    std::string date() const {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d-%02d-2023", month, day);
        return buf;
    }
};

struct Parcel {
    int block = 0;
    std::vector<std::pair<int, int>> cells;
    std::vector<P2> ring;
    Kind kind = Kind::Sole;
    Data data = Data::Record;
    bool homestead = false;
    int group = 0, partner = 0;
    std::string holder, code, number;
};

struct Transform {
    double c = std::cos(kRotationDeg * std::numbers::pi / 180), s = std::sin(kRotationDeg * std::numbers::pi / 180);
    P2 operator()(P2 p) const { return round_mm({kOrigin.x + c * p.x - s * p.y, kOrigin.y + s * p.x + c * p.y}); }
};

std::vector<double> split(Rng& rng, double from, double to, int parts) {
    std::vector<double> w(static_cast<size_t>(parts));
    double sum = 0;
    for (double& x : w) sum += (x = rng.uniform(0.75, 1.25));
    std::vector<double> lines{from};
    double acc = 0;
    for (int k = 0; k + 1 < parts; ++k) {
        acc += w[size_t(k)];
        lines.push_back(from + (to - from) * acc / sum);
    }
    lines.push_back(to);
    return lines;
}

class VillageBuilder {
public:
    explicit VillageBuilder(uint64_t seed) : rng_(seed) {}

    Document build() {
        lay_out_blocks();
        split_into_parcels();
        assign_holders();
        Document doc = Document::create();
        settle_header(doc, rng_.next());
        add_layers(doc);
        for (size_t p = 0; p < parcels_.size(); ++p) add_parcel(doc, p);
        for (const Parcel& p : parcels_) add_label(doc, p);
        add_roads_and_ditches(doc);
        add_work_records(doc);
        return doc;
    }

private:
    Rng rng_;
    Transform tf_;
    std::vector<Block> blocks_;
    std::vector<Parcel> parcels_;
    std::array<double, kBlockCols> bx0_{}, bx1_{};
    std::array<double, kBlockRows> by0_{}, by1_{};

    void lay_out_blocks() {
        double x = 0;
        for (int k = 0; k < kBlockCols; ++k) {
            bx0_[size_t(k)] = x;
            bx1_[size_t(k)] = x = std::round(x + rng_.uniform(190, 230));
            if (k + 1 < kBlockCols) x += kVerticalSeps[size_t(k)].width;
        }
        double y = 0;
        for (int r = 0; r < kBlockRows; ++r) {
            by0_[size_t(r)] = y;
            by1_[size_t(r)] = y = std::round(y + rng_.uniform(130, 160));
            if (r + 1 < kBlockRows) y += kHorizontalSeps[size_t(r)].width;
        }
        for (int r = 0; r < kBlockRows; ++r)
            for (int k = 0; k < kBlockCols; ++k) {
                Block b;
                b.bc = k;
                b.br = r;
                b.x0 = bx0_[size_t(k)];
                b.x1 = bx1_[size_t(k)];
                b.y0 = by0_[size_t(r)];
                b.y1 = by1_[size_t(r)];
                b.xs = split(rng_, b.x0, b.x1, kCellCols);
                b.ys = split(rng_, b.y0, b.y1, kCellRows);
                b.side[0] = k + 1 < kBlockCols ? kVerticalSeps[size_t(k)] : kOutside[0];
                b.side[1] = r > 0 ? kHorizontalSeps[size_t(r - 1)] : kOutside[1];
                b.side[2] = k > 0 ? kVerticalSeps[size_t(k - 1)] : kOutside[2];
                b.side[3] = r + 1 < kBlockRows ? kHorizontalSeps[size_t(r)] : kOutside[3];
                // The survey walks the village block by block, three days a block.
                int index = int(blocks_.size());
                int d = 10 + 3 * index;
                b.month = d > 30 ? 5 : 4;
                b.day = d > 30 ? d - 30 : d;
                jitter_corners(b);
                blocks_.push_back(std::move(b));
            }
    }

    // Corners move freely inside a block; on the block's edge only along it, so
    // that the roads and ditches stay straight.
    void jitter_corners(Block& b) {
        b.world.resize(size_t((kCellCols + 1) * (kCellRows + 1)));
        for (int j = 0; j <= kCellRows; ++j)
            for (int i = 0; i <= kCellCols; ++i) {
                double w = std::min(i > 0 ? b.xs[size_t(i)] - b.xs[size_t(i - 1)] : 1e9,
                                    i < kCellCols ? b.xs[size_t(i + 1)] - b.xs[size_t(i)] : 1e9);
                double h = std::min(j > 0 ? b.ys[size_t(j)] - b.ys[size_t(j - 1)] : 1e9,
                                    j < kCellRows ? b.ys[size_t(j + 1)] - b.ys[size_t(j)] : 1e9);
                double amp = 0.18 * std::min(w, h);
                bool edge_x = i == 0 || i == kCellCols, edge_y = j == 0 || j == kCellRows;
                double dx = edge_x ? 0 : rng_.uniform(-amp, amp);
                double dy = edge_y ? 0 : rng_.uniform(-amp, amp);
                b.corner(i, j) = tf_({b.xs[size_t(i)] + dx, b.ys[size_t(j)] + dy});
            }
    }

    void split_into_parcels() {
        for (int bi = 0; bi < int(blocks_.size()); ++bi) {
            Block& b = blocks_[size_t(bi)];
            b.owner.assign(size_t(kCellCols * kCellRows), -1);
            for (int j = 0; j < kCellRows; ++j)
                for (int i = 0; i < kCellCols; ++i) {
                    if (b.cell(i, j) >= 0) continue;
                    Parcel p;
                    p.block = bi;
                    p.cells.push_back({i, j});
                    bool right = i + 1 < kCellCols && b.cell(i + 1, j) < 0;
                    bool up = j + 1 < kCellRows && b.cell(i, j + 1) < 0;
                    if ((right || up) && rng_.chance(0.2)) {
                        bool use_right = right && (!up || rng_.chance(0.5));
                        p.cells.push_back(use_right ? std::make_pair(i + 1, j) : std::make_pair(i, j + 1));
                    }
                    int index = int(parcels_.size());
                    for (auto [ci, cj] : p.cells) b.cell(ci, cj) = index;
                    p.ring = ring_of(b, p.cells);
                    parcels_.push_back(std::move(p));
                }
        }
    }

    // Counter-clockwise outline; a pair keeps the corner in the middle of its
    // long sides, which is where the plots beside it have theirs.
    static std::vector<P2> ring_of(Block& b, const std::vector<std::pair<int, int>>& cells) {
        auto [i, j] = cells[0];
        if (cells.size() == 1) return {b.corner(i, j), b.corner(i + 1, j), b.corner(i + 1, j + 1), b.corner(i, j + 1)};
        if (cells[1].first == i + 1)
            return {b.corner(i, j),         b.corner(i + 1, j),     b.corner(i + 2, j),
                    b.corner(i + 2, j + 1), b.corner(i + 1, j + 1), b.corner(i, j + 1)};
        return {b.corner(i, j),         b.corner(i + 1, j),     b.corner(i + 1, j + 1),
                b.corner(i + 1, j + 2), b.corner(i, j + 2),     b.corner(i, j + 1)};
    }

    void assign_holders() {
        std::vector<int> serial(kGroups.size() + 1, 0);
        size_t next_person = 0, next_state = 0;
        for (Parcel& p : parcels_) {
            // Each block is shared by up to four groups, one per quarter.
            int quarter = (p.cells[0].first >= kCellCols / 2 ? 1 : 0) + (p.cells[0].second >= kCellRows / 2 ? 2 : 0);
            p.group = (4 * p.block + 3 * quarter) % int(kGroups.size());
            p.homestead = p.block == kHomesteadBlock;
            const Group& g = kGroups[size_t(p.group)];
            double r = rng_.uniform();
            if (p.homestead) {
                p.kind = Kind::Sole;
                p.holder = kPersons[next_person++ % kPersons.size()];
                p.code = g.code;
            } else if (r < 0.05) {
                p.kind = Kind::State;
                p.holder = kStateHolders[next_state++ % kStateHolders.size()];
                p.code = kStateCode;
            } else if (r < 0.13) {
                p.kind = r < 0.10 ? Kind::Joint : Kind::Disputed;
                p.partner = (p.group + (p.kind == Kind::Joint ? 1 : int(kGroups.size()) - 1)) % int(kGroups.size());
                const Group& h = kGroups[size_t(p.partner)];
                p.holder = std::string(g.name) + "/" + h.name;
                p.code = std::string(g.code) + "/" + h.code;
            } else {
                p.kind = Kind::Sole;
                p.holder = g.name;
                p.code = g.code;
            }
            if (p.kind == Kind::Sole) {
                double d = rng_.uniform();
                p.data = d < 0.07 ? Data::FeatureCode : d < 0.15 ? Data::None : Data::Record;
            }
            int counter = p.kind == Kind::State ? ++serial.back() : ++serial[size_t(p.group)];
            char buf[16];
            std::snprintf(buf, sizeof buf, "%03d", counter);
            p.number = utf8_prefix(p.code, 12).substr(6) + buf;
        }
    }

    static drawing::RecordId ensure_layer(Document& doc, const char* name) { return drawing::add_layer(doc, name); }

    void add_layers(Document& doc) {
        for (const char* name : {kSoleOwned.name, kJointlyOwned.name, kDisputed.name, kStateOwned.name, "工作记录",
                                 "今后界址点", "注记", "道路", "沟渠"})
            ensure_layer(doc, name);
    }

    static const ParcelLayer& layer_of(Kind k) {
        switch (k) {
            case Kind::Joint: return kJointlyOwned;
            case Kind::Disputed: return kDisputed;
            case Kind::State: return kStateOwned;
            default: return kSoleOwned;
        }
    }

    // Holders on one side of a parcel: the parcels across its edges, or what
    // lies beyond the block on that side.
    std::string neighbours_towards(const Parcel& p, size_t dir) {
        Block& b = blocks_[size_t(p.block)];
        int self = int(&p - parcels_.data());
        std::vector<std::string> names;
        auto add = [&](const std::string& n) {
            if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
        };
        for (auto [i, j] : p.cells) {
            int ni = i + kDirs[dir][0], nj = j + kDirs[dir][1];
            if (!b.inside(ni, nj)) add(b.side[dir].name);
            else if (b.cell(ni, nj) != self) add(parcels_[size_t(b.cell(ni, nj))].holder);
        }
        std::string out;
        for (const std::string& n : names) out += (out.empty() ? "" : "、") + n;
        return out;
    }

    // The four-boundaries list the neighbour fill writes: the holder of every
    // attributed parcel that touches this one (corners included), followed by a comma.
    std::string touching_holders(const Parcel& p) {
        Block& b = blocks_[size_t(p.block)];
        int self = int(&p - parcels_.data());
        std::set<int> touching;
        for (auto [i, j] : p.cells)
            for (int dj = -1; dj <= 1; ++dj)
                for (int di = -1; di <= 1; ++di)
                    if (b.inside(i + di, j + dj) && b.cell(i + di, j + dj) != self)
                        touching.insert(b.cell(i + di, j + dj));
        std::string list;
        for (int q : touching)
            if (parcels_[size_t(q)].data == Data::Record) append_listed(list, parcels_[size_t(q)].holder);
        return list;
    }

    void add_parcel(Document& doc, size_t index) {
        Parcel& p = parcels_[index];
        const Block& b = blocks_[size_t(p.block)];
        std::vector<Point3> pts;
        for (const P2& v : p.ring) pts.push_back({v.x, v.y, 0});
        const ParcelLayer& layer = layer_of(p.kind);
        Entity e(doc, drawing::add_lwpolyline(doc, pts, true, layer.name));
        e.set_color(layer.color);
        if (p.data == Data::FeatureCode) {
            e.set_xdata({XDataItem::app("South"), XDataItem::string(rng_.pick(kFeatureCodes))});
            return;
        }
        if (p.data == Data::None) return;

        const Group& g = kGroups[size_t(p.group)];
        const Group& partner = kGroups[size_t(p.partner)];
        ParcelFields f;
        f.code = p.code;
        f.number = p.number;
        f.holder = p.holder;
        f.bounds = touching_holders(p);
        f.east = neighbours_towards(p, 0);
        f.south = neighbours_towards(p, 1);
        f.west = neighbours_towards(p, 2);
        f.north = neighbours_towards(p, 3);
        f.address = std::string(kAddress) + g.place;
        if (p.homestead) f.address += std::to_string(10 + index % 90) + "号";
        f.location = std::string(kLocation) + g.place;
        switch (p.kind) {
            case Kind::State:
                f.nature = "国有土地所有权";
                f.notes = "国有土地，界址清楚。";
                break;
            case Kind::Joint:
                f.nature = "集体土地所有权";
                f.notes = std::string("与") + partner.name + "共有，界址清楚。";
                break;
            case Kind::Disputed:
                f.nature = "集体土地所有权";
                f.notes = std::string("与") + partner.name + "存在权属争议，待调处。";
                break;
            case Kind::Sole:
                f.nature = p.homestead ? "集体土地使用权" : "集体土地所有权";
                f.notes = p.homestead ? "宅基地，界址清楚，无争议。" : "界址清楚，无争议。";
                break;
        }
        f.area = fixed2(ring_area(p.ring));
        if (p.kind != Kind::Disputed && rng_.chance(0.6)) {
            f.cert_area = f.area;
            char buf[64];
            int year = 2005 + int(rng_.below(6));
            std::snprintf(buf, sizeof buf, "岭集有(%d)第%05d号", year, int(100 + index * 7));
            f.cert_no = buf;
            std::snprintf(buf, sizeof buf, "%d-%02d-%02d", year, 1 + int(rng_.below(12)), 1 + int(rng_.below(28)));
            f.approved = buf;
        }
        f.surveyor = kSurveyors[size_t(p.block) % kSurveyors.size()];
        f.date = b.date();
        std::string stamp = save_stamp(b.month, b.day, int(rng_.uniform(8 * 3600, 18 * 3600)));
        e.set_xdata(parcel_record(f, stamp));
    }

    void add_label(Document& doc, const Parcel& p) {
        double h = utf8_length(p.holder) > 8 ? 2.0 : 3.0;
        double w = double(utf8_length(p.holder)) * h;
        P2 c = ring_centroid(p.ring);
        drawing::add_text(doc, p.holder, {round_mm(c.x - w / 2), round_mm(c.y - h / 2), 0}, h, "注记");
    }

    void add_ditch(Document& doc, P2 from, P2 to) {
        double len = std::hypot(to.x - from.x, to.y - from.y);
        int steps = std::max(2, int(len / 40));
        double nx = -(to.y - from.y) / len, ny = (to.x - from.x) / len;
        std::vector<Point3> pts;
        for (int k = 0; k <= steps; ++k) {
            double t = double(k) / steps;
            double off = (k == 0 || k == steps) ? 0 : rng_.uniform(-0.4, 0.4);
            P2 q = tf_({from.x + (to.x - from.x) * t + nx * off, from.y + (to.y - from.y) * t + ny * off});
            pts.push_back({q.x, q.y, 0});
        }
        drawing::add_lwpolyline(doc, pts, false, "沟渠");
    }

    void add_road_edge(Document& doc, P2 from, P2 to) {
        P2 a = tf_(from), b = tf_(to);
        drawing::add_line(doc, {a.x, a.y, 0}, {b.x, b.y, 0}, "道路");
    }

    void add_roads_and_ditches(Document& doc) {
        double top = by1_.back(), right = bx1_.back();
        for (int k = 0; k + 1 < kBlockCols; ++k) {
            double a = bx1_[size_t(k)], b = bx0_[size_t(k + 1)];
            if (kVerticalSeps[size_t(k)].kind == SepKind::Road) {
                add_road_edge(doc, {a, 0}, {a, top});
                add_road_edge(doc, {b, 0}, {b, top});
            } else {
                add_ditch(doc, {(a + b) / 2, 0}, {(a + b) / 2, top});
            }
        }
        for (int r = 0; r + 1 < kBlockRows; ++r) {
            double a = by1_[size_t(r)], b = by0_[size_t(r + 1)];
            if (kHorizontalSeps[size_t(r)].kind == SepKind::Road) {
                add_road_edge(doc, {0, a}, {right, a});
                add_road_edge(doc, {0, b}, {right, b});
            } else {
                add_ditch(doc, {0, (a + b) / 2}, {right, (a + b) / 2});
            }
        }
    }

    // Work-record points at parcel corners, as the boundary walk leaves them:
    // records made by "add" have 12 items, records rewritten since have 8.
    void add_work_records(Document& doc) {
        int map_number = 0;
        for (Block& b : blocks_) {
            bool homestead = &b - blocks_.data() == kHomesteadBlock;
            for (int j = 0; j <= kCellRows; ++j)
                for (int i = 0; i <= kCellCols; ++i) {
                    if (!rng_.chance(0.3)) continue;
                    P2 at = b.corner(i, j);
                    bool future = rng_.chance(0.08);
                    bool added = rng_.chance(0.6);
                    std::string description;
                    int side = i == kCellCols ? 0 : j == 0 ? 1 : i == 0 ? 2 : j == kCellRows ? 3 : -1;
                    if (side >= 0 && b.side[size_t(side)].kind == SepKind::Road) description = "道路,中";
                    else if (side >= 0 && b.side[size_t(side)].kind == SepKind::Ditch) description = "沟渠,中";
                    else if (homestead) description = "围墙,外";
                    else {
                        double r = rng_.uniform();
                        description = r < 0.7 ? "田埂,中" : r < 0.85 ? "斜坡,顶" : "陡坎,顶";
                    }
                    std::string pointer = "村民推选代表";
                    if (rng_.chance(0.3)) pointer = rng_.pick(kPersons) + "、" + rng_.pick(kPersons);
                    std::string number = future ? "9999" : std::to_string(++map_number);

                    Entity e(doc, drawing::add_point(doc, {at.x, at.y, 0}, future ? "今后界址点" : "工作记录"));
                    e.set_color(future ? 2 : 1);
                    std::vector<XDataItem> items = {
                        XDataItem::app("South"),        XDataItem::string("000000"), XDataItem::string(b.date()),
                        XDataItem::string(kPlotter),    XDataItem::string(pointer),  XDataItem::string(kPresent),
                        XDataItem::string(description), XDataItem::string(number)};
                    if (added)
                        for (int k = 0; k < 4; ++k) items.push_back(XDataItem::string(""));
                    e.set_xdata(items);
                }
        }
    }
};

}  // namespace

drawing::Document make_village(uint64_t seed) { return VillageBuilder(seed).build(); }

}  // namespace korvane::samples
