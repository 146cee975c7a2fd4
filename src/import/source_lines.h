#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "import/import_files.h"
#include "model/record_kinds.h"

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

}  // namespace plotaktar
