#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/record_kinds.h"
#include "model/table.h"

namespace plotaktar {

constexpr int kLayerRows = 150;
constexpr int kLayerFields = 8;

// 150 layer rows of 8 text fields, rows and fields numbered from 1: the seven values of a
// layer record (LayerField of its column) and the usage mark (kLayerUsedField: "0" when the
// record is read, "1" once a record names it).
class LayerTable {
  public:
    const std::string& field(int row, int field) const { return rows_[index(row, field)]; }
    void setField(int row, int field, std::string_view text) { rows_[index(row, field)] = text; }
    // Empties every field of every row, as at program start.
    void clear() { rows_.fill(std::string()); }

  private:
    static size_t index(int row, int field) {
        return static_cast<size_t>(row - 1) * kLayerFields + static_cast<size_t>(field - 1);
    }
    std::array<std::string, kLayerRows * kLayerFields> rows_;
};

// Everything the import fills and the export reads: the thirteen tables, LayerTable and
// SectionFlags.
class Workspace {
  public:
    Workspace();

    Table& table(TableId which) { return grids_[static_cast<size_t>(TableNumber(which) - 1)]; }
    const Table& table(TableId which) const {
        return grids_[static_cast<size_t>(TableNumber(which) - 1)];
    }
    // The tables by their number (TableNumber), for going through all of them.
    Table& grid(int number) { return grids_[static_cast<size_t>(number - 1)]; }
    const Table& grid(int number) const { return grids_[static_cast<size_t>(number - 1)]; }

    LayerTable layerTable;
    SectionFlags flags;

  private:
    std::array<Table, kTableCount> grids_;
};

// The column headers of a table (windows-1254 bytes); empty for the corner tables.
const std::vector<std::string>& HeaderTexts(TableId table);

// Writes row 0 of every table that has headers, as the window's creation does.
void WriteHeaderRows(Workspace& workspace);

// Raises the counter to n and sets the row count to n + 1, so that the table shows exactly the
// header row and data rows 1 to n. Returns n. A counter that cannot grow further throws Error.
int GrowGridRow(Table& table, int& counter);

// Appends a numbered data row: raises the counter to n, sets the row count to n + 1 and writes
// the decimal text of n into column 0 of row n. Returns n. A counter that cannot grow further
// throws Error.
int AppendGridRow(Table& table, int& counter);

// The parts of a parcel-corner cell (the corner line behind the block and parcel numbers): its
// first word (the corner's own number) dropped, the next word is the corner's Y, the one after
// it its X, and the rest what follows. A cell of fewer words leaves the missing parts empty,
// its last word standing as the rest. Views into the cell.
struct CornerCell {
    std::string_view y, x, rest;
};
CornerCell SplitCornerCell(std::string_view cell);

// The row of LayerTable that a layer-number text names. Throws ConversionError for a text that
// is not an integer and LayerRangeError ("'%s' geçerli bir tabaka numarası değil") for an
// integer outside 1 to 150.
int LayerRowOfAnyText(std::string_view layerNumber);
// Nearly every layer cell is one to three plain digits naming a row, read here at once (the
// import and the export both ask for every row); anything else takes the full conversion.
inline int LayerRowOf(std::string_view layerNumber) {
    const size_t size = layerNumber.size();
    if (size - 1 < 3 && layerNumber[0] >= '1' && layerNumber[0] <= '9') {
        int row = layerNumber[0] - '0';
        for (size_t i = 1; i < size; ++i) {
            const char c = layerNumber[i];
            if (c < '0' || c > '9') {
                return LayerRowOfAnyText(layerNumber);
            }
            row = row * 10 + (c - '0');
        }
        if (row <= kLayerRows) {
            return row;
        }
    }
    return LayerRowOfAnyText(layerNumber);
}

// Marks the layer that the text names as used (field 8 = "1"). Throws as LayerRowOf, with
// LayerTable unchanged.
void MarkLayerUsed(LayerTable& layers, std::string_view layerNumber);

}  // namespace plotaktar
