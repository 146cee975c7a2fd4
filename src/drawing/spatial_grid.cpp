#include "drawing/spatial_grid.h"

#include <cmath>

namespace plotaktar {

namespace {

// A feature covering more cells than this goes to the list that every query visits.
constexpr uint64_t kMaxCellsPerFeature = 64;
constexpr uint32_t kMaxCellsPerSide = 2048;

}  // namespace

void SpatialGrid::build(const Bounds& extent, uint32_t count,
                        const std::function<Bounds(uint32_t)>& boundsOf) {
    *this = SpatialGrid();
    extent_ = extent;
    if (extent.empty() || count == 0) {
        return;
    }
    // About two features a cell on a square grid over the extent.
    const double width = std::max(extent.maxEast - extent.minEast, 1e-9);
    const double height = std::max(extent.maxNorth - extent.minNorth, 1e-9);
    cellSize_ = std::sqrt(width * height * 2.0 / count);
    cellSize_ = std::max({cellSize_, width / kMaxCellsPerSide, height / kMaxCellsPerSide});
    auto side = [&](double length) {
        const double cells = length / cellSize_;
        return cells < kMaxCellsPerSide ? static_cast<uint32_t>(cells) + 1 : kMaxCellsPerSide;
    };
    if (std::isfinite(cellSize_) && cellSize_ > 0) {
        cellsEast_ = side(width);
        cellsNorth_ = side(height);
    } else {
        // An extent too wide for a double's arithmetic: one cell holds everything.
        cellSize_ = std::numeric_limits<double>::max();
        cellsEast_ = cellsNorth_ = 1;
    }
    const size_t cells = static_cast<size_t>(cellsEast_) * cellsNorth_;

    std::vector<uint32_t> cellCount(cells + 1, 0);
    auto forCells = [&](uint32_t f, auto&& each) {
        const Bounds b = boundsOf(f);
        if (b.empty()) {
            return true;  // a feature with no box touches no cell
        }
        const uint32_t e0 = cellEast(b.minEast), e1 = cellEast(b.maxEast);
        const uint32_t n0 = cellNorth(b.minNorth), n1 = cellNorth(b.maxNorth);
        if (uint64_t{e1 - e0 + 1} * (n1 - n0 + 1) > kMaxCellsPerFeature) {
            return false;
        }
        for (uint32_t n = n0; n <= n1; ++n) {
            for (uint32_t e = e0; e <= e1; ++e) {
                each(n * cellsEast_ + e, (e == e0 ? kFirstColumn : 0) | (n == n0 ? kFirstRow : 0));
            }
        }
        return true;
    };
    for (uint32_t f = 0; f < count; ++f) {
        if (!forCells(f, [&](uint32_t cell, uint32_t) { ++cellCount[cell]; })) {
            large_.push_back(f);
        }
    }
    cellStart_.assign(cells + 1, 0);
    for (size_t c = 0; c < cells; ++c) {
        cellStart_[c + 1] = cellStart_[c] + cellCount[c];
    }
    items_.resize(cellStart_[cells]);
    std::vector<uint32_t>& fill = cellCount;
    std::copy(cellStart_.begin(), cellStart_.end(), fill.begin());
    size_t nextLarge = 0;
    for (uint32_t f = 0; f < count; ++f) {
        if (nextLarge < large_.size() && large_[nextLarge] == f) {
            ++nextLarge;
            continue;
        }
        forCells(f, [&](uint32_t cell, uint32_t marks) { items_[fill[cell]++] = f | marks; });
    }
}

}  // namespace plotaktar
