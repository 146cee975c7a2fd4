#include "drawing/survey_model.h"

#include <algorithm>

#include "model/cp1254.h"
#include "model/text.h"
#include "plotfile/plot_reader.h"

namespace plotaktar {

namespace {

NumberCell Number(std::string_view text) {
    NumberCell cell{text, std::nullopt};
    double value = 0;
    if (ParseCoordinate(text, value)) {
        cell.value = value;
    }
    return cell;
}

// Records the first field that is not a number, in the order the caller asks for them.
class FirstUnread {
  public:
    explicit FirstUnread(std::optional<Unread>& unread) : unread_(unread) { unread_.reset(); }
    void need(const NumberCell& cell, std::string_view field, int column, int corner = 0) {
        if (!unread_ && !cell.value) {
            unread_ = Unread{Unread::Why::NotANumber, field, column, corner, cell.text};
        }
    }

  private:
    std::optional<Unread>& unread_;
};

// The point kind whose prefix ("N.", "P.") a plot file's point number carries.
Kind PlotPointKind(std::string_view number) {
    for (Kind kind : {Kind::Nirengi, Kind::Poligon}) {
        if (number.starts_with(KindOf(kind).pointPrefix)) {
            return kind;
        }
    }
    return Kind::Nokta;
}

bool Wanted(std::span<const Kind> kinds, Kind kind) {
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

// The kind a plot-file record line gives, or nothing for a layer or another line.
std::optional<Kind> PlotKind(plot::RecordType type, std::string_view line) {
    switch (type) {
        case plot::RecordType::Point:
            return PlotPointKind(plot::ReadPointRecord(line).number);
        case plot::RecordType::Label:
            return Kind::Yazi;
        case plot::RecordType::Line:
            return Kind::Hat;
        case plot::RecordType::Parcel:
            return Kind::Parsel;
        case plot::RecordType::Layer:
        case plot::RecordType::Other:
            break;
    }
    return std::nullopt;
}

}  // namespace

std::string QuotedForMessage(std::string_view cell) {
    return "'" + Utf8FromCp1254(QuotedCell(cell)) + "'";
}

std::string UnreadReason(const Unread& unread) {
    switch (unread.why) {
        case Unread::Why::NoSuchPoint:
            return "no point of that number in the drawing";
        case Unread::Why::NoCornerLine:
            return "no corner line after it";
        case Unread::Why::NotANumber:
            break;
    }
    std::string field(unread.field);
    if (unread.corner > 0) {
        field = "corner " + std::to_string(unread.corner) + " " + field;
    }
    return field + " " + QuotedForMessage(unread.cell) + " is not a number";
}

std::string_view NumberFieldName(Kind kind, int column) {
    const Columns& c = ColumnsOf(kind);
    if (kind == Kind::Hat && (column == c.y || column == c.endY)) {
        return "Y";
    }
    if (kind == Kind::Hat && (column == c.x || column == c.endX)) {
        return "X";
    }
    const std::span<const std::string_view> headers = TableOf(KindOf(kind).table).headers;
    return column >= 0 && static_cast<size_t>(column) < headers.size()
               ? headers[static_cast<size_t>(column)]
               : std::string_view();
}

CornerReading ReadCorner(std::string_view cell, int corner) {
    const CornerCell parts = SplitCornerCell(cell);
    const NumberCell y = Number(parts.y);
    const NumberCell x = Number(parts.x);
    CornerReading read;
    if (!y.value) {
        read.y = Unread{Unread::Why::NotANumber, "Y", -1, corner, parts.y};
    }
    if (!x.value) {
        read.x = Unread{Unread::Why::NotANumber, "X", -1, corner, parts.x};
    }
    if (y.value && x.value) {
        const std::string_view rest = Trim(parts.rest);
        read.corner =
            SurveyCorner{cell, *y.value, *x.value, Number(rest.substr(0, rest.find(kBlank))).value};
    }
    return read;
}

std::optional<Unread> WidthUnread(const SurveyLabel& label) {
    if (label.width.text.empty() || label.width.value) {
        return std::nullopt;
    }
    const int column = label.source.table ? TableOf(*label.source.table).columns.width : -1;
    return Unread{Unread::Why::NotANumber, "En", column, 0, label.width.text};
}

std::string SurveyParcel::title() const {
    if (!source.table) {
        return std::string(name);
    }
    std::string text(block);
    text += '/';
    text += parcel;
    return text;
}

SurveyModel::SurveyModel(const Workspace& workspace) : workspace_(&workspace) {
    readLayers();
}

SurveyModel::SurveyModel(std::string_view plotBytes) : plotBytes_(plotBytes) {}

// A plot file's layers are read when first asked for, so that the record panel's look at one
// line does not go through the whole file.
void SurveyModel::readPlotLayers() const {
    if (plotLayersRead_) {
        return;
    }
    plotLayersRead_ = true;
    plot::PlotLines lines(plotBytes_);
    std::string_view line;
    while (lines.next(line)) {
        if (plot::RecordTypeOf(line) != plot::RecordType::Layer) {
            continue;
        }
        SurveyLayer layer;
        layer.name = plot::ReadLayerRecord(line).name;
        layer.declared = true;
        if (plotLayerByName_.emplace(layer.name, layers_.size()).second) {
            layers_.push_back(layer);
        }
    }
}

SurveyModel::~SurveyModel() = default;

void SurveyModel::readLayers() {
    const LayerTable& table = workspace_->layerTable;
    const Columns& c = ColumnsOf(Kind::Tabaka);
    layers_.resize(kLayerRows);
    for (int row = 1; row <= kLayerRows; ++row) {
        auto field = [&](int column) -> std::string_view {
            return table.field(row, LayerField(column));
        };
        SurveyLayer& layer = layers_[static_cast<size_t>(row - 1)];
        layer.number = row;
        layer.name = field(c.name);
        layer.declared = !layer.name.empty();
        layer.used = table.field(row, kLayerUsedField) == "1";
        const std::optional<int32_t> colour = TryStrToInt(Trim(field(c.colour)));
        if (colour && *colour >= 1 && *colour <= 255) {
            layer.colour = *colour;
        }
        layer.lineType = LineTypeOfCell(field(c.lineType));
        layer.thickness = Number(Trim(field(c.thickness))).value;
        layer.on = TryStrToInt(Trim(field(c.onOff))) != 0;
    }
}

std::vector<const SurveyLayer*> SurveyModel::declaredLayers() const {
    if (fromPlotFile()) {
        readPlotLayers();
    }
    std::vector<const SurveyLayer*> declared;
    for (const SurveyLayer& layer : layers_) {
        if (layer.declared) {
            declared.push_back(&layer);
        }
    }
    return declared;
}

const SurveyLayer* SurveyModel::layerOf(std::string_view cell) const {
    if (fromPlotFile()) {
        readPlotLayers();
        auto found = plotLayerByName_.find(cell);
        return found == plotLayerByName_.end() ? nullptr : &layers_[found->second];
    }
    const std::optional<int32_t> row = TryStrToInt(cell);
    if (!row || *row < 1 || *row > kLayerRows) {
        return nullptr;
    }
    return &layers_[static_cast<size_t>(*row - 1)];
}

LayerRef SurveyModel::layerRef(std::string_view cell) const {
    if (fromPlotFile()) {
        return {cell, layerOf(cell), false};
    }
    const std::optional<int32_t> row = TryStrToInt(cell);
    if (!row) {
        return {cell, nullptr, false};
    }
    return {cell,
            *row >= 1 && *row <= kLayerRows ? &layers_[static_cast<size_t>(*row - 1)] : nullptr,
            true};
}

const PointIndex& SurveyModel::points() const {
    if (!points_) {
        static const Workspace kEmpty;
        points_ = std::make_unique<PointIndex>(workspace_ ? *workspace_ : kEmpty);
    }
    return *points_;
}

uint64_t SurveyModel::count(Kind kind) const {
    if (!fromPlotFile()) {
        return Loaded(workspace_->flags, kind)
                   ? static_cast<uint64_t>(workspace_->table(KindOf(kind).table).rowCount() - 1)
                   : 0;
    }
    countPlotLines();
    return (*plotCounts_)[static_cast<size_t>(kind)];
}

void SurveyModel::countPlotLines() const {
    if (plotCounts_) {
        return;
    }
    std::array<uint64_t, kKindCount> counts{};
    plot::PlotLineCounts lineCounts;
    plot::PlotLines lines(plotBytes_);
    std::string_view line;
    while (lines.next(line)) {
        const plot::RecordType type = lineCounts.count(line);
        if (type == plot::RecordType::Layer) {
            ++counts[static_cast<size_t>(Kind::Tabaka)];
        } else if (const std::optional<Kind> k = PlotKind(type, line)) {
            ++counts[static_cast<size_t>(*k)];
            if (*k == Kind::Parsel) {
                lines.next(line);  // its corner line, part of its record
            }
        }
    }
    plotLines_ = {lineCounts.records, lineCounts.skipped};
    plotCounts_ = counts;
}

SurveyModel::PlotLineCounts SurveyModel::plotLineCounts() const {
    if (!fromPlotFile()) {
        return {};
    }
    countPlotLines();
    return plotLines_;
}

NumberCell SurveyModel::otherNumber(std::string_view text) const {
    return otherNumbers_ ? Number(text) : NumberCell{text, std::nullopt};
}

bool SurveyModel::visit(SurveyVisitor& visitor, std::span<const Kind> kinds) {
    otherNumbers_ = visitor.readsOtherNumbers();
    return fromPlotFile() ? visitPlot(visitor, kinds) : visitTables(visitor, kinds);
}

bool SurveyModel::visitRow(TableId table, int row, SurveyVisitor& visitor) {
    if (fromPlotFile()) {
        return true;
    }
    for (const KindEntry& kind : kKinds) {
        if (kind.table == table) {
            onlyRow_ = row;
            otherNumbers_ = visitor.readsOtherNumbers();
            const Kind one[] = {kind.kind};
            const bool finished = visitTables(visitor, one);
            onlyRow_.reset();
            return finished;
        }
    }
    return true;
}

bool SurveyModel::visitPlotRecord(const ElementSource& source, SurveyVisitor& visitor) {
    const bool lineStart = source.offset == 0 || (source.offset <= plotBytes_.size() &&
                                                  plotBytes_[source.offset - 1] == '\n');
    if (!fromPlotFile() || source.table || !lineStart) {
        return true;
    }
    onlyPlotRecord_ = source;
    otherNumbers_ = visitor.readsOtherNumbers();
    const bool finished = visitPlot(visitor, kPlotOrder);
    onlyPlotRecord_.reset();
    return finished;
}

bool SurveyModel::visitTables(SurveyVisitor& visitor, std::span<const Kind> kinds) {
    const Workspace& ws = *workspace_;
    for (Kind kind : kinds) {
        if (!Loaded(ws.flags, kind)) {
            continue;
        }
        const TableId id = KindOf(kind).table;
        const Table& table = ws.table(id);
        const Columns& c = ColumnsOf(kind);
        const int rows = table.rowCount();
        // All data rows, or the one visitRow() asked for.
        const int firstRow = onlyRow_ ? *onlyRow_ : 1;
        const int endRow = !onlyRow_                            ? rows
                           : *onlyRow_ >= 1 && *onlyRow_ < rows ? *onlyRow_ + 1
                                                                : 0;
        switch (KindOf(kind).shape) {
            case Shape::Layer:
                break;
            case Shape::None: {
                SurveyRecord e;
                e.kind = kind;
                e.source.table = id;
                for (int row = firstRow; row < endRow; ++row) {
                    e.source.row = static_cast<uint32_t>(row);
                    e.layer = layerRef(table.cell(c.layer, row));
                    if (!visitor.record(e)) {
                        return false;
                    }
                }
                break;
            }
            case Shape::Point: {
                SurveyPoint e;
                e.kind = kind;
                e.source.table = id;
                for (int row = firstRow; row < endRow; ++row) {
                    e.source.row = static_cast<uint32_t>(row);
                    e.number = table.cell(c.number, row);
                    e.y = Number(table.cell(c.y, row));
                    e.x = Number(table.cell(c.x, row));
                    e.z = otherNumber(table.cell(c.z, row));
                    FirstUnread first(e.unread);
                    first.need(e.y, "Y", c.y);
                    first.need(e.x, "X", c.x);
                    e.layer = layerRef(table.cell(c.layer, row));
                    if (!visitor.point(e)) {
                        return false;
                    }
                }
                break;
            }
            case Shape::Line: {
                SurveyLine e;
                e.source.table = id;
                for (int row = firstRow; row < endRow; ++row) {
                    e.source.row = static_cast<uint32_t>(row);
                    e.from = table.cell(c.number, row);
                    e.to = table.cell(c.endNumber, row);
                    e.y1 = Number(table.cell(c.y, row));
                    e.x1 = Number(table.cell(c.x, row));
                    e.z1 = otherNumber(table.cell(c.z, row));
                    e.y2 = Number(table.cell(c.endY, row));
                    e.x2 = Number(table.cell(c.endX, row));
                    e.z2 = otherNumber(table.cell(c.endZ, row));
                    FirstUnread first(e.unread);
                    first.need(e.y1, "Y", c.y);
                    first.need(e.x1, "X", c.x);
                    first.need(e.y2, "Y", c.endY);
                    first.need(e.x2, "X", c.endX);
                    e.layer = layerRef(table.cell(c.layer, row));
                    if (!visitor.line(e)) {
                        return false;
                    }
                }
                break;
            }
            case Shape::Polygon: {
                const Table& cornerTable = ws.table(TableId::ParcelCorners);
                SurveyParcel e;
                e.source.table = id;
                for (int row = firstRow; row < endRow; ++row) {
                    e.source.row = static_cast<uint32_t>(row);
                    e.block = table.cell(c.block, row);
                    e.parcel = table.cell(c.parcel, row);
                    e.area = {table.cell(c.area, row),
                              otherNumber(Trim(table.cell(c.area, row))).value};
                    e.cornerCountCell = table.cell(c.cornerCount, row);
                    e.cornerCount = TryStrToInt(e.cornerCountCell);
                    e.unread.reset();
                    corners_.clear();
                    if (!e.cornerCount) {
                        e.unread = Unread{Unread::Why::NotANumber, "corner count", c.cornerCount, 0,
                                          e.cornerCountCell};
                    }
                    // A count beyond the corners stored meets an empty cell there: the walk
                    // stops at it, however large the count.
                    for (int k = 1; e.cornerCount && k <= *e.cornerCount; ++k) {
                        const CornerReading read = ReadCorner(cornerTable.cell(row, k), k);
                        if (!read.corner) {
                            e.unread = read.y ? read.y : read.x;
                            break;
                        }
                        corners_.push_back(*read.corner);
                    }
                    e.corners = corners_;
                    cornerCells_.clear();
                    for (int k = 1; k < cornerTable.storedRows(row); ++k) {
                        cornerCells_.push_back(cornerTable.cell(row, k));
                    }
                    e.cornerCells = cornerCells_;
                    e.layer = layerRef(table.cell(c.layer, row));
                    if (!visitor.parcel(e)) {
                        return false;
                    }
                }
                break;
            }
            case Shape::Text: {
                SurveyLabel e;
                e.source.table = id;
                for (int row = firstRow; row < endRow; ++row) {
                    e.source.row = static_cast<uint32_t>(row);
                    e.text = table.cell(c.text, row);
                    e.font = Trim(table.cell(c.font, row));
                    e.y = Number(table.cell(c.y, row));
                    e.x = Number(table.cell(c.x, row));
                    e.height = otherNumber(table.cell(c.height, row));
                    e.angle = otherNumber(table.cell(c.angle, row));
                    e.width = otherNumber(table.cell(c.width, row));
                    FirstUnread first(e.unread);
                    first.need(e.y, "y", c.y);
                    first.need(e.x, "x", c.x);
                    if (otherNumbers_) {
                        first.need(e.height, "Boy", c.height);
                        first.need(e.angle, "Açı", c.angle);
                    }
                    e.italic = TryStrToInt(Trim(table.cell(c.italic, row))) == 1;
                    e.centred = TryStrToInt(Trim(table.cell(c.centred, row))) == 1;
                    e.layer = layerRef(table.cell(c.layer, row));
                    if (!visitor.label(e)) {
                        return false;
                    }
                }
                break;
            }
            case Shape::Symbol: {
                // An index built for this walk goes with it: its memory is back before what
                // the caller does next (a drawing's spatial index, a file's end).
                // A visitor reading no number beyond positions needs no point of a symbol.
                const bool ownIndex = points_ == nullptr && !onlyRow_ && otherNumbers_;
                const PointIndex* index = otherNumbers_ ? &points() : nullptr;
                constexpr Columns pc = table_rows::kPointColumns;
                SurveySymbol e;
                e.source.table = id;
                for (int row = firstRow; row < endRow; ++row) {
                    e.source.row = static_cast<uint32_t>(row);
                    e.symbol = table.cell(c.symbol, row);
                    e.point = table.cell(c.number, row);
                    e.pointRow = index ? index->findRaw(e.point) : std::nullopt;
                    e.scaleX = otherNumber(table.cell(c.scaleX, row));
                    e.scaleY = otherNumber(table.cell(c.scaleY, row));
                    e.angle = otherNumber(table.cell(c.angle, row));
                    e.y = e.x = e.z = {};
                    e.pointNumber = {};
                    e.unread.reset();
                    if (!index) {
                        // Its point not looked up: nothing of it read, nothing unread.
                    } else if (!e.pointRow) {
                        e.unread =
                            Unread{Unread::Why::NoSuchPoint, "Nokta No", c.number, 0, e.point};
                    } else {
                        const Table& points = ws.table(KindOf(e.pointRow->kind).table);
                        e.pointNumber = points.cell(pc.number, e.pointRow->row);
                        e.y = Number(points.cell(pc.y, e.pointRow->row));
                        e.x = Number(points.cell(pc.x, e.pointRow->row));
                        e.z = Number(points.cell(pc.z, e.pointRow->row));
                        FirstUnread first(e.unread);
                        first.need(e.y, "the point's Y", -1);
                        first.need(e.x, "the point's X", -1);
                        first.need(e.scaleX, "Sx", c.scaleX);
                        first.need(e.scaleY, "Sy", c.scaleY);
                        first.need(e.angle, "Açı", c.angle);
                    }
                    e.layer = layerRef(table.cell(c.layer, row));
                    if (!visitor.symbol(e)) {
                        return false;
                    }
                }
                if (ownIndex) {
                    points_.reset();
                }
                break;
            }
        }
    }
    return true;
}

bool SurveyModel::visitPlot(SurveyVisitor& visitor, std::span<const Kind> kinds) {
    // Every line, or the one record visitPlotRecord() asked for.
    const uint64_t firstOffset = onlyPlotRecord_ ? onlyPlotRecord_->offset : 0;
    const uint32_t firstNumber = onlyPlotRecord_ ? onlyPlotRecord_->row : 1;
    plot::PlotLines lines(plotBytes_.substr(firstOffset));
    std::string_view line;
    for (bool firstLine = true; (firstLine || !onlyPlotRecord_) && lines.next(line);
         firstLine = false) {
        const plot::RecordType type = plot::RecordTypeOf(line);
        const std::optional<Kind> kind = PlotKind(type, line);
        if (!kind) {
            continue;
        }
        const ElementSource source{std::nullopt, firstNumber + lines.number() - 1,
                                   firstOffset + lines.start()};
        const bool wanted = Wanted(kinds, *kind);
        switch (type) {
            case plot::RecordType::Point: {
                if (!wanted) {
                    break;
                }
                const plot::PointRecord r = plot::ReadPointRecord(line);
                SurveyPoint e;
                e.source = source;
                e.kind = *kind;
                e.number = r.number;
                e.y = Number(r.y);
                e.x = Number(r.x);
                e.z = otherNumber(r.z);
                FirstUnread first(e.unread);
                first.need(e.y, "Y", -1);
                first.need(e.x, "X", -1);
                e.layer = layerRef(r.layer);
                if (!visitor.point(e)) {
                    return false;
                }
                break;
            }
            case plot::RecordType::Label: {
                if (!wanted) {
                    break;
                }
                const plot::LabelRecord r = plot::ReadLabelRecord(line);
                SurveyLabel e;
                e.source = source;
                e.text = r.text;
                e.y = Number(r.y);
                e.x = Number(r.x);
                e.height = otherNumber(r.height);
                e.angle = otherNumber(r.angle);
                FirstUnread first(e.unread);
                first.need(e.y, "y", -1);
                first.need(e.x, "x", -1);
                if (otherNumbers_) {
                    first.need(e.height, "Boy", -1);
                    first.need(e.angle, "Açı", -1);
                }
                e.layer = layerRef(r.layer);
                if (!visitor.label(e)) {
                    return false;
                }
                break;
            }
            case plot::RecordType::Line: {
                if (!wanted) {
                    break;
                }
                const plot::LineRecord r = plot::ReadLineRecord(line);
                SurveyLine e;
                e.source = source;
                e.y1 = Number(r.y1);
                e.x1 = Number(r.x1);
                e.y2 = Number(r.y2);
                e.x2 = Number(r.x2);
                e.z1 = otherNumber(r.z1);
                e.z2 = otherNumber(r.z2);
                FirstUnread first(e.unread);
                first.need(e.y1, "Y", -1);
                first.need(e.x1, "X", -1);
                first.need(e.y2, "Y", -1);
                first.need(e.x2, "X", -1);
                e.layer = layerRef(r.layer);
                if (!visitor.line(e)) {
                    return false;
                }
                break;
            }
            case plot::RecordType::Parcel: {
                // The corner line after it belongs to the record, wanted or not.
                std::string_view cornerLine;
                const bool hasCorners = lines.next(cornerLine);
                if (!wanted) {
                    break;
                }
                const plot::ParcelRecord r = plot::ReadParcelRecord(line);
                SurveyParcel e;
                e.source = source;
                e.name = r.name;
                const size_t slash = r.name.find('/');
                e.block = r.name.substr(0, slash);
                e.parcel =
                    slash == std::string_view::npos ? std::string_view() : r.name.substr(slash + 1);
                corners_.clear();
                if (!hasCorners || cornerLine.empty()) {
                    e.unread = Unread{Unread::Why::NoCornerLine, {}, -1, 0, {}};
                } else {
                    int k = 0;
                    plot::ForEachCorner(cornerLine, [&](std::string_view y, std::string_view x) {
                        ++k;
                        const NumberCell yc = Number(y);
                        const NumberCell xc = Number(x);
                        FirstUnread first(e.unread);
                        first.need(yc, "Y", -1, k);
                        first.need(xc, "X", -1, k);
                        if (e.unread) {
                            return false;
                        }
                        corners_.push_back({y, *yc.value, *xc.value, std::nullopt});
                        return true;
                    });
                }
                e.corners = corners_;
                e.layer = layerRef(r.layer);
                if (!visitor.parcel(e)) {
                    return false;
                }
                break;
            }
            case plot::RecordType::Layer:
            case plot::RecordType::Other:
                break;
        }
    }
    return true;
}

std::vector<RecordField> SurveyModel::recordFields(const ElementSource& source) const {
    std::vector<RecordField> fields;
    if (fromPlotFile()) {
        if (source.table) {
            return fields;
        }
        for (const auto& [name, value] : plot::RecordFieldsAt(plotBytes_, source.offset)) {
            fields.push_back({Cp1254FromUtf8(name), std::string(value)});
        }
        return fields;
    }
    if (!source.table) {
        return fields;
    }
    const int row = static_cast<int>(source.row);
    const Table& table = workspace_->table(*source.table);
    const std::vector<std::string>& headers = HeaderTexts(*source.table);
    for (int c = 0; c < table.colCount(); ++c) {
        fields.push_back(
            {c < static_cast<int>(headers.size()) ? headers[static_cast<size_t>(c)] : IntToStr(c),
             std::string(table.cell(c, row))});
    }
    // A parcel's corners follow its row.
    const int countColumn = TableOf(*source.table).columns.cornerCount;
    if (countColumn >= 0) {
        const Table& corners = workspace_->table(TableId::ParcelCorners);
        const int count = std::min(TryStrToInt(table.cell(countColumn, row)).value_or(0),
                                   corners.storedRows(row) - 1);
        for (int k = 1; k <= count; ++k) {
            fields.push_back(
                {Cp1254FromUtf8("Köşe ") + IntToStr(k), std::string(corners.cell(row, k))});
        }
    }
    return fields;
}

}  // namespace plotaktar
