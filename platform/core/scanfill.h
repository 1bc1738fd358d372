#pragma once
// Even-odd ("alternate") polygon filling by scanlines, toolkit-free.
//
// A pixel (x, y) belongs to the polygon when its centre (x + 0.5, y + 0.5) is inside. A centre
// exactly on an edge follows the scanline rule: an edge counts for the rows from its upper end
// (smaller y, included) to its lower end (excluded); along a row the pixels from a crossing
// (included) to the next crossing (excluded) are filled. Two polygons sharing an edge therefore
// never both own a pixel, and horizontal edges never count.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace rice {

struct FillPoint {
    double x;
    double y;
};

// One ring per entry; every ring is closed implicitly (last point joined to the first). The
// even-odd rule runs over the edges of all rings together.
using FillRings = std::vector<std::vector<FillPoint>>;

namespace scanfill_detail {

struct Edge {
    double yTop;     // smaller y
    double yBottom;  // larger y
    double xAtTop;
    double slope;    // dx / dy
};

// First row whose centre lies at or below y: the smallest r with r + 0.5 >= y.
inline long FirstRowAtOrBelow(double y) { return static_cast<long>(std::ceil(y - 0.5)); }

}  // namespace scanfill_detail

// Calls span(y, x0, x1) for every run of filled pixels x0 <= x < x1 of row y, rows in
// increasing order, runs left to right, restricted to rows [rowBegin, rowEnd) and columns
// [0, width). Runs of one row never overlap.
template <typename SpanFn>
void ScanFill(const FillRings& rings, int width, int rowBegin, int rowEnd, SpanFn&& span) {
    using scanfill_detail::Edge;
    if (width <= 0 || rowBegin >= rowEnd) return;
    std::vector<Edge> edges;
    for (const auto& ring : rings) {
        size_t n = ring.size();
        if (n < 2) continue;
        for (size_t i = 0; i < n; ++i) {
            FillPoint a = ring[i];
            FillPoint b = ring[(i + 1) % n];
            if (!(std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(b.x) && std::isfinite(b.y)))
                continue;
            if (a.y == b.y) continue;
            if (a.y > b.y) std::swap(a, b);
            edges.push_back(Edge{a.y, b.y, a.x, (b.x - a.x) / (b.y - a.y)});
        }
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(),
              [](const Edge& l, const Edge& r) { return l.yTop < r.yTop; });
    double minY = edges.front().yTop;
    double maxY = minY;
    for (const auto& e : edges) maxY = std::max(maxY, e.yBottom);
    long first = std::max<long>(rowBegin, scanfill_detail::FirstRowAtOrBelow(minY));
    long last = std::min<long>(rowEnd, scanfill_detail::FirstRowAtOrBelow(maxY));  // exclusive
    std::vector<size_t> active;
    std::vector<double> xs;
    size_t next = 0;
    for (long row = first; row < last; ++row) {
        const double yc = static_cast<double>(row) + 0.5;
        while (next < edges.size() && edges[next].yTop <= yc) active.push_back(next++);
        xs.clear();
        size_t keep = 0;
        for (size_t k = 0; k < active.size(); ++k) {
            const Edge& e = edges[active[k]];
            if (yc >= e.yBottom) continue;  // edge ended above this row
            active[keep++] = active[k];
            // yTop <= yc < yBottom: the edge counts for this row.
            xs.push_back(e.xAtTop + (yc - e.yTop) * e.slope);
        }
        active.resize(keep);
        if (xs.size() < 2) continue;
        std::sort(xs.begin(), xs.end());
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            // Pixels whose centre c satisfies xs[k] <= c < xs[k+1].
            double lo = std::ceil(xs[k] - 0.5);
            double hi = std::ceil(xs[k + 1] - 0.5);
            if (lo < 0) lo = 0;
            if (hi > width) hi = width;
            if (lo < hi) span(static_cast<int>(row), static_cast<int>(lo), static_cast<int>(hi));
        }
    }
}

}  // namespace rice
