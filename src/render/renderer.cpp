#include "render/renderer.h"

#include <QFont>
#include <QPainter>
#include <QPolygonF>
#include <cmath>

#include "qt/cp1254_text.h"

namespace plotaktar {

namespace {

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

void DrawPointSymbols(QPainter& painter, Marker marker, const std::vector<QPointF>& points,
                      bool dots) {
    if (dots || marker == Marker::Dot || marker == Marker::None) {
        painter.drawPoints(points.data(), static_cast<int>(points.size()));
        return;
    }
    for (const QPointF& p : points) {
        if (marker == Marker::Triangle) {
            const QPointF triangle[3] = {p + QPointF(0, -5), p + QPointF(4.5, 3),
                                         p + QPointF(-4.5, 3)};
            painter.drawPolygon(triangle, 3);
        } else {
            painter.drawEllipse(p, 3.5, 3.5);
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
                   const RenderFilter& filter, const std::atomic<bool>* cancel)
        : painter_(painter),
          drawing_(drawing),
          view_(view),
          filter_(filter),
          cancel_(cancel),
          layerCount_(drawing.layers().size()),
          screen_(-8, -8, view.width + 16, view.height + 16),
          area_(view.visibleArea()) {
        const Bounds& extent = drawing.extent();
        wholeDrawing_ = area_.minEast <= extent.minEast && area_.maxEast >= extent.maxEast &&
                        area_.minNorth <= extent.minNorth && area_.maxNorth >= extent.maxNorth;
        colours_.resize(layerCount_);
        for (size_t l = 0; l < layerCount_; ++l) {
            colours_[l] = LayerColour(drawing.layers()[l]);
        }
        pen_.setCosmetic(true);
        pen_.setWidthF(1.0);
    }

    RenderStats paint() {
        painter_.save();
        painter_.setBrush(Qt::NoBrush);
        if (outlinePass() && pointPass()) {
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
            pen_.setColor(colours_[layer]);
            painter_.setPen(pen_);
        }
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
                case Shape::Line: {
                    const QPointF p0 = view_.toScreen(vertices[0]);
                    const QPointF p1 = view_.toScreen(vertices[1]);
                    if (!QRectF(p0, p1).normalized().adjusted(-1, -1, 1, 1).intersects(screen_)) {
                        break;
                    }
                    if (std::fabs(p0.x() - p1.x()) < 1 && std::fabs(p0.y() - p1.y()) < 1) {
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
                    if (box.width() < 1 && box.height() < 1) {
                        ++stats_.leftOut;
                        break;
                    }
                    usePen(layer);
                    painter_.drawPolygon(outline.data(), static_cast<int>(outline.size()));
                    ++stats_.drawn;
                    if (box.width() >= kParcelNamePixels) {
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
                    if (pixels < kLegiblePixels) {
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
        const bool dots = pointCount_ > kMaxPointSymbols;
        const bool numbers = filter_.pointNumbers && pointCount_ <= kMaxPointNumbers;
        std::vector<std::vector<QPointF>> points(kFeatureKinds * layerCount_);
        // Dots are drawn once a pixel, so that what a picture holds (an SVG's elements above
        // all) stays within its resolution however many points share a spot.
        const size_t pixels = static_cast<size_t>(view_.width) * static_cast<size_t>(view_.height);
        std::vector<uint32_t> covered;
        if (dots && pixels <= kMaxCoveredPixels) {
            covered.assign(pixels, 0);
        }
        auto flushPoints = [&](size_t bucket) {
            const Marker marker =
                kFeatureKindRows[bucket / layerCount_].marker;  // buckets by kind, then layer
            pen_.setWidthF(marker == Marker::Dot || dots ? 2.0 : 1.2);
            penLayer_ = -1;
            usePen(bucket % layerCount_);
            DrawPointSymbols(painter_, marker, points[bucket], dots);
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

    // Point numbers, parcel names and labels, over everything else.
    void textPass() {
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(kNameFontPixels);
        painter_.setFont(font);
        for (uint32_t f : numbered_) {
            painter_.setPen(colours_[drawing_.layer(f)]);
            painter_.drawText(view_.toScreen(drawing_.vertices(f)[0]) + QPointF(5, -4),
                              DrawnText(drawing_.text(f)));
        }
        for (const auto& [centre, f] : parcelNames_) {
            painter_.setPen(colours_[drawing_.layer(f)]);
            const QRectF box(centre.x() - 100, centre.y() - 10, 200, 20);
            painter_.drawText(box, Qt::AlignCenter, DrawnText(drawing_.text(f)));
        }
        for (uint32_t f : labels_) {
            const double pixels = std::min(std::fabs(drawing_.height(f)) * view_.scale, 4000.0);
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
            painter_.setFont(font);
            painter_.setPen(colours_[drawing_.layer(f)]);
            painter_.save();
            painter_.translate(view_.toScreen(drawing_.vertices(f)[0]));
            // "Açı" is in grads clockwise from grid north; 100 grads reads left to right.
            painter_.rotate(drawing_.angle(f) * 0.9 - 90.0);
            painter_.drawText(QPointF(0, 0), DrawnText(drawing_.text(f)));
            painter_.restore();
        }
    }

    QPainter& painter_;
    const Drawing& drawing_;
    const ViewTransform& view_;
    const RenderFilter& filter_;
    const std::atomic<bool>* cancel_;
    const size_t layerCount_;
    const QRectF screen_;
    const Bounds area_;
    bool wholeDrawing_ = false;
    uint64_t visited_ = 0;
    RenderStats stats_;
    std::vector<QColor> colours_;
    QPen pen_;
    int penLayer_ = -1;
    size_t pointCount_ = 0;
    std::vector<uint32_t> labels_;
    std::vector<std::pair<QPointF, uint32_t>> parcelNames_;
    std::vector<uint32_t> numbered_;
};

}  // namespace

QColor LayerColour(const DrawingLayer& layer, QColor foreground) {
    switch (layer.colour) {
        case 1:
            return QColor(220, 0, 0);
        case 2:
            return QColor(200, 170, 0);
        case 3:
            return QColor(0, 160, 0);
        case 4:
            return QColor(0, 160, 180);
        case 5:
            return QColor(0, 0, 220);
        case 6:
            return QColor(200, 0, 200);
        case 7:
            return foreground;
        default:
            break;
    }
    uint32_t hash = 2166136261u;
    for (char c : layer.name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return QColor::fromHsv(static_cast<int>(hash % 360), 200, 160);
}

RenderStats RenderDrawing(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter, const std::atomic<bool>* cancel) {
    return PicturePainter(painter, drawing, view, filter, cancel).paint();
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
