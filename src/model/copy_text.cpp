#include "model/copy_text.h"

#include <algorithm>

namespace plotaktar {

bool CopyNeedsQuotes(std::string_view cell) {
    return cell.find_first_of("\t\n\r") != std::string_view::npos;
}

std::string RangeCopyText(const Table& table, int firstCol, int firstRow, int lastCol, int lastRow,
                          std::string_view lineEnd) {
    if (firstCol > lastCol || firstRow > lastRow || firstCol < 0 || firstRow < 0) {
        return {};
    }
    // Measured first, so that the text is made in one piece of exactly its size.
    size_t size = 0;
    for (int row = firstRow; row <= lastRow; ++row) {
        size += static_cast<size_t>(lastCol - firstCol) + lineEnd.size();
        for (int col = firstCol; col <= lastCol; ++col) {
            const std::string_view cell = table.cell(col, row);
            size += cell.size();
            if (CopyNeedsQuotes(cell)) {
                size += 2 + static_cast<size_t>(std::count(cell.begin(), cell.end(), '"'));
            }
        }
    }
    std::string text;
    text.reserve(size);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int col = firstCol; col <= lastCol; ++col) {
            if (col > firstCol) {
                text += '\t';
            }
            const std::string_view cell = table.cell(col, row);
            if (!CopyNeedsQuotes(cell)) {
                text += cell;
                continue;
            }
            text += '"';
            for (char c : cell) {
                if (c == '"') {
                    text += '"';
                }
                text += c;
            }
            text += '"';
        }
        text += lineEnd;
    }
    return text;
}

}  // namespace plotaktar
