#include "drawing/sheet_layout.h"

#include <cmath>

#include "drawing/drawing.h"

namespace plotaktar {

namespace {

constexpr double kMarginMm = 10;    // paper edge to the furniture
constexpr double kLabelBandMm = 8;  // neat line to the grid labels' outer edge
constexpr double kBandMm = 40;      // the band of the title block below the face
constexpr double kGapMm = 3;

// The grid of sheets for one orientation, before it is known what is drawn where.
struct Grid {
    PageLayout page;
    double originEast, originNorth, sheetEast, sheetNorth;
    double columns, rows;  // doubles: a vast drawing must not overflow before it is refused
};

// Sheets along one axis from `low` to `high`: as few as cover it, with the cover's slack shared
// on both sides and its start put back to a round coordinate (a multiple of `step`).
void Cover(double low, double high, double side, double step, double& origin, double& count) {
    count = std::max(1.0, std::ceil((high - low) / side));
    origin = std::floor((low - (count * side - (high - low)) / 2) / step) * step;
    if (origin + count * side < high) {
        count += 1;
    }
}

Grid GridFor(const Bounds& extent, int scale, double widthMm, double heightMm) {
    Grid grid;
    grid.page = LayOutPage(widthMm, heightMm);
    const double metresPerMm = scale / 1000.0;
    grid.sheetEast = grid.page.face.width * metresPerMm;
    grid.sheetNorth = grid.page.face.height * metresPerMm;
    // Sheets meet at round coordinates: whole centimetres of paper.
    const double step = scale / 100.0;
    Cover(extent.minEast, extent.maxEast, grid.sheetEast, step, grid.originEast, grid.columns);
    Cover(extent.minNorth, extent.maxNorth, grid.sheetNorth, step, grid.originNorth, grid.rows);
    return grid;
}

// The grids of the orientations asked for; Auto: the one of fewer sheets, landscape first.
Grid ChooseGrid(const Bounds& extent, int scale, const Paper& paper, Orientation orientation,
                bool& landscape) {
    const Grid wide = GridFor(extent, scale, paper.longMm, paper.shortMm);
    const Grid tall = GridFor(extent, scale, paper.shortMm, paper.longMm);
    landscape =
        orientation == Orientation::Landscape ||
        (orientation == Orientation::Auto && wide.columns * wide.rows <= tall.columns * tall.rows);
    return landscape ? wide : tall;
}

}  // namespace

PageLayout LayOutPage(double widthMm, double heightMm) {
    PageLayout page;
    page.widthMm = widthMm;
    page.heightMm = heightMm;
    const double inset = kMarginMm + kLabelBandMm;
    const double availableWidth = widthMm - 2 * inset;
    const double availableHeight = heightMm - 2 * inset - kBandMm;
    page.face.width = std::max(10.0, std::floor(availableWidth / 10) * 10);
    page.face.height = std::max(10.0, std::floor(availableHeight / 10) * 10);
    page.face.left = inset + (availableWidth - page.face.width) / 2;
    page.face.top = inset + (availableHeight - page.face.height) / 2;

    const double bandTop = heightMm - kMarginMm - kBandMm;
    const double bandWidth = widthMm - 2 * kMarginMm;
    page.keyMap = {kMarginMm, bandTop, std::min(50.0, 0.2 * bandWidth), kBandMm};
    page.northArrow = {page.keyMap.right() + kGapMm, bandTop, 14, kBandMm};
    const double titleWidth = std::min(130.0, 0.5 * bandWidth);
    page.titleBlock = {widthMm - kMarginMm - titleWidth, bandTop, titleWidth, kBandMm};
    page.scaleBar = {page.northArrow.right() + kGapMm, bandTop,
                     page.titleBlock.left - kGapMm - page.northArrow.right() - kGapMm, kBandMm};
    return page;
}

Bounds SheetPlan::ground(const Sheet& sheet) const {
    Bounds b;
    const double west = originEast + sheet.column * sheetEast;
    const double north = originNorth + (rows - sheet.row) * sheetNorth;
    b.add(west, north - sheetNorth);
    b.add(west + sheetEast, north);
    return b;
}

std::optional<SheetPlan> PlanSheets(const Bounds& extent, int scale, const Paper& paper,
                                    Orientation orientation,
                                    const std::function<bool(const Bounds&)>& drawnOn) {
    if (extent.empty() || scale < 1) {
        return std::nullopt;
    }
    SheetPlan plan;
    const Grid grid = ChooseGrid(extent, scale, paper, orientation, plan.landscape);
    if (!(grid.columns * grid.rows <= kMostSheets)) {
        return std::nullopt;
    }
    plan.scale = scale;
    plan.paperName = paper.name;
    plan.page = grid.page;
    plan.originEast = grid.originEast;
    plan.originNorth = grid.originNorth;
    plan.sheetEast = grid.sheetEast;
    plan.sheetNorth = grid.sheetNorth;
    plan.columns = static_cast<int>(grid.columns);
    plan.rows = static_cast<int>(grid.rows);
    for (int row = 0; row < plan.rows; ++row) {
        for (int column = 0; column < plan.columns; ++column) {
            SheetPlan::Sheet sheet{column, row, 0};
            if (!drawnOn || drawnOn(plan.ground(sheet))) {
                sheet.number = static_cast<int>(plan.sheets.size()) + 1;
                plan.sheets.push_back(sheet);
            }
        }
    }
    return plan;
}

std::optional<uint32_t> FeatureBeyondSheets(const Drawing& drawing) {
    auto beyond = [](double v) { return std::abs(v) > kMostSheetCoordinate; };
    const Bounds& extent = drawing.extent();
    if (extent.empty() || !(beyond(extent.minEast) || beyond(extent.maxEast) ||
                            beyond(extent.minNorth) || beyond(extent.maxNorth))) {
        return std::nullopt;
    }
    for (uint32_t f = 0; f < drawing.size(); ++f) {
        for (const Vertex& v : drawing.vertices(f)) {
            if (beyond(v.east) || beyond(v.north)) {
                return f;
            }
        }
    }
    return std::nullopt;
}

int AutoScale(const Bounds& extent, const Paper& paper, Orientation orientation) {
    for (int scale : kAutoScales) {
        bool landscape = true;
        const Grid grid = ChooseGrid(extent, scale, paper, orientation, landscape);
        if (grid.columns * grid.rows == 1) {
            return scale;
        }
    }
    return kAutoScales.back();
}

double ScaleBarMetres(int scale, double mm) {
    const double most = mm * scale / 1000.0;
    double metres = std::pow(10.0, std::floor(std::log10(most)));
    for (double factor : {5.0, 2.0}) {
        if (metres * factor <= most) {
            return metres * factor;
        }
    }
    return metres;
}

}  // namespace plotaktar
