#include <string>

#include "drawing/drawing_sources.h"
#include "plotfile/plot_reader.h"

namespace plotaktar {

namespace {

// The point kind whose prefix ("N.", "P.") the number carries; a detail point without one.
FeatureKind PointKind(std::string_view number) {
    for (const FeatureKindEntry& entry : kFeatureKindRows) {
        const std::string_view prefix = KindOf(entry.kind).pointPrefix;
        if (!prefix.empty() && number.starts_with(prefix)) {
            return entry.feature;
        }
    }
    return FeatureKind::Detail;
}

}  // namespace

bool ParseCornerLine(std::string_view line, std::vector<Vertex>& corners) {
    return plot::ForEachCorner(line, [&](std::string_view y, std::string_view x) {
        Vertex v;
        if (!ParseCoordinate(y, v.east) || !ParseCoordinate(x, v.north)) {
            return false;
        }
        corners.push_back(v);
        return true;
    });
}

Drawing DrawingFromPlotBytes(std::string_view bytes) {
    Drawing drawing;
    drawing.fromPlotFile = true;
    plot::PlotLines lines(bytes);
    std::string_view line;
    std::vector<Vertex> corners;
    auto add = [&](FeatureKind kind, std::string_view layer, std::span<const Vertex> vertices,
                   std::string_view text, uint32_t number, uint64_t offset, double height = 0,
                   double angle = 0) {
        drawing.add(kind, drawing.layerIndex(layer), number, vertices, text, height, angle);
        drawing.lineOffsets.push_back(offset);
    };
    plot::PlotLineCounts lineCounts;
    while (lines.next(line)) {
        const uint32_t number = lines.number();
        const uint64_t offset = lines.start();
        switch (lineCounts.count(line)) {
            case plot::RecordType::Layer:
                drawing.layerIndex(plot::ReadLayerRecord(line).name);
                break;
            case plot::RecordType::Point: {
                const plot::PointRecord point = plot::ReadPointRecord(line);
                Vertex v;
                if (!ParseCoordinate(point.y, v.east) || !ParseCoordinate(point.x, v.north)) {
                    ++drawing.counts().unreadable;
                    break;
                }
                add(PointKind(point.number), point.layer, {&v, 1}, point.number, number, offset);
                break;
            }
            case plot::RecordType::Label: {
                const plot::LabelRecord label = plot::ReadLabelRecord(line);
                Vertex v;
                double h = 0, a = 0;
                if (!ParseCoordinate(label.y, v.east) || !ParseCoordinate(label.x, v.north) ||
                    !ParseCoordinate(label.height, h) || !ParseCoordinate(label.angle, a)) {
                    ++drawing.counts().unreadable;
                    break;
                }
                add(FeatureKind::Label, label.layer, {&v, 1}, label.text, number, offset, h, a);
                break;
            }
            case plot::RecordType::Line: {
                const plot::LineRecord record = plot::ReadLineRecord(line);
                Vertex v[2];
                if (!ParseCoordinate(record.y1, v[0].east) ||
                    !ParseCoordinate(record.x1, v[0].north) ||
                    !ParseCoordinate(record.y2, v[1].east) ||
                    !ParseCoordinate(record.x2, v[1].north)) {
                    ++drawing.counts().unreadable;
                    break;
                }
                add(FeatureKind::Line, record.layer, v, {}, number, offset);
                break;
            }
            case plot::RecordType::Parcel: {
                const plot::ParcelRecord parcel = plot::ReadParcelRecord(line);
                std::string_view cornerLine;
                bool hasCorners = lines.next(cornerLine);
                corners.clear();
                if (!hasCorners || cornerLine.empty() || !ParseCornerLine(cornerLine, corners)) {
                    ++drawing.counts().unreadable;
                    break;
                }
                add(FeatureKind::Parcel, parcel.layer, corners, parcel.name, number, offset);
                break;
            }
            case plot::RecordType::Other:
                break;
        }
    }
    drawing.counts().recordLines = lineCounts.records;
    drawing.counts().skippedLines = lineCounts.skipped;
    drawing.finish();
    return drawing;
}

}  // namespace plotaktar
