#include "compare/compared_drawing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>

#include "compare/beside.h"
#include "drawing/drawing_loader.h"
#include "drawing/survey_model.h"
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
    if (texts.size() + text.size() >= kLineTexts) {
        throw Error("drawing too large to compare: more than 2 GiB of texts");
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

// The elements of a drawing as the survey model reads them, each with the file line it came
// from: an import's table row through the row lines, a plot file's line as it is.
class SurveyReader : public SurveyVisitor {
  public:
    SurveyReader(SurveyModel& model, const RowLines* lines, ComparedDrawing& drawing)
        : model_(model), lines_(lines), d_(drawing) {}

    void read() {
        for (const SurveyLayer* layer : model_.declaredLayers()) {
            ComparedLayer compared;
            compared.name = d_.keep(layer->name);
            // A layer record fills the LayerTable row of its place among the layer records;
            // its own number ("Tabaka No") stands in its row of the layer page.
            if (layer->number > 0) {
                const std::vector<RecordField> record =
                    model_.recordFields({TableId::Layers, static_cast<uint32_t>(layer->number), 0});
                compared.number = record.empty() ? 0 : TryStrToInt(record[0].value).value_or(0);
            }
            compared.used = layer->used || model_.fromPlotFile();
            compared.colour = layer->colour.value_or(0);
            compared.lineType = static_cast<int>(layer->lineType);
            compared.thickness = layer->thickness.value_or(NAN);
            compared.on = layer->on;
            // A plot file's layers are named without their lines.
            if (layer->number > 0) {
                compared.source =
                    sourceOf({TableId::Layers, static_cast<uint32_t>(layer->number), 0});
            }
            d_.layers.push_back(compared);
        }
        // Each kind's elements in one piece, without the copies and the spare room of growing
        // (a workspace knows its rows; a plot file would be counted in a pass of its own). The
        // lines are read apart.
        if (!model_.fromPlotFile()) {
            d_.points.reserve(model_.count(Kind::Nirengi) + model_.count(Kind::Poligon) +
                              model_.count(Kind::Nokta));
            d_.parcels.reserve(model_.count(Kind::Parsel));
            d_.labels.reserve(model_.count(Kind::Yazi));
            d_.symbols.reserve(model_.count(Kind::Sembol));
        }
        // A workspace's lines are read on the second core meanwhile, into a part of their own
        // (their texts in the drawing's second pool), then joined: the same elements, texts and
        // failures in the same order as one reading gives.
        ComparedDrawing part;
        std::future<void> lines;
        size_t failedAt = 0;
        if (model_.fromPlotFile()) {
            model_.visit(*this);
        } else {
            lines = Beside([this, &part] { readLines(part); });
            const auto at = std::find(kPlotOrder.begin(), kPlotOrder.end(), Kind::Hat);
            model_.visit(*this, std::span<const Kind>(kPlotOrder.begin(), at));
            failedAt = d_.failed.size();
            model_.visit(*this, std::span<const Kind>(at + 1, kPlotOrder.end()));
        }
        readRecords(Kind::Bina, d_.buildings);
        readRecords(Kind::Sev, d_.slopes);
        if (lines.valid()) {
            lines.get();
            for (ComparedLine& line : part.lines) {
                for (TextRef* ref : {&line.from, &line.to, &line.z[0], &line.z[1], &line.layer}) {
                    ref->start |= ComparedDrawing::kLineTexts;
                }
            }
            d_.lines = std::move(part.lines);
            d_.lineTexts = std::move(part.texts);
            d_.failed.insert(d_.failed.begin() + static_cast<ptrdiff_t>(failedAt),
                             std::make_move_iterator(part.failed.begin()),
                             std::make_move_iterator(part.failed.end()));
        }
        // The other side is read while this one is kept: nothing of it stays unused.
        d_.texts.shrink_to_fit();
        d_.lineTexts.shrink_to_fit();
        d_.corners.shrink_to_fit();
        d_.failed.shrink_to_fit();
    }

    bool point(const SurveyPoint& e) override {
        if (!e.y.value || !e.x.value) {
            return unreadable(e.kind, e.source, e.unread);
        }
        ComparedPoint point;
        point.kind = e.kind == Kind::Nirengi   ? FeatureKind::Triangulation
                     : e.kind == Kind::Poligon ? FeatureKind::Traverse
                                               : FeatureKind::Detail;
        point.number = d_.keep(e.number);
        point.at = {*e.y.value, *e.x.value};
        point.z = d_.keep(e.z.text);
        point.layer = layerOf(e.layer);
        point.source = sourceOf(e.source);
        d_.points.push_back(point);
        return true;
    }

    bool line(const SurveyLine& e) override {
        if (!e.y1.value || !e.x1.value || !e.y2.value || !e.x2.value) {
            return unreadable(Kind::Hat, e.source, e.unread);
        }
        ComparedLine line;
        line.from = d_.keep(e.from);
        line.to = d_.keep(e.to);
        line.ends[0] = {*e.y1.value, *e.x1.value};
        line.ends[1] = {*e.y2.value, *e.x2.value};
        line.z[0] = d_.keep(e.z1.text);
        line.z[1] = d_.keep(e.z2.text);
        line.layer = layerOf(e.layer);
        line.source = sourceOf(e.source);
        d_.lines.push_back(line);
        return true;
    }

    bool parcel(const SurveyParcel& e) override {
        ComparedParcel parcel;
        parcel.block = d_.keep(e.block);
        parcel.parcel = d_.keep(e.parcel);
        parcel.area = d_.keep(e.area.text);
        parcel.layer = layerOf(e.layer);
        parcel.source = sourceOf(e.source);
        // A parcel whose corners do not read is compared by its number and area alone.
        if (e.unread) {
            (void)unreadable(Kind::Parsel, e.source, e.unread);
        } else {
            parcel.firstCorner = static_cast<uint32_t>(d_.corners.size());
            parcel.corners = static_cast<uint32_t>(e.corners.size());
            for (const SurveyCorner& corner : e.corners) {
                d_.corners.push_back({corner.east, corner.north});
            }
        }
        d_.parcels.push_back(parcel);
        return true;
    }

    bool label(const SurveyLabel& e) override {
        if (!e.y.value || !e.x.value) {
            return unreadable(Kind::Yazi, e.source, e.unread);
        }
        ComparedLabel label;
        label.text = d_.keep(e.text);
        label.at = {*e.y.value, *e.x.value};
        label.layer = layerOf(e.layer);
        label.source = sourceOf(e.source);
        d_.labels.push_back(label);
        return true;
    }

    bool symbol(const SurveySymbol& e) override {
        // Compared by its point's number and its own, so also when that point is missing.
        ComparedSymbol symbol;
        symbol.point = d_.keep(e.point);
        symbol.symbol = d_.keep(e.symbol);
        symbol.scaleX = d_.keep(e.scaleX.text);
        symbol.scaleY = d_.keep(e.scaleY.text);
        symbol.angle = d_.keep(e.angle.text);
        symbol.layer = layerOf(e.layer);
        symbol.source = sourceOf(e.source);
        d_.symbols.push_back(symbol);
        return true;
    }

    // Heights, areas and a symbol's scales are compared as their texts, and a symbol by its
    // point's number alone: only positions are read as numbers.
    bool readsOtherNumbers() const override { return false; }

  private:
    // A workspace's lines alone, into `part`, through a model of their own.
    void readLines(ComparedDrawing& part) const {
        part.lines.reserve(model_.count(Kind::Hat));
        SurveyModel own(*model_.workspace());
        SurveyReader reader(own, lines_, part);
        const Kind hat[] = {Kind::Hat};
        own.visit(reader, hat);
    }

    Source sourceOf(const ElementSource& source) const {
        if (!source.table || !lines_) {
            return {0, source.row};
        }
        const RowLine line = lines_->of(*source.table, static_cast<int>(source.row));
        return {static_cast<uint8_t>(line.file), line.line};
    }

    // The name of the layer a record names; a number that names no declared layer stands as
    // "#" and the cell (a plot file's cell is a name already), so that a change of it shows.
    TextRef layerOf(const LayerRef& ref) {
        if (ref.layer && !ref.layer->name.empty()) {
            // A layer's name is kept once, however many elements it holds.
            auto [kept, added] = layerNames_.try_emplace(ref.layer);
            if (added) {
                kept->second = d_.keep(ref.layer->name);
            }
            return kept->second;
        }
        return d_.keep(model_.fromPlotFile() ? std::string(ref.cell) : "#" + std::string(ref.cell));
    }

    // An element whose place cannot be read cannot be compared: a failed record of its own.
    bool unreadable(Kind kind, const ElementSource& source, const std::optional<Unread>& unread) {
        d_.failed.push_back({std::string(KindOf(kind).message), sourceOf(source),
                             unread ? UnreadReason(*unread) : std::string()});
        return true;
    }

    // Buildings and slopes, compared by their records: each row's fields as the record panel
    // shows them, the number apart and the layer by its name.
    void readRecords(Kind kind, std::vector<ComparedRecord>& records) {
        if (model_.fromPlotFile()) {
            return;
        }
        const TableId table = KindOf(kind).table;
        const Columns& c = ColumnsOf(kind);
        const uint64_t rows = model_.count(kind);
        std::string fields;
        for (uint32_t row = 1; row <= rows; ++row) {
            const ElementSource source{table, row, 0};
            const std::vector<RecordField> record = model_.recordFields(source);
            fields.clear();
            std::string_view number;
            for (size_t col = 1; col < record.size(); ++col) {
                const std::string& value = record[col].value;
                if (static_cast<int>(col) == c.number) {
                    number = value;
                    continue;
                }
                fields += static_cast<int>(col) == c.layer
                              ? d_.text(layerOf({value, model_.layerOf(value)}))
                              : std::string_view(value);
                fields += ' ';
            }
            const TextRef numberRef = d_.keep(number);
            records.push_back({numberRef, d_.keep(fields), sourceOf(source)});
        }
    }

    SurveyModel& model_;
    const RowLines* lines_;
    ComparedDrawing& d_;
    std::unordered_map<const SurveyLayer*, TextRef> layerNames_;
};

}  // namespace

ComparedDrawing ComparedDrawingFromPlot(std::string_view bytes, const std::string& name) {
    // Another program's file named .plt (HP-GL, a binary) would otherwise pass for an empty
    // drawing.
    plot::PlotLines lines(bytes);
    plot::PlotLineCounts counts;
    for (std::string_view line; lines.next(line);) {
        (void)counts.count(line);
    }
    if (counts.records == 0 && counts.skipped > 0) {
        throw Error("not a plot file: none of its " + std::to_string(counts.skipped) +
                    " lines is a record of a plot file");
    }
    ComparedDrawing d;
    d.files = {name};
    d.fromPlotFile = true;
    SurveyModel model(bytes);
    SurveyReader(model, nullptr, d).read();
    return d;
}

ComparedDrawing ReadComparedDrawing(const std::string& geometryOrPlot, const std::string& labels,
                                    ImportObserver& observer,
                                    const std::function<RowLines()>& numberedLines) {
    for (const std::string& file : {geometryOrPlot, labels}) {
        if (file.empty()) {
            continue;
        }
        if (std::string cause = platform::UnreadableCause(file); !cause.empty()) {
            throw InputReadError(file, cause);  // named once, by the file of the two it is
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
    // Without lines numbered elsewhere, the geometry file's lines are numbered on the second
    // core while the import reads the files. The workspace goes as soon as its elements are
    // taken.
    RowLines lines;
    std::future<void> numbered;
    if (!numberedLines) {
        numbered = Beside([&lines, &paths] { lines.readGeometry(paths.geometry); });
    }
    auto workspace = std::make_unique<Workspace>();
    FailureKeeper failures(d, observer);
    ImportFiles(*workspace, paths, failures);
    if (numberedLines) {
        lines = numberedLines();
    } else {
        numbered.get();
    }
    lines.readLabels(paths.labels, paths.companion, *workspace);
    SurveyModel model(*workspace);
    SurveyReader(model, &lines, d).read();
    return d;
}

}  // namespace plotaktar::compare
