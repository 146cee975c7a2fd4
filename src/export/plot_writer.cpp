#include "export/plot_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>

#include "model/errors.h"
#include "model/text.h"

namespace plotaktar {

namespace {

// Lines are collected in one buffer and handed to the sink whenever it holds this much, so a
// million-row file costs a few dozen writes and no allocation per line.
constexpr size_t kChunkSize = size_t{1} << 20;
// The buffer starts this small and doubles up to a chunk: a small drawing's file costs no
// megabyte of memory, a big one a few more allocations in all.
constexpr size_t kFirstCapacity = size_t{1} << 14;

constexpr std::string_view kLineEnd = "\r\n";

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
        put(kLineEnd);
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

    // Doubles the buffer, but beyond a chunk only as far as a line needs: a chunk is handed on
    // once it is full, and only a line longer than a chunk (a huge cell) needs more room.
    void grow(size_t needed) {
        size_t capacity = std::max(needed, std::min(2 * capacity_, kChunkSize + 4096));
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

// Runs a step that reads a cell's text; a failure is marked with the cell's row and column
// (WritePlotFile adds the table), so that the user can be told where the export stopped.
template <typename Step>
auto AtCell(const Table& grid, int column, int row, Step step) {
    try {
        return step(grid.cell(column, row));
    } catch (Error& e) {
        e.cell = CellPlace{0, row, column};
        throw;
    }
}

std::string_view LayerNameAt(const Table& grid, int column, int row, const LayerTable& layers) {
    return AtCell(grid, column, row,
                  [&](std::string_view cell) { return LookupLayerName(layers, cell); });
}

bool IsSet(const std::string& flag) {
    return flag == "1";
}

// The part of `text` before its first blank, and what follows it trimmed; without a blank the
// part is empty and `text` stays whole.
std::string_view SplitWord(std::string_view& text) {
    size_t blank = text.find(kBlank);
    if (blank == std::string_view::npos) {
        return {};
    }
    std::string_view word = text.substr(0, blank);
    text = Trim(text.substr(blank));
    return word;
}

void WriteLayers(const LayerTable& layers, LineWriter& out) {
    for (int row = 1; row <= kLayerRows; ++row) {
        if (layers.field(row, kLayerFields) == "1") {
            out.put("TA ", layers.field(row, 3), " -257 1 DUZ 1 0");
            out.endLine();
        }
    }
}

// StringGrid1, StringGrid2 and StringGrid3: 1 point number, 2 X, 3 Y, 4 Z, 5 layer number.
void WritePoints(const Table& grid, const LayerTable& layers, LineWriter& out) {
    const int rows = grid.rowCount();
    for (int row = 1; row < rows; ++row) {
        std::string_view layer = LayerNameAt(grid, 5, row, layers);
        out.put("PN  && ", grid.cell(3, row), " ", grid.cell(2, row), " ", layer, " ",
                grid.cell(4, row), " 0 ", grid.cell(1, row));
        out.endLine();
    }
}

// StringGrid6: 2 x, 3 y, 4 height, 6 angle, 7 layer number, 10 text.
void WriteLabels(const Table& grid, const LayerTable& layers, LineWriter& out) {
    const int rows = grid.rowCount();
    for (int row = 1; row < rows; ++row) {
        std::string_view layer = LayerNameAt(grid, 7, row, layers);
        out.put("YA  && ", grid.cell(3, row), " ", grid.cell(2, row), " L ", grid.cell(4, row), " ",
                grid.cell(6, row), " 0 ", layer, " ", grid.cell(10, row));
        out.endLine();
    }
}

// StringGrid5: 2 y, 3 x, 4 z of the start point, 6 y, 7 x, 8 z of the end point, 9 layer.
void WriteLines(const Table& grid, const LayerTable& layers, LineWriter& out) {
    const int rows = grid.rowCount();
    for (int row = 1; row < rows; ++row) {
        std::string_view layer = LayerNameAt(grid, 9, row, layers);
        out.put("LX  && ", grid.cell(2, row), " ", grid.cell(3, row), " ", grid.cell(6, row), " ",
                grid.cell(7, row), " 0 ", layer, " 0.00 0 ", grid.cell(4, row), " ",
                grid.cell(8, row));
        out.endLine();
    }
}

// StringGrid8: 1 block, 2 parcel, 4 layer number, 5 corner count; the corners of the parcel in
// row j are rows 1 to count of column j of StringGrid11.
void WriteParcels(const Table& parcels, const Table& corners, const LayerTable& layers,
                  LineWriter& out) {
    const int rows = parcels.rowCount();
    for (int row = 1; row < rows; ++row) {
        std::string_view layer = LayerNameAt(parcels, 4, row, layers);
        const int32_t cornerCount =
            AtCell(parcels, 5, row, [](std::string_view cell) { return StrToInt(cell); });
        out.put("L2  && 0.0000000 0.0000000 ", parcels.cell(1, row), "/", parcels.cell(2, row),
                " 19 0 ", layer, "  0.00000000000000E+0000 0");
        out.endLine();
        for (int32_t corner = 1; corner <= cornerCount; ++corner) {
            std::apply([&](auto... piece) { out.put(piece...); },
                       CornerItem(corners.cell(row, corner)).pieces());
        }
        out.endLine();
    }
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
    return layers.field(LayerRowOf(cell), 3);
}

CornerItem::CornerItem(std::string_view cell) {
    // The first word is the parcel's own number; the rest follows it.
    std::string_view rest = Trim(cell);
    size_t blank = rest.find(kBlank);
    if (blank != std::string_view::npos) {
        rest = Trim(rest.substr(blank + 1));
    }
    second_ = SplitWord(rest);
    third_ = SplitWord(rest);
    rest_ = rest;
}

std::string CornerItem::text() const {
    std::string piece;
    for (std::string_view part : pieces()) {
        piece += part;
    }
    return piece;
}

void WritePlotFile(const Workspace& workspace, PlotSink& sink) {
    const SectionFlags& flags = workspace.flags;
    const LayerTable& layers = workspace.layerTable;
    LineWriter out(sink);
    auto loaded = [&](Kind kind) { return IsSet(flags.*KindOf(kind).flag); };
    auto table = [&](Kind kind) -> const Table& { return workspace.grid(KindOf(kind).grid); };
    // Writes a section of a kind's table; a cell that stops it is marked with that table.
    auto section = [&](Kind kind, auto write) {
        if (!loaded(kind)) {
            return;
        }
        try {
            write(table(kind));
        } catch (Error& e) {
            if (e.cell) {
                e.cell->grid = GridNumber(KindOf(kind).grid);
            }
            throw;
        }
    };
    auto points = [&](const Table& grid) { WritePoints(grid, layers, out); };
    if (loaded(Kind::Tabaka)) {
        WriteLayers(layers, out);
    }
    section(Kind::Nirengi, points);
    section(Kind::Poligon, points);
    section(Kind::Yazi, [&](const Table& grid) { WriteLabels(grid, layers, out); });
    section(Kind::Nokta, points);
    section(Kind::Hat, [&](const Table& grid) { WriteLines(grid, layers, out); });
    section(Kind::Parsel, [&](const Table& grid) {
        WriteParcels(grid, workspace.grid(Grid::StringGrid11), layers, out);
    });
    out.flush();
}

std::string PlotFileBytes(const Workspace& workspace) {
    std::string bytes;
    StringSink sink(bytes);
    WritePlotFile(workspace, sink);
    return bytes;
}

}  // namespace plotaktar
