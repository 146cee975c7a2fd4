#include <algorithm>
#include <string>

#include "drawing/drawing_sources.h"
#include "model/point_names.h"
#include "model/text.h"

namespace plotaktar {

namespace {

// The layers of LayerTable as drawing layers, looked up by a layer-number cell.
class LayerLookup {
  public:
    LayerLookup(const Workspace& workspace, Drawing& drawing)
        : workspace_(workspace), drawing_(drawing) {
        // The layers the plot file declares come first, in its order.
        if (Loaded(workspace.flags, Kind::Tabaka)) {
            for (int row = 1; row <= kLayerRows; ++row) {
                if (workspace.layerTable.field(row, kLayerUsedField) == "1") {
                    (void)of(IntToStr(row));
                }
            }
        }
    }

    // A cell that names no LayerTable row gives the layer without a name, as the plot file
    // would show it.
    uint16_t of(std::string_view cell) {
        std::optional<int32_t> row = TryStrToInt(cell);
        if (!row || *row < 1 || *row > kLayerRows) {
            return drawing_.layerIndex("");
        }
        const LayerTable& table = workspace_.layerTable;
        const Columns& columns = ColumnsOf(Kind::Tabaka);
        auto field = [&](int column) { return table.field(*row, LayerField(column)); };
        DrawingLayer pen;
        const std::optional<int32_t> colour = TryStrToInt(Trim(field(columns.colour)));
        pen.colour = colour && *colour >= 1 && *colour <= 255 ? *colour : 0;
        pen.lineType = LineTypeOfCell(field(columns.lineType));
        double thickness = 0;
        if (ParseCoordinate(Trim(field(columns.thickness)), thickness) && thickness > 0) {
            pen.thickness = static_cast<float>(std::min(thickness, kThickestPen));
        }
        pen.on = TryStrToInt(Trim(field(columns.onOff))) != 0;
        return drawing_.layerIndex(field(columns.name), pen);
    }

  private:
    // Pen widths beyond this many millimetres are taken as this, so that a stray value cannot
    // paint a sheet over.
    static constexpr double kThickestPen = 20.0;
    const Workspace& workspace_;
    Drawing& drawing_;
};

// The feature kind whose features come from a kind's rows.
FeatureKind FeatureOf(Kind kind) {
    for (const FeatureKindEntry& entry : kFeatureKindRows) {
        if (entry.kind == kind) {
            return entry.feature;
        }
    }
    return FeatureKind::Detail;  // not reached: every drawn kind has a row
}

void AddPoints(const Table& table, const Columns& c, FeatureKind kind, LayerLookup& layers,
               Drawing& drawing) {
    for (int row = 1; row < table.rowCount(); ++row) {
        Vertex v;
        if (!ParseCoordinate(table.cell(c.y, row), v.east) ||
            !ParseCoordinate(table.cell(c.x, row), v.north)) {
            ++drawing.counts().unreadable;
            continue;
        }
        drawing.add(kind, layers.of(table.cell(c.layer, row)), static_cast<uint32_t>(row), {&v, 1},
                    table.cell(c.number, row));
    }
}

void AddLabels(const Table& table, const Columns& c, FeatureKind kind, LayerLookup& layers,
               Drawing& drawing) {
    for (int row = 1; row < table.rowCount(); ++row) {
        Vertex v;
        double height = 0, angle = 0;
        if (!ParseCoordinate(table.cell(c.y, row), v.east) ||
            !ParseCoordinate(table.cell(c.x, row), v.north) ||
            !ParseCoordinate(table.cell(c.height, row), height) ||
            !ParseCoordinate(table.cell(c.angle, row), angle)) {
            ++drawing.counts().unreadable;
            continue;
        }
        const bool centred = TryStrToInt(Trim(table.cell(c.centred, row))) == 1;
        drawing.add(kind, layers.of(table.cell(c.layer, row)), static_cast<uint32_t>(row), {&v, 1},
                    table.cell(c.text, row), height, angle, centred);
    }
}

void AddLines(const Table& table, const Columns& c, FeatureKind kind, LayerLookup& layers,
              Drawing& drawing) {
    for (int row = 1; row < table.rowCount(); ++row) {
        Vertex v[2];
        if (!ParseCoordinate(table.cell(c.y, row), v[0].east) ||
            !ParseCoordinate(table.cell(c.x, row), v[0].north) ||
            !ParseCoordinate(table.cell(c.endY, row), v[1].east) ||
            !ParseCoordinate(table.cell(c.endX, row), v[1].north)) {
            ++drawing.counts().unreadable;
            continue;
        }
        drawing.add(kind, layers.of(table.cell(c.layer, row)), static_cast<uint32_t>(row), v, {});
    }
}

// Every parcel with readable corners, on the layer its layer number names.
void AddParcels(const Workspace& workspace, FeatureKind kind, LayerLookup& layers,
                Drawing& drawing) {
    const Table& parcels = workspace.table(TableId::Parcels);
    const Columns& c = ColumnsOf(Kind::Parsel);
    std::vector<Vertex> vertices;
    std::string name;
    for (int row = 1; row < parcels.rowCount(); ++row) {
        if (!ParcelCornersOf(workspace, row, vertices)) {
            ++drawing.counts().unreadable;
            continue;
        }
        name.assign(parcels.cell(c.block, row));
        name += '/';
        name += parcels.cell(c.parcel, row);
        drawing.add(kind, layers.of(parcels.cell(c.layer, row)), static_cast<uint32_t>(row),
                    vertices, name);
    }
}

// Symbols at the point their "Nokta No" names (a detail point of that number, else "N." or "P."
// followed by it). A symbol whose point is missing is left out and named, never placed by
// guess.
void AddSymbols(const Workspace& workspace, const Table& table, const Columns& c,
                LayerLookup& layers, Drawing& drawing) {
    constexpr size_t kNamedMissing = 20;
    const PointIndex points(workspace);
    DrawingCounts& counts = drawing.counts();
    for (int row = 1; row < table.rowCount(); ++row) {
        const std::string_view number = table.cell(c.number, row);
        const std::optional<PointRef> point = points.findRaw(number);
        if (!point) {
            ++counts.symbols;
            if (counts.missingSymbolPoints.size() < kNamedMissing) {
                counts.missingSymbolPoints.emplace_back(Trim(number));
            }
            continue;
        }
        const Table& pointTable = workspace.table(KindOf(point->kind).table);
        const Columns& pc = ColumnsOf(point->kind);
        Vertex v;
        double sx = 0, sy = 0, angle = 0;
        if (!ParseCoordinate(pointTable.cell(pc.y, point->row), v.east) ||
            !ParseCoordinate(pointTable.cell(pc.x, point->row), v.north) ||
            !ParseCoordinate(table.cell(c.scaleX, row), sx) ||
            !ParseCoordinate(table.cell(c.scaleY, row), sy) ||
            !ParseCoordinate(table.cell(c.angle, row), angle)) {
            ++counts.unreadable;
            continue;
        }
        drawing.addSymbol(layers.of(table.cell(c.layer, row)), static_cast<uint32_t>(row), v,
                          table.cell(c.symbol, row), sx, sy, angle);
    }
}

// The data rows of a kind's table when the last import loaded that kind.
size_t RowsIf(const Workspace& workspace, Kind kind) {
    return Loaded(workspace.flags, kind)
               ? static_cast<size_t>(workspace.table(KindOf(kind).table).rowCount() - 1)
               : 0;
}

// Room for everything the flagged tables can give: one vertex a point or label, two a line,
// and the parcels' stored corners.
void ReserveFor(const Workspace& workspace, Drawing& drawing) {
    size_t features = 0, vertices = 0, textBytes = 0;
    for (const KindEntry& kind : kKinds) {
        const size_t n = RowsIf(workspace, kind.kind);
        switch (kind.shape) {
            case Shape::None:
            case Shape::Layer:
                continue;
            case Shape::Point:
                vertices += n;
                textBytes += n * 8;
                break;
            case Shape::Symbol:
                vertices += n;
                textBytes += n * 16;
                break;
            case Shape::Text:
                vertices += n;
                textBytes += n * 24;
                break;
            case Shape::Line:
                vertices += 2 * n;
                break;
            case Shape::Polygon: {
                textBytes += n * 8;
                const Table& corners = workspace.table(TableId::ParcelCorners);
                for (size_t j = 1; j <= n; ++j) {
                    vertices += static_cast<size_t>(
                        std::max(corners.storedRows(static_cast<int>(j)), 1) - 1);
                }
                break;
            }
        }
        features += n;
    }
    drawing.reserve(features, vertices, textBytes);
}

}  // namespace

// A parcel's corners are its corner cells' Y and X, the values the plot file writes first in
// each corner's piece, so that the drawing of a plot file and of the workspace it came from
// agree.
bool ParcelCornersOf(const Workspace& workspace, int row, std::vector<Vertex>& corners) {
    const Table& parcels = workspace.table(TableId::Parcels);
    const Table& cornerTable = workspace.table(TableId::ParcelCorners);
    corners.clear();
    // A count that is not a number, or reaches beyond the corners stored (their empty cells
    // give no position), leaves the parcel out without walking it.
    const int32_t count =
        TryStrToInt(parcels.cell(ColumnsOf(Kind::Parsel).cornerCount, row)).value_or(0);
    if (count <= 0 || count >= cornerTable.storedRows(row)) {
        return false;
    }
    for (int k = 1; k <= count; ++k) {
        const CornerCell corner = SplitCornerCell(cornerTable.cell(row, k));
        Vertex v;
        if (!ParseCoordinate(corner.y, v.east) || !ParseCoordinate(corner.x, v.north)) {
            return false;
        }
        corners.push_back(v);
    }
    return true;
}

Drawing DrawingFromWorkspace(const Workspace& workspace) {
    Drawing drawing;
    ReserveFor(workspace, drawing);
    LayerLookup layers(workspace, drawing);
    for (Kind kind : kPlotOrder) {
        const KindEntry& entry = KindOf(kind);
        if (!Loaded(workspace.flags, kind)) {
            continue;
        }
        const Table& table = workspace.table(entry.table);
        const Columns& columns = ColumnsOf(kind);
        switch (entry.shape) {
            case Shape::None:
            case Shape::Layer:
                break;
            case Shape::Point:
                AddPoints(table, columns, FeatureOf(kind), layers, drawing);
                break;
            case Shape::Text:
                AddLabels(table, columns, FeatureOf(kind), layers, drawing);
                break;
            case Shape::Line:
                AddLines(table, columns, FeatureOf(kind), layers, drawing);
                break;
            case Shape::Polygon:
                AddParcels(workspace, FeatureOf(kind), layers, drawing);
                break;
            case Shape::Symbol:
                AddSymbols(workspace, table, columns, layers, drawing);
                break;
        }
    }
    DrawingCounts& counts = drawing.counts();
    counts.buildings = RowsIf(workspace, Kind::Bina);
    counts.slopes = RowsIf(workspace, Kind::Sev);
    drawing.finish();
    return drawing;
}

}  // namespace plotaktar
