// Speed of the spatial index, polygon selection, filters and boundary tracing on a drawing of
// 50,000 adjacent parcels at real projected coordinates (x about 39,500,000): closed 5-vertex
// LWPOLYLINE squares (the closing vertex repeated) carrying a 22-item attribute record, whose
// shared edges are computed two ways as survey programs do, plus a label TEXT for each.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "drawing/boundary_trace.h"
#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/selection.h"
#include "drawing/spatial_index.h"

using namespace korvane::drawing;

namespace {

constexpr int kColumns = 250, kRows = 200;  // 50,000 parcels
constexpr double kW = 20.3, kH = 25.7;
constexpr double kX0 = 39500000.317, kY0 = 2543000.291;

// The corners of parcel (i, j): left and bottom edges computed from the grid, right and top
// edges by adding the size to them (one bit off the neighbour's now and then).
std::vector<Point2> parcel(int i, int j) {
    double x0 = kX0 + i * kW, x1 = x0 + kW;
    double y0 = kY0 + j * kH, y1 = y0 + kH;
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

std::string drawing_text() {
    std::string s;
    s.reserve(40u << 20);
    s += "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1024\n9\n$HANDSEED\n5\nFFFFFF\n0\nENDSEC\n";
    s += "0\nSECTION\n2\nENTITIES\n";
    unsigned handle = 0x100;
    char buf[64];
    auto num = [&](double v) { return format_real(v); };
    for (int j = 0; j < kRows; ++j)
        for (int i = 0; i < kColumns; ++i) {
            std::snprintf(buf, sizeof buf, "%X", handle++);
            bool island_layer = (i + j) % 50 == 0;
            s += "0\nLWPOLYLINE\n5\n";
            s += buf;
            s += "\n100\nAcDbEntity\n8\n";
            s += island_layer ? "宗地岛" : "宗地";
            s += "\n100\nAcDbPolyline\n90\n5\n70\n1\n43\n0.0\n";
            for (const Point2& p : parcel(i, j)) s += "10\n" + num(p.x) + "\n20\n" + num(p.y) + "\n";
            s += "1001\nSouth\n";
            std::snprintf(buf, sizeof buf, "52010211220%05d", j * kColumns + i);
            s += "1000\n";
            s += buf;
            s += "\n";
            for (int k = 1; k < 22; ++k) s += "1000\nvalue" + std::to_string(k) + "\n";
            std::snprintf(buf, sizeof buf, "%X", handle++);
            Point2 c{(parcel(i, j)[0].x + parcel(i, j)[2].x) / 2, (parcel(i, j)[0].y + parcel(i, j)[2].y) / 2};
            s += "0\nTEXT\n5\n";
            s += buf;
            s += "\n100\nAcDbEntity\n8\n注记\n100\nAcDbText\n10\n" + num(c.x) + "\n20\n" + num(c.y) +
                 "\n30\n0.0\n40\n2.0\n1\n张三\n100\nAcDbText\n";
        }
    s += "0\nENDSEC\n0\nEOF\n";
    return s;
}

Document& drawing() {
    static Document doc = Document::parse(drawing_text(), "parcels");
    return doc;
}

std::vector<RecordId>& parcels() {
    static std::vector<RecordId> ids = select_all(drawing(), {{0, "LWPOLYLINE"}});
    return ids;
}

std::vector<Point2> vertices_of(const Document& doc, RecordId id) {
    EntityView e(doc, id);
    std::vector<Point2> out;
    for (const Point3& p : e.vertices()) out.push_back({p.x, p.y});
    return out;
}

std::vector<std::vector<Point2>>& polygons() {
    static std::vector<std::vector<Point2>> polys = [] {
        std::vector<std::vector<Point2>> v;
        for (RecordId id : parcels()) v.push_back(vertices_of(drawing(), id));
        return v;
    }();
    return polys;
}

void BM_IndexBuild(benchmark::State& state) {
    Document& doc = drawing();
    for (auto _ : state) {
        SpatialIndex index(doc);
        index.refresh();
        benchmark::DoNotOptimize(index.size());
    }
    state.counters["entities"] = double(SpatialIndex(doc).size());
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond);

// The neighbour search: a crossing polygon of each parcel's own vertices, every parcel.
void polygon_round(benchmark::State& state, PolygonMode mode, bool cold) {
    Document& doc = drawing();
    auto& polys = polygons();
    SelectionFilter filter{{0, "LWPOLYLINE"}};
    auto warm = std::make_unique<SpatialIndex>(doc);
    warm->refresh();
    size_t found = 0;
    for (auto _ : state) {
        std::unique_ptr<SpatialIndex> fresh;
        SpatialIndex* index = warm.get();
        if (cold) {
            fresh = std::make_unique<SpatialIndex>(doc);
            index = fresh.get();
        }
        found = 0;
        for (const auto& poly : polys) found += select_by_polygon(doc, *index, poly, mode, filter).size();
    }
    state.counters["searches"] = double(polys.size());
    state.counters["found"] = double(found);
}

void BM_CrossingAroundEveryParcel(benchmark::State& state) { polygon_round(state, PolygonMode::Crossing, false); }
void BM_CrossingAroundEveryParcelColdIndex(benchmark::State& state) { polygon_round(state, PolygonMode::Crossing, true); }
void BM_WindowAroundEveryParcel(benchmark::State& state) { polygon_round(state, PolygonMode::Window, false); }
BENCHMARK(BM_CrossingAroundEveryParcel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CrossingAroundEveryParcelColdIndex)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowAroundEveryParcel)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SelectAllTypeAndLayer(benchmark::State& state) {
    Document& doc = drawing();
    SelectionFilter filter{{0, "LWPOLYLINE"}, {8, "宗地"}};
    size_t n = 0;
    for (auto _ : state) {
        n = select_all(doc, filter).size();
        benchmark::DoNotOptimize(n);
    }
    state.counters["selected"] = double(n);
}
BENCHMARK(BM_SelectAllTypeAndLayer)->Unit(benchmark::kMillisecond);

void BM_SelectAllByRecordCode(benchmark::State& state) {
    Document& doc = drawing();
    SelectionFilter filter{{1000, "5201021122012345"}};
    size_t n = 0;
    for (auto _ : state) {
        n = select_all(doc, filter).size();
        benchmark::DoNotOptimize(n);
    }
    state.counters["selected"] = double(n);
}
BENCHMARK(BM_SelectAllByRecordCode)->Unit(benchmark::kMillisecond);

// The neighbour-fill pattern: a crossing search around a parcel, then new extended data on it.
// Each edit moves the document's revision on, so every search first brings the index up to date.
void BM_SearchThenWriteRecord(benchmark::State& state) {
    Document& doc = drawing();
    auto& polys = polygons();
    SelectionFilter filter{{0, "LWPOLYLINE"}};
    SpatialIndex index(doc);
    index.refresh();
    size_t k = 0;
    for (auto _ : state) {
        size_t p = (k * 7919) % polys.size();
        auto found = select_by_polygon(doc, index, polys[p], PolygonMode::Crossing, filter);
        Entity(doc, parcels()[p]).set_xdata({XDataItem::app("Bench"), XDataItem::string(std::to_string(found.size()))});
        ++k;
    }
    state.counters["builds"] = double(index.builds());
    state.counters["reindexed"] = double(index.reindexed());
}
BENCHMARK(BM_SearchThenWriteRecord)->Unit(benchmark::kMillisecond);

Point2 inside_parcel(size_t k) {
    const auto& p = polygons()[k];
    return {p[0].x + kW * 0.37, p[0].y + kH * 0.61};
}

// A boundary trace at a point inside a parcel, the index already built.
void BM_BoundaryTrace(benchmark::State& state) {
    Document& doc = drawing();
    SpatialIndex index(doc);
    index.refresh();
    size_t k = 0, ok = 0;
    for (auto _ : state) {
        auto ring = trace_boundary(index, inside_parcel((k * 7919) % polygons().size()));
        ok += ring.has_value();
        ++k;
    }
    state.counters["found"] = double(ok) / double(k);
}
BENCHMARK(BM_BoundaryTrace)->Unit(benchmark::kMillisecond);

// The first trace on a drawing: the index is built as part of it.
void BM_BoundaryTraceColdIndex(benchmark::State& state) {
    Document& doc = drawing();
    size_t k = 0, ok = 0;
    for (auto _ : state) {
        SpatialIndex index(doc);
        auto ring = trace_boundary(index, inside_parcel((k * 7919) % polygons().size()));
        ok += ring.has_value();
        ++k;
    }
    state.counters["found"] = double(ok) / double(k);
}
BENCHMARK(BM_BoundaryTraceColdIndex)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
