// plotaktar-view: a survey drawing or a plot file on screen.

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "platform/stop_signals.h"
#include "qt/translation.h"
#include "viewer/viewer_window.h"

namespace {

const char kUsage[] = R"(Usage: plotaktar-view [GEOMETRY [LABELS] | FILE.plt]
Shows a survey drawing: a geometry file (.gplt) with its label file (.yaz, by default the
one of the same name beside it) and the label file's companion (.yfn), or a plot file
(.plt) written by plotaktar.

Drag to pan, turn the wheel to zoom about the cursor, + and - zoom, Home fits the whole
drawing, Ctrl+O opens files (files can also be dropped on the window). A click shows the
record of the feature under the cursor, a parcel's area computed from its corners beside
its recorded area. The side panel hides and shows layers and kinds; the "Dosya" menu exports
the view or the whole drawing as PNG, SVG or PDF. The window reloads the drawing when its
files change on disk and are complete; while they cannot be read (removed, emptied, half
written) it keeps the last good drawing and says so in the title and the status bar. It
remembers the files opened last.

Options:
  --help             print this help and exit
  --version          print the version and exit
  --exit-when-drawn  for scripts and benchmarks: once the whole drawing is on screen,
                     print "drawn-after-ms" and the milliseconds since start, and exit
)";

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    bool exitWhenDrawn = false;
    // Answered before any display is opened, so that they work without one.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("plotaktar-view " PLOTAKTAR_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    plotaktar::platform::FailWritesPastFileSizeLimit();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plotaktar-view"));
    QApplication::setApplicationVersion(QStringLiteral(PLOTAKTAR_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/plotaktar/plotaktar.svg")));
    plotaktar::LoadQtTurkish(application);
    QStringList paths;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--exit-when-drawn")) {
            exitWhenDrawn = true;
        } else if (arguments[i].startsWith('-') && arguments[i].size() > 1) {
            std::fprintf(stderr,
                         "plotaktar-view: unknown option '%s'\nTry 'plotaktar-view --help'.\n",
                         arguments[i].toLocal8Bit().constData());
            return 2;
        } else {
            paths << arguments[i];
        }
    }
    plotaktar::viewer::ViewerWindow window;
    window.show();
    if (exitWhenDrawn) {
        window.setRemembersRecent(false);
        QObject::connect(&window.canvas(), &plotaktar::viewer::DrawingCanvas::pictureReady,
                         &application, [&] {
                             if (window.canvas().drawing()) {
                                 std::printf("drawn-after-ms %lld\n",
                                             static_cast<long long>(sinceStart.elapsed()));
                                 std::fflush(stdout);
                                 QApplication::quit();
                             }
                         });
    }
    window.open(plotaktar::viewer::FilesFor(paths));
    return QApplication::exec();
}
