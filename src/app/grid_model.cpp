#include "app/grid_model.h"

#include "app/qt_text.h"

namespace plotaktar::app {

namespace {

// A cell's text as the view shows it. A line without a line end can make one cell of many
// megabytes, and laying such a text out on every paint would freeze the window for minutes;
// no column is wide enough to show more than the first characters, so the rest is left out.
QString DisplayText(std::string_view cell) {
    if (cell.size() <= GridModel::kMaxDisplayChars) {
        return FromCp1254(cell);
    }
    return FromCp1254(cell.substr(0, GridModel::kMaxDisplayChars)) + QChar(0x2026);
}

}  // namespace

GridModel::GridModel(const Table& table, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      rows_(table.rowCount() - 1),
      cols_(table.colCount() - 1),
      seenChanges_(table.changeCount()) {}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    // The tooltip is the same text: the whole cell, where the column shows it cut.
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() ||
        index.row() >= rows_ || index.column() >= cols_) {
        return {};
    }
    const std::string_view cell = cellBytes(index.row(), index.column());
    if (cell.empty() && role == Qt::ToolTipRole) {
        return {};
    }
    return DisplayText(cell);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || section < 0) {
        return {};
    }
    const int limit = orientation == Qt::Horizontal ? cols_ : rows_;
    if (section >= limit) {
        return {};
    }
    const std::string_view cell =
        orientation == Qt::Horizontal ? table_.cell(section + 1, 0) : table_.cell(0, section + 1);
    if (cell.empty() && role == Qt::ToolTipRole) {
        return {};
    }
    return DisplayText(cell);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

QString GridModel::cornerText() const {
    return DisplayText(table_.cell(0, 0));
}

bool GridModel::refresh() {
    if (table_.changeCount() == seenChanges_) {
        return false;
    }
    beginResetModel();
    rows_ = table_.rowCount() - 1;
    cols_ = table_.colCount() - 1;
    seenChanges_ = table_.changeCount();
    endResetModel();
    return true;
}

}  // namespace plotaktar::app
