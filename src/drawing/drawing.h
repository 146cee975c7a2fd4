#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/spatial_grid.h"

namespace plotaktar {

// What a feature of the drawing is; the point kinds follow the tables they come from.
enum class FeatureKind : uint8_t { Triangulation, Traverse, Detail, Line, Parcel, Label };
constexpr int kFeatureKinds = 6;

// A position in drawing units: Y (easting) and X (northing).
struct Vertex {
    double east = 0;
    double north = 0;
};

// A layer as the drawing shows it: its name (windows-1254) and the colour number of its "Renk"
// cell (1 to 7), 0 when the cell is not such a number.
struct DrawingLayer {
    std::string name;
    int colour = 0;
    uint32_t features = 0;
};

// What was read but is not drawn.
struct DrawingCounts {
    uint64_t unreadable = 0;  // features left out: a coordinate that is not a number
    uint64_t symbols = 0;     // symbols, buildings and slopes carry no coordinates
    uint64_t buildings = 0;
    uint64_t slopes = 0;
    uint64_t skippedLines = 0;  // plot-file lines of no record this program writes
};

// The features of one drawing in flat arrays: kind, layer, source record, vertices, text, and
// for labels their height ("Boy") and angle ("Açı", grads clockwise from grid north). Built
// with add() and finish(); read-only afterwards, so several threads may read it at once.
class Drawing {
  public:
    size_t size() const { return kinds_.size(); }
    FeatureKind kind(size_t i) const { return kinds_[i]; }
    uint16_t layer(size_t i) const { return layers_[i]; }
    // The StringGrid number the feature was read from, or 0 when it came from a plot file.
    int sourceTable(size_t i) const { return tables_[i]; }
    // The table row, or the plot file's line number (from 1).
    uint32_t sourceRow(size_t i) const { return rows_[i]; }
    std::span<const Vertex> vertices(size_t i) const {
        return {vertices_.data() + vertexStart_[i], vertexStart_[i + 1] - vertexStart_[i]};
    }
    // The point number, "ada/parsel" or the label's text (windows-1254).
    std::string_view text(size_t i) const {
        return std::string_view(texts_).substr(textStart_[i], textStart_[i + 1] - textStart_[i]);
    }
    float height(size_t i) const { return heights_.empty() ? 0.0f : heights_[i]; }
    float angle(size_t i) const { return angles_.empty() ? 0.0f : angles_[i]; }
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

    // Appends a feature. A label takes its height and angle; other kinds pass 0.
    void add(FeatureKind kind, uint16_t layer, int table, uint32_t row,
             std::span<const Vertex> vertices, std::string_view text, float height = 0,
             float angle = 0);

    // Computes the extent and builds the spatial index; call once after the last add().
    void finish();

  private:
    std::vector<FeatureKind> kinds_;
    std::vector<uint16_t> layers_;
    std::vector<uint8_t> tables_;
    std::vector<uint32_t> rows_;
    std::vector<uint32_t> vertexStart_{0};
    std::vector<Vertex> vertices_;
    std::vector<uint32_t> textStart_{0};
    std::string texts_;
    std::vector<float> heights_;  // only once a label has been added
    std::vector<float> angles_;
    std::vector<DrawingLayer> layerList_;
    DrawingCounts counts_;
    uint32_t kindCounts_[kFeatureKinds] = {};
    Bounds extent_;
    SpatialGrid grid_;

  public:
    // For a drawing read from a plot file: where each feature's line begins in the file.
    std::vector<uint64_t> lineOffsets;
};

// Reads a decimal number cell ("4512345.67", "-3", "+0.5"). Returns false for anything else,
// the empty text, infinities and NaN included.
bool ParseCoordinate(std::string_view text, double& value);

}  // namespace plotaktar
