#pragma once

// The geometry of sheets ("pafta") at a map scale: the papers, where the map face, its grid
// labels and the furniture stand on a page, and how a drawing is split into sheets along round
// coordinates. Plain arithmetic in millimetres of paper and metres on the ground; the painter of
// the sheets and the command line share it.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/spatial_grid.h"

namespace plotaktar {

class Drawing;

// An ISO paper, its sides in millimetres.
struct Paper {
    std::string_view name;
    double shortMm;
    double longMm;
};

inline constexpr std::array<Paper, 5> kPapers = {{
    {"A4", 210, 297},
    {"A3", 297, 420},
    {"A2", 420, 594},
    {"A1", 594, 841},
    {"A0", 841, 1189},
}};

// The paper of that name (A4 to A0, either case), or nothing.
constexpr std::optional<Paper> PaperNamed(std::string_view name) {
    for (const Paper& paper : kPapers) {
        if (name.size() == 2 && (name[0] == 'A' || name[0] == 'a') && name[1] == paper.name[1]) {
            return paper;
        }
    }
    return std::nullopt;
}

// The scales `--scale auto` tries, the most detail first.
inline constexpr std::array<int, 5> kAutoScales = {500, 1000, 2000, 2500, 5000};
inline constexpr int kMostScale = 1'000'000;
// A picture of a page may have at most this many pixels.
inline constexpr double kMostPagePixels = 500e6;
// A drawing may be split into at most this many sheets.
inline constexpr double kMostSheets = 10'000;
// Sheets are drawn only of coordinates within this many metres of 0 (100,000 km): beyond them
// the spacing of doubles grows towards the grid's step and a sheet's crosses and labels lose
// their places.
inline constexpr double kMostSheetCoordinate = 1e8;

// The pixels of a page of `paper` at `dpi`, whichever way it is turned.
constexpr double PagePixels(const Paper& paper, int dpi) {
    return (paper.shortMm * dpi / 25.4) * (paper.longMm * dpi / 25.4);
}

enum class Orientation { Auto, Landscape, Portrait };

// A rectangle on a page, in millimetres from its top-left corner.
struct MmRect {
    double left = 0, top = 0, width = 0, height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

// Where things stand on a page: the map face inside its neat line, with a band for the grid
// labels around it, and below it the key map, north arrow, scale bar and title block.
struct PageLayout {
    double widthMm = 0;
    double heightMm = 0;
    MmRect face;
    MmRect keyMap, northArrow, scaleBar, titleBlock;
};

// The layout of a page of that size. The map face is a whole number of centimetres, so that
// the sheets of a drawing meet at round coordinates.
PageLayout LayOutPage(double widthMm, double heightMm);

// The sheets of a drawing at 1:scale on one paper: a grid of columns x rows of sheets from a
// south-west corner at round coordinates, and those of them that something is drawn on,
// numbered from 1 west to east and north to south. Row 0 is the northernmost. The grid may be
// far larger than its sheets (a scattered drawing leaves most of its cells empty): only the
// sheets are ever visited.
struct SheetPlan {
    struct Sheet {
        int column = 0;
        int row = 0;
        int number = 0;
    };
    // The columns and rows the sheets reach, first and last of each.
    struct Span {
        int firstColumn = 0, lastColumn = -1, firstRow = 0, lastRow = -1;
        int columns() const { return lastColumn - firstColumn + 1; }
        int rows() const { return lastRow - firstRow + 1; }
    };

    int scale = 1000;
    std::string paperName;
    bool landscape = true;
    PageLayout page;
    double originEast = 0, originNorth = 0;  // south-west corner of the grid of sheets
    double sheetEast = 0, sheetNorth = 0;    // a sheet's extent on the ground, metres
    int columns = 0, rows = 0;
    std::vector<Sheet> sheets;  // in the order of their numbers
    Span span;

    // Metres on the ground between grid crosses: 10 cm of paper.
    double gridStep() const { return scale / 10.0; }
    // Millimetres of paper a metre on the ground.
    double mmPerMetre() const { return 1000.0 / scale; }
    Bounds ground(const Sheet& sheet) const;
    // The sheet at that column and row, or nullptr when nothing is drawn there.
    const Sheet* sheetAt(int column, int row) const;
    // Pages: with several sheets the first is their index.
    int pageCount() const { return static_cast<int>(sheets.size()) + (sheets.size() > 1 ? 1 : 0); }
};

// Calls `visit` with the box of each thing drawn, one after the other, until `visit` returns
// false.
using DrawnBoxes = std::function<void(const std::function<bool(const Bounds&)>& visit)>;

// Plans the sheets of `extent` at 1:scale on `paper`: a sheet is one that a box of `drawn`
// touches (every sheet of the grid without `drawn`). The orientation is the one asked for, or
// with Auto the one of fewer sheets (when even, of fewer cells in its grid; then landscape).
// Each box costs the sheets it touches, so planning grows with the drawing and its sheets,
// never with the empty cells between them. Returns nothing when more than kMostSheets sheets
// would hold something, or the extent is empty.
std::optional<SheetPlan> PlanSheets(const Bounds& extent, int scale, const Paper& paper,
                                    Orientation orientation, const DrawnBoxes& drawn = {});

// The first feature of `drawing` with a Y or X beyond ±kMostSheetCoordinate; nothing when the
// whole drawing may be drawn on sheets.
std::optional<uint32_t> FeatureBeyondSheets(const Drawing& drawing);

// `--scale auto`: the first of kAutoScales at which the drawing fits one sheet of the paper
// (in the orientation asked for, or either), else the last of them.
int AutoScale(const Bounds& extent, const Paper& paper, Orientation orientation);

// The length of a scale bar in metres that fits `mm` of paper at 1:scale: 1, 2 or 5 times a
// power of ten.
double ScaleBarMetres(int scale, double mm);

}  // namespace plotaktar
