// The view figure in the program's own window: TForm1 runs the import as its open button does
// (runCommand refreshes every table view once afterwards), with the biggest table's page in
// front.

#include <QApplication>
#include <QTabWidget>
#include <QTableView>

#include "app/main_window.h"
#include "core_figures.h"
#include "import/import_command.h"
#include "view_figure.h"

namespace plotaktar::bench {

namespace {

using Clock = std::chrono::steady_clock;

void PaintNow(QTableView& view) {
    QCoreApplication::processEvents();
    view.viewport()->repaint();
}

QTabWidget* PagesOf(app::TForm1& form) {
    return form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
}

int PageOf(QTabWidget& pages, QWidget* view) {
    for (int i = 0; i < pages.count(); ++i) {
        if (pages.widget(i)->isAncestorOf(view)) {
            return i;
        }
    }
    return -1;
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
    times.subject = "the window TForm1 (plotaktar_gui), 1280 x 800";
    ScriptedUi ui;
    ui.answerOpen(drawing.geometry, drawing.labels);
    app::TForm1 form;
    form.setUserInterface(&ui);
    form.resize(1280, 800);
    form.show();
    QCoreApplication::processEvents();

    form.runCommand(plotaktar::BitBtn1Click);
    times.grid = BiggestGrid(form.session(), times.rows);
    QTableView& view = *form.grid(times.grid);
    QTabWidget* pages = PagesOf(form);
    int page = pages ? PageOf(*pages, &view) : -1;
    int otherPage = page == 0 ? 1 : 0;

    std::vector<double> refresh, scroll, tabSwitch;
    for (int i = 0; i < runs; ++i) {
        if (pages != nullptr && page >= 0) {
            pages->setCurrentIndex(otherPage);
            QCoreApplication::processEvents();
            auto s0 = Clock::now();
            pages->setCurrentIndex(page);
            PaintNow(view);
            tabSwitch.push_back(Milliseconds(Clock::now() - s0));
        }
        view.scrollToTop();
        PaintNow(view);
        Clock::time_point importEnd;
        ui.answerOpen(drawing.geometry, drawing.labels);
        form.runCommand([&](Session& session, UserInterface& user) {
            BitBtn1Click(session, user);
            importEnd = Clock::now();
        });
        PaintNow(view);
        auto painted = Clock::now();
        view.scrollToBottom();
        PaintNow(view);
        auto scrolled = Clock::now();
        refresh.push_back(Milliseconds(painted - importEnd));
        scroll.push_back(Milliseconds(scrolled - painted));
    }
    times.check = ShownRows(view);

    // The save button as the window runs it: the window stays busy until the file is written.
    ScratchDir scratch;
    std::vector<double> save;
    for (int i = 0; i < runs; ++i) {
        ui.answerSave(scratch.file("window.plt"));
        Stopwatch watch;
        form.SpeedButton1Click();
        PaintNow(view);
        save.push_back(watch.elapsed().wallMs);
    }
    times.saveMs = MedianOf(save);
    times.refreshMs = MedianOf(refresh);
    times.scrollMs = MedianOf(scroll);
    times.tabSwitchMs = MedianOf(tabSwitch);
    return times;
}

}  // namespace plotaktar::bench
