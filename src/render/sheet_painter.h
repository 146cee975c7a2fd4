#pragma once

#include <QDate>
#include <QString>
#include <atomic>
#include <optional>
#include <string>

#include "drawing/sheet_layout.h"
#include "render/pdf_face.h"
#include "render/recorded_picture.h"
#include "render/renderer.h"

class QPainter;

namespace plotaktar {

// What the title block says besides the scale and the counts.
struct SheetTexts {
    QString title;      // the geometry file's name unless given
    QString sheetName;  // before the sheet's number; may be empty
    QString crs;        // the coordinate system's short name and EPSG code; may be empty
    QDate date;
};

// The sheets of what `filter` shows of `drawing` at 1:scale, or with `scale` 0 at AutoScale's
// choice, on `paper`: a sheet on which nothing is shown is left out. Nothing when the drawing
// would need more than kMostSheets sheets or is empty.
std::optional<SheetPlan> PlanDrawingSheets(const Drawing& drawing, const RenderFilter& filter,
                                           int scale, const Paper& paper, Orientation orientation);

// The name of sheet `number` of `count`: "NAME-3", or "3" without a name.
QString SheetLabel(const SheetTexts& texts, int number);

// The map face of page `page` of `plan` (nothing for the index) as PaintSheetPage paints it on
// a PDF at `unitsPerMm`, made on any thread with `fonts` (for PaperUnits::Sheet at
// `unitsPerMm`), with what it drew: written as the page's content in `pdfFont` (the PDF's own
// font of `fonts`) where there is one and it holds every glyph, otherwise recorded.
struct RecordedFace {
    RecordedPicture picture;
    std::string content;
    const PdfFaceFont* contentFont = nullptr;  // the font the content's texts use, if any
    bool written = false;                      // `content` holds the face
    RenderStats stats;
};
RecordedFace RecordSheetFace(const Drawing& drawing, const SheetPlan& plan, int page,
                             double unitsPerMm, const RecordingFonts& fonts,
                             const RenderFilter& filter, const std::atomic<bool>* cancel = nullptr,
                             const PdfFaceFont* pdfFont = nullptr);

// Paints page `page` of `plan` onto `painter`, whose surface is the whole paper at
// `unitsPerMm` units a millimetre, origin at the top-left corner: with several sheets page 0 is
// their index (each sheet's outline with its number), the others one sheet each.
// A sheet is the drawing at the plan's scale inside the neat line, every feature drawn with
// its layer's pen, grid crosses every 10 cm with their coordinates in the margin, a key map of
// the sheets, a north arrow, a scale bar and the title block. `raster` keeps pens at least a
// pixel wide. Fills the page white first. Returns what the map face drew; `cancelled` when
// `cancel` became true. With `face` (RecordSheetFace's of this page, for a PDF's painter), the
// map face is painted from it, its recording let go as it goes.
RenderStats PaintSheetPage(QPainter& painter, const Drawing& drawing, const SheetPlan& plan,
                           int page, double unitsPerMm, bool raster, const RenderFilter& filter,
                           const SheetTexts& texts, const std::atomic<bool>* cancel = nullptr,
                           RecordedFace* face = nullptr);

}  // namespace plotaktar
