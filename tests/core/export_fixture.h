#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "model/session.h"
#include "model/table.h"
#include "model/workspace.h"

namespace plotaktar::testing {

// Writes `cells` into columns 1, 2, ... of data row `row` and makes the table show exactly rows
// 1 to `row`, as an import of that many records leaves it.
inline void PutRow(Table& table, int row, std::initializer_list<std::string_view> cells) {
    int col = 1;
    for (std::string_view text : cells) {
        table.setCell(col++, row, text);
    }
    table.setRowCount(row + 1);
}

// A layer row as the layer reader and MarkLayerUsed leave it.
inline void PutLayer(Workspace& workspace, int row, std::string_view name, bool used = true) {
    workspace.layerTable.setField(row, 3, name);
    workspace.layerTable.setField(row, 8, used ? "1" : "0");
}

}  // namespace plotaktar::testing
