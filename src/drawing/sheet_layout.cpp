#include "drawing/sheet_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_set>

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

// The sheets of one grid that the boxes of a drawing touch, gathered box by box: each box costs
// the cells it touches, and gathering stops once more than kMostSheets are touched.
class TouchedSheets {
  public:
    explicit TouchedSheets(const Grid& grid) : grid_(grid) {
        // A grid of more columns or rows than an int counts is wider than kMostSheets sheets of
        // anything drawn within the coordinates sheets take.
        over_ = !(grid.columns <= INT_MAX && grid.rows <= INT_MAX);
        if (!over_) {
            columns_ = static_cast<int64_t>(grid.columns);
            rows_ = static_cast<int64_t>(grid.rows);
        }
    }

    bool over() const { return over_; }
    size_t count() const { return cells_.size(); }

    // Every sheet of the grid; false when they are more than kMostSheets.
    bool addAll() {
        if (over_ || !(grid_.columns * grid_.rows <= kMostSheets)) {
            over_ = true;
            return false;
        }
        addCells(0, columns_ - 1, 0, rows_ - 1);
        return true;
    }

    // The sheets whose ground meets `box` (as SheetPlan::ground draws them, edges included).
    void add(const Bounds& box) {
        if (over_ || box.empty()) {
            return;
        }
        const double north = grid_.originNorth;
        auto west = [&](int64_t c) { return grid_.originEast + c * grid_.sheetEast; };
        auto east = [&](int64_t c) { return west(c) + grid_.sheetEast; };
        auto top = [&](int64_t r) { return north + (rows_ - r) * grid_.sheetNorth; };
        auto bottom = [&](int64_t r) { return top(r) - grid_.sheetNorth; };
        const double fromWest = (box.minEast - grid_.originEast) / grid_.sheetEast;
        const double toEast = (box.maxEast - grid_.originEast) / grid_.sheetEast;
        const double fromNorth = rows_ - (box.maxNorth - north) / grid_.sheetNorth;
        const double toSouth = rows_ - (box.minNorth - north) / grid_.sheetNorth;
        const int64_t c0 =
            FirstOf(columns_, fromWest - 1, [&](int64_t c) { return east(c) >= box.minEast; });
        const int64_t c1 =
            FirstOf(columns_, toEast, [&](int64_t c) { return west(c) > box.maxEast; }) - 1;
        const int64_t r0 =
            FirstOf(rows_, fromNorth - 1, [&](int64_t r) { return bottom(r) <= box.maxNorth; });
        const int64_t r1 =
            FirstOf(rows_, toSouth, [&](int64_t r) { return top(r) < box.minNorth; }) - 1;
        if (c0 > c1 || r0 > r1) {
            return;
        }
        if (!(static_cast<double>(c1 - c0 + 1) * static_cast<double>(r1 - r0 + 1) <= kMostSheets)) {
            over_ = true;
            return;
        }
        addCells(c0, c1, r0, r1);
    }

    // The cells touched, north to south and west to east.
    std::vector<uint64_t> sorted() const {
        std::vector<uint64_t> cells(cells_.begin(), cells_.end());
        std::sort(cells.begin(), cells.end());
        return cells;
    }

  private:
    // The first index from 0 to `count` - 1 at which `reached` holds, `count` when none;
    // `reached` is false and then true along the indices. The search starts at `guess` (near
    // the answer by arithmetic) and walks the steps that rounding put between them.
    template <typename Reached>
    static int64_t FirstOf(int64_t count, double guess, Reached reached) {
        int64_t i = 0;
        if (guess >= static_cast<double>(count)) {
            i = count;
        } else if (guess > 0) {
            i = static_cast<int64_t>(guess);
        }
        while (i > 0 && reached(i - 1)) {
            --i;
        }
        while (i < count && !reached(i)) {
            ++i;
        }
        return i;
    }

    void addCells(int64_t c0, int64_t c1, int64_t r0, int64_t r1) {
        for (int64_t r = r0; r <= r1; ++r) {
            for (int64_t c = c0; c <= c1; ++c) {
                const uint64_t cell = static_cast<uint64_t>(r * columns_ + c);
                // Neighbouring features mostly share a sheet.
                if (cell == last_) {
                    continue;
                }
                last_ = cell;
                cells_.insert(cell);
                if (cells_.size() > kMostSheets) {
                    over_ = true;
                    return;
                }
            }
        }
    }

    const Grid& grid_;
    int64_t columns_ = 0, rows_ = 0;
    std::unordered_set<uint64_t> cells_;
    uint64_t last_ = UINT64_MAX;
    bool over_ = false;
};

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

const SheetPlan::Sheet* SheetPlan::sheetAt(int column, int row) const {
    const auto at = std::lower_bound(sheets.begin(), sheets.end(), std::pair(row, column),
                                     [](const Sheet& sheet, std::pair<int, int> place) {
                                         return std::pair(sheet.row, sheet.column) < place;
                                     });
    return at != sheets.end() && at->row == row && at->column == column ? &*at : nullptr;
}

std::optional<SheetPlan> PlanSheets(const Bounds& extent, int scale, const Paper& paper,
                                    Orientation orientation, const DrawnBoxes& drawn) {
    if (extent.empty() || scale < 1) {
        return std::nullopt;
    }
    const Grid wide = GridFor(extent, scale, paper.longMm, paper.shortMm);
    const Grid tall = GridFor(extent, scale, paper.shortMm, paper.longMm);
    // The orientations in play, both for Auto, each gathering its sheets in the one pass over
    // the boxes.
    std::optional<TouchedSheets> onWide, onTall;
    if (orientation != Orientation::Portrait) {
        onWide.emplace(wide);
    }
    if (orientation != Orientation::Landscape) {
        onTall.emplace(tall);
    }
    TouchedSheets* const each[] = {onWide ? &*onWide : nullptr, onTall ? &*onTall : nullptr};
    if (drawn) {
        drawn([&](const Bounds& box) {
            bool going = false;
            for (TouchedSheets* sheets : each) {
                if (sheets != nullptr && !sheets->over()) {
                    sheets->add(box);
                    going = going || !sheets->over();
                }
            }
            return going;
        });
    } else {
        for (TouchedSheets* sheets : each) {
            if (sheets != nullptr) {
                sheets->addAll();
            }
        }
    }
    const bool wideFits = onWide && !onWide->over();
    const bool tallFits = onTall && !onTall->over();
    if (!wideFits && !tallFits) {
        return std::nullopt;
    }
    SheetPlan plan;
    plan.landscape = wideFits && (!tallFits || onWide->count() < onTall->count() ||
                                  (onWide->count() == onTall->count() &&
                                   wide.columns * wide.rows <= tall.columns * tall.rows));
    const Grid& grid = plan.landscape ? wide : tall;
    const TouchedSheets& touched = plan.landscape ? *onWide : *onTall;
    plan.scale = scale;
    plan.paperName = paper.name;
    plan.page = grid.page;
    plan.originEast = grid.originEast;
    plan.originNorth = grid.originNorth;
    plan.sheetEast = grid.sheetEast;
    plan.sheetNorth = grid.sheetNorth;
    plan.columns = static_cast<int>(grid.columns);
    plan.rows = static_cast<int>(grid.rows);
    const std::vector<uint64_t> cells = touched.sorted();
    plan.sheets.reserve(cells.size());
    SheetPlan::Span& span = plan.span;
    span = {plan.columns, -1, plan.rows, -1};
    for (const uint64_t cell : cells) {
        const SheetPlan::Sheet sheet{static_cast<int>(cell % static_cast<uint64_t>(plan.columns)),
                                     static_cast<int>(cell / static_cast<uint64_t>(plan.columns)),
                                     static_cast<int>(plan.sheets.size()) + 1};
        span.firstColumn = std::min(span.firstColumn, sheet.column);
        span.lastColumn = std::max(span.lastColumn, sheet.column);
        span.firstRow = std::min(span.firstRow, sheet.row);
        span.lastRow = std::max(span.lastRow, sheet.row);
        plan.sheets.push_back(sheet);
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
        auto one = [](const Grid& grid) { return grid.columns * grid.rows == 1; };
        if ((orientation != Orientation::Portrait &&
             one(GridFor(extent, scale, paper.longMm, paper.shortMm))) ||
            (orientation != Orientation::Landscape &&
             one(GridFor(extent, scale, paper.shortMm, paper.longMm)))) {
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
