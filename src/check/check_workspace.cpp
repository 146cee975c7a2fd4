#include "check/check_workspace.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <unordered_map>

#include "check/parcel_geometry.h"
#include "check/reporter.h"
#include "drawing/drawing_sources.h"
#include "drawing/pick.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/point_names.h"
#include "model/text.h"

namespace plotaktar::check {

namespace {

std::string Utf8(std::string_view cell) {
    return Utf8FromCp1254(cell);
}

std::string Header(TableId table, int column) {
    const std::vector<std::string>& headers = HeaderTexts(table);
    return static_cast<size_t>(column) < headers.size() ? Utf8(headers[static_cast<size_t>(column)])
                                                        : std::to_string(column);
}

// The stored point number of a point row: as its table shows it.
std::string_view PointNumber(const Workspace& ws, Kind kind, int row) {
    return ws.table(KindOf(kind).table).cell(ColumnsOf(kind).number, row);
}

// The point kind whose rows a point table holds.
Kind PointKind(TableId table) {
    return table == TableId::TriangulationPoints ? Kind::Nirengi
           : table == TableId::TraversePoints    ? Kind::Poligon
                                                 : Kind::Nokta;
}

double Distance(const Vertex& a, const Vertex& b) {
    return std::hypot(a.east - b.east, a.north - b.north);
}

// The parts of the check, over one workspace.
class Checker {
  public:
    Checker(const Workspace& ws, const RowLines& lines, const CheckOptions& options,
            Findings& findings)
        : ws_(ws), options_(options), report_(lines, findings), points_(std::in_place, ws) {
        for (int row = 1; row <= kLayerRows; ++row) {
            declared_[row - 1] = !ws.layerTable.field(row, LayerField(0)).empty();
        }
    }

    void run(const std::vector<FailedRecord>& failures, const RowLines& lines) {
        stopIfCancelled();
        failedRecords(failures, lines);
        for (const KindEntry& kind : kKinds) {
            if (kind.kind != Kind::Tabaka && Loaded(ws_.flags, kind.kind)) {
                layers(kind);
            }
        }
        // A place for each point, line, label and parcel, made room for at once: grown a
        // doubling at a time, a million places would be held twice over while they move.
        size_t places = 0;
        for (Kind kind :
             {Kind::Nirengi, Kind::Poligon, Kind::Nokta, Kind::Hat, Kind::Yazi, Kind::Parsel}) {
            places += Loaded(ws_.flags, kind) ? ws_.table(KindOf(kind).table).rowCount() : 0;
        }
        placed_.reserve(places);
        for (Kind kind : {Kind::Nirengi, Kind::Poligon, Kind::Nokta}) {
            if (Loaded(ws_.flags, kind)) {
                readPoints(kind);
            }
        }
        stopIfCancelled();
        samePoints();
        stopIfCancelled();
        if (Loaded(ws_.flags, Kind::Hat)) {
            lines_();
        }
        if (Loaded(ws_.flags, Kind::Sembol)) {
            symbols();
        }
        points_.reset();  // its memory back before the parcels' geometry
        stopIfCancelled();
        if (Loaded(ws_.flags, Kind::Yazi)) {
            labels();
        }
        if (Loaded(ws_.flags, Kind::Parsel)) {
            parcels();
        }
        stopIfCancelled();
        outliers();
        // The positions' memory back before the parcels' geometry.
        std::vector<Placed>().swap(placed_);
        CheckParcelGeometry(shapes_, report_, options_.cancel);
    }

  private:
    void stopIfCancelled() const { StopIfCancelled(options_.cancel); }
    // In a loop over a table's rows: every 4096 rows.
    void stopIfCancelled(int row) const {
        if ((row & 4095) == 0) {
            StopIfCancelled(options_.cancel);
        }
    }

    struct Placed {
        Vertex at;
        TableId table;
        int row;
    };

    // A number cell: its value, or a coordinate-unreadable finding and nothing. An empty cell
    // is read as missing when `optional` allows it.
    std::optional<double> number(TableId table, int column, int row, bool optional = false) {
        const std::string_view cell = ws_.table(table).cell(column, row);
        double value = 0;
        if (ParseCoordinate(cell, value)) {
            return value;
        }
        if (!(optional && cell.empty())) {
            Finding& f =
                report_.add("coordinate-unreadable", table, row,
                            Header(table, column) + " '" + Utf8(cell) + "' sayı olarak okunamıyor");
            report_.setTexts(f, {{"column", Header(table, column)}, {"value", Utf8(cell)}});
        }
        return std::nullopt;
    }

    std::optional<Vertex> position(TableId table, const Columns& c, int row) {
        std::optional<double> east = number(table, c.y, row);
        std::optional<double> north = number(table, c.x, row);
        if (!east || !north) {
            return std::nullopt;
        }
        return Vertex{*east, *north};
    }

    void failedRecords(const std::vector<FailedRecord>& failures, const RowLines& lines) {
        for (const FailedRecord& failure : failures) {
            const KindEntry* kind = nullptr;
            for (const KindEntry& entry : kKinds) {
                if (!entry.code.empty() && entry.message == failure.word) {
                    kind = &entry;
                }
            }
            if (kind == nullptr) {
                continue;
            }
            const int row = lines.rowOfGeometryLine(kind->table, failure.line);
            const int column = TableOf(kind->table).columns.layer;
            // Row 0 is the header row: a failure no row can be found for has no cell.
            const std::string cell =
                row > 0 ? Utf8(ws_.table(kind->table).cell(column, row)) : std::string();
            const std::string field = Header(kind->table, column);
            const std::string cause =
                TryStrToInt(cell) ? "1 ile 150 arasında değil" : "bir tamsayı değil";
            Finding& f = report_.add(
                "record-failed", kind->table, row,
                Utf8(failure.word) + " kaydı okunamadı: " + field + " '" + cell + "' " + cause);
            report_.setTexts(f, {{"word", Utf8(failure.word)}, {"field", field}, {"value", cell}});
        }
    }

    // Layer numbers: one the export cannot look up stops it; one that names no declared layer
    // leaves its feature on a layer without a name.
    void layers(const KindEntry& kind) {
        const Table& table = ws_.table(kind.table);
        const int column = TableOf(kind.table).columns.layer;
        const bool exported = kind.plotSection != 0;
        for (int row = 1; row < table.rowCount(); ++row) {
            stopIfCancelled(row);
            const std::string_view cell = table.cell(column, row);
            int layer = 0;
            try {
                layer = LayerRowOf(cell);
            } catch (const Error&) {
                if (exported) {
                    Finding& f =
                        report_.add("export-stops", kind.table, row,
                                    "dışa aktarım bu hücrede durur: " + Header(kind.table, column) +
                                        " '" + Utf8(cell) + "' bir tabaka numarası değil");
                    report_.setTexts(
                        f, {{"column", Header(kind.table, column)}, {"value", Utf8(cell)}});
                }
                continue;
            }
            if (!declared_[layer - 1]) {
                const bool label = kind.kind == Kind::Yazi;
                Finding& f = report_.add(
                    label ? "label-undeclared-layer" : "feature-undeclared-layer", kind.table, row,
                    std::string(label ? "yazı" : "kayıt") + " " + std::to_string(layer) +
                        " numaralı tabakada; bu tabaka tanımlı değil");
                report_.setValues(f, {{"layer", static_cast<double>(layer)}});
            }
        }
    }

    void readPoints(Kind kind) {
        const TableId id = KindOf(kind).table;
        const Table& table = ws_.table(id);
        const Columns& c = ColumnsOf(kind);
        for (int row = 1; row < table.rowCount(); ++row) {
            stopIfCancelled(row);
            std::optional<Vertex> at = position(id, c, row);
            (void)number(id, c.z, row, true);
            if (at) {
                placed_.push_back({*at, id, row});
            }
        }
    }

    // One number at two places, and two numbers at one place. The points are the first
    // entries of placed_.
    void samePoints() {
        const std::span<Placed> points(placed_);
        for (const Placed& p : points) {
            const Kind kind = PointKind(p.table);
            const std::string_view number = PointNumber(ws_, kind, p.row);
            const std::optional<PointRef> first = points_->findStored(number);
            if (!first || (first->kind == kind && first->row == p.row)) {
                continue;
            }
            const std::optional<Vertex> at = pointPosition(*first);
            const double apart = at ? Distance(p.at, *at) : 0;
            if (apart > kSameNumberReach) {
                const TableId firstTable = KindOf(first->kind).table;
                Finding& f = report_.add("point-duplicate-number", p.table, p.row,
                                         Utf8(number) + " numarası iki ayrı konumda: " +
                                             std::string(TableOf(firstTable).caption) + " satır " +
                                             std::to_string(first->row) + " ile " +
                                             Fixed(apart, 3) + " m arayla");
                report_.setValues(
                    f, {{"distance", apart}, {"other_row", static_cast<double>(first->row)}});
                f.at = p.at;
            }
        }
        std::sort(points.begin(), points.end(),
                  [](const Placed& a, const Placed& b) { return a.at.east < b.at.east; });
        for (size_t a = 0; a < points.size(); ++a) {
            const Placed& p = points[a];
            for (size_t b = a + 1; b < points.size(); ++b) {
                const Placed& q = points[b];
                if (q.at.east - p.at.east > kSamePositionReach) {
                    break;
                }
                const double apart = Distance(p.at, q.at);
                const std::string_view pn = PointNumber(ws_, PointKind(p.table), p.row);
                const std::string_view qn = PointNumber(ws_, PointKind(q.table), q.row);
                if (apart > kSamePositionReach || pn == qn) {
                    continue;
                }
                // Named on the later of the two, as the tables list them.
                const bool pFirst = std::pair(p.table, p.row) < std::pair(q.table, q.row);
                const Placed& later = pFirst ? q : p;
                const Placed& earlier = pFirst ? p : q;
                Finding& f =
                    report_.add("point-duplicate-position", later.table, later.row,
                                Utf8(pFirst ? qn : pn) + " ile " + Utf8(pFirst ? pn : qn) +
                                    " aynı konumda (" + Fixed(apart * 1000, 1) + " mm arayla)");
                report_.setValues(
                    f, {{"distance", apart}, {"other_row", static_cast<double>(earlier.row)}});
                report_.setTexts(f, {{"other", Utf8(pFirst ? pn : qn)},
                                     {"other_table", std::string(TableOf(earlier.table).caption)}});
                f.at = later.at;
            }
        }
    }

    std::optional<Vertex> pointPosition(const PointRef& ref) {
        const Table& table = ws_.table(KindOf(ref.kind).table);
        const Columns& c = ColumnsOf(ref.kind);
        Vertex v;
        if (!ParseCoordinate(table.cell(c.y, ref.row), v.east) ||
            !ParseCoordinate(table.cell(c.x, ref.row), v.north)) {
            return std::nullopt;
        }
        return v;
    }

    void lineEnd(int row, std::string_view number, const Vertex& end, const char* which) {
        if (number.empty()) {
            return;
        }
        const std::optional<PointRef> ref = points_->findRaw(number);
        if (!ref) {
            return;
        }
        const std::optional<Vertex> at = pointPosition(*ref);
        if (!at) {
            return;
        }
        const double apart = Distance(*at, end);
        if (apart > kLineEndReach) {
            const std::string name = Utf8(PointNumber(ws_, ref->kind, ref->row));
            Finding& f = report_.add("line-endpoint-mismatch", TableId::Lines, row,
                                     std::string(which) + " " + name +
                                         " noktasını adlandırıyor ama nokta uçtan " +
                                         Fixed(apart, 3) + " m uzakta");
            report_.setValues(f,
                              {{"distance", apart}, {"point_row", static_cast<double>(ref->row)}});
            f.at = end;
        }
    }

    void lines_() {
        const Table& table = ws_.table(TableId::Lines);
        const Columns& c = ColumnsOf(Kind::Hat);
        const Columns endColumns{.x = c.endX, .y = c.endY};
        for (int row = 1; row < table.rowCount(); ++row) {
            stopIfCancelled(row);
            const std::optional<Vertex> start = position(TableId::Lines, c, row);
            const std::optional<Vertex> end = position(TableId::Lines, endColumns, row);
            (void)number(TableId::Lines, c.z, row, true);
            (void)number(TableId::Lines, c.endZ, row, true);
            if (!start || !end) {
                continue;
            }
            placed_.push_back({*start, TableId::Lines, row});
            if (Distance(*start, *end) < kZeroLength) {
                Finding& f = report_.add("line-zero-length", TableId::Lines, row,
                                         "hattın iki ucu aynı konumda (uzunluk " +
                                             Fixed(Distance(*start, *end) * 1000, 1) + " mm)");
                report_.setValues(f, {{"length", Distance(*start, *end)}});
                f.at = *start;
            }
            lineEnd(row, table.cell(c.number, row), *start, "ilk uç");
            lineEnd(row, table.cell(c.endNumber, row), *end, "son uç");
        }
    }

    void symbols() {
        const Table& table = ws_.table(TableId::Symbols);
        const int column = ColumnsOf(Kind::Sembol).number;
        for (int row = 1; row < table.rowCount(); ++row) {
            stopIfCancelled(row);
            const std::string_view number = table.cell(column, row);
            if (!points_->findRaw(number)) {
                Finding& f = report_.add("symbol-point-missing", TableId::Symbols, row,
                                         "sembolün noktası '" + Utf8(number) + "' bulunamadı");
                report_.setTexts(f, {{"point", Utf8(number)}});
            }
        }
    }

    void labels() {
        const TableId id = KindOf(Kind::Yazi).table;
        const Table& table = ws_.table(id);
        const Columns& c = ColumnsOf(Kind::Yazi);
        for (int row = 1; row < table.rowCount(); ++row) {
            stopIfCancelled(row);
            std::optional<Vertex> at = position(id, c, row);
            (void)number(id, c.height, row);
            (void)number(id, c.angle, row);
            if (at) {
                placed_.push_back({*at, id, row});
            }
        }
    }

    void parcels() {
        const Table& table = ws_.table(TableId::Parcels);
        const Table& corners = ws_.table(TableId::ParcelCorners);
        const Columns& c = ColumnsOf(Kind::Parsel);
        std::unordered_map<std::string, int> byName;
        std::vector<Vertex> ring;
        for (int row = 1; row < table.rowCount(); ++row) {
            stopIfCancelled(row);
            const std::string name =
                Utf8(table.cell(c.block, row)) + "/" + Utf8(table.cell(c.parcel, row));
            if (auto [it, isNew] = byName.emplace(name, row); !isNew) {
                Finding& f = report_.add(
                    "parcel-duplicate", TableId::Parcels, row,
                    name + " ikinci kez: ilk kaydı Ada Parsel satır " + std::to_string(it->second));
                report_.setValues(f, {{"other_row", static_cast<double>(it->second)}});
            }
            // The corners the corner table holds for the parcel, against the count read.
            int found = 0;
            for (int k = 1; k < corners.storedRows(row); ++k) {
                found += corners.cell(row, k).empty() ? 0 : 1;
            }
            const std::string_view countCell = table.cell(c.cornerCount, row);
            const std::optional<int32_t> count = TryStrToInt(countCell);
            if (!count) {
                Finding& f = report_.add(
                    "export-stops", TableId::Parcels, row,
                    "dışa aktarım bu hücrede durur: " + Header(TableId::Parcels, c.cornerCount) +
                        " '" + Utf8(countCell) + "' bir sayı değil" +
                        (countCell.empty() ? " (parselin köşe satırı yok)" : ""));
                report_.setTexts(f, {{"column", Header(TableId::Parcels, c.cornerCount)},
                                     {"value", Utf8(countCell)}});
            } else if (*count != found) {
                Finding& f =
                    report_.add("parcel-corner-count", TableId::Parcels, row,
                                name + ": Köse Sayısı " + std::to_string(*count) +
                                    ", köşe tablosunda " + std::to_string(found) + " köşe var");
                report_.setValues(f, {{"count", static_cast<double>(*count)},
                                      {"corners_found", static_cast<double>(found)}});
            }
            const std::optional<double> declared = number(TableId::Parcels, c.area, row);
            if (!ParcelCornersOf(ws_, row, ring)) {
                if (count && *count > 0) {
                    unreadableCorners(row, std::min(*count, found));
                }
                if (!count || *count < 3) {
                    tooFew(row, name, count ? std::max(*count, 0) : 0);
                }
                continue;
            }
            placed_.push_back({ring.front(), TableId::Parcels, row});
            std::vector<Vertex> distinct = DistinctRing(ring);
            if (distinct.size() < 3) {
                tooFew(row, name, static_cast<int>(distinct.size()));
                continue;
            }
            if (declared) {
                area(row, name, ShoelaceArea(ring), *declared, ring);
            }
            shapes_.push_back({row, name, std::move(distinct)});
        }
    }

    void unreadableCorners(int row, int count) {
        const Table& corners = ws_.table(TableId::ParcelCorners);
        for (int k = 1; k <= count; ++k) {
            const CornerCell corner = SplitCornerCell(corners.cell(row, k));
            double value = 0;
            for (auto [part, what] : {std::pair{corner.y, "Y"}, std::pair{corner.x, "X"}}) {
                if (!ParseCoordinate(part, value)) {
                    Finding& f =
                        report_.addAtCorner("coordinate-unreadable", row, k,
                                            "köşe " + std::to_string(k) + " " + what + " '" +
                                                Utf8(part) + "' sayı olarak okunamıyor");
                    report_.setTexts(f, {{"column", what}, {"value", Utf8(part)}});
                    report_.setValues(f, {{"corner", static_cast<double>(k)}});
                }
            }
        }
    }

    void tooFew(int row, const std::string& name, int corners) {
        Finding& f = report_.add(
            "parcel-too-few-corners", TableId::Parcels, row,
            name + ": " + std::to_string(corners) + " ayrı köşe; bir parsel en az 3 köşe ister");
        report_.setValues(f, {{"corners", static_cast<double>(corners)}});
    }

    // The corners without a corner repeated right after itself, and without the first one
    // repeated at the end to close the ring.
    static std::vector<Vertex> DistinctRing(const std::vector<Vertex>& ring) {
        std::vector<Vertex> distinct;
        for (const Vertex& v : ring) {
            if (distinct.empty() || v.east != distinct.back().east ||
                v.north != distinct.back().north) {
                distinct.push_back(v);
            }
        }
        while (distinct.size() > 1 && distinct.back().east == distinct.front().east &&
               distinct.back().north == distinct.front().north) {
            distinct.pop_back();
        }
        return distinct;
    }

    void area(int row, const std::string& name, double computed, double declared,
              const std::vector<Vertex>& ring) {
        const double difference = std::fabs(computed - declared);
        const std::optional<double> limit = AreaLimit(options_.areaRule, options_.scale, declared);
        if (limit && difference <= *limit) {
            return;
        }
        std::string message = name + ": köşelerden alan " + Fixed(computed) + " m², Alan " +
                              Fixed(declared) + " m², fark " + Fixed(difference) + " m²";
        message += limit ? " > sınır " + Fixed(*limit) + " m² (" +
                               std::string(AreaRuleName(options_.areaRule)) +
                               ", 1:" + Fixed(options_.scale, 0) + ")"
                         : " (sınır yok)";
        Finding& f = report_.add("parcel-area", TableId::Parcels, row, message);
        if (!limit) {
            f.severity = Severity::Warning;  // reported, not judged
        }
        const FindingValue values[] = {{"computed_area", computed},
                                       {"declared_area", declared},
                                       {"difference", difference},
                                       {"limit", limit.value_or(0)}};
        report_.setValues(f, std::span(values, limit ? 4 : 3));
        Bounds box;
        for (const Vertex& v : ring) {
            box.add(v.east, v.north);
        }
        f.at = Vertex{(box.minEast + box.maxEast) / 2, (box.minNorth + box.maxNorth) / 2};
    }

    // Features far from the median position of all of them: a wrong zone or a dropped digit.
    void outliers() {
        if (placed_.size() < 3) {
            return;
        }
        // The median of each axis in turn, through one vector of the positions' values.
        const size_t middle = placed_.size() / 2;
        std::vector<double> values(placed_.size());
        auto medianOf = [&](double Vertex::*axis) {
            for (size_t i = 0; i < placed_.size(); ++i) {
                values[i] = placed_[i].at.*axis;
            }
            std::nth_element(values.begin(), values.begin() + static_cast<ptrdiff_t>(middle),
                             values.end());
            return values[middle];
        };
        const Vertex median{medianOf(&Vertex::east), medianOf(&Vertex::north)};
        std::vector<double>().swap(values);
        // Control points may lie far from the sheet they serve: they are no outliers.
        std::vector<const Placed*> far;
        for (const Placed& p : placed_) {
            if (p.table != TableId::TriangulationPoints && p.table != TableId::TraversePoints &&
                Distance(p.at, median) > kOutlierReach) {
                far.push_back(&p);
            }
        }
        if (far.size() > placed_.size() / 100 + 10) {
            // So many are far that the drawing covers a wide area rather than holding a few
            // misplaced features: said once, on the first of them.
            const Placed& p = *far.front();
            Finding& f =
                report_.add("outlier", p.table, p.row,
                            std::to_string(far.size()) + " özellik (yüzde " +
                                Fixed(100.0 * static_cast<double>(far.size()) /
                                          static_cast<double>(placed_.size()),
                                      1) +
                                ") çizimin orta konumundan 5 km'den uzakta: çizim geniş bir alana "
                                "yayılıyor; tek tek bildirilmedi");
            report_.setValues(f, {{"far_features", static_cast<double>(far.size())},
                                  {"median_y", median.east},
                                  {"median_x", median.north}});
            f.at = p.at;
            return;
        }
        for (const Placed* p : far) {
            const double away = Distance(p->at, median);
            Finding& f =
                report_.add("outlier", p->table, p->row,
                            "çizimin orta konumundan " + Fixed(away / 1000, 1) + " km uzakta");
            report_.setValues(
                f, {{"distance", away}, {"median_y", median.east}, {"median_x", median.north}});
            f.at = p->at;
        }
    }

    const Workspace& ws_;
    const CheckOptions& options_;
    Reporter report_;
    std::optional<PointIndex> points_;
    bool declared_[kLayerRows] = {};
    std::vector<Placed> placed_;
    std::vector<ParcelShape> shapes_;
};

}  // namespace

Findings CheckWorkspace(const Workspace& workspace, const RowLines& lines,
                        const std::vector<FailedRecord>& failures, const CheckOptions& options) {
    Findings findings;
    Checker checker(workspace, lines, options, findings);
    checker.run(failures, lines);
    findings.sortByLine();
    return findings;
}

}  // namespace plotaktar::check
