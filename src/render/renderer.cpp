#include "render/renderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "qt/cp1254_text.h"
#include "model/aci_palette.h"

namespace plotaktar {

namespace {

// A screen's pixels a millimetre: the pixel sizes below are for it, and scale with the surface.
constexpr double kScreenPerMm = 96.0 / 25.4;
// Pen width of a layer without a "kalınlık", in millimetres: the thinnest of the usual pens.
constexpr double kDefaultPenMm = 0.13;
// A symbol's marker before its Sx and Sy, in millimetres of paper; its number's text height.
constexpr double kSymbolMm = 2.0;
// Point numbers and parcel names on a sheet, in millimetres.
constexpr double kSheetNameMm = 1.8;
// Texts smaller than this many pixels cannot be read and are left out.
constexpr double kLegiblePixels = 4.0;
// Point numbers are written only when no more points than this are in view.
constexpr size_t kMaxPointNumbers = 1500;
// Beyond this many points in view, points are dots: symbols would merge anyway.
constexpr size_t kMaxPointSymbols = 20000;
// A parcel's "ada/parsel" is written when its outline is at least this wide on screen.
constexpr double kParcelNamePixels = 48.0;
constexpr int kNameFontPixels = 11;

// Geometry waits in small batches per layer and is drawn whenever a batch fills, so that a
// picture of a million features needs no million-entry arrays.
constexpr size_t kBatch = 1024;
// Pictures up to this many pixels draw each pixel's dot once (a marker of 4 bytes a pixel).
constexpr size_t kMaxCoveredPixels = size_t{16} << 20;

bool Near(QPointF p, const QRectF& area) {
    return area.contains(p);
}

// Markers of points; `k` is the surface's units a screen pixel.
void DrawPointSymbols(QPainter& painter, Marker marker, const std::vector<QPointF>& points,
                      bool dots, double k) {
    if (dots || marker == Marker::Dot || marker == Marker::None) {
        painter.drawPoints(points.data(), static_cast<int>(points.size()));
        return;
    }
    for (const QPointF& p : points) {
        if (marker == Marker::Triangle) {
            const QPointF triangle[3] = {p + QPointF(0, -5 * k), p + QPointF(4.5 * k, 3 * k),
                                         p + QPointF(-4.5 * k, 3 * k)};
            painter.drawPolygon(triangle, 3);
        } else {
            painter.drawEllipse(p, 3.5 * k, 3.5 * k);
        }
    }
}

// The text a picture shows: control characters, which no font draws and no XML document may
// hold (an SVG would not parse), stand as U+FFFD.
QString DrawnText(std::string_view bytes) {
    QString text = FromCp1254(bytes);
    for (QChar& c : text) {
        if (c.unicode() < 0x20) {
            c = QChar(0xFFFD);
        }
    }
    return text;
}

// One picture of a drawing, painted in three passes over the features in view: outlines
// (lines and parcels), then the points over them, then the texts (point numbers, parcel names,
// labels) over everything. Each feature kind is handled by its shape and marker in the kinds
// table.
class PicturePainter {
  public:
    PicturePainter(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                   const RenderFilter& filter, const PaperUnits& paper,
                   const std::atomic<bool>* cancel)
        : painter_(painter),
          drawing_(drawing),
          view_(view),
          filter_(filter),
          paper_(paper),
          k_(paper.perMm / kScreenPerMm),
          cancel_(cancel),
          layerCount_(drawing.layers().size()),
          screen_(-8 * k_, -8 * k_, view.width + 16 * k_, view.height + 16 * k_),
          area_(view.visibleArea()) {
        const Bounds& extent = drawing.extent();
        wholeDrawing_ = area_.minEast <= extent.minEast && area_.maxEast >= extent.maxEast &&
                        area_.minNorth <= extent.minNorth && area_.maxNorth >= extent.maxNorth;
        colours_.resize(layerCount_);
        pens_.resize(layerCount_);
        for (size_t l = 0; l < layerCount_; ++l) {
            colours_[l] = LayerColour(drawing.layers()[l]);
            pens_[l] = LayerPen(drawing.layers()[l], paper);
        }
    }

    RenderStats paint() {
        painter_.save();
        painter_.setBrush(Qt::NoBrush);
        if (outlinePass() && pointPass()) {
            symbolPass();
            textPass();
        }
        painter_.restore();
        return stats_;
    }

  private:
    // Calls `visit` for the features the view may touch that the filter shows; false when the
    // picture was cancelled meanwhile.
    template <typename Visit>
    bool forEachFeature(Visit&& visit) {
        auto each = [&](uint32_t f) {
            if ((++visited_ & 0xfff) == 0 && cancel_ != nullptr &&
                cancel_->load(std::memory_order_relaxed)) {
                stats_.cancelled = true;
                return false;
            }
            if (filter_.shows(drawing_, f)) {
                visit(f);
            }
            return true;
        };
        if (wholeDrawing_) {
            // In storage order, which the caches like far better than the grid's cells.
            for (uint32_t f = 0; f < drawing_.size() && each(f); ++f) {
            }
        } else {
            drawing_.grid().query(area_, each);
        }
        return !stats_.cancelled;
    }

    void usePen(size_t layer) {
        if (penLayer_ != static_cast<int>(layer)) {
            penLayer_ = static_cast<int>(layer);
            painter_.setPen(pens_[layer]);
        }
    }

    // A layer's pen drawn solid at `width` units: for markers, whose shape is their own.
    void useSolidPen(size_t layer, double width) {
        QPen pen = pens_[layer];
        pen.setStyle(Qt::SolidLine);
        pen.setWidthF(width);
        painter_.setPen(pen);
        penLayer_ = -1;
    }

    // Writes `text` `size` units high at `at`, turned `degrees` clockwise, beginning there or
    // centred on it. A sheet scales a font of fixed size, so that the height is exact in any
    // unit; a screen picture uses the nearest whole pixel size.
    void drawText(QPointF at, double size, double degrees, const QString& text, bool centred) {
        constexpr int kSheetFont = 100;
        // Whole pixel sizes are exact enough from this many units on (within 1 %), as on a PDF's
        // fine units; a sheet in millimetres scales a font of fixed size instead.
        constexpr double kExactPixels = 50;
        const bool scaled = paper_.sheet && size < kExactPixels;
        const double fontSize = scaled ? kSheetFont : std::max(1.0, std::round(size));
        if (font_.pixelSize() != static_cast<int>(fontSize)) {
            font_.setPixelSize(static_cast<int>(fontSize));
            painter_.setFont(font_);
        }
        if (!scaled && degrees == 0 && !centred) {
            painter_.drawText(at, text);
            return;
        }
        painter_.save();
        painter_.translate(at);
        painter_.rotate(degrees);
        if (scaled) {
            painter_.scale(size / kSheetFont, size / kSheetFont);
        }
        QPointF origin(0, 0);
        if (centred) {
            // Centred on the point, across the text's cap height as along its length.
            const QFontMetricsF metrics(font_);
            origin = QPointF(-metrics.horizontalAdvance(text) / 2, metrics.capHeight() / 2);
        }
        painter_.drawText(origin, text);
        painter_.restore();
    }

    // Parcels and lines, drawn batch by batch; the points in view are counted and the legible
    // texts noted for the passes after it.
    bool outlinePass() {
        std::vector<std::vector<QLineF>> lines(layerCount_);
        std::vector<QPointF> outline;
        auto flushLines = [&](size_t layer) {
            usePen(layer);
            painter_.drawLines(lines[layer].data(), static_cast<int>(lines[layer].size()));
            lines[layer].clear();
        };
        const bool drawn = forEachFeature([&](uint32_t f) {
            const uint16_t layer = drawing_.layer(f);
            const auto vertices = drawing_.vertices(f);
            switch (ShapeOf(drawing_.kind(f))) {
                case Shape::None:
                case Shape::Layer:
                    break;
                case Shape::Point:
                    if (Near(view_.toScreen(vertices[0]), screen_)) {
                        ++pointCount_;
                        ++stats_.drawn;
                    }
                    break;
                case Shape::Symbol:
                    if (Near(view_.toScreen(vertices[0]), screen_)) {
                        symbols_.push_back(f);
                        ++stats_.drawn;
                    }
                    break;
                case Shape::Line: {
                    const QPointF p0 = view_.toScreen(vertices[0]);
                    const QPointF p1 = view_.toScreen(vertices[1]);
                    if (!QRectF(p0, p1).normalized().adjusted(-1, -1, 1, 1).intersects(screen_)) {
                        break;
                    }
                    if (!paper_.sheet && std::fabs(p0.x() - p1.x()) < 1 &&
                        std::fabs(p0.y() - p1.y()) < 1) {
                        ++stats_.leftOut;
                        break;
                    }
                    lines[layer].emplace_back(p0, p1);
                    ++stats_.drawn;
                    if (lines[layer].size() >= kBatch) {
                        flushLines(layer);
                    }
                    break;
                }
                case Shape::Polygon: {
                    outline.clear();
                    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
                    for (const Vertex& v : vertices) {
                        const QPointF p = view_.toScreen(v);
                        minX = std::min(minX, p.x());
                        maxX = std::max(maxX, p.x());
                        minY = std::min(minY, p.y());
                        maxY = std::max(maxY, p.y());
                        outline.push_back(p);
                    }
                    const QRectF box(QPointF(minX, minY), QPointF(maxX, maxY));
                    if (!box.adjusted(-1, -1, 1, 1).intersects(screen_)) {
                        break;
                    }
                    if (!paper_.sheet && box.width() < 1 && box.height() < 1) {
                        ++stats_.leftOut;
                        break;
                    }
                    usePen(layer);
                    painter_.drawPolygon(outline.data(), static_cast<int>(outline.size()));
                    ++stats_.drawn;
                    if (paper_.sheet || box.width() >= kParcelNamePixels) {
                        parcelNames_.emplace_back(box.center(), f);
                    }
                    break;
                }
                case Shape::Text: {
                    const double pixels = std::fabs(drawing_.height(f)) * view_.scale;
                    const QPointF p = view_.toScreen(vertices[0]);
                    const double reach = pixels * (0.7 * drawing_.text(f).size() + 1);
                    if (!QRectF(p.x() - reach, p.y() - reach, 2 * reach, 2 * reach)
                             .intersects(screen_)) {
                        break;
                    }
                    if (!paper_.sheet && pixels < kLegiblePixels) {
                        ++stats_.leftOut;
                    } else {
                        labels_.push_back(f);
                        ++stats_.drawn;
                    }
                    break;
                }
            }
        });
        if (!drawn) {
            return false;
        }
        for (size_t l = 0; l < layerCount_; ++l) {
            if (!lines[l].empty()) {
                flushLines(l);
            }
        }
        return true;
    }

    // Points over the outlines, each kind with its marker, or as dots when so many are in view
    // that markers would merge anyway. Batched per feature kind and layer.
    bool pointPass() {
        if (pointCount_ == 0) {
            return true;
        }
        const bool dots = !paper_.sheet && pointCount_ > kMaxPointSymbols;
        const bool numbers =
            filter_.pointNumbers && (paper_.sheet || pointCount_ <= kMaxPointNumbers);
        std::vector<std::vector<QPointF>> points(kFeatureKinds * layerCount_);
        // Dots are drawn once a pixel, so that what a picture holds (an SVG's elements above
        // all) stays within its resolution however many points share a spot.
        const size_t pixels = static_cast<size_t>(view_.width) * static_cast<size_t>(view_.height);
        std::vector<uint32_t> covered;
        if (dots && !paper_.sheet && pixels <= kMaxCoveredPixels) {
            covered.assign(pixels, 0);
        }
        auto flushPoints = [&](size_t bucket) {
            const Marker marker =
                kFeatureKindRows[bucket / layerCount_].marker;  // buckets by kind, then layer
            useSolidPen(bucket % layerCount_, (marker == Marker::Dot || dots ? 2.0 : 1.2) * k_);
            DrawPointSymbols(painter_, marker, points[bucket], dots, k_);
            points[bucket].clear();
        };
        if (!forEachFeature([&](uint32_t f) {
                const FeatureKind kind = drawing_.kind(f);
                if (ShapeOf(kind) != Shape::Point) {
                    return;
                }
                const QPointF p = view_.toScreen(drawing_.vertices(f)[0]);
                if (!Near(p, screen_)) {
                    return;
                }
                const size_t bucket = static_cast<size_t>(kind) * layerCount_ + drawing_.layer(f);
                if (!covered.empty() && p.x() >= 0 && p.y() >= 0 && p.x() < view_.width &&
                    p.y() < view_.height) {
                    // A dot where one of the same colour and kind already is adds nothing.
                    uint32_t& mark = covered[static_cast<size_t>(p.y()) * view_.width +
                                             static_cast<size_t>(p.x())];
                    if (mark == bucket + 1) {
                        return;
                    }
                    mark = static_cast<uint32_t>(bucket + 1);
                }
                points[bucket].push_back(p);
                if (points[bucket].size() >= kBatch) {
                    flushPoints(bucket);
                }
                if (numbers) {
                    numbered_.push_back(f);
                }
            })) {
            return false;
        }
        for (size_t bucket = 0; bucket < points.size(); ++bucket) {
            if (!points[bucket].empty()) {
                flushPoints(bucket);
            }
        }
        return true;
    }

    // Symbols over the points: a square of kSymbolMm scaled by Sx and Sy and turned by its
    // angle, with a tick from its centre to the side its angle points to; its number beside it
    // in the text pass.
    void symbolPass() {
        for (uint32_t f : symbols_) {
            const size_t layer = drawing_.layer(f);
            useSolidPen(layer, std::max(pens_[layer].widthF(), paper_.thinnestPen));
            const double half = kSymbolMm * paper_.perMm / 2;
            const double sx = SymbolScale(drawing_.scaleX(f)) * half;
            const double sy = SymbolScale(drawing_.scaleY(f)) * half;
            painter_.save();
            painter_.translate(view_.toScreen(drawing_.vertices(f)[0]));
            painter_.rotate(drawing_.angle(f) * 0.9);
            const QPointF square[4] = {{-sx, -sy}, {sx, -sy}, {sx, sy}, {-sx, sy}};
            painter_.drawPolygon(square, 4);
            painter_.drawLine(QPointF(0, 0), QPointF(0, -sy));
            painter_.restore();
        }
    }

    // Point numbers, symbol numbers, parcel names and labels, over everything else.
    void textPass() {
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
        font_ = QFont(QStringLiteral("DejaVu Sans"));
        font_.setPixelSize(kNameFontPixels);
        painter_.setFont(font_);
        const double nameSize = paper_.sheet ? kSheetNameMm * paper_.perMm : kNameFontPixels;
        // By layer, so that the pen changes once a layer.
        std::stable_sort(numbered_.begin(), numbered_.end(), [this](uint32_t a, uint32_t b) {
            return drawing_.layer(a) < drawing_.layer(b);
        });
        for (uint32_t f : numbered_) {
            painter_.setPen(colours_[drawing_.layer(f)]);
            drawText(view_.toScreen(drawing_.vertices(f)[0]) + QPointF(5, -4) * k_, nameSize, 0,
                     DrawnText(drawing_.text(f)), false);
        }
        for (uint32_t f : symbols_) {
            painter_.setPen(colours_[drawing_.layer(f)]);
            const double reach = SymbolScale(drawing_.scaleX(f)) * kSymbolMm * paper_.perMm / 2;
            drawText(view_.toScreen(drawing_.vertices(f)[0]) + QPointF(reach + 2 * k_, -2 * k_),
                     nameSize, 0, DrawnText(drawing_.text(f)), false);
        }
        for (const auto& [centre, f] : parcelNames_) {
            painter_.setPen(colours_[drawing_.layer(f)]);
            drawText(centre, nameSize, 0, DrawnText(drawing_.text(f)), true);
        }
        for (uint32_t f : labels_) {
            const double size = std::fabs(drawing_.height(f)) * view_.scale;
            painter_.setPen(colours_[drawing_.layer(f)]);
            // "Açı" is in grads clockwise from grid north; 100 grads reads left to right.
            drawText(view_.toScreen(drawing_.vertices(f)[0]),
                     paper_.sheet ? size : std::min(size, 4000.0), drawing_.angle(f) * 0.9 - 90.0,
                     DrawnText(drawing_.text(f)), drawing_.centred(f));
        }
    }

    // A symbol's scale as drawn: its size, within reason; a scale of 0 draws the plain marker.
    static double SymbolScale(float scale) {
        const double s = std::fabs(static_cast<double>(scale));
        return s == 0 ? 1.0 : std::clamp(s, 0.05, 20.0);
    }

    QPainter& painter_;
    const Drawing& drawing_;
    const ViewTransform& view_;
    const RenderFilter& filter_;
    const PaperUnits& paper_;
    const double k_;  // surface units a screen pixel
    const std::atomic<bool>* cancel_;
    const size_t layerCount_;
    const QRectF screen_;
    const Bounds area_;
    bool wholeDrawing_ = false;
    uint64_t visited_ = 0;
    RenderStats stats_;
    std::vector<QColor> colours_;
    std::vector<QPen> pens_;
    QFont font_;
    int penLayer_ = -1;
    size_t pointCount_ = 0;
    std::vector<uint32_t> labels_;
    std::vector<uint32_t> symbols_;
    std::vector<std::pair<QPointF, uint32_t>> parcelNames_;
    std::vector<uint32_t> numbered_;
};

}  // namespace

QColor LayerColour(const DrawingLayer& layer, QColor foreground) {
    if (layer.colour == 7) {
        return foreground;
    }
    if (layer.colour >= 1 && layer.colour <= 255) {
        return QColor::fromRgb(AciRgb(layer.colour));
    }
    uint32_t hash = 2166136261u;
    for (char c : layer.name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return QColor::fromHsv(static_cast<int>(hash % 360), 200, 160);
}

QPen LayerPen(const DrawingLayer& layer, const PaperUnits& paper) {
    const double mm = layer.thickness > 0 ? layer.thickness : kDefaultPenMm;
    // A screen's pens are whole pixels: a pen of 1.3 pixels would be drawn unevenly.
    const double width = paper.sheet ? std::max(mm * paper.perMm, paper.thinnestPen)
                                     : std::max(std::round(mm * paper.perMm), paper.thinnestPen);
    QPen pen(LayerColour(layer), width);
    // Widths are in the surface's units, also on a printer's preview, which scales the page.
    pen.setCosmetic(false);
    pen.setCapStyle(Qt::FlatCap);
    const std::span<const double> pattern = LineTypeOf(layer.lineType).pattern;
    if (!pattern.empty()) {
        // Qt measures dashes in pen widths; a dash of 0 (a dot) is one width long.
        QList<qreal> dashes;
        for (double mmLength : pattern) {
            dashes << std::max(mmLength * paper.perMm / width, mmLength == 0 ? 1.0 : 0.0);
        }
        pen.setDashPattern(dashes);
    }
    return pen;
}

RenderStats RenderDrawing(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter, const std::atomic<bool>* cancel) {
    return RenderDrawing(painter, drawing, view, filter, PaperUnits(), cancel);
}

RenderStats RenderDrawing(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter, const PaperUnits& paper,
                          const std::atomic<bool>* cancel) {
    return PicturePainter(painter, drawing, view, filter, paper, cancel).paint();
}

ViewTransform ViewTransform::fit(const Bounds& extent, int width, int height, int margin) {
    ViewTransform view;
    view.width = width;
    view.height = height;
    if (extent.empty()) {
        return view;
    }
    // Halves first: the sum or difference of coordinates near a double's limit would overflow.
    view.centerEast = extent.minEast / 2 + extent.maxEast / 2;
    view.centerNorth = extent.minNorth / 2 + extent.maxNorth / 2;
    const double halfW = std::max(extent.maxEast / 2 - extent.minEast / 2, 5e-7);
    const double halfH = std::max(extent.maxNorth / 2 - extent.minNorth / 2, 5e-7);
    const double usableW = std::max(width - 2 * margin, 1);
    const double usableH = std::max(height - 2 * margin, 1);
    view.scale =
        std::clamp(std::min(usableW / 2 / halfW, usableH / 2 / halfH), kMinScale, kMaxScale);
    return view;
}

}  // namespace plotaktar
