// The view figure in the program's own window: TForm1 runs the import as its open button does
// (runCommand refreshes every table view once afterwards), with the biggest table's page in
// front.

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTabWidget>
#include <QTableView>
#include <fstream>

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

// A figure of /proc/self/status in MiB ("VmRSS", "VmHWM").
double StatusMiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stod(line.substr(key.size() + 1)) / 1024.0;
        }
    }
    return 0;
}

// Lets the peak resident size start again from the current one.
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The copy key on a selection of every row of a 10-column table of coordinate-like texts, as
// many rows as the drawing has geometry lines: time, and memory above what was in use before.
void MeasureCopy(app::TForm1& form, int rows, int runs, ViewTimes& times) {
    const int labelsGrid = 6;  // StringGrid6: 10 columns besides its fixed one
    form.runCommand([rows](Session& session, UserInterface&) {
        Table& table = session.workspace.grid(labelsGrid);
        table.setRowCount(rows + 1);
        std::string text = "4512345.67";
        for (int row = 1; row <= rows; ++row) {
            for (int col = 1; col <= 10; ++col) {
                text[7] = static_cast<char>('0' + (row + col) % 10);
                table.setCell(col, row, text);
            }
        }
    });
    app::GridView& view = *form.grid(labelsGrid);
    view.selectAll();
    std::vector<double> copy, peak;
    for (int i = 0; i < runs; ++i) {
        QGuiApplication::clipboard()->clear();
        QCoreApplication::processEvents();
        const double before = StatusMiB("VmRSS");
        ResetPeakMemory();
        Stopwatch watch;
        view.copySelection();
        copy.push_back(watch.elapsed().wallMs);
        peak.push_back(StatusMiB("VmHWM") - before);
    }
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    times.copyTextMiB =
        copied ? static_cast<double>(copied->data(QStringLiteral("text/plain")).size()) / 1048576.0
               : 0;
    QGuiApplication::clipboard()->clear();
    times.copyRows = rows;
    times.copyMs = MedianOf(copy);
    times.copyPeakMiB = MedianOf(peak);
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

    form.runCommand(plotaktar::RunOpenCommand);
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
            RunOpenCommand(session, user);
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
    MeasureCopy(form, static_cast<int>(drawing.geometryLines), runs, times);
    times.refreshMs = MedianOf(refresh);
    times.scrollMs = MedianOf(scroll);
    times.tabSwitchMs = MedianOf(tabSwitch);
    return times;
}

}  // namespace plotaktar::bench
