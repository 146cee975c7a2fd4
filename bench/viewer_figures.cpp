// The viewer's figures: start to the whole drawing on screen, frames while panning and
// zooming, picks, render to PNG and memory.

#include "viewer_figures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <random>
#include <stdexcept>

#include "viewer/viewer_window.h"

namespace plotaktar::bench {

namespace {

using Clock = std::chrono::steady_clock;

// Runs the event loop until `done` or `timeoutMs` have passed.
template <typename Done>
bool Wait(Done done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// One step the user takes: the event, then a paint of what the canvas shows.
double Frame(viewer::DrawingCanvas& canvas, QEvent& event) {
    auto start = Clock::now();
    QCoreApplication::sendEvent(&canvas, &event);
    canvas.repaint();
    return Milliseconds(Clock::now() - start);
}

}  // namespace

ViewerFigures MeasureViewer(const Drawing& drawing, ProcessRunner& runner, const std::string& cli,
                            const std::string& viewerPath, int runs) {
    ViewerFigures figures;
    ScratchDir scratch;
    std::vector<double> shown, shownWall, peaks, renders, renderPeaks, sheetWall, sheetCpu,
        sheetPeaks;
    const std::string log = scratch.file("viewer.log");
    for (int i = 0; i < runs; ++i) {
        ProcessRun run = runner.run({viewerPath, "--exit-when-drawn", drawing.geometry}, log);
        if (run.exitStatus != 0) {
            throw std::runtime_error("plotaktar-view exited with " +
                                     std::to_string(run.exitStatus) + ":\n" + ReadWholeFile(log));
        }
        const std::string output = ReadWholeFile(log);
        const size_t mark = output.find("drawn-after-ms ");
        if (mark == std::string::npos) {
            throw std::runtime_error("plotaktar-view did not say when it was drawn:\n" + output);
        }
        shown.push_back(std::atof(output.c_str() + mark + 15));
        shownWall.push_back(run.time.wallMs);
        peaks.push_back(run.peakResidentMiB);

        const std::string png = scratch.file("render.png");
        ProcessRun render = runner.run(
            {cli, "render", drawing.geometry, drawing.labels, "-o", png, "--size", "1600x1000"},
            scratch.file("render.log"));
        if (render.exitStatus != 0) {
            throw std::runtime_error("plotaktar-cli render exited with " +
                                     std::to_string(render.exitStatus));
        }
        renders.push_back(render.time.wallMs);
        renderPeaks.push_back(render.peakResidentMiB);

        // Sheets: every feature drawn, at 1:5000 on A0.
        ProcessRun sheets =
            runner.run({cli, "render", drawing.geometry, drawing.labels, "-o",
                        scratch.file("sheets.pdf"), "--scale", "5000", "--paper", "A0"},
                       scratch.file("sheets.log"));
        if (sheets.exitStatus != 0) {
            throw std::runtime_error("plotaktar-cli render --scale exited with " +
                                     std::to_string(sheets.exitStatus));
        }
        sheetWall.push_back(sheets.time.wallMs);
        sheetCpu.push_back(sheets.time.cpuMs);
        sheetPeaks.push_back(sheets.peakResidentMiB);
    }
    figures.sheets.wallMs = MedianOf(sheetWall);
    figures.sheets.cpuMs = MedianOf(sheetCpu);
    figures.sheetsPeakMiB = MedianOf(sheetPeaks);
    figures.shownMs = MedianOf(shown);
    figures.shownWallMs = MedianOf(shownWall);
    figures.peakMiB = MedianOf(peaks);
    figures.renderMs = MedianOf(renders);
    figures.renderPeakMiB = MedianOf(renderPeaks);

    viewer::ViewerWindow window;
    window.setRemembersRecent(false);
    window.show();
    viewer::DrawingCanvas& canvas = window.canvas();
    window.resize(1600 + (window.width() - canvas.width()),
                  1000 + (window.height() - canvas.height()));
    QCoreApplication::processEvents();
    QSignalSpy loaded(&window, &viewer::ViewerWindow::drawingLoaded);
    window.open(viewer::FilesFor({QString::fromStdString(drawing.geometry)}));
    if (!Wait([&] { return loaded.count() > 0; }, 60000)) {
        throw std::runtime_error("the viewer did not load the drawing");
    }
    auto setStart = Clock::now();
    if (!Wait([&] { return canvas.pictureCurrent(); }, 60000)) {
        throw std::runtime_error("the viewer painted no picture");
    }
    figures.firstPictureMs = Milliseconds(Clock::now() - setStart);
    figures.notes.push_back("viewer canvas " + std::to_string(canvas.width()) + " x " +
                            std::to_string(canvas.height()) +
                            "; fitted: " + std::to_string(canvas.stats().drawn) + " drawn, " +
                            std::to_string(canvas.stats().leftOut) + " left out");

    std::vector<double> frames, picks;
    std::mt19937 random(1);
    std::uniform_real_distribution<double> across(0, canvas.width()), down(0, canvas.height());
    const plotaktar::ViewTransform fitted = canvas.view();
    for (double zoom : {1.0, 4.0, 32.0, 256.0, 2048.0}) {
        plotaktar::ViewTransform view = fitted;
        view.scale *= zoom;
        canvas.setView(view);
        Wait([&] { return canvas.pictureCurrent(); }, 60000);
        // Panning: 30 mouse moves with the button down, each painted at once.
        QPointF at(canvas.width() / 2.0, canvas.height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, canvas.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        Frame(canvas, press);
        for (int i = 0; i < 30; ++i) {
            at += QPointF(7, 3);
            QMouseEvent move(QEvent::MouseMove, at, canvas.mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            frames.push_back(Frame(canvas, move));
            QCoreApplication::processEvents();  // a finished picture arriving meanwhile
        }
        QMouseEvent release(QEvent::MouseButtonRelease, at, canvas.mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        frames.push_back(Frame(canvas, release));
        // Zooming: wheel steps in and out about the cursor.
        for (int i = 0; i < 10; ++i) {
            QWheelEvent wheel(at, canvas.mapToGlobal(at), QPoint(), QPoint(0, i < 5 ? 120 : -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            frames.push_back(Frame(canvas, wheel));
            QCoreApplication::processEvents();
        }
        Wait([&] { return canvas.pictureCurrent(); }, 60000);
        for (int i = 0; i < 50; ++i) {
            auto start = Clock::now();
            (void)canvas.featureAt(QPointF(across(random), down(random)));
            picks.push_back(Milliseconds(Clock::now() - start));
        }
    }
    figures.longestFrameMs = *std::max_element(frames.begin(), frames.end());
    figures.medianFrameMs = MedianOf(frames);
    figures.longestPickMs = *std::max_element(picks.begin(), picks.end());
    figures.notes.push_back("frames: " + std::to_string(frames.size()) +
                            " pan and wheel steps at zooms 1, 4, 32, 256 and 2048 times the fit; "
                            "picks: " +
                            std::to_string(picks.size()));
    return figures;
}

}  // namespace plotaktar::bench
