#pragma once

#include <QByteArray>
#include <QItemSelection>
#include <QTableView>

#include "app/grid_model.h"
#include "model/form_design.h"

namespace plotaktar::app {

using form::GridSizing;

// A table view over a GridModel as every page shows it: header row and column fixed (the
// model's headers), the corner cell's text in the corner button, 64 × 24 pixel cells of fixed
// size (never sized to their contents, so a million rows stay cheap), grid lines, range
// selection, no editing and no tabbing between cells. A text too long for its cell ends in
// "…" and shows whole as the cell's tooltip; a double click on a column border fits the column
// to the rows in view; the platform's copy key copies the selection.
class GridView : public QTableView {
    Q_OBJECT

  public:
    GridView(GridModel* model, GridSizing sizing, QWidget* parent = nullptr);

    GridModel* gridModel() const { return model_; }

    // Puts the selected cells on the clipboard as SelectionText gives them; nothing selected
    // leaves the clipboard alone.
    void copySelection();

    // Widens each column so that the rows in view show its texts whole (no wider than the
    // view), or sets it back to the designed width where that is enough. A table of many
    // columns (the corner table) has its first kMostColumnsFitted from the first in view fitted.
    void fitColumnsToRowsInView();
    static constexpr int kMostColumnsFitted = form::kMostColumnsFitted;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The width the column's texts in the rows in view need, no wider than the view.
    int sizeHintForColumn(int column) const override;

  private:
    GridModel* model_;
};

// The cells of `selection` as text that a spreadsheet pastes into the same shape, UTF-8:
// the bounding rows of all ranges in order, each row's cells of the bounding columns separated
// by tabs and the row ended by "\n"; cells not selected are empty, selected ones are decoded
// from windows-1254. A cell holding a tab or a line end is quoted, its quote marks doubled, so
// that it stays one cell. Empty for an empty selection. Needs memory for the text alone.
QByteArray SelectionText(const GridModel& model, const QItemSelection& selection);

// The view for one page; the caller's `parent` owns it.
GridView* CreateGridView(GridModel* model, GridSizing sizing, QWidget* parent);

using form::kCellPadding;
using form::kDefaultColumnWidth;
using form::kDefaultRowHeight;

}  // namespace plotaktar::app
