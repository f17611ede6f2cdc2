#include "checks/topology_check.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <unordered_map>

#include "checks/box_grid.h"
#include "checks/coverage_faces.h"
#include "checks/vertex_snap.h"

namespace korvane::checks {

namespace {

// One edge of a snapped ring, between two clusters, in the ring's counter-clockwise direction.
struct Edge {
    uint32_t u = 0, v = 0;
    uint32_t ring = 0;
    uint32_t pos = 0;  // the ring's vertex the edge starts at
};

uint64_t undirected_key(uint32_t u, uint32_t v) {
    return (uint64_t(std::min(u, v)) << 32) | uint64_t(std::max(u, v));
}

class Run {
public:
    Run(const std::vector<Outline>& in, const TopologyOptions& opt, const std::function<bool()>& keep_going)
        : in_(in), opt_(opt), keep_going_(keep_going) {}

    TopologyResult result() {
        check_outlines();
        if (stopped()) return cancelled();
        snapped_ = snap_vertices(clean_, opt_.same, opt_.snap);
        for (auto& f : snapped_.missed_snaps) out_.findings.push_back(std::move(f));
        if (stopped()) return cancelled();
        build_rings();
        std::vector<size_t> free_edges = unmatched(edges_);
        if (stopped()) return cancelled();
        find_t_junctions(free_edges);
        if (stopped()) return cancelled();
        std::vector<Edge> pieces = split_at_junctions(free_edges);
        std::vector<size_t> left = unmatched(pieces);
        if (stopped()) return cancelled();
        classify_faces(pieces, left);
        if (stopped()) return cancelled();
        std::stable_sort(out_.findings.begin(), out_.findings.end(), [](const auto& l, const auto& r) {
            if (l.kind != r.kind) return l.kind < r.kind;
            uint32_t a = l.parcels.empty() ? UINT32_MAX : l.parcels[0], b = r.parcels.empty() ? UINT32_MAX : r.parcels[0];
            if (a != b) return a < b;
            return std::tie(l.place.x, l.place.y) < std::tie(r.place.x, r.place.y);
        });
        return std::move(out_);
    }

private:
    const std::vector<Outline>& in_;
    const TopologyOptions& opt_;
    const std::function<bool()>& keep_going_;
    TopologyResult out_;

    std::vector<std::vector<Point2>> clean_;  // per outline; empty when it bounds no area
    std::vector<char> simple_;
    SnappedVertices snapped_;
    std::vector<std::vector<uint32_t>> ring_;  // per outline: clusters, counter-clockwise
    std::vector<char> keep_;                   // its edges never cancel (crossing, pinched, flat)
    std::vector<Edge> edges_;
    // Per cluster, the rings that have it (ascending).
    std::vector<uint32_t> owner_start_, owners_;
    // Vertices inserted into ring edges at T-junctions: (ring << 32 | pos) -> clusters in order.
    std::unordered_map<uint64_t, std::vector<uint32_t>> inserted_;

    bool stopped() { return keep_going_ && !keep_going_(); }
    TopologyResult cancelled() {
        TopologyResult r;
        r.cancelled = true;
        return r;
    }
    Point2 at(uint32_t cluster) const { return snapped_.cluster_point[cluster]; }

    void add(TopologyKind kind, uint32_t outline, Point2 place) {
        TopologyFinding f;
        f.kind = kind;
        f.parcels = {outline};
        f.place = place;
        out_.findings.push_back(std::move(f));
    }

    void check_outlines() {
        clean_.resize(in_.size());
        simple_.assign(in_.size(), 1);
        for (uint32_t k = 0; k < in_.size(); ++k) {
            const auto& pts = in_[k].pts;
            std::vector<Point2> ring = cleaned_ring(pts, opt_.same);
            if (ring.size() < 3) {
                if (!pts.empty()) add(TopologyKind::TooFewVertices, k, pts.front());
                continue;
            }
            if (!in_[k].closed) add(TopologyKind::NotClosed, k, pts.back());
            if (auto p = self_crossing(ring, opt_.same)) {
                add(TopologyKind::SelfCrossing, k, *p);
                simple_[k] = 0;
            }
            clean_[k] = std::move(ring);
        }
    }

    void build_rings() {
        ring_.resize(in_.size());
        keep_.assign(in_.size(), 0);
        std::vector<uint32_t> count(snapped_.cluster_point.size() + 1, 0);
        for (uint32_t k = 0; k < in_.size(); ++k) {
            std::vector<uint32_t> r;
            for (uint32_t c : snapped_.cluster_of[k])
                if (r.empty() || r.back() != c) r.push_back(c);
            while (r.size() > 1 && r.back() == r.front()) r.pop_back();
            if (r.size() < 3) continue;
            std::vector<uint32_t> sorted = r;
            std::sort(sorted.begin(), sorted.end());
            const bool pinched = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
            std::vector<Point2> pts;
            for (uint32_t c : r) pts.push_back(at(c));
            const double area = drawing::ring_signed_area(pts);
            if (area < 0) std::reverse(r.begin(), r.end());
            keep_[k] = !simple_[k] || pinched || std::abs(area) <= 1e-9;
            for (uint32_t i = 0; i < r.size(); ++i) edges_.push_back({r[i], r[(i + 1) % r.size()], k, i});
            sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
            for (uint32_t c : sorted) ++count[c + 1];
            ring_[k] = std::move(r);
        }
        // Which rings have each cluster.
        for (size_t c = 1; c < count.size(); ++c) count[c] += count[c - 1];
        owner_start_ = count;
        owners_.resize(count.back());
        for (uint32_t k = 0; k < in_.size(); ++k) {
            std::vector<uint32_t> sorted = ring_[k];
            std::sort(sorted.begin(), sorted.end());
            sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
            for (uint32_t c : sorted) owners_[count[c]++] = k;
        }
    }

    bool ring_has(uint32_t ring, uint32_t cluster) const {
        auto b = owners_.begin() + owner_start_[cluster], e = owners_.begin() + owner_start_[cluster + 1];
        return std::binary_search(b, e, ring);
    }

    // The edges left when every edge has met its twins: those whose directions do not cancel,
    // and every edge of a ring that cannot take part.
    std::vector<size_t> unmatched(const std::vector<Edge>& edges) const {
        std::vector<std::pair<uint64_t, size_t>> keyed;
        std::vector<size_t> out;
        keyed.reserve(edges.size());
        for (size_t i = 0; i < edges.size(); ++i) {
            if (keep_[edges[i].ring]) out.push_back(i);
            else keyed.push_back({undirected_key(edges[i].u, edges[i].v), i});
        }
        std::sort(keyed.begin(), keyed.end());
        for (size_t a = 0; a < keyed.size();) {
            size_t b = a;
            long net = 0;
            for (; b < keyed.size() && keyed[b].first == keyed[a].first; ++b) {
                const Edge& e = edges[keyed[b].second];
                net += e.u < e.v ? 1 : -1;
            }
            if (net != 0)
                for (size_t i = a; i < b; ++i) out.push_back(keyed[i].second);
            a = b;
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    void find_t_junctions(const std::vector<size_t>& free_edges) {
        std::vector<Box2> boxes;
        std::vector<uint32_t> candidates;
        boxes.reserve(free_edges.size());
        for (size_t i : free_edges) {
            boxes.push_back(Box2::of(at(edges_[i].u), at(edges_[i].v)).grown(opt_.snap));
            candidates.push_back(edges_[i].u);
            candidates.push_back(edges_[i].v);
        }
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        BoxGrid grid(boxes, BoxGrid::typical_cell(boxes, 10 * opt_.snap));
        std::vector<uint32_t> near;
        std::map<uint32_t, TopologyFinding> by_vertex;
        for (uint32_t w : candidates) {
            const Point2 p = at(w);
            grid.query(Box2::of(p, p), near);
            for (uint32_t n : near) {
                const Edge& e = edges_[free_edges[n]];
                if (w == e.u || w == e.v || ring_has(e.ring, w)) continue;
                double along = 0;
                const double d = segment_distance(p, at(e.u), at(e.v), &along);
                if (d > opt_.snap || along <= 0 || along >= 1) continue;
                std::vector<uint32_t> vertex_owners;
                for (uint32_t i = owner_start_[w]; i < owner_start_[w + 1]; ++i)
                    if (owners_[i] != e.ring) vertex_owners.push_back(owners_[i]);
                if (vertex_owners.empty()) continue;
                inserted_[(uint64_t(e.ring) << 32) | e.pos].push_back(w);
                TopologyFinding& f = by_vertex[w];
                f.kind = TopologyKind::TJunction;
                f.parcels = vertex_owners;
                if (std::find(f.others.begin(), f.others.end(), e.ring) == f.others.end()) f.others.push_back(e.ring);
                f.place = p;
                f.size = std::max(f.size, d);
            }
        }
        for (auto& [w, f] : by_vertex) {
            std::sort(f.others.begin(), f.others.end());
            out_.findings.push_back(std::move(f));
        }
        // Inserted vertices in order along their edge.
        for (auto& [key, ws] : inserted_) {
            const Edge& e = edge_at(uint32_t(key >> 32), uint32_t(key));
            const Point2 a = at(e.u);
            std::sort(ws.begin(), ws.end(), [&](uint32_t l, uint32_t r) { return distance(a, at(l)) < distance(a, at(r)); });
            ws.erase(std::unique(ws.begin(), ws.end()), ws.end());
        }
    }

    Edge edge_at(uint32_t ring, uint32_t pos) const {
        const auto& r = ring_[ring];
        return {r[pos], r[(pos + 1) % r.size()], ring, pos};
    }

    // The free edges with the T-junction vertices put into them.
    std::vector<Edge> split_at_junctions(const std::vector<size_t>& free_edges) const {
        std::vector<Edge> out;
        for (size_t i : free_edges) {
            const Edge& e = edges_[i];
            auto it = inserted_.find((uint64_t(e.ring) << 32) | e.pos);
            if (it == inserted_.end()) {
                out.push_back(e);
                continue;
            }
            uint32_t from = e.u;
            for (uint32_t w : it->second) {
                out.push_back({from, w, e.ring, e.pos});
                from = w;
            }
            out.push_back({from, e.v, e.ring, e.pos});
        }
        return out;
    }

    // A ring as the coverage sees it: snapped, with its T-junction vertices.
    std::vector<Point2> final_ring(uint32_t k) const {
        std::vector<Point2> pts;
        const auto& r = ring_[k];
        for (uint32_t i = 0; i < r.size(); ++i) {
            pts.push_back(at(r[i]));
            auto it = inserted_.find((uint64_t(k) << 32) | i);
            if (it != inserted_.end())
                for (uint32_t w : it->second) pts.push_back(at(w));
        }
        return pts;
    }

    void classify_faces(const std::vector<Edge>& pieces, const std::vector<size_t>& left) {
        // One segment for each pair of clusters, however many edges run between them.
        std::vector<std::pair<uint64_t, size_t>> keyed;
        for (size_t i : left) keyed.push_back({undirected_key(pieces[i].u, pieces[i].v), i});
        std::sort(keyed.begin(), keyed.end());
        std::vector<std::pair<Point2, Point2>> segments;
        for (size_t i = 0; i < keyed.size(); ++i)
            if (i == 0 || keyed[i].first != keyed[i - 1].first)
                segments.push_back({at(pieces[keyed[i].second].u), at(pieces[keyed[i].second].v)});
        if (segments.empty()) return;
        std::vector<Box2> boxes(in_.size());
        for (uint32_t k = 0; k < in_.size(); ++k)
            if (!ring_[k].empty()) {
                Box2 b;
                for (uint32_t c : ring_[k]) b.add(at(c));
                boxes[k] = b.grown(opt_.snap);
            }
        CoverageFaces faces(segments, boxes, [this](uint32_t k) { return final_ring(k); }, opt_);
        for (auto& f : faces.findings()) out_.findings.push_back(std::move(f));
        out_.islands = faces.islands();
    }
};

}  // namespace

TopologyResult check_topology(const std::vector<Outline>& outlines, const TopologyOptions& options,
                              const std::function<bool()>& keep_going) {
    return Run(outlines, options, keep_going).result();
}

}  // namespace korvane::checks
