#include "compare/compared_drawing.h"

#include <limits>
#include <memory>

#include "drawing/drawing_loader.h"
#include "drawing/drawing_sources.h"
#include "import/import_files.h"
#include "import/source_lines.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/text.h"
#include "model/workspace.h"
#include "platform/files.h"
#include "plotfile/plot_reader.h"

namespace plotaktar::compare {

TextRef ComparedDrawing::keep(std::string_view text) {
    if (texts.size() + text.size() > std::numeric_limits<uint32_t>::max()) {
        throw Error("drawing too large to compare: more than 4 GiB of texts");
    }
    TextRef ref{static_cast<uint32_t>(texts.size()), static_cast<uint32_t>(text.size())};
    texts += text;
    return ref;
}

namespace {

// Hears the failing records of the import and passes everything on.
class FailureKeeper : public ImportObserver {
  public:
    FailureKeeper(ComparedDrawing& drawing, ImportObserver& next)
        : drawing_(drawing), next_(next) {}
    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        drawing_.failed.push_back({std::string(word), {0, static_cast<uint32_t>(lineNumber)}});
        next_.recordFailed(word, lineNumber);
    }
    void importProgress(std::string_view fileName, uint64_t done, uint64_t total) override {
        next_.importProgress(fileName, done, total);
    }
    void importWarning(const FileWarning& warning) override { next_.importWarning(warning); }

  private:
    ComparedDrawing& drawing_;
    ImportObserver& next_;
};

// The elements of an import's tables, each with the file line its row came from.
class WorkspaceReader {
  public:
    WorkspaceReader(const Workspace& workspace, const RowLines& lines, ComparedDrawing& drawing)
        : workspace_(workspace), lines_(lines), d_(drawing) {}

    void read() {
        readLayers();
        readPoints(Kind::Nirengi, FeatureKind::Triangulation);
        readPoints(Kind::Poligon, FeatureKind::Traverse);
        readPoints(Kind::Nokta, FeatureKind::Detail);
        readLines();
        readParcels();
        readLabels();
        readSymbols();
        readRecords(Kind::Bina, d_.buildings);
        readRecords(Kind::Sev, d_.slopes);
    }

  private:
    Source sourceOf(TableId table, int row) const {
        const RowLine line = lines_.of(table, row);
        return {static_cast<uint8_t>(line.file), line.line};
    }

    const Table* loaded(Kind kind) const {
        return Loaded(workspace_.flags, kind) ? &workspace_.table(KindOf(kind).table) : nullptr;
    }

    // The name of the layer a layer-number cell names; a number that names no declared layer
    // stands as "#" and the cell, so that a change of it still shows.
    TextRef layerOf(std::string_view cell) {
        const std::optional<int32_t> row = TryStrToInt(cell);
        if (row && *row >= 1 && *row <= kLayerRows) {
            const std::string& name =
                workspace_.layerTable.field(*row, LayerField(ColumnsOf(Kind::Tabaka).name));
            if (!name.empty()) {
                return d_.keep(name);
            }
        }
        return d_.keep("#" + std::string(cell));
    }

    void readLayers() {
        const Table* table = loaded(Kind::Tabaka);
        if (!table) {
            return;
        }
        const Columns& c = ColumnsOf(Kind::Tabaka);
        for (int row = 1; row < table->rowCount(); ++row) {
            ComparedLayer layer;
            layer.name = d_.keep(table->cell(c.name, row));
            layer.number = TryStrToInt(table->cell(c.number, row)).value_or(0);
            layer.used = layer.number >= 1 && layer.number <= kLayerRows &&
                         workspace_.layerTable.field(layer.number, kLayerUsedField) == "1";
            layer.colour = d_.keep(table->cell(c.colour, row));
            layer.lineType = d_.keep(table->cell(c.lineType, row));
            layer.thickness = d_.keep(table->cell(c.thickness, row));
            layer.onOff = d_.keep(table->cell(c.onOff, row));
            layer.source = sourceOf(TableId::Layers, row);
            d_.layers.push_back(layer);
        }
    }

    void readPoints(Kind kind, FeatureKind feature) {
        const Table* table = loaded(kind);
        if (!table) {
            return;
        }
        const Columns& c = ColumnsOf(kind);
        for (int row = 1; row < table->rowCount(); ++row) {
            ComparedPoint point;
            if (!ParseCoordinate(table->cell(c.y, row), point.at.east) ||
                !ParseCoordinate(table->cell(c.x, row), point.at.north)) {
                unreadable(KindOf(kind).table, row, kind);
                continue;
            }
            point.kind = feature;
            point.number = d_.keep(table->cell(c.number, row));
            point.z = d_.keep(table->cell(c.z, row));
            point.layer = layerOf(table->cell(c.layer, row));
            point.source = sourceOf(KindOf(kind).table, row);
            d_.points.push_back(point);
        }
    }

    void readLines() {
        const Table* table = loaded(Kind::Hat);
        if (!table) {
            return;
        }
        const Columns& c = ColumnsOf(Kind::Hat);
        for (int row = 1; row < table->rowCount(); ++row) {
            ComparedLine line;
            if (!ParseCoordinate(table->cell(c.y, row), line.ends[0].east) ||
                !ParseCoordinate(table->cell(c.x, row), line.ends[0].north) ||
                !ParseCoordinate(table->cell(c.endY, row), line.ends[1].east) ||
                !ParseCoordinate(table->cell(c.endX, row), line.ends[1].north)) {
                unreadable(TableId::Lines, row, Kind::Hat);
                continue;
            }
            line.from = d_.keep(table->cell(c.number, row));
            line.to = d_.keep(table->cell(c.endNumber, row));
            line.z[0] = d_.keep(table->cell(c.z, row));
            line.z[1] = d_.keep(table->cell(c.endZ, row));
            line.layer = layerOf(table->cell(c.layer, row));
            line.source = sourceOf(TableId::Lines, row);
            d_.lines.push_back(line);
        }
    }

    void readParcels() {
        const Table* table = loaded(Kind::Parsel);
        if (!table) {
            return;
        }
        const Columns& c = ColumnsOf(Kind::Parsel);
        std::vector<Vertex> corners;
        for (int row = 1; row < table->rowCount(); ++row) {
            ComparedParcel parcel;
            parcel.block = d_.keep(table->cell(c.block, row));
            parcel.parcel = d_.keep(table->cell(c.parcel, row));
            parcel.area = d_.keep(table->cell(c.area, row));
            parcel.layer = layerOf(table->cell(c.layer, row));
            parcel.source = sourceOf(TableId::Parcels, row);
            // A parcel whose corners do not read is compared by its number and area alone.
            if (ParcelCornersOf(workspace_, row, corners)) {
                parcel.firstCorner = static_cast<uint32_t>(d_.corners.size());
                parcel.corners = static_cast<uint32_t>(corners.size());
                d_.corners.insert(d_.corners.end(), corners.begin(), corners.end());
            }
            d_.parcels.push_back(parcel);
        }
    }

    void readLabels() {
        const Table* table = loaded(Kind::Yazi);
        if (!table) {
            return;
        }
        const Columns& c = ColumnsOf(Kind::Yazi);
        for (int row = 1; row < table->rowCount(); ++row) {
            ComparedLabel label;
            if (!ParseCoordinate(table->cell(c.y, row), label.at.east) ||
                !ParseCoordinate(table->cell(c.x, row), label.at.north)) {
                unreadable(TableId::Labels, row, Kind::Yazi);
                continue;
            }
            label.text = d_.keep(table->cell(c.text, row));
            label.layer = layerOf(table->cell(c.layer, row));
            label.source = sourceOf(TableId::Labels, row);
            d_.labels.push_back(label);
        }
    }

    void readSymbols() {
        const Table* table = loaded(Kind::Sembol);
        if (!table) {
            return;
        }
        const Columns& c = ColumnsOf(Kind::Sembol);
        for (int row = 1; row < table->rowCount(); ++row) {
            ComparedSymbol symbol;
            symbol.point = d_.keep(table->cell(c.number, row));
            symbol.symbol = d_.keep(table->cell(c.symbol, row));
            symbol.scaleX = d_.keep(table->cell(c.scaleX, row));
            symbol.scaleY = d_.keep(table->cell(c.scaleY, row));
            symbol.angle = d_.keep(table->cell(c.angle, row));
            symbol.layer = layerOf(table->cell(c.layer, row));
            symbol.source = sourceOf(TableId::Symbols, row);
            d_.symbols.push_back(symbol);
        }
    }

    void readRecords(Kind kind, std::vector<ComparedRecord>& records) {
        const Table* table = loaded(kind);
        if (!table) {
            return;
        }
        const Columns& c = ColumnsOf(kind);
        std::string fields;
        for (int row = 1; row < table->rowCount(); ++row) {
            fields.clear();
            for (int col = 1; col < table->colCount(); ++col) {
                if (col == c.number) {
                    continue;
                }
                if (col == c.layer) {
                    fields += d_.text(layerOf(table->cell(col, row)));
                } else {
                    fields += table->cell(col, row);
                }
                fields += ' ';
            }
            records.push_back({d_.keep(table->cell(c.number, row)), d_.keep(fields),
                               sourceOf(KindOf(kind).table, row)});
        }
    }

    // A record read whose coordinates are no numbers cannot be placed: it is a failed record
    // of its own, under its kind's word.
    void unreadable(TableId table, int row, Kind kind) {
        d_.failed.push_back({std::string(KindOf(kind).message), sourceOf(table, row)});
    }

    const Workspace& workspace_;
    const RowLines& lines_;
    ComparedDrawing& d_;
};

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

ComparedDrawing ComparedDrawingFromPlot(std::string_view bytes, const std::string& name) {
    ComparedDrawing d;
    d.files = {name};
    d.fromPlotFile = true;
    plot::PlotLines lines(bytes);
    std::string_view line;
    std::vector<Vertex> corners;
    plot::PlotLineCounts counts;
    auto failed = [&](std::string_view word, uint32_t number) {
        d.failed.push_back({std::string(word), {0, number}});
    };
    while (lines.next(line)) {
        const uint32_t number = lines.number();
        const Source source{0, number};
        switch (counts.count(line)) {
            case plot::RecordType::Layer: {
                ComparedLayer layer;
                layer.name = d.keep(plot::ReadLayerRecord(line).name);
                layer.source = source;
                d.layers.push_back(layer);
            } break;
            case plot::RecordType::Point: {
                const plot::PointRecord record = plot::ReadPointRecord(line);
                ComparedPoint point;
                if (!ParseCoordinate(record.y, point.at.east) ||
                    !ParseCoordinate(record.x, point.at.north)) {
                    failed("PN", number);
                    break;
                }
                point.kind = PointKind(record.number);
                point.number = d.keep(record.number);
                point.z = d.keep(record.z);
                point.layer = d.keep(record.layer);
                point.source = source;
                d.points.push_back(point);
                break;
            }
            case plot::RecordType::Label: {
                const plot::LabelRecord record = plot::ReadLabelRecord(line);
                ComparedLabel label;
                if (!ParseCoordinate(record.y, label.at.east) ||
                    !ParseCoordinate(record.x, label.at.north)) {
                    failed("YA", number);
                    break;
                }
                label.text = d.keep(record.text);
                label.layer = d.keep(record.layer);
                label.source = source;
                d.labels.push_back(label);
                break;
            }
            case plot::RecordType::Line: {
                const plot::LineRecord record = plot::ReadLineRecord(line);
                ComparedLine compared;
                if (!ParseCoordinate(record.y1, compared.ends[0].east) ||
                    !ParseCoordinate(record.x1, compared.ends[0].north) ||
                    !ParseCoordinate(record.y2, compared.ends[1].east) ||
                    !ParseCoordinate(record.x2, compared.ends[1].north)) {
                    failed("LX", number);
                    break;
                }
                compared.layer = d.keep(record.layer);
                compared.source = source;
                d.lines.push_back(compared);
                break;
            }
            case plot::RecordType::Parcel: {
                const plot::ParcelRecord record = plot::ReadParcelRecord(line);
                ComparedParcel parcel;
                const size_t slash = record.name.find('/');
                parcel.block = d.keep(record.name.substr(0, slash));
                parcel.parcel =
                    d.keep(slash == std::string_view::npos ? std::string_view()
                                                           : record.name.substr(slash + 1));
                parcel.layer = d.keep(record.layer);
                parcel.source = source;
                std::string_view cornerLine;
                corners.clear();
                if (lines.next(cornerLine) && !cornerLine.empty() &&
                    ParseCornerLine(cornerLine, corners)) {
                    parcel.firstCorner = static_cast<uint32_t>(d.corners.size());
                    parcel.corners = static_cast<uint32_t>(corners.size());
                    d.corners.insert(d.corners.end(), corners.begin(), corners.end());
                } else {
                    failed("L2", number);
                }
                d.parcels.push_back(parcel);
                break;
            }
            case plot::RecordType::Other:
                break;
        }
    }
    if (counts.records == 0 && counts.skipped > 0) {
        throw Error("not a plot file: none of its " + std::to_string(counts.skipped) +
                    " lines is a record of a plot file");
    }
    return d;
}

ComparedDrawing ReadComparedDrawing(const std::string& geometryOrPlot, const std::string& labels,
                                    ImportObserver& observer) {
    for (const std::string& file : {geometryOrPlot, labels}) {
        if (file.empty()) {
            continue;
        }
        if (std::string cause = platform::UnreadableCause(file); !cause.empty()) {
            throw Error(file + ": " + cause);
        }
    }
    if (IsPlotFilePath(geometryOrPlot)) {
        std::optional<SharedBytes> bytes = platform::ReadRegularFile(geometryOrPlot);
        if (!bytes) {
            throw Error(geometryOrPlot + ": cannot be read");
        }
        return ComparedDrawingFromPlot((*bytes)->view(), geometryOrPlot);
    }
    const ImportPaths paths{geometryOrPlot, labels,
                            labels.empty() ? std::string() : CompanionFileBeside(labels)};
    ComparedDrawing d;
    d.files = {paths.geometry, paths.labels, paths.companion};
    // The geometry file's lines are numbered before the import, so that its two readings are
    // not held at once; the workspace goes as soon as its elements are taken.
    RowLines lines;
    lines.readGeometry(paths.geometry);
    auto workspace = std::make_unique<Workspace>();
    FailureKeeper failures(d, observer);
    ImportFiles(*workspace, paths, failures);
    lines.readLabels(paths.labels, paths.companion, *workspace);
    WorkspaceReader(*workspace, lines, d).read();
    return d;
}

}  // namespace plotaktar::compare
