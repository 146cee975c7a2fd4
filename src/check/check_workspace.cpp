#include "check/check_workspace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <unordered_map>

#include "check/parcel_geometry.h"
#include "check/reporter.h"
#include "drawing/pick.h"
#include "drawing/survey_model.h"
#include "model/cp1254.h"
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

// The point kind whose rows a point table holds.
Kind PointKind(TableId table) {
    return table == TableId::TriangulationPoints ? Kind::Nirengi
           : table == TableId::TraversePoints    ? Kind::Poligon
                                                 : Kind::Nokta;
}

double Distance(const Vertex& a, const Vertex& b) {
    return std::hypot(a.east - b.east, a.north - b.north);
}

// What one row of a table gives: its layer cell and, for a point, its number.
class RowReader : public SurveyVisitor {
  public:
    bool point(const SurveyPoint& e) override { return take(e.layer, e.number); }
    bool line(const SurveyLine& e) override { return take(e.layer); }
    bool parcel(const SurveyParcel& e) override { return take(e.layer); }
    bool label(const SurveyLabel& e) override { return take(e.layer); }
    bool symbol(const SurveySymbol& e) override { return take(e.layer); }
    bool record(const SurveyRecord& e) override { return take(e.layer); }

    std::string_view layerCell, number;

  private:
    bool take(const LayerRef& layer, std::string_view pointNumber = {}) {
        layerCell = layer.cell;
        number = pointNumber;
        return true;
    }
};

// The parts of the check, over the survey model of one workspace: the elements are read once,
// kind after kind, and what the later parts need of them is kept in `placed_`.
class Checker : public SurveyVisitor {
  public:
    Checker(const Workspace& ws, const RowLines& lines, const CheckOptions& options,
            Findings& findings)
        : model_(ws), options_(options), report_(lines, findings) {}

    void run(const std::vector<FailedRecord>& failures, const RowLines& lines) {
        stopIfCancelled();
        failedRecords(failures, lines);
        // A place for each point, line, label and parcel, made room for at once: grown a
        // doubling at a time, a million places would be held twice over while they move.
        size_t places = 0;
        for (Kind kind :
             {Kind::Nirengi, Kind::Poligon, Kind::Nokta, Kind::Hat, Kind::Yazi, Kind::Parsel}) {
            places += model_.count(kind);
        }
        placed_.reserve(places);
        visit({Kind::Nirengi, Kind::Poligon, Kind::Nokta});
        points_ = placed_.size();
        sameNumbersPending();
        stopIfCancelled();
        visit({Kind::Hat});
        visit({Kind::Sembol});
        stopIfCancelled();
        samePositions();
        model_.releasePoints();  // its memory back before the parcels' geometry
        stopIfCancelled();
        visit({Kind::Yazi, Kind::Parsel, Kind::Bina, Kind::Sev});
        decltype(parcelRows_)().swap(parcelRows_);
        stopIfCancelled();
        outliers();
        // The positions' memory back before the parcels' geometry.
        std::vector<Placed>().swap(placed_);
        CheckParcelGeometry(shapes_, report_, options_.cancel);
    }

    bool point(const SurveyPoint& e) override {
        const int row = begin(e.source, e.kind, e.layer);
        const TableId table = *e.source.table;
        const Columns& c = ColumnsOf(e.kind);
        unreadable(e.kind, row, {{c.y, e.y}, {c.x, e.x}, {c.z, e.z, true}});
        if (!e.y.value || !e.x.value) {
            return true;
        }
        const Vertex at{*e.y.value, *e.x.value};
        placed_.push_back({at, table, row});
        // One number at two places: against the first row of that number, read before this
        // one unless a table read later stores it.
        const std::optional<PointRef> first = model_.points().findStored(e.number);
        if (!first || (first->kind == e.kind && first->row == row)) {
            return true;
        }
        const Placed* other = placedPoint(*first);
        if (other == nullptr &&
            std::pair(KindOf(first->kind).table, first->row) > std::pair(table, row)) {
            pending_.push_back({placed_.size() - 1, *first, e.number});
            return true;
        }
        sameNumber(placed_.back(), *first, other, e.number);
        return true;
    }

    bool line(const SurveyLine& e) override {
        const int row = begin(e.source, Kind::Hat, e.layer);
        const Columns& c = ColumnsOf(Kind::Hat);
        unreadable(Kind::Hat, row,
                   {{c.y, e.y1},
                    {c.x, e.x1},
                    {c.endY, e.y2},
                    {c.endX, e.x2},
                    {c.z, e.z1, true},
                    {c.endZ, e.z2, true}});
        if (e.unread) {
            return true;
        }
        const Vertex start{*e.y1.value, *e.x1.value};
        const Vertex end{*e.y2.value, *e.x2.value};
        placed_.push_back({start, TableId::Lines, row});
        if (Distance(start, end) < kZeroLength) {
            Finding& f = report_.add("line-zero-length", TableId::Lines, row,
                                     "hattın iki ucu aynı konumda (uzunluk " +
                                         Fixed(Distance(start, end) * 1000, 1) + " mm)");
            report_.setValues(f, {{"length", Distance(start, end)}});
            f.at = start;
        }
        lineEnd(row, e.from, start, "ilk uç");
        lineEnd(row, e.to, end, "son uç");
        return true;
    }

    bool symbol(const SurveySymbol& e) override {
        const int row = begin(e.source, Kind::Sembol, e.layer);
        if (e.unread && e.unread->why == Unread::Why::NoSuchPoint) {
            Finding& f = report_.add("symbol-point-missing", TableId::Symbols, row,
                                     "sembolün noktası '" + Utf8(e.point) + "' bulunamadı");
            report_.setTexts(f, {{"point", Utf8(e.point)}});
        }
        return true;
    }

    bool label(const SurveyLabel& e) override {
        const int row = begin(e.source, Kind::Yazi, e.layer);
        const Columns& c = ColumnsOf(Kind::Yazi);
        unreadable(Kind::Yazi, row,
                   {{c.y, e.y}, {c.x, e.x}, {c.height, e.height}, {c.angle, e.angle}});
        if (e.y.value && e.x.value) {
            placed_.push_back({{*e.y.value, *e.x.value}, *e.source.table, row});
        }
        return true;
    }

    bool record(const SurveyRecord& e) override {
        (void)begin(e.source, e.kind, e.layer);
        return true;
    }

    bool parcel(const SurveyParcel& e) override {
        const int row = begin(e.source, Kind::Parsel, e.layer);
        const Columns& c = ColumnsOf(Kind::Parsel);
        const std::string name = Utf8(e.block) + "/" + Utf8(e.parcel);
        if (auto [it, isNew] = parcelRows_.emplace(name, row); !isNew) {
            Finding& f = report_.add(
                "parcel-duplicate", TableId::Parcels, row,
                name + " ikinci kez: ilk kaydı Ada Parsel satır " + std::to_string(it->second));
            report_.setValues(f, {{"other_row", static_cast<double>(it->second)}});
        }
        // The corners the corner table holds for the parcel, against the count read.
        const int found =
            static_cast<int>(std::count_if(e.cornerCells.begin(), e.cornerCells.end(),
                                           [](std::string_view cell) { return !cell.empty(); }));
        const std::optional<int32_t> count = e.cornerCount;
        if (!count) {
            const std::string column = Header(TableId::Parcels, c.cornerCount);
            Finding& f =
                report_.add("export-stops", TableId::Parcels, row,
                            "dışa aktarım bu hücrede durur: " + UnreadReason(*e.unread) +
                                (e.cornerCountCell.empty() ? " (parselin köşe satırı yok)" : ""));
            report_.setTexts(f, {{"column", column}, {"value", Utf8(e.cornerCountCell)}});
        } else if (*count != found) {
            Finding& f =
                report_.add("parcel-corner-count", TableId::Parcels, row,
                            name + ": Köse Sayısı " + std::to_string(*count) +
                                ", köşe tablosunda " + std::to_string(found) + " köşe var");
            report_.setValues(f, {{"count", static_cast<double>(*count)},
                                  {"corners_found", static_cast<double>(found)}});
        }
        unreadable(Kind::Parsel, row, {{c.area, e.area}});
        if (e.unread || e.corners.empty()) {
            if (count && *count > 0) {
                unreadableCorners(
                    row, e.cornerCells.first(static_cast<size_t>(std::min(*count, found))));
            }
            if (!count || *count < 3) {
                tooFew(row, name, count ? std::max(*count, 0) : 0);
            }
            return true;
        }
        ring_.clear();
        for (const SurveyCorner& corner : e.corners) {
            ring_.push_back({corner.east, corner.north});
        }
        placed_.push_back({ring_.front(), TableId::Parcels, row});
        std::vector<Vertex> distinct = DistinctRing(ring_);
        if (distinct.size() < 3) {
            tooFew(row, name, static_cast<int>(distinct.size()));
            return true;
        }
        if (e.area.value) {
            area(row, name, ShoelaceArea(ring_), *e.area.value, ring_);
        }
        shapes_.push_back({row, name, std::move(distinct)});
        return true;
    }

  private:
    void stopIfCancelled() const { StopIfCancelled(options_.cancel); }

    struct Placed {
        Vertex at;
        TableId table;
        int row;
    };

    // A point whose number a table read later stores first.
    struct PendingNumber {
        size_t placed;
        PointRef first;
        std::string_view number;
    };

    void visit(std::initializer_list<Kind> kinds) {
        model_.visit(*this, std::span(kinds.begin(), kinds.size()));
    }

    // What every row is checked for first: its layer. Returns the row; stops every 4096 rows
    // once the check is cancelled.
    int begin(const ElementSource& source, Kind kind, const LayerRef& layer) {
        const int row = static_cast<int>(source.row);
        if ((row & 4095) == 0) {
            StopIfCancelled(options_.cancel);
        }
        layerOf(KindOf(kind), row, layer);
        return row;
    }

    // A number cell of a row and its column; an empty one is read as missing when `optional`.
    struct NumberField {
        int column;
        const NumberCell& cell;
        bool optional = false;
    };

    // The number cells the model could not read, in order: a coordinate-unreadable finding
    // each, in the words the export leaves a record out with.
    void unreadable(Kind kind, int row, std::initializer_list<NumberField> fields) {
        const TableId table = KindOf(kind).table;
        for (const NumberField& field : fields) {
            if (field.cell.value || (field.optional && field.cell.text.empty())) {
                continue;
            }
            const Unread unread{Unread::Why::NotANumber, NumberFieldName(kind, field.column),
                                field.column, 0, field.cell.text};
            Finding& f = report_.add("coordinate-unreadable", table, row, UnreadReason(unread));
            report_.setTexts(
                f, {{"column", Header(table, field.column)}, {"value", Utf8(field.cell.text)}});
        }
    }

    // The stored number of a point row, as its table shows it.
    std::string_view pointNumber(const PointRef& ref) {
        RowReader reader;
        model_.visitRow(KindOf(ref.kind).table, ref.row, reader);
        return reader.number;
    }

    // The place of a point read before, found among the points' places in the order read;
    // null for a point whose Y or X is not a number.
    const Placed* placedPoint(const PointRef& ref) const {
        const auto key = std::pair(KindOf(ref.kind).table, ref.row);
        const auto points = std::span(placed_).first(std::min(points_, placed_.size()));
        auto found = std::lower_bound(points.begin(), points.end(), key,
                                      [](const Placed& p, const std::pair<TableId, int>& k) {
                                          return std::pair(p.table, p.row) < k;
                                      });
        return found != points.end() && found->table == key.first && found->row == key.second
                   ? &*found
                   : nullptr;
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
            RowReader reader;
            if (row > 0) {
                model_.visitRow(kind->table, row, reader);
            }
            const std::string cell = Utf8(reader.layerCell);
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
    void layerOf(const KindEntry& kind, int row, const LayerRef& layer) {
        if (!layer.integer || layer.layer == nullptr) {
            if (kind.plotSection != 0) {
                const int column = TableOf(kind.table).columns.layer;
                Finding& f =
                    report_.add("export-stops", kind.table, row,
                                "dışa aktarım bu hücrede durur: " + Header(kind.table, column) +
                                    " '" + Utf8(layer.cell) + "' bir tabaka numarası değil");
                report_.setTexts(
                    f, {{"column", Header(kind.table, column)}, {"value", Utf8(layer.cell)}});
            }
            return;
        }
        if (!layer.layer->declared) {
            const bool label = kind.kind == Kind::Yazi;
            Finding& f = report_.add(
                label ? "label-undeclared-layer" : "feature-undeclared-layer", kind.table, row,
                std::string(label ? "yazı" : "kayıt") + " " + std::to_string(layer.layer->number) +
                    " numaralı tabakada; bu tabaka tanımlı değil");
            report_.setValues(f, {{"layer", static_cast<double>(layer.layer->number)}});
        }
    }

    // Point `p` has the number `number`, which the row `first` has first.
    void sameNumber(const Placed& p, const PointRef& first, const Placed* other,
                    std::string_view number) {
        const double apart = other ? Distance(p.at, other->at) : 0;
        if (apart > kSameNumberReach) {
            const TableId firstTable = KindOf(first.kind).table;
            Finding& f = report_.add("point-duplicate-number", p.table, p.row,
                                     Utf8(number) + " numarası iki ayrı konumda: " +
                                         std::string(TableOf(firstTable).caption) + " satır " +
                                         std::to_string(first.row) + " ile " + Fixed(apart, 3) +
                                         " m arayla");
            report_.setValues(f,
                              {{"distance", apart}, {"other_row", static_cast<double>(first.row)}});
            f.at = p.at;
        }
    }

    void sameNumbersPending() {
        for (const PendingNumber& p : pending_) {
            sameNumber(placed_[p.placed], p.first, placedPoint(p.first), p.number);
        }
        std::vector<PendingNumber>().swap(pending_);
    }

    // Two numbers at one place. The points are the first entries of placed_.
    void samePositions() {
        const std::span<Placed> points = std::span(placed_).first(points_);
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
                if (apart > kSamePositionReach) {
                    continue;
                }
                const std::string_view pn = pointNumber({PointKind(p.table), p.row});
                const std::string_view qn = pointNumber({PointKind(q.table), q.row});
                if (pn == qn) {
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

    void lineEnd(int row, std::string_view number, const Vertex& end, const char* which) {
        if (number.empty()) {
            return;
        }
        // Read while the lines are walked: a point row's reading touches none of that walk.
        const std::optional<PointRef> ref = model_.points().findRaw(number);
        const Placed* at = ref ? placedPoint(*ref) : nullptr;
        if (at == nullptr) {
            return;
        }
        const double apart = Distance(at->at, end);
        if (apart > kLineEndReach) {
            const std::string name = Utf8(pointNumber(*ref));
            Finding& f = report_.add("line-endpoint-mismatch", TableId::Lines, row,
                                     std::string(which) + " " + name +
                                         " noktasını adlandırıyor ama nokta uçtan " +
                                         Fixed(apart, 3) + " m uzakta");
            report_.setValues(f,
                              {{"distance", apart}, {"point_row", static_cast<double>(ref->row)}});
            f.at = end;
        }
    }

    // The corners' fields that are not numbers, named at their corner lines.
    void unreadableCorners(int row, std::span<const std::string_view> cells) {
        for (size_t i = 0; i < cells.size(); ++i) {
            const CornerReading read = ReadCorner(cells[i], static_cast<int>(i + 1));
            for (const std::optional<Unread>& unread : {read.y, read.x}) {
                if (!unread) {
                    continue;
                }
                Finding& f = report_.addAtCorner("coordinate-unreadable", row, unread->corner,
                                                 UnreadReason(*unread));
                report_.setTexts(
                    f, {{"column", std::string(unread->field)}, {"value", Utf8(unread->cell)}});
                report_.setValues(f, {{"corner", static_cast<double>(unread->corner)}});
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

    SurveyModel model_;
    const CheckOptions& options_;
    Reporter report_;
    std::vector<Placed> placed_;
    // The first entries of placed_ are the points': all of them while they are read.
    size_t points_ = SIZE_MAX;
    std::vector<PendingNumber> pending_;
    std::unordered_map<std::string, int> parcelRows_;  // by "ada/parsel", its first row
    std::vector<Vertex> ring_;
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
