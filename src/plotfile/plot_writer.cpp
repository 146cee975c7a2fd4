#include "plotfile/plot_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>
#include <utility>

#include "model/errors.h"
#include "model/text.h"
#include "plotfile/plot_grammar.h"

namespace plotaktar {

namespace {

// Lines are collected in one buffer and handed to the sink whenever it holds this much, so a
// million-row file costs a few dozen writes and no allocation per line.
constexpr size_t kChunkSize = size_t{1} << 20;
// The buffer starts this small and doubles up to a chunk: a small drawing's file costs no
// megabyte of memory, a big one a few more allocations in all.
constexpr size_t kFirstCapacity = size_t{1} << 14;

class LineWriter {
  public:
    explicit LineWriter(PlotSink& sink) : sink_(sink) { grow(kFirstCapacity); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Appends the pieces of a line: one capacity check, then one copy per piece.
    template <typename... Texts>
    void put(const Texts&... pieces) {
        const size_t length = (std::string_view(pieces).size() + ...);
        if (length > capacity_ - size_) {
            grow(size_ + length);
        }
        char* p = data_.get() + size_;
        ((p = copy(p, std::string_view(pieces))), ...);
        size_ += length;
    }

    void endLine() {
        put(plot::kLineEnd);
        if (size_ >= kChunkSize) {
            flush();
        }
    }

    void flush() {
        if (size_ > 0) {
            sink_.write({data_.get(), size_});
            size_ = 0;
        }
    }

  private:
    static char* copy(char* to, std::string_view text) {
        if (!text.empty()) {
            std::memcpy(to, text.data(), text.size());
        }
        return to + text.size();
    }

    // Doubles the buffer up to a chunk, which is handed on once it is full. Only a line longer
    // than a chunk (a huge cell, a parcel of many corners) needs more room; it keeps doubling, so
    // that a line put together from many pieces is copied a few times, not once a piece.
    void grow(size_t needed) {
        constexpr size_t kChunkRoom = kChunkSize + 4096;
        const size_t doubled = 2 * capacity_;
        const size_t capacity =
            std::max(needed, needed <= kChunkRoom ? std::min(doubled, kChunkRoom) : doubled);
        std::unique_ptr<char[]> data(new char[capacity]);
        if (size_ > 0) {
            std::memcpy(data.get(), data_.get(), size_);
        }
        data_ = std::move(data);
        capacity_ = capacity;
    }

    PlotSink& sink_;
    std::unique_ptr<char[]> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

constexpr int kNameField = LayerField(ColumnsOf(Kind::Tabaka).name);

// Runs a step that reads a cell's text; a failure is marked with the cell, so that the user can
// be told where the export stopped.
template <TableId table, typename Step>
auto AtCell(const Table& grid, int column, int row, Step step) {
    try {
        return step(grid.cell(column, row));
    } catch (Error& e) {
        e.cell = CellPlace{table, row, column};
        throw;
    }
}

template <TableId table>
std::string_view LayerNameAt(const Table& grid, int column, int row, const LayerTable& layers) {
    return AtCell<table>(grid, column, row,
                         [&](std::string_view cell) { return LookupLayerName(layers, cell); });
}

void WriteLayers(const LayerTable& layers, LineWriter& out) {
    for (int row = 1; row <= kLayerRows; ++row) {
        if (layers.field(row, kLayerUsedField) == "1") {
            out.put(plot::kLayerHead, layers.field(row, kNameField), plot::kLayerTail);
            out.endLine();
        }
    }
}

// Each section is written with its kind's table and columns known at compile time.
template <Columns c, TableId t>
void WritePoints(const Table& grid, const LayerTable& layers, LineWriter& out) {
    const int rows = grid.rowCount();
    for (int row = 1; row < rows; ++row) {
        std::string_view layer = LayerNameAt<t>(grid, c.layer, row, layers);
        out.put(plot::kPointHead, grid.cell(c.y, row), plot::kBlank, grid.cell(c.x, row),
                plot::kBlank, layer, plot::kBlank, grid.cell(c.z, row), plot::kZeroField,
                grid.cell(c.number, row));
        out.endLine();
    }
}

template <Columns c, TableId t>
void WriteLabels(const Table& grid, const LayerTable& layers, LineWriter& out) {
    const int rows = grid.rowCount();
    for (int row = 1; row < rows; ++row) {
        std::string_view layer = LayerNameAt<t>(grid, c.layer, row, layers);
        out.put(plot::kLabelHead, grid.cell(c.y, row), plot::kBlank, grid.cell(c.x, row),
                plot::kLabelLeft, grid.cell(c.height, row), plot::kBlank, grid.cell(c.angle, row),
                plot::kZeroField, layer, plot::kBlank, grid.cell(c.text, row));
        out.endLine();
    }
}

template <Columns c, TableId t>
void WriteLines(const Table& grid, const LayerTable& layers, LineWriter& out) {
    const int rows = grid.rowCount();
    for (int row = 1; row < rows; ++row) {
        std::string_view layer = LayerNameAt<t>(grid, c.layer, row, layers);
        out.put(plot::kLineHead, grid.cell(c.y, row), plot::kBlank, grid.cell(c.x, row),
                plot::kBlank, grid.cell(c.endY, row), plot::kBlank, grid.cell(c.endX, row),
                plot::kZeroField, layer, plot::kLineMiddle, grid.cell(c.z, row), plot::kBlank,
                grid.cell(c.endZ, row));
        out.endLine();
    }
}

// The corners of the parcel in row j are rows 1 to its corner count of column j of the corner
// table.
template <Columns c, TableId t>
void WriteParcels(const Table& parcels, const Table& corners, const LayerTable& layers,
                  LineWriter& out) {
    const int rows = parcels.rowCount();
    for (int row = 1; row < rows; ++row) {
        std::string_view layer = LayerNameAt<t>(parcels, c.layer, row, layers);
        const int32_t cornerCount = AtCell<t>(parcels, c.cornerCount, row,
                                              [](std::string_view cell) { return StrToInt(cell); });
        out.put(plot::kParcelStart, parcels.cell(c.block, row), plot::kParcelNameSeparator,
                parcels.cell(c.parcel, row), plot::kParcelMiddle, layer, plot::kParcelTail);
        out.endLine();
        for (int32_t corner = 1; corner <= cornerCount; ++corner) {
            std::apply([&](auto... piece) { out.put(piece...); },
                       CornerItem(corners.cell(row, corner)).pieces());
        }
        out.endLine();
    }
}

// The section of one kind, when the plot file carries that kind and the import loaded it.
template <Kind kind>
void WriteSection(const Workspace& workspace, LineWriter& out) {
    constexpr KindEntry entry = KindOf(kind);
    if constexpr (entry.plotSection != 0) {
        if (!Loaded(workspace.flags, kind)) {
            return;
        }
        constexpr Columns columns = ColumnsOf(kind);
        const Table& table = workspace.table(entry.table);
        const LayerTable& layers = workspace.layerTable;
        if constexpr (entry.shape == Shape::Layer) {
            WriteLayers(layers, out);
        } else if constexpr (entry.shape == Shape::Point) {
            WritePoints<columns, entry.table>(table, layers, out);
        } else if constexpr (entry.shape == Shape::Text) {
            WriteLabels<columns, entry.table>(table, layers, out);
        } else if constexpr (entry.shape == Shape::Line) {
            WriteLines<columns, entry.table>(table, layers, out);
        } else if constexpr (entry.shape == Shape::Polygon) {
            WriteParcels<columns, entry.table>(table, workspace.table(TableId::ParcelCorners),
                                               layers, out);
        }
    }
}

// The sections in the plot file's order.
template <size_t... i>
void WriteSections(const Workspace& workspace, LineWriter& out, std::index_sequence<i...>) {
    (WriteSection<kPlotOrder[i]>(workspace, out), ...);
}

class StringSink : public PlotSink {
  public:
    explicit StringSink(std::string& bytes) : bytes_(bytes) {}
    void write(std::string_view bytes) override { bytes_.append(bytes); }

  private:
    std::string& bytes_;
};

}  // namespace

std::string_view LookupLayerName(const LayerTable& layers, std::string_view cell) {
    return layers.field(LayerRowOf(cell), kNameField);
}

CornerItem::CornerItem(std::string_view cell) {
    const CornerCell parts = SplitCornerCell(cell);
    second_ = parts.y;
    third_ = parts.x;
    rest_ = parts.rest;
}

std::string CornerItem::text() const {
    std::string piece;
    for (std::string_view part : pieces()) {
        piece += part;
    }
    return piece;
}

void WritePlotFile(const Workspace& workspace, PlotSink& sink) {
    LineWriter out(sink);
    WriteSections(workspace, out, std::make_index_sequence<kPlotOrder.size()>());
    out.flush();
}

std::string PlotFileBytes(const Workspace& workspace) {
    std::string bytes;
    StringSink sink(bytes);
    WritePlotFile(workspace, sink);
    return bytes;
}

}  // namespace plotaktar
