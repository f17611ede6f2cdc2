#include "checks/vertex_snap.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "checks/box_grid.h"

namespace korvane::checks {

namespace {

struct UnionFind {
    std::vector<uint32_t> parent;
    explicit UnionFind(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0u); }
    uint32_t find(uint32_t a) {
        while (parent[a] != a) a = parent[a] = parent[parent[a]];
        return a;
    }
    // The smaller index stays the root.
    void unite(uint32_t a, uint32_t b) {
        a = find(a);
        b = find(b);
        if (a != b) parent[std::max(a, b)] = std::min(a, b);
    }
};

struct Occurrence {
    Point2 p;
    uint32_t ring, vertex;
};

struct Pair {
    uint32_t a, b;
    double d;
};

std::vector<uint32_t> merged(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    std::vector<uint32_t> out;
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

bool has_one_the_other_lacks(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    return std::any_of(a.begin(), a.end(), [&](uint32_t x) { return !std::binary_search(b.begin(), b.end(), x); });
}

}  // namespace

SnappedVertices snap_vertices(const std::vector<std::vector<Point2>>& rings, double same, double snap) {
    SnappedVertices out;
    out.cluster_of.resize(rings.size());

    // Distinct points, each with the rings that have it (ascending).
    std::vector<Occurrence> occ;
    for (uint32_t r = 0; r < rings.size(); ++r)
        for (uint32_t v = 0; v < rings[r].size(); ++v) occ.push_back({rings[r][v], r, v});
    std::sort(occ.begin(), occ.end(), [](const Occurrence& l, const Occurrence& r) {
        if (l.p.x != r.p.x) return l.p.x < r.p.x;
        if (l.p.y != r.p.y) return l.p.y < r.p.y;
        return l.ring < r.ring;
    });
    std::vector<Point2> point;
    std::vector<std::vector<uint32_t>> owners;
    std::vector<uint32_t> uses;
    for (uint32_t r = 0; r < rings.size(); ++r) out.cluster_of[r].resize(rings[r].size());
    std::vector<std::vector<uint32_t>> point_of(rings.size());
    for (uint32_t r = 0; r < rings.size(); ++r) point_of[r].resize(rings[r].size());
    for (const Occurrence& o : occ) {
        if (point.empty() || !(point.back() == o.p)) {
            point.push_back(o.p);
            owners.emplace_back();
            uses.push_back(0);
        }
        if (owners.back().empty() || owners.back().back() != o.ring) owners.back().push_back(o.ring);
        ++uses.back();
        point_of[o.ring][o.vertex] = uint32_t(point.size() - 1);
    }
    occ = {};

    // Pairs of points within the snap distance.
    std::vector<Box2> boxes(point.size());
    for (size_t i = 0; i < point.size(); ++i) boxes[i] = Box2::of(point[i], point[i]);
    BoxGrid grid(boxes, 4 * snap);
    std::vector<Pair> pairs;
    std::vector<uint32_t> near;
    for (uint32_t i = 0; i < point.size(); ++i) {
        grid.query(boxes[i].grown(snap), near);
        for (uint32_t j : near) {
            if (j <= i) continue;
            double d = distance(point[i], point[j]);
            if (d <= snap) pairs.push_back({i, j, d});
        }
    }

    // Same points make classes; points within the snap distance make clusters of classes.
    UnionFind same_point(point.size()), cluster(point.size());
    for (const Pair& p : pairs) {
        cluster.unite(p.a, p.b);
        if (p.d <= same) same_point.unite(p.a, p.b);
    }
    std::vector<uint32_t> class_uses(point.size(), 0);
    for (uint32_t i = 0; i < point.size(); ++i) class_uses[same_point.find(i)] += uses[i];
    // Each cluster sits where most of its vertices are (the first such class on a tie).
    std::vector<uint32_t> index_of(point.size(), UINT32_MAX), best_class(point.size(), UINT32_MAX);
    for (uint32_t i = 0; i < point.size(); ++i) {
        uint32_t c = cluster.find(i), k = same_point.find(i);
        if (best_class[c] == UINT32_MAX || class_uses[k] > class_uses[best_class[c]]) best_class[c] = k;
    }
    for (uint32_t i = 0; i < point.size(); ++i) {
        uint32_t c = cluster.find(i);
        if (index_of[c] == UINT32_MAX) {
            index_of[c] = uint32_t(out.cluster_point.size());
            out.cluster_point.push_back(point[best_class[c]]);
        }
    }
    for (uint32_t r = 0; r < rings.size(); ++r)
        for (uint32_t v = 0; v < rings[r].size(); ++v) out.cluster_of[r][v] = index_of[cluster.find(point_of[r][v])];

    // Missed snaps: two classes of a cluster, each with a ring the other lacks.
    std::map<uint32_t, std::vector<uint32_t>> class_owners;
    auto owners_of_class = [&](uint32_t k) -> const std::vector<uint32_t>& {
        auto it = class_owners.find(k);
        return it != class_owners.end() ? it->second : owners[k];
    };
    for (const Pair& p : pairs)
        if (p.d <= same) {
            for (uint32_t i : {p.a, p.b}) {
                uint32_t k = same_point.find(i);
                auto [it, added] = class_owners.try_emplace(k, owners[k]);
                it->second = merged(it->second, owners[i]);
            }
        }
    std::map<uint32_t, TopologyFinding> by_cluster;
    for (const Pair& p : pairs) {
        uint32_t ka = same_point.find(p.a), kb = same_point.find(p.b);
        if (ka == kb || p.d <= same) continue;
        const auto& a = owners_of_class(ka);
        const auto& b = owners_of_class(kb);
        if (!has_one_the_other_lacks(a, b) || !has_one_the_other_lacks(b, a)) continue;
        uint32_t c = index_of[cluster.find(p.a)];
        TopologyFinding& f = by_cluster[c];
        f.kind = TopologyKind::MissedSnap;
        f.parcels = merged(f.parcels, merged(a, b));
        f.place = out.cluster_point[c];
        f.size = std::max(f.size, p.d);
    }
    for (auto& [c, f] : by_cluster) out.missed_snaps.push_back(std::move(f));
    return out;
}

}  // namespace korvane::checks
