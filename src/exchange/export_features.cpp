#include "exchange/export_features.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

#include "drawing/drawing.h"
#include "exchange/coordinate_step.h"
#include "model/cp1254.h"
#include "model/text.h"

namespace plotaktar {

namespace {

constexpr uint64_t kProgressEvery = 4096;
// Why a value computed from finite cells is left out: no format can hold it.
constexpr const char kBeyondDoubles[] = "too large for a number of any format";

std::string Quoted(std::string_view cell) {
    return QuotedForMessage(cell);
}

// The kinds the export writes, in the order it writes them.
constexpr Kind kExportOrder[] = {Kind::Nirengi, Kind::Poligon, Kind::Nokta, Kind::Hat,
                                 Kind::Parsel,  Kind::Yazi,    Kind::Sembol};

FeatureSource SourceOf(const ElementSource& source) {
    return {source.table, static_cast<int>(source.row), source.offset};
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
    : ownModel_(std::make_unique<SurveyModel>(workspace)),
      model_(ownModel_.get()),
      systems_(systems) {
    readLayers();
}

ExportFeatures::ExportFeatures(SurveyModel& model, const CoordinateStep* systems)
    : model_(&model), systems_(systems) {
    readLayers();
}

void ExportFeatures::readLayers() {
    for (const SurveyLayer* declared : model_->declaredLayers()) {
        ExportLayer layer;
        layer.number = declared->number;
        layer.name = declared->name;
        layer.colour = declared->colour.value_or(7);
        layer.lineType = declared->lineType;
        layer.thickness = declared->thickness;
        layer.on = declared->on;
        layerIndex_.emplace(declared, layers_.size());
        layers_.push_back(layer);
    }
}

ExportFeatures::~ExportFeatures() = default;

uint64_t ExportFeatures::rowCount() const {
    uint64_t rows = 0;
    for (Kind kind : kExportOrder) {
        rows += model_->count(kind);
    }
    return rows;
}

std::vector<ExportFeatures::FirstUse> ExportFeatures::fonts() const {
    struct Fonts : SurveyVisitor {
        std::set<std::string_view> seen;
        std::vector<FirstUse> distinct;
        bool label(const SurveyLabel& e) override {
            if (!e.font.empty() && seen.insert(e.font).second) {
                distinct.push_back({e.font, SourceOf(e.source)});
            }
            return true;
        }
    } fonts;
    model_->visit(fonts, std::array{Kind::Yazi});
    return fonts.distinct;
}

std::vector<ExportFeatures::FirstUse> ExportFeatures::symbolNumbers() const {
    struct Symbols : SurveyVisitor {
        std::set<std::string_view> seen;
        std::vector<FirstUse> distinct;
        bool symbol(const SurveySymbol& e) override {
            const std::string_view number = Trim(e.symbol);
            if (!number.empty() && seen.insert(number).second) {
                distinct.push_back({number, SourceOf(e.source)});
            }
            return true;
        }
    } symbols;
    model_->visit(symbols, std::array{Kind::Sembol});
    return symbols.distinct;
}

std::optional<std::pair<Position, Position>> ExportFeatures::extent(bool placed) const {
    struct Extent : SurveyVisitor {
        const CoordinateStep* systems = nullptr;
        std::optional<std::pair<Position, Position>> box;
        void add(const NumberCell& y, const NumberCell& x) {
            if (!y.value || !x.value) {
                return;
            }
            Position p{*y.value, *x.value, std::nullopt};
            if (systems != nullptr && !systems->apply(p)) {
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
        }
        bool point(const SurveyPoint& e) override {
            add(e.y, e.x);
            return true;
        }
        bool line(const SurveyLine& e) override {
            add(e.y1, e.x1);
            add(e.y2, e.x2);
            return true;
        }
        bool label(const SurveyLabel& e) override {
            add(e.y, e.x);
            return true;
        }
    } extent;
    extent.systems = placed ? systems_ : nullptr;
    model_->visit(extent,
                  std::array{Kind::Nirengi, Kind::Poligon, Kind::Nokta, Kind::Hat, Kind::Yazi});
    return extent.box;
}

void ExportFeatures::leaveOut(FeatureSource source, std::string what) {
    ++counts_.leftOut;
    notes_.push_back({source, true, "left out: " + what});
}

LayerOf ExportFeatures::layerOf(const LayerRef& ref, FeatureSource source) {
    LayerOf layer{nullptr, ref.cell};
    if (ref.layer != nullptr) {
        if (auto found = layerIndex_.find(ref.layer); found != layerIndex_.end()) {
            layer.layer = &layers_[found->second];
            return layer;
        }
    }
    if (model_->fromPlotFile()) {
        // A plot file names a layer; one without its "TA" record is no declared one.
        notes_.push_back({source, false,
                          "on no layer: layer " + Quoted(layer.cell) + " names no declared layer"});
        return layer;
    }
    const std::string why = ref.integer ? "names no declared layer" : "is not a layer number";
    notes_.push_back({source, false, "on no layer: layer " + Quoted(layer.cell) + " " + why});
    return layer;
}

template <typename Name>
bool ExportFeatures::place(Position& position, FeatureSource source, const Name& name) {
    if (systems_ == nullptr || systems_->apply(position)) {
        return true;
    }
    auto number = [](double value) {
        char text[32];
        auto [end, ec] = std::to_chars(text, text + sizeof text, value);
        return std::string(text, ec == std::errc() ? end : text);
    };
    leaveOut(source, name() + ": Y " + number(position.east) + " X " + number(position.north) +
                         " has no place in EPSG:" + std::to_string(systems_->targetEpsg()));
    return false;
}

bool ExportFeatures::tick() {
    ++done_;
    return done_ % kProgressEvery != 0 || (*progress_)(done_);
}

// The elements of the survey model as features for the sink, each one row done. An element's
// name is made only for a message about it: most elements have none.
class ExportFeatures::Walk : public SurveyVisitor {
  public:
    Walk(ExportFeatures& features, FeatureSink& sink) : x_(features), sink_(sink) {}

    bool point(const SurveyPoint& e) override {
        if (!x_.tick()) {
            return false;
        }
        PointFeature f{SourceOf(e.source), e.kind, e.number, {}, e.z.text, {}};
        const auto name = [&] { return "point " + Quoted(e.number); };
        if (e.unread) {
            x_.leaveOut(f.source, name() + ": " + UnreadReason(*e.unread));
            return true;
        }
        f.at = {*e.y.value, *e.x.value, std::nullopt};
        if (!x_.place(f.at, f.source, name)) {
            return true;
        }
        f.at.z = e.z.value;
        f.layer = x_.layerOf(e.layer, f.source);
        sink_.point(f);
        ++x_.counts_.written[static_cast<int>(ExportKind::Point)];
        return true;
    }

    bool line(const SurveyLine& e) override {
        if (!x_.tick()) {
            return false;
        }
        LineFeature f{SourceOf(e.source), e.from, e.to, {}, {}, {}};
        const auto name = [&] { return "line " + Quoted(e.from) + "-" + Quoted(e.to); };
        if (e.unread) {
            x_.leaveOut(f.source, name() + ": " + UnreadReason(*e.unread));
            return true;
        }
        f.a = {*e.y1.value, *e.x1.value, std::nullopt};
        f.b = {*e.y2.value, *e.x2.value, std::nullopt};
        if (!x_.place(f.a, f.source, name) || !x_.place(f.b, f.source, name)) {
            return true;
        }
        f.a.z = e.z1.value;
        f.b.z = e.z2.value;
        f.layer = x_.layerOf(e.layer, f.source);
        sink_.line(f);
        ++x_.counts_.written[static_cast<int>(ExportKind::Line)];
        return true;
    }

    bool parcel(const SurveyParcel& e) override {
        if (!x_.tick()) {
            return false;
        }
        ParcelFeature f{
            SourceOf(e.source), e.block, e.parcel, e.area.text, e.area.value, {}, 0, {}, {}};
        const auto name = [&] { return "parcel " + Quoted(f.block) + "/" + Quoted(f.parcel); };
        if (e.cornerCount && *e.cornerCount < 3) {
            x_.leaveOut(f.source,
                        name() + ": " + std::to_string(*e.cornerCount) + " corners, fewer than 3");
            return true;
        }
        if (e.unread) {
            x_.leaveOut(f.source, name() + ": " + UnreadReason(*e.unread));
            return true;
        }
        std::vector<Position>& corners = x_.corners_;
        corners.clear();
        for (const SurveyCorner& c : e.corners) {
            corners.push_back({c.east, c.north, c.z});
        }
        // The area and the inside point in the drawing's metres, before the corners move.
        f.cornerArea = CornerArea(corners);
        if (!std::isfinite(f.cornerArea)) {
            x_.leaveOut(f.source, name() + ": " + kBeyondDoubles);
            return true;
        }
        f.inside = InsidePoint(corners);
        if (!std::isfinite(f.inside.east) || !std::isfinite(f.inside.north)) {
            f.inside = corners[0];  // a point inside is beyond the doubles: the text at a corner
        }
        bool placed = x_.place(f.inside, f.source, name);
        for (size_t k = 0; k < corners.size() && placed; ++k) {
            placed = x_.place(corners[k], f.source,
                              [&] { return name() + " corner " + std::to_string(k + 1); });
        }
        if (!placed) {
            return true;
        }
        f.corners = corners;
        f.layer = x_.layerOf(e.layer, f.source);
        sink_.parcel(f);
        ++x_.counts_.written[static_cast<int>(ExportKind::Parcel)];
        return true;
    }

    bool label(const SurveyLabel& e) override {
        if (!x_.tick()) {
            return false;
        }
        LabelFeature f{SourceOf(e.source), e.text, e.font, {}, 0, 1, 0, false, false, {}};
        const auto name = [&] { return "label " + Quoted(f.text); };
        std::optional<Unread> unread = e.unread ? e.unread : WidthUnread(e);
        if (unread) {
            x_.leaveOut(f.source, name() + ": " + UnreadReason(*unread));
            return true;
        }
        f.at = {*e.y.value, *e.x.value, std::nullopt};
        f.height = *e.height.value;
        if (!x_.place(f.at, f.source, name)) {
            return true;
        }
        const double width = e.width.value.value_or(0);
        f.widthFactor = !e.width.value || f.height <= 0 || width <= 0 ? 1 : width / f.height;
        if (!std::isfinite(f.widthFactor)) {
            x_.leaveOut(f.source, name() + ": En / Boy " + kBeyondDoubles);
            return true;
        }
        f.rotation = 90 - 0.9 * *e.angle.value;
        f.italic = e.italic;
        f.centred = e.centred;
        f.layer = x_.layerOf(e.layer, f.source);
        sink_.label(f);
        ++x_.counts_.written[static_cast<int>(ExportKind::Label)];
        return true;
    }

    bool symbol(const SurveySymbol& e) override {
        if (!x_.tick()) {
            return false;
        }
        SymbolFeature f{SourceOf(e.source), e.symbol, e.point, e.pointNumber, {}, 1, 1, 0, {}};
        const auto name = [&] { return "symbol " + Quoted(f.symbol) + " at " + Quoted(f.point); };
        if (e.unread) {
            x_.leaveOut(f.source, name() + ": " + UnreadReason(*e.unread));
            return true;
        }
        f.at = {*e.y.value, *e.x.value, std::nullopt};
        f.scaleX = *e.scaleX.value;
        f.scaleY = *e.scaleY.value;
        if (!x_.place(f.at, f.source, name)) {
            return true;
        }
        f.at.z = e.z.value;
        f.rotation = -0.9 * *e.angle.value;
        f.layer = x_.layerOf(e.layer, f.source);
        sink_.symbol(f);
        ++x_.counts_.written[static_cast<int>(ExportKind::Symbol)];
        return true;
    }

  private:
    ExportFeatures& x_;
    FeatureSink& sink_;
};

bool ExportFeatures::visit(FeatureSink& sink, const std::function<bool(uint64_t)>& progress) {
    progress_ = &progress;
    done_ = 0;
    counts_ = {};
    notes_.clear();
    Walk walk(*this, sink);
    // One record asked for (visitRecord), or all.
    const bool finished = !only_ ? model_->visit(walk, kExportOrder)
                          : only_->table
                              ? model_->visitRow(*only_->table, static_cast<int>(only_->row), walk)
                              : model_->visitPlotRecord(*only_, walk);
    progress_ = nullptr;
    return finished && progress(done_);
}

bool ExportFeatures::visitRow(FeatureSource source, FeatureSink& sink) {
    // A plot file's line is no row.
    return source.table && source.row >= 0 &&
           visitRecord({source.table, static_cast<uint32_t>(source.row), 0}, sink);
}

bool ExportFeatures::visitRecord(const ElementSource& source, FeatureSink& sink) {
    const std::function<bool(uint64_t)> always = [](uint64_t) { return true; };
    only_ = source;
    const bool found = visit(sink, always);
    only_.reset();
    return found && counts_.total() == 1;
}

}  // namespace plotaktar
