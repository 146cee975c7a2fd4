#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "drawing/spatial_grid.h"
#include "model/line_types.h"
#include "model/record_kinds.h"

namespace plotaktar {

// A position in drawing units: Y (easting) and X (northing).
struct Vertex {
    double east = 0;
    double north = 0;
};

// A layer as the drawing shows it and its pen: its name (windows-1254); the AutoCAD colour index
// of its "Renk" cell (1 to 255), 0 when the cell is no such number; the line type of its
// "çizgi Tipi"; the pen width in millimetres on paper of its "kalınlık" (0 when the cell is no
// positive number); and whether its "Açık/kapalı" switches it on (a layer of a plot file is).
struct DrawingLayer {
    std::string name;
    int colour = 0;
    LineType lineType = LineType::Continuous;
    float thickness = 0;
    bool on = true;
    uint32_t features = 0;
};

// What was read but is not drawn.
struct DrawingCounts {
    uint64_t unreadable = 0;  // features left out: a coordinate that is not a number
    uint64_t symbols = 0;     // symbols left out: no point of the number they name
    uint64_t buildings = 0;   // buildings and slopes carry no coordinates
    uint64_t slopes = 0;
    uint64_t skippedLines = 0;  // plot-file lines of no record this program writes (not empty)
    uint64_t recordLines = 0;   // plot-file lines of a record this program writes
    // The point numbers of the first symbols left out (windows-1254), to name them.
    std::vector<std::string> missingSymbolPoints;
};

// The features of one drawing in flat arrays: kind, layer, source record, vertices, text, for
// labels their height ("Boy") and angle ("Açı", grads clockwise from grid north), for symbols
// their scales Sx, Sy and angle with the symbol number as text. Built with add() and finish();
// read-only afterwards, so several threads may read it at once.
class Drawing {
  public:
    size_t size() const { return kinds_.size(); }
    FeatureKind kind(size_t i) const { return kinds_[i]; }
    uint16_t layer(size_t i) const { return layers_[i]; }
    // The table the feature was read from; nothing when it came from a plot file.
    std::optional<TableId> sourceTable(size_t i) const {
        if (fromPlotFile) {
            return std::nullopt;
        }
        return KindOf(FeatureKindOf(kinds_[i]).kind).table;
    }
    // The table row, or the plot file's line number (from 1).
    uint32_t sourceRow(size_t i) const { return rows_[i]; }
    std::span<const Vertex> vertices(size_t i) const {
        return {vertices_.data() + vertexStart_[i], vertexStart_[i + 1] - vertexStart_[i]};
    }
    // The point number, "ada/parsel" or the label's text (windows-1254).
    // A symbol's text is its symbol number ("Sembol No").
    std::string_view text(size_t i) const {
        const size_t start = textStart_[i] + HeadOf(kinds_[i]);
        return std::string_view(texts_).substr(start, textStart_[i + 1] - start);
    }
    // A label's height and angle, a symbol's angle; 0 for other kinds.
    float height(size_t i) const { return kinds_[i] == FeatureKind::Label ? headValue(i, 0) : 0; }
    // Whether a label is centred on its point ("Merkezi" 1) rather than beginning there.
    bool centred(size_t i) const { return kinds_[i] == FeatureKind::Label && headValue(i, 2) != 0; }
    float angle(size_t i) const {
        return kinds_[i] == FeatureKind::Label    ? headValue(i, 1)
               : kinds_[i] == FeatureKind::Symbol ? headValue(i, 2)
                                                  : 0;
    }
    // A symbol's scales Sx and Sy; 0 for other kinds.
    float scaleX(size_t i) const { return kinds_[i] == FeatureKind::Symbol ? headValue(i, 0) : 0; }
    float scaleY(size_t i) const { return kinds_[i] == FeatureKind::Symbol ? headValue(i, 1) : 0; }
    // The bounding box of one feature; a label's reaches as far as its text could.
    Bounds bounds(size_t i) const;

    const Bounds& extent() const { return extent_; }
    const std::vector<DrawingLayer>& layers() const { return layerList_; }
    const DrawingCounts& counts() const { return counts_; }
    DrawingCounts& counts() { return counts_; }
    const SpatialGrid& grid() const { return grid_; }
    // Features per kind, indexed by FeatureKind.
    uint32_t kindCount(FeatureKind kind) const { return kindCounts_[static_cast<int>(kind)]; }

    // The index of the layer of that name, added with `colour` when it is new.
    uint16_t layerIndex(std::string_view name, int colour = 0);
    // The same, added with the colour, line type, thickness and switch of `pen` when it is new.
    uint16_t layerIndex(std::string_view name, const DrawingLayer& pen);

    // Makes room for that many features, vertices and text bytes, so that a drawing of known
    // size is built without the slack of growing arrays.
    void reserve(size_t features, size_t vertices, size_t textBytes);

    // Appends a feature. A label takes its height, angle and centring; other kinds pass 0. The
    // angle is kept within one turn and the height within a float's range, so that no reading of
    // them (a box, a pick, a drawing) meets an infinity.
    void add(FeatureKind kind, uint16_t layer, uint32_t row, std::span<const Vertex> vertices,
             std::string_view text, double height = 0, double angle = 0, bool centred = false);
    // Appends a symbol of that number at `at`, scaled by Sx and Sy and turned by `angle`
    // (grads clockwise from grid north). Scales and angle are kept as add() keeps a label's.
    void addSymbol(uint16_t layer, uint32_t row, Vertex at, std::string_view number, double scaleX,
                   double scaleY, double angle);

    // Computes the extent and builds the spatial index; call once after the last add().
    void finish();

  private:
    std::vector<FeatureKind> kinds_;
    std::vector<uint16_t> layers_;
    std::vector<uint32_t> rows_;
    std::vector<uint32_t> vertexStart_{0};
    std::vector<Vertex> vertices_;
    std::vector<uint32_t> textStart_{0};
    std::string texts_;
    // A label's height and angle, and a symbol's scales and angle, stand in the text pool in
    // front of its text as floats, so that the other kinds carry nothing for them.
    static constexpr size_t HeadOf(FeatureKind kind) {
        return kind == FeatureKind::Label || kind == FeatureKind::Symbol ? 3 * sizeof(float) : 0;
    }
    float headValue(size_t i, size_t at) const {
        float value = 0;
        std::memcpy(&value, texts_.data() + textStart_[i] + at * sizeof(float), sizeof value);
        return value;
    }
    void append(FeatureKind kind, uint16_t layer, uint32_t row, std::span<const Vertex> vertices,
                std::span<const double> head, std::string_view text);
    std::vector<DrawingLayer> layerList_;
    // Layer names to their index, so that a file of many layers reads in linear time.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>()(name);
        }
    };
    std::unordered_map<std::string, uint16_t, NameHash, std::equal_to<>> layerByName_;
    DrawingCounts counts_;
    uint32_t kindCounts_[kFeatureKinds] = {};
    Bounds extent_;
    SpatialGrid grid_;

  public:
    // Set for a drawing read from a plot file, whose rows are line numbers.
    bool fromPlotFile = false;
    // For a drawing read from a plot file: where each feature's line begins in the file.
    std::vector<uint64_t> lineOffsets;
};

// Reads a decimal number cell ("4512345.67", "-3", "+0.5"). Returns false for anything else,
// the empty text, infinities and NaN included.
bool ParseCoordinate(std::string_view text, double& value);

}  // namespace plotaktar
