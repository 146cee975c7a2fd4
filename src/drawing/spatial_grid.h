#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace plotaktar {

// An axis-aligned rectangle in drawing units; empty until it has taken a point.
struct Bounds {
    double minEast = std::numeric_limits<double>::infinity();
    double minNorth = std::numeric_limits<double>::infinity();
    double maxEast = -std::numeric_limits<double>::infinity();
    double maxNorth = -std::numeric_limits<double>::infinity();

    bool empty() const { return !(minEast <= maxEast && minNorth <= maxNorth); }
    void add(double east, double north) {
        minEast = std::min(minEast, east);
        maxEast = std::max(maxEast, east);
        minNorth = std::min(minNorth, north);
        maxNorth = std::max(maxNorth, north);
    }
    void add(const Bounds& other) {
        if (!other.empty()) {
            add(other.minEast, other.minNorth);
            add(other.maxEast, other.maxNorth);
        }
    }
    bool intersects(const Bounds& other) const {
        return minEast <= other.maxEast && other.minEast <= maxEast && minNorth <= other.maxNorth &&
               other.minNorth <= maxNorth;
    }
};

// A uniform grid over the drawing's extent whose cells list the features that touch them.
// Features that would cover very many cells are kept in one list that every query visits.
// Immutable once built, so queries may run on several threads at once.
class SpatialGrid {
  public:
    // Indexes features 0 to count - 1 (fewer than 2^30) by the boxes `boundsOf` gives, over
    // `extent`; a feature whose box is empty is in no cell, and no query finds it.
    void build(const Bounds& extent, uint32_t count,
               const std::function<Bounds(uint32_t)>& boundsOf);

    // Calls `visit(feature)` once for every feature whose cells touch `area`, in no particular
    // order; the caller tests the exact geometry. Stops early when `visit` returns false.
    template <typename Visit>
    void query(const Bounds& area, Visit&& visit) const {
        for (uint32_t f : large_) {
            if (!visit(f)) {
                return;
            }
        }
        if (cellsEast_ == 0 || area.empty()) {
            return;
        }
        const uint32_t e0 = cellEast(area.minEast), e1 = cellEast(area.maxEast);
        const uint32_t n0 = cellNorth(area.minNorth), n1 = cellNorth(area.maxNorth);
        for (uint32_t n = n0; n <= n1; ++n) {
            for (uint32_t e = e0; e <= e1; ++e) {
                const uint32_t cell = n * cellsEast_ + e;
                for (uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
                    const uint32_t item = items_[k];
                    // A feature in several cells is reported from the first of them that lies
                    // in the query: its own first column (or the query's), its own first row
                    // (or the query's).
                    if (!((item & kFirstColumn) || e == e0) || !((item & kFirstRow) || n == n0)) {
                        continue;
                    }
                    if (!visit(item & kFeatureMask)) {
                        return;
                    }
                }
            }
        }
    }

    size_t memoryBytes() const {
        return (cellStart_.capacity() + items_.capacity() + large_.capacity()) * sizeof(uint32_t);
    }

  private:
    // The cell column or row of a coordinate, those outside the extent (and NaN) in the edge
    // cells.
    uint32_t cellEast(double east) const { return cellOf(east - extent_.minEast, cellsEast_); }
    uint32_t cellNorth(double north) const { return cellOf(north - extent_.minNorth, cellsNorth_); }
    uint32_t cellOf(double offset, uint32_t cells) const {
        const double c = offset / cellSize_;
        if (!(c > 0)) {
            return 0;
        }
        return c >= cells - 1 ? cells - 1 : static_cast<uint32_t>(c);
    }

    Bounds extent_;
    double cellSize_ = 1;
    uint32_t cellsEast_ = 0;
    uint32_t cellsNorth_ = 0;
    std::vector<uint32_t> cellStart_;  // per cell, where its features begin in items_
    // Per cell, its features, each marked when the cell is in the feature's first column or
    // first row of cells.
    std::vector<uint32_t> items_;
    static constexpr uint32_t kFirstColumn = 1u << 31;
    static constexpr uint32_t kFirstRow = 1u << 30;
    static constexpr uint32_t kFeatureMask = kFirstRow - 1;
    std::vector<uint32_t> large_;
};

}  // namespace plotaktar
