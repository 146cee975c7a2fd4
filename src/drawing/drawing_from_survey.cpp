#include <algorithm>
#include <string>

#include "drawing/drawing_sources.h"
#include "drawing/survey_model.h"
#include "model/text.h"

namespace plotaktar {

namespace {

// The feature kind whose features come from a kind's rows.
FeatureKind FeatureOf(Kind kind) {
    for (const FeatureKindEntry& entry : kFeatureKindRows) {
        if (entry.kind == kind) {
            return entry.feature;
        }
    }
    return FeatureKind::Detail;  // not reached: every drawn kind has a row
}

// Pen widths beyond this many millimetres are taken as this, so that a stray value cannot
// paint a sheet over.
constexpr double kThickestPen = 20.0;

// The drawing layer of a record's layer: a LayerTable row with its pen, or the layer without a
// name for a cell that names no row, as the plot file would show it; a plot file's layers by
// their names.
uint16_t LayerIndex(Drawing& drawing, const LayerRef& ref, bool fromPlotFile) {
    if (fromPlotFile) {
        return drawing.layerIndex(ref.cell);
    }
    if (ref.layer == nullptr) {
        return drawing.layerIndex("");
    }
    const SurveyLayer& layer = *ref.layer;
    DrawingLayer pen;
    pen.colour = layer.colour.value_or(0);
    pen.lineType = layer.lineType;
    if (layer.thickness && *layer.thickness > 0) {
        pen.thickness = static_cast<float>(std::min(*layer.thickness, kThickestPen));
    }
    pen.on = layer.on;
    return drawing.layerIndex(layer.name, pen);
}

// Adds the elements as features; what could not be read is counted, a symbol whose point is
// missing named.
class DrawingBuilder : public SurveyVisitor {
  public:
    DrawingBuilder(Drawing& drawing, bool fromPlotFile)
        : drawing_(drawing), fromPlotFile_(fromPlotFile) {}

    bool point(const SurveyPoint& e) override {
        if (readable(e.unread)) {
            const Vertex v{*e.y.value, *e.x.value};
            add(FeatureOf(e.kind), e.layer, e.source, {&v, 1}, e.number);
        }
        return true;
    }
    bool line(const SurveyLine& e) override {
        if (readable(e.unread)) {
            const Vertex v[2] = {{*e.y1.value, *e.x1.value}, {*e.y2.value, *e.x2.value}};
            add(FeatureKind::Line, e.layer, e.source, v, {});
        }
        return true;
    }
    bool parcel(const SurveyParcel& e) override {
        // A parcel is drawn from one corner up; a count below that is no drawing of it.
        if (!e.unread && e.corners.empty()) {
            ++drawing_.counts().unreadable;
            return true;
        }
        if (readable(e.unread)) {
            vertices_.clear();
            for (const SurveyCorner& c : e.corners) {
                vertices_.push_back({c.east, c.north});
            }
            add(FeatureKind::Parcel, e.layer, e.source, vertices_, e.title());
        }
        return true;
    }
    bool label(const SurveyLabel& e) override {
        if (readable(e.unread)) {
            const Vertex v{*e.y.value, *e.x.value};
            add(FeatureKind::Label, e.layer, e.source, {&v, 1}, e.text, *e.height.value,
                *e.angle.value, e.centred);
        }
        return true;
    }
    bool symbol(const SurveySymbol& e) override {
        constexpr size_t kNamedMissing = 20;
        DrawingCounts& counts = drawing_.counts();
        if (e.unread && e.unread->why == Unread::Why::NoSuchPoint) {
            ++counts.symbols;
            if (counts.missingSymbolPoints.size() < kNamedMissing) {
                counts.missingSymbolPoints.emplace_back(Trim(e.point));
            }
            return true;
        }
        if (readable(e.unread)) {
            drawing_.addSymbol(LayerIndex(drawing_, e.layer, fromPlotFile_), e.source.row,
                               {*e.y.value, *e.x.value}, e.symbol, *e.scaleX.value, *e.scaleY.value,
                               *e.angle.value);
        }
        return true;
    }

  private:
    bool readable(const std::optional<Unread>& unread) {
        if (unread) {
            ++drawing_.counts().unreadable;
        }
        return !unread;
    }
    void add(FeatureKind kind, const LayerRef& layer, const ElementSource& source,
             std::span<const Vertex> vertices, std::string_view text, double height = 0,
             double angle = 0, bool centred = false) {
        drawing_.add(kind, LayerIndex(drawing_, layer, fromPlotFile_), source.row, vertices, text,
                     height, angle, centred);
        if (fromPlotFile_) {
            drawing_.lineOffsets.push_back(source.offset);
        }
    }

    Drawing& drawing_;
    bool fromPlotFile_;
    std::vector<Vertex> vertices_;
};

// Room for everything the flagged tables can give: one vertex a point or label, two a line,
// and the parcels' stored corners.
void ReserveFor(const Workspace& workspace, const SurveyModel& model, Drawing& drawing) {
    size_t features = 0, vertices = 0, textBytes = 0;
    for (const KindEntry& kind : kKinds) {
        const size_t n = model.count(kind.kind);
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

Drawing DrawingFromWorkspace(const Workspace& workspace) {
    SurveyModel model(workspace);
    Drawing drawing;
    ReserveFor(workspace, model, drawing);
    // The layers the plot file declares come first, in its order.
    if (Loaded(workspace.flags, Kind::Tabaka)) {
        for (int row = 1; row <= kLayerRows; ++row) {
            const SurveyLayer* layer = model.layerOf(IntToStr(row));
            if (layer->used) {
                (void)LayerIndex(drawing, {{}, layer}, false);
            }
        }
    }
    DrawingBuilder builder(drawing, false);
    model.visit(builder);
    DrawingCounts& counts = drawing.counts();
    counts.buildings = model.count(Kind::Bina);
    counts.slopes = model.count(Kind::Sev);
    drawing.finish();
    return drawing;
}

Drawing DrawingFromPlotBytes(std::string_view bytes) {
    SurveyModel model(bytes);
    Drawing drawing;
    drawing.fromPlotFile = true;
    for (const SurveyLayer* layer : model.declaredLayers()) {
        drawing.layerIndex(layer->name);
    }
    DrawingBuilder builder(drawing, true);
    model.visit(builder);
    const SurveyModel::PlotLineCounts lines = model.plotLineCounts();
    drawing.counts().recordLines = lines.records;
    drawing.counts().skippedLines = lines.skipped;
    drawing.finish();
    return drawing;
}

}  // namespace plotaktar
