#pragma once

#include <string>
#include <string_view>

#include "model/table.h"

namespace plotaktar {

// Whether a copied cell is put in quotes: a tab or a line end in it would otherwise split it.
bool CopyNeedsQuotes(std::string_view cell);

// The cells of `table` from column firstCol to lastCol and row firstRow to lastRow (inclusive)
// as text that a spreadsheet pastes into the same shape: a row's cells separated by tabs and
// each row ended by `lineEnd`; a cell that CopyNeedsQuotes is quoted with its quote marks
// doubled. The cells' windows-1254 bytes as they are. Empty for an empty range. Throws
// std::bad_alloc when the text does not fit in memory.
std::string RangeCopyText(const Table& table, int firstCol, int firstRow, int lastCol, int lastRow,
                          std::string_view lineEnd);

}  // namespace plotaktar
