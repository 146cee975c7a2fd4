#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/workspace.h"
#include "plotfile/plot_grammar.h"

namespace plotaktar {

// Receives the bytes of a plot file in order, in chunks of about a mebibyte that always end
// with a whole line. A sink may throw (FileError) to stop the writing.
class PlotSink {
  public:
    virtual ~PlotSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// The name of the layer that a layer-number cell names: field 3 of its LayerTable row, the
// empty text when no layer record filled it. Throws ConversionError for a cell that is not an
// integer and LayerRangeError for a number outside 1 to 150.
inline std::string_view LookupLayerName(const LayerTable& layers, std::string_view cell) {
    return layers.field(LayerRowOf(cell), LayerField(ColumnsOf(Kind::Tabaka).name));
}

// One piece of a parcel's corner line from one corner cell: the second, third and fourth word
// (the fourth with all words after it), each followed by a blank, then "0.000 0 0 ". A cell of
// fewer words leaves the missing ones empty, its last word standing as the fourth.
class CornerItem {
  public:
    explicit CornerItem(std::string_view cell);

    // The piece's texts in their order: views into the cell and fixed texts.
    std::array<std::string_view, 6> pieces() const {
        return {second_, plot::kBlank, third_, plot::kBlank, rest_, plot::kCornerTail};
    }
    // The pieces joined.
    std::string text() const;

  private:
    std::string_view second_, third_, rest_;
};

// Writes the plot file of the workspace into `sink`: the sections whose flag is exactly "1",
// in their fixed order (layers, triangulation points, traverse points, text labels, detail
// points, lines, parcels), every line ended with CR LF. A bad layer number or corner count
// throws before anything of its row is written; the sink has then received only whole lines of
// the rows before it. Reads the workspace only. A big file is formatted on two threads where
// SecondThreadAllowed(), in the same chunks.
void WritePlotFile(const Workspace& workspace, PlotSink& sink);

// The whole plot file in memory.
std::string PlotFileBytes(const Workspace& workspace);

}  // namespace plotaktar
