#include "render/renderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "model/aci_palette.h"
#include "render/pdf_face.h"
#include "render/recorded_picture.h"
#include "render/text_places.h"
#include "render/text_run.h"

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
// Labels gathered into a text run (on a PDF) are measured at this size and scaled to theirs.
constexpr double kLabelRunUnits = 100;

// Geometry waits in small batches per layer and is drawn whenever a batch fills, so that a
// picture of a million features needs no million-entry arrays.
constexpr size_t kBatch = 1024;
// Pictures up to this many pixels draw each pixel's dot once (a marker of 4 bytes a pixel).
constexpr size_t kMaxCoveredPixels = size_t{16} << 20;

bool Near(QPointF p, const QRectF& area) {
    return area.contains(p);
}

// Markers of points; `k` is the surface's units a screen pixel.
template <typename Canvas>
void DrawPointSymbols(Canvas& painter, Marker marker, const std::vector<QPointF>& points, bool dots,
                      double k) {
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

// One picture of a drawing, painted in three passes over the features in view: outlines
// (lines and parcels), then the points over them, then the texts (point numbers, parcel names,
// labels) over everything. Each feature kind is handled by its shape and marker in the kinds
// table.
// The font of the texts of a picture, at the size of a screen's point numbers.
QFont NameFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(kNameFontPixels);
    return font;
}

// Draws what was added to `run` onto `painter`.
template <typename Canvas>
void DrawRun(Canvas& painter, TextRun& run) {
    if (run.empty()) {
        return;
    }
    if constexpr (requires { painter.drawTextRun(run); }) {
        painter.drawTextRun(run);
    } else {
        painter.drawGlyphRun(QPointF(0, 0), run.take());
    }
}

// `Canvas` is a QPainter, or a PictureRecorder for a PDF's painter, or a PdfContentWriter
// writing a PDF's page content (`pdf`: the painter writes a PDF, which takes gathered texts and
// batched paths).
template <typename Canvas>
class PicturePainter {
  public:
    PicturePainter(Canvas& painter, bool pdf, const RecordingFonts* fonts, const Drawing& drawing,
                   const ViewTransform& view, const RenderFilter& filter, const PaperUnits& paper,
                   const std::atomic<bool>* cancel)
        : painter_(painter),
          pdf_(pdf),
          fonts_(fonts),
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
        // A PDF writes each path with the pen it differs in: parcels in storage order, their
        // layers mixed, wrote a pen for nearly every one. There a layer's parcels are one path a
        // batch, drawn with the lines.
        const bool parcelPaths = pdf_;
        std::vector<QPainterPath> parcels(parcelPaths ? layerCount_ : 0);
        // A PDF writes a coordinate in whole units in half the digits of any other. Where a
        // millimetre is many units (a sheet's fiftieth of a millimetre), lines and parcels stand
        // at the nearest whole unit: the pages are a quarter smaller, and quicker to write,
        // for a hundredth of a millimetre at most.
        const bool whole = parcelPaths && paper_.perMm >= 10;
        auto placed = [whole](QPointF p) {
            return whole ? QPointF(std::round(p.x()), std::round(p.y())) : p;
        };
        std::vector<size_t> parcelCounts(parcels.size());
        auto flushParcels = [&](size_t layer) {
            usePen(layer);
            painter_.drawPath(parcels[layer]);
            parcels[layer].clear();
            parcelCounts[layer] = 0;
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
                    lines[layer].emplace_back(placed(p0), placed(p1));
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
                    if (parcelPaths) {
                        QPolygonF corners(static_cast<qsizetype>(outline.size()));
                        for (size_t c = 0; c < outline.size(); ++c) {
                            corners[static_cast<qsizetype>(c)] = placed(outline[c]);
                        }
                        parcels[layer].addPolygon(corners);
                        parcels[layer].closeSubpath();
                        if (++parcelCounts[layer] >= kBatch) {
                            flushParcels(layer);
                        }
                    } else {
                        usePen(layer);
                        painter_.drawPolygon(outline.data(), static_cast<int>(outline.size()));
                    }
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
            if (parcelPaths && parcelCounts[l] > 0) {
                flushParcels(l);
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
    // in the text pass. A layer's symbols are one path (a batch of them in a picture of very
    // many), turned and placed here rather than by the painter's matrix, which a PDF would
    // write out with its pen for every symbol.
    void symbolPass() {
        std::vector<uint32_t> symbols = symbols_;
        std::stable_sort(symbols.begin(), symbols.end(), [this](uint32_t a, uint32_t b) {
            return drawing_.layer(a) < drawing_.layer(b);
        });
        QPainterPath path;
        auto flush = [&](size_t layer) {
            useSolidPen(layer, std::max(pens_[layer].widthF(), paper_.thinnestPen));
            painter_.drawPath(path);
            path.clear();
        };
        const double half = kSymbolMm * paper_.perMm / 2;
        size_t batch = 0;
        for (size_t i = 0; i < symbols.size(); ++i) {
            const uint32_t f = symbols[i];
            const double sx = SymbolScale(drawing_.scaleX(f)) * half;
            const double sy = SymbolScale(drawing_.scaleY(f)) * half;
            const QPointF at = view_.toScreen(drawing_.vertices(f)[0]);
            QTransform place;
            place.translate(at.x(), at.y());
            place.rotate(drawing_.angle(f) * 0.9);
            path.addPolygon(place.map(QPolygonF({{-sx, -sy}, {sx, -sy}, {sx, sy}, {-sx, sy}})));
            path.closeSubpath();
            path.moveTo(place.map(QPointF(0, 0)));
            path.lineTo(place.map(QPointF(0, -sy)));
            if (++batch == kBatch || i + 1 == symbols.size() ||
                drawing_.layer(symbols[i + 1]) != drawing_.layer(f)) {
                flush(drawing_.layer(f));
                batch = 0;
            }
        }
    }

    // Point numbers, symbol numbers, parcel names and labels, over everything else. Parcel
    // names stand at their parcel's middle; a number goes to the first of the four corners
    // beside its point or symbol where it covers no text placed before it (the parcel names,
    // then the point numbers, then the symbols'), and where none is free, to the first. On a PDF
    // the texts of one layer and size are one text object (TextRun).
    void textPass() {
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
        font_ = NameFont();
        painter_.setFont(font_);
        const double nameSize = paper_.sheet ? kSheetNameMm * paper_.perMm : kNameFontPixels;
        const bool runs = pdf_;
        // Whole units are fine enough where a millimetre is many of them (a PDF's page, not an
        // SVG's millimetres).
        TextRun names =
            fonts_ != nullptr ? fonts_->names : TextRun(font_, nameSize, paper_.perMm >= 10);
        TextPlaces places(names.capHeight());
        struct Placed {
            uint32_t feature;
            QPointF at;
            std::string_view text;
            bool centred;
        };
        std::vector<Placed> placed;
        placed.reserve(parcelNames_.size() + numbered_.size() + symbols_.size());
        for (const auto& [centre, f] : parcelNames_) {
            const std::string_view text = drawing_.text(f);
            const double width = names.width(text);
            places.take(
                QRectF(centre.x() - width / 2, centre.y() - places.cap() / 2, width, places.cap()));
            placed.push_back({f, centre, text, true});
        }
        auto beside = [&](uint32_t f, double across, double up) {
            const std::string_view text = drawing_.text(f);
            const QPointF at = view_.toScreen(drawing_.vertices(f)[0]);
            placed.push_back({f, places.beside(at, across, up, names.width(text)), text, false});
        };
        for (uint32_t f : numbered_) {
            beside(f, 5 * k_, 4 * k_);
        }
        for (uint32_t f : symbols_) {
            const double reach = SymbolScale(drawing_.scaleX(f)) * kSymbolMm * paper_.perMm / 2;
            beside(f, reach + 2 * k_, 2 * k_);
        }
        // By layer, so that the pen changes once a layer.
        std::stable_sort(placed.begin(), placed.end(), [this](const Placed& a, const Placed& b) {
            return drawing_.layer(a.feature) < drawing_.layer(b.feature);
        });
        for (size_t i = 0; i < placed.size(); ++i) {
            const Placed& text = placed[i];
            const uint16_t layer = drawing_.layer(text.feature);
            if (i == 0 || drawing_.layer(placed[i - 1].feature) != layer) {
                painter_.setPen(colours_[layer]);
            }
            if (!runs) {
                drawText(text.at, nameSize, 0, DrawnText(text.text), text.centred);
                continue;
            }
            names.add(text.at, text.text, text.centred);
            if (i + 1 == placed.size() || drawing_.layer(placed[i + 1].feature) != layer) {
                DrawRun(painter_, names);
            }
        }
        labelPass(runs);
    }

    // The drawing's labels at their points, height and angle. On a PDF the labels of one layer,
    // height and angle are one text object.
    void labelPass(bool runs) {
        auto sizeOf = [&](uint32_t f) {
            const double size = std::fabs(drawing_.height(f)) * view_.scale;
            return paper_.sheet ? size : std::min(size, 4000.0);
        };
        // "Açı" is in grads clockwise from grid north; 100 grads reads left to right.
        auto degreesOf = [&](uint32_t f) { return drawing_.angle(f) * 0.9 - 90.0; };
        TextRun labelRun =
            fonts_ != nullptr ? fonts_->labels : TextRun(font_, kLabelRunUnits, true);
        if (runs) {
            std::stable_sort(labels_.begin(), labels_.end(), [&](uint32_t a, uint32_t b) {
                return std::tuple(drawing_.layer(a), drawing_.height(a), drawing_.angle(a)) <
                       std::tuple(drawing_.layer(b), drawing_.height(b), drawing_.angle(b));
            });
        }
        const QTransform upright = painter_.transform();
        bool turned = false;
        for (size_t i = 0; i < labels_.size(); ++i) {
            const uint32_t f = labels_[i];
            if (i == 0 || drawing_.layer(labels_[i - 1]) != drawing_.layer(f)) {
                painter_.setPen(colours_[drawing_.layer(f)]);
            }
            const double size = sizeOf(f);
            // A run's font is sized in units of the surface; texts too small or too large for
            // one are drawn one by one.
            if (!runs || !(size >= 0.5 && size <= 4000)) {
                if (turned) {
                    painter_.setTransform(upright);
                    turned = false;
                }
                drawText(view_.toScreen(drawing_.vertices(f)[0]), size, degreesOf(f),
                         DrawnText(drawing_.text(f)), drawing_.centred(f));
                continue;
            }
            // The labels of the same layer, height and angle as this one, turned together.
            size_t end = i + 1;
            while (end < labels_.size() && drawing_.layer(labels_[end]) == drawing_.layer(f) &&
                   drawing_.height(labels_[end]) == drawing_.height(f) &&
                   drawing_.angle(labels_[end]) == drawing_.angle(f)) {
                ++end;
            }
            // Written at the run's own size and scaled to theirs, so that a PDF's one font
            // serves every height.
            QTransform turn;
            turn.rotate(degreesOf(f));
            turn.scale(size / kLabelRunUnits, size / kLabelRunUnits);
            const QTransform back = turn.inverted();
            for (size_t j = i; j < end; ++j) {
                const uint32_t g = labels_[j];
                labelRun.add(back.map(view_.toScreen(drawing_.vertices(g)[0])), drawing_.text(g),
                             drawing_.centred(g));
            }
            // The turn replaces the one before rather than being saved and restored: a PDF
            // writes out the whole state at each change, and a restore is a change of its own.
            painter_.setTransform(turn * upright);
            turned = true;
            DrawRun(painter_, labelRun);
            i = end - 1;
        }
        if (turned) {
            painter_.setTransform(upright);
        }
    }

    // A symbol's scale as drawn: its size, within reason; a scale of 0 draws the plain marker.
    static double SymbolScale(float scale) {
        const double s = std::fabs(static_cast<double>(scale));
        return s == 0 ? 1.0 : std::clamp(s, 0.05, 20.0);
    }

    Canvas& painter_;
    const bool pdf_;
    const RecordingFonts* fonts_;
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
    return PicturePainter<QPainter>(painter, TextRun::Suits(painter), nullptr, drawing, view,
                                    filter, paper, cancel)
        .paint();
}

RecordingFonts::RecordingFonts(const PaperUnits& paper)
    // As the text pass makes them: its font at the names' size, and at the labels' run size.
    : names(NameFont(), paper.sheet ? kSheetNameMm * paper.perMm : kNameFontPixels,
            paper.perMm >= 10),
      labels(NameFont(), kLabelRunUnits, true) {
    names.prepare();
    labels.prepare();
}

RenderStats RecordDrawing(RecordedPicture& picture, const RecordingFonts& fonts,
                          const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter, const PaperUnits& paper,
                          const std::atomic<bool>* cancel) {
    PictureRecorder recorder(picture);
    return PicturePainter<PictureRecorder>(recorder, true, &fonts, drawing, view, filter, paper,
                                           cancel)
        .paint();
}

RenderStats WritePdfDrawing(PdfContentWriter& writer, const RecordingFonts& fonts,
                            const Drawing& drawing, const ViewTransform& view,
                            const RenderFilter& filter, const PaperUnits& paper,
                            const std::atomic<bool>* cancel) {
    return PicturePainter<PdfContentWriter>(writer, true, &fonts, drawing, view, filter, paper,
                                            cancel)
        .paint();
}

Bounds DrawnExtent(const Drawing& drawing, const RenderFilter& filter) {
    Bounds extent = drawing.extent();
    if (extent.empty()) {
        return extent;
    }
    const double most =
        std::max({extent.maxEast - extent.minEast, extent.maxNorth - extent.minNorth, 1.0});
    // Texts measured at this many units a metre of height, as the pictures draw them.
    constexpr double kUnits = 100;
    QFont font(QStringLiteral("DejaVu Sans"));
    const TextRun measure(font, kUnits);
    for (uint32_t f = 0; f < drawing.size(); ++f) {
        if (drawing.kind(f) != FeatureKind::Label || !filter.shows(drawing, f)) {
            continue;
        }
        const double height = std::fabs(drawing.height(f));
        const double width = measure.width(drawing.text(f)) / kUnits * height;
        if (!(height > 0) || !(std::max(width, height) <= most)) {
            continue;
        }
        // The text's box on the surface's axes (y down) from its anchor, turned as drawn.
        const double left = drawing.centred(f) ? -width / 2 : 0;
        const double top = -height, bottom = 0.25 * height;
        QTransform turn;
        turn.rotate(drawing.angle(f) * 0.9 - 90.0);
        const QRectF box = turn.mapRect(QRectF(QPointF(left, top), QPointF(left + width, bottom)));
        const Vertex at = drawing.vertices(f)[0];
        // The surface's y runs south.
        extent.add(at.east + box.left(), at.north - box.bottom());
        extent.add(at.east + box.right(), at.north - box.top());
    }
    return extent;
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
    // A drawing smaller than a metre (one point, or all at one place) is shown as a metre
    // around its middle.
    const double halfW = std::max(extent.maxEast / 2 - extent.minEast / 2, 0.5);
    const double halfH = std::max(extent.maxNorth / 2 - extent.minNorth / 2, 0.5);
    const double usableW = std::max(width - 2 * margin, 1);
    const double usableH = std::max(height - 2 * margin, 1);
    view.scale =
        std::clamp(std::min(usableW / 2 / halfW, usableH / 2 / halfH), kMinScale, kMaxScale);
    return view;
}

}  // namespace plotaktar
