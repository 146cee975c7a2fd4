#include "render/sheet_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "qt/cp1254_text.h"
#include "render/text_run.h"

namespace plotaktar {

namespace {

constexpr double kNeatLineMm = 0.5;
constexpr double kFurnitureLineMm = 0.25;
constexpr double kCrossArmMm = 5;  // a grid cross is 10 mm across
constexpr double kGridLabelMm = 2.5;
constexpr double kCornerClearMm = 9;
constexpr int kFontPixels = 100;  // texts are this font scaled to their height

// Texts and lines of the furniture, in millimetres of paper.
class Furniture {
  public:
    Furniture(QPainter& painter, double unitsPerMm) : painter_(painter) {
        painter_.save();
        painter_.scale(unitsPerMm, unitsPerMm);
        font_.setPixelSize(kFontPixels);
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
        line(kFurnitureLineMm);
    }
    ~Furniture() { painter_.restore(); }
    Furniture(const Furniture&) = delete;
    Furniture& operator=(const Furniture&) = delete;

    QPainter& painter() { return painter_; }

    void line(double widthMm, const QColor& colour = Qt::black) {
        QPen pen(colour, widthMm);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter_.setPen(pen);
        painter_.setBrush(Qt::NoBrush);
    }

    // `text` with its baseline at `at` (left, centred or right as `align` says; with
    // Qt::AlignVCenter its capitals centred on `at` instead), `heightMm` high (the font's
    // pixel size), turned `degrees` clockwise about `at`.
    void text(QPointF at, double heightMm, const QString& text, Qt::Alignment align = Qt::AlignLeft,
              double degrees = 0, bool bold = false) {
        if (font_.bold() != bold) {
            font_.setBold(bold);
        }
        const QFontMetricsF metrics(font_);
        QPointF origin(0, 0);
        if (align & Qt::AlignHCenter) {
            origin.rx() = -metrics.horizontalAdvance(text) / 2;
        } else if (align & Qt::AlignRight) {
            origin.rx() = -metrics.horizontalAdvance(text);
        }
        if (align & Qt::AlignVCenter) {
            origin.ry() = metrics.capHeight() / 2;
        }
        painter_.save();
        painter_.translate(at);
        painter_.rotate(degrees);
        painter_.scale(heightMm / kFontPixels, heightMm / kFontPixels);
        painter_.setFont(font_);
        painter_.drawText(origin, text);
        painter_.restore();
    }

    // The numbers of `sheets` in bold, `heightMm` high, each centred in its box of `boxes`: on a
    // PDF as one text object.
    void sheetNumbers(const QList<QRectF>& boxes, const std::vector<SheetPlan::Sheet>& sheets,
                      double heightMm) {
        if (!TextRun::Suits(painter_)) {
            for (size_t i = 0; i < sheets.size(); ++i) {
                text(boxes[static_cast<qsizetype>(i)].center(), heightMm,
                     QString::number(sheets[i].number), Qt::AlignHCenter | Qt::AlignVCenter, 0,
                     true);
            }
            return;
        }
        QFont font = font_;
        font.setBold(true);
        TextRun run(font, heightMm);
        for (size_t i = 0; i < sheets.size(); ++i) {
            run.add(boxes[static_cast<qsizetype>(i)].center(), QString::number(sheets[i].number),
                    true);
        }
        run.draw(painter_);
    }

    // The width of `text` at that height, in millimetres.
    double width(const QString& text, double heightMm, bool bold = false) {
        QFont font = font_;
        font.setBold(bold);
        return QFontMetricsF(font).horizontalAdvance(text) * heightMm / kFontPixels;
    }

  private:
    QPainter& painter_;
    QFont font_{QStringLiteral("DejaVu Sans")};
};

QRectF ToRect(const MmRect& r) {
    return QRectF(r.left, r.top, r.width, r.height);
}

// A coordinate of the grid in full metres (with decimals only where the grid is finer).
QString GridNumber(double value, double step) {
    return QString::number(value, 'f', step < 1 ? 2 : 0);
}

// The view of the map inside the neat line of the sheet on `ground`, from its north-west corner.
ViewTransform FaceView(const SheetPlan& plan, const Bounds& ground, double unitsPerMm) {
    const MmRect& face = plan.page.face;
    ViewTransform view;
    view.width = static_cast<int>(std::lround(face.width * unitsPerMm));
    view.height = static_cast<int>(std::lround(face.height * unitsPerMm));
    view.scale = plan.mmPerMetre() * unitsPerMm;
    // The face's north-west corner is exactly the sheet's.
    view.centerEast = ground.minEast + view.width / 2.0 / view.scale;
    view.centerNorth = ground.maxNorth - view.height / 2.0 / view.scale;
    return view;
}

// The map inside the neat line, clipped to it: the features at the plan's scale, painted here
// or, from `recorded`, as they were recorded.
RenderStats PaintFace(QPainter& painter, const Drawing& drawing, const SheetPlan& plan,
                      const Bounds& ground, double unitsPerMm, bool raster,
                      const RenderFilter& filter, const std::atomic<bool>* cancel,
                      RecordedFace* recorded) {
    const MmRect& face = plan.page.face;
    const QRectF clip(face.left * unitsPerMm, face.top * unitsPerMm, face.width * unitsPerMm,
                      face.height * unitsPerMm);
    if (recorded != nullptr && recorded->stats.cancelled) {
        return recorded->stats;
    }
    // A face written as the page's content goes onto the page whole, where the painter stands.
    if (recorded != nullptr && recorded->written &&
        painter.transform().type() <= QTransform::TxTranslate) {
        const QTransform& at = painter.transform();
        if (AppendPdfContent(painter, at.mapRect(clip), at.map(clip.topLeft()), recorded->content,
                             recorded->contentFont)) {
            std::string().swap(recorded->content);
            return recorded->stats;
        }
    }
    painter.save();
    painter.setClipRect(clip);
    painter.translate(face.left * unitsPerMm, face.top * unitsPerMm);
    RenderStats stats;
    if (recorded != nullptr && !recorded->written) {
        recorded->picture.paintOnce(painter);
        stats = recorded->stats;
    } else {
        stats = RenderDrawing(painter, drawing, FaceView(plan, ground, unitsPerMm), filter,
                              PaperUnits::Sheet(unitsPerMm, raster), cancel);
    }
    painter.restore();
    painter.setClipping(false);
    return stats;
}

// The grid lines of one axis that meet a sheet from `low` to `high` metres: round coordinates,
// multiples of `step`, counted by an index so that each is computed afresh rather than
// stepped to (a step below the spacing of doubles at the coordinate would never advance), and
// never more than the `paperMm` of the sheet's side can hold, whatever the coordinates.
struct GridLines {
    double first = 0;  // the index of the first, as a whole number
    double step = 0;
    int count = 0;
    double at(int i) const { return (first + i) * step; }
};

GridLines GridLinesOf(double low, double high, double step, double paperMm, double mmPerStep) {
    // A hair inside the edges, so that a cross on the neat line is not lost to rounding.
    const double slack = step * 1e-9;
    GridLines lines;
    lines.step = step;
    lines.first = std::ceil((low - slack) / step);
    const double last = std::floor((high + slack) / step);
    const double most = std::floor(paperMm / mmPerStep + 1e-6) + 1;
    const double count = std::min(last - lines.first + 1, most);
    lines.count = count > 0 ? static_cast<int>(count) : 0;
    return lines;
}

// Grid crosses at round coordinates inside the face, and their coordinates in the margin: Y
// (easting) above and below, X (northing) left and right, reading up.
void PaintGrid(Furniture& f, const SheetPlan& plan, const Bounds& ground) {
    const MmRect& face = plan.page.face;
    const double step = plan.gridStep();
    const double mm = plan.mmPerMetre();
    auto xOf = [&](double east) { return face.left + (east - ground.minEast) * mm; };
    auto yOf = [&](double north) { return face.top + (ground.maxNorth - north) * mm; };
    const GridLines easts =
        GridLinesOf(ground.minEast, ground.maxEast, step, face.width, step * mm);
    const GridLines norths =
        GridLinesOf(ground.minNorth, ground.maxNorth, step, face.height, step * mm);
    f.line(kFurnitureLineMm);
    QPainter& p = f.painter();
    p.save();
    p.setClipRect(ToRect(face));
    for (int i = 0; i < easts.count; ++i) {
        for (int j = 0; j < norths.count; ++j) {
            const QPointF c(xOf(easts.at(i)), yOf(norths.at(j)));
            p.drawLine(c - QPointF(kCrossArmMm, 0), c + QPointF(kCrossArmMm, 0));
            p.drawLine(c - QPointF(0, kCrossArmMm), c + QPointF(0, kCrossArmMm));
        }
    }
    p.restore();
    for (int i = 0; i < easts.count; ++i) {
        const double e = easts.at(i);
        const QString label = QStringLiteral("Y=") + GridNumber(e, step);
        f.text({xOf(e), face.top - 2}, kGridLabelMm, label, Qt::AlignHCenter);
        f.text({xOf(e), face.bottom() + 2 + kGridLabelMm}, kGridLabelMm, label, Qt::AlignHCenter);
        p.drawLine(QPointF(xOf(e), face.top - 1.5), QPointF(xOf(e), face.top));
        p.drawLine(QPointF(xOf(e), face.bottom()), QPointF(xOf(e), face.bottom() + 1.5));
    }
    for (int j = 0; j < norths.count; ++j) {
        const double n = norths.at(j);
        // An X label reads along the side; near a corner it would run into the Y labels.
        if (yOf(n) - face.top < kCornerClearMm || face.bottom() - yOf(n) < kCornerClearMm) {
            continue;
        }
        const QString label = QStringLiteral("X=") + GridNumber(n, step);
        f.text({face.left - 2, yOf(n)}, kGridLabelMm, label, Qt::AlignHCenter, -90);
        f.text({face.right() + 2 + kGridLabelMm, yOf(n)}, kGridLabelMm, label, Qt::AlignHCenter,
               -90);
        p.drawLine(QPointF(face.left - 1.5, yOf(n)), QPointF(face.left, yOf(n)));
        p.drawLine(QPointF(face.right(), yOf(n)), QPointF(face.right() + 1.5, yOf(n)));
    }
}

void PaintNorthArrow(Furniture& f, const MmRect& box) {
    const double cx = box.left + box.width / 2;
    const double top = box.top + 10;
    const double bottom = box.bottom() - 6;
    QPainter& p = f.painter();
    f.line(kFurnitureLineMm);
    const QPointF left[3] = {{cx, top}, {cx - 3.5, bottom}, {cx, bottom - 4}};
    const QPointF right[3] = {{cx, top}, {cx + 3.5, bottom}, {cx, bottom - 4}};
    p.setBrush(Qt::black);
    p.drawPolygon(left, 3);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(right, 3);
    f.text({cx, top - 2.5}, 5, QStringLiteral("K"), Qt::AlignHCenter, 0, true);
}

void PaintScaleBar(Furniture& f, const MmRect& box, int scale) {
    const double metres = ScaleBarMetres(scale, std::min(box.width - 12, 100.0));
    const double length = metres * 1000.0 / scale;
    const double left = box.left + 2;
    const double top = box.top + 14;
    constexpr double kHigh = 2.5;
    QPainter& p = f.painter();
    f.line(kFurnitureLineMm);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(i % 2 == 0 ? Qt::black : Qt::white);
        p.drawRect(QRectF(left + i * length / 4, top, length / 4, kHigh));
    }
    p.setBrush(Qt::NoBrush);
    f.text({left, top - 1.5}, 2.5, QStringLiteral("0"), Qt::AlignHCenter);
    f.text({left + length / 2, top - 1.5}, 2.5, QString::number(metres / 2), Qt::AlignHCenter);
    f.text({left + length, top - 1.5}, 2.5, QString::number(metres) + QStringLiteral(" m"),
           Qt::AlignHCenter);
    f.text({left, top + kHigh + 7}, 4, QStringLiteral("Ölçek 1/%1").arg(scale), Qt::AlignLeft, 0,
           true);
}

// Whether two spans of sheets are the same.
bool SameSpan(const SheetPlan::Span& a, const SheetPlan::Span& b) {
    return a.firstColumn == b.firstColumn && a.lastColumn == b.lastColumn &&
           a.firstRow == b.firstRow && a.lastRow == b.lastRow;
}

// The biggest rectangle of the proportions of `shown` sheets of `plan` in `area`, at its
// top-left corner, as the size of one sheet.
QSizeF SheetCell(const SheetPlan& plan, const SheetPlan::Span& shown, const QRectF& area) {
    const double height =
        std::min(area.width() / shown.columns() * plan.sheetNorth / plan.sheetEast,
                 area.height() / shown.rows());
    return {height * plan.sheetEast / plan.sheetNorth, height};
}

// The set of sheets in small: its outline, the sheets of `shown` as a grey box within it and
// `current` filled, so that a page of a large set shows where it lies in it.
void PaintWholeSet(Furniture& f, const SheetPlan& plan, const SheetPlan::Span& shown,
                   const SheetPlan::Sheet& current, const QRectF& area) {
    const SheetPlan::Span& set = plan.span;
    const QSizeF cell = SheetCell(plan, set, area);
    auto place = [&](int column, int row, int columns, int rows) {
        // A mark of a sheet stays big enough to be seen, however many sheets the set has.
        const QRectF r(area.left() + (column - set.firstColumn) * cell.width(),
                       area.top() + (row - set.firstRow) * cell.height(), columns * cell.width(),
                       rows * cell.height());
        const QSizeF least(std::max(r.width(), 0.6), std::max(r.height(), 0.6));
        return QRectF(r.center() - QPointF(least.width() / 2, least.height() / 2), least);
    };
    QPainter& p = f.painter();
    f.line(0.1);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(place(shown.firstColumn, shown.firstRow, shown.columns(), shown.rows()));
    p.setBrush(Qt::black);
    p.drawRect(place(current.column, current.row, 1, 1));
    f.line(0.25);
    p.drawRect(
        QRectF(area.topLeft(), QSizeF(set.columns() * cell.width(), set.rows() * cell.height())));
}

// The key map. A sheet's shows the sheets within two columns and rows of it, each outlined with
// its number and itself filled, and the edges of the whole set where they run among them; when
// the set reaches further, the set in small beside them shows where they lie in it. The
// index's shows every sheet. So a sheet's page draws the same few things however many sheets
// there are.
void PaintKeyMap(Furniture& f, const SheetPlan& plan, const MmRect& box,
                 const SheetPlan::Sheet* current) {
    QPainter& p = f.painter();
    f.text({box.left, box.top + 4}, 2.5, QStringLiteral("Pafta bölümleri"));
    if (plan.sheets.empty()) {
        return;
    }
    QRectF area(box.left, box.top + 6, box.width, box.height - 7);
    const SheetPlan::Span& set = plan.span;
    SheetPlan::Span shown = set;
    if (current != nullptr) {
        shown = {std::max(current->column - 2, set.firstColumn),
                 std::min(current->column + 2, set.lastColumn),
                 std::max(current->row - 2, set.firstRow), std::min(current->row + 2, set.lastRow)};
    }
    if (!SameSpan(shown, set)) {
        const double side = std::min(area.height(), 0.25 * area.width());
        PaintWholeSet(f, plan, shown, *current,
                      QRectF(area.right() - side, area.top(), side, side));
        area.setRight(area.right() - side - 3);
    }
    const QSizeF cell = SheetCell(plan, shown, area);
    auto rectOf = [&](const SheetPlan::Sheet& sheet) {
        return QRectF(area.left() + (sheet.column - shown.firstColumn) * cell.width(),
                      area.top() + (sheet.row - shown.firstRow) * cell.height(), cell.width(),
                      cell.height());
    };
    std::vector<const SheetPlan::Sheet*> sheets;
    if (current == nullptr && cell.height() < 1) {
        // Too many for boxes of their own: the index's key map is the set's outline.
        f.line(0.25);
        p.drawRect(QRectF(area.topLeft(),
                          QSizeF(set.columns() * cell.width(), set.rows() * cell.height())));
        return;
    }
    if (current == nullptr) {
        for (const SheetPlan::Sheet& sheet : plan.sheets) {
            sheets.push_back(&sheet);
        }
    } else {
        for (int row = shown.firstRow; row <= shown.lastRow; ++row) {
            for (int column = shown.firstColumn; column <= shown.lastColumn; ++column) {
                if (const SheetPlan::Sheet* sheet = plan.sheetAt(column, row)) {
                    sheets.push_back(sheet);
                }
            }
        }
    }
    QList<QRectF> outlines;
    outlines.reserve(static_cast<qsizetype>(sheets.size()));
    for (const SheetPlan::Sheet* sheet : sheets) {
        outlines.append(rectOf(*sheet));
    }
    f.line(0.15);
    p.setBrush(Qt::white);
    p.drawRects(outlines);
    if (current != nullptr) {
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(rectOf(*current));
    }
    p.setBrush(Qt::NoBrush);
    if (cell.height() >= 3) {
        for (const SheetPlan::Sheet* sheet : sheets) {
            f.text(rectOf(*sheet).center(), std::min(2.0, cell.height() * 0.5),
                   QString::number(sheet->number), Qt::AlignHCenter | Qt::AlignVCenter);
        }
    }
    // The set's own edges, where they run among the sheets shown.
    const QRectF all(area.left() + (set.firstColumn - shown.firstColumn) * cell.width(),
                     area.top() + (set.firstRow - shown.firstRow) * cell.height(),
                     set.columns() * cell.width(), set.rows() * cell.height());
    const QRectF in(area.topLeft(),
                    QSizeF(shown.columns() * cell.width(), shown.rows() * cell.height()));
    f.line(0.25);
    if (set.firstRow == shown.firstRow) {
        p.drawLine(QLineF(in.left(), all.top(), in.right(), all.top()));
    }
    if (set.lastRow == shown.lastRow) {
        p.drawLine(QLineF(in.left(), all.bottom(), in.right(), all.bottom()));
    }
    if (set.firstColumn == shown.firstColumn) {
        p.drawLine(QLineF(all.left(), in.top(), all.left(), in.bottom()));
    }
    if (set.lastColumn == shown.lastColumn) {
        p.drawLine(QLineF(all.right(), in.top(), all.right(), in.bottom()));
    }
}

QString DrawnCounts(const Drawing& drawing) {
    const uint32_t points = drawing.kindCount(FeatureKind::Triangulation) +
                            drawing.kindCount(FeatureKind::Traverse) +
                            drawing.kindCount(FeatureKind::Detail);
    return QStringLiteral("Çizimde: %1 nokta, %2 hat, %3 parsel, %4 yazı, %5 sembol")
        .arg(points)
        .arg(drawing.kindCount(FeatureKind::Line))
        .arg(drawing.kindCount(FeatureKind::Parcel))
        .arg(drawing.kindCount(FeatureKind::Label))
        .arg(drawing.kindCount(FeatureKind::Symbol));
}

void PaintTitleBlock(Furniture& f, const Drawing& drawing, const SheetPlan& plan,
                     const SheetTexts& texts, const QString& sheetLine,
                     std::optional<uint64_t> drawnHere) {
    const MmRect& box = plan.page.titleBlock;
    QPainter& p = f.painter();
    f.line(kNeatLineMm);
    p.drawRect(ToRect(box));
    const double left = box.left + 3;
    double y = box.top + 7;
    // The title is shrunk to the block's width rather than run over its edge.
    double titleHeight = 5;
    const double room = box.width - 6;
    if (const double w = f.width(texts.title, titleHeight, true); w > room) {
        titleHeight *= room / w;
    }
    f.text({left, y}, titleHeight, texts.title, Qt::AlignLeft, 0, true);
    f.line(kFurnitureLineMm);
    p.drawLine(QPointF(box.left, y + 2.5), QPointF(box.right(), y + 2.5));
    const QString orientation = plan.landscape ? QStringLiteral("yatay") : QStringLiteral("dikey");
    QStringList lines;
    lines << sheetLine;
    lines << QStringLiteral("Ölçek: 1/%1    Kağıt: %2 %3")
                 .arg(plan.scale)
                 .arg(QString::fromUtf8(plan.paperName.data(),
                                        static_cast<qsizetype>(plan.paperName.size())),
                      orientation);
    if (!texts.crs.isEmpty()) {
        lines << QStringLiteral("Koordinat sistemi: ") + texts.crs;
    }
    lines << QStringLiteral("Tarih: ") + texts.date.toString(QStringLiteral("dd.MM.yyyy"));
    if (drawnHere) {
        lines << QStringLiteral("Bu paftada çizilen: %1").arg(*drawnHere);
    }
    lines << DrawnCounts(drawing);
    const double lineHeight = std::min(4.6, (box.bottom() - y - 4) / lines.size());
    y += 3;
    for (const QString& line : lines) {
        y += lineHeight;
        double height = std::min(2.8, lineHeight * 0.7);
        if (const double w = f.width(line, height); w > room) {
            height *= room / w;
        }
        f.text({left, y}, height, line);
    }
}

// The index of several sheets: each sheet's outline with its number, the set fitted into the
// face. Only these: at the scale of the whole set the drawing's own numbers and texts would pile
// up into a cluster and be cut at the neat line, and every feature is on its sheet. The outlines
// are one path and, on a PDF, the numbers one text object, however many sheets there are.
void PaintIndex(QPainter& painter, const SheetPlan& plan, double unitsPerMm) {
    const MmRect& face = plan.page.face;
    Bounds all;
    for (const SheetPlan::Sheet& sheet : plan.sheets) {
        all.add(plan.ground(sheet));
    }
    const ViewTransform view =
        ViewTransform::fit(all, static_cast<int>(face.width), static_cast<int>(face.height), 0);
    QList<QRectF> outlines;
    outlines.reserve(static_cast<qsizetype>(plan.sheets.size()));
    for (const SheetPlan::Sheet& sheet : plan.sheets) {
        const Bounds g = plan.ground(sheet);
        outlines.append(
            QRectF(view.toScreen(g.minEast, g.maxNorth), view.toScreen(g.maxEast, g.minNorth))
                .translated(face.left, face.top));
    }
    const QColor blue(0, 0, 160);
    const QSizeF cell = outlines.front().size();
    Furniture f(painter, unitsPerMm);
    // Pens of small sheets thinner, so that the sheets stay apart.
    f.line(std::min(0.5, std::min(cell.width(), cell.height()) / 10), blue);
    painter.drawRects(outlines);
    // One height for every number: a third of a sheet's height, and no wider than most of its
    // width with the most digits there are.
    const QString widest(QString::number(plan.sheets.size()).size(), QLatin1Char('8'));
    double height = std::min(12.0, cell.height() / 3);
    height = std::min(height, 0.8 * cell.width() / (f.width(widest, 1.0, true)));
    painter.setPen(blue);
    f.sheetNumbers(outlines, plan.sheets, height);
}

}  // namespace

std::optional<SheetPlan> PlanDrawingSheets(const Drawing& drawing, const RenderFilter& filter,
                                           int scale, const Paper& paper, Orientation orientation) {
    if (scale == 0) {
        scale = AutoScale(drawing.extent(), paper, orientation);
    }
    return PlanSheets(drawing.extent(), scale, paper, orientation,
                      [&](const std::function<bool(const Bounds&)>& visit) {
                          for (uint32_t f = 0; f < drawing.size(); ++f) {
                              if (filter.shows(drawing, f) && !visit(drawing.bounds(f))) {
                                  return;
                              }
                          }
                      });
}

QString SheetLabel(const SheetTexts& texts, int number) {
    return texts.sheetName.isEmpty() ? QString::number(number)
                                     : texts.sheetName + '-' + QString::number(number);
}

RecordedFace RecordSheetFace(const Drawing& drawing, const SheetPlan& plan, int page,
                             double unitsPerMm, const RecordingFonts& fonts,
                             const RenderFilter& filter, const std::atomic<bool>* cancel,
                             const PdfFaceFont* pdfFont) {
    RecordedFace face;
    if (plan.sheets.size() > 1 && page == 0) {
        return face;
    }
    const SheetPlan::Sheet& sheet =
        plan.sheets.at(static_cast<size_t>(plan.sheets.size() > 1 ? page - 1 : 0));
    const ViewTransform view = FaceView(plan, plan.ground(sheet), unitsPerMm);
    const PaperUnits paper = PaperUnits::Sheet(unitsPerMm, false);
    if (pdfFont != nullptr) {
        PdfContentWriter writer(*pdfFont);
        face.stats = WritePdfDrawing(writer, fonts, drawing, view, filter, paper, cancel);
        if (writer.complete() || face.stats.cancelled) {
            face.written = true;
            face.contentFont = writer.usesFont() ? pdfFont : nullptr;
            face.content = writer.take();
            return face;
        }
    }
    face.stats = RecordDrawing(face.picture, fonts, drawing, view, filter, paper, cancel);
    return face;
}

RenderStats PaintSheetPage(QPainter& painter, const Drawing& drawing, const SheetPlan& plan,
                           int page, double unitsPerMm, bool raster, const RenderFilter& filter,
                           const SheetTexts& texts, const std::atomic<bool>* cancel,
                           RecordedFace* face) {
    const PageLayout& layout = plan.page;
    painter.fillRect(QRectF(0, 0, layout.widthMm * unitsPerMm, layout.heightMm * unitsPerMm),
                     Qt::white);
    const bool index = plan.sheets.size() > 1 && page == 0;
    const SheetPlan::Sheet* sheet =
        index ? nullptr
              : &plan.sheets.at(static_cast<size_t>(plan.sheets.size() > 1 ? page - 1 : 0));
    RenderStats stats;
    QString sheetLine;
    if (index) {
        if (cancel != nullptr && cancel->load()) {
            stats.cancelled = true;
            return stats;
        }
        PaintIndex(painter, plan, unitsPerMm);
        sheetLine = QStringLiteral("Pafta indeksi: %1 pafta").arg(plan.sheets.size());
    } else {
        const Bounds ground = plan.ground(*sheet);
        stats = PaintFace(painter, drawing, plan, ground, unitsPerMm, raster, filter, cancel, face);
        sheetLine = QStringLiteral("Pafta: %1  (%2 / %3)")
                        .arg(SheetLabel(texts, sheet->number))
                        .arg(sheet->number)
                        .arg(plan.sheets.size());
    }
    if (stats.cancelled) {
        return stats;
    }
    Furniture f(painter, unitsPerMm);
    if (!index) {
        PaintGrid(f, plan, plan.ground(*sheet));
    }
    f.line(kNeatLineMm);
    f.painter().drawRect(ToRect(layout.face));
    PaintKeyMap(f, plan, layout.keyMap, sheet);
    PaintNorthArrow(f, layout.northArrow);
    if (!index) {
        PaintScaleBar(f, layout.scaleBar, plan.scale);
    }
    PaintTitleBlock(f, drawing, plan, texts, sheetLine,
                    index ? std::nullopt : std::optional<uint64_t>(stats.drawn));
    return stats;
}

}  // namespace plotaktar
