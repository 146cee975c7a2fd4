#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <memory>
#include <vector>

#include "viewer/drawing_check.h"

class QComboBox;
class QLabel;
class QTableView;

namespace plotaktar::viewer {

// The findings of a check as rows, sorted and filtered by severity through an order of its own:
// the cells are made when they are shown, so that a check of many findings fills the panel at
// once.
class FindingsModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { Severity, Code, Page, Row, Line, Message, ColumnCount };
    enum class Shown { All, Errors, Warnings };

    void setCheck(std::shared_ptr<const DrawingCheck> check);
    void setShown(Shown shown);
    // The finding behind a row of the model.
    size_t findingAt(int row) const {
        return inFileOrder() ? static_cast<size_t>(row) : order_[static_cast<size_t>(row)];
    }
    const DrawingCheck* check() const { return check_.get(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

  private:
    void rebuild();
    // All findings in the check's own order (by file and line), which needs no order of its
    // own: a new check fills the panel in constant time.
    bool inFileOrder() const { return shown_ == Shown::All && sortColumn_ < 0; }
    std::shared_ptr<const DrawingCheck> check_;
    std::vector<size_t> order_;
    Shown shown_ = Shown::All;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// The "Denetim" panel: the findings of the drawing on screen, sortable by any column and
// filtered by severity. Choosing one tells which finding.
class CheckPanel : public QWidget {
    Q_OBJECT

  public:
    explicit CheckPanel(QWidget* parent = nullptr);

    // Shows the findings of `check`; none while a check runs (`running`) or for a plot file.
    void setCheck(std::shared_ptr<const DrawingCheck> check);
    void setRunning();
    FindingsModel& model() { return model_; }
    QTableView& view() { return *view_; }

  signals:
    // The user chose the finding of that index in the check's findings.
    void findingChosen(size_t finding);

  private:
    FindingsModel model_;
    QComboBox* shown_;
    QLabel* state_;
    QTableView* view_;
};

}  // namespace plotaktar::viewer
