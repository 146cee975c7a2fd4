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

void DrawPointSymbols(QPainter& painter, int kind, const std::vector<QPointF>& points, bool dots) {
    if (dots || kind == 2) {
        painter.drawPoints(points.data(), static_cast<int>(points.size()));
        return;
    }
    for (const QPointF& p : points) {
        if (kind == 0) {
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
    RenderStats stats;
    const size_t layerCount = drawing.layers().size();
    const QRectF screen(-8, -8, view.width + 16, view.height + 16);
    const Bounds area = view.visibleArea();
    const Bounds& extent = drawing.extent();
    const bool wholeDrawing = area.minEast <= extent.minEast && area.maxEast >= extent.maxEast &&
                              area.minNorth <= extent.minNorth && area.maxNorth >= extent.maxNorth;
    uint64_t visited = 0;
    // Calls `visit` for the features the view may touch that the filter shows; false when the
    // picture was cancelled meanwhile.
    auto forEachFeature = [&](auto&& visit) {
        auto each = [&](uint32_t f) {
            if ((++visited & 0xfff) == 0 && cancel != nullptr &&
                cancel->load(std::memory_order_relaxed)) {
                stats.cancelled = true;
                return false;
            }
            if (filter.shows(drawing, f)) {
                visit(f);
            }
            return true;
        };
        if (wholeDrawing) {
            // In storage order, which the caches like far better than the grid's cells.
            for (uint32_t f = 0; f < drawing.size() && each(f); ++f) {
            }
        } else {
            drawing.grid().query(area, each);
        }
        return !stats.cancelled;
    };

    std::vector<QColor> colours(layerCount);
    for (size_t l = 0; l < layerCount; ++l) {
        colours[l] = LayerColour(drawing.layers()[l]);
    }
    painter.save();
    painter.setBrush(Qt::NoBrush);
    QPen pen;
    pen.setCosmetic(true);
    pen.setWidthF(1.0);
    int penLayer = -1;
    auto usePen = [&](size_t layer) {
        if (penLayer != static_cast<int>(layer)) {
            penLayer = static_cast<int>(layer);
            pen.setColor(colours[layer]);
            painter.setPen(pen);
        }
    };

    // First pass: parcels and lines, drawn batch by batch; the points in view are counted and
    // the legible texts noted.
    std::vector<std::vector<QLineF>> lines(layerCount);
    std::vector<QPointF> outline;
    std::vector<uint32_t> labels;
    std::vector<std::pair<QPointF, uint32_t>> parcelNames;
    size_t pointCount = 0;
    auto flushLines = [&](size_t layer) {
        usePen(layer);
        painter.drawLines(lines[layer].data(), static_cast<int>(lines[layer].size()));
        lines[layer].clear();
    };
    const bool drawn = forEachFeature([&](uint32_t f) {
        const uint16_t layer = drawing.layer(f);
        const auto vertices = drawing.vertices(f);
        switch (drawing.kind(f)) {
            case FeatureKind::Triangulation:
            case FeatureKind::Traverse:
            case FeatureKind::Detail:
                if (Near(view.toScreen(vertices[0]), screen)) {
                    ++pointCount;
                    ++stats.drawn;
                }
                break;
            case FeatureKind::Line: {
                const QPointF p0 = view.toScreen(vertices[0]), p1 = view.toScreen(vertices[1]);
                if (!QRectF(p0, p1).normalized().adjusted(-1, -1, 1, 1).intersects(screen)) {
                    break;
                }
                if (std::fabs(p0.x() - p1.x()) < 1 && std::fabs(p0.y() - p1.y()) < 1) {
                    ++stats.leftOut;
                    break;
                }
                lines[layer].emplace_back(p0, p1);
                ++stats.drawn;
                if (lines[layer].size() >= kBatch) {
                    flushLines(layer);
                }
                break;
            }
            case FeatureKind::Parcel: {
                outline.clear();
                double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
                for (const Vertex& v : vertices) {
                    const QPointF p = view.toScreen(v);
                    minX = std::min(minX, p.x());
                    maxX = std::max(maxX, p.x());
                    minY = std::min(minY, p.y());
                    maxY = std::max(maxY, p.y());
                    outline.push_back(p);
                }
                const QRectF box(QPointF(minX, minY), QPointF(maxX, maxY));
                if (!box.adjusted(-1, -1, 1, 1).intersects(screen)) {
                    break;
                }
                if (box.width() < 1 && box.height() < 1) {
                    ++stats.leftOut;
                    break;
                }
                usePen(layer);
                painter.drawPolygon(outline.data(), static_cast<int>(outline.size()));
                ++stats.drawn;
                if (box.width() >= kParcelNamePixels) {
                    parcelNames.emplace_back(box.center(), f);
                }
                break;
            }
            case FeatureKind::Label: {
                const double pixels = std::fabs(drawing.height(f)) * view.scale;
                const QPointF p = view.toScreen(vertices[0]);
                const double reach = pixels * (0.7 * drawing.text(f).size() + 1);
                if (!QRectF(p.x() - reach, p.y() - reach, 2 * reach, 2 * reach)
                         .intersects(screen)) {
                    break;
                }
                if (pixels < kLegiblePixels) {
                    ++stats.leftOut;
                } else {
                    labels.push_back(f);
                    ++stats.drawn;
                }
                break;
            }
        }
    });
    if (!drawn) {
        painter.restore();
        return stats;
    }
    for (size_t l = 0; l < layerCount; ++l) {
        if (!lines[l].empty()) {
            flushLines(l);
        }
    }
    lines = {};

    // Second pass: points over the lines, as symbols, or as dots when so many are in view that
    // symbols would merge anyway.
    const bool dots = pointCount > kMaxPointSymbols;
    const bool numbers = filter.pointNumbers && pointCount <= kMaxPointNumbers;
    std::vector<std::vector<QPointF>> points(3 * layerCount);
    std::vector<uint32_t> numbered;
    // Dots are drawn once a pixel, so that what a picture holds (an SVG's elements above all)
    // stays within its resolution however many points share a spot.
    std::vector<uint32_t> covered;
    if (dots &&
        static_cast<size_t>(view.width) * static_cast<size_t>(view.height) <= kMaxCoveredPixels) {
        covered.assign(static_cast<size_t>(view.width) * static_cast<size_t>(view.height), 0);
    }
    auto flushPoints = [&](size_t bucket) {
        const int kind = static_cast<int>(bucket / layerCount);
        pen.setWidthF(kind == 2 || dots ? 2.0 : 1.2);
        penLayer = -1;
        usePen(bucket % layerCount);
        DrawPointSymbols(painter, kind, points[bucket], dots);
        points[bucket].clear();
    };
    if (pointCount > 0 && !forEachFeature([&](uint32_t f) {
            const int kind = static_cast<int>(drawing.kind(f));
            if (kind > 2) {
                return;
            }
            const QPointF p = view.toScreen(drawing.vertices(f)[0]);
            if (!Near(p, screen)) {
                return;
            }
            const size_t bucket = static_cast<size_t>(kind) * layerCount + drawing.layer(f);
            if (!covered.empty() && p.x() >= 0 && p.y() >= 0 && p.x() < view.width &&
                p.y() < view.height) {
                // A dot where one of the same colour and kind already is adds nothing.
                uint32_t& mark =
                    covered[static_cast<size_t>(p.y()) * view.width + static_cast<size_t>(p.x())];
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
                numbered.push_back(f);
            }
        })) {
        painter.restore();
        return stats;
    }
    for (size_t bucket = 0; bucket < points.size(); ++bucket) {
        if (!points[bucket].empty()) {
            flushPoints(bucket);
        }
    }

    painter.setRenderHint(QPainter::TextAntialiasing, true);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(kNameFontPixels);
    painter.setFont(font);
    for (uint32_t f : numbered) {
        painter.setPen(colours[drawing.layer(f)]);
        painter.drawText(view.toScreen(drawing.vertices(f)[0]) + QPointF(5, -4),
                         DrawnText(drawing.text(f)));
    }
    for (const auto& [centre, f] : parcelNames) {
        painter.setPen(colours[drawing.layer(f)]);
        const QRectF box(centre.x() - 100, centre.y() - 10, 200, 20);
        painter.drawText(box, Qt::AlignCenter, DrawnText(drawing.text(f)));
    }
    for (uint32_t f : labels) {
        const double pixels = std::min(std::fabs(drawing.height(f)) * view.scale, 4000.0);
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
        painter.setFont(font);
        painter.setPen(colours[drawing.layer(f)]);
        painter.save();
        painter.translate(view.toScreen(drawing.vertices(f)[0]));
        // "Açı" is in grads clockwise from grid north; 100 grads reads left to right.
        painter.rotate(drawing.angle(f) * 0.9 - 90.0);
        painter.drawText(QPointF(0, 0), DrawnText(drawing.text(f)));
        painter.restore();
    }
    painter.restore();
    return stats;
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
