#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import/import_files.h"
#include "model/record_kinds.h"
#include "model/workspace.h"

namespace plotaktar {

// A line of an input file, numbered from 1.
struct SourceLine {
    std::string fileName;
    uint64_t lineNumber;
};

// The line that gave data row `row` of table `table` in an import of `paths`, found
// by reading the files again: meant for the one moment it is needed (an export that stopped at
// a cell), so that an import keeps no line numbers. Nothing for a table that no file line fills
// row by row, or when the files no longer give that row. Throws std::bad_alloc only.
std::optional<SourceLine> SourceLineOf(const ImportPaths& paths, TableId table, int row);

// The file lines of every row of an import, found in one more reading of its files: for the
// check, which names many rows at once. Line numbers count from 1; 0 where a row has no line.
class RowLines {
  public:
    // The line that gave data row `row` of `table`; for the parcel corner table the line of
    // corner `row` of the parcel in column `column`.
    SourceLine of(TableId table, int row, int column = 0) const;
    // The data row of `table` that line `line` of the geometry file gave; 0 when none did.
    int rowOfGeometryLine(TableId table, uint64_t line) const;

  private:
    friend RowLines ReadRowLines(const ImportPaths& paths, const Workspace& workspace);
    ImportPaths paths_;
    std::array<std::vector<uint32_t>, kTableCount> rows_;  // by TableNumber - 1, row - 1
    std::vector<std::vector<uint32_t>> corners_;           // by column, corner - 1
    size_t labelFileRows_ = 0;  // label rows before these came from the companion
};

// Reads the files of the import that filled `workspace` again and numbers its rows' lines, as
// the import's readers and its corner check took them. Files that cannot be read give no lines.
// Throws std::bad_alloc only.
RowLines ReadRowLines(const ImportPaths& paths, const Workspace& workspace);

}  // namespace plotaktar
