#include "exchange/export_features.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

#include "drawing/drawing.h"
#include "exchange/coordinate_step.h"
#include "model/cp1254.h"
#include "model/point_names.h"
#include "model/text.h"

namespace plotaktar {

namespace {

constexpr uint64_t kProgressEvery = 4096;
// Why a value computed from finite cells is left out: no format can hold it.
constexpr const char kBeyondDoubles[] = "too large for a number of any format";

std::string Quoted(std::string_view cell) {
    return "'" + Utf8FromCp1254(QuotedCell(cell)) + "'";
}

// The reason a cell that must be a number is not, or nothing when it is one.
std::optional<std::string> NotANumber(std::string_view what, std::string_view cell, double& value) {
    if (ParseCoordinate(cell, value)) {
        return std::nullopt;
    }
    return std::string(what) + " " + Quoted(cell) + " is not a number";
}

std::optional<double> OptionalNumber(std::string_view cell) {
    double value = 0;
    if (ParseCoordinate(cell, value)) {
        return value;
    }
    return std::nullopt;
}

// A point strictly inside a simple polygon: the middle of the widest stretch that a horizontal
// line through the middle of its height cuts out of it (its centroid may lie outside).
Position InsidePoint(std::span<const Position> corners) {
    double low = corners[0].north, high = low;
    for (const Position& p : corners) {
        low = std::min(low, p.north);
        high = std::max(high, p.north);
    }
    const double y = (low + high) / 2;
    std::vector<double> cuts;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Position& a = corners[i];
        const Position& b = corners[(i + 1) % corners.size()];
        if ((a.north <= y) != (b.north <= y)) {
            cuts.push_back(a.east + (y - a.north) / (b.north - a.north) * (b.east - a.east));
        }
    }
    std::sort(cuts.begin(), cuts.end());
    Position inside{corners[0].east, y, std::nullopt};
    double widest = -1;
    for (size_t i = 0; i + 1 < cuts.size(); i += 2) {
        if (cuts[i + 1] - cuts[i] > widest) {
            widest = cuts[i + 1] - cuts[i];
            inside.east = (cuts[i] + cuts[i + 1]) / 2;
        }
    }
    return inside;
}

double CornerArea(std::span<const Position> corners) {
    // Relative to the first corner, so that coordinates in the millions lose no digits.
    double twice = 0;
    const Position& o = corners[0];
    for (size_t i = 1; i + 1 < corners.size(); ++i) {
        const double ax = corners[i].east - o.east, ay = corners[i].north - o.north;
        const double bx = corners[i + 1].east - o.east, by = corners[i + 1].north - o.north;
        twice += ax * by - bx * ay;
    }
    return std::fabs(twice) / 2;
}

}  // namespace

ExportFeatures::ExportFeatures(const Workspace& workspace, const CoordinateStep* systems)
    : workspace_(workspace), systems_(systems), layerIndex_(kLayerRows + 1, -1) {
    const Columns& c = ColumnsOf(Kind::Tabaka);
    const LayerTable& table = workspace.layerTable;
    for (int row = 1; row <= kLayerRows; ++row) {
        std::string_view name = table.field(row, LayerField(c.name));
        if (name.empty()) {
            continue;  // no layer record filled this row in the last import
        }
        ExportLayer layer;
        layer.number = row;
        layer.name = name;
        if (auto colour = TryStrToInt(table.field(row, LayerField(c.colour)));
            colour && *colour >= 1 && *colour <= 255) {
            layer.colour = *colour;
        }
        layer.lineType = LineTypeOfCell(table.field(row, LayerField(c.lineType)));
        layer.thickness = OptionalNumber(table.field(row, LayerField(c.thickness)));
        layer.on = Trim(table.field(row, LayerField(c.onOff))) != "0";
        layerIndex_[static_cast<size_t>(row)] = static_cast<int>(layers_.size());
        layers_.push_back(layer);
    }
}

uint64_t ExportFeatures::rowCount() const {
    uint64_t rows = 0;
    for (Kind kind : {Kind::Nirengi, Kind::Poligon, Kind::Nokta, Kind::Hat, Kind::Parsel,
                      Kind::Yazi, Kind::Sembol}) {
        if (Loaded(workspace_.flags, kind)) {
            rows += static_cast<uint64_t>(workspace_.table(KindOf(kind).table).rowCount() - 1);
        }
    }
    return rows;
}

namespace {

std::vector<ExportFeatures::FirstUse> DistinctCells(const Workspace& workspace, Kind kind,
                                                    int column) {
    std::vector<ExportFeatures::FirstUse> distinct;
    if (!Loaded(workspace.flags, kind)) {
        return distinct;
    }
    std::set<std::string_view> seen;
    const Table& table = workspace.table(KindOf(kind).table);
    for (int row = 1; row < table.rowCount(); ++row) {
        std::string_view cell = Trim(table.cell(column, row));
        if (!cell.empty() && seen.insert(cell).second) {
            distinct.push_back({cell, {KindOf(kind).table, row}});
        }
    }
    return distinct;
}

}  // namespace

std::vector<ExportFeatures::FirstUse> ExportFeatures::fonts() const {
    return DistinctCells(workspace_, Kind::Yazi, ColumnsOf(Kind::Yazi).font);
}

std::vector<ExportFeatures::FirstUse> ExportFeatures::symbolNumbers() const {
    return DistinctCells(workspace_, Kind::Sembol, ColumnsOf(Kind::Sembol).symbol);
}

std::optional<std::pair<Position, Position>> ExportFeatures::extent(bool placed) const {
    std::optional<std::pair<Position, Position>> box;
    auto add = [&](std::string_view yCell, std::string_view xCell) {
        Position p;
        if (!ParseCoordinate(yCell, p.east) || !ParseCoordinate(xCell, p.north)) {
            return;
        }
        if (placed && systems_ != nullptr && !systems_->apply(p)) {
            return;
        }
        if (!box) {
            box.emplace(p, p);
            return;
        }
        box->first.east = std::min(box->first.east, p.east);
        box->first.north = std::min(box->first.north, p.north);
        box->second.east = std::max(box->second.east, p.east);
        box->second.north = std::max(box->second.north, p.north);
    };
    for (Kind kind : {Kind::Nirengi, Kind::Poligon, Kind::Nokta, Kind::Hat, Kind::Yazi}) {
        if (!Loaded(workspace_.flags, kind)) {
            continue;
        }
        const Columns& c = ColumnsOf(kind);
        const Table& table = workspace_.table(KindOf(kind).table);
        for (int row = 1; row < table.rowCount(); ++row) {
            add(table.cell(c.y, row), table.cell(c.x, row));
            if (c.endY >= 0) {
                add(table.cell(c.endY, row), table.cell(c.endX, row));
            }
        }
    }
    return box;
}

void ExportFeatures::leaveOut(FeatureSource source, std::string what) {
    ++counts_.leftOut;
    notes_.push_back({source, true, "left out: " + what});
}

LayerOf ExportFeatures::layerOf(const Table& table, int column, FeatureSource source) {
    LayerOf layer{nullptr, table.cell(column, source.row)};
    std::optional<int32_t> number = TryStrToInt(layer.cell);
    if (number && *number >= 1 && *number <= kLayerRows &&
        layerIndex_[static_cast<size_t>(*number)] >= 0) {
        layer.layer = &layers_[static_cast<size_t>(layerIndex_[static_cast<size_t>(*number)])];
        return layer;
    }
    const std::string why = number ? "names no declared layer" : "is not a layer number";
    notes_.push_back({source, false, "on no layer: layer " + Quoted(layer.cell) + " " + why});
    return layer;
}

bool ExportFeatures::place(Position& position, FeatureSource source, const std::string& name) {
    if (systems_ == nullptr || systems_->apply(position)) {
        return true;
    }
    auto number = [](double value) {
        char text[32];
        auto [end, ec] = std::to_chars(text, text + sizeof text, value);
        return std::string(text, ec == std::errc() ? end : text);
    };
    leaveOut(source, name + ": Y " + number(position.east) + " X " + number(position.north) +
                         " has no place in EPSG:" + std::to_string(systems_->targetEpsg()));
    return false;
}

bool ExportFeatures::tick() {
    ++done_;
    return done_ % kProgressEvery != 0 || (*progress_)(done_);
}

bool ExportFeatures::visit(FeatureSink& sink, const std::function<bool(uint64_t)>& progress) {
    progress_ = &progress;
    done_ = 0;
    counts_ = {};
    notes_.clear();
    const bool finished = points(Kind::Nirengi, sink) && points(Kind::Poligon, sink) &&
                          points(Kind::Nokta, sink) && lines(sink) && parcels(sink) &&
                          labels(sink) && symbols(sink);
    progress_ = nullptr;
    return finished && progress(done_);
}

ExportFeatures::~ExportFeatures() = default;

bool ExportFeatures::visitRow(FeatureSource source, FeatureSink& sink) {
    const std::function<bool(uint64_t)> always = [](uint64_t) { return true; };
    only_ = source;
    const bool found = visit(sink, always);
    only_.reset();
    return found && counts_.total() == 1;
}

int ExportFeatures::firstRow(TableId table) const {
    return !only_ ? 1 : only_->table == table ? only_->row : 0;
}

int ExportFeatures::endRow(TableId table, const Table& rows) const {
    if (!only_) {
        return rows.rowCount();
    }
    return only_->table == table && only_->row >= 1 && only_->row < rows.rowCount() ? only_->row + 1
                                                                                    : 0;
}

bool ExportFeatures::points(Kind kind, FeatureSink& sink) {
    if (!Loaded(workspace_.flags, kind)) {
        return true;
    }
    constexpr Columns c = table_rows::kPointColumns;
    const Table& table = workspace_.table(KindOf(kind).table);
    PointFeature f{{KindOf(kind).table, 0}, kind, {}, {}, {}, {}};
    for (int row = firstRow(f.source.table); row < endRow(f.source.table, table); ++row) {
        if (!tick()) {
            return false;
        }
        f.source.row = row;
        f.number = table.cell(c.number, row);
        std::optional<std::string> wrong = NotANumber("Y", table.cell(c.y, row), f.at.east);
        if (!wrong) {
            wrong = NotANumber("X", table.cell(c.x, row), f.at.north);
        }
        if (wrong) {
            leaveOut(f.source, "point " + Quoted(f.number) + ": " + *wrong);
            continue;
        }
        if (!place(f.at, f.source, "point " + Quoted(f.number))) {
            continue;
        }
        f.zText = table.cell(c.z, row);
        f.at.z = OptionalNumber(f.zText);
        f.layer = layerOf(table, c.layer, f.source);
        sink.point(f);
        ++counts_.written[static_cast<int>(ExportKind::Point)];
    }
    return true;
}

bool ExportFeatures::lines(FeatureSink& sink) {
    if (!Loaded(workspace_.flags, Kind::Hat)) {
        return true;
    }
    constexpr Columns c = ColumnsOf(Kind::Hat);
    const Table& table = workspace_.table(KindOf(Kind::Hat).table);
    LineFeature f{{KindOf(Kind::Hat).table, 0}, {}, {}, {}, {}, {}};
    for (int row = firstRow(f.source.table); row < endRow(f.source.table, table); ++row) {
        if (!tick()) {
            return false;
        }
        f.source.row = row;
        f.from = table.cell(c.number, row);
        f.to = table.cell(c.endNumber, row);
        std::optional<std::string> wrong = NotANumber("Y", table.cell(c.y, row), f.a.east);
        if (!wrong) {
            wrong = NotANumber("X", table.cell(c.x, row), f.a.north);
        }
        if (!wrong) {
            wrong = NotANumber("Y", table.cell(c.endY, row), f.b.east);
        }
        if (!wrong) {
            wrong = NotANumber("X", table.cell(c.endX, row), f.b.north);
        }
        const std::string name = "line " + Quoted(f.from) + "-" + Quoted(f.to);
        if (wrong) {
            leaveOut(f.source, name + ": " + *wrong);
            continue;
        }
        if (!place(f.a, f.source, name) || !place(f.b, f.source, name)) {
            continue;
        }
        f.a.z = OptionalNumber(table.cell(c.z, row));
        f.b.z = OptionalNumber(table.cell(c.endZ, row));
        f.layer = layerOf(table, c.layer, f.source);
        sink.line(f);
        ++counts_.written[static_cast<int>(ExportKind::Line)];
    }
    return true;
}

bool ExportFeatures::parcels(FeatureSink& sink) {
    if (!Loaded(workspace_.flags, Kind::Parsel)) {
        return true;
    }
    constexpr Columns c = ColumnsOf(Kind::Parsel);
    const Table& table = workspace_.table(KindOf(Kind::Parsel).table);
    const Table& cornerTable = workspace_.table(TableId::ParcelCorners);
    ParcelFeature f{{KindOf(Kind::Parsel).table, 0}, {}, {}, {}, {}, {}, 0, {}, {}};
    for (int row = firstRow(f.source.table); row < endRow(f.source.table, table); ++row) {
        if (!tick()) {
            return false;
        }
        f.source.row = row;
        f.block = table.cell(c.block, row);
        f.parcel = table.cell(c.parcel, row);
        f.area = table.cell(c.area, row);
        f.areaNumber = OptionalNumber(Trim(f.area));
        const std::string name = "parcel " + Quoted(f.block) + "/" + Quoted(f.parcel);
        std::string_view countCell = table.cell(c.cornerCount, row);
        std::optional<int32_t> count = TryStrToInt(countCell);
        if (!count || *count < 3) {
            leaveOut(f.source,
                     name + ": " +
                         (count ? std::to_string(*count) + " corners, fewer than 3"
                                : "corner count " + Quoted(countCell) + " is not a number"));
            continue;
        }
        corners_.clear();
        std::optional<std::string> wrong;
        for (int k = 1; k <= *count && !wrong; ++k) {
            const CornerCell corner = SplitCornerCell(cornerTable.cell(row, k));
            Position p;
            wrong = NotANumber("corner " + std::to_string(k) + " Y", corner.y, p.east);
            if (!wrong) {
                wrong = NotANumber("corner " + std::to_string(k) + " X", corner.x, p.north);
            }
            p.z = OptionalNumber(Trim(corner.rest).substr(0, Trim(corner.rest).find(kBlank)));
            corners_.push_back(p);
        }
        if (wrong) {
            leaveOut(f.source, name + ": " + *wrong);
            continue;
        }
        // The area and the inside point in the drawing's metres, before the corners move.
        f.cornerArea = CornerArea(corners_);
        if (!std::isfinite(f.cornerArea)) {
            leaveOut(f.source, name + ": " + kBeyondDoubles);
            continue;
        }
        f.inside = InsidePoint(corners_);
        if (!std::isfinite(f.inside.east) || !std::isfinite(f.inside.north)) {
            f.inside = corners_[0];  // a point inside is beyond the doubles: the text at a corner
        }
        bool placed = place(f.inside, f.source, name);
        for (size_t k = 0; k < corners_.size() && placed; ++k) {
            placed = place(corners_[k], f.source, name + " corner " + std::to_string(k + 1));
        }
        if (!placed) {
            continue;
        }
        f.corners = corners_;
        f.layer = layerOf(table, c.layer, f.source);
        sink.parcel(f);
        ++counts_.written[static_cast<int>(ExportKind::Parcel)];
    }
    return true;
}

bool ExportFeatures::labels(FeatureSink& sink) {
    if (!Loaded(workspace_.flags, Kind::Yazi)) {
        return true;
    }
    constexpr Columns c = ColumnsOf(Kind::Yazi);
    const Table& table = workspace_.table(KindOf(Kind::Yazi).table);
    LabelFeature f{{KindOf(Kind::Yazi).table, 0}, {}, {}, {}, 0, 1, 0, false, false, {}};
    for (int row = firstRow(f.source.table); row < endRow(f.source.table, table); ++row) {
        if (!tick()) {
            return false;
        }
        f.source.row = row;
        f.text = table.cell(c.text, row);
        f.font = Trim(table.cell(c.font, row));
        double angle = 0, width = 0;
        std::optional<std::string> wrong = NotANumber("y", table.cell(c.y, row), f.at.east);
        if (!wrong) {
            wrong = NotANumber("x", table.cell(c.x, row), f.at.north);
        }
        if (!wrong) {
            wrong = NotANumber("Boy", table.cell(c.height, row), f.height);
        }
        if (!wrong) {
            wrong = NotANumber("Açı", table.cell(c.angle, row), angle);
        }
        std::string_view widthCell = table.cell(c.width, row);
        if (!wrong && !widthCell.empty()) {
            wrong = NotANumber("En", widthCell, width);
        }
        const std::string name = "label " + Quoted(f.text);
        if (wrong) {
            leaveOut(f.source, name + ": " + *wrong);
            continue;
        }
        if (!place(f.at, f.source, name)) {
            continue;
        }
        f.widthFactor = widthCell.empty() || f.height <= 0 || width <= 0 ? 1 : width / f.height;
        if (!std::isfinite(f.widthFactor)) {
            leaveOut(f.source, name + ": En / Boy " + kBeyondDoubles);
            continue;
        }
        f.rotation = 90 - 0.9 * angle;
        f.italic = Trim(table.cell(c.italic, row)) == "1";
        f.centred = Trim(table.cell(c.centred, row)) == "1";
        f.layer = layerOf(table, c.layer, f.source);
        sink.label(f);
        ++counts_.written[static_cast<int>(ExportKind::Label)];
    }
    return true;
}

bool ExportFeatures::symbols(FeatureSink& sink) {
    if (!Loaded(workspace_.flags, Kind::Sembol)) {
        return true;
    }
    constexpr Columns c = ColumnsOf(Kind::Sembol);
    const Table& table = workspace_.table(KindOf(Kind::Sembol).table);
    if (!pointIndex_) {
        pointIndex_ = std::make_unique<const PointIndex>(workspace_);
    }
    const PointIndex& points = *pointIndex_;
    SymbolFeature f{{KindOf(Kind::Sembol).table, 0}, {}, {}, {}, {}, 1, 1, 0, {}};
    for (int row = firstRow(f.source.table); row < endRow(f.source.table, table); ++row) {
        if (!tick()) {
            return false;
        }
        f.source.row = row;
        f.symbol = table.cell(c.symbol, row);
        f.point = table.cell(c.number, row);
        const std::string name = "symbol " + Quoted(f.symbol) + " at " + Quoted(f.point);
        std::optional<PointRef> point = points.findRaw(f.point);
        if (!point) {
            leaveOut(f.source, name + ": no point of that number in the drawing");
            continue;
        }
        const Table& pointTable = workspace_.table(KindOf(point->kind).table);
        constexpr Columns pc = table_rows::kPointColumns;
        double angle = 0;
        std::optional<std::string> wrong =
            NotANumber("the point's Y", pointTable.cell(pc.y, point->row), f.at.east);
        if (!wrong) {
            wrong = NotANumber("the point's X", pointTable.cell(pc.x, point->row), f.at.north);
        }
        if (!wrong) {
            wrong = NotANumber("Sx", table.cell(c.scaleX, row), f.scaleX);
        }
        if (!wrong) {
            wrong = NotANumber("Sy", table.cell(c.scaleY, row), f.scaleY);
        }
        if (!wrong) {
            wrong = NotANumber("Açı", table.cell(c.angle, row), angle);
        }
        if (wrong) {
            leaveOut(f.source, name + ": " + *wrong);
            continue;
        }
        if (!place(f.at, f.source, name)) {
            continue;
        }
        f.at.z = OptionalNumber(pointTable.cell(pc.z, point->row));
        f.pointName = pointTable.cell(pc.number, point->row);
        f.rotation = -0.9 * angle;
        f.layer = layerOf(table, c.layer, f.source);
        sink.symbol(f);
        ++counts_.written[static_cast<int>(ExportKind::Symbol)];
    }
    return true;
}

}  // namespace plotaktar
