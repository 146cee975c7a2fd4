#pragma once

// The features an exchange format receives, read from the tables of an import: every field a
// record carries (both point numbers of a line, Z, the declared and the computed area of a
// parcel, a label's font, width and flags, a symbol's point, scales and angle), with the
// coordinates read as numbers. Read row by row and handed to a sink one at a time, so that a
// drawing of a million records is exported without a second copy of it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "drawing/survey_model.h"
#include "model/export_kinds.h"
#include "model/line_types.h"
#include "model/record_kinds.h"
#include "model/workspace.h"

namespace plotaktar {

class CoordinateStep;

// A declared layer: a row of LayerTable that a layer record filled.
struct ExportLayer {
    int number = 0;         // its row, the number records name it by
    std::string_view name;  // windows-1254
    int colour = 7;         // the "Renk" value when it is 1 to 255, otherwise 7
    LineType lineType = LineType::Continuous;
    std::optional<double> thickness;  // "kalınlık" in millimetres, when it reads as one
    bool on = true;                   // "Açık/kapalı" is not "0"
};

// The layer a record names: a declared layer, or none (a number that does not convert, or names
// no declared layer; such records are exported on no layer and reported).
struct LayerOf {
    const ExportLayer* layer = nullptr;
    std::string_view cell;  // the record's layer number as written
};

struct Position {
    double east = 0;   // Y
    double north = 0;  // X
    std::optional<double> z;
};

// Where a feature came from: its table and data row, or (no table) a plot file's line.
struct FeatureSource {
    std::optional<TableId> table;
    int row;
    uint64_t offset = 0;  // a plot file's: where the line begins in its bytes
};

struct PointFeature {
    FeatureSource source;
    Kind kind;                // Nirengi, Poligon or Nokta
    std::string_view number;  // as stored ("N.12")
    Position at;
    std::string_view zText;
    LayerOf layer;
};

struct LineFeature {
    FeatureSource source;
    std::string_view from, to;
    Position a, b;
    LayerOf layer;
};

struct ParcelFeature {
    FeatureSource source;
    std::string_view block, parcel;    // "Ada No", "Parsel No"
    std::string_view area;             // "Alan" as written
    std::optional<double> areaNumber;  // "Alan" read as a number, when it is one
    std::span<const Position> corners;
    double cornerArea = 0;  // the area the corners enclose
    Position inside;        // a point inside the polygon for its "ada/parsel" text
    LayerOf layer;
};

struct LabelFeature {
    FeatureSource source;
    std::string_view text, font;
    Position at;
    double height = 0;       // "Boy"
    double widthFactor = 1;  // "En" / "Boy"; 1 where "En" is empty
    double rotation = 0;     // degrees counter-clockwise from east: 90 - 0.9 * "Açı"
    bool italic = false, centred = false;
    LayerOf layer;
};

struct SymbolFeature {
    FeatureSource source;
    std::string_view symbol;     // "Sembol No"
    std::string_view point;      // the point number as written
    std::string_view pointName;  // the stored number of the point it names ("N.41")
    Position at;                 // the point's
    double scaleX = 1, scaleY = 1;
    double rotation = 0;  // degrees counter-clockwise: -0.9 * "Açı" (grads clockwise)
    LayerOf layer;
};

// Receives the features one at a time; the views are valid during the call only.
class FeatureSink {
  public:
    virtual ~FeatureSink() = default;
    virtual void point(const PointFeature& feature) = 0;
    virtual void line(const LineFeature& feature) = 0;
    virtual void parcel(const ParcelFeature& feature) = 0;
    virtual void label(const LabelFeature& feature) = 0;
    virtual void symbol(const SymbolFeature& feature) = 0;
};

// A record that was left out, or exported without its layer: what the user is told about it.
struct FeatureNote {
    FeatureSource source;
    bool leftOut;      // false: exported, on no layer
    std::string what;  // "left out: X '45123a' is not a number" (UTF-8)
};

struct ExportCounts {
    uint64_t written[kExportKinds] = {};
    uint64_t leftOut = 0;
    uint64_t total() const {
        uint64_t sum = 0;
        for (uint64_t n : written) {
            sum += n;
        }
        return sum;
    }
};

// The features of the loaded kinds of an import. The workspace must not be written while it
// is in use.
class ExportFeatures {
  public:
    // `systems`: where the features are placed before a sink sees them; a feature with a
    // position that has no place in the written system is left out and noted. Null: the
    // positions are handed on as the drawing has them.
    explicit ExportFeatures(const Workspace& workspace, const CoordinateStep* systems = nullptr);
    // The features of a survey model (of a plot file, for instance), which must outlive this.
    explicit ExportFeatures(SurveyModel& model, const CoordinateStep* systems = nullptr);
    ~ExportFeatures();
    ExportFeatures(const ExportFeatures&) = delete;
    ExportFeatures& operator=(const ExportFeatures&) = delete;

    // The declared layers, by number.
    const std::vector<ExportLayer>& layers() const { return layers_; }
    // Data rows of the loaded kinds in all: what progress counts to.
    uint64_t rowCount() const;
    // A text of a column and the first row that holds it.
    struct FirstUse {
        std::string_view text;
        FeatureSource source;
    };
    // The distinct label fonts and symbol numbers (trimmed), in order of first use (for DXF's
    // styles and blocks).
    std::vector<FirstUse> fonts() const;
    std::vector<FirstUse> symbolNumbers() const;
    // The box around the points, lines' ends and labels whose coordinates read as numbers (in
    // the drawing's system, not placed; `placed`: each position placed in the written system,
    // those without a place there left out); nothing for a drawing without any. For the view a
    // CAD program opens on.
    std::optional<std::pair<Position, Position>> extent(bool placed = false) const;

    // Reads every row of the loaded kinds and hands each feature to `sink`, points first, then
    // lines, parcels, labels and symbols. `progress(rowsDone)` is called every few thousand rows;
    // it returning false stops the walk with false. Rows that cannot be exported, and rows
    // exported on no layer, are noted (notes()).
    bool visit(FeatureSink& sink, const std::function<bool(uint64_t)>& progress);
    // Hands the feature of one data row to `sink`, without reading any other row: false when
    // the row does not exist or cannot be exported (noted, as visit() notes it).
    bool visitRow(FeatureSource source, FeatureSink& sink);
    // The same for the element of one record: a workspace's data row, or the plot-file record
    // whose line begins at `source.offset` (as the survey model's visit gave it).
    bool visitRecord(const ElementSource& source, FeatureSink& sink);

    const ExportCounts& counts() const { return counts_; }
    const std::vector<FeatureNote>& notes() const { return notes_; }
    // A writer's own note about a feature it wrote (a text the format cut, for instance).
    void addNote(FeatureNote note) { notes_.push_back(std::move(note)); }
    // A writer's warning about the file as a whole (UTF-8, without the file's name).
    void addWarning(std::string warning) { warnings_.push_back(std::move(warning)); }
    const std::vector<std::string>& warnings() const { return warnings_; }

  private:
    class Walk;
    friend class Walk;
    LayerOf layerOf(const LayerRef& ref, FeatureSource source);
    void leaveOut(FeatureSource source, std::string what);
    // Counts a row done; false once the progress callback asked to stop.
    bool tick();
    // Moves `position` into the written system; false, with the feature left out (named by
    // `name()`), when it has no place there.
    template <typename Name>
    bool place(Position& position, FeatureSource source, const Name& name);

    void readLayers();

    std::unique_ptr<SurveyModel> ownModel_;
    SurveyModel* model_;
    const CoordinateStep* systems_;
    std::vector<ExportLayer> layers_;
    std::unordered_map<const SurveyLayer*, size_t> layerIndex_;  // into layers_
    std::vector<Position> corners_;
    ExportCounts counts_;
    std::vector<FeatureNote> notes_;
    std::vector<std::string> warnings_;
    const std::function<bool(uint64_t)>* progress_ = nullptr;
    uint64_t done_ = 0;
    std::optional<ElementSource> only_;
};

}  // namespace plotaktar
