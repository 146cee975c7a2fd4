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

// Which of an import's three files a line is in.
enum class InputFile : uint8_t { Geometry, Labels, Companion };

// The name of that file in `paths`.
const std::string& FileName(const ImportPaths& paths, InputFile file);

// A line of one of an import's files, numbered from 1; 0 for none.
struct RowLine {
    InputFile file;
    uint32_t line;
};

// The file lines of every row of an import, found in one more reading of its files: for the
// check, which names many rows at once. Read the geometry file's lines before the import (so
// that the two readings of the file are not held at once) and the label files' after it.
class RowLines {
  public:
    // Numbers the lines of the geometry file's rows and parcel corners, as the import's
    // readers and its corner check will take them in a fresh workspace. A file that cannot be
    // read gives no lines. Throws std::bad_alloc only.
    void readGeometry(const std::string& path);
    // The same from the bytes the import read (ImportedBytes::geometry; null gives no lines),
    // without reading the file again: the lines are those of the version imported.
    void readGeometry(const SharedBytes& bytes);
    // Numbers the label rows of `workspace` from the label file and its companion: each file's
    // reading ends after a row whose layer number does not convert, as the import's did.
    void readLabels(const std::string& labels, const std::string& companion,
                    const Workspace& workspace);
    // The same from the bytes the import read (null for a file it did not read).
    void readLabels(const SharedBytes& labels, const SharedBytes& companion,
                    const Workspace& workspace);

    // The line that gave data row `row` of `table`; for the parcel corner table the line of
    // corner `row` of the parcel in column `column`.
    RowLine of(TableId table, int row, int column = 0) const;
    // The data row of `table` that line `line` of the geometry file gave; 0 when none did.
    int rowOfGeometryLine(TableId table, uint64_t line) const;

  private:
    std::array<std::vector<uint32_t>, kTableCount> rows_;  // by TableNumber - 1, row - 1
    std::vector<std::vector<uint32_t>> corners_;           // by column, corner - 1
    size_t labelFileRows_ = 0;  // label rows before these came from the companion
};

}  // namespace plotaktar
