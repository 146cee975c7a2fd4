#pragma once

#include <QTableView>

#include "app/grid_model.h"

namespace plotaktar::app {

// Which borders of a page's table the user may drag.
enum class GridSizing { Columns, RowsAndColumns, None };

// A table view over `model` as every page shows it: header row and column fixed (the model's
// headers), the corner cell's text in the corner button, 64 × 24 pixel cells of fixed size
// (never sized to their contents, so a million rows stay cheap), grid lines, range selection,
// no editing and no tabbing between cells. The corner text follows every model reset.
QTableView* CreateGridView(GridModel* model, GridSizing sizing, QWidget* parent);

constexpr int kDefaultColumnWidth = 64;
constexpr int kDefaultRowHeight = 24;

}  // namespace plotaktar::app
