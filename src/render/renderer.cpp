#include "render/renderer.h"

#include <QFont>
#include <QPainter>
#include <QPolygonF>
#include <cmath>

#include "model/cp1254.h"

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

struct Buckets {
    std::vector<std::vector<QLineF>> lines;
    std::vector<std::vector<QPointF>> polygonPoints;
    std::vector<std::vector<int>> polygonSizes;
    std::vector<std::vector<QPointF>> points[3];
    std::vector<uint32_t> pointFeatures;
    std::vector<uint32_t> labels;
    std::vector<std::pair<QPointF, uint32_t>> parcelNames;
};

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

QString DecodeCp1254(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    for (size_t i = 0; i < bytes.size(); ++i) {
        text[static_cast<qsizetype>(i)] =
            QChar(Cp1254ToUnicode(static_cast<unsigned char>(bytes[i])));
    }
    return text;
}

RenderStats RenderDrawing(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter, const std::atomic<bool>* cancel) {
    RenderStats stats;
    const size_t layerCount = drawing.layers().size();
    Buckets b;
    b.lines.resize(layerCount);
    b.polygonPoints.resize(layerCount);
    b.polygonSizes.resize(layerCount);
    for (auto& kind : b.points) {
        kind.resize(layerCount);
    }
    const QRectF screen(-8, -8, view.width + 16, view.height + 16);
    Bounds area = view.visibleArea();
    uint64_t visited = 0;
    auto cancelled = [&] {
        return cancel != nullptr && (++visited & 0xfff) == 0 &&
               cancel->load(std::memory_order_relaxed);
    };

    size_t pointCount = 0;
    drawing.grid().query(area, [&](uint32_t f) {
        if (cancelled()) {
            stats.cancelled = true;
            return false;
        }
        if (!filter.shows(drawing, f)) {
            return true;
        }
        const uint16_t layer = drawing.layer(f);
        const auto vertices = drawing.vertices(f);
        switch (drawing.kind(f)) {
            case FeatureKind::Triangulation:
            case FeatureKind::Traverse:
            case FeatureKind::Detail: {
                QPointF p = view.toScreen(vertices[0]);
                if (Near(p, screen)) {
                    b.points[static_cast<int>(drawing.kind(f))][layer].push_back(p);
                    b.pointFeatures.push_back(f);
                    ++pointCount;
                    ++stats.drawn;
                }
                break;
            }
            case FeatureKind::Line: {
                QPointF p0 = view.toScreen(vertices[0]), p1 = view.toScreen(vertices[1]);
                if (QRectF(p0, p1).normalized().adjusted(-1, -1, 1, 1).intersects(screen)) {
                    if (std::fabs(p0.x() - p1.x()) < 1 && std::fabs(p0.y() - p1.y()) < 1) {
                        ++stats.leftOut;
                    } else {
                        b.lines[layer].emplace_back(p0, p1);
                        ++stats.drawn;
                    }
                }
                break;
            }
            case FeatureKind::Parcel: {
                QRectF box;
                std::vector<QPointF>& out = b.polygonPoints[layer];
                const size_t start = out.size();
                double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
                for (const Vertex& v : vertices) {
                    QPointF p = view.toScreen(v);
                    minX = std::min(minX, p.x());
                    maxX = std::max(maxX, p.x());
                    minY = std::min(minY, p.y());
                    maxY = std::max(maxY, p.y());
                    out.push_back(p);
                }
                box = QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
                if (!box.adjusted(-1, -1, 1, 1).intersects(screen)) {
                    out.resize(start);
                } else if (box.width() < 1 && box.height() < 1) {
                    out.resize(start);
                    ++stats.leftOut;
                } else {
                    b.polygonSizes[layer].push_back(static_cast<int>(vertices.size()));
                    ++stats.drawn;
                    if (box.width() >= kParcelNamePixels) {
                        b.parcelNames.emplace_back(box.center(), f);
                    }
                }
                break;
            }
            case FeatureKind::Label: {
                const double pixels = std::fabs(drawing.height(f)) * view.scale;
                QPointF p = view.toScreen(vertices[0]);
                const double reach = pixels * (0.7 * drawing.text(f).size() + 1);
                if (!QRectF(p.x() - reach, p.y() - reach, 2 * reach, 2 * reach)
                         .intersects(screen)) {
                    break;
                }
                if (pixels < kLegiblePixels) {
                    ++stats.leftOut;
                } else {
                    b.labels.push_back(f);
                    ++stats.drawn;
                }
                break;
            }
        }
        return true;
    });
    if (stats.cancelled) {
        return stats;
    }

    painter.save();
    painter.setBrush(Qt::NoBrush);
    std::vector<QColor> colours(layerCount);
    for (size_t l = 0; l < layerCount; ++l) {
        colours[l] = LayerColour(drawing.layers()[l]);
    }
    QPen pen;
    pen.setCosmetic(true);
    pen.setWidthF(1.0);
    for (size_t l = 0; l < layerCount; ++l) {
        pen.setColor(colours[l]);
        painter.setPen(pen);
        const QPointF* points = b.polygonPoints[l].data();
        for (int n : b.polygonSizes[l]) {
            painter.drawPolygon(points, n);
            points += n;
        }
        if (!b.lines[l].empty()) {
            painter.drawLines(b.lines[l].data(), static_cast<int>(b.lines[l].size()));
        }
    }
    const bool dots = pointCount > kMaxPointSymbols;
    for (int kind = 0; kind < 3; ++kind) {
        pen.setWidthF(kind == 2 || dots ? 2.0 : 1.2);
        for (size_t l = 0; l < layerCount; ++l) {
            if (!b.points[kind][l].empty()) {
                pen.setColor(colours[l]);
                painter.setPen(pen);
                DrawPointSymbols(painter, kind, b.points[kind][l], dots);
            }
        }
    }

    painter.setRenderHint(QPainter::TextAntialiasing, true);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(kNameFontPixels);
    painter.setFont(font);
    if (filter.pointNumbers && pointCount <= kMaxPointNumbers) {
        for (uint32_t f : b.pointFeatures) {
            painter.setPen(colours[drawing.layer(f)]);
            painter.drawText(view.toScreen(drawing.vertices(f)[0]) + QPointF(5, -4),
                             DecodeCp1254(drawing.text(f)));
        }
    }
    for (const auto& [centre, f] : b.parcelNames) {
        painter.setPen(colours[drawing.layer(f)]);
        const QString name = DecodeCp1254(drawing.text(f));
        QRectF box(centre.x() - 100, centre.y() - 10, 200, 20);
        painter.drawText(box, Qt::AlignCenter, name);
    }
    for (uint32_t f : b.labels) {
        const double pixels = std::min(std::fabs(drawing.height(f)) * view.scale, 4000.0);
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
        painter.setFont(font);
        painter.setPen(colours[drawing.layer(f)]);
        painter.save();
        painter.translate(view.toScreen(drawing.vertices(f)[0]));
        // "Açı" is in grads clockwise from grid north; 100 grads reads left to right.
        painter.rotate(drawing.angle(f) * 0.9 - 90.0);
        painter.drawText(QPointF(0, 0), DecodeCp1254(drawing.text(f)));
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
    view.centerEast = (extent.minEast + extent.maxEast) / 2;
    view.centerNorth = (extent.minNorth + extent.maxNorth) / 2;
    const double w = std::max(extent.maxEast - extent.minEast, 1e-6);
    const double h = std::max(extent.maxNorth - extent.minNorth, 1e-6);
    const double usableW = std::max(width - 2 * margin, 1);
    const double usableH = std::max(height - 2 * margin, 1);
    view.scale = std::min(usableW / w, usableH / h);
    return view;
}

}  // namespace plotaktar
