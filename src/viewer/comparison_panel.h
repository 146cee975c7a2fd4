#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <memory>
#include <vector>

#include "compare/change.h"

class QComboBox;
class QLabel;
class QTableView;

namespace plotaktar::viewer {

// The changes of a comparison as rows, sorted by any column and filtered by the kind of change
// through an order of their own; the cells are made when they are shown.
class ChangesModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { Code, Message, Old, New, ColumnCount };

    void setComparison(std::shared_ptr<const compare::Comparison> comparison);
    // Shows only the changes of that code; all of them for an empty code.
    void setShown(const QString& code);
    size_t changeAt(int row) const { return order_[static_cast<size_t>(row)]; }
    const compare::Comparison* comparison() const { return comparison_.get(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

  private:
    QString cell(size_t change, int column) const;
    void rebuild();
    std::shared_ptr<const compare::Comparison> comparison_;
    std::vector<size_t> order_;
    QString shown_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// The "Değişiklikler" panel: what changed from the old revision to the drawing on screen.
// Choosing a row tells which change.
class ComparisonPanel : public QWidget {
    Q_OBJECT

  public:
    explicit ComparisonPanel(QWidget* parent = nullptr);

    // Shows the changes of `comparison`; none while one runs, or with `note` saying why none.
    void setComparison(std::shared_ptr<const compare::Comparison> comparison);
    void setNote(const QString& note);
    ChangesModel& model() { return model_; }
    QTableView& table() { return *table_; }
    QComboBox& filter() { return *filter_; }

  signals:
    void changeChosen(size_t change);

  private:
    ChangesModel model_;
    QComboBox* filter_;
    QLabel* note_;
    QTableView* table_;
};

// Where a side of a change is, as the panel and the record panel name it: "FILE:LINE", "-".
QString SideText(const std::vector<std::string>& files, const std::optional<compare::Source>& at);

}  // namespace plotaktar::viewer
