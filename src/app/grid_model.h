#pragma once

#include <QAbstractTableModel>

#include "model/table.h"

namespace plotaktar::app {

// A read-only Qt view of one working table. Row 0 of the table becomes the horizontal header,
// column 0 the vertical header, and cell (0,0) the corner text; the model's cell (r, c) is the
// table's cell (c + 1, r + 1). Display texts are decoded from windows-1254 when asked for, so
// a table of a million rows costs nothing until it is painted.
//
// The counts are read from the table only in refresh(): a command changes the table behind the
// model's back, and the window refreshes the models before each box the command shows and once
// at its end. A refresh resets the model only when the table changed since the last one.
class GridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    GridModel(const Table& table, QObject* parent = nullptr);

    // Longer cell texts are shown cut to this many characters and an ellipsis.
    static constexpr size_t kMaxDisplayChars = 1000;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text of the table's cell (0,0), shown in the view's corner button.
    QString cornerText() const;

    // The windows-1254 bytes of the model's cell (row, column), whole.
    std::string_view cellBytes(int row, int column) const {
        return table_.cell(column + 1, row + 1);
    }

    // Takes the table's current counts and contents with one model reset, when the table
    // changed since the model last took them; otherwise does nothing. True when it reset.
    bool refresh();

  private:
    const Table& table_;
    int rows_;
    int cols_;
    uint64_t seenChanges_;
};

}  // namespace plotaktar::app
