#include <algorithm>
#include <string>

#include "drawing/drawing_sources.h"
#include "export/plot_writer.h"
#include "model/text.h"

namespace plotaktar {

namespace {

bool FlagSet(const std::string& flag) {
    return flag == "1";
}

// The layers of LayerTable as drawing layers, looked up by a layer-number cell.
class LayerLookup {
  public:
    LayerLookup(const Workspace& workspace, Drawing& drawing)
        : workspace_(workspace), drawing_(drawing) {
        // The layers the plot file declares come first, in its order.
        if (FlagSet(workspace.flags.FlagTabaka)) {
            for (int row = 1; row <= kLayerRows; ++row) {
                if (workspace.layerTable.field(row, 8) == "1") {
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
        std::optional<int32_t> colour = TryStrToInt(table.field(*row, 4));
        return drawing_.layerIndex(table.field(*row, 3),
                                   colour && *colour >= 1 && *colour <= 7 ? *colour : 0);
    }

  private:
    const Workspace& workspace_;
    Drawing& drawing_;
};

void AddPoints(const Workspace& workspace, int grid, FeatureKind kind, LayerLookup& layers,
               Drawing& drawing) {
    const Table& table = workspace.grid(grid);
    for (int row = 1; row < table.rowCount(); ++row) {
        Vertex v;
        if (!ParseCoordinate(table.cell(3, row), v.east) ||
            !ParseCoordinate(table.cell(2, row), v.north)) {
            ++drawing.counts().unreadable;
            continue;
        }
        drawing.add(kind, layers.of(table.cell(5, row)), static_cast<uint32_t>(row), {&v, 1},
                    table.cell(1, row));
    }
}

void AddLabels(const Workspace& workspace, LayerLookup& layers, Drawing& drawing) {
    const Table& table = workspace.grid(6);
    for (int row = 1; row < table.rowCount(); ++row) {
        Vertex v;
        double height = 0, angle = 0;
        if (!ParseCoordinate(table.cell(3, row), v.east) ||
            !ParseCoordinate(table.cell(2, row), v.north) ||
            !ParseCoordinate(table.cell(4, row), height) ||
            !ParseCoordinate(table.cell(6, row), angle)) {
            ++drawing.counts().unreadable;
            continue;
        }
        drawing.add(FeatureKind::Label, layers.of(table.cell(7, row)), static_cast<uint32_t>(row),
                    {&v, 1}, table.cell(10, row), height, angle);
    }
}

void AddLines(const Workspace& workspace, LayerLookup& layers, Drawing& drawing) {
    const Table& table = workspace.grid(5);
    for (int row = 1; row < table.rowCount(); ++row) {
        Vertex v[2];
        if (!ParseCoordinate(table.cell(2, row), v[0].east) ||
            !ParseCoordinate(table.cell(3, row), v[0].north) ||
            !ParseCoordinate(table.cell(6, row), v[1].east) ||
            !ParseCoordinate(table.cell(7, row), v[1].north)) {
            ++drawing.counts().unreadable;
            continue;
        }
        drawing.add(FeatureKind::Line, layers.of(table.cell(9, row)), static_cast<uint32_t>(row), v,
                    {});
    }
}

// A parcel's corners are read as the plot file writes them, through CornerItem, so that the
// drawing of a plot file and of the workspace it came from agree.
void AddParcels(const Workspace& workspace, LayerLookup& layers, Drawing& drawing) {
    const Table& parcels = workspace.grid(8);
    const Table& corners = workspace.grid(11);
    std::string line;
    std::vector<Vertex> vertices;
    std::string name;
    for (int row = 1; row < parcels.rowCount(); ++row) {
        // A count that is not a number, or reaches beyond the corners stored (their empty
        // cells give no position), leaves the parcel out without walking it.
        int32_t count = TryStrToInt(parcels.cell(5, row)).value_or(0);
        if (count >= corners.storedRows(row)) {
            count = 0;
        }
        line.clear();
        for (int k = 1; k <= count; ++k) {
            for (std::string_view piece : CornerItem(corners.cell(row, k)).pieces()) {
                line += piece;
            }
        }
        vertices.clear();
        if (count <= 0 || !ParseCornerLine(line, vertices)) {
            ++drawing.counts().unreadable;
            continue;
        }
        name.assign(parcels.cell(1, row));
        name += '/';
        name += parcels.cell(2, row);
        drawing.add(FeatureKind::Parcel, layers.of(parcels.cell(4, row)),
                    static_cast<uint32_t>(row), vertices, name);
    }
}

uint64_t RowsIf(const Workspace& workspace, const std::string& flag, int grid) {
    return FlagSet(flag) ? static_cast<uint64_t>(workspace.grid(grid).rowCount() - 1) : 0;
}

// Room for everything the flagged tables can give: one vertex a point or label, two a line,
// and the parcels' stored corners.
void ReserveFor(const Workspace& workspace, Drawing& drawing) {
    const SectionFlags& flags = workspace.flags;
    size_t features = 0, vertices = 0, textBytes = 0;
    auto rows = [&](const std::string& flag, int grid) {
        return static_cast<size_t>(RowsIf(workspace, flag, grid));
    };
    for (auto [flag, grid] : {std::pair{&flags.FlagNirengi, 1}, std::pair{&flags.FlagPoligon, 2},
                              std::pair{&flags.FlagNokta, 3}}) {
        const size_t n = rows(*flag, grid);
        features += n;
        vertices += n;
        textBytes += n * 8;
    }
    const size_t labels = rows(flags.FlagYazi, 6);
    features += labels;
    vertices += labels;
    textBytes += labels * 24;
    const size_t lines = rows(flags.FlagHat, 5);
    features += lines;
    vertices += 2 * lines;
    const size_t parcels = rows(flags.FlagParsel, 8);
    features += parcels;
    textBytes += parcels * 8;
    if (parcels > 0) {
        const Table& corners = workspace.grid(11);
        for (size_t j = 1; j <= parcels; ++j) {
            vertices +=
                static_cast<size_t>(std::max(corners.storedRows(static_cast<int>(j)), 1) - 1);
        }
    }
    drawing.reserve(features, vertices, textBytes);
}

}  // namespace

Drawing DrawingFromWorkspace(const Workspace& workspace) {
    Drawing drawing;
    ReserveFor(workspace, drawing);
    LayerLookup layers(workspace, drawing);
    const SectionFlags& flags = workspace.flags;
    if (FlagSet(flags.FlagNirengi)) {
        AddPoints(workspace, 1, FeatureKind::Triangulation, layers, drawing);
    }
    if (FlagSet(flags.FlagPoligon)) {
        AddPoints(workspace, 2, FeatureKind::Traverse, layers, drawing);
    }
    if (FlagSet(flags.FlagYazi)) {
        AddLabels(workspace, layers, drawing);
    }
    if (FlagSet(flags.FlagNokta)) {
        AddPoints(workspace, 3, FeatureKind::Detail, layers, drawing);
    }
    if (FlagSet(flags.FlagHat)) {
        AddLines(workspace, layers, drawing);
    }
    if (FlagSet(flags.FlagParsel)) {
        AddParcels(workspace, layers, drawing);
    }
    drawing.counts().symbols = RowsIf(workspace, flags.FlagSembol, 7);
    drawing.counts().buildings = RowsIf(workspace, flags.FlagBina, 9);
    drawing.counts().slopes = RowsIf(workspace, flags.FlagSev, 10);
    drawing.finish();
    return drawing;
}

}  // namespace plotaktar
