// The view figure over a plain QTableView and a minimal model of one core table: what any
// window over these tables has to do at least, for builds without the program's window.

#include "view_figure.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <memory>

#include "core_figures.h"
#include "model/cp1254.h"
#include "model/session.h"

namespace plotaktar::bench {

namespace {

using Clock = std::chrono::steady_clock;

QString Display(std::string_view bytes) {
    return QString::fromStdString(Utf8FromCp1254(bytes));
}

// Row 0 and column 0 of the table are the view's headers; the cell texts are decoded on
// demand, so a reset costs nothing per row.
class TableModel : public QAbstractTableModel {
  public:
    explicit TableModel(const Table& table) : table_(table) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : table_.rowCount() - 1;
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : table_.colCount() - 1;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) {
            return {};
        }
        return Display(table_.cell(index.column() + 1, index.row() + 1));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) {
            return {};
        }
        return orientation == Qt::Horizontal ? Display(table_.cell(section + 1, 0))
                                             : Display(table_.cell(0, section + 1));
    }
    Qt::ItemFlags flags(const QModelIndex&) const override {
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    }

    void beginImport() { beginResetModel(); }
    void endImport() { endResetModel(); }

  private:
    const Table& table_;
};

void PaintNow(QTableView& view) {
    QCoreApplication::processEvents();
    view.viewport()->repaint();
}

// The model rows the viewport shows, to check that the view was visible and scrolled.
std::string ShownRows(QTableView& view) {
    int first = view.rowAt(0);
    int last = view.rowAt(view.viewport()->height() - 1);
    return std::string(view.isVisible() ? "visible" : "NOT visible") + ", rows " +
           std::to_string(first + 1) + " to " + std::to_string(last + 1) + " of " +
           std::to_string(view.model()->rowCount()) + " in view";
}

}  // namespace

ViewTimes MeasureView(const Drawing& drawing, int runs) {
    ViewTimes times;
    times.subject = "plain QTableView over a minimal model of the core table";
    auto session = std::make_unique<Session>();
    ScriptedUi ui;
    ImportOnce(*session, drawing, ui);
    times.grid = BiggestGrid(*session, times.rows);

    TableModel model(session->workspace.grid(times.grid));
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 6);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.resize(1280, 800);
    view.show();
    PaintNow(view);

    std::vector<double> refresh, scroll;
    for (int i = 0; i < runs; ++i) {
        view.scrollToTop();
        PaintNow(view);
        model.beginImport();
        ImportOnce(*session, drawing, ui);
        auto t0 = Clock::now();
        model.endImport();
        PaintNow(view);
        auto t1 = Clock::now();
        view.scrollToBottom();
        PaintNow(view);
        auto t2 = Clock::now();
        refresh.push_back(Milliseconds(t1 - t0));
        scroll.push_back(Milliseconds(t2 - t1));
    }
    times.check = ShownRows(view);
    times.refreshMs = MedianOf(refresh);
    times.scrollMs = MedianOf(scroll);
    return times;
}

}  // namespace plotaktar::bench
